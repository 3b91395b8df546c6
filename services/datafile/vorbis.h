// The checks of Vorbis header packets against libvorbis: codebooks it cannot decode with, what it
// allocates for the headers of a stream, and the work of its decoder's set-up.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>
#include <optional>

// A stream's identification header as libvorbis reads it: what the set-up of its decoder and the
// length of its packets depend on.
struct VorbisFormat {
    int channels;
    Uint32 rate;
    Sint64 blockSizes[2];
};

// What libvorbis does for a setup header: the bytes it keeps while the music is open and those it
// allocates besides while it decodes the stream; the instructions that SDL_mixer's player spends
// each time it enters the stream (the decoder set up and torn down again, its codebooks made
// ready); the instructions per sample of a block and channel that decoding a packet takes at most;
// and the modes that its audio packets name, of which those in `longModes` have long blocks (no
// modes when the header ends before them).
struct VorbisCost {
    Sint64 kept;
    Sint64 decoding;
    Sint64 entry;
    Sint64 packetSampleWork;
    int modes;
    Uint64 longModes;
};

// The format that a stream's identification header (its first packet) gives; none when the packet
// is too short for one.
std::optional<VorbisFormat> vorbisFormat(const Uint8* packet, std::size_t length);

// What libvorbis does for this setup header (the third header packet of a stream) of a stream of
// this format; none, with the reason recorded, when it would set up a codebook that it cannot
// decode with, or one whose set-up overflows a thread's stack.
std::optional<VorbisCost> vorbisSetupCost(const Uint8* packet, std::size_t length,
                                          const VorbisFormat& format);

// The bytes that libvorbis allocates to hold this comment header (the second header packet).
Sint64 vorbisCommentCost(const Uint8* packet, std::size_t length);

// The block of an audio packet of `length` bytes, of which `head` holds the first (two at most),
// as libvorbis decodes it: 1 long, 0 short, -1 for a packet that it skips undecoded.
int vorbisPacketBlock(const Uint8* head, std::size_t length, const VorbisCost& setup);

// The instructions that libvorbis spends decoding an audio packet of this block (1 long, 0 short)
// of a stream of this format and setup header.
Sint64 vorbisPacketWork(const VorbisFormat& format, const VorbisCost& setup, int block);
