// The checks of TrueType and OpenType fonts against SDL_ttf 2.0 and FreeType.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>
#include <optional>
#include <vector>

// What the check of a whole font tells its opening: whether FreeType would run the font's own
// hinting programs on its glyphs, and how many points each glyph's outline has.
struct FontCheck {
    bool ownHinting;
    std::vector<Uint16> glyphPoints;
};

// How many bytes FreeType may read from a font file with these leading bytes and this size (up
// to the end of its furthest table); none, with the reason recorded, when the file is no
// TrueType font that SDL_ttf can be given, or one whose opening costs too much.
std::optional<Sint64> fontExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize);

// Judges the whole of a font, up to its extent, as FreeType reads it from memory; none, with the
// reason recorded, when FreeType would spend too much time or memory on it.
std::optional<FontCheck> fontAccepted(const Uint8* bytes, std::size_t size);
