// Opening a data file on Windows, whose file system holds no FIFOs or devices that could hold
// the program: a regular file opened in binary mode.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/file.h"

#include "services/datafile/reader.h"

#include <filesystem>
#include <system_error>

std::FILE* openRegularFile(const char* path, Sint64& size) {
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(path, error);
    const std::uintmax_t length = regular ? std::filesystem::file_size(path, error) : 0;
    if (error || !regular) {
        refuse("data file: not a regular file");
        return nullptr;
    }
    // Without "b" the C runtime translates line ends and stops at the first byte 26.
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        refuse("data file: cannot be opened");
        return nullptr;
    }
    size = static_cast<Sint64>(length);
    return stream;
}
