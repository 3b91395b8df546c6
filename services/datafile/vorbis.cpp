// The checks of Vorbis header packets against libvorbis: codebooks it cannot decode with, what it
// allocates for the headers of a stream, and the work of its decoder's set-up.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/vorbis.h"

#include "services/datafile/reader.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Most entries of one codebook. vorbis_book_init_decode sorts a book's codewords in two arrays
// on the stack, 12 bytes an entry: within this it stays under a megabyte, which any thread's
// stack holds. libvorbis's own encoder writes books of at most 6561 entries.
constexpr Sint64 maxCodebookEntries = 65536;

// What a small allocation costs beside its bytes: glibc's header and rounding.
constexpr Sint64 allocationOverhead = 32;

// The decoder's work, in instructions: for each part, a bound somewhat above what callgrind counts
// in libvorbis 1.3.7 and glibc's allocator on headers made to make that part large (see
// docs/bad-data.md). Each entry into a stream: the decoder's state and block made and freed, and
// SDL_mixer's converter built anew.
constexpr Sint64 entryWork = 20000;
// Per sample of each block size: the tables of its MDCT made and freed.
constexpr Sint64 transformSampleWork = 100;
// Per sample of a long block and channel: the channel's output buffer allocated and zeroed.
constexpr Sint64 bufferSampleWork = 8;
// Each codebook made ready to decode with: per entry, its codeword made, sorted and indexed, and
// per value of a book with values, the value unpacked into each dimension.
constexpr Sint64 bookWork = 200;
constexpr Sint64 bookEntryWork = 1500;
constexpr Sint64 bookValueWork = 40;
// Each floor and residue set up and torn down: a fixed part; a floor of type 1 sorts its posts
// (per pair of posts), a floor of type 0 maps the samples of each block size to the Bark scale
// (per sample), a residue allocates, fills and frees a row of its partition table for each value
// of its partition book (per row, and per dimension of the row) and a list for each partition.
constexpr Sint64 floorWork = 2000;
constexpr Sint64 floorPostPairWork = 12;
constexpr Sint64 floorBarkSampleWork = 150;
constexpr Sint64 residueWork = 1000;
constexpr Sint64 residueRowWork = 450;
constexpr Sint64 residueRowDimensionWork = 14;
constexpr Sint64 residuePartitionWork = 64;
// Decoding one audio packet: a fixed part, and per sample of its block and channel the inverse
// MDCT, the window and a floor's curve. A floor of type 0 computes its curve from its
// coefficients at every sample (a part, and per coefficient). A residue decodes a partition class
// word for each partition of its samples (the partitions are `grouping` values long), and at each
// of its stages a codeword for each vector of its books' dimensions, added into the values.
constexpr Sint64 packetWork = 5000;
constexpr Sint64 packetSampleWork = 80;
constexpr Sint64 floorCurveSampleWork = 100;
constexpr Sint64 floorCoefficientSampleWork = 3;
constexpr Sint64 residueClassWork = 100;
constexpr Sint64 residueVectorWork = 200;
constexpr Sint64 residueValueWork = 10;

// Whether `base` to the power `exponent` is at most `limit`, without overflowing.
bool powerAtMost(Sint64 base, Sint64 exponent, Sint64 limit) {
    Sint64 power = 1;
    for (Sint64 n = 0; n < exponent; ++n) {
        if (power > limit / base) {
            return false;
        }
        power *= base;
    }
    return true;
}

// The values of a lattice codebook (map type 1): the greatest number whose power of the book's
// dimensions is at most its entries.
Sint64 latticeValues(Sint64 entries, Sint64 dimensions) {
    if (entries < 1) {
        return 0;
    }
    // A floating-point guess, made exact in integers.
    Sint64 values = std::max<Sint64>(
        1, static_cast<Sint64>(std::floor(
               std::pow(static_cast<double>(entries), 1.0 / static_cast<double>(dimensions)))));
    while (values > 1 && !powerAtMost(values, dimensions, entries)) {
        --values;
    }
    while (powerAtMost(values + 1, dimensions, entries)) {
        ++values;
    }
    return values;
}

// A codebook as the rest of the setup header refers to it.
struct Codebook {
    Sint64 dimensions, entries;
};

// What decoding a packet takes beyond its fixed part and the transform, at most, of the floors
// and residues that it may use: a floor's work per sample of the block, and a residue's per value.
struct PacketLoad {
    Sint64 floorSampleWork, residueValueWork;
};

