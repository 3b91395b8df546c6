// Data file checks: each row a crafted header and the verdict, the extent a load reads or the
// reason it is refused; then the program's own operations on crafted, oversized and special files.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/unit/fixture.h"

#include "screens/logo.h"
#include "screens/menu.h"
#include "screens/quit_confirm.h"
#include "services/datafile.h"
#include "services/datafile/bitmap.h"
#include "services/datafile/conversion.h"
#include "services/datafile/font.h"
#include "services/datafile/loaders.h"
#include "services/datafile/music_work.h"
#include "services/datafile/ogg.h"
#include "services/datafile/ogg_page.h"
#include "services/datafile/text_line.h"
#include "services/datafile/vorbis.h"
#include "services/datafile/wave.h"
#include "services/frame.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<Uint8>;

// The mixer as the program opens it: 22050 Hz, signed 16-bit, stereo.
const MixerSpec mixer{22050, AUDIO_S16LSB, 2};

// A Vorbis stream in the mixer's format, with blocks of 256 and 2048 samples as libvorbis's encoder
// writes them at that rate.
const VorbisFormat stereo{2, 22050, {256, 2048}};

// Byte `n` of a number, counted from its lowest; 0 beyond its width.
Uint8 byteOf(Uint32 value, int n) {
    return n < 4 ? static_cast<Uint8>(value >> 8 * n) : 0;
}

void putLe(Bytes& bytes, Uint32 value, int width) {
    for (int n = 0; n < width; ++n) {
        bytes.push_back(byteOf(value, n));
    }
}

void putBe(Bytes& bytes, Uint32 value, int width) {
    for (int n = width - 1; n >= 0; --n) {
        bytes.push_back(byteOf(value, n));
    }
}

void putTag(Bytes& bytes, const char* tag) {
    bytes.insert(bytes.end(), tag, tag + 4);
}

// The reason of a row whose file passes its check.
constexpr const char* passes = nullptr;

// Expects a check's verdict: the file passes when `reason` is null, else it is refused for that
// reason, which the check records for SDL_GetError.
void expectVerdict(bool accepted, const char* reason, const std::string& name) {
    if (reason == passes) {
        EXPECT_TRUE(accepted) << name << ": " << SDL_GetError();
    } else {
        EXPECT_FALSE(accepted) << name;
        EXPECT_STREQ(accepted ? "" : SDL_GetError(), reason) << name;
    }
}

struct Bitmap {
    Uint32 headerSize = 40;
    Uint32 width = 4;
    Uint32 height = 4;
    Uint32 depth = 24;
    Uint32 compression = 0;
    Uint32 colours = 0;
    Uint32 offset = 54;
    std::vector<Uint32> masks = {};
};

// The file and info headers, followed by the masks; an extra 4 bytes for the tests of the sizes.
Bytes bitmapHeader(const Bitmap& b) {
    Bytes bytes{'B', 'M'};
    putLe(bytes, 0, 4);
    putLe(bytes, 0, 4);
    putLe(bytes, b.offset, 4);
    putLe(bytes, b.headerSize, 4);
    const bool core = b.headerSize == 12;
    putLe(bytes, b.width, core ? 2 : 4);
    putLe(bytes, b.height, core ? 2 : 4);
    putLe(bytes, 1, 2);
    putLe(bytes, b.depth, 2);
    if (!core) {
        for (Uint32 field : {b.compression, 0u, 0u, 0u, b.colours, 0u}) {
            putLe(bytes, field, 4);
        }
    }
    for (Uint32 mask : b.masks) {
        putLe(bytes, mask, 4);
    }
    return bytes;
}

struct BitmapRow {
    const char* name;
    Bitmap bitmap;
    Sint64 fileSize;
    Sint64 extent; // -1: refused for the reason
    const char* reason;
};

TEST(DataFileChecks, BitmapHeadersWithinSdlsLoader) {
    const Uint32 rgb[] = {0xFF0000, 0xFF00, 0xFF};
    const char* rows = "bitmap: rows beyond the file";
    const char* side = "bitmap: width or height out of range";
    const char* depth = "bitmap: unsupported bit depth";
    const char* compressed = "bitmap: compressed";
    const char* mask = "bitmap: unusable colour mask";
    const char* pixels = "bitmap: too many pixels";
    const BitmapRow table[] = {
        {"24-bit 4x4: header and rows", {}, 102, 102, passes},
        {"the splash's shape",
         {108, 640, 480, 32, 3, 0, 122, {rgb[0], rgb[1], rgb[2]}},
         1228922,
         1228922,
         passes},
        {"a tail after the rows is not read", {}, Sint64{3} << 30, 102, passes},
        {"rows cut short", {}, 101, -1, rows},
        {"pixel offset at 2^31", {40, 4, 4, 24, 0, 0, 0x80000000u}, Sint64{3} << 30, -1, rows},
        {"8-bit: 256 colours read after the header", {40, 4, 4, 8, 0, 0, 1078}, 1094, 1094, passes},
        {"8-bit with 2 colours of 2", {40, 4, 2, 8, 0, 2, 62}, 70, 70, passes},
        {"1-bit: SDL counts 256 colours, the file may end before",
         {40, 8, 1, 1, 0, 0, 62},
         66,
         1078,
         passes},
        {"1-bit with 3 colours",
         {40, 8, 1, 1, 0, 3, 66},
         70,
         -1,
         "bitmap: more colours than its depth has"},
        {"core header", {12, 4, 4, 24, 0, 0, 26}, 74, 74, passes},
        {"header of 64 bytes", {64, 4, 4, 24, 0, 0, 78}, 126, -1, "bitmap: unknown header size"},
        {"width 0", {40, 0, 4}, 1000, -1, side},
        {"width 8193", {40, 8193, 1}, Sint64{1} << 30, -1, side},
        {"height 8192, top-down",
         {40, 1, static_cast<Uint32>(-8192)},
         Sint64{1} << 30,
         54 + 32768,
         passes},
        {"height -2^31", {40, 4, 0x80000000u}, Sint64{1} << 40, -1, side},
        {"depth 264, low byte 8", {40, 4, 4, 264}, 100000, -1, depth},
        {"depth 2056, low byte 8", {40, 4, 4, 2056}, 100000, -1, depth},
        {"depth 15", {40, 4, 4, 15}, 100000, -1, depth},
        {"RLE compression", {40, 4, 4, 8, 1, 0, 1078}, 100000, -1, compressed},
        {"bit fields at 24 bits",
         {40, 4, 4, 24, 3, 0, 66, {rgb[0], rgb[1], rgb[2]}},
         114,
         -1,
         compressed},
        {"16-bit 5-6-5 fields", {40, 2, 2, 16, 3, 0, 66, {0xF800, 0x7E0, 0x1F}}, 74, 74, passes},
        {"a mask of 16 bits", {40, 2, 2, 32, 3, 0, 66, {0xFFFF0000, 0xFF00, 0xFF}}, 82, -1, mask},
        {"a mask with a gap", {40, 2, 2, 32, 3, 0, 66, {0x01010101, 0xFF00, 0xFF}}, 82, -1, mask},
        {"no masks: SDL's default", {40, 2, 2, 32, 3, 0, 66, {0, 0, 0}}, 82, 82, passes},
        {"uncompressed 32-bit rows after a gap: masks read",
         {40, 2, 2, 32, 0, 0, 70, {0x0F000000, 0, 0}},
         86,
         86,
         passes},
        {"twice the display's pixels at 32 bits",
         {40, 1280, 480, 32},
         54 + 1280 * 480 * 4,
         54 + 1280 * 480 * 4,
         passes},
        {"one column more", {40, 1281, 480, 32}, Sint64{1} << 30, -1, pixels},
        {"1-bit, 8192 square: a 64 MiB surface, read a byte at a time",
         {40, 8192, 8192, 1, 0, 0, 62},
         Sint64{1} << 30,
         -1,
         pixels},
        {"32-bit, 8192 square: a 256 MiB surface",
         {40, 8192, 8192, 32},
         Sint64{1} << 30,
         -1,
         pixels},
    };
    for (const BitmapRow& row : table) {
        const Bytes header = bitmapHeader(row.bitmap);
        const std::optional<Sint64> extent =
            bitmapExtent(header.data(), header.size(), row.fileSize);
        expectVerdict(extent.has_value(), row.reason, row.name);
        EXPECT_EQ(extent.value_or(-1), row.extent) << row.name;
    }
    const Bytes notABitmap{'B', 'A', 0, 0};
    expectVerdict(bitmapExtent(notABitmap.data(), notABitmap.size(), 100).has_value(),
                  "bitmap: not a Windows bitmap", "BA");
}

// A table directory of the given version with tables at (offset, length), tagged `tag`.
Bytes fontDirectory(Uint32 version, const std::vector<std::pair<Uint32, Uint32>>& tables,
                    const char* tag = "glyf") {
    Bytes bytes;
    putBe(bytes, version, 4);
    putBe(bytes, static_cast<Uint32>(tables.size()), 2);
    putBe(bytes, 0, 6);
    for (const auto& [offset, length] : tables) {
        putTag(bytes, tag);
        putBe(bytes, 0, 4);
        putBe(bytes, offset, 4);
        putBe(bytes, length, 4);
    }
    return bytes;
}

