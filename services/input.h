// Input rules: each screen's rule set turns at most one pending event into pushes and pops.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include "app/context.h"

#include <utility>

// One row of a key table: a key and the screen it pushes; a null screen pops one entry instead.
using KeyRule = std::pair<SDLKey, StateFn>;

// Key table of the menu: Escape and Q pop, S pushes the game screen.
extern const KeyRule menuKeys[3];

// Key table of the game screen: Escape pops.
extern const KeyRule gameKeys[1];

// Key table of the quit confirmation: Escape and Y pop, N pushes a menu.
extern const KeyRule quitConfirmKeys[3];

// The first row of the table [first, last) for `key`, or null when the key is not in it.
const KeyRule* findKeyRule(const KeyRule* first, const KeyRule* last, SDLKey key);

// Whether `polled` asks to close the window; such a request empties the stack from any screen.
bool isCloseRequest(const SDL_Event& polled);

// Applies one event to the state stack by the key table [first, last).
void applyEvent(const SDL_Event& polled, const KeyRule* first, const KeyRule* last);

// The menu's rule set: handles at most one pending event.
void menuEvents();

// The game screen's rule set: handles at most one pending event.
void gameEvents();

// The quit confirmation's rule set, also used by the logo screen: at most one pending event.
void quitConfirmEvents();
