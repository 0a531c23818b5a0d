"""What an install puts where, and the package made of it (the Debian package
of the release build, the tarball of the portable one): the program, its
manual page, README and licence, the desktop entry and the icon at every size
the artwork has. Each installed program is run and its bytes compared, and
the package's checksum file is checked as a user would check it.

    install_test.py CMAKE CPACK CPACK_CONFIG BUILD_DIR FIXTURE DEB|TGZ
"""

import configparser
import os
import re
import shutil
import struct
import subprocess
import sys
import tarfile
import tempfile
import unittest

from packages import check_checksum, make_package

CMAKE, CPACK, CPACK_CONFIG, BUILD, FIXTURE, GENERATOR = sys.argv[1:7]

ICON_SIZES = [16, 24, 32, 48, 64, 72, 96, 128, 256]
DOC = "share/doc/calcvendrali/"
# Debian keeps the licence in the copyright file; the tarball, whose program
# holds the C library, carries its licence and the notices of what it holds.
DOCUMENTS = {"DEB": {DOC + "copyright", DOC + "changelog.gz"},
             "TGZ": {DOC + "LICENSE", DOC + "NOTICES.txt"}}
INSTALLED = {
    "bin/CalcVendrali",
    "share/man/man1/CalcVendrali.1.gz",
    "share/applications/calcvendrali.desktop",
    DOC + "README.md",
} | DOCUMENTS[GENERATOR] | {
    f"share/icons/hicolor/{size}x{size}/apps/calcvendrali.png" for size in ICON_SIZES}


def files_under(root):
    return {os.path.relpath(os.path.join(folder, name), root)
            for folder, _, names in os.walk(root) for name in names}


def package_owning(path):
    """The Debian package that installed a file, under either of its names
    where /lib is a link to /usr/lib."""
    real = os.path.realpath(path)
    for candidate in (path, real, real.removeprefix("/usr"), "/usr" + path):
        found = subprocess.run(["dpkg-query", "--search", candidate], capture_output=True,
                               text=True)
        if found.returncode == 0:
            return found.stdout.split(":")[0]
    raise AssertionError(f"no package holds {path}")


def packages_of_libraries(program):
    """The Debian packages that hold the shared libraries a program loads."""
    loaded = subprocess.run(["ldd", program], capture_output=True, text=True, check=True).stdout
    return {package_owning(path) for path in re.findall(r"=> (/\S+) \(0x", loaded)}


def png_size(path):
    with open(path, "rb") as image:
        header = image.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n" and header[12:16] == b"IHDR", path
    return struct.unpack(">II", header[16:24])


class Installed(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="calcvendrali-")
        self.addCleanup(shutil.rmtree, self.folder)

    def check_tree(self, prefix):
        self.assertEqual(files_under(prefix), INSTALLED)

        run = subprocess.run([os.path.join(prefix, "bin/CalcVendrali")], capture_output=True,
                             stdin=subprocess.DEVNULL, timeout=30)
        with open(FIXTURE, "rb") as fixture:
            self.assertEqual((run.returncode, run.stdout, run.stderr), (0, fixture.read(), b""))

        entry_path = os.path.join(prefix, "share/applications/calcvendrali.desktop")
        validation = subprocess.run(["desktop-file-validate", entry_path], capture_output=True,
                                    text=True)
        self.assertEqual((validation.returncode, validation.stdout + validation.stderr), (0, ""))

        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(entry_path, encoding="utf-8")
        desktop = entry["Desktop Entry"]
        # The same name and description as the Windows version block.
        self.assertEqual(desktop["Name"], "Calculadora de notas - Vendrali")
        self.assertEqual(desktop["Comment"], "App feito para calcular notas de Vendrali")
        self.assertEqual(desktop["Terminal"], "true")
        self.assertTrue({"calculadora", "calculator"} <= set(desktop["Keywords"].split(";")))
        self.assertTrue(os.path.isfile(os.path.join(prefix, "bin", desktop["Exec"])))
        for size in ICON_SIZES:
            with self.subTest(icon_size=size):
                icon = os.path.join(prefix, f"share/icons/hicolor/{size}x{size}/apps",
                                    desktop["Icon"] + ".png")
                self.assertEqual(png_size(icon), (size, size))

    def package(self):
        package = make_package(CPACK, CPACK_CONFIG, self.folder)
        # The checksum beside it, as a user who downloaded both checks it.
        self.assertEqual(check_checksum(package), (0, os.path.basename(package) + ": OK\n"))
        return package

    def test_cmake_install_into_a_prefix(self):
        prefix = os.path.join(self.folder, "prefix")
        subprocess.run([CMAKE, "--install", BUILD, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL)
        self.check_tree(prefix)

    def test_package(self):
        {"DEB": self.check_debian_package, "TGZ": self.check_tarball}[GENERATOR]()

    def check_debian_package(self):
        deb = self.package()
        architecture = subprocess.run(["dpkg", "--print-architecture"], capture_output=True,
                                      text=True, check=True).stdout.strip()
        self.assertEqual(os.path.basename(deb), f"calcvendrali_0.1_{architecture}.deb")

        def field(name):
            return subprocess.run(["dpkg-deb", "--field", deb, name], capture_output=True,
                                  text=True, check=True).stdout.strip()

        self.assertEqual(field("Package"), "calcvendrali")
        self.assertEqual(field("Version"), "0.1")
        self.assertEqual(field("Architecture"), architecture)
        self.assertRegex(field("Maintainer"), r"^[^<>]+ <[^<>@\s]+@[^<>@\s]+>$")
        # One dependency for each package whose libraries the program loads
        # (none for a static build).
        depends = {item.split()[0]: item.strip()
                   for item in field("Depends").split(",") if item.strip()}
        self.assertEqual(set(depends), packages_of_libraries(os.path.join(BUILD, "CalcVendrali")))
        if "libc6" in depends:
            self.assertRegex(depends["libc6"], r"^libc6 \(>= [0-9.]+\)$")
        self.assertTrue(field("Description").startswith(
            "App feito para calcular notas de Vendrali\n "))

        # apt takes it: its dependencies resolve on this system.
        simulated = subprocess.run(["apt-get", "install", "--simulate", "--no-download", deb],
                                   capture_output=True, text=True)
        self.assertEqual(simulated.returncode, 0, simulated.stdout + simulated.stderr)
        self.assertIn("Inst calcvendrali", simulated.stdout)

        root = os.path.join(self.folder, "root")
        subprocess.run(["dpkg-deb", "--extract", deb, root], check=True)
        self.check_tree(os.path.join(root, "usr"))

    def check_tarball(self):
        tarball_path = self.package()
        top = f"CalcVendrali-0.1-Linux-{os.uname().machine}"
        self.assertEqual(os.path.basename(tarball_path), top + ".tar.gz")
        with tarfile.open(tarball_path) as tarball:
            tarball.extractall(self.folder)
        self.check_tree(os.path.join(self.folder, top))
        # It runs on any x86-64 Linux: no loader, no shared library.
        dynamic = subprocess.run(["readelf", "--program-headers", "--dynamic",
                                  os.path.join(self.folder, top, "bin/CalcVendrali")],
                                 capture_output=True, text=True, check=True).stdout
        self.assertNotIn("INTERP", dynamic)
        self.assertNotIn("(NEEDED)", dynamic)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
