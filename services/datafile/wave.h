// The check of WAV sounds against SDL 1.2's loader, its ADPCM decoders and SDL_mixer.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include "services/datafile/conversion.h"

#include <SDL.h>

#include <cstddef>
#include <optional>

// Where SDL_LoadWAV_RW finds a WAV file's audio data, how far it reads, and the format fields
// by which its ADPCM decoders walk the data.
struct WaveLayout {
    Sint64 extent;
    Sint64 dataStart;
    Uint32 dataLength;
    Uint32 encoding;
    Uint32 channels;
    Uint32 align;
    Uint32 samplesPerBlock;
};

// The layout of a WAV file with these leading bytes and this size, as SDL_LoadWAV_RW reads it;
// none, with the reason recorded, when SDL or SDL_mixer would mishandle it.
std::optional<WaveLayout> waveLayout(const Uint8* bytes, std::size_t count, Sint64 fileSize,
                                     const MixerSpec& mixer);

// Whether SDL's MS-ADPCM decoder finds a known predictor at the start of every block of this
// audio data, laid out by these fields of its format; records the reason when not.
bool msAdpcmPredictorsKnown(const Uint8* data, std::size_t length, int channels, Uint32 align,
                            Uint32 samplesPerBlock);

// Whether the audio data of a whole WAV file in memory, laid out as `layout` says, decodes
// without failing inside SDL's decoders; records the reason when not.
bool waveDataAccepted(const Uint8* file, std::size_t size, const WaveLayout& layout);
