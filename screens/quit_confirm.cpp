// Quit confirmation screen: the question alone on a black display.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "screens/quit_confirm.h"

#include "services/frame.h"
#include "services/input.h"

void quitConfirmState() {
    if (!frameGateOpen()) {
        return;
    }
    quitConfirmEvents();
    clearScreen();
    drawText("Quit for sure (Y or N)?", 180, 230, 12, 255, 255, 255, 0, 0, 0);
    presentFrame();
}
