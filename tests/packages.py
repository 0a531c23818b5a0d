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
