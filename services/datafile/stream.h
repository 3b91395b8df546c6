// Data files held for their checks, and the streams through which the libraries then read
// exactly the bytes that were checked.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstdio>

// A regular data file opened for a check, with its first `count` bytes in memory: the buffer
// kept from load to load, or one of its own.
struct DataFile {
    std::FILE* file;
    Sint64 size;
    Uint8* bytes;
    Sint64 count;
    bool kept;
};

// Opens a regular data file for a check, reading nothing yet; false, with the reason recorded,
// when it is missing or special.
bool openDataFile(const char* path, DataFile& opened);

// Reads the first `leading` bytes of an opened file into memory (all of them when it is
// shorter), into the buffer kept from load to load when `kept`; false, with the reason recorded
// and the file closed, when they cannot be read.
bool readLeading(DataFile& opened, Sint64 leading, bool kept);

// Reads the first `length` bytes of an opened file into memory, after those already there
// (fewer when the file is shorter); false, with the reason recorded and the file closed, when
// they cannot be read.
bool readMore(DataFile& opened, Sint64 length);

// A read-only stream of the first `extent` bytes of an opened file, which it takes: the bytes
// in memory first, all of them when the extent is at most `memoryLimit`, else the rest read from
// the file as the library asks for them. Null, with the reason recorded, when the bytes cannot
// be had. A stream over the kept buffer must be closed before the next file is opened into it.
SDL_RWops* dataStream(DataFile& opened, Sint64 extent, Sint64 memoryLimit);

// Closes an opened file that no stream took.
void closeDataFile(DataFile& opened);
