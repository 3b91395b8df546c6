// Checks of the data files against the faults of SDL 1.2, SDL_mixer and SDL_ttf, and the bounded
// streams through which those libraries read the files that pass.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "datafile.h"

#include <algorithm>
#include <bitset>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <system_error>
#include <unistd.h>

namespace {

// ---- Bounds --------------------------------------------------------------------------------

// Bytes read from the start of a file to judge it: a bitmap's headers, a font's table directory
// and a WAV's chunks before its audio data all lie within them.
constexpr Sint64 leadingBytes = 64 * 1024;

// Above this a library reads the file through a stream rather than from one read into memory,
// so that no file costs more memory than this beside what the library itself makes of it.
constexpr Sint64 memoryReadLimit = 4 * 1024 * 1024;

// Widest and tallest bitmap: SDL 1.2 sizes the pixel buffer as height times pitch in an int,
// which stays below 2^28 within these sides.
constexpr Sint64 maxBitmapSide = 8192;

// Largest chunk of a WAV file and largest sound after conversion to the mixer's format. The logo
// is held 2.8 s; 8 MiB hold 47 s of 44.1 kHz 16-bit stereo, and SDL reads every chunk whole.
constexpr Sint64 maxSoundBytes = 8 * 1024 * 1024;

// Largest music file: 4 minutes of Ogg Vorbis at its highest quality, far more than a menu loop
// needs. vorbisfile opens a file of chained streams in time that grows with their number (0.3 ms
// each here), hence the bound on logical streams too.
constexpr Sint64 maxMusicBytes = 16 * 1024 * 1024;
constexpr int maxOggStreams = 64;

// SDL_BuildAudioCVT's table holds ten filters, the last of them the null that ends the chain.
constexpr int maxAudioFilters = 9;

// Largest text box: SDL_ttf allocates it anew for every line drawn.
constexpr int maxTextWidth = 4096;
constexpr int maxTextHeight = 1024;

// Longest Ogg page: the header, 255 lacing values and 255 segments of 255 bytes.
constexpr std::size_t maxOggPage = 27 + 255 + 255 * 255;

// Longest Vorbis setup header, whose codebooks are checked whole: libvorbis's encoder writes a
// few kilobytes.
constexpr std::size_t maxVorbisSetup = 1024 * 1024;

// The seven predictors of SDL's MS-ADPCM decoder.
constexpr Uint8 msAdpcmPredictors = 7;

// ---- Reading fields ------------------------------------------------------------------------

Uint32 le16(const Uint8* p) {
    return static_cast<Uint32>(p[0]) | static_cast<Uint32>(p[1]) << 8;
}

Uint32 le32(const Uint8* p) {
    return le16(p) | le16(p + 2) << 16;
}

Uint32 be16(const Uint8* p) {
    return static_cast<Uint32>(p[0]) << 8 | static_cast<Uint32>(p[1]);
}

Uint32 be32(const Uint8* p) {
    return be16(p) << 16 | be16(p + 2);
}

bool tagIs(const Uint8* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

// ---- Bitmaps -------------------------------------------------------------------------------

// SDL_AllocFormat keeps 8 minus the width of a mask's first run of ones as an unsigned byte: a
// mask with a gap or of more than 8 bits gives channels beyond 8 bits, with which a blit to a
// palette display reads past its 256-entry colour map.
bool maskUsable(Uint32 mask) {
    const Uint32 lowest = mask & (~mask + 1);
    return ((mask + lowest) & mask) == 0 && std::bitset<32>(mask).count() <= 8;
}

// ---- Sounds --------------------------------------------------------------------------------

constexpr Uint16 pcmEncoding = 0x0001;
constexpr Uint16 msAdpcmEncoding = 0x0002;
constexpr Uint16 imaAdpcmEncoding = 0x0011;

// Where SDL_LoadWAV_RW finds a WAV file's audio data, how far it reads, and the format fields
// by which its ADPCM decoders walk the data.
struct WaveLayout {
    Sint64 extent;
    Sint64 dataStart;
    Uint32 dataLength;
    Uint32 encoding;
    Uint32 channels;
    Uint32 align;
    Uint32 samplesPerBlock;
};

// The bytes that SDL's ADPCM decoders read from each block of audio data and write for it.
struct AdpcmBlock {
    Sint64 read;
    Sint64 written;
};

// A block as the decoders' loops walk it, which need not be the block align: MS-ADPCM reads a
// header of 7 bytes a channel and two samples from each byte after it; IMA-ADPCM a header of 4
// bytes a channel and then rounds of 8 samples a channel from 4 bytes a channel.
AdpcmBlock adpcmBlock(Uint32 encoding, Sint64 channels, Sint64 samplesPerBlock) {
    if (encoding == msAdpcmEncoding) {
        const Sint64 bytes = samplesPerBlock > 2 ? ((samplesPerBlock - 2) * channels + 1) / 2 : 0;
        return AdpcmBlock{7 * channels + bytes, 4 * channels + 4 * bytes};
    }
    const Sint64 rounds = samplesPerBlock > 1 ? (samplesPerBlock - 1 + 7) / 8 : 0;
    return AdpcmBlock{4 * channels * (1 + rounds), 2 * channels + 16 * channels * rounds};
}

// ---- Vorbis setup headers ----------------------------------------------------------------

// A Vorbis packet read as libogg's oggpack_read reads it: fields packed from the lowest bit of
// each byte up.
struct PacketBits {
    const Uint8* bytes;
    std::size_t length;
    std::size_t position;
};

// The next `count` bits (at most 32) as a number; -1 when the packet ends before them.
Sint64 readBits(PacketBits& bits, int count) {
    if (bits.position + static_cast<std::size_t>(count) > bits.length * 8) {
        bits.position = bits.length * 8;
        return -1;
    }
    Sint64 value = 0;
    for (int n = 0; n < count; ++n, ++bits.position) {
        value |= Sint64{(bits.bytes[bits.position / 8] >> bits.position % 8) & 1} << n;
    }
    return value;
}

// The number of bits that `value` needs, libvorbis's ov_ilog.
int bitWidth(Sint64 value) {
    int width = 0;
    for (; value > 0; value >>= 1) {
        ++width;
    }
    return width;
}

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

// Reads one codebook as vorbis_staticbook_unpack does; true when libvorbis can set it up for
// decoding and decode with it.
//
// vorbis_book_init_decode refuses code lengths that fill the tree of codewords too much or too
// little, which for lengths in any order is a Kraft sum other than one (one used entry of length
// 1 is let through). libvorbis then leaves the refused book zeroed among the decoding books, and
// the next read of audio uses it: a residue whose partition book it is divides by its 0
// dimensions. A book of 0 dimensions made by the file itself divides by zero, or loops for ever,
// in the residue decoders alike; no encoder writes one.
bool codebookUsable(PacketBits& bits) {
    if (readBits(bits, 24) != 0x564342) {
        return false;
    }
    const Sint64 dimensions = readBits(bits, 16);
    const Sint64 entries = readBits(bits, 24);
    if (dimensions < 1 || entries < 0 || bitWidth(dimensions) + bitWidth(entries) > 24) {
        return false;
    }
    // Sums of 2^(32 - length) over the used entries; a full tree sums to 2^32.
    Uint64 kraft = 0;
    Sint64 used = 0;
    Sint64 lastLength = 0;
    const Sint64 ordered = readBits(bits, 1);
    if (ordered == 0) {
        const Sint64 sparse = readBits(bits, 1);
        if (sparse < 0) {
            return false;
        }
        for (Sint64 entry = 0; entry < entries; ++entry) {
            const Sint64 present = sparse == 1 ? readBits(bits, 1) : 1;
            const Sint64 code = present == 1 ? readBits(bits, 5) : 0;
            if (present < 0 || code < 0) {
                return false;
            }
            if (present == 1) {
                kraft += Uint64{1} << (31 - code);
                ++used;
                lastLength = code + 1;
            }
        }
    } else if (ordered == 1) {
        Sint64 length = readBits(bits, 5) + 1;
        if (length == 0) {
            return false;
        }
        for (Sint64 entry = 0; entry < entries; ++length) {
            const Sint64 count = readBits(bits, bitWidth(entries - entry));
            if (count < 0 || length > 32 || count > entries - entry ||
                (count > 0 && (count - 1) >> (length - 1) > 1)) {
                return false;
            }
            kraft += static_cast<Uint64>(count) << (32 - length);
            used += count;
            entry += count;
            lastLength = length;
        }
    } else {
        return false;
    }
    if (used > 0 && kraft != Uint64{1} << 32 && !(used == 1 && lastLength == 1)) {
        return false;
    }
    const Sint64 mapType = readBits(bits, 4);
    if (mapType == 1 || mapType == 2) {
        readBits(bits, 32);
        readBits(bits, 32);
        const Sint64 valueBits = readBits(bits, 4) + 1;
        const Sint64 sequence = readBits(bits, 1);
        const Sint64 values =
            mapType == 1 ? latticeValues(entries, dimensions) : entries * dimensions;
        const std::size_t valuesEnd = bits.position + static_cast<std::size_t>(values * valueBits);
        if (sequence < 0 || valuesEnd > bits.length * 8) {
            return false;
        }
        bits.position = valuesEnd;
        return true;
    }
    return mapType == 0;
}

// The header packets of one logical Ogg stream as libogg puts them together from its pages, up
// to its setup header.
struct StreamHeaders {
    Uint32 nextPage;
    int packets;
    bool inPacket;
    bool setupChecked;
    std::vector<Uint8> setup;
};

// Follows a stream's header packets over one accepted page; false when the page breaks them
// or completes a setup header whose codebooks are refused. Until the setup header is whole its
// pages must follow each other with no gap and continue a packet exactly when one is open: libogg
// drops a packet cut by a gap, and a packet put together otherwise than libogg puts it would be
// checked in place of the one that libvorbis reads.
bool headersAccepted(std::map<Uint32, StreamHeaders>& streams, const Uint8* page) {
    const Uint32 serial = le32(page + 14);
    const Uint32 sequence = le32(page + 18);
    const bool continued = (page[5] & 0x01) != 0;
    if ((page[5] & 0x02) != 0) {
        streams[serial] = StreamHeaders{sequence, 0, false, false, {}};
    }
    const auto found = streams.find(serial);
    if (found == streams.end() || found->second.setupChecked) {
        return true;
    }
    StreamHeaders& stream = found->second;
    if (sequence != stream.nextPage || continued != stream.inPacket) {
        return false;
    }
    ++stream.nextPage;
    const Uint8* segment = page + 27 + page[26];
    for (int n = 0; n < page[26]; segment += page[27 + n], ++n) {
        const Uint8 lacing = page[27 + n];
        if (stream.packets == 2) {
            if (stream.setup.size() + lacing > maxVorbisSetup) {
                return false;
            }
            stream.setup.insert(stream.setup.end(), segment, segment + lacing);
        }
        stream.inPacket = lacing == 255;
        if (stream.inPacket) {
            continue;
        }
        if (stream.packets == 2) {
            stream.setupChecked = true;
            const bool usable = vorbisCodebooksUsable(stream.setup.data(), stream.setup.size());
            std::vector<Uint8>().swap(stream.setup);
            return usable;
        }
        ++stream.packets;
    }
    return true;
}

// ---- Streams -------------------------------------------------------------------------------

// The first `length` bytes of a data file, read-only, with 64-bit positions: from `bytes` when
// they were read into memory, else from the open file.
struct Window {
    int file;
    Uint8* bytes;
    bool ownsBytes;
    Sint64 length;
    Sint64 position;
};

// The bytes of the last bitmap read into memory, kept from call to call for the next one: SDL
// copies the pixels into its own surface before the stream closes. A megabyte allocated and freed
// on every menu frame made glibc grow and trim its heap on every frame, a millisecond each time.
Uint8* keptBytes = nullptr;
Sint64 keptCapacity = 0;

// Room for `length` bytes in the kept buffer; null when it cannot grow.
Uint8* reserveKept(Sint64 length) {
    if (length > keptCapacity) {
        std::free(keptBytes);
        keptBytes = static_cast<Uint8*>(std::malloc(static_cast<std::size_t>(length)));
        keptCapacity = keptBytes == nullptr ? 0 : length;
    }
    return keptBytes;
}

Window* windowOf(SDL_RWops* context) {
    return static_cast<Window*>(context->hidden.unknown.data1);
}

// Reads `count` bytes at `offset`; the number read, short only where the file ends or fails.
Sint64 readAt(int file, Uint8* into, Sint64 count, Sint64 offset) {
    Sint64 done = 0;
    while (done < count) {
        const ssize_t got = pread(file, into + done, static_cast<std::size_t>(count - done),
                                  static_cast<off_t>(offset + done));
        if (got <= 0) {
            break;
        }
        done += got;
    }
    return done;
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
    const Sint64 wanted =
        std::min(static_cast<Sint64>(size) * count, window->length - window->position);
    Sint64 got = wanted;
    if (window->bytes != nullptr) {
        std::memcpy(into, window->bytes + window->position, static_cast<std::size_t>(wanted));
    } else {
        got = readAt(window->file, static_cast<Uint8*>(into), wanted, window->position);
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
        if (window->file >= 0) {
            close(window->file);
        }
        if (window->ownsBytes) {
            std::free(window->bytes);
        }
        delete window;
        SDL_FreeRW(context);
    }
    return 0;
}

// A stream of the first `length` bytes of `file`, of which the first `have` are already in
// `leading`: read into memory when they are few, else streamed from the file. Takes the file;
// null when the bytes cannot be had. With `kept`, the memory is the kept buffer, which the stream
// must not outlive the next such call.
SDL_RWops* openWindow(int file, const Uint8* leading, Sint64 have, Sint64 length, bool kept) {
    Uint8* bytes = nullptr;
    const bool owns = length <= memoryReadLimit && !kept;
    if (length <= memoryReadLimit) {
        bytes = kept ? reserveKept(length)
                     : static_cast<Uint8*>(std::malloc(static_cast<std::size_t>(length)));
        if (bytes != nullptr && have > 0) {
            std::memcpy(bytes, leading, static_cast<std::size_t>(std::min(have, length)));
        }
        if (bytes == nullptr ||
            (length > have && readAt(file, bytes + have, length - have, have) != length - have)) {
            if (owns) {
                std::free(bytes);
            }
            close(file);
            return nullptr;
        }
        close(file);
        file = -1;
    }
    auto* window = new (std::nothrow) Window{file, bytes, owns, length, 0};
    SDL_RWops* stream = window == nullptr ? nullptr : SDL_AllocRW();
    if (stream == nullptr) {
        if (file >= 0) {
            close(file);
        }
        if (owns) {
            std::free(bytes);
        }
        delete window;
        return nullptr;
    }
    stream->seek = windowSeek;
    stream->read = windowRead;
    stream->write = windowWrite;
    stream->close = windowClose;
    stream->hidden.unknown.data1 = window;
    return stream;
}

// The size of a regular file, judged before anything opens it, so that a FIFO, a device or a
// folder never blocks or misleads a library; 0 for anything else.
Sint64 regularFileSize(const char* path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || error) {
        return 0;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error || size > static_cast<std::uintmax_t>(LLONG_MAX) ? 0 : static_cast<Sint64>(size);
}

// Opens a regular data file for reading; -1 when it cannot be. Non-blocking, so that a file
// swapped for a FIFO since it was judged cannot hold the program either.
int openRegular(const char* path, Sint64 size) {
    return size > 0 ? open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
}

// Opens a data file for a library when `extent` accepts its leading bytes: a stream of just the
// bytes that the library reads, and never more than an int can reach, as SDL's stream offsets
// are ints; null for a missing, special or refused file.
template <typename Extent>
SDL_RWops* openChecked(const char* path, Extent extent, bool kept = false) {
    const Sint64 size = regularFileSize(path);
    const int file = openRegular(path, size);
    if (file < 0) {
        return nullptr;
    }
    Uint8 leading[leadingBytes];
    const Sint64 have = std::min(size, leadingBytes);
    std::optional<Sint64> wanted;
    if (readAt(file, leading, have, 0) == have) {
        wanted = extent(leading, static_cast<std::size_t>(have), size);
    }
    if (!wanted || std::min(*wanted, size) > INT_MAX) {
        close(file);
        return nullptr;
    }
    return openWindow(file, leading, have, std::min(*wanted, size), kept);
}

// Walks an Ogg file page by page in a window that always holds two pages' worth past the page
// judged, so that a page hidden inside it is seen whole; true when every page is accepted, the
// first begins a stream and the last ends the file.
bool oggFileAccepted(int file, Sint64 size, const MixerSpec& mixer) {
    std::vector<Uint8> window(4 * maxOggPage);
    Sint64 start = 0;
    std::size_t filled = 0;
    Sint64 position = 0;
    int streams = 0;
    std::map<Uint32, StreamHeaders> headers;
    while (position < size) {
        std::size_t at = static_cast<std::size_t>(position - start);
        if (filled - at < 2 * maxOggPage && start + static_cast<Sint64>(filled) < size) {
            std::memmove(window.data(), window.data() + at, filled - at);
            filled -= at;
            start = position;
            at = 0;
            const Sint64 wanted = std::min(static_cast<Sint64>(window.size() - filled),
                                           size - start - static_cast<Sint64>(filled));
            if (readAt(file, window.data() + filled, wanted, start + static_cast<Sint64>(filled)) !=
                wanted) {
                return false;
            }
            filled += static_cast<std::size_t>(wanted);
        }
        const OggPage page = oggPageAccepted(window.data() + at, filled - at, mixer);
        streams += page.beginsStream ? 1 : 0;
        if (page.length == 0 || (position == 0 && !page.beginsStream) || streams > maxOggStreams ||
            !headersAccepted(headers, window.data() + at)) {
            return false;
        }
        position += static_cast<Sint64>(page.length);
    }
    return position == size;
}

// The mixer's output, or none when the device is not open.
std::optional<MixerSpec> mixerSpec() {
    MixerSpec mixer{};
    if (Mix_QuerySpec(&mixer.rate, &mixer.format, &mixer.channels) == 0) {
        return std::nullopt;
    }
    return mixer;
}

} // namespace

std::optional<Sint64> bitmapExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize) {
    if (count < 18 || bytes[0] != 'B' || bytes[1] != 'M') {
        return std::nullopt;
    }
    const Sint64 pixelOffset = le32(bytes + 10);
    const Uint32 headerSize = le32(bytes + 14);
    // SDL reads the 12-byte core header, and the first 40 bytes of any other size as the info
    // header; only the sizes of the format's own versions are bitmaps.
    const bool core = headerSize == 12;
    const Sint64 fieldsEnd = core ? 26 : 54;
    const Uint32 versions[] = {12, 40, 52, 56, 108, 124};
    if (std::find(std::begin(versions), std::end(versions), headerSize) == std::end(versions) ||
        count < static_cast<std::size_t>(fieldsEnd)) {
        return std::nullopt;
    }
    const Sint64 width =
        core ? Sint64{le16(bytes + 18)} : Sint64{static_cast<Sint32>(le32(bytes + 18))};
    const Sint64 height =
        core ? Sint64{le16(bytes + 20)} : Sint64{static_cast<Sint32>(le32(bytes + 22))};
    const Uint32 depth = le16(bytes + (core ? 24 : 28));
    const Uint32 compression = core ? 0 : le32(bytes + 30);
    const Uint32 colours = core ? 0 : le32(bytes + 46);
    // A height of -2^31 stays negative when SDL flips it, and SDL sizes the pixels in an int.
    if (width < 1 || width > maxBitmapSide || height == 0 || std::abs(height) > maxBitmapSide) {
        return std::nullopt;
    }
    // SDL takes the depth's low byte as the surface's depth: 264 or 2056 bits make an 8-bit
    // surface without a palette, whose blit dereferences the missing palette.
    const Uint32 depths[] = {1, 4, 8, 16, 24, 32};
    const bool bitfields = compression == 3 && (depth == 16 || depth == 32);
    if (std::find(std::begin(depths), std::end(depths), depth) == std::end(depths) ||
        (compression != 0 && !bitfields)) {
        return std::nullopt;
    }
    Sint64 extent = fieldsEnd;
    // SDL reads masks after the header at 16 and 32 bits unless an uncompressed file's pixels
    // follow the header at once.
    if ((depth == 16 || depth == 32) && (bitfields || pixelOffset != 14 + headerSize)) {
        extent += 12;
        if (count < static_cast<std::size_t>(extent) || !maskUsable(le32(bytes + fieldsEnd)) ||
            !maskUsable(le32(bytes + fieldsEnd + 4)) || !maskUsable(le32(bytes + fieldsEnd + 8))) {
            return std::nullopt;
        }
    }
    if (depth <= 8) {
        if (colours > (1u << depth)) {
            return std::nullopt;
        }
        // SDL widens 1 and 4 bits to 8 before it counts a palette of the default size.
        extent = fieldsEnd + (colours == 0 ? 256 : colours) * (core ? 3 : 4);
    }
    // The rows must lie in the file, and their offset below 2^31: SDL seeks to it with an int.
    const Sint64 pixelsEnd = pixelOffset + (width * depth + 31) / 32 * 4 * std::abs(height);
    if (pixelOffset > INT_MAX || pixelsEnd > fileSize) {
        return std::nullopt;
    }
    return std::max(extent, pixelsEnd);
}

