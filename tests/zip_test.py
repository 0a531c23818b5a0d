"""The Windows zip holds the tested executable, the README, the licence and
the notices of the runtime linked into it, in one folder and nothing else; the
checksum beside it checks as a user would check it.

    zip_test.py CPACK CPACK_CONFIG PROGRAM.exe SOURCE_DIR
"""

import os
import sys
import tempfile
import unittest
import zipfile

from packages import check_checksum, make_package

CPACK, CPACK_CONFIG, PROGRAM, SOURCE = sys.argv[1:5]
FOLDER = "CalcVendrali-0.1-win64"


class WindowsZip(unittest.TestCase):
    def test_contents(self):
        build = os.path.dirname(PROGRAM)
        originals = {"CalcVendrali.exe": PROGRAM,
                     "LICENSE": os.path.join(SOURCE, "LICENSE"),
                     "NOTICES.txt": os.path.join(build, "NOTICES.txt"),
                     "README.md": os.path.join(SOURCE, "README.md")}
        with tempfile.TemporaryDirectory() as folder:
            package = make_package(CPACK, CPACK_CONFIG, folder)
            self.assertEqual(os.path.basename(package), FOLDER + ".zip")
            self.assertEqual(check_checksum(package), (0, FOLDER + ".zip: OK\n"))

            with zipfile.ZipFile(package) as archive:
                files = [name for name in archive.namelist() if not name.endswith("/")]
                self.assertEqual(sorted(files), [f"{FOLDER}/{name}" for name in sorted(originals)])
                for name, original in originals.items():
                    with self.subTest(file=name), open(original, "rb") as expected:
                        self.assertEqual(archive.read(f"{FOLDER}/{name}"), expected.read())


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
