// Data files held for their checks, and the streams through which the libraries then read
// exactly the bytes that were checked.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/stream.h"

#include "services/datafile/file.h"
#include "services/datafile/reader.h"

#include <algorithm>
#include <cassert>
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

// Whether a data file or a stream holds the kept buffer. A second holder would read its file
// into the bytes that the first one's stream still reads.
bool keptTaken = false;

// The first `length` bytes of a data file as a library reads them: `inMemory` of them from
// `bytes`, the rest from `file`, with 64-bit positions.
struct Window {
    OwnedFile file;
    OwnedBytes bytes;
    Sint64 inMemory;
    Sint64 length;
    Sint64 position;
    Sint64 filePosition;
};

// Room for `length` bytes: the kept buffer, or a buffer of its own. Null when it cannot be had.
OwnedBytes takeBytes(bool kept, Sint64 length) {
    const auto size = static_cast<std::size_t>(std::max<Sint64>(length, 1));
    if (!kept) {
        return OwnedBytes{static_cast<Uint8*>(std::malloc(size)), BytesRelease{false}};
    }
    assert(!keptTaken && "the kept buffer is held by another data file or stream");
    if (keptBytes == nullptr || length > keptCapacity) {
        // Nothing in it is wanted any more: a new allocation saves copying the old bytes.
        std::free(keptBytes);
        keptBytes = static_cast<Uint8*>(std::malloc(size));
        keptCapacity = keptBytes == nullptr ? 0 : length;
    }
    keptTaken = keptBytes != nullptr;
    return OwnedBytes{keptBytes, BytesRelease{true}};
}

// Grows `bytes` to room for `length` bytes, keeping those already there; false, with `bytes` as
// they were, when they cannot grow.
bool growBytes(OwnedBytes& bytes, Sint64 length) {
    const bool kept = bytes.get_deleter().kept;
    if (kept && length <= keptCapacity) {
        return true;
    }
    auto* grown = static_cast<Uint8*>(
        std::realloc(bytes.get(), static_cast<std::size_t>(std::max<Sint64>(length, 1))));
    if (grown == nullptr) {
        return false;
    }
    // The old pointer is gone with the reallocation: it is let go of, not released.
    static_cast<void>(bytes.release());
    bytes.reset(grown);
    if (kept) {
        keptBytes = grown;
        keptCapacity = length;
    }
    return true;
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
    std::memcpy(out, window->bytes.get() + window->position, static_cast<std::size_t>(fromMemory));
    Sint64 got = fromMemory;
    if (got < wanted) {
        // Sequential reads go on where the last one ended, from the C library's read-ahead.
        const Sint64 at = window->position + got;
        const Sint64 read =
            at == window->filePosition
                ? static_cast<Sint64>(std::fread(
                      out + got, 1, static_cast<std::size_t>(wanted - got), window->file.get()))
                : readAt(window->file.get(), out + got, wanted - got, at);
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
        delete windowOf(context);
        SDL_FreeRW(context);
    }
    return 0;
}

} // namespace

void FileCloser::operator()(std::FILE* file) const {
    std::fclose(file);
}

void BytesRelease::operator()(Uint8* bytes) const {
    if (kept) {
        keptTaken = false;
    } else {
        std::free(bytes);
    }
}

bool openDataFile(const char* path, DataFile& opened) {
    opened = DataFile{};
    opened.file.reset(openRegularFile(path, opened.size));
    if (opened.file == nullptr) {
        return false;
    }
    std::setvbuf(opened.file.get(), nullptr, _IOFBF, readAhead);
    return true;
}

bool readLeading(DataFile& opened, Sint64 leading, bool kept) {
    const Sint64 count = std::min(opened.size, leading);
    opened.bytes = takeBytes(kept, count);
    if (opened.bytes == nullptr ||
        readAt(opened.file.get(), opened.bytes.get(), count, 0) != count) {
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
    if (!growBytes(opened.bytes, length)) {
        return refuse("data file: out of memory");
    }
    if (readAt(opened.file.get(), opened.bytes.get() + opened.count, length - opened.count,
               opened.count) != length - opened.count) {
        return refuse("data file: cannot be read");
    }
    opened.count = length;
    return true;
}

SDL_RWops* dataStream(DataFile&& opened, Sint64 extent, Sint64 memoryLimit) {
    // Whatever happens here, the file is the stream's or released with this call.
    DataFile file = std::move(opened);
    // SDL's streams count their positions in ints.
    const Sint64 length = std::min(extent, file.size);
    if (length > INT_MAX) {
        refuse("data file: read beyond 2 GiB");
        return nullptr;
    }
    if (length <= memoryLimit && !readMore(file, length)) {
        return nullptr;
    }
    const Sint64 inMemory = std::min(file.count, length);
    if (inMemory == length) {
        file.file.reset();
    }
    std::unique_ptr<Window> window(new (std::nothrow) Window{
        std::move(file.file), std::move(file.bytes), inMemory, length, 0, -1});
    SDL_RWops* stream = window == nullptr ? nullptr : SDL_AllocRW();
    if (stream == nullptr) {
        refuse("data file: out of memory");
        return nullptr;
    }
    stream->seek = windowSeek;
    stream->read = windowRead;
    stream->write = windowWrite;
    stream->close = windowClose;
    stream->hidden.unknown.data1 = window.release();
    return stream;
}
