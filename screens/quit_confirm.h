// The quit confirmation, at the bottom of the state stack.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

// One gated frame of the quit confirmation: Y or Escape end the run, N brings a menu back.
void quitConfirmState();
