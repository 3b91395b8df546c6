// The checked streams that the loads of the data files hand to SDL, SDL_mixer and SDL_ttf.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include "services/datafile/conversion.h"
#include "services/datafile/font.h"

#include <SDL.h>

// A stream of the bytes of a bitmap file that SDL_LoadBMP_RW reads, once they pass the check;
// null, with the reason recorded, when the file is missing, special or refused. It reads from
// the buffer kept from load to load, so it must be closed before the next bitmap is opened.
SDL_RWops* openBitmapStream(const char* path);

// A stream of the bytes of a font file that FreeType reads, once they pass the check, which
// leaves in `check` how the font is to be opened; null, with the reason recorded, when the file
// is missing, special or refused.
SDL_RWops* openFontStream(const char* path, FontCheck& check);

// A stream of the bytes of a WAV file that SDL_LoadWAV_RW reads, once they pass the check for
// this mixer; null, with the reason recorded, when the file is missing, special or refused.
SDL_RWops* openSoundStream(const char* path, const MixerSpec& mixer);

// A stream of a whole Ogg Vorbis file, once it passes the check for this mixer; null, with the
// reason recorded, when the file is missing, special or refused.
SDL_RWops* openMusicStream(const char* path, const MixerSpec& mixer);