TEST(DataFileChecks, FontsReadUpToTheirFurthestTable) {
    const Uint32 truetype = 0x00010000;
    const Uint32 otto = 0x4F54544F;
    const Sint64 mib = 1 << 20;
    struct Row {
        const char* name;
        Bytes bytes;
        Sint64 fileSize;
        Sint64 extent; // -1: refused for the reason
        const char* reason;
    };
    Bytes collection;
    putTag(collection, "ttcf");
    putBe(collection, 0x00010000, 4);
    putBe(collection, 1, 4);
    putBe(collection, 16, 4);
    const Bytes inside = fontDirectory(truetype, {{100, 50}, {44, 20}});
    collection.insert(collection.end(), inside.begin(), inside.end());
    Bytes cutShort = fontDirectory(truetype, {{28, 4}, {32, 4}});
    cutShort.resize(30);
    const Row rows[] = {
        {"TrueType", fontDirectory(truetype, {{44, 20}, {100, 50}}), 1000, 150, passes},
        {"OpenType with CFF, whose programs FreeType runs far longer",
         fontDirectory(otto, {{28, 4}}), 1000, -1, "font: not TrueType"},
        {"a table beyond 2^31: FreeType's own check", fontDirectory(truetype, {{0xFFFFFFF0u, 64}}),
         1000, Sint64{0xFFFFFFF0u} + 64, passes},
        {"a collection opens its first font", collection, 1000, 150, passes},
        {"WOFF", fontDirectory(0x774F4646, {{28, 4}}), 1000, -1, "font: not TrueType"},
        {"colour bitmaps", fontDirectory(truetype, {{28, 4}}, "sbix"), 1000, -1,
         "font: glyphs other than TrueType outlines"},
        {"a character map of 300 KiB", fontDirectory(truetype, {{28, 300 << 10}}, "cmap"),
         400 << 10, -1, "font: a character map or kerning table over 256 KiB"},
        {"257 tables",
         fontDirectory(truetype, std::vector<std::pair<Uint32, Uint32>>(257, {28, 4})), 5000, -1,
         "font: more than 256 tables"},
        {"directory cut short", cutShort, 1000, -1,
         "font: table directory beyond the leading bytes"},
        {"a kern table of 256 MiB, read whole at every opening",
         fontDirectory(truetype, {{28, 256 << 20}}, "kern"), 300 * mib, -1,
         "font: a character map or kerning table over 256 KiB"},
        {"device metrics of 2 MiB, read whole at every opening",
         fontDirectory(truetype, {{28, 2 << 20}}, "hdmx"), 3 * mib, -1,
         "font: tables too large to read at every opening"},
        {"the same table beyond the file's end, which FreeType drops",
         fontDirectory(truetype, {{28, 256 << 20}}, "kern"), 20, 28 + 256 * mib, passes},
        {"a glyph table of 4 MiB, read a glyph at a time", fontDirectory(truetype, {{28, 4 << 20}}),
         300 * mib, -1, "font: over 4 MiB"},
        {"control values of 64 KiB", fontDirectory(truetype, {{28, 64 << 10}}, "cvt "), 1 * mib,
         28 + (64 << 10), passes},
        {"a font program of 64 KiB and a byte, copied whole at every opening",
         fontDirectory(truetype, {{28, (64 << 10) + 1}}, "fpgm"), 1 * mib, -1,
         "font: a font program or control values over 64 KiB"},
    };
    for (const Row& row : rows) {
        const std::optional<Sint64> extent =
            fontExtent(row.bytes.data(), row.bytes.size(), row.fileSize);
        expectVerdict(extent.has_value(), row.reason, row.name);
        EXPECT_EQ(extent.value_or(-1), row.extent) << row.name;
    }
}

// A font of the given tables, one after another, made here for the rows that name no fixture file.
Bytes fontOf(const std::vector<std::pair<const char*, Bytes>>& tables) {
    Bytes font;
    putBe(font, 0x00010000, 4);
    putBe(font, static_cast<Uint32>(tables.size()), 2);
    putBe(font, 0, 6);
    Uint32 offset = 12 + 16 * static_cast<Uint32>(tables.size());
    for (const auto& [tag, body] : tables) {
        putTag(font, tag);
        putBe(font, 0, 4);
        putBe(font, offset, 4);
        putBe(font, static_cast<Uint32>(body.size()), 4);
        offset += static_cast<Uint32>(body.size());
    }
    for (const auto& table : tables) {
        font.insert(font.end(), table.second.begin(), table.second.end());
    }
    return font;
}

// A font of embedded bitmaps at 16 pixels per em, of the table version `version`: `sizes` sizes,
// each with the same `records` index records over glyphs 0 to `last`, all of one subtable of
// `indexFormat` with images of `imageFormat`, whose fields after its header are `fields`; and a
// table of images.
Bytes bitmapFont(Uint32 indexFormat, Uint32 imageFormat, const Bytes& fields, Uint32 last = 1,
                 Uint32 records = 1, Uint32 version = 0x00020000, Uint32 sizes = 1) {
    Bytes locations;
    putBe(locations, version, 4);
    putBe(locations, sizes, 4);
    for (Uint32 n = 0; n < sizes; ++n) {
        putBe(locations, 8 + 48 * sizes, 4);
        putBe(locations, 8 * records + 8 + static_cast<Uint32>(fields.size()), 4);
        putBe(locations, records, 4);
        putBe(locations, 0, 4 + 24);
        putBe(locations, 0, 2);
        putBe(locations, last, 2);
        putBe(locations, 0x10100101, 4); // 16 by 16 pixels per em, 1 bit a pixel, horizontal
    }
    for (Uint32 n = 0; n < records; ++n) {
        putBe(locations, 0, 2);
        putBe(locations, last, 2);
        putBe(locations, 8 * records, 4);
    }
    putBe(locations, indexFormat, 2);
    putBe(locations, imageFormat, 2);
    putBe(locations, 0, 4);
    locations.insert(locations.end(), fields.begin(), fields.end());
    return fontOf({{"EBLC", locations}, {"EBDT", Bytes(64, 0)}});
}

// The fields of an index subtable: 4-byte (`width` 4) or 2-byte numbers.
Bytes fields(const std::vector<Uint32>& numbers, int width = 4) {
    Bytes bytes;
    for (Uint32 number : numbers) {
        putBe(bytes, number, width);
    }
    return bytes;
}

TEST(DataFileChecks, FontsThatFreeTypeOpensAndDrawsInBoundedTimeAndMemory) {
    const auto oneTable = [](const char* tag, const Bytes& body) { return fontOf({{tag, body}}); };
    // An image size and big metrics, then a sparse list of `glyphs` glyphs, as format 5 has them.
    const auto sparse = [](Uint32 glyphs, Uint32 listed) {
        Bytes list = fields({10, 0, 0, glyphs});
        list.resize(list.size() + 2 * listed);
        return list;
    };
    const char* parts = "font: embedded bitmaps made of parts or compressed";
    const char* bitmapBytes = "font: an embedded bitmap of too many bytes";
    const char* entries = "font: embedded bitmaps of too many entries";
    const char* lookup = "font: embedded bitmaps looked up in too many steps";
    Bytes instructed(32, 0);
    instructed[1] = 1;  // version 1.0
    instructed[27] = 1; // glyph programs of up to 1 byte
    const char* tricky =
        "font: one that FreeType would hint with its own programs whatever it is asked";
    struct Row {
        const char* font;
        const char* reason;
        bool ownHinting;
        Bytes bytes = {};
    };
    const Row rows[] = {
        {"boxes.ttf", passes, false},
        {"hinted.ttf", passes, true},
        {"branching.ttf", "font: a glyph of too many parts", false},
        {"deep.ttf", "font: glyphs made of parts too deep", false},
        {"looped.ttf", "font: a glyph made of itself", false},
        {"jagged.ttf", "font: a glyph of too many points", false},
        {"tricky.ttf",
         "font: one that FreeType would hint with its own programs whatever it is asked", false},
        {"17 character maps, each checked whole at every opening",
         "font: more than 16 character maps", false, oneTable("cmap", {0, 0, 0, 17})},
        {"a font program of a length that FreeType knows a tricky font by", tricky, false,
         oneTable("fpgm", Bytes(229, 0))},
        {"a tricky family in a Macintosh name", tricky, false,
         oneTable("name", {0, 0, 0, 1, 0, 18,  0,   1,   0,   0,   0,   0,  0,
                           1, 0, 7, 0, 0, 'M', 'i', 'n', 'g', 'L', 'i', 'U'})},
        {"glyph programs without font programs", passes, true, oneTable("maxp", instructed)},
        {"16385 glyphs", "font: more than 16384 glyphs", false,
         oneTable("maxp", {0, 1, 0, 0, 0x40, 0x01})},
        {"1024 names", passes, false, oneTable("name", {0, 0, 4, 0})},
        {"1025 names, each read into a record at every opening", "font: more than 1024 names",
         false, oneTable("name", {0, 0, 4, 1})},
        // The edges of the bounds on outlines, and where FreeType finds them.
        {"points1024.ttf", passes, false},
        {"points1025.ttf", "font: a glyph of too many points", false},
        {"walked8.ttf", passes, false},
        {"walked9.ttf", "font: glyphs made of parts too deep", false},
        {"pastglyf.ttf", "font: a glyph of too many points", false},
        {"locaroom.ttf", "font: a glyph of too many points", false},
        {"emptybefore.ttf", passes, false},
        {"emptyafter.ttf", "font: a glyph of too many points", false},
        {"heavy.ttf", "font: a glyph of too many bytes", false},
        // Embedded bitmaps.
        {"plain bitmaps, an offset for each glyph", passes, false,
         bitmapFont(1, 1, fields({0, 10, 20}))},
        {"compound bitmaps", parts, false, bitmapFont(1, 9, fields({0, 10, 20}))},
        {"PNG bitmaps", parts, false, bitmapFont(3, 17, fields({0, 10, 20}, 2))},
        {"compound bitmaps in a table of a version FreeType does not read", passes, false,
         bitmapFont(1, 9, fields({0, 10, 20}), 1, 1, 0x00010000)},
        {"an image of 64 KiB", passes, false, bitmapFont(1, 1, fields({0, 65536}), 0)},
        {"an image of 64 KiB and a byte", bitmapBytes, false,
         bitmapFont(1, 1, fields({0, 10, 65547}))},
        {"one size of image for all, of 64 KiB and a byte", bitmapBytes, false,
         bitmapFont(2, 1, fields({65537, 0, 0}))},
        {"a record and a sparse list of 1023 glyphs, a look-up of 1024 steps", passes, false,
         bitmapFont(5, 1, sparse(1023, 1023))},
        {"a sparse list of 1024 glyphs", lookup, false, bitmapFont(5, 1, sparse(1024, 1024))},
        {"1025 records", lookup, false, bitmapFont(2, 1, fields({10, 0, 0}), 1, 1025)},
        {"a size and a record of an offset for each of 32766 glyphs", passes, false,
         bitmapFont(1, 1, Bytes(4 * 32767, 0), 32765)},
        {"the same over 32767 glyphs", entries, false,
         bitmapFont(1, 1, Bytes(4 * 32768, 0), 32766)},
        {"256 sizes", passes, false, bitmapFont(1, 1, fields({0, 10}), 0, 1, 0x00020000, 256)},
        {"257 sizes", "font: embedded bitmaps of more than 256 sizes", false,
         bitmapFont(1, 1, fields({0, 10}), 0, 1, 0x00020000, 257)},
        {"a sparse list longer than the table, which FreeType does not read", passes, false,
         bitmapFont(5, 1, sparse(40000, 10))},
    };
    for (const Row& row : rows) {
        std::ifstream in(std::string(FIXTURE_DIR "/") + row.font, std::ios::binary);
        const Bytes font = !row.bytes.empty() ? row.bytes
                                              : Bytes{std::istreambuf_iterator<char>(in),
                                                      std::istreambuf_iterator<char>()};
        ASSERT_FALSE(font.empty()) << row.font;
        const std::optional<FontCheck> check = fontAccepted(font.data(), font.size());
        expectVerdict(check.has_value(), row.reason, row.font);
        EXPECT_EQ(check && check->ownHinting, row.ownHinting) << row.font;
    }
}

