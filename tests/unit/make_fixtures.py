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
from box_font import (make_box_font, read_directory, read_to_the_end_of_glyf,  # noqa: E402
                      write_directory)
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
    jagged["glyf"]["c83"] = zigzag(1100)
    jagged.save(os.path.join(out_dir, "jagged.ttf"))

    tricky = TTFont(font_path)
    tricky["name"].setName("MingLiU Boxes", 1, 3, 1, 0x409)
    tricky.save(os.path.join(out_dir, "tricky.ttf"))

    hinted = TTFont(font_path)
    hinted["prep"] = newTable("prep")
    hinted["prep"].program = ttProgram.Program()
    hinted["prep"].program.fromBytecode(bytes([0xB0, 0x00, 0x21]))  # PUSHB 0, POP
    hinted.save(os.path.join(out_dir, "hinted.ttf"))


def zigzag(points):
    """A glyph of one contour of `points` points, zigzagging along the baseline."""
    pen = TTGlyphPen(None)
    pen.moveTo((0, 0))
    for n in range(1, points):
        pen.lineTo((n * 600 // points, ASCENT if n % 2 else 0))
    pen.closePath()
    return pen.glyph()


def make_edge_fonts(out_dir, font_path):
    """Fonts at the edges of the outline checks, each from the box font: an "S" of 1024 points
    and one of 1025; "(" made of parts eight levels deep, or nine, and then "S" made of "(", so
    that it reaches that depth through a glyph walked before it (parts one level deeper than
    "(" alone); the last glyph, "~", of 1100 points whose location runs past the glyph table,
    where FreeType reads it to the table's end; the same with the glyph count one more than
    the locations and an empty table right after them, which keeps FreeType from reading the
    locations on and "~" the last glyph; an empty glyph table entry before the real one, which
    FreeType then ignores; an empty one after it, right after the locations, which FreeType
    drops, so that it reads one location more, from the padding after them, and with it a glyph
    of 1100 points beyond the glyph count; and an "S" read as 100 KiB."""
    from fontTools.ttLib.tables._g_l_y_f import Glyph, GlyphComponent

    for points in (1024, 1025):
        font = TTFont(font_path)
        font["glyf"]["c83"] = zigzag(points)
        font.save(os.path.join(out_dir, "points%d.ttf" % points))

    def part(name):
        glyph = Glyph()
        glyph.numberOfContours = -1
        component = GlyphComponent()
        component.glyphName, component.x, component.y, component.flags = name, 0, 0, 0
        glyph.components = [component]
        return glyph

    for depth in (8, 9):
        font = TTFont(font_path)
        order = font.getGlyphOrder() + ["part%d" % level for level in range(depth - 2)]
        font.setGlyphOrder(order)
        glyf = font["glyf"]
        glyf.glyphOrder = order
        glyf["c40"] = part("part0")
        for level in range(depth - 2):
            glyf["part%d" % level] = part("part%d" % (level + 1) if level + 3 < depth else "c84")
            font["hmtx"]["part%d" % level] = (ADVANCE, 0)
        glyf["c83"] = part("c40")
        font["maxp"].numGlyphs = len(order)
        font.save(os.path.join(out_dir, "walked%d.ttf" % depth))

    font = TTFont(font_path)
    font["glyf"]["c126"] = zigzag(1100)
    font.save(os.path.join(out_dir, "pastglyf.ttf"))
    data = bytearray(open(os.path.join(out_dir, "pastglyf.ttf"), "rb").read())
    entries = read_directory(data)
    tables = {entry[0]: entry for entry in entries}
    glyphs = struct.unpack_from(">H", data, tables[b"maxp"][2] + 4)[0]
    locations = tables[b"loca"]
    assert glyphs % 2 == 0, "the locations are to end 2 bytes before the next table"
    struct.pack_into(">H", data, locations[2] + 2 * glyphs, (tables[b"glyf"][3] + 2) // 2)
    with open(os.path.join(out_dir, "pastglyf.ttf"), "wb") as out:
        out.write(bytes(data))
    struct.pack_into(">H", data, tables[b"maxp"][2] + 4, glyphs + 1)
    empty = [b"DSIG", 0, locations[2] + locations[3], 0]
    with open(os.path.join(out_dir, "locaroom.ttf"), "wb") as out:
        out.write(write_directory(bytes(data), entries + [empty]))

    jagged = open(os.path.join(out_dir, "jagged.ttf"), "rb").read()
    entries = read_directory(jagged)
    at = next(n for n, entry in enumerate(entries) if entry[0] == b"glyf")
    empty = [b"glyf", 0, entries[at][2], 0]
    with open(os.path.join(out_dir, "emptybefore.ttf"), "wb") as out:
        out.write(write_directory(jagged, entries[:at] + [empty] + entries[at:]))

    # A 97th glyph, of 1100 points, after the last one in a glyph table moved to the end of the
    # file, reached only when FreeType takes one location more than the table's, from the
    # padding after it, zero: it then reads the glyph backwards, to the table's end.
    tables = {entry[0]: entry for entry in entries}
    loca, glyf = tables[b"loca"][2], tables[b"glyf"][2]
    start, end = (2 * struct.unpack_from(">H", jagged, loca + 2 * n)[0] for n in (52, 53))
    data = bytearray(open(font_path, "rb").read())
    entries = read_directory(data)
    tables = {entry[0]: entry for entry in entries}
    moved = bytes(data[tables[b"glyf"][2]:][:tables[b"glyf"][3]]) + jagged[glyf + start:glyf + end]
    data += bytes(-len(data) % 4)
    tables[b"glyf"][2:] = [len(data), len(moved)]
    data += moved
    struct.pack_into(">H", data, tables[b"maxp"][2] + 4, 97)
    at = entries.index(tables[b"glyf"])
    empty = [b"glyf", 0, tables[b"loca"][2] + tables[b"loca"][3], 0]
    with open(os.path.join(out_dir, "emptyafter.ttf"), "wb") as out:
        out.write(write_directory(bytes(data), entries[:at + 1] + [empty] + entries[at + 1:]))

    heavy = os.path.join(out_dir, "heavy.ttf")
    font = TTFont(font_path)
    font.save(heavy)
    read_to_the_end_of_glyf(heavy, font.getGlyphID("c83"), 100 * 1024)


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
    make_edge_fonts(out_dir, os.path.join(out_dir, "boxes.ttf"))
    make_music(os.path.join(out_dir, "tone.ogg"))
    make_music(os.path.join(out_dir, "song.ogg"), 2.0, 4000)


if __name__ == "__main__":
    main()
