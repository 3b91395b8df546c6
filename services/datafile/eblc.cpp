// The check of a TrueType font's embedded bitmaps against what FreeType reads for each glyph.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/eblc.h"

#include "services/datafile/reader.h"

#include <algorithm>

namespace {

// What the embedded bitmaps may cost FreeType, at every load of a glyph at a size that has them
// (tt_sbit_decoder_load_image): it looks the glyph up through the size's index records one by
// one, and through the glyph list of a sparse record, then copies the glyph's image whole out of
// the font's stream. The steps of a look-up, and the sizes, records and glyph entries in all,
// which this check walks, are bounded; an ordinary font has a record or a few for each size and
// an entry for each glyph. Images of a few dozen bytes draw letters of a few dozen pixels.
// 32767 records in front of the glyphs took the menu's frames to 45 ms.
constexpr Sint64 maxBitmapLookup = 1024;
constexpr Sint64 maxBitmapEntries = 32768;
constexpr Sint64 maxBitmapBytes = 64 * 1024;

// FreeType also reads every size's metrics into a table of its own at every opening: 21000 sizes
// took the menu's frames to 70 ms. An ordinary font has a few sizes, at most a few dozen.
constexpr std::size_t maxBitmapSizes = 256;

// The index formats whose records FreeType reads: offsets of 4 or 2 bytes for each glyph (1 and
// 3), one image size for all (2), a sparse glyph list with offsets (4) or with one image size
// (5, and 19 read as 5). Any other gives no bitmap.
enum IndexFormat : Uint32 {
    longOffsets = 1,
    fixedSize = 2,
    shortOffsets = 3,
    sparseOffsets = 4,
    sparseFixedSize = 5,
    sparseFixedSizeToo = 19,
};

// The image formats that FreeType copies as they are: rows of whole bytes or of bits, after
// small or big metrics or with the metrics of the index record. The others are compound images,
// drawn from their parts to a depth of 100, each as many times as it is named, and PNG images,
// which libpng inflates.
bool plainImage(Uint32 format) {
    return format == 1 || format == 2 || format == 5 || format == 6 || format == 7;
}

// Counts `entries` more steps of the look-ups; false, with the reason recorded, past the bound.
bool countEntries(Sint64& counted, Sint64 entries) {
    counted += entries;
    return counted <= maxBitmapEntries || refuse("font: embedded bitmaps of too many entries");
}

bool imageFits(Sint64 start, Sint64 end) {
    // FreeType finds no bitmap where an image would end before it starts, and reads none that
    // is empty.
    return end <= start || end - start <= maxBitmapBytes ||
           refuse("font: an embedded bitmap of too many bytes");
}

// Whether the images that an index record of format `format` gives its `glyphs` glyphs are within
// the bounds; `record` reads the record from the first field after its header up to the end of
// the table, as FreeType reads it. `sparse` is the length of the glyph list that a look-up walks.
bool recordAccepted(ByteReader& record, Uint32 format, Sint64 glyphs, Sint64& counted,
                    Sint64& sparse) {
    const auto offsets = [&record, glyphs, &counted](int width) {
        if (!countEntries(counted, glyphs)) {
            return false;
        }
        const auto read = [&record, width] {
            return width == 4 ? readBe32(record) : readBe16(record);
        };
        Sint64 start = read();
        for (Sint64 glyph = 0; glyph < glyphs; ++glyph) {
            const Sint64 end = read();
            if (record.failed) {
                return true;
            }
            if (!imageFits(start, end)) {
                return false;
            }
            start = end;
        }
        return true;
    };
    // What is left of the table after the fields read so far.
    const auto left = [&record] { return static_cast<Sint64>(record.length - record.position); };
    switch (format) {
    case longOffsets:
        return offsets(4);
    case shortOffsets:
        return offsets(2);
    case fixedSize:
    case sparseFixedSize:
    case sparseFixedSizeToo: {
        const Sint64 imageSize = readBe32(record);
        readSpan(record, 8);
        // A sparse list longer than the table gives no bitmap.
        const Sint64 listed = format == fixedSize ? 0 : readBe32(record);
        if (record.failed || listed > left() / 2) {
            return true;
        }
        sparse = listed;
        return countEntries(counted, listed) && imageFits(0, imageSize);
    }
    case sparseOffsets: {
        // Its offsets are 2 bytes, so no image is larger than the bound.
        const Sint64 listed = readBe32(record);
        if (record.failed || listed > left() / 4 - 1) {
            return true;
        }
        sparse = listed;
        return countEntries(counted, listed);
    }
    default:
        return true;
    }
}

} // namespace

bool embeddedBitmapsAccepted(const BitmapTables& tables) {
    const std::size_t length = tables.locationsLength;
    ByteReader header = byteReader(tables.locations, length);
    const Uint32 version = readBe32(header);
    const Uint32 sizes = readBe32(header);
    // FreeType takes no bitmaps from a table of another version, some written in the wrong byte
    // order, or of 65536 sizes or more (tt_face_load_sbit).
    const bool known = (version & 0xFFFF0000u) == 0x00020000u || (version & 0xFFFFu) == 0x0200u ||
                       (version & 0xFFFF0000u) == 0x00030000u || (version & 0xFFFFu) == 0x0300u;
    if (header.failed || !known || sizes >= 0x10000 || tables.imagesLength == 0) {
        return true;
    }
    const std::size_t strikes = std::min<std::size_t>(sizes, (length - 8) / 48);
    if (strikes > maxBitmapSizes) {
        return refuse("font: embedded bitmaps of more than 256 sizes");
    }
    Sint64 counted = 0;
    if (!countEntries(counted, static_cast<Sint64>(strikes))) {
        return false;
    }
    for (std::size_t strike = 0; strike < strikes; ++strike) {
        ByteReader size = byteReader(tables.locations + 8 + 48 * strike, 48);
        const std::size_t array = readBe32(size);
        readBe32(size);
        const std::size_t records = readBe32(size);
        // FreeType draws nothing from a size whose records lie beyond the table
        // (tt_sbit_decoder_init).
        if (array > length || records > (length - array) / 8) {
            continue;
        }
        if (!countEntries(counted, static_cast<Sint64>(records))) {
            return false;
        }
        Sint64 longestSparse = 0;
        for (std::size_t n = 0; n < records; ++n) {
            ByteReader range = byteReader(tables.locations + array + 8 * n, 8);
            const Sint64 first = readBe16(range);
            const Sint64 last = readBe16(range);
            const std::size_t offset = readBe32(range);
            // A record whose header lies beyond the table gives no bitmap, nor does a record of no
            // glyphs.
            if (offset > length - array || first > last) {
                continue;
            }
            ByteReader record =
                byteReader(tables.locations + array + offset, length - array - offset);
            const Uint32 indexFormat = readBe16(record);
            const Uint32 imageFormat = readBe16(record);
            readBe32(record);
            if (record.failed) {
                continue;
            }
            if (!plainImage(imageFormat)) {
                return refuse("font: embedded bitmaps made of parts or compressed");
            }
            Sint64 sparse = 0;
            if (!recordAccepted(record, indexFormat, last - first + 1, counted, sparse)) {
                return false;
            }
            longestSparse = std::max(longestSparse, sparse);
        }
        if (static_cast<Sint64>(records) + longestSparse > maxBitmapLookup) {
            return refuse("font: embedded bitmaps looked up in too many steps");
        }
    }
    return true;
}
