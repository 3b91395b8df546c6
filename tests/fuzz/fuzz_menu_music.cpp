// Fuzz target of the menu music: the input is the music file, loaded and started looping as the
// logo screen starts it, then mixed as under the menu.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/fuzz/fuzz_support.h"

#include "services/datafile.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr char menuMusicPath[] = "snd/menumusic.ogg";

// Buffers of music mixed after it starts: about 1.5 seconds, enough for a short input to end and
// start its loop again.
constexpr int musicBuffers = 8;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startLibraries();
    writeDataFile(menuMusicPath, data, size);
    noteOggFeatures(data, size);

    Mix_Music* music = loadMusic(menuMusicPath);
    noteFeature("loaded", music != nullptr);
    Mix_PlayMusic(music, -1);
    mixAudio(musicBuffers);
    noteFeature("playing", Mix_PlayingMusic());
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    return 0;
}
