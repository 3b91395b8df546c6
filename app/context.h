// The program context: the state stack and the process-wide variables that all screens share.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <stack>

// A screen handler: the main loop calls the one on top of the stack over and over.
using StateFn = void (*)();

// Last-in, first-out stack of screen handlers; the top entry is the screen that runs.
using StateStack = std::stack<StateFn>;

// Which screen runs: the main loop calls the top entry until the stack is empty.
extern StateStack stateStack;

// The display surface returned by SDL_SetVideoMode; never null once init has returned.
extern SDL_Surface* screen;

// The background slot: the full-screen image loaded last, owned here; null when empty.
extern SDL_Surface* background;

// SDL_GetTicks value recorded after the last presented frame; the frame gate measures from it.
extern Uint32 lastTick;

// The one event record into which every input rule set polls.
extern SDL_Event event;

// The menu music, looping from the end of the logo until shutdown; null when not loaded.
extern Mix_Music* music;

// The logo sound, loaded as a mixer chunk by the logo screen; null when not loaded.
extern Mix_Chunk* sound;

// Mixer channel on which the logo sound was started; -1 when it was stopped or never played.
extern int soundChannel;

// Output sampling rate in Hz for Mix_OpenAudio.
extern int audioRate;

// Sample format for Mix_OpenAudio: signed 16-bit little-endian.
extern Uint16 audioFormat;

// Output channels for Mix_OpenAudio: stereo.
extern int audioChannels;

// Mixer chunk size in sample frames for Mix_OpenAudio.
extern int audioBuffers;
