// The main menu: the splash image with the start and quit lines.
#pragma once

// One gated frame of the menu: S starts the game screen, Q or Escape leave it.
void menuState();