std::optional<Sint64> fontExtent(const Uint8* bytes, std::size_t count, Sint64 /*fileSize*/) {
    if (count < 12) {
        return std::nullopt;
    }
    // A collection opens as its first font, whose table directory the header points to.
    Sint64 directory = 0;
    Sint64 extent = 12;
    if (tagIs(bytes, "ttcf")) {
        if (count < 16 || be32(bytes + 8) == 0) {
            return std::nullopt;
        }
        directory = be32(bytes + 12);
        extent = 12 + 4 * static_cast<Sint64>(be32(bytes + 8));
    }
    if (directory + 12 > static_cast<Sint64>(count)) {
        return std::nullopt;
    }
    const Uint8* header = bytes + directory;
    const Sint64 tables = be16(header + 4);
    const Sint64 tablesEnd = directory + 12 + 16 * tables;
    if ((be32(header) != 0x00010000 && !tagIs(header, "true") && !tagIs(header, "OTTO")) ||
        tablesEnd > static_cast<Sint64>(count)) {
        return std::nullopt;
    }
    extent = std::max(extent, tablesEnd);
    for (const Uint8* entry = header + 12; entry < bytes + tablesEnd; entry += 16) {
        extent = std::max(extent, static_cast<Sint64>(be32(entry + 8)) + be32(entry + 12));
    }
    // FreeType checks each table against the file's size itself: a table cut off is its affair.
    return extent;
}

