// The work of playing music, added up in stretches of the frames it plays, and the most that any
// stretch of time can take of it when the music loops for ever.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>
#include <vector>

// A stretch of the music as its cost is judged: the instructions that libogg, libvorbis,
// vorbisfile and SDL_mixer spend reading and decoding it, and the frames that it plays at the
// mixer's rate.
struct MusicWork {
    Sint64 work;
    Sint64 frames;
};

// The work of the music read so far: the stretches made, the one being made, how many frames a
// stretch holds at least, and a stretch that the reader marks (kept pointing at the same work
// when stretches are joined).
struct WorkStretches {
    std::vector<MusicWork> stretches;
    MusicWork open;
    Sint64 minimumFrames;
    std::size_t marked;
};

// No work yet.
WorkStretches workStretches();

// Adds the work and frames of a stretch of the music to the stretches.
void addWork(WorkStretches& work, MusicWork stretch);

// The stretches with the one being made closed.
std::vector<MusicWork>& closedStretches(WorkStretches& work);

// The most work that playing `frames` frames can take, from the start of any stretch, of music
// that loops for ever through these stretches in turn; -1 when they play no frames at all.
Sint64 mostWorkIn(const std::vector<MusicWork>& stretches, Sint64 frames);
