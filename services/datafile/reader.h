// Bounds-checked readers of untrusted bytes, and the refusal that every data file check records.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>
#include <optional>

// Fields read in a row from a span of bytes. A read past the end gives 0 and sets `failed`, which
// stays set, so that a parser reads its fields in order and tests once.
struct ByteReader {
    const Uint8* bytes;
    std::size_t length;
    std::size_t position;
    bool failed;
};

// Fields packed from the lowest bit of each byte up, as libogg's oggpack_read reads them. A read
// past the end gives 0 and sets `failed`, which stays set.
struct BitReader {
    const Uint8* bytes;
    std::size_t length;
    std::size_t position;
    bool failed;
};

// A reader at the start of `length` bytes.
ByteReader byteReader(const Uint8* bytes, std::size_t length);

// The next byte.
Uint32 readU8(ByteReader& reader);

// The next 16-bit little-endian field.
Uint32 readLe16(ByteReader& reader);

// The next 32-bit little-endian field.
Uint32 readLe32(ByteReader& reader);

// The next 16-bit big-endian field.
Uint32 readBe16(ByteReader& reader);

// The next 32-bit big-endian field.
Uint32 readBe32(ByteReader& reader);

// Whether the next four bytes are `tag`; false past the end.
bool readTag(ByteReader& reader, const char* tag);

// The next `count` bytes where they lie, or null past the end.
const Uint8* readSpan(ByteReader& reader, std::size_t count);

// Moves to `position`, counted from the start; past the end fails.
void seekTo(ByteReader& reader, std::size_t position);

// A reader at the start of a packet of `length` bytes.
BitReader bitReader(const Uint8* bytes, std::size_t length);

// The next `count` bits, at most 32, as a number.
Uint32 readBits(BitReader& reader, int count);

// Skips the next `count` bits.
void skipBits(BitReader& reader, Sint64 count);

// The number of bits that `value` needs, as libvorbis's ov_ilog counts them.
int bitWidth(Sint64 value);

// Records why a data file is refused, for SDL_GetError, and says so: a refused file acts as a
// missing one, and nothing is printed.
bool refuse(const char* reason);

// Records why a data file is refused, as refuse does, where a check answers with a value: the
// answer is none, whatever the value's type.
std::nullopt_t refused(const char* reason);