namespace {

// The layout of a WAV file with these leading bytes and this size, as SDL_LoadWAV_RW reads it;
// none when SDL or SDL_mixer would mishandle it.
std::optional<WaveLayout> waveLayout(const Uint8* bytes, std::size_t count, Sint64 fileSize,
                                     const MixerSpec& mixer) {
    // Mix_LoadWAV_RW also takes AIFF, VOC and Ogg files by their first bytes; only WAV is checked.
    if (count < 12 || !tagIs(bytes, "RIFF") || !tagIs(bytes + 8, "WAVE")) {
        return std::nullopt;
    }
    // SDL reads every chunk whole into memory, skipping "fact" and "LIST" before "fmt " and any
    // chunk between it and "data", with no padding after an odd length.
    const Uint8* format = nullptr;
    Uint32 formatLength = 0;
    for (Sint64 at = 12;;) {
        if (at + 8 > static_cast<Sint64>(count)) {
            return std::nullopt;
        }
        const Uint8* chunk = bytes + at;
        const Uint32 length = le32(chunk + 4);
        const Sint64 end = at + 8 + length;
        if (length > maxSoundBytes || end > fileSize) {
            return std::nullopt;
        }
        if (format == nullptr && !tagIs(chunk, "fact") && !tagIs(chunk, "LIST")) {
            // SDL reads 16 bytes of the format whatever its length, and ADPCM's samples per
            // block at byte 18.
            if (!tagIs(chunk, "fmt ") || length < 16 || end > static_cast<Sint64>(count)) {
                return std::nullopt;
            }
            format = chunk + 8;
            formatLength = length;
        } else if (format != nullptr && tagIs(chunk, "data")) {
            const Uint32 encoding = le16(format);
            const Uint32 channels = le16(format + 2);
            const Uint32 align = le16(format + 12);
            const Uint32 bits = le16(format + 14);
            const bool adpcm = encoding == msAdpcmEncoding || encoding == imaAdpcmEncoding;
            const Uint32 samplesPerBlock = adpcm && formatLength >= 20 ? le16(format + 18) : 0;
            // SDL casts the channel count to a byte: 0 channels, or 256, chain converters until
            // the stack overflows.
            if (channels < 1 || channels > 8) {
                return std::nullopt;
            }
            Sint64 decoded = length;
            if (adpcm) {
                // The decoders divide by the block align (SIGFPE at 0) and handle 1 or 2
                // channels. A block that reads past the data or writes past the samples per
                // block that the decoder made room for fails the load, and SDL_LoadWAV_RW then
                // leaks the decoded sound.
                const Uint32 blockHeader = (encoding == msAdpcmEncoding ? 7 : 4) * channels;
                const AdpcmBlock block = adpcmBlock(encoding, channels, samplesPerBlock);
                const Sint64 blocks = align == 0 ? 0 : length / align;
                const bool blocksFit =
                    blocks == 0 || (blocks * block.read <= length &&
                                    block.written <= 2 * Sint64{channels} * samplesPerBlock);
                if (bits != 4 || channels > 2 || align < blockHeader || formatLength < 20 ||
                    !blocksFit) {
                    return std::nullopt;
                }
                decoded = blocks * samplesPerBlock * channels * 2;
            } else if (encoding != pcmEncoding || (bits != 8 && bits != 16)) {
                return std::nullopt;
            }
            const std::optional<Sint64> growth =
                audioConversionGrowth(bits == 8 ? AUDIO_U8 : AUDIO_S16LSB,
                                      static_cast<int>(channels), le32(format + 4), mixer);
            if (!growth || decoded * *growth > maxSoundBytes) {
                return std::nullopt;
            }
            return WaveLayout{end, at + 8, length, encoding, channels, align, samplesPerBlock};
        }
        at = end;
    }
}

// Reads the audio data of an MS-ADPCM sound from its stream, and rewinds it; true when every
// block names a known predictor.
bool msAdpcmStreamKnown(SDL_RWops* source, const WaveLayout& layout) {
    std::vector<Uint8> data(layout.dataLength);
    const bool read =
        SDL_RWseek(source, static_cast<int>(layout.dataStart), RW_SEEK_SET) >= 0 &&
        (data.empty() || SDL_RWread(source, data.data(), static_cast<int>(data.size()), 1) == 1);
    return SDL_RWseek(source, 0, RW_SEEK_SET) == 0 && read &&
           msAdpcmPredictorsKnown(data.data(), data.size(), static_cast<int>(layout.channels),
                                  layout.align, layout.samplesPerBlock);
}

} // namespace

