"""Builds the Adore64 TrueType font from the pixel drawings in glyphs.py."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import calendar
import io
import struct

from fontTools.agl import UV2AGL
from fontTools.fontBuilder import FontBuilder
from fontTools.misc.timeTools import timestampSinceEpoch
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib.tables.DefaultTable import DefaultTable

from . import glyphs
from .licence import COPYRIGHT, FONT_LICENCE, FONT_LICENCE_URL

FAMILY = "Adore64"
VERSION = "1.000"
# Eight font pixels to the em: at 16 px per em each one covers 2x2 screen
# pixels, so the grid lands on whole pixels at the menu's 16 points.
UNITS_PER_EM = 1024
PIXEL = UNITS_PER_EM // glyphs.CELL_WIDTH
# Two empty pixel rows above the capitals balance the descender space
# below, so a line of text sits centred in its shaded box.
ASCENT = (glyphs.ROWS_ABOVE + 2) * PIXEL
DESCENT = glyphs.ROWS_BELOW * PIXEL
# Fixed so that every build of the font is byte-identical.
TIMESTAMP = timestampSinceEpoch(calendar.timegm((2026, 1, 1, 0, 0, 0)))

# The sizes at which the program draws its text, in pixels per em (SDL_ttf's
# points at 72 dpi): the font carries a bitmap of every glyph at each of them,
# which FreeType draws in place of the outline, in black and white only. At 12
# a font pixel is one and a half screen pixels, so the outline alone would be
# drawn with grey edges.
STRIKE_SIZES = (12, 16)


def glyph_name(char):
    """The Adobe Glyph List name of an ASCII character ("A", "space")."""
    return UV2AGL[ord(char)]


def pixel_contours(rows):
    """Outline the lit pixels of a drawing as clockwise lattice contours.

    Each contour is a list of (x, y) lattice points, y growing upwards from
    the baseline, with straight runs merged into single edges.
    """
    lit = set()
    for r, row in enumerate(rows):
        for c, mark in enumerate(row):
            if mark == "#":
                lit.add((c, glyphs.ROWS_ABOVE - 1 - r))
    edges = {}
    for x, y in sorted(lit):
        # Clockwise sides, each kept only where the neighbour is dark.
        sides = (
            ((x - 1, y), (x, y), (x, y + 1)),
            ((x, y + 1), (x, y + 1), (x + 1, y + 1)),
            ((x + 1, y), (x + 1, y + 1), (x + 1, y)),
            ((x, y - 1), (x + 1, y), (x, y)),
        )
        for neighbour, start, end in sides:
            if neighbour not in lit:
                edges.setdefault(start, []).append(end)
    contours = []
    while edges:
        start = min(edges)
        points, here, heading = [start], start, None
        while True:
            ends = edges[here]
            end = _sharpest_right(here, heading, ends) if heading else ends[0]
            ends.remove(end)
            if not ends:
                del edges[here]
            heading = (end[0] - here[0], end[1] - here[1])
            here = end
            if here == start:
                break
            points.append(here)
        contours.append(_merge_straight(points))
    return contours


def _sharpest_right(here, heading, ends):
    """Of the ways on from a corner, the one turning furthest right.

    Turning right at a corner shared by two diagonal pixels keeps each
    pixel in its own contour, so no outline touches itself.
    """
    def turn(end):
        """Cross product of heading and step: negative for a right turn."""
        step = (end[0] - here[0], end[1] - here[1])
        return heading[0] * step[1] - heading[1] * step[0]
    return min(ends, key=turn)


def _merge_straight(points):
    """Drop points that lie on a straight run between their neighbours."""
    kept = []
    count = len(points)
    for i, (x, y) in enumerate(points):
        px, py = points[i - 1]
        nx, ny = points[(i + 1) % count]
        if (x - px) * (ny - y) != (y - py) * (nx - x):
            kept.append((x, y))
    return kept


def _make_glyph(rows):
    """A TrueType glyph made from a pixel drawing, without instructions."""
    pen = TTGlyphPen(None)
    for contour in pixel_contours(rows):
        pen.moveTo((contour[0][0] * PIXEL, contour[0][1] * PIXEL))
        for x, y in contour[1:]:
            pen.lineTo((x * PIXEL, y * PIXEL))
        pen.closePath()
    return pen.glyph()


def _screen_edge(lattice, ppem):
    """Where the font pixels' lattice line `lattice` falls at `ppem` pixels per
    em: scaled, and rounded to the nearest screen pixel edge, halves away from
    zero, as rounding the outline's points to the pixel grid puts it."""
    scaled = abs(lattice) * ppem * 2 // glyphs.CELL_WIDTH  # twice the edge
    return (scaled + 1) // 2 * (1 if lattice >= 0 else -1)


