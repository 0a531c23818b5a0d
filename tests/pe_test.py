"""The Windows executable as an independent reader of the PE format sees it:
header flags, imports, and every resource with its exact layout.

    pe_test.py PROGRAM.exe LARGEST_ICON.png
"""

import struct
import sys
import unittest

import pefile

PROGRAM, LARGEST_ICON = sys.argv[1:3]

ENGLISH_US = 1033
RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
# Side in pixels and bytes of each bitmap image, largest first; the 256-pixel
# image is a PNG, whose length follows from the artwork.
ICON_IMAGES = [(256, None), (128, 67624), (96, 38056), (72, 21640), (64, 16936),
               (48, 9640), (32, 4264), (24, 2440), (16, 1128)]
# Libraries every Windows installation has; anything else would have to ship.
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "ntdll.dll", "user32.dll", "advapi32.dll",
               "shell32.dll", "gdi32.dll", "ws2_32.dll"}


class Executable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(PROGRAM)
        cls.resources = {}  # (type, name or id) -> (language, bytes)
        for kind in cls.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            for entry in kind.directory.entries:
                key = str(entry.name) if entry.name is not None else entry.id
                for language in entry.directory.entries:
                    rva, size = language.data.struct.OffsetToData, language.data.struct.Size
                    cls.resources.setdefault((kind.id, key), []).append(
                        (language.id, cls.pe.get_data(rva, size)))

    def test_header(self):
        header = self.pe.OPTIONAL_HEADER
        self.assertEqual(self.pe.FILE_HEADER.Machine, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"])
        self.assertEqual(header.Subsystem, pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"])
        self.assertTrue(header.IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE)
        self.assertTrue(header.IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA)
        self.assertTrue(header.IMAGE_DLLCHARACTERISTICS_NX_COMPAT)
        self.assertEqual(self.pe.FILE_HEADER.TimeDateStamp, 0)

    def test_imports_only_system_libraries(self):
        imported = {entry.dll.decode().lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertIn("kernel32.dll", imported)
        self.assertLessEqual(imported, SYSTEM_DLLS)

    def test_exactly_the_eleven_resources(self):
        expected = {(RT_ICON, number) for number in range(1, 10)}
        expected |= {(RT_GROUP_ICON, "ID"), (RT_VERSION, 1)}
        self.assertEqual(set(self.resources), expected)
        for key, versions in self.resources.items():
            with self.subTest(resource=key):
                self.assertEqual([language for language, _ in versions], [ENGLISH_US])

    def test_icon_group(self):
        (_, group), = self.resources[(RT_GROUP_ICON, "ID")]
        reserved, kind, count = struct.unpack_from("<HHH", group)
        self.assertEqual((reserved, kind, count), (0, 1, 9))
        self.assertEqual(len(group), 6 + 14 * count)
        for index, (size, length_of_bitmap) in enumerate(ICON_IMAGES):
            with self.subTest(size=size):
                width, height, colours, reserved, planes, bits, length, number = \
                    struct.unpack_from("<BBBBHHIH", group, 6 + 14 * index)
                side = 0 if size == 256 else size
                self.assertEqual((width, height, colours, reserved, planes, bits, number),
                                 (side, side, 0, 0, 1, 32, index + 1))
                (_, image), = self.resources[(RT_ICON, number)]
                self.assertEqual(length, len(image))
                if size == 256:
                    self.check_png(image)
                else:
                    self.assertEqual(len(image), length_of_bitmap)
                    self.check_bitmap(image, size)

    def check_png(self, image):
        with open(LARGEST_ICON, "rb") as artwork:
            self.assertEqual(image, artwork.read())
        self.assertEqual(image[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(image[12:16], b"IHDR")
        width, height, depth, colour, _, _, interlace = struct.unpack_from(">IIBBBBB", image, 16)
        # 8 bits per channel, colour type 6 (RGBA), not interlaced.
        self.assertEqual((width, height, depth, colour, interlace), (256, 256, 8, 6, 0))

    def check_bitmap(self, image, size):
        header, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", image)
        self.assertEqual((header, width, height, planes, bits, compression),
                         (40, size, 2 * size, 1, 32, 0))

    def test_version_block(self):
        self.assertEqual(len(self.resources[(RT_VERSION, 1)]), 1)
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual(
            (fixed.Signature, fixed.StrucVersion, fixed.FileVersionMS, fixed.FileVersionLS,
             fixed.ProductVersionMS, fixed.ProductVersionLS, fixed.FileFlagsMask, fixed.FileFlags,
             fixed.FileOS, fixed.FileType, fixed.FileSubtype, fixed.FileDateMS, fixed.FileDateLS),
            (0xFEEF04BD, 0x00010000, 0x00000000, 0x00020005, 0x00000000, 0x00020005,
             0, 0, 0, 0, 0, 0, 0))

        parts = {part.Key: part for part in self.pe.FileInfo[0]}
        self.assertEqual(set(parts), {b"StringFileInfo", b"VarFileInfo"})
        tables = parts[b"StringFileInfo"].StringTable
        self.assertEqual([table.LangID for table in tables], [b"080904E4"])
        self.assertEqual(list(tables[0].entries.items()), [
            (b"FileDescription", b"App feito para calcular notas de Vendrali"),
            (b"FileVersion", b"0.1"),
            (b"InternalName", b"CalculadoraVendrali"),
            (b"OriginalFilename", b"CalcVendrali.exe"),
            (b"ProductName", b"Calculadora de notas - Vendrali"),
            (b"ProductVersion", b"0.1"),
        ])
        variables = parts[b"VarFileInfo"].Var
        self.assertEqual([var.entry for var in variables], [{b"Translation": "0x0416 0x04e4"}])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
