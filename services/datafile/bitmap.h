// The check of Windows bitmaps against SDL 1.2's loader and blitters, and the bytes it reads.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>
#include <optional>

// How many bytes SDL_LoadBMP_RW reads from a bitmap file with these leading bytes and this size;
// none, with the reason recorded, when SDL would mishandle the file or it costs more than a frame
// can afford.
std::optional<Sint64> bitmapExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize);
