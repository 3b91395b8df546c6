// The check of Ogg Vorbis music against libogg, libvorbis, vorbisfile and SDL_mixer's player.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include "services/datafile/conversion.h"

#include <SDL.h>

#include <cstddef>
#include <vector>

// One Ogg page as the music check judges it: its length (0 when refused), whether it begins a
// logical stream, whether that stream's audio must be converted to the mixer's output, and how
// many times the conversion doubles its rate (halves it, below 0).
struct OggPage {
    std::size_t length;
    bool beginsStream;
    bool converted;
    int rateDoublings;
};

// A stretch of the music as its cost is judged: the instructions that libogg, libvorbis,
// vorbisfile and SDL_mixer spend reading and decoding it, and the frames that it plays at the
// mixer's rate.
struct MusicWork {
    Sint64 work;
    Sint64 frames;
};

// The Ogg page checksum of `length` bytes, with the checksum field counted as zeros.
Uint32 oggChecksum(const Uint8* page, std::size_t length);

// The Ogg page at the start of `bytes`, of which `count` are at hand, judged as music for this
// mixer; records the reason when it is refused.
OggPage oggPageAccepted(const Uint8* bytes, std::size_t count, const MixerSpec& mixer);

// The most work that playing `frames` frames can take, from the start of any stretch, of music
// that loops for ever through these stretches in turn; -1 when they play no frames at all.
Sint64 mostWorkIn(const std::vector<MusicWork>& stretches, Sint64 frames);

// Whether a whole Ogg file in memory is music that SDL_mixer may play for ever in bounded
// memory and time; records the reason when not.
bool oggFileAccepted(const Uint8* bytes, std::size_t size, const MixerSpec& mixer);
