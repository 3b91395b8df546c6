// Fuzz target of the logo sound: the input is the logo sound file, loaded and played as the logo
// screen plays it, and mixed while the logo is held and a little after.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/fuzz/fuzz_support.h"

#include "services/datafile.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr char logoSoundPath[] = "snd/quor.wav";

// Buffers mixed while the logo is held (2.8 seconds of 4096 frames at 22050 Hz) and after it, for
// a sound longer than the hold.
constexpr int buffersWhileHeld = 16;
constexpr int buffersAfterHold = 2;

// The most chunks of a file read for features.
constexpr int maxChunks = 16;

// The magic numbers by which SDL_mixer picks a loader, read little-endian.
constexpr long long riffMagic = 0x46464952;     // "RIFF"
constexpr long long formMagic = 0x4D524F46;     // "FORM"
constexpr long long creativeMagic = 0x61657243; // "Crea", of "Creative Voice File"
constexpr long long flacMagic = 0x43614C66;     // "fLaC"
constexpr long long fmtMagic = 0x20746D66;      // "fmt "
constexpr long long commMagic = 0x4D4D4F43;     // "COMM"

// The chunk identifiers that the loaders know, read little-endian; -1 for any other.
long long knownChunk(long long id) {
    return oneOf(id, {0x20746D66, 0x61746164, 0x5453494C, 0x74636166, 0x45564157, 0x46464941,
                      0x43464941, 0x4D4D4F43, 0x444E5353});
}

// The format chunk of a WAV, as SDL_LoadWAV_RW and its ADPCM decoders read it.
void noteWaveFormat(const std::uint8_t* data, std::size_t size, std::size_t fmt, long long length) {
    const long long tag = fieldLe(data, size, fmt, 2);
    const long long channels = fieldLe(data, size, fmt + 2, 2);
    const long long rate = fieldLe(data, size, fmt + 4, 4);
    const long long align = fieldLe(data, size, fmt + 12, 2);
    const long long bits = fieldLe(data, size, fmt + 14, 2);
    const long long tagClass = oneOf(tag, {1, 2, 3, 0x11, 0x55, 0xFFFE});
    const long long channelClass = upTo(channels, 8);
    noteFeature("format length", length <= 64 ? length : 64 + magnitude(length));
    noteFeature("format", tagClass);
    noteFeature("format and channels", tagClass * 16 + channelClass);
    noteFeature("format and bits", tagClass * 64 + upTo(bits, 32));
    noteFeature("rate", rate < 16 ? rate : 16 + magnitude(rate));
    noteFeature("rate and channels", magnitude(rate) * 16 + channelClass);
    noteFeature("block align",
                tagClass * 64 + (align == 0                     ? 0
                                 : align == channels * bits / 8 ? 1
                                                                : 2 + magnitude(align)));
    // The ADPCM formats carry their samples per block and coefficients after the common fields.
    noteFeature("samples per block", tagClass * 64 + magnitude(fieldLe(data, size, fmt + 18, 2)));
    noteFeature("coefficients", tagClass * 64 + magnitude(fieldLe(data, size, fmt + 20, 2)));
}

void noteWaveFeatures(const std::uint8_t* data, std::size_t size) {
    std::size_t chunk = 12;
    for (int i = 0; i < maxChunks; ++i) {
        const long long id = fieldLe(data, size, chunk, 4);
        const long long length = fieldLe(data, size, chunk + 4, 4);
        if (id < 0 || length < 0) {
            return;
        }
        const bool inside = length <= static_cast<long long>(size - chunk - 8);
        noteFeature("chunk", (knownChunk(id) * 2 + inside) * 16 + i);
        if (id == fmtMagic) {
            noteWaveFormat(data, size, chunk + 8, length);
        }
        chunk += 8 + static_cast<std::size_t>(length);
    }
}

