// Bounds-checked readers of untrusted bytes, and the refusal that every data file check records.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/reader.h"

#include <cstring>

ByteReader byteReader(const Uint8* bytes, std::size_t length) {
    return ByteReader{bytes, length, 0, false};
}

namespace {

// The next `count` bytes as a number, the first of them the lowest or the highest; 0, and the
// reader failed, when fewer are left.
Uint32 readField(ByteReader& reader, std::size_t count, bool littleEndian) {
    const Uint8* bytes = readSpan(reader, count);
    Uint32 value = 0;
    for (std::size_t n = 0; bytes != nullptr && n < count; ++n) {
        value = value << 8 | bytes[littleEndian ? count - 1 - n : n];
    }
    return value;
}

} // namespace

Uint32 readU8(ByteReader& reader) {
    return readField(reader, 1, true);
}

Uint32 readLe16(ByteReader& reader) {
    return readField(reader, 2, true);
}

Uint32 readLe32(ByteReader& reader) {
    return readField(reader, 4, true);
}

Uint32 readBe16(ByteReader& reader) {
    return readField(reader, 2, false);
}

Uint32 readBe32(ByteReader& reader) {
    return readField(reader, 4, false);
}

bool readTag(ByteReader& reader, const char* tag) {
    const Uint8* bytes = readSpan(reader, 4);
    return bytes != nullptr && std::memcmp(bytes, tag, 4) == 0;
}

const Uint8* readSpan(ByteReader& reader, std::size_t count) {
    // Once past the end the reader stays there, so that every later read fails as well.
    if (reader.failed || count > reader.length - reader.position) {
        reader.failed = true;
        reader.position = reader.length;
        return nullptr;
    }
    const Uint8* span = reader.bytes + reader.position;
    reader.position += count;
    return span;
}

void seekTo(ByteReader& reader, std::size_t position) {
    if (reader.failed || position > reader.length) {
        reader.failed = true;
        reader.position = reader.length;
        return;
    }
    reader.position = position;
}

BitReader bitReader(const Uint8* bytes, std::size_t length) {
    return BitReader{bytes, length, 0, false};
}

Uint32 readBits(BitReader& reader, int count) {
    const std::size_t available = reader.length * 8 - reader.position;
    if (reader.failed || static_cast<std::size_t>(count) > available) {
        reader.failed = true;
        reader.position = reader.length * 8;
        return 0;
    }
    Uint32 value = 0;
    for (int n = 0; n < count; ++n, ++reader.position) {
        value |= Uint32{(reader.bytes[reader.position / 8] >> reader.position % 8) & 1u} << n;
    }
    return value;
}

void skipBits(BitReader& reader, Sint64 count) {
    const Sint64 available = static_cast<Sint64>(reader.length * 8 - reader.position);
    if (reader.failed || count < 0 || count > available) {
        reader.failed = true;
        reader.position = reader.length * 8;
        return;
    }
    reader.position += static_cast<std::size_t>(count);
}

int bitWidth(Sint64 value) {
    int width = 0;
    for (; value > 0; value >>= 1) {
        ++width;
    }
    return width;
}

bool refuse(const char* reason) {
    SDL_SetError("%s", reason);
    return false;
}

std::nullopt_t refused(const char* reason) {
    refuse(reason);
    return std::nullopt;
}
