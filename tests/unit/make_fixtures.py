#!/usr/bin/python3
"""Makes the font and the music that the unit tests put in their run directories.

The font draws every printable character as one solid box on a whole-pixel grid at 16 points,
so a test knows exactly which pixels a text covers. The music is a quarter-second tone, and a
noisy tone of two seconds, over several pages, for chains of streams as long as ordinary music
has them. Three
crafted variants of the font make SDL_ttf 2.0.11 write outside the text boxes it renders or give
it no box at all, and five more cost FreeType too much time or memory; the data file checks
must refuse them.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from box_font import make_box_font  # noqa: E402
from fontTools.pens.ttGlyphPen import TTGlyphPen  # noqa: E402
from fontTools.ttLib import TTFont, newTable  # noqa: E402
from fontTools.ttLib.tables import ttProgram  # noqa: E402
from fontTools.ttLib.tables._k_e_r_n import KernTable_format_0  # noqa: E402

UNITS_PER_EM = 1024
PIXEL = UNITS_PER_EM // 16  # one screen pixel at 16 points (72 dpi)
ADVANCE = 10 * PIXEL
BOX = (2 * PIXEL, 0, 8 * PIXEL, 10 * PIXEL)  # left, bottom, right, top
ASCENT = 14 * PIXEL
DESCENT = 4 * PIXEL


def make_font(path):
    make_box_font(path, "Boxes", UNITS_PER_EM, ADVANCE, BOX, ASCENT, DESCENT)


def make_crafted_fonts(out_dir, font_path):
    """"S" of "(S)tart Game" reaching up to the ascent, so that it is drawn into the box's first
    row: once with a box starting far left of its pen, once pulled left of the text box by a
    kerning pair; and an ascender of 0 over a descender above the baseline, which makes SDL_ttf's
    height negative."""
    def tall_s(font, left):
        pen = TTGlyphPen(None)
        pen.moveTo((left, 0))
        pen.lineTo((left, ASCENT))
        pen.lineTo((8 * PIXEL, ASCENT))
        pen.lineTo((8 * PIXEL, 0))
        pen.closePath()
        font["glyf"]["c83"] = pen.glyph()
        font["hmtx"]["c83"] = (ADVANCE, left)

    bearing = TTFont(font_path)
    tall_s(bearing, -2000)
    bearing.save(os.path.join(out_dir, "bearing.ttf"))

    kerned = TTFont(font_path)
    tall_s(kerned, 2 * PIXEL)
    kern = newTable("kern")
    kern.version = 0
    pairs = KernTable_format_0()
    pairs.version, pairs.coverage, pairs.format = 0, 1, 0
    pairs.kernTable = {("c40", "c83"): -3000}
    kern.kernTables = [pairs]
    kerned["kern"] = kern
    kerned.save(os.path.join(out_dir, "kerned.ttf"))

    flat = TTFont(font_path)
    flat["hhea"].ascent, flat["hhea"].descent = 0, 4 * PIXEL
    flat["OS/2"].sTypoAscender, flat["OS/2"].sTypoDescender = 0, 4 * PIXEL
    flat["OS/2"].usWinAscent = flat["OS/2"].usWinDescent = 0
    flat.save(os.path.join(out_dir, "flat.ttf"))


def make_costly_fonts(out_dir, font_path):
    """Fonts that FreeType would spend too long or too much memory on, each from the box font
    with one thing changed: "S" made of parts that are each made of two parts, six levels down
    (127 loads of glyphs), or of parts of one part each, ten levels down; a part made of itself;
    an "S" of 1100 points; a family that FreeType takes for a tricky font, whose hinting programs
    it runs whatever it is asked; and, accepted, the box font with a hinting program of its
    own."""
    from fontTools.ttLib.tables._g_l_y_f import Glyph, GlyphComponent

    def composite(parts):
        glyph = Glyph()
        glyph.numberOfContours = -1
        glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax = BOX
        glyph.components = []
        for part in parts:
            component = GlyphComponent()
            component.glyphName, component.x, component.y, component.flags = part, 0, 0, 0
            glyph.components.append(component)
        return glyph

    def with_parts(name, levels, copies, loop=False):
        # A glyph made of itself has no bounds to work out: the box's are written as they are.
        font = TTFont(font_path, recalcBBoxes=not loop)
        order = font.getGlyphOrder() + ["part%d" % level for level in range(levels)]
        font.setGlyphOrder(order)
        glyf = font["glyf"]
        glyf.glyphOrder = order
        for level in range(levels):
            below = "part%d" % (level + 1) if level + 1 < levels else "c84"
            glyf["part%d" % level] = composite([below] * copies)
            font["hmtx"]["part%d" % level] = (ADVANCE, 0)
        glyf["c83"] = composite(["part0"] * copies)
        if loop:
            glyf["part%d" % (levels - 1)] = composite(["c83"])
        font["maxp"].numGlyphs = len(order)
        font.save(os.path.join(out_dir, name))

    with_parts("branching.ttf", 6, 2)
    with_parts("deep.ttf", 10, 1)
    with_parts("looped.ttf", 2, 1, loop=True)

    jagged = TTFont(font_path)
    pen = TTGlyphPen(None)
    pen.moveTo((0, 0))
    for n in range(1, 1100):
        pen.lineTo((n * 600 // 1100, ASCENT if n % 2 else 0))
    pen.closePath()
    jagged["glyf"]["c83"] = pen.glyph()
    jagged.save(os.path.join(out_dir, "jagged.ttf"))

    tricky = TTFont(font_path)
    tricky["name"].setName("MingLiU Boxes", 1, 3, 1, 0x409)
    tricky.save(os.path.join(out_dir, "tricky.ttf"))

    hinted = TTFont(font_path)
    hinted["prep"] = newTable("prep")
    hinted["prep"].program = ttProgram.Program()
    hinted["prep"].program.fromBytecode(bytes([0xB0, 0x00, 0x21]))  # PUSHB 0, POP
    hinted.save(os.path.join(out_dir, "hinted.ttf"))


def make_music(path, seconds=0.25, noise=0):
    rate = 22050
    frames = int(rate * seconds)
    samples = bytearray()
    hiss = random.Random(seconds)
    for n in range(frames):
        value = int(8000 * math.sin(2 * math.pi * 440 * n / rate))
        value += hiss.randint(-noise, noise) if noise else 0
        samples += struct.pack("<hh", value, value)
    with tempfile.TemporaryDirectory() as scratch:
        wav_path = os.path.join(scratch, "tone.wav")
        with wave.open(wav_path, "wb") as out:
            out.setnchannels(2)
            out.setsampwidth(2)
            out.setframerate(rate)
            out.writeframes(bytes(samples))
        subprocess.run(["oggenc", "-Q", "-s", "1", "-o", path, wav_path], check=True)


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    make_font(os.path.join(out_dir, "boxes.ttf"))
    make_crafted_fonts(out_dir, os.path.join(out_dir, "boxes.ttf"))
    make_costly_fonts(out_dir, os.path.join(out_dir, "boxes.ttf"))
    make_music(os.path.join(out_dir, "tone.ogg"))
    make_music(os.path.join(out_dir, "song.ogg"), 2.0, 4000)


if __name__ == "__main__":
    main()
