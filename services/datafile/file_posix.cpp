// Opening a data file on POSIX systems: a FIFO in its place must not hold the program.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/file.h"

#include "services/datafile/reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* openRegularFile(const char* path, Sint64& size) {
    // Opening a FIFO for reading waits for a writer, unless the open does not block; what was
    // opened is then judged by the open file itself, so that nothing can be swapped in between.
    const int file = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0) {
        refuse("data file: cannot be opened");
        return nullptr;
    }
    struct stat status {};
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(file);
        refuse("data file: not a regular file");
        return nullptr;
    }
    std::FILE* stream = fdopen(file, "rb");
    if (stream == nullptr) {
        close(file);
        refuse("data file: cannot be opened");
        return nullptr;
    }
    size = static_cast<Sint64>(status.st_size);
    return stream;
}
