// SDL 1.2's audio conversion, as SDL_BuildAudioCVT builds it, judged before SDL builds it.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/conversion.h"

#include "services/datafile/reader.h"

#include <SDL_mixer.h>

namespace {

// SDL_BuildAudioCVT's table holds ten filters, the last of them the null that ends the chain.
constexpr int maxAudioFilters = 9;

} // namespace

std::optional<AudioConversion> audioConversion(Uint16 format, int channels, Uint32 rate,
                                               const MixerSpec& mixer) {
    // SDL_BuildAudioCVT's steps one by one, in its own integer types: every step adds a filter
    // and the table overflows past its tenth entry ("stack smashing detected" in
    // SDL_ConvertAudio). Each halving or doubling of the rate is one step, and a rate so far from
    // the mixer's that the doubling never ends is refused like any other overflow.
    const Uint16 target = mixer.format;
    const Uint8 targetChannels = static_cast<Uint8>(mixer.channels);
    AudioConversion conversion{0, 1, 0};
    auto step = [&conversion](Sint64 factor) {
        ++conversion.filters;
        conversion.growth *= factor;
        return conversion.filters <= maxAudioFilters;
    };
    if ((format & 0x1000) != (target & 0x1000) && (format & 0xFF) == 16 && (target & 0xFF) == 16) {
        step(1);
    }
    if ((format & 0x8000) != (target & 0x8000)) {
        step(1);
    }
    if ((format & 0xFF) != (target & 0xFF)) {
        const Uint16 size = target & 0x10FF;
        if (size == AUDIO_U8 || size == AUDIO_U16LSB || size == AUDIO_U16MSB) {
            step(size == AUDIO_U8 ? 1 : 2);
        }
    }
    int have = static_cast<Uint8>(channels);
    if (have != targetChannels) {
        if (have == 1 && targetChannels > 1) {
            step(2);
            have = 2;
        }
        if (have == 2 && (targetChannels == 6 || targetChannels == 4)) {
            step(targetChannels / 2);
            have = targetChannels;
        }
        while (have * 2 <= targetChannels && step(2)) {
            have *= 2;
        }
        if (have == 6 && (targetChannels <= 2 || targetChannels == 4)) {
            step(1);
            have = targetChannels == 4 ? 4 : 2;
        }
        while (have % 2 == 0 && have / 2 >= targetChannels && step(1)) {
            have /= 2;
        }
        // SDL leaves other channel counts unconverted: the sound would play as noise.
        if (have != targetChannels) {
            return refused("audio: channels that SDL cannot convert");
        }
    }
    const int sourceRate = static_cast<int>(rate);
    if (sourceRate / 100 != mixer.rate / 100) {
        // SDL has rate filters for 1, 2, 4 and 6 channels only.
        if (have != 1 && have != 2 && have != 4 && have != 6) {
            return refused("audio: no rate filter for its channels");
        }
        const bool down = sourceRate > mixer.rate;
        Uint32 high = static_cast<Uint32>(down ? sourceRate : mixer.rate);
        Uint32 low = static_cast<Uint32>(down ? mixer.rate : sourceRate);
        while ((low * 2) / 100 <= high / 100 && step(down ? 1 : 2)) {
            low *= 2;
            conversion.rateDoublings += down ? -1 : 1;
        }
    }
    if (conversion.filters > maxAudioFilters) {
        return refused("audio: more conversion filters than SDL holds");
    }
    return conversion;
}

std::optional<MixerSpec> mixerSpec() {
    MixerSpec mixer{};
    if (Mix_QuerySpec(&mixer.rate, &mixer.format, &mixer.channels) == 0) {
        return refused("audio: the mixer is not open");
    }
    return mixer;
}