std::optional<Sint64> soundExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize,
                                  const MixerSpec& mixer) {
    const std::optional<WaveLayout> layout = waveLayout(bytes, count, fileSize, mixer);
    return layout ? std::optional<Sint64>(layout->extent) : std::nullopt;
}

bool msAdpcmPredictorsKnown(const Uint8* data, std::size_t length, int channels, Uint32 align,
                            Uint32 samplesPerBlock) {
    // The decoder takes each block's predictors, one a channel, from where its loop left the
    // block before, and indexes its table of seven coefficient pairs with them; it fails on any
    // other, and SDL_LoadWAV_RW then leaks the decoded sound.
    if (align == 0 || channels < 1) {
        return false;
    }
    const Sint64 stride = adpcmBlock(msAdpcmEncoding, channels, samplesPerBlock).read;
    const Sint64 blocks = static_cast<Sint64>(length / align);
    for (Sint64 block = 0; block < blocks; ++block) {
        const Sint64 at = block * stride;
        if (at + channels > static_cast<Sint64>(length)) {
            return false;
        }
        for (int channel = 0; channel < channels; ++channel) {
            if (data[at + channel] >= msAdpcmPredictors) {
                return false;
            }
        }
    }
    return true;
}

std::optional<Sint64> audioConversionGrowth(Uint16 format, int channels, Uint32 rate,
                                            const MixerSpec& mixer) {
    // SDL_BuildAudioCVT's steps one by one, in its own integer types: every step adds a filter
    // and the table overflows past its tenth entry ("stack smashing detected" in
    // SDL_ConvertAudio). Each halving or doubling of the rate is one step, and a rate so far from
    // the mixer's that the doubling never ends is refused like any other overflow.
    const Uint16 target = mixer.format;
    const Uint8 targetChannels = static_cast<Uint8>(mixer.channels);
    int filters = 0;
    Sint64 growth = 1;
    auto step = [&filters, &growth](Sint64 factor) {
        ++filters;
        growth *= factor;
        return filters <= maxAudioFilters;
    };
    if ((format & 0x1000) != (target & 0x1000) && (format & 0xFF) == 16 && (target & 0xFF) == 16) {
        step(1);
    }
    if ((format & 0x8000) != (target & 0x8000)) {
        step(1);
    }
    if ((format & 0xFF) != (target & 0xFF)) {
        const Uint16 size = target & 0x10FF;
        if (size == AUDIO_U8 || size == AUDIO_U16LSB || size == AUDIO_U16MSB) {
            step(size == AUDIO_U8 ? 1 : 2);
        }
    }
    int have = static_cast<Uint8>(channels);
    if (have != targetChannels) {
        if (have == 1 && targetChannels > 1) {
            step(2);
            have = 2;
        }
        if (have == 2 && (targetChannels == 6 || targetChannels == 4)) {
            step(targetChannels / 2);
            have = targetChannels;
        }
        while (have * 2 <= targetChannels && step(2)) {
            have *= 2;
        }
        if (have == 6 && (targetChannels <= 2 || targetChannels == 4)) {
            step(1);
            have = targetChannels == 4 ? 4 : 2;
        }
        while (have % 2 == 0 && have / 2 >= targetChannels && step(1)) {
            have /= 2;
        }
        // SDL leaves other channel counts unconverted: the sound would play as noise.
        if (have != targetChannels) {
            return std::nullopt;
        }
    }
    const int sourceRate = static_cast<int>(rate);
    if (sourceRate / 100 != mixer.rate / 100) {
        // SDL has rate filters for 1, 2, 4 and 6 channels only.
        if (have != 1 && have != 2 && have != 4 && have != 6) {
            return std::nullopt;
        }
        const bool down = sourceRate > mixer.rate;
        Uint32 high = static_cast<Uint32>(down ? sourceRate : mixer.rate);
        Uint32 low = static_cast<Uint32>(down ? mixer.rate : sourceRate);
        while ((low * 2) / 100 <= high / 100 && step(down ? 1 : 2)) {
            low *= 2;
        }
    }
    if (filters > maxAudioFilters) {
        return std::nullopt;
    }
    return growth;
}

