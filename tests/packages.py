"""Makes a build's package afresh in a folder of the test's own."""

import glob
import os
import subprocess


def make_package(cpack, config, folder):
    """Runs cpack on a build's configuration; returns the package's path."""
    subprocess.run([cpack, "--config", config, "-B", folder], check=True,
                   stdout=subprocess.DEVNULL)
    made = [path for path in glob.glob(os.path.join(folder, "*"))
            if os.path.isfile(path) and not path.endswith(".sha256")]
    assert len(made) == 1, made
    return made[0]


def check_checksum(package):
    """What sha256sum says of the checksum file beside a package, run in its
    folder as a user who downloaded both would run it: (status, output)."""
    checked = subprocess.run(["sha256sum", "--check", "--strict", package + ".sha256"],
                             cwd=os.path.dirname(package), capture_output=True, text=True)
    return checked.returncode, checked.stdout
