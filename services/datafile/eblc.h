// The check of a TrueType font's embedded bitmaps against what FreeType reads for each glyph.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>

// A font's embedded bitmaps as FreeType reads them: the table of their sizes and locations
// (`EBLC`), and the length of the table of their images (`EBDT`).
struct BitmapTables {
    const Uint8* locations;
    std::size_t locationsLength;
    std::size_t imagesLength;
};

// Whether FreeType finds and reads every embedded bitmap within a bounded number of steps and
// bytes, each a plain image; records the reason when not.
bool embeddedBitmapsAccepted(const BitmapTables& tables);
