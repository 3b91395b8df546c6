// The checks of a line of text as SDL_ttf draws it in an opened font: its box, its glyphs and
// what the auto-hinter would spend on them.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <string>
#include <vector>

// One glyph of a line of text as SDL_ttf places it, in pixels: its box from the pen position on
// the baseline, its advance, and the kerning that moves the pen before it.
struct GlyphPlace {
    int minX;
    int maxX;
    int minY;
    int maxY;
    int advance;
    int kerning;
};

// The line that SDL_ttf draws a text in, in pixels: the font's size (pixels per em), and how far
// above and below the baseline its ascent and descent lie.
struct TextLine {
    int size;
    int ascent;
    int descent;
};

// Whether FreeType's auto-hinter may fit the glyphs of `text` in `font` to the pixels, by how many
// points the outlines hold that drawing the line loads; `glyphPoints` is the font check's.
bool lineHintable(TTF_Font* font, const std::string& text, const std::vector<Uint16>& glyphPoints);

// Whether SDL_ttf's metrics of an opened font give text a usable box; records the reason when
// not.
bool fontMetricsUsable(int height, int ascent, int descent);

// Whether TTF_RenderText_Shaded keeps every glyph of a line inside its text box, and renders
// none far beyond the line or far larger than the font's size; records the reason when not.
bool glyphsStayInTheirBox(const std::vector<GlyphPlace>& glyphs, const TextLine& line);