struct Wave {
    Uint32 encoding = 1;
    Uint32 channels = 2;
    Uint32 rate = 22050;
    Uint32 align = 4;
    Uint32 bits = 16;
    Uint32 samplesPerBlock = 0; // 0: a 16-byte format chunk
    Uint32 dataLength = 4000;
    const char* before = nullptr; // a chunk before the format
    Uint32 beforeLength = 10;     // its length; bodies over 64 KiB are cut there
    bool lengthReadsWave = false; // the RIFF header's length reads "WAVE"
};

Bytes waveHeaders(const Wave& w) {
    Bytes bytes;
    putTag(bytes, "RIFF");
    if (w.lengthReadsWave) {
        putTag(bytes, "WAVE");
    } else {
        putLe(bytes, 0, 4);
    }
    putTag(bytes, "WAVE");
    if (w.before != nullptr) {
        putTag(bytes, w.before);
        putLe(bytes, w.beforeLength, 4);
        bytes.resize(bytes.size() + std::min<Uint32>(w.beforeLength, 1 << 16));
    }
    putTag(bytes, "fmt ");
    putLe(bytes, w.samplesPerBlock == 0 ? 16 : 20, 4);
    putLe(bytes, w.encoding, 2);
    putLe(bytes, w.channels, 2);
    putLe(bytes, w.rate, 4);
    putLe(bytes, w.rate * w.align, 4);
    putLe(bytes, w.align, 2);
    putLe(bytes, w.bits, 2);
    if (w.samplesPerBlock != 0) {
        putLe(bytes, 2, 2);
        putLe(bytes, w.samplesPerBlock, 2);
    }
    putTag(bytes, "data");
    putLe(bytes, w.dataLength, 4);
    return bytes;
}

TEST(DataFileChecks, WaveFilesThatSdlDecodesAndConvertsSafely) {
    struct Row {
        const char* name;
        Wave wave;
        Sint64 fileSize; // 0: headers and data exactly
        const char* reason;
    };
    const char* filters = "audio: more conversion filters than SDL holds";
    const char* channels = "sound: channels out of range";
    const char* encoding = "sound: not 8- or 16-bit PCM or 4-bit ADPCM";
    const char* small = "sound: ADPCM blocks smaller than their header";
    const char* walk = "sound: ADPCM blocks beyond their data or samples";
    const char* adpcmChannels = "sound: ADPCM in more than 2 channels";
    const Row rows[] = {
        {"the mixer's own format", {}, 0, passes},
        {"a long tail after the data", {}, Sint64{3} << 30, passes},
        {"data cut short", {}, 4000, "sound: a chunk beyond the file"},
        {"a LIST chunk first", {1, 2, 22050, 4, 16, 0, 4000, "LIST"}, 0, passes},
        {"a LIST chunk of 200 MB first, which SDL reads whole",
         {1, 2, 22050, 4, 16, 0, 4000, "LIST", 200000000},
         Sint64{3} << 30,
         "sound: a chunk over 8 MiB"},
        {"another chunk first",
         {1, 2, 22050, 4, 16, 0, 4000, "junk"},
         0,
         "sound: no whole format chunk first"},
        {"8-bit mono 11025 Hz", {1, 1, 11025, 1, 8}, 0, passes},
        {"1 Hz overflows the filter table", {1, 2, 1}, 0, filters},
        {"2 Hz", {1, 2, 2}, 0, filters},
        {"2^31 Hz", {1, 2, 0x80000000u}, 0, filters},
        {"0 channels", {1, 0}, 0, channels},
        {"256 channels, a byte of 0", {1, 256}, 0, channels},
        {"3 channels stay unconverted",
         {1, 3, 22050, 6},
         0,
         "audio: channels that SDL cannot convert"},
        {"8 channels mix down", {1, 8, 22050, 16}, 0, passes},
        {"12-bit samples", {1, 2, 22050, 4, 12}, 0, encoding},
        {"more than 8 MiB of data",
         {1, 2, 22050, 4, 16, 0, 9u << 20},
         0,
         "sound: a chunk over 8 MiB"},
        {"MS-ADPCM", {2, 1, 22050, 256, 4, 500}, 0, passes},
        {"MS-ADPCM with a block align of 0", {2, 1, 22050, 0, 4, 500}, 0, small},
        {"IMA-ADPCM with a block align of 0", {0x11, 1, 22050, 0, 4, 505}, 0, small},
        {"IMA-ADPCM, align below its block header", {0x11, 2, 22050, 7, 4, 505}, 0, small},
        {"IMA-ADPCM", {0x11, 1, 22050, 256, 4, 505}, 0, passes},
        {"IMA-ADPCM whose format chunk ends before its samples per block, less than a block",
         {0x11, 1, 22050, 256, 4, 0, 100},
         0,
         "sound: ADPCM format chunk cut short"},
        {"IMA-ADPCM, 8 MiB once decoded",
         {0x11, 1, 22050, 32768, 4, 65529, 65u << 15},
         0,
         "sound: over 8 MiB once converted"},
        {"IMA-ADPCM, blocks writing past their samples", {0x11, 1, 22050, 256, 4, 504}, 0, walk},
        {"MS-ADPCM in stereo", {2, 2, 22050, 512, 4, 500}, 0, passes},
        {"MS-ADPCM, blocks reading past the data", {2, 2, 22050, 256, 4, 500, 512}, 0, walk},
        {"MS-ADPCM, blocks writing past their samples", {2, 1, 22050, 256, 4, 499}, 0, walk},
        {"MS-ADPCM in 3 channels", {2, 3, 22050, 256, 4, 500}, 0, adpcmChannels},
        {"MS-ADPCM in 4 channels, its blocks laid out right",
         {2, 4, 22050, 1024, 4, 500, 4096},
         0,
         adpcmChannels},
        {"MP3", {0x55, 2, 22050, 1, 0}, 0, encoding},
        {"a RIFF length reading WAVE: SDL reads the chunks four bytes early",
         {1, 2, 22050, 4, 16, 0, 4000, nullptr, 10, true},
         0,
         "sound: a RIFF length that SDL takes for the WAVE tag"},
    };
    for (const Row& row : rows) {
        const Bytes headers = waveHeaders(row.wave);
        const Sint64 size = row.fileSize != 0
                                ? row.fileSize
                                : static_cast<Sint64>(headers.size()) + row.wave.dataLength;
        const std::optional<WaveLayout> layout =
            waveLayout(headers.data(), headers.size(), size, mixer);
        expectVerdict(layout.has_value(), row.reason, row.name);
        if (layout) {
            EXPECT_EQ(layout->extent, static_cast<Sint64>(headers.size()) + row.wave.dataLength)
                << row.name;
        }
    }
}

