"""Every package of every preset that ships, and the executables in them, come
out bit for bit the same from two builds that Debian's reprotest makes differ
in all it can vary on this machine: source and build folder, time, umask,
time zone, locale, number of CPUs, HOME, PATH, environment, file order, ASLR.
Left out: other users and groups, host and domain name and kernel version,
which need more than one machine's root can give here. When something
differs, diffoscope's report says what.

The packages' time comes from the sources: the last commit, or in an export
without git the latest changelog entry, unless the caller sets one.

    reproducible_test.py SOURCE_DIR
"""

import email.utils
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = sys.argv[1]
PRESETS = ["release", "portable", "windows"]
ARTIFACTS = ["build/release/CalcVendrali", "build/release/*.deb",
             "build/portable/CalcVendrali", "build/portable/*.tar.gz",
             "build/windows/CalcVendrali.exe", "build/windows/*.zip",
             "build/*/*.sha256"]
VARIATIONS = "+all,-user_group,-domain_host,-kernel"


class Reproducible(unittest.TestCase):
    def test_two_varied_builds_are_identical(self):
        # The sources as a user has them, without what earlier builds left.
        entries = sorted(name for name in os.listdir(SOURCE)
                         if name not in ("build", "__pycache__"))
        build = " && ".join(f"cmake --preset {preset} >/dev/null && "
                            f"cmake --build --preset {preset} >/dev/null && "
                            f"cpack --preset {preset} >/dev/null" for preset in PRESETS)
        report = subprocess.run(
            ["reprotest", "--verbosity", "1", "--variations", VARIATIONS, "--min-cpus", "1",
             "--source-pattern", " ".join(entries), "--diffoscope-arg=--text-color=never",
             "--build-command", build, SOURCE, " ".join(ARTIFACTS)],
            capture_output=True, text=True, cwd=SOURCE)
        output = report.stdout + report.stderr
        self.assertEqual(report.returncode, 0, output)
        self.assertIn("Reproduction successful", output)
        # reprotest lists the hash of every artifact it compared.
        for artifact in ("CalcVendrali", ".deb", ".tar.gz", "CalcVendrali.exe", ".zip",
                         ".sha256"):
            with self.subTest(artifact=artifact):
                self.assertRegex(output, rf"[0-9a-f]{{64}}  \S*{artifact.replace('.', '[.]')}\n")
        print(output)


def package_time(source, env=None):
    """The time a configured build gives its packages."""
    with tempfile.TemporaryDirectory() as build:
        subprocess.run(["cmake", "--preset", "release", "-B", build], cwd=source, env=env,
                       check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(build, "CPackConfig.cmake")) as config:
            return int(re.search(r'set\(CPACK_SOURCE_DATE_EPOCH "(\d+)"\)', config.read())[1])


def changelog_time(source):
    with open(os.path.join(source, "CHANGELOG")) as changelog:
        signature = re.search(r"^ -- .*>  (.+)$", changelog.read(), re.MULTILINE)[1]
    return int(email.utils.parsedate_to_datetime(signature).timestamp())


class PackageTime(unittest.TestCase):
    def setUp(self):
        self.env = {name: value for name, value in os.environ.items()
                    if name != "SOURCE_DATE_EPOCH"}

    def test_from_the_last_commit_in_a_checkout(self):
        if not os.path.isdir(os.path.join(SOURCE, ".git")):
            self.skipTest("the sources are an export, not a git checkout")
        commit = subprocess.run(["git", "log", "-1", "--format=%ct"], cwd=SOURCE, check=True,
                                capture_output=True, text=True).stdout
        self.assertEqual(package_time(SOURCE, self.env), int(commit))

    def test_from_the_changelog_in_an_export(self):
        with tempfile.TemporaryDirectory() as export:
            shutil.copytree(SOURCE, export, dirs_exist_ok=True,
                            ignore=shutil.ignore_patterns(".git", "build"))
            self.assertEqual(package_time(export, self.env), changelog_time(export))

    def test_the_callers_time_wins(self):
        self.assertEqual(package_time(SOURCE, dict(self.env, SOURCE_DATE_EPOCH="1234567890")),
                         1234567890)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
