// What the fuzz targets share: the libraries started in a run directory of their own, the data
// files written there, SDL's audio device replaced by synchronous mixing, and the coverage hints.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/fuzz/fuzz_support.h"

#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Where the inputs are written as data files; the working directory of the program.
fs::path runDirectory;

// The device as the mixer opened it: its format, buffer size and the callback that fills a buffer.
SDL_AudioSpec device{};

// Whether the mixer has the device open, and whether it has let it play.
bool deviceOpen = false;
bool devicePaused = true;

// The trailer by which an input asks for a sparse tail: "TAIL" and the file's length.
constexpr std::size_t sparseTrailer = 8;

// The audio device as the program opens it: 22050 Hz, signed 16-bit little-endian, stereo,
// 4096-frame buffers. Every sound is checked against the mixer's output and converted to it.
constexpr int audioRate = 22050;
constexpr Uint16 audioFormat = AUDIO_S16LSB;
constexpr int audioChannels = 2;
constexpr int audioBuffers = 4096;

// Bytes after each mixing buffer that must come back untouched. The mixer and its decoders are
// not instrumented, so AddressSanitizer would not see them write past the buffer they are given.
constexpr std::size_t guardBytes = 256;
constexpr std::uint8_t guardValue = 0xA5;

// libFuzzer counts every byte of this section that an input sets as a feature of its own, beside
// the edges of our instrumented code. The libraries that parse the data files are not
// instrumented, so the targets describe here what those libraries branch on (the header fields of
// each format, and what the load gave): without these, an input that takes a library through a
// new loader, depth or codec path looks like any other and is neither kept nor mutated further.
__attribute__((used, section("__libfuzzer_extra_counters"))) std::uint8_t featureCounters[1 << 14];

void removeRunDirectory() {
    std::error_code ignored;
    fs::remove_all(runDirectory, ignored);
}

[[noreturn]] void giveUp(const char* what) {
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

} // namespace

// SDL_mixer opens, pauses and closes the audio device through these three; the executable's
// definitions take the place of SDL's. SDL's own device would mix on a thread of its own in real
// time, far too slowly and unpredictably for fuzzing, so the mixer's callback is kept here and
// called by mixAudio on the input's own thread.
int SDL_OpenAudio(SDL_AudioSpec* desired, SDL_AudioSpec* obtained) {
    if (deviceOpen) {
        SDL_SetError("Audio device is already opened");
        return -1;
    }
    // With no device of SDL's open, SDL_MixAudio mixes as AUDIO_S16, the system's order: only
    // that format is mixed as SDL would mix it.
    if (desired->format != AUDIO_S16SYS || desired->callback == nullptr) {
        SDL_SetError("the fuzz targets mix signed 16-bit audio in the system's order only");
        return -1;
    }
    // SDL's audio subsystem is closed, so that no thread of SDL's ever mixes besides ours.
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // What SDL's dummy driver gives back: the request, with the silence and the buffer size.
    device = *desired;
    device.silence = 0;
    device.size = static_cast<Uint32>(device.samples) * device.channels * 2;
    if (obtained != nullptr) {
        *obtained = device;
    }
    deviceOpen = true;
    devicePaused = true;
    return 0;
}

void SDL_PauseAudio(int pauseOn) {
    devicePaused = pauseOn != 0;
}

void SDL_CloseAudio() {
    deviceOpen = false;
    device = SDL_AudioSpec{};
}

SDL_Surface* display = nullptr;

void startLibraries() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // Absolute, as the working directory changes to it and libFuzzer may name its inputs by
    // paths relative to where it started.
    std::string pattern =
        (fs::absolute(fs::temp_directory_path()) / "quorvane-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        giveUp("cannot make a run directory");
    }
    runDirectory = pattern;
    fs::create_directories(runDirectory / "graph");
    fs::create_directories(runDirectory / "snd");
    fs::current_path(runDirectory);
    std::atexit(removeRunDirectory);

    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) != 0) {
        giveUp("cannot start SDL");
    }
    display = SDL_SetVideoMode(640, 480, 32, SDL_ANYFORMAT);
    if (display == nullptr) {
        giveUp("cannot set a 32-bit display");
    }
    if (Mix_OpenAudio(audioRate, audioFormat, audioChannels, audioBuffers) != 0 ||
        TTF_Init() != 0) {
        giveUp("cannot open the mixer or the font library");
    }
}

void writeDataFile(const char* relative, const std::uint8_t* data, std::size_t size) {
    // An input that ends in "TAIL" and a 32-bit length stands for a file of that length: its
    // bytes before the trailer, then a sparse tail of zeros. Files of gigabytes, whose headers
    // may name tables, rows or chunks that large, then cost the fuzzer a few bytes.
    std::uintmax_t length = size;
    if (size >= sparseTrailer && std::memcmp(data + size - sparseTrailer, "TAIL", 4) == 0) {
        const std::uint8_t* field = data + size - 4;
        length = field[0] | field[1] << 8 | field[2] << 16 | std::uintmax_t{field[3]} << 24;
        size -= sparseTrailer;
    }
    std::FILE* file = std::fopen(relative, "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
        std::fclose(file) != 0) {
        giveUp("cannot write the data file");
    }
    std::error_code error;
    if (length > size) {
        fs::resize_file(relative, length, error);
    }
    if (error) {
        giveUp("cannot lengthen the data file");
    }
}

