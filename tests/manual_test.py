"""The manual page: mandoc finds nothing to say of its source, man renders
every section of the installed page, and the page is compressed without a
name or a time in it.

    manual_test.py SOURCE.1 INSTALLED.1.gz
"""

import gzip
import subprocess
import sys
import unittest

SOURCE, COMPRESSED = sys.argv[1:3]
SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "ENVIRONMENT", "EXIT STATUS", "EXAMPLES",
            "SEE ALSO", "CAVEATS"]


class Manual(unittest.TestCase):
    def test_mandoc_lint_is_silent(self):
        lint = subprocess.run(["mandoc", "-T", "lint", "-W", "warning", SOURCE],
                              capture_output=True, text=True)
        self.assertEqual((lint.returncode, lint.stdout + lint.stderr), (0, ""))

    def test_man_renders_every_section(self):
        page = subprocess.run(["man", "-l", COMPRESSED], capture_output=True, text=True,
                              env={"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "MANWIDTH": "80"},
                              check=True).stdout
        headings = [line for line in page.splitlines() if line[:1].isupper()][1:-1]
        self.assertEqual(headings, SECTIONS)
        self.assertIn("CalcVendrali — opening and closing screens", page)
        self.assertIn(" Olá, seja bem vindo(a) a:", page)
        self.assertIn("1 when it", page)

    def test_compressed_reproducibly(self):
        with open(COMPRESSED, "rb") as compressed:
            header = compressed.read(10)
        # No file name flag, a zero time, best compression.
        self.assertEqual((header[3] & 0x08, header[4:8], header[8]), (0, b"\0\0\0\0", 2))
        with gzip.open(COMPRESSED) as page, open(SOURCE, "rb") as source:
            self.assertEqual(page.read(), source.read())


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
