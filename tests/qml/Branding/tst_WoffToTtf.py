"""The unpacking of the Branding fonts: a web font (WOFF) made here from a DejaVu
font goes through qml/Branding/fonts/woff_to_ttf.py, and the TrueType file that
comes out is read back with fontTools.

Usage: tst_WoffToTtf.py <path of woff_to_ttf.py>
"""
import os
import subprocess
import sys
import tempfile
import unittest

from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
CONVERTER = sys.argv.pop(1) if len(sys.argv) > 1 else None


def name(font, name_id):
    record = font["name"].getName(name_id, 3, 1, 0x409)
    return record.toUnicode() if record else None


class WoffToTtf(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, file_name):
        return os.path.join(self.folder.name, file_name)

    # Like the web fonts of the npm registry, it carries only the legacy names unless given.
    def web_font(self, typographic_names=None):
        font = TTFont(SOURCE)
        font["name"].removeNames(nameID=16)
        font["name"].removeNames(nameID=17)
        if typographic_names:
            font["name"].setName(typographic_names[0], 16, 3, 1, 0x409)
            font["name"].setName(typographic_names[1], 17, 3, 1, 0x409)
        font.flavor = "woff"
        font.save(self.path("in.woff"))
        return self.path("in.woff")

    def convert(self, *arguments):
        return subprocess.run([sys.executable, CONVERTER, *arguments], capture_output=True, text=True)

    def test_unpacks_and_names_the_face(self):
        result = self.convert(self.web_font(), self.path("out.ttf"), "Branding Sans", "SemiBold")
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(self.path("out.ttf"), "rb") as file:
            self.assertEqual(file.read(4), b"\x00\x01\x00\x00")  # TrueType, no longer wOFF
        font = TTFont(self.path("out.ttf"))
        self.assertEqual(name(font, 16), "Branding Sans")
        self.assertEqual(name(font, 17), "SemiBold")
        self.assertEqual(name(font, 1), name(TTFont(SOURCE), 1))
        self.assertEqual(font.getGlyphOrder(), TTFont(SOURCE).getGlyphOrder())

    def test_without_names_only_unpacks(self):
        result = self.convert(self.web_font(), self.path("out.ttf"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIsNone(name(TTFont(self.path("out.ttf")), 16))

    def test_own_typographic_names_stay(self):
        result = self.convert(self.web_font(("Own", "Heavy")), self.path("out.ttf"), "Branding Sans", "Bold")
        self.assertEqual(result.returncode, 0, result.stderr)
        font = TTFont(self.path("out.ttf"))
        self.assertEqual((name(font, 16), name(font, 17)), ("Own", "Heavy"))

    def test_refuses_what_is_no_font(self):
        with open(self.path("broken.woff"), "wb") as file:
            file.write(b"wOFF" + b"\x00" * 20)
        result = self.convert(self.path("broken.woff"), self.path("out.ttf"), "Branding Sans", "Bold")
        self.assertEqual(result.returncode, 1)
        self.assertIn("broken.woff", result.stderr)
        self.assertEqual(self.convert().returncode, 2)


if __name__ == "__main__":
    unittest.main()
