// Opening a data file, the one thing about files that differs from one operating system to
// another.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstdio>

// Opens a regular file for reading in binary mode without ever waiting on it, and sets `size` to
// its length; null, with the reason recorded, for a missing file, a folder, a FIFO or a device.
std::FILE* openRegularFile(const char* path, Sint64& size);