TEST(DataFileChecks, MsAdpcmBlocksNameKnownPredictors) {
    // Two blocks of mono audio data, whose decoder walks 256 bytes a block with 500 samples a
    // block, and 7 bytes a block with 2.
    const auto data = [](std::initializer_list<std::pair<int, Uint8>> predictors) {
        Bytes bytes(512, 0x33);
        for (const auto& [at, predictor] : predictors) {
            bytes[at] = predictor;
        }
        return bytes;
    };
    struct Row {
        const char* name;
        Bytes data;
        int channels;
        Uint32 samplesPerBlock;
        const char* reason;
    };
    const char* unknown = "sound: MS-ADPCM predictor unknown to SDL";
    const Row rows[] = {
        {"predictors 6 and 0", data({{0, 6}, {256, 0}}), 1, 500, passes},
        {"predictor 7 in the second block", data({{0, 0}, {256, 7}}), 1, 500, unknown},
        {"stereo, the second channel's 7", data({{0, 1}, {1, 7}}), 2, 244, unknown},
        {"blocks shorter than their align", data({{0, 0}, {7, 0}}), 1, 2, passes},
        {"at where the short block left off", data({{0, 0}, {7, 9}, {256, 0}}), 1, 2, unknown},
    };
    for (const Row& row : rows) {
        expectVerdict(msAdpcmPredictorsKnown(row.data.data(), row.data.size(), row.channels, 256,
                                             row.samplesPerBlock),
                      row.reason, row.name);
    }
    const Bytes tail = data({{0, 0}, {256, 99}});
    EXPECT_TRUE(msAdpcmPredictorsKnown(tail.data(), 300, 1, 256, 500))
        << "less than a block after the last is never decoded";
}

TEST(DataFileChecks, AudioConversionsWithinSdlsTenFilters) {
    struct Row {
        Uint16 format;
        int channels;
        Uint32 rate;
        MixerSpec to;
        Sint64 growth; // -1: refused for the reason
        const char* reason;
    };
    const char* filters = "audio: more conversion filters than SDL holds";
    const Row rows[] = {
        {AUDIO_S16LSB, 2, 22050, mixer, 1, passes},
        {AUDIO_U8, 1, 11025, mixer, 8, passes},           // sign, 16 bits, stereo, one doubling
        {AUDIO_S16LSB, 2, 100, mixer, 128, passes},       // seven doublings
        {AUDIO_U8, 1, 100, mixer, -1, filters},           // ten filters
        {AUDIO_S16LSB, 2, 1, mixer, -1, filters},         // the doubling never reaches the mixer
        {AUDIO_S16LSB, 2, 0, mixer, -1, filters},         // nor from 0
        {AUDIO_S16LSB, 2, 5000000, mixer, 1, passes},     // seven halvings
        {AUDIO_S16LSB, 2, 400000000, mixer, -1, filters}, // fourteen
        {AUDIO_S16LSB, 6, 44100, mixer, 1, passes},       // strip to stereo, halve
        {AUDIO_S16LSB, 5, 44100, mixer, -1, "audio: channels that SDL cannot convert"},
        {AUDIO_S16LSB, 2, 22050, {48000, AUDIO_S16LSB, 6}, 6, passes}, // surround, double
    };
    for (const Row& row : rows) {
        const std::optional<AudioConversion> conversion =
            audioConversion(row.format, row.channels, row.rate, row.to);
        const std::string name =
            std::to_string(row.channels) + " channels at " + std::to_string(row.rate) + " Hz";
        expectVerdict(conversion.has_value(), row.reason, name);
        EXPECT_EQ(conversion ? conversion->growth : -1, row.growth) << name;
    }
}

// An Ogg page of stream 7 with these segments: header, lacing and body, with its checksum.
Bytes oggPageOf(Uint8 flags, Uint32 sequence, const Bytes& lacing, const Bytes& body,
                Uint8 version = 0) {
    Bytes page;
    putTag(page, "OggS");
    page.push_back(version);
    page.push_back(flags);
    putLe(page, 0, 4);
    putLe(page, 0, 4);
    putLe(page, 7, 4);
    putLe(page, sequence, 4);
    putLe(page, 0, 4);
    page.push_back(static_cast<Uint8>(lacing.size()));
    page.insert(page.end(), lacing.begin(), lacing.end());
    page.insert(page.end(), body.begin(), body.end());
    const Uint32 crc = oggChecksum(page.data(), page.size());
    for (int n = 0; n < 4; ++n) {
        page[22 + n] = static_cast<Uint8>(crc >> 8 * n);
    }
    return page;
}

// The lacing values of one packet.
Bytes lacingOf(std::size_t length) {
    Bytes lacing(length / 255, 255);
    lacing.push_back(static_cast<Uint8>(length % 255));
    return lacing;
}

// An Ogg page holding one packet whole.
Bytes oggPage(Uint8 flags, const Bytes& body, Uint8 version = 0) {
    return oggPageOf(flags, 0, lacingOf(body.size()), body, version);
}

// An Ogg stream of these packets: the first alone on the page that begins the stream, the rest
// in pages of up to 255 segments, numbered and flagged as libogg expects them.
Bytes oggStream(const std::vector<Bytes>& packets) {
    Bytes file = oggPage(2, packets.front());
    Bytes lacing;
    Bytes body;
    Uint32 sequence = 1;
    bool continued = false;
    for (auto packet = packets.begin() + 1; packet != packets.end(); ++packet) {
        std::size_t at = 0;
        for (const Uint8 value : lacingOf(packet->size())) {
            lacing.push_back(value);
            body.insert(body.end(), packet->begin() + at, packet->begin() + at + value);
            at += value;
            if (lacing.size() == 255) {
                const Bytes page = oggPageOf(continued ? 1 : 0, sequence++, lacing, body);
                file.insert(file.end(), page.begin(), page.end());
                continued = value == 255;
                lacing.clear();
                body.clear();
            }
        }
    }
    const Bytes page = oggPageOf(continued ? 1 : 0, sequence, lacing, body);
    file.insert(file.end(), page.begin(), page.end());
    return file;
}

Bytes vorbisIdentification(Uint32 channels, Uint32 rate) {
    Bytes body{1, 'v', 'o', 'r', 'b', 'i', 's'};
    putLe(body, 0, 4);
    putLe(body, channels, 1);
    putLe(body, rate, 4);
    putLe(body, 0, 12);
    body.push_back(0xB8);
    body.push_back(1);
    return body;
}

TEST(DataFileChecks, OggPagesAndEveryStreamsIdentification) {
    const Bytes audio(300, 0x55);
    Bytes corrupted = oggPage(0, audio);
    corrupted[100] ^= 1;
    Bytes hiding = audio;
    const Bytes hidden = oggPage(2, vorbisIdentification(2, 1));
    hiding.insert(hiding.begin() + 10, hidden.begin(), hidden.end());
    // The first 20 bytes of the hidden page end this page's body; the rest follows the page.
    Bytes straddling = audio;
    straddling.insert(straddling.end(), hidden.begin(), hidden.begin() + 20);
    straddling = oggPage(0, straddling);
    straddling.insert(straddling.end(), hidden.begin() + 20, hidden.end());
    Bytes pattern = audio;
    pattern.insert(pattern.begin() + 10, {'O', 'g', 'g', 'S'});
    Bytes patterns = audio;
    for (int n = 0; n < 5; ++n) {
        patterns.insert(patterns.begin() + 10, {'O', 'g', 'g', 'S'});
    }
    const char* hiddenPage = "music: a page hidden inside another";
    struct Row {
        const char* name;
        Bytes page;
        std::size_t length; // 0: refused for the reason
        const char* reason;
    };
    const Row rows[] = {
        {"stereo at 22050 Hz begins a stream", oggPage(2, vorbisIdentification(2, 22050)), 58,
         passes},
        {"audio", oggPage(0, audio), 329, passes},
        {"1 Hz", oggPage(2, vorbisIdentification(2, 1)), 0,
         "audio: more conversion filters than SDL holds"},
        {"2^31 Hz", oggPage(2, vorbisIdentification(2, 0x80000000u)), 0,
         "music: a rate above 192 kHz"},
        {"192001 Hz", oggPage(2, vorbisIdentification(2, 192001)), 0,
         "music: a rate above 192 kHz"},
        {"9 channels", oggPage(2, vorbisIdentification(9, 22050)), 0,
         "music: channels out of range"},
        {"a stream of another codec", oggPage(2, Bytes(30, 'x')), 0,
         "music: a stream that is not Vorbis"},
        {"a checksum that does not match", corrupted, 0, "music: not an intact Ogg page"},
        {"version 1", oggPage(0, audio, 1), 0, "music: an Ogg page of an unknown version"},
        {"an intact page inside the body", oggPage(0, hiding), 0, hiddenPage},
        {"an intact page that begins inside the body and ends beyond it", straddling, 0,
         hiddenPage},
        {"the capture pattern alone inside the body", oggPage(0, pattern), 333, passes},
        {"five capture patterns, each a page to check", oggPage(0, patterns), 0, hiddenPage},
    };
    for (const Row& row : rows) {
        const OggPage page = oggPageAccepted(row.page.data(), row.page.size(), mixer);
        expectVerdict(page.length != 0, row.reason, row.name);
        EXPECT_EQ(page.length, row.length) << row.name;
    }
}

