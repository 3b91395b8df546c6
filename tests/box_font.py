"""Box fonts for the tests: every printable character is one solid rectangle, so a test knows
exactly which pixels a line of text covers."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
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
