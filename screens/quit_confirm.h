// The quit confirmation, at the bottom of the state stack.
#pragma once

// One gated frame of the quit confirmation: Y or Escape end the run, N brings a menu back.
void quitConfirmState();
