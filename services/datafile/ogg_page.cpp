// The check of one Ogg page of music, and of the identification header that begins a stream.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/ogg_page.h"

#include "services/datafile/reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Highest rate of a stream. SDL_mixer decodes the music on the audio thread as it plays, and
// the work grows with the rate; this is the highest rate in common use.
constexpr Uint32 maxMusicRate = 192000;

// Most capture patterns inside one page: each one found is checked as a page, checksum and all,
// and audio data holds one by chance once in four billion bytes.
constexpr int maxHiddenCaptures = 4;

// The length of the intact Ogg page at the start of `bytes`; 0 when none starts there.
std::size_t intactOggPage(const Uint8* bytes, std::size_t count) {
    ByteReader reader = byteReader(bytes, count);
    const bool capture = readTag(reader, "OggS");
    seekTo(reader, 22);
    const Uint32 checksum = readLe32(reader);
    const Uint32 segments = readU8(reader);
    const Uint8* lacing = readSpan(reader, segments);
    if (!capture || lacing == nullptr) {
        return 0;
    }
    std::size_t length = 27 + segments;
    for (Uint32 segment = 0; segment < segments; ++segment) {
        length += lacing[segment];
    }
    return length <= count && oggChecksum(bytes, length) == checksum ? length : 0;
}

// Whether libvorbis's identification header at the start of a stream's first page gives audio
// that SDL_mixer can convert and play in real time; records the reason when not.
bool identificationAccepted(const Uint8* page, std::size_t length, const MixerSpec& mixer,
                            AudioConversion& accepted) {
    ByteReader reader = byteReader(page, length);
    seekTo(reader, 5);
    const bool continued = (readU8(reader) & 0x01) != 0;
    seekTo(reader, 26);
    seekTo(reader, 27 + readU8(reader));
    const Uint8* kind = readSpan(reader, 7);
    const Uint32 version = readLe32(reader);
    const Uint32 channels = readU8(reader);
    const Uint32 rate = readLe32(reader);
    readSpan(reader, 30 - 16);
    if (continued || reader.failed || std::memcmp(kind, "\x01vorbis", 7) != 0 || version != 0) {
        return refuse("music: a stream that is not Vorbis");
    }
    // SDL_mixer builds its converter from the channel count (as a byte) and the rate of every
    // stream a chained file starts, as it reaches it.
    if (channels < 1 || channels > 8) {
        return refuse("music: channels out of range");
    }
    if (rate > maxMusicRate) {
        return refuse("music: a rate above 192 kHz");
    }
    const std::optional<AudioConversion> conversion =
        audioConversion(AUDIO_S16LSB, static_cast<int>(channels), rate, mixer);
    accepted = conversion.value_or(AudioConversion{0, 1, 0});
    return conversion.has_value();
}

} // namespace

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

OggPage oggPageAccepted(const Uint8* bytes, std::size_t count, const MixerSpec& mixer) {
    const OggPage refused{0, false, false, 0};
    const std::size_t length = intactOggPage(bytes, count);
    if (length == 0) {
        refuse("music: not an intact Ogg page");
        return refused;
    }
    if (bytes[4] != 0) {
        refuse("music: an Ogg page of an unknown version");
        return refused;
    }
    // libogg finds pages by their capture pattern. An intact page that starts inside this one
    // would be found in place of it when vorbisfile seeks, and never checked here.
    const Uint8 capture[] = {'O', 'g', 'g', 'S'};
    const Uint8* end = bytes + length;
    int captures = 0;
    for (const Uint8* at = bytes + 1; (at = std::search(at, end, capture, capture + 4)) != end;
         ++at) {
        if (++captures > maxHiddenCaptures ||
            intactOggPage(at, count - static_cast<std::size_t>(at - bytes)) != 0) {
            refuse("music: a page hidden inside another");
            return refused;
        }
    }
    const bool begins = (bytes[5] & 0x02) != 0;
    AudioConversion conversion{0, 1, 0};
    if (begins && !identificationAccepted(bytes, length, mixer, conversion)) {
        return refused;
    }
    return OggPage{length, begins, conversion.filters > 0, conversion.rateDoublings};
}
