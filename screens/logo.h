// The logo screen, shown first, and the menu music that it starts.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

// Shows the logo with its sound for 2.8 seconds, starts the looping menu music and pops itself.
void logoState();

// Music-finished hook: stops and releases the menu music; SDL_mixer may call it from its thread.
void musicFinished();