// Fields packed as libvorbis packs them, from the lowest bit of each byte up.
struct PackedBits {
    Bytes bytes;
    std::size_t count = 0;

    PackedBits& put(Uint32 value, int width) {
        for (int n = 0; n < width; ++n, ++count) {
            if (count % 8 == 0) {
                bytes.push_back(0);
            }
            bytes.back() |= static_cast<Uint8>((value >> n & 1) << count % 8);
        }
        return *this;
    }
};

// A codebook whose entries have these code lengths in the order given, 0 for an unused entry.
void putBook(PackedBits& bits, Uint32 dimensions, const std::vector<int>& lengths,
             Uint32 mapType = 0) {
    const bool sparse = std::find(lengths.begin(), lengths.end(), 0) != lengths.end();
    bits.put(0x564342, 24).put(dimensions, 16).put(static_cast<Uint32>(lengths.size()), 24);
    bits.put(0, 1).put(sparse, 1);
    for (const int length : lengths) {
        if (sparse) {
            bits.put(length > 0, 1);
        }
        if (length > 0) {
            bits.put(static_cast<Uint32>(length - 1), 5);
        }
    }
    bits.put(mapType, 4);
}

// A codebook in length order: `counts[n]` entries of `firstLength + n` bits.
void putOrderedBook(PackedBits& bits, int firstLength, const std::vector<Uint32>& counts,
                    Uint32 dimensions = 1) {
    Uint32 entries = 0;
    for (const Uint32 count : counts) {
        entries += count;
    }
    bits.put(0x564342, 24).put(dimensions, 16).put(entries, 24).put(1, 1);
    bits.put(static_cast<Uint32>(firstLength - 1), 5);
    Uint32 done = 0;
    for (const Uint32 count : counts) {
        int width = 0;
        for (Uint32 left = entries - done; left > 0; left >>= 1) {
            ++width;
        }
        bits.put(count, width);
        done += count;
    }
    bits.put(0, 4);
}

// A setup header of these codebooks, with the rest of the header cut off.
Bytes vorbisSetup(const std::vector<std::function<void(PackedBits&)>>& books) {
    PackedBits bits;
    bits.bytes = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    bits.count = bits.bytes.size() * 8;
    bits.put(static_cast<Uint32>(books.size() - 1), 8);
    for (const auto& book : books) {
        book(bits);
    }
    return bits.bytes;
}

TEST(DataFileChecks, VorbisCodebooksThatLibvorbisSetsUp) {
    using Lengths = std::vector<int>;
    const auto book = [](Lengths lengths, Uint32 dimensions = 1) {
        return [=](PackedBits& bits) { putBook(bits, dimensions, lengths); };
    };
    // A 3 by 3 lattice: 9 entries, 3 values of 4 bits, and the rest of the setup after it.
    const auto lattice = [](PackedBits& bits) {
        putBook(bits, 2, {3, 3, 3, 3, 3, 3, 3, 4, 4}, 1);
        bits.put(0, 32).put(0, 32).put(3, 4).put(0, 1).put(0x123, 12);
    };
    Bytes cutLattice = vorbisSetup({lattice});
    cutLattice.resize(cutLattice.size() - 1);
    Bytes comment = vorbisSetup({book({1, 1})});
    comment[0] = 3;
    const char* unfilled = "music: codebook lengths that do not fill its tree";
    struct Row {
        const char* name;
        Bytes setup;
        const char* reason;
    };
    const Row rows[] = {
        {"four codewords of 2 bits", vorbisSetup({book({2, 2, 2, 2}, 2)}), passes},
        {"lengths out of order that fill the tree", vorbisSetup({book({3, 1, 3, 2})}), passes},
        {"a tree filled too much", vorbisSetup({book({1, 1, 1})}), unfilled},
        {"a tree filled too little", vorbisSetup({book({2, 2, 2})}), unfilled},
        {"one used entry of 1 bit", vorbisSetup({book({0, 1, 0})}), passes},
        {"one used entry of 2 bits", vorbisSetup({book({0, 2})}), unfilled},
        {"no used entry", vorbisSetup({book({0, 0})}), passes},
        {"0 dimensions", vorbisSetup({book({2, 2, 2, 2}, 0)}),
         "music: codebook of no dimensions or too many values"},
        {"a good book, then a refused one", vorbisSetup({book({1, 1}), book({2, 2})}), unfilled},
        {"length order, full", vorbisSetup({[](auto& b) {
             putOrderedBook(b, 2, {2, 4});
         }}),
         passes},
        {"length order, too many of a length",
         vorbisSetup({[](auto& b) { putOrderedBook(b, 1, {3}); }}),
         "music: codebook lengths out of range"},
        {"length order, too few", vorbisSetup({[](auto& b) { putOrderedBook(b, 2, {3}); }}),
         unfilled},
        {"65536 entries, sorted on the stack in 768 KiB",
         vorbisSetup({[](auto& b) { putOrderedBook(b, 16, {65536}); }}), passes},
        {"65537 entries", vorbisSetup({[](auto& b) {
             putOrderedBook(b, 16, {65535, 2});
         }}),
         "music: codebook of too many entries"},
        {"a lattice with its values", vorbisSetup({lattice}), passes},
        {"a lattice cut short", cutLattice, "music: setup header cut short"},
        {"map type 3", vorbisSetup({[](auto& b) {
             putBook(b, 1, {1, 1}, 3);
         }}),
         "music: codebook of an unknown map type"},
        {"a sync pattern that does not match",
         vorbisSetup({[](auto& b) { b.put(0x564343, 24).put(1, 16).put(0, 24); }}),
         "music: codebook without its sync pattern"},
        {"a comment header", comment, "music: not a Vorbis setup header"},
    };
    for (const Row& row : rows) {
        expectVerdict(vorbisSetupCost(row.setup.data(), row.setup.size(), stereo).has_value(),
                      row.reason, row.name);
    }
}