Uint32 oggChecksum(const Uint8* page, std::size_t length) {
    static const auto table = [] {
        std::vector<Uint32> entries(256);
        for (Uint32 n = 0; n < 256; ++n) {
            Uint32 value = n << 24;
            for (int bit = 0; bit < 8; ++bit) {
                value = value & 0x80000000u ? value << 1 ^ 0x04C11DB7u : value << 1;
            }
            entries[n] = value;
        }
        return entries;
    }();
    Uint32 crc = 0;
    for (std::size_t n = 0; n < length; ++n) {
        const Uint8 byte = n >= 22 && n < 26 ? 0 : page[n];
        crc = crc << 8 ^ table[(crc >> 24 ^ byte) & 0xFF];
    }
    return crc;
}

namespace {

// The length of the intact Ogg page at the start of `bytes`; 0 when none starts there.
std::size_t intactOggPage(const Uint8* bytes, std::size_t count) {
    if (count < 27 || !tagIs(bytes, "OggS") || count < 27u + bytes[26]) {
        return 0;
    }
    std::size_t length = 27u + bytes[26];
    for (std::size_t segment = 0; segment < bytes[26]; ++segment) {
        length += bytes[27 + segment];
    }
    return length <= count && oggChecksum(bytes, length) == le32(bytes + 22) ? length : 0;
}

} // namespace

