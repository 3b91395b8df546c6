// SDL 1.2's audio conversion, as SDL_BuildAudioCVT builds it, judged before SDL builds it.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <optional>

// The mixer's output as Mix_QuerySpec reports it, which every sound is converted to.
struct MixerSpec {
    int rate;
    Uint16 format;
    int channels;
};

// A conversion to the mixer's output: how many filters SDL_BuildAudioCVT chains, how many times a
// buffer grows through them, and how many times the rate is doubled (or, below 0, halved).
struct AudioConversion {
    int filters;
    Sint64 growth;
    int rateDoublings;
};

// The conversion of this format, channel count and rate to the mixer's output; none, with the
// reason recorded, when SDL cannot convert within its table of filters.
std::optional<AudioConversion> audioConversion(Uint16 format, int channels, Uint32 rate,
                                               const MixerSpec& mixer);

// The mixer's output, or none when the device is not open.
std::optional<MixerSpec> mixerSpec();
