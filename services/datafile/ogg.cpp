// The check of Ogg Vorbis music against libogg, libvorbis, vorbisfile and SDL_mixer's player.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/ogg.h"

#include "services/datafile/music_work.h"
#include "services/datafile/ogg_page.h"
#include "services/datafile/reader.h"
#include "services/datafile/vorbis.h"

#include <algorithm>
#include <cstring>
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

// Frames of each buffer that SDL_mixer fills, as the program opens the mixer.
constexpr Sint64 mixingFrames = 4096;

// The most instructions that playing the music may take: in any one mixing buffer, so that the
// audio callback, which halting the music waits for, ends well inside the buffer's 186 ms; and in
// any one second, so that the audio thread takes a small share of a core. docs/bad-data.md says
// what they take in time, and what files need.
constexpr Sint64 maxBufferWork = 100'000'000;
constexpr Sint64 maxSecondWork = 500'000'000;

// The work of libogg, vorbisfile and SDL_mixer around the decoder, in instructions: per byte of a
// page (its checksum and copies), per packet (gathered and handed to libvorbis), and at every loop
// back to the start of the music, vorbisfile's seek (a fixed part, and a bisection that reads up
// to this many of the first stream's largest pages).
constexpr Sint64 byteWork = 8;
constexpr Sint64 packetOverheadWork = 500;
constexpr Sint64 seekWork = 200'000;
constexpr Sint64 seekPages = 16;

// One logical Ogg stream as libogg puts its packets together from its pages, libvorbis decodes
// them and vorbisfile counts its samples; the streams of a chain follow each other whole.
struct StreamState {
    Uint32 serial;
    Uint32 nextPage;
    int headerPackets;
    bool inPacket;
    bool ended;
    Sint64 openPacket;
    // The header packet being gathered, and the first bytes of the audio packet being gathered.
    std::vector<Uint8> packet;
    Uint8 head[2];
    VorbisFormat format;
    VorbisCost setup;
    int rateDoublings;
    // The last block decoded (0 before the first), the samples of the packets so far, the last
    // granule position (-1 before the first) and vorbisfile's offset of the first sample.
    Sint64 lastBlock;
    Sint64 samples;
    Sint64 granule;
    Sint64 offset;
    Sint64 largestPage;
};

// The music as the check reads it, page by page: the stream being read, the cost of the headers
// so far, and the work and frames of the pages so far in stretches.
struct MusicState {
    StreamState stream;
    int streams;
    bool converted;
    VorbisCost headers;
    WorkStretches work;
    // The audio packets of the page being read: the work of decoding each, and its samples.
    std::vector<MusicWork> packets;
    // Where the first stream's decoder is set up (work.marked), what it costs, and its largest
    // page.
    Sint64 firstSetUp;
    Sint64 firstLargestPage;
};

// Starts the stream that a page of this serial number and sequence number begins.
StreamState streamBegun(Uint32 serial, Uint32 sequence, int rateDoublings) {
    StreamState stream{};
    stream.serial = serial;
    stream.nextPage = sequence;
    stream.setup = VorbisCost{0, 0, 0, 0, 0, 0};
    stream.rateDoublings = rateDoublings;
    stream.granule = -1;
    return stream;
}

// Takes a header packet that a stream's page completes: the identification gives the stream's
// format, the comments and the setup header what libvorbis allocates, and the setup header the
// work of the decoder's set-up and the modes of its audio packets. False, with the reason
// recorded, for a setup header that libvorbis cannot decode with.
bool headerAccepted(MusicState& music, Sint64& work) {
    StreamState& stream = music.stream;
    if (stream.headerPackets == 0) {
        const std::optional<VorbisFormat> format =
            vorbisFormat(stream.packet.data(), stream.packet.size());
        if (!format) {
            return refuse("music: a stream that is not Vorbis");
        }
        stream.format = *format;
    } else if (stream.headerPackets == 1) {
        music.headers.kept += vorbisCommentCost(stream.packet.data(), stream.packet.size());
    } else {
        const std::optional<VorbisCost> setup =
            vorbisSetupCost(stream.packet.data(), stream.packet.size(), stream.format);
        if (!setup) {
            return false;
        }
        music.headers.kept += setup->kept;
        music.headers.decoding = std::max(music.headers.decoding, setup->decoding);
        stream.setup = *setup;
        work += setup->entry;
        if (music.streams == 1) {
            music.work.marked = music.work.stretches.size();
            music.firstSetUp = setup->entry;
        }
    }
    std::vector<Uint8>().swap(stream.packet);
    ++stream.headerPackets;
    return true;
}

