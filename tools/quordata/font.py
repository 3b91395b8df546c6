"""Builds the Adore64 TrueType font from the pixel drawings in glyphs.py."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import calendar
import io

from fontTools.agl import UV2AGL
from fontTools.fontBuilder import FontBuilder
from fontTools.misc.timeTools import timestampSinceEpoch
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import newTable
from fontTools.ttLib.tables import ttProgram

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

# TrueType opcodes used by the hinting programs.
_SVTCA_Y, _SVTCA_X = 0x00, 0x01
_MDAP_ROUND = 0x2F
_NPUSHB, _PUSHB_1, _PUSHB_2, _PUSHW_1 = 0x40, 0xB0, 0xB1, 0xB8
_INSTCTRL, _SCANCTRL, _SCANTYPE = 0x8E, 0x85, 0x8D

# Control program: turn on dropout control and ask for native hinting
# (INSTCTRL selector 3), so that FreeType applies the glyphs' x moves too.
_PREP = bytes([
    _PUSHW_1, 0x01, 0xFF, _SCANCTRL,
    _PUSHB_1, 4, _SCANTYPE,
    _PUSHB_2, 4, 3, _INSTCTRL,
])


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


def _hinting_program(point_count):
    """Round every point to the pixel grid, first in y, then in x."""
    if point_count == 0:
        return b""
    if point_count > 255:
        raise ValueError("glyph has too many points to hint")
    code = bytearray()
    for axis in (_SVTCA_Y, _SVTCA_X):
        code += bytes([axis, _NPUSHB, point_count])
        code += bytes(range(point_count - 1, -1, -1))
        code += bytes([_MDAP_ROUND] * point_count)
    return bytes(code)


def _make_glyph(rows):
    """A hinted TrueType glyph made from a pixel drawing."""
    pen = TTGlyphPen(None)
    for contour in pixel_contours(rows):
        pen.moveTo((contour[0][0] * PIXEL, contour[0][1] * PIXEL))
        for x, y in contour[1:]:
            pen.lineTo((x * PIXEL, y * PIXEL))
        pen.closePath()
    glyph = pen.glyph()
    glyph.program = ttProgram.Program()
    count = len(glyph.coordinates) if glyph.numberOfContours else 0
    glyph.program.fromBytecode(_hinting_program(count))
    return glyph, count


def build_font():
    """The complete Adore64.ttf as bytes."""
    chars = sorted(glyphs.GLYPHS)
    order = [".notdef"] + [glyph_name(c) for c in chars]
    drawings = {".notdef": glyphs.NOTDEF_GLYPH}
    drawings.update({glyph_name(c): glyphs.GLYPHS[c] for c in chars})

    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({ord(c): glyph_name(c) for c in chars})
    built, most_points = {}, 0
    for name in order:
        built[name], count = _make_glyph(drawings[name])
        most_points = max(most_points, count)
    fb.setupGlyf(built)
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

    prep = newTable("prep")
    prep.program = ttProgram.Program()
    prep.program.fromBytecode(_PREP)
    fb.font["prep"] = prep
    gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x0005}  # grid-fit, no smoothing: crisp pixels
    fb.font["gasp"] = gasp

    maxp = fb.font["maxp"]
    maxp.maxZones = 1
    maxp.maxTwilightPoints = 0
    maxp.maxStorage = 0
    maxp.maxFunctionDefs = 0
    maxp.maxInstructionDefs = 0
    maxp.maxStackElements = max(most_points, 3)
    maxp.maxSizeOfInstructions = len(_hinting_program(most_points))

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
