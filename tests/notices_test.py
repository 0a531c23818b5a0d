"""The archive carries the licences of everything the linker took into its
program: the program's own, and a notice for each Debian package whose code
the linker's map shows, with the licence texts that code needs.

    notices_test.py CPACK CPACK_CONFIG LINK_MAP LICENSE
"""

import os
import re
import subprocess
import sys
import tarfile
import tempfile
import unittest
import zipfile

from packages import make_package

CPACK, CPACK_CONFIG, LINK_MAP, LICENSE = sys.argv[1:5]

# What each source package's code needs said, by a phrase of its licence text.
LICENCE_PHRASES = {
    "glibc": ["GNU LESSER GENERAL PUBLIC LICENSE", "Version 2.1, February 1999"],
    "gcc": ["GCC RUNTIME LIBRARY EXCEPTION", "Version 3.1, 31 March 2009"],
    "mingw-w64": ["Zope Public License (ZPL), version 2.1",
                  "Redistributions in binary form must reproduce"],
}
WINPTHREADS_PHRASE = "winpthreads, the POSIX threads library of MinGW-w64, is under the Expat"
GDTOA_PHRASE = "LUCENT DISCLAIMS ALL WARRANTIES"


def linked_files():
    """{file linked from outside the build: archive members taken from it}."""
    linked = {}
    with open(LINK_MAP) as link_map:
        for line in link_map:
            member = re.match(r"(/[^ ()]+\.a)\(([^()]+)\)", line)
            whole = re.match(r"LOAD (/\S+\.o)$", line)
            if member:
                linked.setdefault(os.path.realpath(member[1]), set()).add(member[2])
            elif whole:
                linked.setdefault(os.path.realpath(whole[1]), set())
    return linked


def debian_source(path):
    """(binary package, source package, source version) that installed a file."""
    package = subprocess.run(["dpkg-query", "--search", path], capture_output=True, text=True,
                             check=True).stdout.split(":")[0]
    source = subprocess.run(["dpkg-query", "--show", "--showformat",
                             "${source:Package} ${source:Version}", package],
                            capture_output=True, text=True, check=True).stdout.split()
    return package, *source


def archive_texts(path):
    """{file name: text} of the documents in a tarball or zip."""
    wanted = ("NOTICES.txt", "LICENSE")
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as archive:
            return {os.path.basename(name): archive.read(name).decode()
                    for name in archive.namelist() if name.endswith(wanted)}
    with tarfile.open(path) as archive:
        return {os.path.basename(member.name): archive.extractfile(member).read().decode()
                for member in archive.getmembers() if member.name.endswith(wanted)}


class Notices(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as folder:
            cls.texts = archive_texts(make_package(CPACK, CPACK_CONFIG, folder))
        cls.linked = linked_files()

    def test_program_licence(self):
        with open(LICENSE) as licence:
            self.assertEqual(self.texts["LICENSE"], licence.read())

    def test_a_notice_for_every_linked_package(self):
        self.assertTrue(self.linked, "the map shows nothing linked")
        notices = self.texts["NOTICES.txt"]
        for path, members in sorted(self.linked.items()):
            package, source, version = debian_source(path)
            with self.subTest(file=path):
                heading = re.escape(f": Debian source package {source}, version {version}\n")
                self.assertRegex(notices, heading)
                self.assertIn(f"{os.path.basename(path)} ({package})", notices)
                family = "gcc" if source.startswith("gcc-") else source
                for phrase in LICENCE_PHRASES[family]:
                    self.assertIn(phrase, notices)
                if re.fullmatch(r"lib(win)?pthread\.a", os.path.basename(path)):
                    self.assertIn(WINPTHREADS_PHRASE, notices)
                if any(re.search(r"-(g?dtoa|[dg]misc|mingw_pformat)\.o$", m) for m in members):
                    self.assertIn(GDTOA_PHRASE, notices)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
