// Fuzz target of the font: the input is the font file, drawn with the texts of the menu (16
// points) and of the quit confirmation (12 points) as those screens draw them.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/fuzz/fuzz_support.h"

#include "services/datafile.h"

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace {

constexpr char fontPath[] = "Adore64.ttf";

// The most table records read for features; a real font has a few dozen.
constexpr long long maxTables = 64;

// The tables that FreeType and SDL_ttf read, by their tags.
constexpr char tableTags[][5] = {"head", "hhea", "hmtx", "maxp", "cmap", "loca", "glyf", "name",
                                 "post", "OS/2", "kern", "CFF ", "fpgm", "prep", "cvt ", "gasp",
                                 "vhea", "vmtx", "EBLC", "EBDT", "GPOS", "GSUB", "hdmx", "VORG"};

// The tag as a big-endian number.
long long tagValue(const char (&tag)[5]) {
    return fieldBe(reinterpret_cast<const std::uint8_t*>(tag), 4, 0, 4);
}

// The index of a tag among those above, or -1 for any other.
long long knownTag(long long tag) {
    for (std::size_t i = 0; i < std::size(tableTags); ++i) {
        if (tagValue(tableTags[i]) == tag) {
            return static_cast<long long>(i);
        }
    }
    return -1;
}

// The offset of the table with this tag, or -1 when the directory has none.
long long tableOffset(const std::uint8_t* data, std::size_t size, const char (&tag)[5]) {
    const long long wanted = tagValue(tag);
    const long long count = fieldBe(data, size, 4, 2);
    for (long long i = 0; i < count && i < maxTables; ++i) {
        const auto record = static_cast<std::size_t>(12 + 16 * i);
        if (fieldBe(data, size, record, 4) == wanted) {
            return fieldBe(data, size, record + 8, 4);
        }
    }
    return -1;
}

// A signed 16-bit big-endian field of a table, or 0 when the table or the field is missing.
long long signedField(const std::uint8_t* data, std::size_t size, long long table, int at) {
    const long long field =
        table < 0 ? -1 : fieldBe(data, size, static_cast<std::size_t>(table + at), 2);
    return field < 0 ? 0 : static_cast<std::int16_t>(field);
}

// What FreeType and SDL_ttf branch on: the table directory, the metrics that SDL_ttf turns into
// a height, ascent and descent, and the kinds of character map.
void noteFontFeatures(const std::uint8_t* data, std::size_t size) {
    const long long version = fieldBe(data, size, 0, 4);
    const bool known = version == 0x00010000 || version == 0x4F54544F || version == 0x74727565 ||
                       version == 0x74746366 || version == 0x74797031;
    noteFeature("version", known ? version : -1);
    const long long count = fieldBe(data, size, 4, 2);
    noteFeature("tables", magnitude(count));
    for (long long i = 0; i < count && i < maxTables; ++i) {
        const auto record = static_cast<std::size_t>(12 + 16 * i);
        const long long tag = fieldBe(data, size, record, 4);
        const long long offset = fieldBe(data, size, record + 8, 4);
        const long long length = fieldBe(data, size, record + 12, 4);
        const bool inside =
            offset >= 0 && length >= 0 && offset + length <= static_cast<long long>(size);
        noteFeature("table", knownTag(tag) * 4 + inside * 2 + (offset % 4 == 0));
    }
    const long long head = tableOffset(data, size, "head");
    const long long hhea = tableOffset(data, size, "hhea");
    const long long maxp = tableOffset(data, size, "maxp");
    const long long os2 = tableOffset(data, size, "OS/2");
    noteFeature("units per em", magnitude(signedField(data, size, head, 18) & 0xFFFF));
    noteFeature("location format", upTo(signedField(data, size, head, 50), 1));
    const long long ascender = signedField(data, size, hhea, 4);
    const long long descender = signedField(data, size, hhea, 6);
    noteFeature("ascender", magnitude(ascender));
    noteFeature("descender", magnitude(descender));
    noteFeature("line gap", magnitude(signedField(data, size, hhea, 8)));
    noteFeature("height", magnitude(ascender - descender));
    noteFeature("horizontal metrics", magnitude(signedField(data, size, hhea, 34) & 0xFFFF));
    noteFeature("glyphs", magnitude(signedField(data, size, maxp, 4) & 0xFFFF));
    noteFeature("OS/2 version", upTo(signedField(data, size, os2, 0), 5));
    noteFeature("typographic ascender", magnitude(signedField(data, size, os2, 68)));
    noteFeature("typographic descender", magnitude(signedField(data, size, os2, 70)));
    const long long cmap = tableOffset(data, size, "cmap");
    const long long maps = signedField(data, size, cmap, 2) & 0xFFFF;
    for (long long i = 0; cmap >= 0 && i < maps && i < maxTables; ++i) {
        const auto record = static_cast<std::size_t>(cmap + 4 + 8 * i);
        const long long platform = fieldBe(data, size, record, 2);
        const long long encoding = fieldBe(data, size, record + 2, 2);
        const long long at = fieldBe(data, size, record + 4, 4);
        const long long format =
            at < 0 ? -1 : fieldBe(data, size, static_cast<std::size_t>(cmap + at), 2);
        noteFeature("character map", upTo(platform, 4) * 1024 + upTo(encoding, 10) * 64 +
                                         oneOf(format, {0, 2, 4, 6, 8, 10, 12, 13, 14}));
    }
}

// What the drawing gave: how many pixels and rows of the display below `top` the texts lit.
void noteDrawnFeatures(const char* screenName, int top) {
    SDL_Surface* const screen = display;
    SDL_LockSurface(screen);
    long long lit = 0;
    long long litRows = 0;
    for (int y = top; y < screen->h; ++y) {
        const auto* row = reinterpret_cast<const Uint32*>(
            static_cast<const Uint8*>(screen->pixels) + y * screen->pitch);
        long long inRow = 0;
        for (int x = 0; x < screen->w; ++x) {
            inRow += row[x] != 0;
        }
        lit += inRow;
        litRows += inRow != 0;
    }
    SDL_UnlockSurface(screen);
    noteFeature(screenName, magnitude(lit) * 64 + magnitude(litRows));
}

// Draws a line of white text on a black box with its top-left corner at (x, y), as the screens do.
void drawLine(const char* text, int x, int y, int size) {
    SDL_Surface* rendered =
        renderText(fontPath, size, text, SDL_Color{255, 255, 255, 0}, SDL_Color{0, 0, 0, 0});
    SDL_Rect destination{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_UpperBlit(rendered, nullptr, display, &destination);
    SDL_FreeSurface(rendered);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startLibraries();
    writeDataFile(fontPath, data, size);
    noteFontFeatures(data, size);

    // The menu's two lines, then the quit confirmation's question, each screen on a clear display.
    SDL_FillRect(display, nullptr, 0);
    drawLine("(S)tart Game", 240, 350, 16);
    drawLine("(Q)uit Game", 240, 380, 16);
    noteDrawnFeatures("menu", 350);
    SDL_FillRect(display, nullptr, 0);
    drawLine("Quit for sure (Y or N)?", 180, 230, 12);
    noteDrawnFeatures("quit confirmation", 230);
    return 0;
}