OggPage oggPageAccepted(const Uint8* bytes, std::size_t count, const MixerSpec& mixer) {
    const OggPage refused{0, false};
    const std::size_t length = intactOggPage(bytes, count);
    if (length == 0 || bytes[4] != 0) {
        return refused;
    }
    // libogg finds pages by their capture pattern. An intact page that starts inside this one
    // would be found in place of it when vorbisfile seeks, and never checked here.
    const Uint8 capture[] = {'O', 'g', 'g', 'S'};
    const Uint8* end = bytes + length;
    for (const Uint8* at = bytes + 1; (at = std::search(at, end, capture, capture + 4)) != end;
         ++at) {
        if (intactOggPage(at, count - static_cast<std::size_t>(at - bytes)) != 0) {
            return refused;
        }
    }
    const bool begins = (bytes[5] & 0x02) != 0;
    if (begins) {
        // The first page of a stream holds Vorbis's identification header whole. SDL_mixer
        // builds its converter from the channel count (as a byte) and the rate of every stream
        // a chained file starts, as it reaches it.
        const Uint8* body = bytes + 27 + bytes[26];
        if ((bytes[5] & 0x01) != 0 || length < 27u + bytes[26] + 30 || body[0] != 1 ||
            std::memcmp(body + 1, "vorbis", 6) != 0 || le32(body + 7) != 0 || body[11] < 1 ||
            body[11] > 8 ||
            !audioConversionGrowth(AUDIO_S16LSB, body[11], le32(body + 12), mixer)) {
            return refused;
        }
    }
    return OggPage{length, begins};
}

