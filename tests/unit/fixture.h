// Test fixture: a temporary run directory with small data files of known content, and helpers
// that feed events, open the frame gate and read pixels back from the display.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include "app/context.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

// Colours of the test images and texts: exact on the 8-bit dummy display as on a 32-bit one.
struct Rgb {
    Uint8 r, g, b;
};
constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};
constexpr Rgb red{255, 0, 0};
constexpr Rgb green{0, 255, 0};
constexpr Rgb blue{0, 0, 255};
constexpr Rgb yellow{255, 255, 0};
constexpr Rgb magenta{255, 0, 255};

// Writes a solid bitmap of the given size and colour.
void writeBitmap(const std::string& path, int width, int height, Rgb colour);

// Writes a 16-bit stereo 22050 Hz WAV tone of the given length.
void writeWav(const std::string& path, double seconds);

// Queues a key event as the keyboard would.
void pushKey(SDLKey key, Uint8 type = SDL_KEYDOWN, SDLMod mod = KMOD_NONE);

// Queues a window-close request.
void pushQuit();

// Moves the mouse back and forth `times` times, reported the way SDL's video drivers report a
// real mouse (on the dummy driver SDL_WarpMouse goes through SDL's own motion handling).
void moveMouse(int times);

// Number of events waiting in SDL's queue.
int pendingEvents();

// The colour of a display pixel.
Rgb pixelAt(int x, int y);

// Whether two colours differ by at most `tolerance` in each component.
bool near(Rgb actual, Rgb expected, int tolerance = 24);

// Fills the display with a colour that no drawing of the program uses.
void fillMarker();

// Makes a frame due now, as if the last one was presented a full period ago.
void openGate();

// The stack's entries from the bottom up.
std::vector<StateFn> stackEntries();

// Replaces the stack by the given entries, bottom first.
void setStack(std::initializer_list<StateFn> entries);

// Prints colours in failure messages.
std::ostream& operator<<(std::ostream& out, Rgb colour);

// Makes a temporary run directory with the data files that ProgramTest describes; returns its path.
std::string makeRunDirectory();

// A started program in a fresh run directory: splash green, logo red, a tone and a box font.
class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file inside the run directory.
    std::string inRunDir(const std::string& relative) const;

    std::string runDir;
    std::string previousDir;
};
