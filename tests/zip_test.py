"""The Windows zip holds the tested executable, the README and the licence in
one folder, and nothing else.

    zip_test.py CPACK BUILD_DIR PROGRAM.exe SOURCE_DIR
"""

import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

CPACK, BUILD, PROGRAM, SOURCE = sys.argv[1:5]
FOLDER = "CalcVendrali-0.1-win64"


class WindowsZip(unittest.TestCase):
    def test_contents(self):
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run([CPACK, "-G", "ZIP", "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                            "-B", folder], check=True, stdout=subprocess.DEVNULL)
            with zipfile.ZipFile(os.path.join(folder, FOLDER + ".zip")) as archive:
                files = [name for name in archive.namelist() if not name.endswith("/")]
                self.assertEqual(sorted(files), [f"{FOLDER}/CalcVendrali.exe", f"{FOLDER}/LICENSE",
                                                 f"{FOLDER}/README.md"])
                originals = {"CalcVendrali.exe": PROGRAM,
                             "LICENSE": os.path.join(SOURCE, "LICENSE"),
                             "README.md": os.path.join(SOURCE, "README.md")}
                for name, original in originals.items():
                    with self.subTest(file=name), open(original, "rb") as expected:
                        self.assertEqual(archive.read(f"{FOLDER}/{name}"), expected.read())


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
