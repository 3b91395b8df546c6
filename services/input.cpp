// Input rules: one mechanism for all screens, each screen with its own key table.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/input.h"

#include "screens/game.h"
#include "screens/menu.h"

#include <iterator>

const KeyRule menuKeys[3] = {{SDLK_ESCAPE, nullptr}, {SDLK_q, nullptr}, {SDLK_s, gameState}};
const KeyRule gameKeys[1] = {{SDLK_ESCAPE, nullptr}};
const KeyRule quitConfirmKeys[3] = {{SDLK_ESCAPE, nullptr}, {SDLK_y, nullptr}, {SDLK_n, menuState}};

namespace {

// Polls at most one event: events that arrive faster than the frames wait in SDL's queue.
void handleOneEvent(const KeyRule* first, const KeyRule* last) {
    if (SDL_PollEvent(&event) != 0) {
        applyEvent(event, first, last);
    }
}

} // namespace

const KeyRule* findKeyRule(const KeyRule* first, const KeyRule* last, SDLKey key) {
    for (const KeyRule* rule = first; rule != last; ++rule) {
        if (rule->first == key) {
            return rule;
        }
    }
    return nullptr;
}

bool isCloseRequest(const SDL_Event& polled) {
    return polled.type == SDL_QUIT;
}

void applyEvent(const SDL_Event& polled, const KeyRule* first, const KeyRule* last) {
    if (isCloseRequest(polled)) {
        while (!stateStack.empty()) {
            stateStack.pop();
        }
        return;
    }
    // Key releases, mouse and window events are consumed without effect. Key symbols do not
    // depend on Shift, so a letter acts in upper and lower case alike.
    if (polled.type != SDL_KEYDOWN) {
        return;
    }
    const KeyRule* rule = findKeyRule(first, last, polled.key.keysym.sym);
    if (rule == nullptr) {
        return;
    }
    if (rule->second != nullptr) {
        stateStack.push(rule->second);
    } else if (!stateStack.empty()) {
        // The calling screen stands on the stack, so in the program this pop always finds it.
        stateStack.pop();
    }
}

void menuEvents() {
    handleOneEvent(std::begin(menuKeys), std::end(menuKeys));
}

void gameEvents() {
    handleOneEvent(std::begin(gameKeys), std::end(gameKeys));
}

void quitConfirmEvents() {
    handleOneEvent(std::begin(quitConfirmKeys), std::end(quitConfirmKeys));
}
