"""Box fonts for the tests: every printable character is one solid rectangle, so a test knows
exactly which pixels a line of text covers; and the edits of a font's bytes that crafted fonts
need beyond what fontTools writes."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import struct

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen


def _box_glyph(left, bottom, right, top):
    pen = TTGlyphPen(None)
    pen.moveTo((left, bottom))
    pen.lineTo((left, top))
    pen.lineTo((right, top))
    pen.lineTo((right, bottom))
    pen.closePath()
    return pen.glyph()


def make_box_font(path, family, units_per_em, advance, box, ascent, descent):
    """Writes a TrueType font whose characters 33 to 126 are each the rectangle `box` (left,
    bottom, right, top in font units) in a cell `advance` wide; the space is empty."""
    names = [".notdef", "space"] + ["c%d" % code for code in range(33, 127)]
    builder = FontBuilder(units_per_em, isTTF=True)
    builder.setupGlyphOrder(names)
    cmap = {32: "space"}
    cmap.update({code: "c%d" % code for code in range(33, 127)})
    builder.setupCharacterMap(cmap)
    glyphs = {name: _box_glyph(*box) for name in names}
    glyphs["space"] = TTGlyphPen(None).glyph()
    builder.setupGlyf(glyphs)
    builder.setupHorizontalMetrics({name: (advance, 0) for name in names})
    builder.setupHorizontalHeader(ascent=ascent, descent=-descent)
    builder.setupNameTable({"familyName": family, "styleName": "Regular"})
    builder.setupOS2(sTypoAscender=ascent, sTypoDescender=-descent, usWinAscent=ascent,
                     usWinDescent=descent)
    builder.setupPost()
    builder.save(path)


def read_directory(data):
    """The table directory of a font's bytes: [tag, checksum, offset, length] for each entry, in
    the directory's order."""
    count = struct.unpack_from(">H", data, 4)[0]
    return [list(struct.unpack_from(">4sIII", data, 12 + 16 * n)) for n in range(count)]


def write_directory(data, entries):
    """The font's bytes with the table directory made of `entries` (as read_directory gives
    them, offsets counted in `data`): the tables follow the new directory, moved as far as it
    grows."""
    body = data[12 + 16 * len(read_directory(data)):]
    shift = 16 * (len(entries) - len(read_directory(data)))
    out = bytearray(data[:12])
    struct.pack_into(">H", out, 4, len(entries))
    for tag, checksum, offset, length in entries:
        out += struct.pack(">4sIII", tag, checksum, offset + shift, length)
    return bytes(out + body)


def read_to_the_end_of_glyf(path, glyph, padding):
    """Rewrites the font at path so that FreeType reads glyph number `glyph` as `padding` bytes
    of zeros longer: the glyph table moves to the end of the file with the zeros after it, and
    the glyph's location entry after its own is made 0, so that its locations run backwards and
    FreeType reads the glyph to the end of the table. The font must have short locations."""
    data = bytearray(open(path, "rb").read())
    entries = read_directory(data)
    tables = {entry[0]: entry for entry in entries}
    assert struct.unpack_from(">h", data, tables[b"head"][2] + 50)[0] == 0
    glyf = tables[b"glyf"]
    moved = bytes(data[glyf[2]:glyf[2] + glyf[3]]) + bytes(padding)
    data += bytes(-len(data) % 4)
    glyf[2], glyf[3] = len(data), len(moved)
    data += moved
    struct.pack_into(">H", data, tables[b"loca"][2] + 2 * (glyph + 1), 0)
    with open(path, "wb") as out:
        out.write(write_directory(bytes(data), entries))