TEST(DataFileChecks, TextBoxesAndGlyphsThatSdlTtfRendersInside) {
    struct Row {
        const char* name;
        std::vector<GlyphPlace> glyphs;
        const char* reason;
        TextLine line = {16, 14, -4};
    };
    const char* left = "font: a glyph left of its text box";
    const char* above = "font: a glyph reaching far above its line";
    const char* below = "font: a glyph reaching far below its line";
    const char* large = "font: a glyph far larger than its size";
    const Row rows[] = {
        {"boxes in their cells", {{0, 6, 0, 10, 10, 0}, {2, 8, 0, 10, 10, 0}}, passes},
        {"the first glyph's negative bearing is made up for",
         {{-3, 6, 0, 10, 10, 0}, {-12, 8, 0, 10, 10, 0}},
         passes},
        {"a later glyph left of the box", {{0, 6, 0, 10, 10, 0}, {-11, 8, 0, 10, 10, 0}}, left},
        {"kerning pulls it left of the box", {{0, 6, 0, 10, 10, 0}, {0, 8, 0, 10, 10, -11}}, left},
        {"an empty glyph draws nothing there",
         {{0, 6, 0, 10, 10, 0}, {-20, -20, 0, 0, 10, 0}},
         passes},
        {"an advance beyond the bound",
         {{0, 6, 0, 10, 100000, 0}},
         "font: a glyph beyond the largest text box"},
        // The Adore64 "Q" and "y" at 12 points, and at 16 the accents and descenders of ordinary
        // faces: a ring over a capital half an em above the ascent, a tail three quarters of an
        // em below the descent.
        {"the project's own glyphs",
         {{2, 11, 0, 11, 12, 0}, {2, 11, -3, 8, 12, 0}},
         passes,
         {12, 14, -3}},
        {"a tall accent and a long descender",
         {{1, 14, 0, 22, 16, 0}, {0, 12, -16, 8, 16, 0}},
         passes},
        {"a glyph one em above the ascent", {{0, 6, 0, 30, 10, 0}}, passes},
        {"a glyph a pixel further up", {{0, 6, 0, 31, 10, 0}}, above},
        {"a G 2048 pixels wide reaching 4096 up, in a text box of the line's height",
         {{0, 2048, 0, 4096, 2048, 0}},
         above},
        {"a glyph one em below the descent", {{0, 6, -20, 10, 10, 0}}, passes},
        {"a glyph a pixel further down", {{0, 6, -21, 10, 10, 0}}, below},
        {"a glyph four ems wide", {{0, 64, 0, 10, 64, 0}}, passes},
        {"a glyph a pixel wider", {{0, 65, 0, 10, 65, 0}}, large},
        {"a glyph taller than four ems within a tall line",
         {{0, 6, 0, 65, 10, 0}},
         large,
         {16, 80, -4}},
    };
    for (const Row& row : rows) {
        expectVerdict(glyphsStayInTheirBox(row.glyphs, row.line), row.reason, row.name);
    }
    const char* height = "font: a line height out of range";
    expectVerdict(fontMetricsUsable(23, 18, -4), passes, "an ordinary face");
    expectVerdict(fontMetricsUsable(16, 16, 0), passes, "a face of fixed sizes");
    expectVerdict(fontMetricsUsable(-3, 0, 4), height, "ascender 0, descender above the baseline");
    expectVerdict(fontMetricsUsable(0, 0, 0), height, "no height");
    expectVerdict(fontMetricsUsable(5000, 4000, -999), height, "a height beyond the bound");
    expectVerdict(fontMetricsUsable(1025, 1000, -24), height, "a height just beyond the bound");
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Edits every page of an Ogg file with `edit(page, index)` and sets their checksums anew.
void editOggPages(Bytes& ogg, std::size_t from, const std::function<void(Uint8*, int)>& edit) {
    int index = 0;
    for (std::size_t at = from; at + 27 <= ogg.size(); ++index) {
        Uint8* page = ogg.data() + at;
        std::size_t length = 27u + page[26];
        for (int segment = 0; segment < page[26]; ++segment) {
            length += page[27 + segment];
        }
        edit(page, index);
        const Uint32 crc = oggChecksum(page, length);
        for (int n = 0; n < 4; ++n) {
            page[22 + n] = static_cast<Uint8>(crc >> 8 * n);
        }
        at += length;
    }
}

// Sets the rate in the identification header of a stream's first page.
void setOggRate(Uint8* page, Uint32 rate) {
    Uint8* body = page + 27 + page[26];
    std::memcpy(body + 12, &rate, 4);
}

// A Vorbis comment header with this vendor and `count` empty comments.
Bytes vorbisComment(Uint32 count, const std::string& vendor = "") {
    Bytes packet{3, 'v', 'o', 'r', 'b', 'i', 's'};
    putLe(packet, static_cast<Uint32>(vendor.size()), 4);
    packet.insert(packet.end(), vendor.begin(), vendor.end());
    putLe(packet, count, 4);
    packet.resize(packet.size() + 4 * std::size_t{count});
    packet.push_back(1);
    return packet;
}

TEST(DataFileChecks, VorbisSetupHeadersCostWhatLibvorbisAllocates) {
    // One book of 65536 entries in 8 dimensions, as the partition book of two residues of four
    // partitions: libvorbis makes a row for each of 4^8 partition values, for each residue.
    PackedBits bits;
    bits.bytes = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    bits.count = bits.bytes.size() * 8;
    bits.put(0, 8);
    putOrderedBook(bits, 16, {65536}, 8);
    bits.put(0, 6).put(0, 16);                               // one time-domain transform
    bits.put(0, 6).put(1, 16).put(0, 5).put(0, 2).put(0, 4); // one floor of type 1, no posts
    bits.put(1, 6);                                          // two residues
    for (int residue = 0; residue < 2; ++residue) {
        bits.put(0, 16).put(0, 24).put(0, 24).put(0, 24).put(3, 6).put(0, 8);
        for (int partition = 0; partition < 4; ++partition) {
            bits.put(0, 4);
        }
    }
    const std::optional<VorbisCost> costly =
        vorbisSetupCost(bits.bytes.data(), bits.bytes.size(), stereo);
    ASSERT_TRUE(costly.has_value()) << SDL_GetError();
    EXPECT_GT(costly->decoding, Sint64{9} << 20) << "two tables of 65536 rows, and the book";
    EXPECT_GT(costly->entry, 2 * 65536 * 450) << "each row allocated, filled and freed anew";
}

TEST(DataFileChecks, TheMostWorkThatAnyWindowOfLoopingMusicTakes) {
    struct Row {
        const char* name;
        std::vector<MusicWork> stretches;
        Sint64 most;
    };
    const Row rows[] = {
        {"one stretch longer than the window", {{10, 5000}}, 10},
        {"a loop of 100 frames, read 41 times", {{10, 100}}, 410},
        {"the costly stretch where a window starts", {{1000, 1}, {1, 4095}, {1, 4096}}, 1001},
        {"a window round the end of the loop", {{1, 4000}, {500, 0}, {7, 100}}, 508},
        {"a stream set up before each frame", {{100, 0}, {1, 1}}, 4096 * 101},
        {"no frames at all", {{5, 0}}, -1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(mostWorkIn(row.stretches, 4096), row.most) << row.name;
    }
}

// A stream one sample long (two audio packets, the last page's granule position 1) whose
// residue's partition book has 64000 entries, 40 partitions in 3 dimensions: libvorbis allocates,
// fills and frees a row for each of them whenever it sets the decoder up.
Bytes oneSampleStream(Uint32 serial) {
    PackedBits setup;
    setup.bytes = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    setup.count = setup.bytes.size() * 8;
    setup.put(0, 8);
    putOrderedBook(setup, 15, {1536, 62464}, 3);
    setup.put(0, 6).put(0, 16);                               // one time-domain transform
    setup.put(0, 6).put(1, 16).put(0, 5).put(0, 2).put(7, 4); // one floor of type 1, no posts
    setup.put(0, 6).put(2, 16).put(0, 24).put(0, 24).put(0, 24).put(39, 6).put(0, 8);
    for (int partition = 0; partition < 40; ++partition) {
        setup.put(0, 4);
    }
    setup.put(0, 6).put(0, 16).put(0, 4).put(0, 24);           // one mapping
    setup.put(0, 6).put(0, 1).put(0, 16).put(0, 16).put(0, 8); // one mode of short blocks
    setup.put(1, 1);
    Bytes stream = oggStream({vorbisIdentification(2, 22050), vorbisComment(0), setup.bytes});
    const Bytes audio = oggPageOf(4, 2, {1, 1}, {0, 0});
    stream.insert(stream.end(), audio.begin(), audio.end());
    editOggPages(stream, 0, [serial](Uint8* page, int index) {
        std::memcpy(page + 14, &serial, 4);
        page[6] = index == 2 ? 1 : 0;
    });
    return stream;
}

TEST(DataFileChecks, OggFilesThatSdlMixerPlaysForEverInBoundedMemoryAndTime) {
    const Bytes tone = readFile(FIXTURE_DIR "/tone.ogg");
    const Bytes song = readFile(FIXTURE_DIR "/song.ogg");
    ASSERT_FALSE(tone.empty());
    ASSERT_FALSE(song.empty());
    // The second stream numbered anew by `renumber`.
    const auto chain = [](Bytes first, const Bytes& second, Uint8 renumber = 0x5A) {
        const std::size_t at = first.size();
        first.insert(first.end(), second.begin(), second.end());
        editOggPages(first, at, [renumber](Uint8* page, int) { page[14] ^= renumber; });
        return first;
    };
    const auto edited = [](Bytes ogg, const std::function<void(Uint8*, int)>& edit) {
        editOggPages(ogg, 0, edit);
        return ogg;
    };
    const Uint8 setupStart[] = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    const std::size_t setup = static_cast<std::size_t>(
        std::search(tone.begin(), tone.end(), std::begin(setupStart), std::end(setupStart)) -
        tone.begin());
    ASSERT_LT(setup + 13, tone.size());
    // The first codebook of 0 dimensions.
    Bytes flat = tone;
    flat[setup + 11] = 0;
    flat[setup + 12] = 0;
    editOggPages(flat, 0, [](Uint8*, int) {});
    const Bytes wide = edited(tone, [](Uint8* page, int index) {
        if (index == 0) {
            setOggRate(page, 44100);
        }
    });
    // The pages up to the first that holds audio, the first with a granule position.
    std::size_t audioAt = 0;
    while (tone[audioAt + 6] == 0) {
        std::size_t length = 27u + tone[audioAt + 26];
        for (int segment = 0; segment < tone[audioAt + 26]; ++segment) {
            length += tone[audioAt + 27 + segment];
        }
        audioAt += length;
    }
    const Bytes headers(tone.begin(), tone.begin() + static_cast<std::ptrdiff_t>(audioAt));
    // The last page of the tone again, after the page that ends its stream.
    Bytes afterTheEnd = tone;
    afterTheEnd.insert(afterTheEnd.end(), tone.begin() + static_cast<std::ptrdiff_t>(audioAt),
                       tone.end());
    editOggPages(afterTheEnd, tone.size(), [](Uint8* page, int) { ++page[18]; });
    Bytes costly = oneSampleStream(1);
    const Bytes second = oneSampleStream(2);
    costly.insert(costly.end(), second.begin(), second.end());
    Bytes tail = tone;
    tail.resize(tone.size() + 4096, 0x55);
    const Bytes identification = vorbisIdentification(2, 22050);
    const Bytes small = oggStream({identification, vorbisComment(0), vorbisSetup({[](auto& b) {
                                       putBook(b, 1, {1, 1});
                                   }})});
    Bytes streams;
    for (int n = 0; n < 65; ++n) {
        const std::size_t at = streams.size();
        streams.insert(streams.end(), small.begin(), small.end());
        editOggPages(streams, at, [n](Uint8* page, int) { page[14] = static_cast<Uint8>(n); });
    }
    struct Row {
        const char* name;
        Bytes ogg;
        const char* reason;
    };
    const Row rows[] = {
        {"the tests' music", tone, passes},
        {"a chain of two streams in the mixer's format", chain(tone, tone), passes},
        {"four chained streams of two seconds each",
         chain(chain(chain(song, song, 1), song, 2), song, 3), passes},
        {"one stream at 44100 Hz, converted as it loops", wide, passes},
        {"a chain of streams that need converting, each change losing a buffer", chain(tone, wide),
         "music: chained streams that need converting"},
        {"the same with the stream that needs converting first", chain(wide, tone),
         "music: chained streams that need converting"},
        {"chained streams one sample long, each costly to set up", costly,
         "music: decoding that costs too much in a mixing buffer"},
        {"the headers alone", headers, "music: streams that play nothing"},
        {"a granule position one sample on",
         edited(song, [](Uint8* page, int index) { page[6] += index == 3 ? 1 : 0; }),
         "music: granule positions that disagree with the packets"},
        {"a stream numbered as the one before it", chain(tone, tone, 0),
         "music: a stream numbered as the one before it"},
        {"a page of another stream inside a stream",
         edited(song, [](Uint8* page, int index) { page[14] ^= index == 3 ? 1 : 0; }),
         "music: pages of streams interleaved"},
        {"a page after the one that ends its stream", afterTheEnd,
         "music: a page after the last of its stream"},
        {"a codebook of 0 dimensions", flat, "music: codebook of no dimensions or too many values"},
        {"the same in a chained second stream", chain(tone, flat),
         "music: codebook of no dimensions or too many values"},
        {"pages out of sequence",
         edited(tone, [](Uint8* page, int index) { page[18] += index > 0 ? 1 : 0; }),
         "music: pages out of sequence"},
        {"a page that says it continues a packet when none is open",
         edited(tone, [](Uint8* page, int index) { page[5] |= index == 1 ? 1 : 0; }),
         "music: continuation flags that disagree with the packets"},
        {"junk after the last page", tail, "music: not an intact Ogg page"},
        {"a comment header of its vendor and 200000 comments, 9 MB to libvorbis",
         oggStream({identification, vorbisComment(200000, "Xiph.Org libVorbis I 20200704")}),
         "music: headers that take libvorbis too much memory"},
        {"65 chained streams", streams, "music: more than 64 chained streams"},
        {"a comment header over 1 MiB", oggStream({identification, vorbisComment(270000)}),
         "music: a packet over 1 MiB"},
    };
    for (const Row& row : rows) {
        expectVerdict(oggFileAccepted(row.ogg.data(), row.ogg.size(), mixer), row.reason, row.name);
    }
}

// Resident memory of this process in KiB.
long residentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// A 640x480 picture whose every pixel differs from its neighbours.
void writePatternBitmap(const std::string& path) {
    SDL_Surface* image =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            static_cast<Uint32*>(image->pixels)[y * image->pitch / 4 + x] =
                static_cast<Uint32>(x * 7919 + y * 104729) & 0xFFFFFF;
        }
    }
    SDL_SaveBMP(image, path.c_str());
    SDL_FreeSurface(image);
}

