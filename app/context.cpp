// Definitions of the program context; each variable is described where app/context.h declares it.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "app/context.h"

StateStack stateStack;
SDL_Surface* screen = nullptr;
SDL_Surface* background = nullptr;
Uint32 lastTick = 0;
SDL_Event event{};
Mix_Music* music = nullptr;
Mix_Chunk* sound = nullptr;
int soundChannel = -1;
int audioRate = 22050;
Uint16 audioFormat = AUDIO_S16LSB;
int audioChannels = 2;
int audioBuffers = 4096;
