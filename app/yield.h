// What the main loop does between two passes: the one thing about the loop that differs between
// the desktop and a web page.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

// Lets the platform run between two passes of the main loop: nothing on the desktop; on a web
// page, a wait until the next frame is due, during which the page draws, takes keys and plays.
void yieldBetweenPasses();
