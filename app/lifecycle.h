// Start-up, the main loop and shutdown of the program.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

// Opens SDL, the window and the audio device and pushes the first three screens; exits with
// status 1 when the display or the audio device cannot be opened.
void init();

// Calls the screen on top of the state stack until the stack is empty.
void runStateLoop();

// Closes the font library and the audio device, releases the surfaces and closes SDL.
void cleanUp();