// Whether a page's granule position agrees with the samples that its audio packets give as
// libvorbis decodes them, `completed` packets ending on the page after the headers; gives the
// samples that the page plays in `played`. vorbisfile finds the start of the music by these
// positions when it loops, and counts each stream's length by them: a page without a packet
// ending on it has none, the first page that has one may start anywhere, and each later one
// must follow on by its samples, save that the last may cut the last packet short.
bool granuleAccepted(StreamState& stream, Sint64 granule, Sint64 samples, int completed, bool last,
                     Sint64& played) {
    const char* disagreeing = "music: granule positions that disagree with the packets";
    if (completed == 0) {
        return granule == -1 || refuse(disagreeing);
    }
    if (granule < 0) {
        return refuse(disagreeing);
    }
    stream.samples += samples;
    if (stream.granule < 0) {
        stream.offset = std::max<Sint64>(0, granule - stream.samples);
    } else if (last ? granule < stream.granule || granule - stream.granule > samples
                    : granule - stream.granule != samples) {
        return refuse(disagreeing);
    }
    played = granule - std::max(stream.granule, stream.offset);
    stream.granule = granule;
    return true;
}

// Adds a page to the stretches of the music: its own work (its bytes, its packets gathered, the
// set-up of a stream) as it is read, then each of its audio packets as it is decoded, with the
// samples it plays, but `played` of them in all, converted to the mixer's rate. libvorbis
// decodes a packet only once the samples of the one before have been taken, so a page of many
// packets is spread over the time they play.
void addPage(MusicState& music, Sint64 work, Sint64 played) {
    const int doublings = music.stream.rateDoublings;
    Sint64 excess = -played;
    for (const MusicWork& packet : music.packets) {
        excess += packet.frames;
    }
    addWork(music.work, MusicWork{work, 0});
    for (MusicWork packet : music.packets) {
        const Sint64 cut = std::min(excess, packet.frames);
        packet.frames -= cut;
        excess -= cut;
        packet.frames = doublings >= 0 ? packet.frames << doublings : packet.frames >> -doublings;
        addWork(music.work, packet);
    }
    music.packets.clear();
}

// Follows the music's packets over one accepted page of `length` bytes; false, with the reason
// recorded, when the page breaks them. The streams of a chain must follow each other whole, each
// page of a stream following the last with no gap and continuing a packet exactly when one is
// open: libogg drops a packet cut by a gap, and leading segments that continue no packet, and the
// packets must be those that libvorbis decodes, for the headers that the check judges and for the
// samples and the work that it counts.
bool packetsAccepted(MusicState& music, const Uint8* page, std::size_t length,
                     const OggPage& judged) {
    ByteReader reader = byteReader(page, 27);
    seekTo(reader, 5);
    const Uint32 flags = readU8(reader);
    const Uint64 low = readLe32(reader);
    const Sint64 granule = static_cast<Sint64>(low | Uint64{readLe32(reader)} << 32);
    const Uint32 serial = readLe32(reader);
    const Uint32 sequence = readLe32(reader);
    // vorbisfile tells the streams of a chain apart by their serial numbers: a stream numbered as
    // the one before it would be decoded as part of it.
    if (judged.beginsStream && music.streams > 1 && serial == music.stream.serial) {
        return refuse("music: a stream numbered as the one before it");
    }
    if (judged.beginsStream) {
        music.stream = streamBegun(serial, sequence, judged.rateDoublings);
    } else if (serial != music.stream.serial) {
        return refuse("music: pages of streams interleaved");
    }
    StreamState& stream = music.stream;
    if (stream.ended) {
        return refuse("music: a page after the last of its stream");
    }
    if (sequence != stream.nextPage) {
        return refuse("music: pages out of sequence");
    }
    if (((flags & 0x01) != 0) != stream.inPacket) {
        return refuse("music: continuation flags that disagree with the packets");
    }
    ++stream.nextPage;
    stream.largestPage = std::max(stream.largestPage, static_cast<Sint64>(length));
    const bool audioBefore = stream.headerPackets == 3;
    Sint64 work = static_cast<Sint64>(length) * byteWork;
    int completed = 0;
    Sint64 samples = 0;
    const Uint8* segment = page + 27 + page[26];
    for (int n = 0; n < page[26]; segment += page[27 + n], ++n) {
        const Uint8 lacing = page[27 + n];
        if (stream.headerPackets < 3) {
            stream.packet.insert(stream.packet.end(), segment, segment + lacing);
        } else {
            const std::size_t gathered =
                static_cast<std::size_t>(std::min<Sint64>(stream.openPacket, 2));
            std::memcpy(stream.head + gathered, segment,
                        std::min<std::size_t>(2 - gathered, lacing));
        }
        stream.openPacket += lacing;
        if (stream.openPacket > maxOggPacket) {
            return refuse("music: a packet over 1 MiB");
        }
        stream.inPacket = lacing == 255;
        if (stream.inPacket) {
            continue;
        }
        work += packetOverheadWork;
        if (stream.headerPackets < 3) {
            if (!headerAccepted(music, work)) {
                return false;
            }
        } else {
            ++completed;
            const int block = vorbisPacketBlock(
                stream.head, static_cast<std::size_t>(stream.openPacket), stream.setup);
            if (block >= 0) {
                const Sint64 size = stream.format.blockSizes[block];
                const Sint64 packetSamples =
                    stream.lastBlock > 0 ? (stream.lastBlock + size) / 4 : 0;
                samples += packetSamples;
                stream.lastBlock = size;
                music.packets.push_back(
                    MusicWork{vorbisPacketWork(stream.format, stream.setup, block), packetSamples});
            }
        }
        stream.openPacket = 0;
    }
    if (music.headers.kept + music.headers.decoding > maxVorbisHeaderCost) {
        return refuse("music: headers that take libvorbis too much memory");
    }
    stream.ended = (flags & 0x04) != 0;
    Sint64 played = 0;
    if ((audioBefore || completed > 0) &&
        !granuleAccepted(stream, granule, samples, completed, stream.ended, played)) {
        return false;
    }
    addPage(music, work, played);
    return true;
}

