// Between two passes of the main loop on a web page: the page's turn, until the next frame.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "app/yield.h"

#include "app/context.h"
#include "services/frame.h"

#include <emscripten.h>

void yieldBetweenPasses() {
    // A page shows its canvas, delivers keys and plays sound only while the program waits, so
    // every pass hands it the time until the next frame is due. A wait of no time would keep a
    // core busy, or, where a browser makes chained timers wait 4 ms at the least as the HTML
    // standard lets it, put every frame some milliseconds past its due time.
    emscripten_sleep(timeToNextFrame(SDL_GetTicks(), lastTick));
}
