// Entry point of quorvane: start up, run the screens until none is left, shut down.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "app/lifecycle.h"

#include <SDL.h>

// The program takes no options: the arguments are accepted and ignored.
int main(int /*argc*/, char* /*argv*/[]) {
    init();
    runStateLoop();
    cleanUp();
    return 0;
}
