"""The Debian package as Debian's own tools judge it: lintian, at its most
demanding, has nothing to say, and hardening-check finds every protection the
build asks for in the packaged program.

    debian_test.py CPACK CPACK_CONFIG
"""

import os
import subprocess
import sys
import tempfile
import unittest

from packages import make_package

CPACK, CPACK_CONFIG = sys.argv[1:3]
PROTECTIONS = ["Position Independent Executable", "Stack protected", "Fortify Source functions",
               "Read-only relocations", "Immediate binding"]


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.deb = make_package(CPACK, CPACK_CONFIG, cls.folder.name)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_lintian_says_nothing(self):
        lintian = subprocess.run(["lintian", "--pedantic", "--display-info",
                                  "--display-experimental", self.deb],
                                 capture_output=True, text=True)
        # As root lintian warns about that on standard error; nothing else counts.
        errors = [line for line in lintian.stderr.splitlines()
                  if line != "running with root privileges is not recommended!"]
        self.assertEqual((lintian.returncode, lintian.stdout, errors), (0, "", []))

    def test_hardening_check_of_the_packaged_program(self):
        root = os.path.join(self.folder.name, "root")
        subprocess.run(["dpkg-deb", "--extract", self.deb, root], check=True)
        report = subprocess.run(["hardening-check", os.path.join(root, "usr/bin/CalcVendrali")],
                                capture_output=True, text=True).stdout
        found = dict(line.strip().split(": ", 1) for line in report.splitlines()[1:])
        for protection in PROTECTIONS:
            with self.subTest(protection=protection):
                self.assertEqual(found[protection], "yes")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
