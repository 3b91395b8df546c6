// Game screen: the menu's background image without its texts, until Escape.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "screens/game.h"

#include "services/frame.h"
#include "services/input.h"

void gameState() {
    if (!frameGateOpen()) {
        return;
    }
    gameEvents();
    clearScreen();
    // Loads nothing: the slot holds the image that the menu loaded last.
    drawBackground();
    presentFrame();
}
