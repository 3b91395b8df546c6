// The frame gate that paces the frame-driven screens, and the drawing operations they share.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <string>

// Least time between two frames in milliseconds, which caps the frame rate at about 30 a second.
constexpr Uint32 framePeriod = 33;

// Whether a frame is due at tick `now` when the last one was presented at tick `last`.
bool frameDue(Uint32 now, Uint32 last);

// Milliseconds from tick `now` until a frame is due when the last one was presented at tick
// `last`; 0 when one is due.
Uint32 timeToNextFrame(Uint32 now, Uint32 last);

// Whether a frame-driven screen may run its frame now; when not, it returns at once.
bool frameGateOpen();

// Presents the whole display and stamps lastTick, as the last step of every gated frame.
void presentFrame();

// Fills the whole display with black.
void clearScreen();

// Loads a Windows bitmap into the background slot, releasing what it held; a failed load
// leaves the slot empty.
void setBackground(const char* path);

// Copies the top-left 640 by 480 pixels of the background slot to the display, if it holds one.
void drawBackground();

// Draws one line of text with its top-left corner at (x, y): foreground colour on a solid box of
// the background colour, in the program's font at `size` points; nothing when the font is missing.
void drawText(std::string text, int x, int y, int size, int fgRed, int fgGreen, int fgBlue,
              int bgRed, int bgGreen, int bgBlue);
