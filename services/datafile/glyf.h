// The check of a TrueType font's glyph outlines against what FreeType loads for each glyph.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>
#include <vector>

// A font's glyph outlines and where each one starts, as FreeType reads them: the `glyf` table,
// and the `loca` entries that FreeType takes as its glyphs' locations.
struct GlyphTables {
    const Uint8* glyf;
    std::size_t glyfLength;
    const Uint8* loca;
    std::size_t locations;
    bool longOffsets;
    std::size_t glyphs;
};

// Whether FreeType loads every glyph within a bounded number of points, bytes, parts and levels of
// parts; records the reason when not. Sets `points` to how many points each glyph's outline
// has, its parts' included.
bool glyphOutlinesAccepted(const GlyphTables& tables, std::vector<Uint16>& points);