// Reads one codebook as vorbis_staticbook_unpack does; the bytes that libvorbis allocates for it,
// none, with the reason recorded, when libvorbis cannot set it up for decoding and decode with it.
//
// vorbis_book_init_decode refuses code lengths that fill the tree of codewords too much or too
// little, which for lengths in any order is a Kraft sum other than one (one used entry of length
// 1 is let through). libvorbis then leaves the refused book zeroed among the decoding books, and
// the next read of audio uses it: a residue whose partition book it is divides by its 0
// dimensions. A book of 0 dimensions made by the file itself divides by zero, or loops for ever,
// in the residue decoders alike; no encoder writes one.
std::optional<VorbisCost> codebookCost(BitReader& bits, Codebook& book) {
    if (readBits(bits, 24) != 0x564342 || bits.failed) {
        return refused("music: codebook without its sync pattern");
    }
    const Sint64 dimensions = readBits(bits, 16);
    const Sint64 entries = readBits(bits, 24);
    if (bits.failed || dimensions < 1 || bitWidth(dimensions) + bitWidth(entries) > 24) {
        return refused("music: codebook of no dimensions or too many values");
    }
    if (entries > maxCodebookEntries) {
        return refused("music: codebook of too many entries");
    }
    book = Codebook{dimensions, entries};
    // Sums of 2^(32 - length) over the used entries; a full tree sums to 2^32.
    Uint64 kraft = 0;
    Sint64 used = 0;
    Sint64 lastLength = 0;
    if (readBits(bits, 1) == 0) {
        const bool sparse = readBits(bits, 1) == 1;
        for (Sint64 entry = 0; entry < entries && !bits.failed; ++entry) {
            if (!sparse || readBits(bits, 1) == 1) {
                const Sint64 code = readBits(bits, 5);
                kraft += Uint64{1} << (31 - code);
                ++used;
                lastLength = code + 1;
            }
        }
    } else {
        Sint64 length = readBits(bits, 5) + 1;
        for (Sint64 entry = 0; entry < entries && !bits.failed; ++length) {
            const Sint64 count = readBits(bits, bitWidth(entries - entry));
            if (length > 32 || count > entries - entry ||
                (count > 0 && (count - 1) >> (length - 1) > 1)) {
                return refused("music: codebook lengths out of range");
            }
            kraft += static_cast<Uint64>(count) << (32 - length);
            used += count;
            entry += count;
            lastLength = length;
        }
    }
    if (bits.failed) {
        return refused("music: setup header cut short");
    }
    if (used > 0 && kraft != Uint64{1} << 32 && !(used == 1 && lastLength == 1)) {
        return refused("music: codebook lengths that do not fill its tree");
    }
    // The static book keeps the lengths; the decoding book has codewords, an index and lengths
    // (and the codewords again while it sorts them), and a first-lookup table.
    VorbisCost cost{entries + allocationOverhead,
                    entries * 13 + 1024 + allocationOverhead * 5,
                    bookWork + entries * bookEntryWork,
                    0,
                    0,
                    0};
    const Sint64 mapType = readBits(bits, 4);
    if (mapType == 1 || mapType == 2) {
        readBits(bits, 32);
        readBits(bits, 32);
        const Sint64 valueBits = readBits(bits, 4) + 1;
        readBits(bits, 1);
        const Sint64 values =
            mapType == 1 ? latticeValues(entries, dimensions) : entries * dimensions;
        // The static book keeps each value as a long; the decoding book unpacks a float for
        // every dimension of every entry.
        cost.kept += values * 8;
        cost.decoding += entries * dimensions * 4;
        cost.entry += entries * dimensions * bookValueWork;
        skipBits(bits, values * valueBits);
        if (bits.failed) {
            return refused("music: setup header cut short");
        }
        return cost;
    }
    if (mapType != 0 || bits.failed) {
        return refused("music: codebook of an unknown map type");
    }
    return cost;
}