// The COMM chunk of an AIFF: channels, bits and the exponent of its 80-bit sample rate.
void noteAiffFeatures(const std::uint8_t* data, std::size_t size) {
    noteFeature("aiff form", knownChunk(fieldLe(data, size, 8, 4)));
    std::size_t chunk = 12;
    for (int i = 0; i < maxChunks; ++i) {
        const long long id = fieldLe(data, size, chunk, 4);
        const long long length = fieldBe(data, size, chunk + 4, 4);
        if (id < 0 || length < 0) {
            return;
        }
        noteFeature("aiff chunk", knownChunk(id) * 16 + i);
        if (id == commMagic) {
            const long long channels = fieldBe(data, size, chunk + 8, 2);
            noteFeature("aiff channels", upTo(channels, 8));
            noteFeature("aiff bits", upTo(fieldBe(data, size, chunk + 14, 2), 32));
            // The rate is an 80-bit float: 16383 + 14 is the exponent of 22050 Hz.
            noteFeature("aiff rate exponent", upTo(fieldBe(data, size, chunk + 16, 2) - 16383, 31));
        }
        chunk += 8 + static_cast<std::size_t>(length + (length & 1));
    }
}

// The blocks of a Creative Voice file: their types, and the codec, rate and channels of the
// sound blocks.
void noteVocFeatures(const std::uint8_t* data, std::size_t size) {
    const long long header = fieldLe(data, size, 20, 2);
    noteFeature("voc header", upTo(header, 64));
    noteFeature("voc version", oneOf(fieldLe(data, size, 22, 2), {0x010A, 0x0114}));
    std::size_t block = static_cast<std::size_t>(header < 0 ? 0 : header);
    for (int i = 0; i < maxChunks; ++i) {
        const long long type = fieldLe(data, size, block, 1);
        const long long length = fieldLe(data, size, block + 1, 3);
        if (type <= 0 || length < 0) {
            noteFeature("voc end", type);
            return;
        }
        noteFeature("voc block", upTo(type, 9) * 16 + i);
        if (type == 1) {
            noteFeature("voc rate byte", magnitude(fieldLe(data, size, block + 4, 1)));
            noteFeature("voc codec", upTo(fieldLe(data, size, block + 5, 1), 8));
        } else if (type == 9) {
            noteFeature("voc rate", magnitude(fieldLe(data, size, block + 4, 4)));
            noteFeature("voc bits", upTo(fieldLe(data, size, block + 8, 1), 32));
            noteFeature("voc channels", upTo(fieldLe(data, size, block + 9, 1), 8));
            noteFeature("voc codec", 16 + upTo(fieldLe(data, size, block + 10, 2), 8));
        }
        block += 4 + static_cast<std::size_t>(length);
    }
}

// The stream information block of a FLAC file: rate, channels and bits per sample.
void noteFlacFeatures(const std::uint8_t* data, std::size_t size) {
    const long long b18 = fieldLe(data, size, 18, 1);
    const long long b19 = fieldLe(data, size, 19, 1);
    const long long b20 = fieldLe(data, size, 20, 1);
    const long long b21 = fieldLe(data, size, 21, 1);
    noteFeature("flac block", fieldLe(data, size, 4, 1) & 0x7F);
    if (b21 < 0) {
        return;
    }
    noteFeature("flac rate", magnitude(b18 << 12 | b19 << 4 | b20 >> 4));
    noteFeature("flac channels", (b20 >> 1) & 7);
    noteFeature("flac bits", ((b20 & 1) << 4 | b21 >> 4) + 1);
}

void noteSoundFeatures(const std::uint8_t* data, std::size_t size) {
    const long long magic = fieldLe(data, size, 0, 4);
    const bool known = magic == riffMagic || magic == formMagic || magic == creativeMagic ||
                       magic == flacMagic || magic == 0x5367674F;
    noteFeature("magic", known ? magic : -1);
    if (magic == riffMagic) {
        noteWaveFeatures(data, size);
    } else if (magic == formMagic) {
        noteAiffFeatures(data, size);
    } else if (magic == creativeMagic) {
        noteVocFeatures(data, size);
    } else if (magic == flacMagic) {
        noteFlacFeatures(data, size);
    } else {
        noteOggFeatures(data, size);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startLibraries();
    writeDataFile(logoSoundPath, data, size);
    noteSoundFeatures(data, size);

    // Played once on the first free channel, as the logo screen plays it.
    Mix_Chunk* sound = loadSound(logoSoundPath);
    const int channel = Mix_PlayChannelTimed(-1, sound, 0, -1);
    mixAudio(buffersWhileHeld);
    noteFeature("loaded", sound == nullptr ? -1 : magnitude(sound->alen));
    noteFeature("playing", channel >= 0 && Mix_Playing(channel) != 0);
    mixAudio(buffersAfterHold);
    Mix_HaltChannel(-1);
    Mix_FreeChunk(sound);
    return 0;
}
