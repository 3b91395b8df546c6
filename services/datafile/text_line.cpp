// The checks of a line of text as SDL_ttf draws it in an opened font: its box, its glyphs and
// what the auto-hinter would spend on them.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/text_line.h"

#include "services/datafile.h"
#include "services/datafile/reader.h"

#include <algorithm>
#include <bitset>
#include <cstdlib>

namespace {

// Largest text box: SDL_ttf allocates it anew for every line drawn.
constexpr int maxTextWidth = 4096;
constexpr int maxTextHeight = 1024;

// How far a glyph may reach above its line's ascent or below its descent, and how wide and tall
// it may be, in ems of the font's size in pixels. FreeType renders every glyph whole, and SDL_ttf
// keeps each one until the font closes, however much of it the text box cuts off. Capitals with
// stacked accents and long descenders reach a fraction of an em beyond the line, and the widest
// letters are not two ems wide.
constexpr int glyphReachEms = 1;
constexpr int glyphSizeEms = 4;

// Most points of the outlines that one line loads through the auto-hinter. A line of an ordinary
// text face holds a few hundred to a couple of thousand; one of glyphs with as many points as
// the glyph check lets through would cost the auto-hinter a few milliseconds a menu frame. A line
// beyond this is drawn with its outlines as they are, which costs a third of that.
constexpr Sint64 maxHintedLinePoints = 4096;

} // namespace

bool lineHintable(TTF_Font* font, const std::string& text, const std::vector<Uint16>& glyphPoints) {
    // SDL_ttf keeps a glyph for each character code and loads it twice, to measure it and to
    // render it, each time through the auto-hinter, whose work grows with the outline's points.
    std::bitset<256> seen;
    Sint64 points = 0;
    for (const unsigned char character : text) {
        if (seen[character]) {
            continue;
        }
        seen[character] = true;
        const auto glyph = static_cast<std::size_t>(TTF_GlyphIsProvided(font, character));
        points += glyph < glyphPoints.size() ? glyphPoints[glyph] : 0;
    }
    return points <= maxHintedLinePoints;
}

bool fontMetricsUsable(int height, int ascent, int descent) {
    // SDL_ttf makes the height ascent - descent + 1 without a check: an ascender of 0 over a
    // descender above the baseline gives none, or less than none.
    return (height >= 1 && height <= maxTextHeight && ascent >= 0 && descent <= 0) ||
           refuse("font: a line height out of range");
}

bool glyphsStayInTheirBox(const std::vector<GlyphPlace>& glyphs, const TextLine& line) {
    // TTF_RenderText_Shaded moves the pen right of the first glyph's negative left bearing only;
    // a later glyph whose box starts left of the text box, by its own bearing or by kerning,
    // writes before the box's pixels, and SDL_FreeSurface then aborts ("munmap_chunk(): invalid
    // pointer"). Within the bounds no sum can overflow SDL_ttf's ints.
    const Sint64 reach = Sint64{glyphReachEms} * line.size;
    const Sint64 largest = Sint64{glyphSizeEms} * line.size;
    Sint64 pen = 0;
    for (std::size_t n = 0; n < glyphs.size(); ++n) {
        const GlyphPlace& glyph = glyphs[n];
        for (int value : {glyph.minX, glyph.maxX, glyph.advance, glyph.kerning}) {
            if (std::abs(value) > maxTextWidth) {
                return refuse("font: a glyph beyond the largest text box");
            }
        }
        // SDL_ttf's text box reaches from the ascent down to the lowest glyph, and the parts of
        // a glyph above it are rendered and then cut off.
        if (glyph.maxY > line.ascent + reach) {
            return refuse("font: a glyph reaching far above its line");
        }
        if (glyph.minY < line.descent - reach) {
            return refuse("font: a glyph reaching far below its line");
        }
        if (glyph.maxX - glyph.minX > largest || glyph.maxY - glyph.minY > largest) {
            return refuse("font: a glyph far larger than its size");
        }
        pen += n == 0 ? std::max(-glyph.minX, 0) : glyph.kerning;
        if (glyph.maxX > glyph.minX && pen + glyph.minX < 0) {
            return refuse("font: a glyph left of its text box");
        }
        pen += glyph.advance;
    }
    return true;
}

bool textFitsItsBox(TTF_Font* font, const std::string& text, int size) {
    // Measuring loads each glyph's outline, or its bitmap, but renders nothing.
    int width = 0;
    int height = 0;
    if (TTF_SizeText(font, text.c_str(), &width, &height) != 0) {
        return false;
    }
    if (width > maxTextWidth || height > maxTextHeight) {
        return refuse("font: a text box too large");
    }
    // The glyphs and kerning as the renderer takes them: each byte a Latin-1 character, kerning
    // between two glyphs that the font has.
    std::vector<GlyphPlace> glyphs;
    int previous = 0;
    for (const unsigned char character : text) {
        GlyphPlace glyph{};
        if (TTF_GlyphMetrics(font, character, &glyph.minX, &glyph.maxX, &glyph.minY, &glyph.maxY,
                             &glyph.advance) != 0) {
            return false;
        }
        const int index = TTF_GlyphIsProvided(font, character);
        if (TTF_GetFontKerning(font) != 0 && previous != 0 && index != 0) {
            glyph.kerning = TTF_GetFontKerningSize(font, previous, index);
        }
        previous = index;
        glyphs.push_back(glyph);
    }
    return glyphsStayInTheirBox(glyphs, {size, TTF_FontAscent(font), TTF_FontDescent(font)});
}
