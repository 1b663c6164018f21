#!/usr/bin/env python3
"""Unpacks a WOFF font into the plain TrueType/OpenType file it wraps, with fontTools
(Debian's python3-fonttools).

The font packages of the npm registry ship web fonts only; Qt's font database
wants the sfnt form. The web fonts carry only the legacy family name ("Poppins
SemiBold", style "Regular"), which groups at most four styles under one family.
Given a family and a style, the unpacked font also gets the typographic family
and subfamily names that the published TrueType files carry ("Poppins",
"SemiBold"), so that asking for the family with a weight finds the matching face;
a font that has typographic names already keeps its own.

Usage: woff_to_ttf.py <input.woff> <output.ttf> [<family> <style>]
"""

import sys

from fontTools.ttLib import TTFont, TTLibError

TYPOGRAPHIC_FAMILY = 16
TYPOGRAPHIC_SUBFAMILY = 17
WINDOWS_PLATFORM, UNICODE_BMP, ENGLISH_US = 3, 1, 0x409


def add_typographic_names(font, family, style):
    names = font["name"]
    if any(record.nameID in (TYPOGRAPHIC_FAMILY, TYPOGRAPHIC_SUBFAMILY) for record in names.names):
        return
    names.setName(family, TYPOGRAPHIC_FAMILY, WINDOWS_PLATFORM, UNICODE_BMP, ENGLISH_US)
    names.setName(style, TYPOGRAPHIC_SUBFAMILY, WINDOWS_PLATFORM, UNICODE_BMP, ENGLISH_US)


def main(argv):
    if len(argv) not in (3, 5):
        sys.stderr.write(__doc__)
        return 2
    try:
        font = TTFont(argv[1])
        font.flavor = None  # the sfnt form, no longer wrapped
        if len(argv) == 5:
            add_typographic_names(font, argv[3], argv[4])
        font.save(argv[2])
    except (OSError, TTLibError, KeyError) as error:
        sys.stderr.write("%s: %s\n" % (argv[1], error))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