bool vorbisCodebooksUsable(const Uint8* packet, std::size_t length) {
    // The codebooks open the setup header after its type and the codec's name; libvorbis checks
    // what follows them well itself.
    if (length < 7 || packet[0] != 5 || std::memcmp(packet + 1, "vorbis", 6) != 0) {
        return false;
    }
    PacketBits bits{packet + 7, length - 7, 0};
    const Sint64 books = readBits(bits, 8) + 1;
    if (books == 0) {
        return false;
    }
    for (Sint64 book = 0; book < books; ++book) {
        if (!codebookUsable(bits)) {
            return false;
        }
    }
    return true;
}

bool fontMetricsUsable(int height, int ascent, int descent) {
    // SDL_ttf makes the height ascent - descent + 1 without a check: an ascender of 0 over a
    // descender above the baseline gives none, or less than none.
    return height >= 1 && height <= maxTextHeight && ascent >= 0 && descent <= 0;
}

bool glyphsStayInTheirBox(const std::vector<GlyphPlace>& glyphs) {
    // TTF_RenderText_Shaded moves the pen right of the first glyph's negative left bearing only;
    // a later glyph whose box starts left of the text box, by its own bearing or by kerning,
    // writes before the box's pixels, and SDL_FreeSurface then aborts ("munmap_chunk(): invalid
    // pointer"). Within the bounds no sum can overflow SDL_ttf's ints.
    Sint64 pen = 0;
    for (std::size_t n = 0; n < glyphs.size(); ++n) {
        const GlyphPlace& glyph = glyphs[n];
        for (int value : {glyph.minX, glyph.maxX, glyph.advance, glyph.kerning}) {
            if (std::abs(value) > maxTextWidth) {
                return false;
            }
        }
        pen += n == 0 ? std::max(-glyph.minX, 0) : glyph.kerning;
        if (glyph.maxX > glyph.minX && pen + glyph.minX < 0) {
            return false;
        }
        pen += glyph.advance;
    }
    return true;
}

