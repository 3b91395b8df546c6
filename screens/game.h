// The game screen, which for now shows the splash image alone.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

// One gated frame of the game screen: the background slot as the menu left it; Escape leaves.
void gameState();
