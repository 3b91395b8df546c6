// The check of WAV sounds against SDL 1.2's loader, its ADPCM decoders and SDL_mixer.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/wave.h"

#include "services/datafile/reader.h"

#include <cstring>

namespace {

// Largest chunk of a WAV file and largest sound after conversion to the mixer's format. The logo
// is held 2.8 s; 8 MiB hold 47 s of 44.1 kHz 16-bit stereo, and SDL reads every chunk whole.
constexpr Sint64 maxSoundBytes = 8 * 1024 * 1024;

// The seven predictors of SDL's MS-ADPCM decoder.
constexpr Uint8 msAdpcmPredictors = 7;

constexpr Uint16 pcmEncoding = 0x0001;
constexpr Uint16 msAdpcmEncoding = 0x0002;
constexpr Uint16 imaAdpcmEncoding = 0x0011;

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

// The fields of a format chunk that SDL reads: 16 bytes whatever its length, and ADPCM's samples
// per block at byte 18.
struct WaveFormat {
    Uint32 encoding;
    Uint32 channels;
    Uint32 rate;
    Uint32 align;
    Uint32 bits;
    Uint32 samplesPerBlock;
    Uint32 length;
};

WaveFormat waveFormat(const Uint8* chunk, Uint32 length) {
    ByteReader reader = byteReader(chunk, length);
    WaveFormat format{};
    format.encoding = readLe16(reader);
    format.channels = readLe16(reader);
    format.rate = readLe32(reader);
    readLe32(reader);
    format.align = readLe16(reader);
    format.bits = readLe16(reader);
    readLe16(reader);
    format.samplesPerBlock = readLe16(reader);
    format.length = length;
    return format;
}

// How many bytes the audio data of this format decodes to; none, with the reason recorded, when
// SDL's decoders would fail on it or divide by zero.
std::optional<Sint64> decodedBytes(const WaveFormat& format, Uint32 dataLength) {
    const bool adpcm = format.encoding == msAdpcmEncoding || format.encoding == imaAdpcmEncoding;
    if (!adpcm) {
        if (format.encoding != pcmEncoding || (format.bits != 8 && format.bits != 16)) {
            return refused("sound: not 8- or 16-bit PCM or 4-bit ADPCM");
        }
        return dataLength;
    }
    // The decoders divide by the block align (SIGFPE at 0) and handle 1 or 2 channels. A block
    // that reads past the data or writes past the samples per block that the decoder made room
    // for fails the load, and SDL_LoadWAV_RW then leaks the decoded sound.
    const Uint32 blockHeader = (format.encoding == msAdpcmEncoding ? 7 : 4) * format.channels;
    const AdpcmBlock block = adpcmBlock(format.encoding, format.channels, format.samplesPerBlock);
    const Sint64 blocks = format.align == 0 ? 0 : dataLength / format.align;
    const bool blocksFit =
        blocks == 0 || (blocks * block.read <= dataLength &&
                        block.written <= 2 * Sint64{format.channels} * format.samplesPerBlock);
    const char* reason = format.bits != 4      ? "sound: ADPCM of other than 4 bits"
                         : format.channels > 2 ? "sound: ADPCM in more than 2 channels"
                         : format.length < 20  ? "sound: ADPCM format chunk cut short"
                         : format.align < blockHeader
                             ? "sound: ADPCM blocks smaller than their header"
                         : !blocksFit ? "sound: ADPCM blocks beyond their data or samples"
                                      : nullptr;
    if (reason != nullptr) {
        return refused(reason);
    }
    return blocks * format.samplesPerBlock * format.channels * 2;
}

bool isTag(const Uint8* bytes, const char* tag) {
    return std::memcmp(bytes, tag, 4) == 0;
}

} // namespace

