// Start-up, the main loop and shutdown: the spine that runs the screens.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "app/lifecycle.h"

#include "app/context.h"
#include "app/yield.h"
#include "screens/logo.h"
#include "screens/menu.h"
#include "screens/quit_confirm.h"

#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int windowWidth = 640;
constexpr int windowHeight = 480;
constexpr char windowCaption[] = "Quorvane Logo Test";

// Without SDL or a display there is nothing to show: say why on one line and end the run.
[[noreturn]] void failStart(const char* what) {
    std::fprintf(stderr, "quorvane: %s failed: %s\n", what, SDL_GetError());
    SDL_Quit();
    std::exit(1);
}

} // namespace

void init() {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) != 0) {
        failStart("SDL_Init");
    }
    screen = SDL_SetVideoMode(windowWidth, windowHeight, 0, SDL_ANYFORMAT);
    if (screen == nullptr) {
        failStart("SDL_SetVideoMode");
    }
    SDL_WM_SetCaption(windowCaption, nullptr);
    // No rule reads the mouse. SDL 1.2's queue holds 127 events and the rules take one a frame,
    // about 30 a second: a moving mouse fills it within seconds, key presses wait behind the
    // motions, and once it is full SDL drops them. Ignored kinds of event never enter it.
    for (Uint8 kind : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        SDL_EventState(kind, SDL_IGNORE);
    }

    // A game without its sound device is not worth starting; the window closes with the process.
    if (Mix_OpenAudio(audioRate, audioFormat, audioChannels, audioBuffers) != 0) {
        std::exit(1);
    }
    lastTick = SDL_GetTicks();

    // The logo goes on top so that it runs first; the menu follows it, and leaving the menu
    // uncovers the quit confirmation at the bottom.
    stateStack.push(quitConfirmState);
    stateStack.push(menuState);
    stateStack.push(logoState);

    // Without the font library the texts are left undrawn; the rest of the program works on.
    TTF_Init();
}

void runStateLoop() {
    // A handler may push or pop while it runs; the stack is looked at again only once it returns.
    while (!stateStack.empty()) {
        stateStack.top()();
        yieldBetweenPasses();
    }
}

void cleanUp() {
    TTF_Quit();

    // Release the music before the device closes. Not every mixer reports the stop that closing
    // makes through the music-finished hook, and the hook is what releases the music otherwise.
    if (music != nullptr) {
        musicFinished();
    }
    Mix_CloseAudio();

    SDL_FreeSurface(background);
    background = nullptr;
    SDL_Quit();
}
