#!/usr/bin/env python3
"""Unpacks a WOFF 1.0 font into the plain TrueType/OpenType file it wraps.

The font packages of the npm registry ship web fonts only; Qt's font database
wants the sfnt form. WOFF 1.0 is a table directory whose tables are either
stored as they are or zlib-compressed, so unpacking needs nothing beyond the
standard library.

The web fonts carry only the legacy family name ("Poppins SemiBold", style
"Regular"), which groups at most four styles under one family. Given a family
and a style, the unpacked font also gets the typographic family and subfamily
names that the published TrueType files carry ("Poppins", "SemiBold"), so that
asking for the family with a weight finds the matching face.

Usage: woff_to_ttf.py <input.woff> <output.ttf> [<family> <style>]
"""

import struct
import sys
import zlib

WOFF_SIGNATURE = b"wOFF"
WOFF_HEADER = struct.Struct(">4sIIHHIHHIIIII")  # 44 bytes
WOFF_TABLE_ENTRY = struct.Struct(">4sIIII")     # tag, offset, compLength, origLength, origChecksum
SFNT_HEADER = struct.Struct(">IHHHH")           # flavor, numTables, searchRange, entrySelector, rangeShift
SFNT_TABLE_RECORD = struct.Struct(">4sIII")     # tag, checksum, offset, length
NAME_HEADER = struct.Struct(">HHH")             # format, count, stringOffset
NAME_RECORD = struct.Struct(">HHHHHH")          # platform, encoding, language, nameID, length, offset

TYPOGRAPHIC_FAMILY = 16
TYPOGRAPHIC_SUBFAMILY = 17
WINDOWS_PLATFORM, UNICODE_BMP, ENGLISH_US = 3, 1, 0x409


class WoffError(Exception):
    pass


def padded(length):
    return (length + 3) & ~3


def table_checksum(table):
    data = table + b"\0" * (padded(len(table)) - len(table))
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def with_typographic_names(name_table, family, style):
    """The name table with typographic family and subfamily records added,
    unless it has them already (then it is returned unchanged)."""
    if len(name_table) < NAME_HEADER.size:
        raise WoffError("name table too short")
    name_format, count, string_offset = NAME_HEADER.unpack_from(name_table, 0)
    if name_format != 0:
        return name_table
    if NAME_HEADER.size + count * NAME_RECORD.size > len(name_table):
        raise WoffError("name records run past the name table")
    records = []
    for index in range(count):
        platform, encoding, language, name_id, length, offset = NAME_RECORD.unpack_from(
            name_table, NAME_HEADER.size + index * NAME_RECORD.size)
        start = string_offset + offset
        if start + length > len(name_table):
            raise WoffError("name string runs past the name table")
        if name_id in (TYPOGRAPHIC_FAMILY, TYPOGRAPHIC_SUBFAMILY):
            return name_table
        records.append(((platform, encoding, language, name_id), name_table[start:start + length]))
    records.append(((WINDOWS_PLATFORM, UNICODE_BMP, ENGLISH_US, TYPOGRAPHIC_FAMILY),
                    family.encode("utf-16-be")))
    records.append(((WINDOWS_PLATFORM, UNICODE_BMP, ENGLISH_US, TYPOGRAPHIC_SUBFAMILY),
                    style.encode("utf-16-be")))
    records.sort(key=lambda record: record[0])

    header = NAME_HEADER.pack(0, len(records), NAME_HEADER.size + len(records) * NAME_RECORD.size)
    directory, storage = bytearray(), bytearray()
    for (platform, encoding, language, name_id), text in records:
        directory += NAME_RECORD.pack(platform, encoding, language, name_id, len(text), len(storage))
        storage += text
    return header + bytes(directory) + bytes(storage)


def unpack_woff(data, family=None, style=None):
    if len(data) < WOFF_HEADER.size:
        raise WoffError("file shorter than a WOFF header")
    (signature, flavor, length, num_tables, _reserved, _total_sfnt_size,
     _major, _minor, _meta_offset, _meta_length, _meta_orig_length,
     _priv_offset, _priv_length) = WOFF_HEADER.unpack_from(data, 0)
    if signature != WOFF_SIGNATURE:
        raise WoffError("not a WOFF 1.0 file")
    if length != len(data):
        raise WoffError("declared length %d differs from the file size %d" % (length, len(data)))
    directory_end = WOFF_HEADER.size + num_tables * WOFF_TABLE_ENTRY.size
    if num_tables == 0 or directory_end > len(data):
        raise WoffError("table directory runs past the end of the file")

    tables = []
    for index in range(num_tables):
        tag, offset, comp_length, orig_length, checksum = WOFF_TABLE_ENTRY.unpack_from(
            data, WOFF_HEADER.size + index * WOFF_TABLE_ENTRY.size)
        if offset + comp_length > len(data) or comp_length > orig_length:
            raise WoffError("table %r lies outside the file" % tag)
        stored = data[offset:offset + comp_length]
        table = zlib.decompress(stored) if comp_length < orig_length else stored
        if len(table) != orig_length:
            raise WoffError("table %r unpacks to the wrong size" % tag)
        if tag == b"name" and family:
            table = with_typographic_names(table, family, style)
            checksum = table_checksum(table)
        tables.append((tag, checksum, table))

    tables.sort(key=lambda entry: entry[0])
    entry_selector = max(num_tables.bit_length() - 1, 0)
    search_range = (1 << entry_selector) * 16
    out = bytearray(SFNT_HEADER.pack(flavor, num_tables, search_range, entry_selector,
                                     num_tables * 16 - search_range))
    offset = SFNT_HEADER.size + num_tables * SFNT_TABLE_RECORD.size
    for tag, checksum, table in tables:
        out += SFNT_TABLE_RECORD.pack(tag, checksum, offset, len(table))
        offset += padded(len(table))
    for _tag, _checksum, table in tables:
        out += table + b"\0" * (padded(len(table)) - len(table))
    return bytes(out)


def main(argv):
    if len(argv) not in (3, 5):
        sys.stderr.write(__doc__)
        return 2
    family, style = (argv[3], argv[4]) if len(argv) == 5 else (None, None)
    try:
        with open(argv[1], "rb") as source:
            font = unpack_woff(source.read(), family, style)
    except (OSError, WoffError, zlib.error) as error:
        sys.stderr.write("%s: %s\n" % (argv[1], error))
        return 1
    with open(argv[2], "wb") as target:
        target.write(font)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
