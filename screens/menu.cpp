// Menu screen: the splash image, re-read every frame, under "(S)tart Game" and "(Q)uit Game".
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "screens/menu.h"

#include "services/frame.h"
#include "services/input.h"

namespace {

constexpr char splashImagePath[] = "graph/splash.bmp";

} // namespace

void menuState() {
    if (!frameGateOpen()) {
        return;
    }
    // The rules may pop the menu or push the game screen; this frame is drawn either way.
    menuEvents();
    clearScreen();
    setBackground(splashImagePath);
    drawBackground();
    drawText("(S)tart Game", 240, 350, 16, 255, 255, 255, 0, 0, 0);
    drawText("(Q)uit Game", 240, 380, 16, 255, 255, 255, 0, 0, 0);
    presentFrame();
}
