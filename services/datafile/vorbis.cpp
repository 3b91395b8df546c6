// The checks of Vorbis header packets against libvorbis: codebooks it cannot decode with, and
// what it allocates for the headers of a stream.
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
    Sint64 dimensions;
    Sint64 entries;
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
    VorbisCost cost{entries + allocationOverhead, entries * 13 + 1024 + allocationOverhead * 5};
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

// Skips one floor as floor0_unpack or floor1_unpack reads it; false for a type that libvorbis
// refuses.
bool skipFloor(BitReader& bits) {
    const Uint32 type = readBits(bits, 16);
    if (type == 0) {
        skipBits(bits, 8 + 16 + 16 + 6 + 8);
        skipBits(bits, 8 * (readBits(bits, 4) + 1));
        return true;
    }
    if (type != 1) {
        return false;
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
    for (const Uint32 partitionClass : classes) {
        for (Uint32 n = 0; n < classDimensions[partitionClass] && !bits.failed; ++n) {
            readBits(bits, rangeBits);
        }
    }
    return true;
}

// Reads one residue as res0_unpack does; what res0_look allocates for it: a row of partition
// numbers for every value of its partition book.
Sint64 residueCost(BitReader& bits, const std::vector<Codebook>& books) {
    if (readBits(bits, 16) > 2) {
        bits.failed = true;
        return 0;
    }
    skipBits(bits, 24 + 24 + 24);
    const Sint64 partitions = readBits(bits, 6) + 1;
    const Uint32 groupBook = readBits(bits, 8);
    int stages = 0;
    for (Sint64 n = 0; n < partitions; ++n) {
        const Uint32 cascade = readBits(bits, 3);
        const Uint32 more = readBits(bits, 1) == 1 ? readBits(bits, 5) : 0;
        stages += static_cast<int>(std::bitset<8>(cascade | more << 3).count());
    }
    skipBits(bits, 8 * stages);
    if (bits.failed || groupBook >= books.size()) {
        return 0;
    }
    // libvorbis refuses a partition book with fewer entries than partition values.
    const Codebook& book = books[groupBook];
    Sint64 values = 1;
    for (Sint64 n = 0; n < book.dimensions && values <= book.entries; ++n) {
        values *= partitions;
    }
    if (values > book.entries) {
        return 0;
    }
    return values * (8 + allocationOverhead + 4 * book.dimensions) +
           partitions * (8 + allocationOverhead);
}

} // namespace

std::optional<VorbisCost> vorbisSetupCost(const Uint8* packet, std::size_t length) {
    if (length < 7 || packet[0] != 5 || std::memcmp(packet + 1, "vorbis", 6) != 0) {
        return refused("music: not a Vorbis setup header");
    }
    BitReader bits = bitReader(packet + 7, length - 7);
    const Sint64 count = readBits(bits, 8) + 1;
    std::vector<Codebook> books(static_cast<std::size_t>(count));
    VorbisCost cost{0, 0};
    for (Codebook& book : books) {
        const std::optional<VorbisCost> bookCost = codebookCost(bits, book);
        if (!bookCost) {
            return std::nullopt;
        }
        cost.kept += bookCost->kept;
        cost.decoding += bookCost->decoding;
    }
    // What follows the codebooks, libvorbis checks well itself; only the residues' partition
    // tables are sized by the file. A header cut short in them fails in libvorbis, and costs
    // nothing more.
    skipBits(bits, 16 * (readBits(bits, 6) + 1));
    const Uint32 floors = readBits(bits, 6) + 1;
    for (Uint32 n = 0; n < floors && !bits.failed; ++n) {
        bits.failed = !skipFloor(bits);
    }
    const Uint32 residues = readBits(bits, 6) + 1;
    for (Uint32 n = 0; n < residues && !bits.failed; ++n) {
        cost.decoding += residueCost(bits, books);
    }
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
