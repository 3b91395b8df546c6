// Data file checks: each row a crafted header and the verdict, the extent a load reads or none;
// then the program's own operations on crafted, oversized and special files.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "fixture.h"

#include "datafile.h"
#include "frame.h"
#include "logo.h"
#include "menu.h"
#include "quit_confirm.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<Uint8>;

// The mixer as the program opens it: 22050 Hz, signed 16-bit, stereo.
const MixerSpec mixer{22050, AUDIO_S16LSB, 2};

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
    Sint64 extent; // -1: refused
};

TEST(DataFileChecks, BitmapHeadersWithinSdlsLoader) {
    const Uint32 rgb[] = {0xFF0000, 0xFF00, 0xFF};
    const BitmapRow rows[] = {
        {"24-bit 4x4: header and rows", {}, 102, 102},
        {"the splash's shape",
         {108, 640, 480, 32, 3, 0, 122, {rgb[0], rgb[1], rgb[2]}},
         1228922,
         1228922},
        {"a tail after the rows is not read", {}, Sint64{3} << 30, 102},
        {"rows cut short", {}, 101, -1},
        {"pixel offset at 2^31", {40, 4, 4, 24, 0, 0, 0x80000000u}, Sint64{3} << 30, -1},
        {"8-bit: 256 colours read after the header", {40, 4, 4, 8, 0, 0, 1078}, 1094, 1094},
        {"8-bit with 2 colours of 2", {40, 4, 2, 8, 0, 2, 62}, 70, 70},
        {"1-bit: SDL counts 256 colours, the file may end before",
         {40, 8, 1, 1, 0, 0, 62},
         66,
         1078},
        {"1-bit with 3 colours", {40, 8, 1, 1, 0, 3, 66}, 70, -1},
        {"core header", {12, 4, 4, 24, 0, 0, 26}, 74, 74},
        {"header of 64 bytes", {64, 4, 4, 24, 0, 0, 78}, 126, -1},
        {"width 0", {40, 0, 4}, 1000, -1},
        {"width 8193", {40, 8193, 1}, Sint64{1} << 30, -1},
        {"height 8192, top-down", {40, 1, static_cast<Uint32>(-8192)}, Sint64{1} << 30, 54 + 32768},
        {"height -2^31", {40, 4, 0x80000000u}, Sint64{1} << 40, -1},
        {"depth 264, low byte 8", {40, 4, 4, 264}, 100000, -1},
        {"depth 2056, low byte 8", {40, 4, 4, 2056}, 100000, -1},
        {"depth 15", {40, 4, 4, 15}, 100000, -1},
        {"RLE compression", {40, 4, 4, 8, 1, 0, 1078}, 100000, -1},
        {"bit fields at 24 bits", {40, 4, 4, 24, 3, 0, 66, {rgb[0], rgb[1], rgb[2]}}, 114, -1},
        {"16-bit 5-6-5 fields", {40, 2, 2, 16, 3, 0, 66, {0xF800, 0x7E0, 0x1F}}, 74, 74},
        {"a mask of 16 bits", {40, 2, 2, 32, 3, 0, 66, {0xFFFF0000, 0xFF00, 0xFF}}, 82, -1},
        {"a mask with a gap", {40, 2, 2, 32, 3, 0, 66, {0x01010101, 0xFF00, 0xFF}}, 82, -1},
        {"no masks: SDL's default", {40, 2, 2, 32, 3, 0, 66, {0, 0, 0}}, 82, 82},
        {"uncompressed 32-bit rows after a gap: masks read",
         {40, 2, 2, 32, 0, 0, 70, {0x0F000000, 0, 0}},
         86,
         86},
    };
    for (const BitmapRow& row : rows) {
        const Bytes header = bitmapHeader(row.bitmap);
        const std::optional<Sint64> extent =
            bitmapExtent(header.data(), header.size(), row.fileSize);
        EXPECT_EQ(extent.value_or(-1), row.extent) << row.name;
    }
    const Bytes notABitmap{'B', 'A', 0, 0};
    EXPECT_FALSE(bitmapExtent(notABitmap.data(), notABitmap.size(), 100));
}

