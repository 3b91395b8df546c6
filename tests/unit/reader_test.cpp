// The readers of untrusted bytes: fields in order, and a read past the end that gives 0 and
// fails for good.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ByteReader, ReadsFieldsInOrderAndFailsForGoodPastTheEnd) {
    const std::vector<Uint8> bytes{'R', 'I', 'F', 'F', 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB};
    ByteReader reader = byteReader(bytes.data(), bytes.size());
    EXPECT_TRUE(readTag(reader, "RIFF"));
    EXPECT_EQ(readLe16(reader), 0x1234u);
    EXPECT_EQ(readBe32(reader), 0x78563412u);
    EXPECT_FALSE(reader.failed);
    // Two bytes asked for, one left: 0, and the reader fails, whatever it is asked next.
    EXPECT_EQ(readLe16(reader), 0u);
    EXPECT_TRUE(reader.failed);
    seekTo(reader, 0);
    EXPECT_EQ(readU8(reader), 0u);
    EXPECT_EQ(readSpan(reader, 0), nullptr);
    EXPECT_TRUE(reader.failed);

    ByteReader exact = byteReader(bytes.data(), bytes.size());
    seekTo(exact, 8);
    EXPECT_EQ(readLe16(exact), 0x1234u);
    EXPECT_EQ(readU8(exact), 0xABu);
    EXPECT_FALSE(exact.failed) << "the last byte is still inside";
    seekTo(exact, bytes.size() + 1);
    EXPECT_TRUE(exact.failed);

    // A count that would wrap the position round is past the end like any other.
    ByteReader huge = byteReader(bytes.data(), bytes.size());
    readU8(huge);
    EXPECT_EQ(readSpan(huge, static_cast<std::size_t>(-1)), nullptr);
    EXPECT_TRUE(huge.failed);
}

TEST(BitReader, ReadsFromTheLowestBitUpAndFailsForGoodPastTheEnd) {
    // 0xB4 = 1011 0100 and 0x01: from the lowest bit up, 3 bits give 100 = 4, the next 5 give
    // 10110 = 22, and 1 bit is left after 8 more.
    const std::vector<Uint8> bytes{0xB4, 0x01};
    BitReader reader = bitReader(bytes.data(), bytes.size());
    EXPECT_EQ(readBits(reader, 3), 4u);
    EXPECT_EQ(readBits(reader, 5), 22u);
    EXPECT_EQ(readBits(reader, 1), 1u);
    skipBits(reader, 6);
    EXPECT_FALSE(reader.failed);
    EXPECT_EQ(readBits(reader, 2), 0u);
    EXPECT_TRUE(reader.failed);
    EXPECT_EQ(readBits(reader, 0), 0u);
    EXPECT_TRUE(reader.failed);

    const std::vector<Uint8> word{0x78, 0x56, 0x34, 0x12};
    BitReader whole = bitReader(word.data(), word.size());
    EXPECT_EQ(readBits(whole, 32), 0x12345678u);
    skipBits(whole, 1);
    EXPECT_TRUE(whole.failed);

    EXPECT_EQ(bitWidth(0), 0);
    EXPECT_EQ(bitWidth(1), 1);
    EXPECT_EQ(bitWidth(65536), 17);
}

} // namespace
