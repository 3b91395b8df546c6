// The main menu: the splash image with the start and quit lines.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

// One gated frame of the menu: S starts the game screen, Q or Escape leave it.
void menuState();
