// The check of Ogg Vorbis music against libogg, libvorbis, vorbisfile and SDL_mixer's player.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/ogg.h"

#include "services/datafile/reader.h"
#include "services/datafile/vorbis.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

namespace {

// vorbisfile opens a file of chained streams in time that grows with their number (0.3 ms each
// here).
constexpr int maxOggStreams = 64;

// Longest packet. libogg gathers a packet whole, and libvorbis copies a comment header whole;
// a Vorbis audio packet takes a few kilobytes, its setup header a few tens.
constexpr Sint64 maxOggPacket = 1024 * 1024;

// What libvorbis may allocate for the header packets of a file: vorbisfile keeps every stream's
// comments and codebooks while the music is open, and sets up one stream at a time to decode it.
// An encoder's headers take a few tens of kilobytes kept and some hundreds to decode; codebooks,
// residues and comments can be made to take gigabytes.
constexpr Sint64 maxVorbisHeaderCost = 8 * 1024 * 1024;

// Highest rate of a stream. SDL_mixer decodes the music on the audio thread as it plays, and
// the work grows with the rate; this is the highest rate in common use.
constexpr Uint32 maxMusicRate = 192000;

// Most capture patterns inside one page: each one found is checked as a page, checksum and all,
// and audio data holds one by chance once in four billion bytes.
constexpr int maxHiddenCaptures = 4;

// The header packets of one logical Ogg stream as libogg puts them together from its pages, and
// the packet that its pages have left open.
struct StreamState {
    Uint32 nextPage;
    int headerPackets;
    bool inPacket;
    bool headersRead;
    Sint64 openPacket;
    std::vector<Uint8> packet;
};

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
                            bool& converted) {
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
    converted = conversion && conversion->filters > 0;
    return conversion.has_value();
}

// Follows a stream's packets over one accepted page; false, with the reason recorded, when the
// page breaks its header packets, opens a packet too long, or completes headers refused or too
// costly. Until the setup header is whole its pages must follow each other with no gap and
// continue a packet exactly when one is open: libogg drops a packet cut by a gap, and leading
// segments that continue no packet, and a packet put together otherwise than libogg puts it
// would be checked in place of the one that libvorbis reads.
bool packetsAccepted(std::map<Uint32, StreamState>& streams, const Uint8* page, VorbisCost& cost) {
    ByteReader reader = byteReader(page, 27);
    seekTo(reader, 5);
    const Uint32 flags = readU8(reader);
    seekTo(reader, 14);
    const Uint32 serial = readLe32(reader);
    const Uint32 sequence = readLe32(reader);
    if ((flags & 0x02) != 0) {
        streams[serial] = StreamState{sequence, 0, false, false, 0, {}};
    }
    const auto found = streams.find(serial);
    if (found == streams.end()) {
        return true;
    }
    StreamState& stream = found->second;
    if (!stream.headersRead) {
        if (sequence != stream.nextPage) {
            return refuse("music: header pages out of sequence");
        }
        if (((flags & 0x01) != 0) != stream.inPacket) {
            return refuse("music: a header page that continues no packet");
        }
        ++stream.nextPage;
    }
    const Uint8* segment = page + 27 + page[26];
    for (int n = 0; n < page[26]; segment += page[27 + n], ++n) {
        const Uint8 lacing = page[27 + n];
        stream.openPacket += lacing;
        if (stream.openPacket > maxOggPacket) {
            return refuse("music: a packet over 1 MiB");
        }
        if (!stream.headersRead && stream.headerPackets > 0) {
            stream.packet.insert(stream.packet.end(), segment, segment + lacing);
        }
        stream.inPacket = lacing == 255;
        if (stream.inPacket) {
            continue;
        }
        stream.openPacket = 0;
        if (stream.headersRead) {
            continue;
        }
        if (stream.headerPackets == 1) {
            cost.kept += vorbisCommentCost(stream.packet.data(), stream.packet.size());
        } else if (stream.headerPackets == 2) {
            const std::optional<VorbisCost> setup =
                vorbisSetupCost(stream.packet.data(), stream.packet.size());
            if (!setup) {
                return false;
            }
            cost.kept += setup->kept;
            cost.decoding = std::max(cost.decoding, setup->decoding);
            stream.headersRead = true;
        }
        std::vector<Uint8>().swap(stream.packet);
        ++stream.headerPackets;
    }
    if (cost.kept + cost.decoding > maxVorbisHeaderCost) {
        return refuse("music: headers that take libvorbis too much memory");
    }
    return true;
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
    const OggPage refused{0, false, false};
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
    bool converted = false;
    if (begins && !identificationAccepted(bytes, length, mixer, converted)) {
        return refused;
    }
    return OggPage{length, begins, converted};
}

bool oggFileAccepted(const Uint8* bytes, std::size_t size, const MixerSpec& mixer) {
    // Every byte must belong to an accepted page: vorbisfile's open takes time that grows faster
    // than junk after the last page (64 MB: 7.8 s).
    std::map<Uint32, StreamState> streams;
    int streamCount = 0;
    bool converted = false;
    VorbisCost cost{0, 0};
    for (std::size_t position = 0; position < size;) {
        const OggPage page = oggPageAccepted(bytes + position, size - position, mixer);
        if (page.length == 0) {
            return false;
        }
        if (position == 0 && !page.beginsStream) {
            return refuse("music: no stream begins the file");
        }
        streamCount += page.beginsStream ? 1 : 0;
        converted = converted || page.converted;
        if (streamCount > maxOggStreams) {
            return refuse("music: more than 64 chained streams");
        }
        // SDL_mixer builds a new converter at each change of stream, and SDL_BuildAudioCVT
        // clears the pointer to the last one's buffer before SDL_mixer frees it: music that
        // loops through more than one stream needing conversion would lose a buffer at every
        // change, without end.
        if (streamCount > 1 && converted) {
            return refuse("music: chained streams that need converting");
        }
        if (!packetsAccepted(streams, bytes + position, cost)) {
            return false;
        }
        position += page.length;
    }
    return size > 0 || refuse("music: empty");
}