// A table directory of the given version with tables at (offset, length).
Bytes fontDirectory(Uint32 version, const std::vector<std::pair<Uint32, Uint32>>& tables) {
    Bytes bytes;
    putBe(bytes, version, 4);
    putBe(bytes, static_cast<Uint32>(tables.size()), 2);
    putBe(bytes, 0, 6);
    for (const auto& [offset, length] : tables) {
        putTag(bytes, "glyf");
        putBe(bytes, 0, 4);
        putBe(bytes, offset, 4);
        putBe(bytes, length, 4);
    }
    return bytes;
}

TEST(DataFileChecks, FontsReadUpToTheirFurthestTable) {
    const Uint32 truetype = 0x00010000;
    const Uint32 otto = 0x4F54544F;
    struct Row {
        const char* name;
        Bytes bytes;
        Sint64 extent;
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
        {"TrueType", fontDirectory(truetype, {{44, 20}, {100, 50}}), 150},
        {"OpenType with CFF", fontDirectory(otto, {{28, 4}}), 32},
        {"a table beyond 2^31: FreeType's own check", fontDirectory(truetype, {{0xFFFFFFF0u, 64}}),
         Sint64{0xFFFFFFF0u} + 64},
        {"a collection opens its first font", collection, 150},
        {"WOFF", fontDirectory(0x774F4646, {{28, 4}}), -1},
        {"directory cut short", cutShort, -1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fontExtent(row.bytes.data(), row.bytes.size(), 1000).value_or(-1), row.extent)
            << row.name;
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
    const char* before = nullptr; // a chunk of 10 bytes before the format
};

Bytes waveHeaders(const Wave& w) {
    Bytes bytes;
    putTag(bytes, "RIFF");
    putLe(bytes, 0, 4);
    putTag(bytes, "WAVE");
    if (w.before != nullptr) {
        putTag(bytes, w.before);
        putLe(bytes, 10, 4);
        bytes.resize(bytes.size() + 10);
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
        bool accepted;
    };
    const Row rows[] = {
        {"the mixer's own format", {}, 0, true},
        {"a long tail after the data", {}, Sint64{3} << 30, true},
        {"data cut short", {}, 4000, false},
        {"a LIST chunk first", {1, 2, 22050, 4, 16, 0, 4000, "LIST"}, 0, true},
        {"another chunk first", {1, 2, 22050, 4, 16, 0, 4000, "junk"}, 0, false},
        {"8-bit mono 11025 Hz", {1, 1, 11025, 1, 8}, 0, true},
        {"1 Hz overflows the filter table", {1, 2, 1}, 0, false},
        {"2 Hz", {1, 2, 2}, 0, false},
        {"2^31 Hz", {1, 2, 0x80000000u}, 0, false},
        {"0 channels", {1, 0}, 0, false},
        {"256 channels, a byte of 0", {1, 256}, 0, false},
        {"3 channels stay unconverted", {1, 3, 22050, 6}, 0, false},
        {"8 channels mix down", {1, 8, 22050, 16}, 0, true},
        {"12-bit samples", {1, 2, 22050, 4, 12}, 0, false},
        {"more than 8 MiB of data", {1, 2, 22050, 4, 16, 0, 9u << 20}, 0, false},
        {"MS-ADPCM", {2, 1, 22050, 256, 4, 500}, 0, true},
        {"MS-ADPCM with a block align of 0", {2, 1, 22050, 0, 4, 500}, 0, false},
        {"IMA-ADPCM with a block align of 0", {0x11, 1, 22050, 0, 4, 505}, 0, false},
        {"IMA-ADPCM, align below its block header", {0x11, 2, 22050, 7, 4, 505}, 0, false},
        {"IMA-ADPCM", {0x11, 1, 22050, 256, 4, 505}, 0, true},
        {"IMA-ADPCM, 8 MiB once decoded", {0x11, 1, 22050, 32768, 4, 65529, 65u << 15}, 0, false},
        {"IMA-ADPCM, blocks writing past their samples", {0x11, 1, 22050, 256, 4, 504}, 0, false},
        {"MS-ADPCM in stereo", {2, 2, 22050, 512, 4, 500}, 0, true},
        {"MS-ADPCM, blocks reading past the data", {2, 2, 22050, 256, 4, 500, 512}, 0, false},
        {"MS-ADPCM, blocks writing past their samples", {2, 1, 22050, 256, 4, 499}, 0, false},
        {"MS-ADPCM in 3 channels", {2, 3, 22050, 256, 4, 500}, 0, false},
        {"MP3", {0x55, 2, 22050, 1, 0}, 0, false},
    };
    for (const Row& row : rows) {
        const Bytes headers = waveHeaders(row.wave);
        const Sint64 size = row.fileSize != 0
                                ? row.fileSize
                                : static_cast<Sint64>(headers.size()) + row.wave.dataLength;
        const std::optional<Sint64> extent =
            soundExtent(headers.data(), headers.size(), size, mixer);
        EXPECT_EQ(extent.has_value(), row.accepted) << row.name;
        if (extent) {
            EXPECT_EQ(*extent, static_cast<Sint64>(headers.size()) + row.wave.dataLength)
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
        bool known;
    };
    const Row rows[] = {
        {"predictors 6 and 0", data({{0, 6}, {256, 0}}), 1, 500, true},
        {"predictor 7 in the second block", data({{0, 0}, {256, 7}}), 1, 500, false},
        {"stereo, the second channel's 7", data({{0, 1}, {1, 7}}), 2, 244, false},
        {"blocks shorter than their align", data({{0, 0}, {7, 0}}), 1, 2, true},
        {"at where the short block left off", data({{0, 0}, {7, 9}, {256, 0}}), 1, 2, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(msAdpcmPredictorsKnown(row.data.data(), row.data.size(), row.channels, 256,
                                         row.samplesPerBlock),
                  row.known)
            << row.name;
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
        Sint64 growth; // -1: refused
    };
    const Row rows[] = {
        {AUDIO_S16LSB, 2, 22050, mixer, 1},
        {AUDIO_U8, 1, 11025, mixer, 8},          // sign, 16 bits, stereo, one doubling
        {AUDIO_S16LSB, 2, 100, mixer, 128},      // seven doublings
        {AUDIO_U8, 1, 100, mixer, -1},           // ten filters
        {AUDIO_S16LSB, 2, 1, mixer, -1},         // the doubling never reaches the mixer
        {AUDIO_S16LSB, 2, 0, mixer, -1},         // nor from 0
        {AUDIO_S16LSB, 2, 5000000, mixer, 1},    // seven halvings
        {AUDIO_S16LSB, 2, 400000000, mixer, -1}, // fourteen
        {AUDIO_S16LSB, 6, 44100, mixer, 1},      // strip to stereo, halve
        {AUDIO_S16LSB, 5, 44100, mixer, -1},     // no filter for 5 channels
        {AUDIO_S16LSB, 2, 22050, {48000, AUDIO_S16LSB, 6}, 6}, // surround, double
    };
    for (const Row& row : rows) {
        EXPECT_EQ(audioConversionGrowth(row.format, row.channels, row.rate, row.to).value_or(-1),
                  row.growth)
            << row.channels << " channels at " << row.rate << " Hz";
    }
}

// An Ogg page: header, lacing and body, with its checksum.
Bytes oggPage(Uint8 flags, const Bytes& body, Uint8 version = 0) {
    Bytes page;
    putTag(page, "OggS");
    page.push_back(version);
    page.push_back(flags);
    putLe(page, 0, 4);
    putLe(page, 0, 4);
    putLe(page, 7, 4);
    putLe(page, 0, 4);
    putLe(page, 0, 4);
    std::size_t left = body.size();
    Bytes lacing;
    do {
        lacing.push_back(static_cast<Uint8>(std::min<std::size_t>(left, 255)));
        left -= lacing.back();
    } while (lacing.back() == 255);
    page.push_back(static_cast<Uint8>(lacing.size()));
    page.insert(page.end(), lacing.begin(), lacing.end());
    page.insert(page.end(), body.begin(), body.end());
    const Uint32 crc = oggChecksum(page.data(), page.size());
    for (int n = 0; n < 4; ++n) {
        page[22 + n] = static_cast<Uint8>(crc >> 8 * n);
    }
    return page;
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
    Bytes pattern = audio;
    pattern.insert(pattern.begin() + 10, {'O', 'g', 'g', 'S'});
    struct Row {
        const char* name;
        Bytes page;
        std::size_t length; // 0: refused
    };
    const Row rows[] = {
        {"stereo at 22050 Hz begins a stream", oggPage(2, vorbisIdentification(2, 22050)), 58},
        {"audio", oggPage(0, audio), 329},
        {"1 Hz", oggPage(2, vorbisIdentification(2, 1)), 0},
        {"2^31 Hz", oggPage(2, vorbisIdentification(2, 0x80000000u)), 0},
        {"9 channels", oggPage(2, vorbisIdentification(9, 22050)), 0},
        {"a stream of another codec", oggPage(2, Bytes(30, 'x')), 0},
        {"a checksum that does not match", corrupted, 0},
        {"version 1", oggPage(0, audio, 1), 0},
        {"an intact page inside the body", oggPage(0, hiding), 0},
        {"the capture pattern alone inside the body", oggPage(0, pattern), 333},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(oggPageAccepted(row.page.data(), row.page.size(), mixer).length, row.length)
            << row.name;
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
void putOrderedBook(PackedBits& bits, int firstLength, const std::vector<Uint32>& counts) {
    Uint32 entries = 0;
    for (const Uint32 count : counts) {
        entries += count;
    }
    bits.put(0x564342, 24).put(1, 16).put(entries, 24).put(1, 1);
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
    struct Row {
        const char* name;
        Bytes setup;
        bool usable;
    };
    const Row rows[] = {
        {"four codewords of 2 bits", vorbisSetup({book({2, 2, 2, 2}, 2)}), true},
        {"lengths out of order that fill the tree", vorbisSetup({book({3, 1, 3, 2})}), true},
        {"a tree filled too much", vorbisSetup({book({1, 1, 1})}), false},
        {"a tree filled too little", vorbisSetup({book({2, 2, 2})}), false},
        {"one used entry of 1 bit", vorbisSetup({book({0, 1, 0})}), true},
        {"one used entry of 2 bits", vorbisSetup({book({0, 2})}), false},
        {"no used entry", vorbisSetup({book({0, 0})}), true},
        {"0 dimensions", vorbisSetup({book({2, 2, 2, 2}, 0)}), false},
        {"a good book, then a refused one", vorbisSetup({book({1, 1}), book({2, 2})}), false},
        {"length order, full", vorbisSetup({[](auto& b) {
             putOrderedBook(b, 2, {2, 4});
         }}),
         true},
        {"length order, too many of a length",
         vorbisSetup({[](auto& b) { putOrderedBook(b, 1, {3}); }}), false},
        {"length order, too few", vorbisSetup({[](auto& b) { putOrderedBook(b, 2, {3}); }}), false},
        {"a lattice with its values", vorbisSetup({lattice}), true},
        {"a lattice cut short", cutLattice, false},
        {"map type 3", vorbisSetup({[](auto& b) {
             putBook(b, 1, {1, 1}, 3);
         }}),
         false},
        {"a sync pattern that does not match",
         vorbisSetup({[](auto& b) { b.put(0x564343, 24).put(1, 16).put(0, 24); }}), false},
        {"a comment header", comment, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(vorbisCodebooksUsable(row.setup.data(), row.setup.size()), row.usable)
            << row.name;
    }
}

TEST(DataFileChecks, TextBoxesAndGlyphsThatSdlTtfRendersInside) {
    struct Row {
        const char* name;
        std::vector<GlyphPlace> glyphs;
        bool inside;
    };
    const Row rows[] = {
        {"boxes in their cells", {{0, 6, 10, 0}, {2, 8, 10, 0}}, true},
        {"the first glyph's negative bearing is made up for",
         {{-3, 6, 10, 0}, {-12, 8, 10, 0}},
         true},
        {"a later glyph left of the box", {{0, 6, 10, 0}, {-11, 8, 10, 0}}, false},
        {"kerning pulls it left of the box", {{0, 6, 10, 0}, {0, 8, 10, -11}}, false},
        {"an empty glyph draws nothing there", {{0, 6, 10, 0}, {-20, -20, 10, 0}}, true},
        {"an advance beyond the bound", {{0, 6, 100000, 0}}, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(glyphsStayInTheirBox(row.glyphs), row.inside) << row.name;
    }
    EXPECT_TRUE(fontMetricsUsable(23, 18, -4));
    EXPECT_TRUE(fontMetricsUsable(16, 16, 0)) << "a face of fixed sizes";
    EXPECT_FALSE(fontMetricsUsable(-3, 0, 4)) << "ascender 0, descender above the baseline";
    EXPECT_FALSE(fontMetricsUsable(0, 0, 0));
    EXPECT_FALSE(fontMetricsUsable(5000, 4000, -999));
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

TEST_F(GuardedLoads, AudioThatWouldFailInsideItsDecoderIsRefusedBeforeIt) {
    writeFile("snd/quor.wav", msAdpcmWave(0, 6));
    Mix_Chunk* loaded = loadSound("snd/quor.wav");
    ASSERT_NE(loaded, nullptr);
    EXPECT_GT(loaded->alen, 0u);
    Mix_FreeChunk(loaded);
    writeFile("snd/quor.wav", msAdpcmWave(0, 7));
    EXPECT_EQ(loadSound("snd/quor.wav"), nullptr);

    // The music with its first codebook of 0 dimensions, alone and as the second of a chain, and
    // with its header pages out of sequence.
    const Bytes tone = readFile(FIXTURE_DIR "/tone.ogg");
    const Uint8 setupStart[] = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    const std::size_t setup = static_cast<std::size_t>(
        std::search(tone.begin(), tone.end(), std::begin(setupStart), std::end(setupStart)) -
        tone.begin());
    ASSERT_LT(setup + 13, tone.size());
    Bytes flat = tone;
    flat[setup + 11] = 0;
    flat[setup + 12] = 0;
    editOggPages(flat, 0, [](Uint8*, int) {});
    Bytes chained = tone;
    chained.insert(chained.end(), flat.begin(), flat.end());
    editOggPages(chained, tone.size(), [](Uint8* page, int) { page[14] ^= 0x5A; });
    Bytes gap = tone;
    editOggPages(gap, 0, [](Uint8* page, int index) { page[18] += index > 0 ? 1 : 0; });
    writeFile("snd/menumusic.ogg", tone);
    Mix_Music* loadedMusic = loadMusic("snd/menumusic.ogg");
    EXPECT_NE(loadedMusic, nullptr);
    Mix_FreeMusic(loadedMusic);
    for (const Bytes& ogg : {flat, chained, gap}) {
        writeFile("snd/menumusic.ogg", ogg);
        loadedMusic = loadMusic("snd/menumusic.ogg");
        EXPECT_EQ(loadedMusic, nullptr);
        Mix_FreeMusic(loadedMusic);
    }
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
            ASSERT_EQ(truncate(path, static_cast<off_t>(size)), 0) << path;
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
    EXPECT_TRUE(near(pixelAt(245, 360), magenta));
    EXPECT_EQ(loadSound("snd/quor.wav"), nullptr);
    EXPECT_EQ(loadMusic("snd/menumusic.ogg"), nullptr);
    alarm(0);
}

} // namespace