// The display's pixels.
Bytes displayPixels() {
    const auto* pixels = static_cast<const Uint8*>(screen->pixels);
    return Bytes(pixels, pixels + screen->h * screen->pitch);
}

using GuardedLoads = ProgramTest;

TEST_F(GuardedLoads, CraftedFilesAreLeftUnseenAndUnheardAndTheProgramGoesOn) {
    Bytes depth2056 = bitmapHeader({40, 4, 4, 2056});
    depth2056.resize(54 + 4 * 4 * 257);
    Bytes farOffset = bitmapHeader({40, 4, 4, 32, 0, 0, 0x80000000u});
    farOffset.resize(200);
    Bytes lowestHeight = bitmapHeader({40, 4, 0x80000000u});
    lowestHeight.resize(200);
    for (const Bytes& bitmap : {depth2056, farOffset, lowestHeight}) {
        writeFile("graph/splash.bmp", bitmap);
        setBackground("graph/splash.bmp");
        EXPECT_EQ(background, nullptr);
    }
    for (const char* font : {"bearing.ttf", "flat.ttf", "kerned.ttf"}) {
        std::filesystem::copy_file(std::string(FIXTURE_DIR "/") + font, "Adore64.ttf",
                                   std::filesystem::copy_options::overwrite_existing);
        fillMarker();
        drawText("(S)tart Game", 240, 350, 16, 255, 255, 255, 0, 0, 255);
        EXPECT_TRUE(near(pixelAt(240, 350), magenta)) << font;
    }
    drawText("(Q)uit Game", 240, 380, 16, 255, 255, 255, 0, 0, 255);
    EXPECT_TRUE(near(pixelAt(240, 380), blue)) << "a line without the kerning pair is drawn";

    for (const Wave& wave : {Wave{1, 2, 1}, Wave{1, 0}, Wave{0x11, 1, 22050, 0, 4, 505}}) {
        Bytes file = waveHeaders(wave);
        file.resize(file.size() + wave.dataLength);
        writeFile("snd/quor.wav", file);
        EXPECT_EQ(loadSound("snd/quor.wav"), nullptr) << wave.rate << " Hz " << wave.channels;
    }
    // The music at 1 Hz, then a chained second stream at 1 Hz, then junk after the last page.
    const Bytes tone = readFile(FIXTURE_DIR "/tone.ogg");
    Bytes slow = tone;
    editOggPages(slow, 0, [](Uint8* page, int index) {
        if (index == 0) {
            setOggRate(page, 1);
        }
    });
    Bytes chained = tone;
    chained.insert(chained.end(), slow.begin(), slow.end());
    editOggPages(chained, tone.size(), [](Uint8* page, int) { page[14] ^= 0x5A; });
    Bytes tail = tone;
    tail.resize(tone.size() + 4096, 0x55);
    for (const Bytes& ogg : {slow, chained, tail}) {
        writeFile("snd/menumusic.ogg", ogg);
        Mix_Music* loaded = loadMusic("snd/menumusic.ogg");
        EXPECT_EQ(loaded, nullptr);
        Mix_FreeMusic(loaded);
    }
    std::filesystem::resize_file("snd/menumusic.ogg", (16 << 20) + 1);
    EXPECT_EQ(loadMusic("snd/menumusic.ogg"), nullptr);
    EXPECT_STREQ(SDL_GetError(), "music: over 16 MiB") << "refused before it is read";

    // The logo with all three spoilt, then the menu with a spoilt splash and font.
    writeFile("graph/quorspla.bmp", depth2056);
    setStack({quitConfirmState, menuState, logoState});
    logoState();
    EXPECT_EQ(sound, nullptr);
    EXPECT_EQ(music, nullptr);
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{quitConfirmState, menuState}));
    pushKey(SDLK_s);
    fillMarker();
    openGate();
    menuState();
    EXPECT_EQ(background, nullptr);
    EXPECT_TRUE(near(pixelAt(320, 240), black));
    EXPECT_EQ(stateStack.size(), 3u) << "the keys act as usual";
}

// A mono MS-ADPCM WAV of two blocks of 256 bytes, which start with these predictors.
Bytes msAdpcmWave(Uint8 first, Uint8 second) {
    Bytes bytes;
    putTag(bytes, "RIFF");
    putLe(bytes, 0, 4);
    putTag(bytes, "WAVE");
    putTag(bytes, "fmt ");
    putLe(bytes, 50, 4);
    for (const auto& [value, width] : std::initializer_list<std::pair<Uint32, int>>{
             {2, 2}, {1, 2}, {22050, 4}, {11155, 4}, {256, 2}, {4, 2}, {32, 2}, {500, 2}, {7, 2}}) {
        putLe(bytes, value, width);
    }
    for (const int coefficient : {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232}) {
        putLe(bytes, static_cast<Uint32>(coefficient), 2);
    }
    putTag(bytes, "data");
    putLe(bytes, 512, 4);
    for (const Uint8 predictor : {first, second}) {
        const std::size_t block = bytes.size();
        bytes.resize(block + 256, 0x12);
        bytes[block] = predictor;
        bytes[block + 1] = 16; // the first step
        bytes[block + 2] = 0;
    }
    return bytes;
}

TEST_F(GuardedLoads, MsAdpcmThatWouldFailInsideItsDecoderIsRefusedBeforeIt) {
    writeFile("snd/quor.wav", msAdpcmWave(0, 6));
    Mix_Chunk* loaded = loadSound("snd/quor.wav");
    ASSERT_NE(loaded, nullptr);
    EXPECT_GT(loaded->alen, 0u);
    Mix_FreeChunk(loaded);
    writeFile("snd/quor.wav", msAdpcmWave(0, 7));
    EXPECT_EQ(loadSound("snd/quor.wav"), nullptr);
    EXPECT_STREQ(SDL_GetError(), "sound: MS-ADPCM predictor unknown to SDL");
}

