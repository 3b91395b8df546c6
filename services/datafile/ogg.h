// The check of Ogg Vorbis music against libogg, libvorbis, vorbisfile and SDL_mixer's player.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include "services/datafile/conversion.h"

#include <SDL.h>

#include <cstddef>

// One Ogg page as the music check judges it: its length (0 when refused), whether it begins a
// logical stream, and whether that stream's audio must be converted to the mixer's output.
struct OggPage {
    std::size_t length;
    bool beginsStream;
    bool converted;
};

// The Ogg page checksum of `length` bytes, with the checksum field counted as zeros.
Uint32 oggChecksum(const Uint8* page, std::size_t length);

// The Ogg page at the start of `bytes`, of which `count` are at hand, judged as music for this
// mixer; records the reason when it is refused.
OggPage oggPageAccepted(const Uint8* bytes, std::size_t count, const MixerSpec& mixer);

// Whether a whole Ogg file in memory is music that SDL_mixer may play for ever in bounded
// memory and time; records the reason when not.
bool oggFileAccepted(const Uint8* bytes, std::size_t size, const MixerSpec& mixer);
