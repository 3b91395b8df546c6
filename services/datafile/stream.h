// Data files held for their checks, and the streams through which the libraries then read
// exactly the bytes that were checked.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstdio>
#include <memory>

// Closes the file that a data file or a stream owns.
struct FileCloser {
    void operator()(std::FILE* file) const;
};

// Releases the bytes that a data file or a stream owns: frees a buffer of its own, or gives back
// the buffer kept from load to load, which one holder at a time may take.
struct BytesRelease {
    bool kept;
    void operator()(Uint8* bytes) const;
};

// A file, closed by whoever holds it last.
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// Bytes read from a file, released by whoever holds them last.
using OwnedBytes = std::unique_ptr<Uint8, BytesRelease>;

// A regular data file opened for a check, with its first `count` bytes in memory. It owns its
// file and its bytes: whatever way a load leaves, they are released with it, or go on to the
// stream that takes it.
struct DataFile {
    OwnedFile file;
    Sint64 size;
    OwnedBytes bytes;
    Sint64 count;
};

// Opens a regular data file for a check, reading nothing yet; false, with the reason recorded,
// when it is missing or special.
bool openDataFile(const char* path, DataFile& opened);

// Reads the first `leading` bytes of an opened file into memory (all of them when it is
// shorter), into the buffer kept from load to load when `kept`; false, with the reason recorded,
// when they cannot be read. The kept buffer must not be held by another file or stream.
bool readLeading(DataFile& opened, Sint64 leading, bool kept);

// Reads the first `length` bytes of an opened file into memory, after those already there
// (fewer when the file is shorter); false, with the reason recorded, when they cannot be read.
bool readMore(DataFile& opened, Sint64 length);

// A read-only stream of the first `extent` bytes of an opened file, which it takes in any case:
// the bytes in memory first, all of them when the extent is at most `memoryLimit`, else the rest
// read from the file as the library asks for them. Null, with the reason recorded, when the
// bytes cannot be had. Closing the stream releases the file and its bytes.
SDL_RWops* dataStream(DataFile&& opened, Sint64 extent, Sint64 memoryLimit);
