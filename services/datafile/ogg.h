// The check of Ogg Vorbis music against libogg, libvorbis, vorbisfile and SDL_mixer's player.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include "services/datafile/conversion.h"

#include <SDL.h>

#include <cstddef>

// Whether a whole Ogg file in memory is music that SDL_mixer may play for ever in bounded
// memory and time; records the reason when not.
bool oggFileAccepted(const Uint8* bytes, std::size_t size, const MixerSpec& mixer);
