// Between two passes of the main loop on the desktop: nothing, since the loop never sleeps there.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "app/yield.h"

void yieldBetweenPasses() {}