// Reads one floor as floor0_unpack or floor1_unpack does; the work of its set-up for these block
// sizes, and the coefficients that a floor of type 0 adds to `load`. Fails the reader for a type
// that libvorbis refuses.
Sint64 floorWorkOf(BitReader& bits, const Sint64 (&blockSizes)[2], PacketLoad& load) {
    const Uint32 type = readBits(bits, 16);
    if (type == 0) {
        const Sint64 order = readBits(bits, 8);
        skipBits(bits, 16 + 16 + 6 + 8);
        skipBits(bits, 8 * (readBits(bits, 4) + 1));
        load.floorSampleWork = std::max(load.floorSampleWork,
                                        floorCurveSampleWork + floorCoefficientSampleWork * order);
        return floorWork + floorBarkSampleWork * (blockSizes[0] + blockSizes[1]) / 2;
    }
    if (type != 1) {
        bits.failed = true;
        return 0;
    }
    const Uint32 partitions = readBits(bits, 5);
    std::vector<Uint32> classes(partitions);
    Uint32 classCount = 0;
    for (Uint32& partitionClass : classes) {
        partitionClass = readBits(bits, 4);
        classCount = std::max(classCount, partitionClass + 1);
    }
    std::vector<Uint32> classDimensions(classCount);
    for (Uint32& dimensions : classDimensions) {
        dimensions = readBits(bits, 3) + 1;
        const Uint32 subclasses = readBits(bits, 2);
        readBits(bits, subclasses != 0 ? 8 : 0);
        for (Uint32 n = 0; n < 1u << subclasses; ++n) {
            readBits(bits, 8);
        }
    }
    readBits(bits, 2);
    const int rangeBits = static_cast<int>(readBits(bits, 4));
    Sint64 posts = 2;
    for (const Uint32 partitionClass : classes) {
        for (Uint32 n = 0; n < classDimensions[partitionClass] && !bits.failed; ++n, ++posts) {
            readBits(bits, rangeBits);
        }
    }
    return floorWork + floorPostPairWork * posts * posts;
}

// Reads one residue as res0_unpack does; adds what res0_look allocates for it (a row of partition
// numbers for every value of its partition book) to `cost`, with the work of its set-up, and what
// decoding it takes to `load`.
void residueCost(BitReader& bits, const std::vector<Codebook>& books, VorbisCost& cost,
                 PacketLoad& load) {
    if (readBits(bits, 16) > 2) {
        bits.failed = true;
        return;
    }
    skipBits(bits, 24 + 24);
    const Sint64 grouping = readBits(bits, 24) + 1;
    const Sint64 partitions = readBits(bits, 6) + 1;
    const Uint32 groupBook = readBits(bits, 8);
    int stages = 0;
    Uint32 cascades = 0;
    for (Sint64 n = 0; n < partitions; ++n) {
        const Uint32 cascade = readBits(bits, 3);
        const Uint32 more = readBits(bits, 1) == 1 ? readBits(bits, 5) : 0;
        stages += static_cast<int>(std::bitset<8>(cascade | more << 3).count());
        cascades |= cascade | more << 3;
    }
    // The vectors are as short as the books of the fewest dimensions make them.
    Sint64 dimensions = 0;
    for (int n = 0; n < stages; ++n) {
        const Uint32 stageBook = readBits(bits, 8);
        if (stageBook < books.size() &&
            (dimensions == 0 || books[stageBook].dimensions < dimensions)) {
            dimensions = books[stageBook].dimensions;
        }
    }
    if (bits.failed || groupBook >= books.size()) {
        return;
    }
    load.residueValueWork =
        std::max(load.residueValueWork,
                 residueClassWork / grouping +
                     bitWidth(cascades) *
                         (residueVectorWork / std::max<Sint64>(dimensions, 1) + residueValueWork));
    // libvorbis refuses a partition book with fewer entries than partition values.
    const Codebook& book = books[groupBook];
    Sint64 values = 1;
    for (Sint64 n = 0; n < book.dimensions && values <= book.entries; ++n) {
        values *= partitions;
    }
    if (values > book.entries) {
        return;
    }
    cost.decoding += values * (8 + allocationOverhead + 4 * book.dimensions) +
                     partitions * (8 + allocationOverhead);
    cost.entry += residueWork + residuePartitionWork * partitions +
                  values * (residueRowWork + residueRowDimensionWork * book.dimensions);
}

// Skips one mapping as mapping0_unpack reads it for this many channels; fails the reader for a
// type that libvorbis refuses.
void skipMapping(BitReader& bits, int channels) {
    if (readBits(bits, 16) != 0) {
        bits.failed = true;
        return;
    }
    const Uint32 submaps = readBits(bits, 1) == 1 ? readBits(bits, 4) + 1 : 1;
    if (readBits(bits, 1) == 1) {
        skipBits(bits, 2 * bitWidth(channels - 1) * (readBits(bits, 8) + 1));
    }
    readBits(bits, 2);
    skipBits(bits, submaps > 1 ? 4 * channels : 0);
    skipBits(bits, 24 * submaps);
}

} // namespace

