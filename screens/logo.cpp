// Logo screen: the maker's logo and sound, held for 2.8 seconds, then the menu music.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "screens/logo.h"

#include "app/context.h"
#include "services/datafile.h"
#include "services/frame.h"
#include "services/input.h"

namespace {

constexpr char logoImagePath[] = "graph/quorspla.bmp";
constexpr char logoSoundPath[] = "snd/quor.wav";
constexpr char menuMusicPath[] = "snd/menumusic.ogg";
constexpr Uint32 logoHoldMs = 2800;

// Plays the logo sound, or halts it when an earlier run left it playing.
void toggleLogoSound() {
    if (soundChannel < 0) {
        soundChannel = Mix_PlayChannelTimed(-1, sound, 0, -1);
    } else {
        Mix_HaltChannel(soundChannel);
        soundChannel = -1;
    }
}

// Starts the menu music looping for ever; on a later run it replaces the music already playing.
void startMenuMusic() {
    // Unhooked while the music is replaced, so that stopping the earlier music cannot release
    // the new one through the hook.
    Mix_HookMusicFinished(nullptr);
    Mix_Music* replaced = music;
    music = loadMusic(menuMusicPath);
    Mix_PlayMusic(music, -1);
    Mix_HookMusicFinished(musicFinished);
    if (music == nullptr) {
        // Nothing replaced the earlier music: it plays on and stays held.
        music = replaced;
    } else {
        Mix_FreeMusic(replaced);
    }
}

} // namespace

void logoState() {
    quitConfirmEvents();

    setBackground(logoImagePath);
    drawBackground();
    SDL_UpdateRect(screen, 0, 0, 0, 0);
    // On Windows the window shows what was drawn only once its message queue has been read,
    // which the hold below would put off by 2.8 seconds (under Wine the logo stayed black).
    // Pumping reads the queue and only queues events: none is handled here, so the logo still
    // handles at most the one event above.
    SDL_PumpEvents();

    // A later run (after N in its first step) loads the sound anew; the earlier chunk is released
    // once the toggle has halted it or, having never started, it cannot be heard.
    Mix_Chunk* replacedSound = sound;
    sound = loadSound(logoSoundPath);
    toggleLogoSound();
    Mix_FreeChunk(replacedSound);

    SDL_Delay(logoHoldMs);
    startMenuMusic();

    // A window-close request in the first step has already emptied the stack; it stays empty
    // so that the main loop ends.
    if (!stateStack.empty()) {
        stateStack.pop();
    }
}

void musicFinished() {
    Mix_HaltMusic();
    // Read after the halt: a mixer that calls this hook from within the halt has already
    // released the music and set the variable to null.
    Mix_FreeMusic(music);
    music = nullptr;
}