std::optional<WaveLayout> waveLayout(const Uint8* bytes, std::size_t count, Sint64 fileSize,
                                     const MixerSpec& mixer) {
    // Mix_LoadWAV_RW also takes AIFF, VOC and Ogg files by their first bytes; only WAV is checked.
    ByteReader reader = byteReader(bytes, count);
    const bool riff = readTag(reader, "RIFF");
    // SDL takes a length that reads "WAVE" for a header without its "RIFF" and reads the
    // chunks from where the length ends, four bytes before they start.
    const bool lengthless = readTag(reader, "WAVE");
    if (!riff || !readTag(reader, "WAVE")) {
        return refused("sound: not a RIFF WAVE file");
    }
    if (lengthless) {
        return refused("sound: a RIFF length that SDL takes for the WAVE tag");
    }
    // SDL reads every chunk whole into memory, skipping "fact" and "LIST" before "fmt " and any
    // chunk between it and "data", with no padding after an odd length.
    std::optional<WaveFormat> format;
    for (;;) {
        const Sint64 at = static_cast<Sint64>(reader.position);
        const Uint8* tag = readSpan(reader, 4);
        const Uint32 length = readLe32(reader);
        const Sint64 end = at + 8 + length;
        if (reader.failed) {
            return refused("sound: audio data beyond the leading bytes");
        }
        if (length > maxSoundBytes) {
            return refused("sound: a chunk over 8 MiB");
        }
        if (end > fileSize) {
            return refused("sound: a chunk beyond the file");
        }
        if (!format && !isTag(tag, "fact") && !isTag(tag, "LIST")) {
            const Uint8* body = isTag(tag, "fmt ") ? readSpan(reader, length) : nullptr;
            if (body == nullptr || length < 16) {
                return refused("sound: no whole format chunk first");
            }
            format = waveFormat(body, length);
            continue;
        }
        if (format && isTag(tag, "data")) {
            // SDL casts the channel count to a byte: 0 channels, or 256, chain converters until
            // the stack overflows.
            if (format->channels < 1 || format->channels > 8) {
                return refused("sound: channels out of range");
            }
            const std::optional<Sint64> decoded = decodedBytes(*format, length);
            if (!decoded) {
                return std::nullopt;
            }
            const std::optional<AudioConversion> conversion =
                audioConversion(format->bits == 8 ? AUDIO_U8 : AUDIO_S16LSB,
                                static_cast<int>(format->channels), format->rate, mixer);
            if (!conversion) {
                return std::nullopt;
            }
            if (*decoded * conversion->growth > maxSoundBytes) {
                return refused("sound: over 8 MiB once converted");
            }
            return WaveLayout{end,
                              at + 8,
                              length,
                              format->encoding,
                              format->channels,
                              format->align,
                              format->samplesPerBlock};
        }
        seekTo(reader, static_cast<std::size_t>(end));
    }
}

bool msAdpcmPredictorsKnown(const Uint8* data, std::size_t length, int channels, Uint32 align,
                            Uint32 samplesPerBlock) {
    // The decoder takes each block's predictors, one a channel, from where its loop left the
    // block before, and indexes its table of seven coefficient pairs with them; it fails on any
    // other, and SDL_LoadWAV_RW then leaks the decoded sound.
    if (align == 0 || channels < 1) {
        return refuse("sound: MS-ADPCM without blocks");
    }
    const Sint64 stride = adpcmBlock(msAdpcmEncoding, channels, samplesPerBlock).read;
    const Sint64 blocks = static_cast<Sint64>(length / align);
    ByteReader reader = byteReader(data, length);
    for (Sint64 block = 0; block < blocks; ++block) {
        seekTo(reader, static_cast<std::size_t>(block * stride));
        for (int channel = 0; channel < channels; ++channel) {
            if (readU8(reader) >= msAdpcmPredictors || reader.failed) {
                return refuse("sound: MS-ADPCM predictor unknown to SDL");
            }
        }
    }
    return true;
}

bool waveDataAccepted(const Uint8* file, std::size_t size, const WaveLayout& layout) {
    if (layout.encoding != msAdpcmEncoding) {
        return true;
    }
    ByteReader reader = byteReader(file, size);
    seekTo(reader, static_cast<std::size_t>(layout.dataStart));
    const Uint8* data = readSpan(reader, layout.dataLength);
    return data != nullptr &&
           msAdpcmPredictorsKnown(data, layout.dataLength, static_cast<int>(layout.channels),
                                  layout.align, layout.samplesPerBlock);
}
