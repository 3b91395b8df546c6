// Game screen: the menu's background image without its texts, until Escape.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "game.h"

#include "frame.h"
#include "input.h"

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
