// The check of Windows bitmaps against SDL 1.2's loader and blitters, and the bytes it reads.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/bitmap.h"

#include "services/datafile/reader.h"

#include <algorithm>
#include <bitset>
#include <climits>
#include <cstdlib>
#include <initializer_list>
#include <iterator>

namespace {

// Widest and tallest bitmap: SDL 1.2 sizes the pixel buffer as height times pitch in an int,
// which stays below 2^28 within these sides.
constexpr Sint64 maxBitmapSide = 8192;

// The menu loads its bitmap anew on every frame, and only the top-left 640 by 480 pixels are
// ever drawn. Twice the display's pixels leave room for an image somewhat larger than the
// display (cut to it when drawn) while a frame stays well inside its 33 ms: SDL reads a 1-bit
// or 4-bit image one byte at a time, and zeroes, fills and frees the whole surface each frame.
constexpr Sint64 maxBitmapPixels = 2 * 640 * 480;
constexpr Sint64 maxSurfaceBytes = maxBitmapPixels * 4;

bool oneOf(Uint32 value, std::initializer_list<Uint32> known) {
    return std::find(known.begin(), known.end(), value) != known.end();
}

// SDL_AllocFormat keeps 8 minus the width of a mask's first run of ones as an unsigned byte: a
// mask with a gap or of more than 8 bits gives channels beyond 8 bits, with which a blit to a
// palette display reads past its 256-entry colour map.
bool maskUsable(Uint32 mask) {
    const Uint32 lowest = mask & (~mask + 1);
    return ((mask + lowest) & mask) == 0 && std::bitset<32>(mask).count() <= 8;
}

// The bytes of the surface that SDL makes for a bitmap: 1 and 4 bits are widened to 8, and each
// row is padded to 4 bytes.
Sint64 surfaceBytes(Sint64 width, Sint64 height, Uint32 depth) {
    const Sint64 bytesPerPixel = depth <= 8 ? 1 : depth / 8;
    return (width * bytesPerPixel + 3) / 4 * 4 * height;
}

} // namespace

std::optional<Sint64> bitmapExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize) {
    ByteReader reader = byteReader(bytes, count);
    const Uint8* magic = readSpan(reader, 2);
    if (magic == nullptr || magic[0] != 'B' || magic[1] != 'M') {
        return refused("bitmap: not a Windows bitmap");
    }
    seekTo(reader, 10);
    const Sint64 pixelOffset = readLe32(reader);
    const Uint32 headerSize = readLe32(reader);
    if (reader.failed) {
        return refused("bitmap: header cut short");
    }
    // SDL reads the 12-byte core header, and the first 40 bytes of any other size as the info
    // header; only the sizes of the format's own versions are bitmaps.
    if (!oneOf(headerSize, {12, 40, 52, 56, 108, 124})) {
        return refused("bitmap: unknown header size");
    }
    const bool core = headerSize == 12;
    const Sint64 width =
        core ? Sint64{readLe16(reader)} : Sint64{static_cast<Sint32>(readLe32(reader))};
    const Sint64 height =
        core ? Sint64{readLe16(reader)} : Sint64{static_cast<Sint32>(readLe32(reader))};
    readLe16(reader);
    const Uint32 depth = readLe16(reader);
    const Uint32 compression = core ? 0 : readLe32(reader);
    seekTo(reader, core ? 26 : 46);
    const Uint32 colours = core ? 0 : readLe32(reader);
    seekTo(reader, core ? 26 : 54);
    const Sint64 fieldsEnd = core ? 26 : 54;
    if (reader.failed) {
        return refused("bitmap: header cut short");
    }
    // A height of -2^31 stays negative when SDL flips it, and SDL sizes the pixels in an int.
    if (width < 1 || width > maxBitmapSide || height == 0 || std::abs(height) > maxBitmapSide) {
        return refused("bitmap: width or height out of range");
    }
    // SDL takes the depth's low byte as the surface's depth: 264 or 2056 bits make an 8-bit
    // surface without a palette, whose blit dereferences the missing palette.
    const bool bitfields = compression == 3 && (depth == 16 || depth == 32);
    if (!oneOf(depth, {1, 4, 8, 16, 24, 32})) {
        return refused("bitmap: unsupported bit depth");
    }
    if (compression != 0 && !bitfields) {
        return refused("bitmap: compressed");
    }
    if (width * std::abs(height) > maxBitmapPixels ||
        surfaceBytes(width, std::abs(height), depth) > maxSurfaceBytes) {
        return refused("bitmap: too many pixels");
    }
    Sint64 extent = fieldsEnd;
    // SDL reads masks after the header at 16 and 32 bits unless an uncompressed file's pixels
    // follow the header at once.
    if ((depth == 16 || depth == 32) && (bitfields || pixelOffset != 14 + headerSize)) {
        const Uint32 masks[] = {readLe32(reader), readLe32(reader), readLe32(reader)};
        if (reader.failed) {
            return refused("bitmap: header cut short");
        }
        if (!std::all_of(std::begin(masks), std::end(masks), maskUsable)) {
            return refused("bitmap: unusable colour mask");
        }
        extent = static_cast<Sint64>(reader.position);
    }
    if (depth <= 8) {
        if (colours > (1u << depth)) {
            return refused("bitmap: more colours than its depth has");
        }
        // SDL widens 1 and 4 bits to 8 before it counts a palette of the default size.
        extent = fieldsEnd + (colours == 0 ? 256 : colours) * (core ? 3 : 4);
    }
    // The rows must lie in the file, and their offset below 2^31: SDL seeks to it with an int.
    const Sint64 pixelsEnd = pixelOffset + (width * depth + 31) / 32 * 4 * std::abs(height);
    if (pixelOffset > INT_MAX || pixelsEnd > fileSize) {
        return refused("bitmap: rows beyond the file");
    }
    return std::max(extent, pixelsEnd);
}