void mixAudio(int buffers) {
    if (!deviceOpen || devicePaused) {
        return;
    }
    static std::vector<std::uint8_t> stream;
    stream.resize(device.size + guardBytes);
    for (int i = 0; i < buffers; ++i) {
        std::memset(stream.data(), device.silence, device.size);
        std::memset(stream.data() + device.size, guardValue, guardBytes);
        device.callback(device.userdata, stream.data(), static_cast<int>(device.size));
        const auto guard = stream.begin() + device.size;
        if (std::any_of(guard, stream.end(), [](std::uint8_t b) { return b != guardValue; })) {
            giveUp("the mixer wrote past the end of its buffer");
        }
    }
}

void noteFeature(const char* property, long long value) {
    // FNV-1a of the name, with the value mixed in; a collision merely merges two features.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char* c = property; *c != '\0'; ++c) {
        hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    }
    hash = (hash ^ (static_cast<std::uint64_t>(value) * 0x9E3779B97F4A7C15ull)) * 1099511628211ull;
    featureCounters[(hash >> 17) % sizeof featureCounters] = 1;
}

long long fieldLe(const std::uint8_t* data, std::size_t size, std::size_t offset, int bytes) {
    if (offset > size || static_cast<std::size_t>(bytes) > size - offset) {
        return -1;
    }
    unsigned long long value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | data[offset + static_cast<std::size_t>(i)];
    }
    return static_cast<long long>(value);
}

long long fieldBe(const std::uint8_t* data, std::size_t size, std::size_t offset, int bytes) {
    if (offset > size || static_cast<std::size_t>(bytes) > size - offset) {
        return -1;
    }
    unsigned long long value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = value << 8 | data[offset + static_cast<std::size_t>(i)];
    }
    return static_cast<long long>(value);
}

int magnitude(long long value) {
    const unsigned long long size = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                              : static_cast<unsigned long long>(value);
    int bits = 0;
    for (unsigned long long rest = size; rest != 0; rest >>= 1) {
        ++bits;
    }
    return value < 0 ? -bits : bits;
}

long long oneOf(long long value, std::initializer_list<long long> known) {
    return std::find(known.begin(), known.end(), value) != known.end() ? value : -1;
}

long long upTo(long long value, long long most) {
    return value >= 0 && value <= most ? value : most + 1;
}

namespace {

// The CRC-32 of Ogg pages: polynomial 0x04C11DB7, most significant bit first, no reflection.
std::uint32_t oggCrc(const std::uint8_t* data, std::size_t size) {
    static const auto table = [] {
        std::vector<std::uint32_t> entries(256);
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t value = i << 24;
            for (int bit = 0; bit < 8; ++bit) {
                value = value & 0x80000000u ? value << 1 ^ 0x04C11DB7u : value << 1;
            }
            entries[i] = value;
        }
        return entries;
    }();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc = crc << 8 ^ table[(crc >> 24 ^ data[i]) & 0xFF];
    }
    return crc;
}

} // namespace

void fixOggChecksums(std::uint8_t* data, std::size_t size) {
    // libogg finds pages wherever "OggS" begins one, also inside another page's data: the pages
    // are fixed from the last to the first, so that a page's checksum covers what was changed
    // inside it.
    for (std::size_t page = size < 27 ? 0 : size - 27 + 1; page-- > 0;) {
        if (std::memcmp(data + page, "OggS", 4) != 0) {
            continue;
        }
        const std::size_t segments = data[page + 26];
        if (page + 27 + segments > size) {
            continue;
        }
        std::size_t length = 27 + segments;
        for (std::size_t s = 0; s < segments; ++s) {
            length += data[page + 27 + s];
        }
        if (page + length > size) {
            continue;
        }
        std::memset(data + page + 22, 0, 4);
        const std::uint32_t crc = oggCrc(data + page, length);
        for (int i = 0; i < 4; ++i) {
            data[page + 22 + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(crc >> (8 * i));
        }
    }
}

void noteOggFeatures(const std::uint8_t* data, std::size_t size) {
    constexpr long long oggMagic = 0x5367674F; // "OggS" read little-endian
    constexpr int maxPages = 8;
    std::size_t page = 0;
    for (int i = 0; i < maxPages && fieldLe(data, size, page, 4) == oggMagic; ++i) {
        const long long segments = fieldLe(data, size, page + 26, 1);
        noteFeature("ogg page", i * 16 + upTo(fieldLe(data, size, page + 4, 1), 1) * 8 +
                                    (fieldLe(data, size, page + 5, 1) & 7));
        noteFeature("ogg segments", i * 64 + magnitude(segments));
        std::size_t body = page + 27 + static_cast<std::size_t>(std::max(segments, 0ll));
        std::size_t length = 0;
        for (long long s = 0; s < segments; ++s) {
            length += static_cast<std::size_t>(
                std::max(fieldLe(data, size, page + 27 + static_cast<std::size_t>(s), 1), 0ll));
        }
        // The first packet of the first page is the identification header.
        const long long packet = fieldLe(data, size, body, 1);
        noteFeature("vorbis packet", i * 8 + oneOf(packet, {1, 3, 5}));
        if (i == 0 && packet == 1) {
            const long long channels = fieldLe(data, size, body + 11, 1);
            const long long rate = fieldLe(data, size, body + 12, 4);
            const long long blocks = fieldLe(data, size, body + 28, 1);
            noteFeature("vorbis version", fieldLe(data, size, body + 7, 4) != 0);
            noteFeature("vorbis channels", upTo(channels, 8));
            noteFeature("vorbis rate", rate < 16 ? rate : 16 + magnitude(rate));
            noteFeature("vorbis block sizes", blocks);
            noteFeature("vorbis framing", upTo(fieldLe(data, size, body + 29, 1), 1));
            noteFeature("vorbis channels and rate", upTo(channels, 8) * 64 + magnitude(rate));
        }
        page = body + length;
    }
}