TEST_F(GuardedLoads, TheLibrariesReadTheBytesThatWereChecked) {
    // Each file is rewritten in place after its check and before its library reads it: a
    // bitmap's header with a depth that crashes the blit, a font's table directory, a sound and
    // the music with zeros. The library still gets what the check judged.
    const auto overwrite = [](const char* path, const Bytes& bytes) {
        std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    // A bitmap of 7 MiB whose rows start 6 MiB in: its leading bytes are judged in memory, and
    // the rest is read from the file as SDL asks for it.
    writePatternBitmap("graph/picture.bmp");
    const Bytes bitmap = readFile("graph/picture.bmp");
    const std::size_t rowsAt = bitmap[10] | bitmap[11] << 8 | bitmap[12] << 16;
    Bytes far(bitmap.begin(), bitmap.begin() + static_cast<std::ptrdiff_t>(rowsAt));
    far.resize(6 << 20);
    std::copy_n(Bytes{0, 0, 0x60, 0}.begin(), 4, far.begin() + 10);
    far.insert(far.end(), bitmap.begin() + static_cast<std::ptrdiff_t>(rowsAt), bitmap.end());
    writeFile("graph/picture.bmp", far);
    SDL_Surface* plain = SDL_LoadBMP_RW(SDL_RWFromFile("graph/picture.bmp", "rb"), 1);
    ASSERT_NE(plain, nullptr);
    SDL_RWops* stream = openBitmapStream("graph/picture.bmp");
    ASSERT_NE(stream, nullptr) << SDL_GetError();
    overwrite("graph/picture.bmp", bitmapHeader({40, 640, 480, 2056}));
    SDL_Surface* loaded = SDL_LoadBMP_RW(stream, 1);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->format->BitsPerPixel, plain->format->BitsPerPixel);
    EXPECT_EQ(std::memcmp(loaded->pixels, plain->pixels, plain->h * plain->pitch), 0);
    SDL_FreeSurface(loaded);
    SDL_FreeSurface(plain);

    writeWav("snd/tone.wav", 0.5);
    Mix_Chunk* plainSound = Mix_LoadWAV_RW(SDL_RWFromFile("snd/tone.wav", "rb"), 1);
    stream = openSoundStream("snd/tone.wav", mixer);
    ASSERT_NE(stream, nullptr);
    overwrite("snd/tone.wav", Bytes(4096, 0));
    Mix_Chunk* sound = Mix_LoadWAV_RW(stream, 1);
    ASSERT_NE(sound, nullptr);
    EXPECT_TRUE(sound->alen == plainSound->alen &&
                std::memcmp(sound->abuf, plainSound->abuf, sound->alen) == 0);
    Mix_FreeChunk(sound);
    Mix_FreeChunk(plainSound);

    TTF_Font* font = TTF_OpenFont("Adore64.ttf", 16);
    const int height = TTF_FontHeight(font);
    TTF_CloseFont(font);
    FontCheck check{};
    stream = openFontStream("Adore64.ttf", check);
    ASSERT_NE(stream, nullptr);
    overwrite("Adore64.ttf", Bytes(256, 0xFF));
    font = TTF_OpenFontRW(stream, 1, 16);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(TTF_FontHeight(font), height);
    TTF_CloseFont(font);

    stream = openMusicStream("snd/menumusic.ogg", mixer);
    ASSERT_NE(stream, nullptr);
    // A stream seeks like a file: not before its start, where a memory stream would clamp.
    EXPECT_EQ(SDL_RWseek(stream, 100, RW_SEEK_SET), 100);
    EXPECT_EQ(SDL_RWseek(stream, -101, RW_SEEK_CUR), -1);
    EXPECT_EQ(SDL_RWtell(stream), 100);
    EXPECT_EQ(SDL_RWseek(stream, 0, RW_SEEK_SET), 0);
    overwrite("snd/menumusic.ogg", Bytes(std::filesystem::file_size("snd/menumusic.ogg"), 0));
    Mix_Music* played = Mix_LoadMUSType_RW(stream, MUS_OGG, 1);
    EXPECT_NE(played, nullptr) << SDL_GetError();
    Mix_FreeMusic(played);
}

TEST_F(GuardedLoads, LoadsReadTheirLeadingBytesAndKeepLittleInMemory) {
    // Metadata of 10 KiB before the audio lies within the leading bytes that are judged.
    Wave wave;
    wave.before = "LIST";
    wave.beforeLength = 10 * 1024;
    Bytes file = waveHeaders(wave);
    file.resize(file.size() + wave.dataLength, 0x10);
    writeFile("snd/quor.wav", file);
    Mix_Chunk* loaded = loadSound("snd/quor.wav");
    EXPECT_NE(loaded, nullptr) << SDL_GetError();
    Mix_FreeChunk(loaded);

    // A bitmap whose rows start 12 MiB into the file is read from the file, and the buffer kept
    // from frame to frame for the splash stays as small as the splash needs.
    setBackground("graph/splash.bmp");
    const long before = residentKib();
    Bitmap far{40, 640, 480, 24};
    far.offset = 12 << 20;
    Bytes header = bitmapHeader(far);
    writeFile("graph/splash.bmp", header);
    std::filesystem::resize_file("graph/splash.bmp", (12 << 20) + 640 * 480 * 3);
    setBackground("graph/splash.bmp");
    ASSERT_NE(background, nullptr) << SDL_GetError();
    EXPECT_LT(residentKib() - before, 3 * 1024) << "the bitmap's 13 MiB stayed in memory";
}

// A line whose glyphs hold more points than the auto-hinter may fit is drawn with its outlines as
// they are: each different character counts once, as SDL_ttf loads it once however often it
// stands in the line.
TEST_F(GuardedLoads, LinesOfTooManyPointsForTheAutoHinterAreDrawnUnhinted) {
    TTF_Font* font = openFont("Adore64.ttf", 16);
    ASSERT_NE(font, nullptr) << SDL_GetError();
    const std::vector<Uint16> heavy(1024, 1024);
    EXPECT_TRUE(lineHintable(font, "SSSSSSSS", heavy));
    EXPECT_TRUE(lineHintable(font, "(S)t(S)t", heavy));
    EXPECT_FALSE(lineHintable(font, "(S)ta", heavy));
    EXPECT_TRUE(lineHintable(font, "Quit for sure (Y or N)?", std::vector<Uint16>(1024, 256)));
    TTF_CloseFont(font);
}

// The buffer kept from frame to frame holds one bitmap stream's bytes at a time: a second stream
// opened while the first one is open would read its file into the bytes that the first one still
// reads. Builds with assertions (the sanitized ones) catch that.
TEST_F(GuardedLoads, TheKeptBufferHasOneHolderAtATime) {
#ifdef NDEBUG
    GTEST_SKIP() << "a build without assertions";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SDL_RWops* first = openBitmapStream("graph/splash.bmp");
    ASSERT_NE(first, nullptr) << SDL_GetError();
    EXPECT_DEATH(openBitmapStream("graph/splash.bmp"), "kept buffer");
    SDL_RWclose(first);
    SDL_RWops* next = openBitmapStream("graph/splash.bmp");
    EXPECT_NE(next, nullptr) << SDL_GetError();
    SDL_RWclose(next);
#endif
}

TEST_F(GuardedLoads, ValidLeadingBytesBeforeAHugeTailLoadAsThePlainLoadOfTheFileAlone) {
    writePatternBitmap("graph/picture.bmp");
    writeWav("snd/tone.wav", 0.5);
    fillMarker();
    SDL_Surface* plain = SDL_LoadBMP_RW(SDL_RWFromFile("graph/picture.bmp", "rb"), 1);
    SDL_BlitSurface(plain, nullptr, screen, nullptr);
    SDL_FreeSurface(plain);
    TTF_Font* font = TTF_OpenFont("Adore64.ttf", 16);
    SDL_Surface* text =
        TTF_RenderText_Shaded(font, "(S)tart Game", {255, 255, 0, 0}, {0, 0, 255, 0});
    SDL_Rect at{240, 350, 0, 0};
    SDL_BlitSurface(text, nullptr, screen, &at);
    SDL_FreeSurface(text);
    TTF_CloseFont(font);
    const Bytes expected = displayPixels();
    Mix_Chunk* plainSound = Mix_LoadWAV_RW(SDL_RWFromFile("snd/tone.wav", "rb"), 1);
    ASSERT_NE(plainSound, nullptr);

    const long before = residentKib();
    for (const Sint64 size : {Sint64{3} << 29, Sint64{3} << 30}) {
        for (const char* path : {"graph/picture.bmp", "Adore64.ttf", "snd/tone.wav"}) {
            std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
        }
        fillMarker();
        setBackground("graph/picture.bmp");
        drawBackground();
        drawText("(S)tart Game", 240, 350, 16, 255, 255, 0, 0, 0, 255);
        EXPECT_TRUE(displayPixels() == expected) << size << " bytes";
        Mix_Chunk* loaded = loadSound("snd/tone.wav");
        ASSERT_NE(loaded, nullptr) << size << " bytes";
        EXPECT_TRUE(loaded->alen == plainSound->alen &&
                    std::memcmp(loaded->abuf, plainSound->abuf, loaded->alen) == 0);
        Mix_FreeChunk(loaded);
        EXPECT_LT(residentKib() - before, 8 * 1024) << size << " bytes";
    }
    Mix_FreeChunk(plainSound);
}

// Windows has no FIFOs in its file system, nor alarm().
#ifndef _WIN32
TEST_F(GuardedLoads, AFifoInPlaceOfADataFileNeverBlocks) {
    for (const char* path :
         {"graph/splash.bmp", "Adore64.ttf", "snd/quor.wav", "snd/menumusic.ogg"}) {
        std::filesystem::remove(path);
        ASSERT_EQ(mkfifo(path, 0600), 0) << path;
    }
    // Opening a FIFO for reading waits for a writer: were it opened, the alarm would end the test.
    alarm(10);
    setBackground("graph/splash.bmp");
    fillMarker();
    drawText("(S)tart Game", 240, 350, 16, 255, 255, 255, 0, 0, 0);
    EXPECT_EQ(background, nullptr);
    EXPECT_STREQ(SDL_GetError(), "data file: not a regular file");
    EXPECT_TRUE(near(pixelAt(245, 360), magenta));
    EXPECT_EQ(loadSound("snd/quor.wav"), nullptr);
    EXPECT_EQ(loadMusic("snd/menumusic.ogg"), nullptr);
    alarm(0);
}
#endif

} // namespace