// Whether playing the music looping for ever stays within the work that a mixing buffer and a
// second may take; records the reason when not.
bool playingAccepted(MusicState& music, const MixerSpec& mixer) {
    std::vector<MusicWork>& stretches = closedStretches(music.work);
    // A single stream's decoder is set up once, when the music starts, and its loop is a seek; a
    // chain's, at every change of stream, the loop back to the first included.
    if (music.streams == 1 && music.work.marked < stretches.size()) {
        stretches[music.work.marked].work -= music.firstSetUp;
        if (music.firstSetUp > maxBufferWork) {
            return refuse("music: a decoder set-up that costs too much");
        }
    }
    if (!stretches.empty()) {
        stretches.front().work += seekWork + seekPages * byteWork * music.firstLargestPage;
    }
    const Sint64 buffer = mostWorkIn(stretches, mixingFrames);
    if (buffer < 0) {
        return refuse("music: streams that play nothing");
    }
    if (buffer > maxBufferWork) {
        return refuse("music: decoding that costs too much in a mixing buffer");
    }
    return mostWorkIn(stretches, mixer.rate) <= maxSecondWork ||
           refuse("music: decoding that costs too much a second");
}

} // namespace

bool oggFileAccepted(const Uint8* bytes, std::size_t size, const MixerSpec& mixer) {
    // Every byte must belong to an accepted page: vorbisfile's open takes time that grows faster
    // than junk after the last page (64 MB: 7.8 s).
    MusicState music{};
    music.headers = VorbisCost{0, 0, 0, 0, 0, 0};
    music.work = workStretches();
    for (std::size_t position = 0; position < size;) {
        const OggPage page = oggPageAccepted(bytes + position, size - position, mixer);
        if (page.length == 0) {
            return false;
        }
        if (position == 0 && !page.beginsStream) {
            return refuse("music: no stream begins the file");
        }
        music.streams += page.beginsStream ? 1 : 0;
        music.converted = music.converted || page.converted;
        if (music.streams > maxOggStreams) {
            return refuse("music: more than 64 chained streams");
        }
        // SDL_mixer builds a new converter at each change of stream, and SDL_BuildAudioCVT
        // clears the pointer to the last one's buffer before SDL_mixer frees it: music that
        // loops through more than one stream needing conversion would lose a buffer at every
        // change, without end.
        if (music.streams > 1 && music.converted) {
            return refuse("music: chained streams that need converting");
        }
        if (!packetsAccepted(music, bytes + position, page.length, page)) {
            return false;
        }
        if (music.streams == 1) {
            music.firstLargestPage = music.stream.largestPage;
        }
        position += page.length;
    }
    if (size == 0) {
        return refuse("music: empty");
    }
    return playingAccepted(music, mixer);
}