def _bitmap_image(rows, ppem):
    """The embedded bitmap of a drawing at `ppem`, in the image format 1 of
    the EBDT table: small metrics (height, width, left and top bearings,
    advance), then the rows from the top, each a whole number of bytes, the
    leftmost pixel in the highest bit. The bitmap is cut to its lit pixels, so
    its metrics are those of the outline rounded to the grid."""
    lit = set()
    for r, row in enumerate(rows):
        for c, mark in enumerate(row):
            if mark != "#":
                continue
            bottom = glyphs.ROWS_ABOVE - 1 - r
            for x in range(_screen_edge(c, ppem), _screen_edge(c + 1, ppem)):
                for y in range(_screen_edge(bottom, ppem),
                               _screen_edge(bottom + 1, ppem)):
                    lit.add((x, y))
    if not lit:
        return struct.pack(">BBbbB", 0, 0, 0, 0, ppem)
    left = min(x for x, _ in lit)
    width = max(x for x, _ in lit) + 1 - left
    top = max(y for _, y in lit) + 1
    height = top - min(y for _, y in lit)
    image = bytearray(struct.pack(">BBbbB", height, width, left, top, ppem))
    for y in range(top - 1, top - 1 - height, -1):
        row = bytearray((width + 7) // 8)
        for x in range(width):
            if (left + x, y) in lit:
                row[x // 8] |= 0x80 >> (x % 8)
        image += row
    return bytes(image)


def _line_metrics(images, ppem):
    """A strike's horizontal sbitLineMetrics, from its glyphs' small metrics."""
    heights, widths, lefts, tops, advances = zip(
        *(struct.unpack_from(">BBbbB", image) for image in images))
    return struct.pack(
        ">bbBbbbbbbbbb",
        -(-ASCENT * ppem // UNITS_PER_EM), -(DESCENT * ppem // UNITS_PER_EM),
        max(widths), 1, 0, 0, min(lefts),
        min(a - l - w for a, l, w in zip(advances, lefts, widths)),
        max(tops), min(t - h for t, h in zip(tops, heights)), 0, 0)


def _bitmap_tables(drawings):
    """The EBLC and EBDT tables of the embedded bitmaps: one strike for each of
    STRIKE_SIZES, each with one index subtable of format 1 (an offset for each
    glyph) over all the glyphs, whose images are of format 1, one bit a
    pixel."""
    strikes = len(STRIKE_SIZES)
    locations = bytearray(struct.pack(">II", 0x00020000, strikes))
    subtables = bytearray()
    data = bytearray(struct.pack(">I", 0x00020000))
    for ppem in STRIKE_SIZES:
        images = [_bitmap_image(rows, ppem) for rows in drawings]
        array_offset = 8 + 48 * strikes + len(subtables)
        # The subtable array's one record, then the subtable it points to.
        subtable = bytearray(struct.pack(">HHI", 0, len(images) - 1, 8))
        subtable += struct.pack(">HHI", 1, 1, len(data))
        offset = 0
        for image in images:
            subtable += struct.pack(">I", offset)
            offset += len(image)
        subtable += struct.pack(">I", offset)
        data += b"".join(images)
        locations += struct.pack(">III", array_offset, len(subtable), 1)
        locations += struct.pack(">I", 0) + _line_metrics(images, ppem)
        locations += bytes(12)  # no vertical metrics
        locations += struct.pack(">HHBBBb", 0, len(images) - 1, ppem, ppem, 1,
                                 1)
        subtables += subtable
    eblc = DefaultTable("EBLC")
    eblc.data = bytes(locations + subtables)
    ebdt = DefaultTable("EBDT")
    ebdt.data = bytes(data)
    return eblc, ebdt


def build_font():
    """The complete Adore64.ttf as bytes."""
    chars = sorted(glyphs.GLYPHS)
    order = [".notdef"] + [glyph_name(c) for c in chars]
    drawings = {".notdef": glyphs.NOTDEF_GLYPH}
    drawings.update({glyph_name(c): glyphs.GLYPHS[c] for c in chars})

    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({ord(c): glyph_name(c) for c in chars})
    fb.setupGlyf({name: _make_glyph(drawings[name]) for name in order})
    glyf = fb.font["glyf"]
    fb.setupHorizontalMetrics({
        name: (UNITS_PER_EM, getattr(glyf[name], "xMin", 0)) for name in order
    })
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT, lineGap=0)
    fb.setupNameTable({
        "copyright": COPYRIGHT,
        "familyName": FAMILY,
        "styleName": "Regular",
        "uniqueFontIdentifier": "%s;QRVN;%s-Regular" % (VERSION, FAMILY),
        "fullName": FAMILY + " Regular",
        "version": "Version " + VERSION,
        "psName": FAMILY + "-Regular",
        "manufacturer": "The Quorvane developers",
        "designer": "The Quorvane developers",
        "description": "A pixel typeface on an 8 by 8 grid, drawn for the "
                       "Quorvane game front end.",
        "licenseDescription": FONT_LICENCE,
        "licenseInfoURL": FONT_LICENCE_URL,
    })
    fb.setupOS2(
        version=4, achVendID="QRVN", fsType=0, fsSelection=0x0040,
        usWeightClass=400, usWidthClass=5,
        sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0,
        usWinAscent=ASCENT, usWinDescent=DESCENT,
        sxHeight=5 * PIXEL, sCapHeight=7 * PIXEL,
        yStrikeoutSize=PIXEL, yStrikeoutPosition=3 * PIXEL,
        ulCodePageRange1=1,
        usFirstCharIndex=ord(chars[0]), usLastCharIndex=ord(chars[-1]),
        panose=_monospaced_panose(),
    )
    fb.setupPost(isFixedPitch=1, underlinePosition=-PIXEL,
                 underlineThickness=PIXEL)
    fb.updateHead(created=TIMESTAMP, modified=TIMESTAMP, fontRevision=1.0,
                  flags=0x000B, lowestRecPPEM=8)

    fb.font["EBLC"], fb.font["EBDT"] = _bitmap_tables(
        [drawings[name] for name in order])

    # No hinting programs: FreeType draws the bitmaps at their sizes, and
    # fits the outlines at any other size with its own auto-hinter.
    maxp = fb.font["maxp"]
    maxp.maxZones = 1
    maxp.maxTwilightPoints = 0
    maxp.maxStorage = 0
    maxp.maxFunctionDefs = 0
    maxp.maxInstructionDefs = 0
    maxp.maxStackElements = 0
    maxp.maxSizeOfInstructions = 0

    out = io.BytesIO()
    fb.save(out)
    return out.getvalue()


def _monospaced_panose():
    """PANOSE record saying: a text face of regular weight, monospaced."""
    from fontTools.ttLib.tables.O_S_2f_2 import Panose
    panose = Panose()
    for field in ("bSerifStyle", "bContrast", "bStrokeVariation",
                  "bArmStyle", "bLetterForm", "bMidline", "bXHeight"):
        setattr(panose, field, 0)
    panose.bFamilyType = 2
    panose.bWeight = 5
    panose.bProportion = 9
    return panose
