"""A second build of the Windows executable, in a folder of another name,
gives a byte-identical file.

    reproducible_test.py CMAKE SOURCE_DIR PROGRAM.exe
"""

import filecmp
import os
import subprocess
import sys
import tempfile
import unittest

CMAKE, SOURCE, PROGRAM = sys.argv[1:4]


class Reproducible(unittest.TestCase):
    def test_second_build_is_identical(self):
        with tempfile.TemporaryDirectory(prefix="another-build-") as folder:
            subprocess.run([CMAKE, "--preset", "windows", "-B", folder], cwd=SOURCE, check=True,
                           stdout=subprocess.DEVNULL)
            subprocess.run([CMAKE, "--build", folder, "--target", "CalcVendrali"], check=True,
                           stdout=subprocess.DEVNULL)
            second = os.path.join(folder, os.path.basename(PROGRAM))
            self.assertTrue(filecmp.cmp(PROGRAM, second, shallow=False),
                            "the two builds differ")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