SDL_Surface* loadBitmap(const char* path) {
    // SDL_LoadBMP_RW is done with the stream when it returns.
    SDL_RWops* source = openChecked(path, bitmapExtent, true);
    return source == nullptr ? nullptr : SDL_LoadBMP_RW(source, 1);
}

TTF_Font* openFont(const char* path, int size) {
    if (TTF_WasInit() == 0) {
        return nullptr;
    }
    SDL_RWops* source = openChecked(path, fontExtent);
    // The font reads its glyphs from the stream until it is closed, which closes the stream.
    TTF_Font* font = source == nullptr ? nullptr : TTF_OpenFontRW(source, 1, size);
    if (font != nullptr &&
        !fontMetricsUsable(TTF_FontHeight(font), TTF_FontAscent(font), TTF_FontDescent(font))) {
        TTF_CloseFont(font);
        return nullptr;
    }
    return font;
}

bool textFitsItsBox(TTF_Font* font, const std::string& text) {
    int width = 0;
    int height = 0;
    if (TTF_SizeText(font, text.c_str(), &width, &height) != 0 || width > maxTextWidth ||
        height > maxTextHeight) {
        return false;
    }
    // The glyphs and kerning as the renderer takes them: each byte a Latin-1 character, kerning
    // between two glyphs that the font has.
    std::vector<GlyphPlace> glyphs;
    int previous = 0;
    for (const unsigned char character : text) {
        GlyphPlace glyph{};
        int minY = 0;
        int maxY = 0;
        if (TTF_GlyphMetrics(font, character, &glyph.minX, &glyph.maxX, &minY, &maxY,
                             &glyph.advance) != 0) {
            return false;
        }
        const int index = TTF_GlyphIsProvided(font, character);
        if (TTF_GetFontKerning(font) != 0 && previous != 0 && index != 0) {
            glyph.kerning = TTF_GetFontKerningSize(font, previous, index);
        }
        previous = index;
        glyphs.push_back(glyph);
    }
    return glyphsStayInTheirBox(glyphs);
}

Mix_Chunk* loadSound(const char* path) {
    const std::optional<MixerSpec> mixer = mixerSpec();
    if (!mixer) {
        return nullptr;
    }
    std::optional<WaveLayout> layout;
    SDL_RWops* source =
        openChecked(path, [&mixer, &layout](const Uint8* bytes, std::size_t count, Sint64 size) {
            layout = waveLayout(bytes, count, size, *mixer);
            return layout ? std::optional<Sint64>(layout->extent) : std::nullopt;
        });
    if (source != nullptr && layout->encoding == msAdpcmEncoding &&
        !msAdpcmStreamKnown(source, *layout)) {
        SDL_RWclose(source);
        return nullptr;
    }
    return source == nullptr ? nullptr : Mix_LoadWAV_RW(source, 1);
}

Mix_Music* loadMusic(const char* path) {
    // Mix_LoadMUS also takes MIDI, MOD, WAV, MP3 and FLAC by their names or first bytes; only
    // Ogg Vorbis is checked. An Ogg file with a long tail after its last page takes vorbisfile
    // time that grows faster than the tail (64 MB: 7.8 s), so nothing may follow that page.
    const std::optional<MixerSpec> mixer = mixerSpec();
    const Sint64 size = regularFileSize(path);
    const int file = mixer && size <= maxMusicBytes ? openRegular(path, size) : -1;
    if (file < 0) {
        return nullptr;
    }
    if (!oggFileAccepted(file, size, *mixer)) {
        close(file);
        return nullptr;
    }
    // The music reads the stream while it plays, and closes it when it is freed.
    SDL_RWops* source = openWindow(file, nullptr, 0, size, false);
    return source == nullptr ? nullptr : Mix_LoadMUSType_RW(source, MUS_OGG, 1);
}
