// Fuzz target of the menu music: the input is the music file, loaded and started looping by the
// logo screen itself at the end of the hold, then mixed as under the menu.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/fuzz/fuzz_support.h"

#include "app/context.h"
#include "screens/logo.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr char menuMusicPath[] = "snd/menumusic.ogg";

// Buffers of music mixed after it starts: about 1.5 seconds, enough for a short input to end and
// start its loop again.
constexpr int musicBuffers = 8;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startFuzzedProgram();
    writeDataFile(menuMusicPath, data, size);
    noteOggFeatures(data, size);

    // The whole logo screen: with no logo or sound files, its work is the music's load and start.
    logoState();
    noteFeature("loaded", music != nullptr);
    mixAudio(musicBuffers);
    noteFeature("playing", Mix_PlayingMusic());
    releaseSounds();
    return 0;
}
