"""What an install puts where, and the Debian package and tarball made of it:
the program, its README and licence, the desktop entry and the icon at every
size the artwork has. Each installed program is run and its bytes compared.

    install_test.py CMAKE CPACK BUILD_DIR FIXTURE
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

CMAKE, CPACK, BUILD, FIXTURE = sys.argv[1:5]

ICON_SIZES = [16, 24, 32, 48, 64, 72, 96, 128, 256]
INSTALLED = {
    "bin/CalcVendrali",
    "share/applications/calcvendrali.desktop",
    "share/doc/calcvendrali/README.md",
    "share/doc/calcvendrali/LICENSE",
} | {f"share/icons/hicolor/{size}x{size}/apps/calcvendrali.png" for size in ICON_SIZES}


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
        self.assertTrue(os.path.isfile(os.path.join(prefix, "bin", desktop["Exec"])))
        for size in ICON_SIZES:
            with self.subTest(icon_size=size):
                icon = os.path.join(prefix, f"share/icons/hicolor/{size}x{size}/apps",
                                    desktop["Icon"] + ".png")
                self.assertEqual(png_size(icon), (size, size))

    def package(self, generator):
        subprocess.run([CPACK, "-G", generator, "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                        "-B", self.folder], check=True, stdout=subprocess.DEVNULL)

    def test_cmake_install_into_a_prefix(self):
        prefix = os.path.join(self.folder, "prefix")
        subprocess.run([CMAKE, "--install", BUILD, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL)
        self.check_tree(prefix)

    def test_debian_package(self):
        self.package("DEB")
        architecture = subprocess.run(["dpkg", "--print-architecture"], capture_output=True,
                                      text=True, check=True).stdout.strip()
        deb = os.path.join(self.folder, f"calcvendrali_0.1_{architecture}.deb")

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

    def test_tarball(self):
        self.package("TGZ")
        with tarfile.open(os.path.join(self.folder, "CalcVendrali-0.1-Linux.tar.gz")) as tarball:
            tarball.extractall(self.folder)
        self.check_tree(os.path.join(self.folder, "CalcVendrali-0.1-Linux"))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