std::optional<VorbisFormat> vorbisFormat(const Uint8* packet, std::size_t length) {
    ByteReader reader = byteReader(packet, length);
    seekTo(reader, 11);
    const int channels = static_cast<int>(readU8(reader));
    const Uint32 rate = readLe32(reader);
    seekTo(reader, 28);
    const Uint32 blocks = readU8(reader);
    if (reader.failed) {
        return std::nullopt;
    }
    return VorbisFormat{channels, rate, {Sint64{1} << (blocks & 15), Sint64{1} << (blocks >> 4)}};
}

std::optional<VorbisCost> vorbisSetupCost(const Uint8* packet, std::size_t length,
                                          const VorbisFormat& format) {
    if (length < 7 || packet[0] != 5 || std::memcmp(packet + 1, "vorbis", 6) != 0) {
        return refused("music: not a Vorbis setup header");
    }
    BitReader bits = bitReader(packet + 7, length - 7);
    const Sint64 count = readBits(bits, 8) + 1;
    std::vector<Codebook> books(static_cast<std::size_t>(count));
    VorbisCost cost{0, 0, 0, 0, 0, 0};
    for (Codebook& book : books) {
        const std::optional<VorbisCost> bookCost = codebookCost(bits, book);
        if (!bookCost) {
            return std::nullopt;
        }
        cost.kept += bookCost->kept;
        cost.decoding += bookCost->decoding;
        cost.entry += bookCost->entry;
    }
    // What follows the codebooks, libvorbis checks well itself; they are read here for the work of
    // the decoder's set-up, the residues' partition tables that the file sizes, and the modes. A
    // header cut short in them fails in libvorbis, and costs nothing more.
    const Sint64 blockSizes[2] = {format.blockSizes[0], format.blockSizes[1]};
    cost.entry += entryWork + transformSampleWork * (blockSizes[0] + blockSizes[1]) +
                  bufferSampleWork * format.channels * blockSizes[1];
    PacketLoad load{0, 0};
    skipBits(bits, 16 * (readBits(bits, 6) + 1));
    const Uint32 floors = readBits(bits, 6) + 1;
    for (Uint32 n = 0; n < floors && !bits.failed; ++n) {
        cost.entry += floorWorkOf(bits, blockSizes, load);
    }
    const Uint32 residues = readBits(bits, 6) + 1;
    for (Uint32 n = 0; n < residues && !bits.failed; ++n) {
        residueCost(bits, books, cost, load);
    }
    const Uint32 mappings = readBits(bits, 6) + 1;
    for (Uint32 n = 0; n < mappings && !bits.failed; ++n) {
        skipMapping(bits, format.channels);
    }
    const int modes = static_cast<int>(readBits(bits, 6)) + 1;
    Uint64 longModes = 0;
    for (int n = 0; n < modes; ++n) {
        longModes |= Uint64{readBits(bits, 1)} << n;
        skipBits(bits, 16 + 16 + 8);
    }
    if (readBits(bits, 1) == 1 && !bits.failed) {
        cost.modes = modes;
        cost.longModes = longModes;
    }
    // A block of n samples has n / 2 values for each channel.
    cost.packetSampleWork = packetSampleWork + load.floorSampleWork + load.residueValueWork / 2;
    return cost;
}

Sint64 vorbisCommentCost(const Uint8* packet, std::size_t length) {
    // libvorbis copies the vendor and every comment into an allocation of its own, with a
    // pointer and a length for each.
    ByteReader reader = byteReader(packet, length);
    seekTo(reader, 7);
    const Uint32 vendor = readLe32(reader);
    seekTo(reader, 11 + static_cast<std::size_t>(vendor));
    const Sint64 comments = readLe32(reader);
    return static_cast<Sint64>(length) + allocationOverhead +
           (reader.failed ? 0 : (comments + 1) * (12 + allocationOverhead));
}

int vorbisPacketBlock(const Uint8* head, std::size_t length, const VorbisCost& setup) {
    // vorbis_synthesis skips a packet that is not audio, names a mode that the header lacks, or
    // ends before the window flags of a long block.
    BitReader bits = bitReader(head, std::min<std::size_t>(length, 2));
    const bool audio = readBits(bits, 1) == 0;
    const Uint32 mode = readBits(bits, bitWidth(setup.modes - 1));
    const int block = static_cast<int>(setup.longModes >> mode & 1);
    readBits(bits, 2 * block);
    return audio && !bits.failed && static_cast<int>(mode) < setup.modes ? block : -1;
}

Sint64 vorbisPacketWork(const VorbisFormat& format, const VorbisCost& setup, int block) {
    return packetWork + format.channels * format.blockSizes[block] * setup.packetSampleWork;
}
