// Data files held for their checks, and the streams through which the libraries then read
// exactly the bytes that were checked.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/stream.h"

#include "services/datafile/file.h"
#include "services/datafile/reader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Bytes that the C library reads ahead from a file whose rest is read as a library asks: SDL
// reads 1-bit and 4-bit bitmaps one byte at a time.
constexpr std::size_t readAhead = 64 * 1024;

// The buffer kept from load to load, for the bitmap loaded anew on every frame: a megabyte
// allocated and freed on every menu frame made glibc grow and trim its heap on every frame, a
// millisecond each time. SDL copies the pixels into its own surface before the stream closes.
Uint8* keptBytes = nullptr;
Sint64 keptCapacity = 0;

// The first `length` bytes of a data file as a library reads them: `inMemory` of them from
// `bytes`, the rest from `file`, with 64-bit positions.
struct Window {
    std::FILE* file;
    Uint8* bytes;
    bool ownsBytes;
    Sint64 inMemory;
    Sint64 length;
    Sint64 position;
    Sint64 filePosition;
};

// Room for `length` bytes at `bytes`, keeping the first `count` of them: the kept buffer, or a
// buffer of the file's own. Null when it cannot grow.
Uint8* reserve(Uint8* bytes, bool kept, Sint64 count, Sint64 length) {
    if (kept && length <= keptCapacity) {
        return keptBytes;
    }
    if (kept && count == 0) {
        std::free(keptBytes);
        keptBytes = nullptr;
        keptCapacity = 0;
    }
    auto* grown = static_cast<Uint8*>(std::realloc(
        kept ? keptBytes : bytes, static_cast<std::size_t>(std::max<Sint64>(length, 1))));
    if (grown != nullptr && kept) {
        keptBytes = grown;
        keptCapacity = length;
    }
    return grown;
}

// Reads `count` bytes at `offset` of `file`; the number read, short only where it ends or fails.
Sint64 readAt(std::FILE* file, Uint8* into, Sint64 count, Sint64 offset) {
    // Offsets stay below 2^31 (the libraries' streams take ints), which a long holds everywhere.
    if (count <= 0 || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
        return 0;
    }
    return static_cast<Sint64>(std::fread(into, 1, static_cast<std::size_t>(count), file));
}

Window* windowOf(SDL_RWops* context) {
    return static_cast<Window*>(context->hidden.unknown.data1);
}

// Like a file stream: a seek before the start fails and leaves the position, one past the end
// succeeds. SDL_RWFromConstMem instead clamps a seek before the start to the start, which loaded
// a bitmap's pixels from its own header.
int SDLCALL windowSeek(SDL_RWops* context, int offset, int whence) {
    Window* window = windowOf(context);
    const Sint64 base = whence == RW_SEEK_SET   ? 0
                        : whence == RW_SEEK_CUR ? window->position
                                                : window->length;
    const Sint64 target = base + offset;
    if (target < 0 || target > INT_MAX || whence < RW_SEEK_SET || whence > RW_SEEK_END) {
        SDL_SetError("Seek outside the data file");
        return -1;
    }
    window->position = target;
    return static_cast<int>(target);
}

int SDLCALL windowRead(SDL_RWops* context, void* into, int size, int count) {
    Window* window = windowOf(context);
    if (size <= 0 || count <= 0 || window->position >= window->length) {
        return 0;
    }
    auto* out = static_cast<Uint8*>(into);
    const Sint64 wanted =
        std::min(static_cast<Sint64>(size) * count, window->length - window->position);
    const Sint64 fromMemory = std::clamp<Sint64>(window->inMemory - window->position, 0, wanted);
    std::memcpy(out, window->bytes + window->position, static_cast<std::size_t>(fromMemory));
    Sint64 got = fromMemory;
    if (got < wanted) {
        // Sequential reads go on where the last one ended, from the C library's read-ahead.
        const Sint64 at = window->position + got;
        const Sint64 read =
            at == window->filePosition
                ? static_cast<Sint64>(std::fread(
                      out + got, 1, static_cast<std::size_t>(wanted - got), window->file))
                : readAt(window->file, out + got, wanted - got, at);
        window->filePosition = at + read;
        got += read;
    }
    window->position += got;
    return static_cast<int>(got / size);
}

int SDLCALL windowWrite(SDL_RWops*, const void*, int, int) {
    SDL_SetError("Data files are read-only");
    return -1;
}

int SDLCALL windowClose(SDL_RWops* context) {
    if (context != nullptr) {
        Window* window = windowOf(context);
        if (window->file != nullptr) {
            std::fclose(window->file);
        }
        if (window->ownsBytes) {
            std::free(window->bytes);
        }
        delete window;
        SDL_FreeRW(context);
    }
    return 0;
}

} // namespace

bool openDataFile(const char* path, DataFile& opened) {
    opened = DataFile{nullptr, 0, nullptr, 0, false};
    opened.file = openRegularFile(path, opened.size);
    if (opened.file == nullptr) {
        return false;
    }
    std::setvbuf(opened.file, nullptr, _IOFBF, readAhead);
    return true;
}

bool readLeading(DataFile& opened, Sint64 leading, bool kept) {
    opened.kept = kept;
    const Sint64 count = std::min(opened.size, leading);
    opened.bytes = reserve(nullptr, kept, 0, count);
    if (opened.bytes == nullptr || readAt(opened.file, opened.bytes, count, 0) != count) {
        closeDataFile(opened);
        return refuse("data file: cannot be read");
    }
    opened.count = count;
    return true;
}

bool readMore(DataFile& opened, Sint64 length) {
    length = std::min(length, opened.size);
    if (length <= opened.count) {
        return true;
    }
    Uint8* grown = reserve(opened.bytes, opened.kept, opened.count, length);
    if (grown == nullptr) {
        closeDataFile(opened);
        return refuse("data file: out of memory");
    }
    opened.bytes = grown;
    if (readAt(opened.file, grown + opened.count, length - opened.count, opened.count) !=
        length - opened.count) {
        closeDataFile(opened);
        return refuse("data file: cannot be read");
    }
    opened.count = length;
    return true;
}

SDL_RWops* dataStream(DataFile& opened, Sint64 extent, Sint64 memoryLimit) {
    // SDL's streams count their positions in ints.
    const Sint64 length = std::min(extent, opened.size);
    if (length > INT_MAX) {
        closeDataFile(opened);
        refuse("data file: read beyond 2 GiB");
        return nullptr;
    }
    if (length <= memoryLimit && !readMore(opened, length)) {
        return nullptr;
    }
    DataFile file = opened;
    opened = DataFile{nullptr, 0, nullptr, 0, file.kept};
    const Sint64 inMemory = std::min(file.count, length);
    if (inMemory == length) {
        std::fclose(file.file);
        file.file = nullptr;
    }
    auto* window =
        new (std::nothrow) Window{file.file, file.bytes, !file.kept, inMemory, length, 0, -1};
    SDL_RWops* stream = window == nullptr ? nullptr : SDL_AllocRW();
    if (stream == nullptr) {
        delete window;
        closeDataFile(file);
        refuse("data file: out of memory");
        return nullptr;
    }
    stream->seek = windowSeek;
    stream->read = windowRead;
    stream->write = windowWrite;
    stream->close = windowClose;
    stream->hidden.unknown.data1 = window;
    return stream;
}

void closeDataFile(DataFile& opened) {
    if (opened.file != nullptr) {
        std::fclose(opened.file);
    }
    if (!opened.kept) {
        std::free(opened.bytes);
    }
    opened = DataFile{nullptr, 0, nullptr, 0, opened.kept};
}
