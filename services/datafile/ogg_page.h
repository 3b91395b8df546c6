// The check of one Ogg page of music, and of the identification header that begins a stream.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include "services/datafile/conversion.h"

#include <SDL.h>

#include <cstddef>

// One Ogg page as the music check judges it: its length (0 when refused), whether it begins a
// logical stream, whether that stream's audio must be converted to the mixer's output, and how
// many times the conversion doubles its rate (halves it, below 0).
struct OggPage {
    std::size_t length;
    bool beginsStream;
    bool converted;
    int rateDoublings;
};

// The Ogg page checksum of `length` bytes, with the checksum field counted as zeros.
Uint32 oggChecksum(const Uint8* page, std::size_t length);

// The Ogg page at the start of `bytes`, of which `count` are at hand, judged as music for this
// mixer; records the reason when it is refused.
OggPage oggPageAccepted(const Uint8* bytes, std::size_t count, const MixerSpec& mixer);
