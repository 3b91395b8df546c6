// Preloaded into the program by the whole-process measurement: stamps every SDL_UpdateRect.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
//
// With QUORVANE_PRESENT_STAMPS set to a file path, each call of SDL_UpdateRect is passed on to
// SDL and then written to that file as one line, "<entered> <returned>", both in nanoseconds of
// CLOCK_MONOTONIC, the clock that Python's time.monotonic_ns() reads. Under X11, SDL returns from
// SDL_UpdateRect only after the X server has taken the image, so the second stamp is the moment
// the frame is on screen. Without the variable the calls are passed on untouched.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using UpdateRectFn = void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32);

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// The file of stamps: -2 until the first call opens it, -1 when none is asked for or it failed.
int stampFile = -2;

int openStampFile() {
    const char* path = std::getenv("QUORVANE_PRESENT_STAMPS");
    if (path == nullptr || *path == '\0') {
        return -1;
    }
    return open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

} // namespace

extern "C" void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h) {
    static const auto next = reinterpret_cast<UpdateRectFn>(dlsym(RTLD_NEXT, "SDL_UpdateRect"));
    const long long entered = monotonicNs();
    if (next != nullptr) {
        next(screen, x, y, w, h);
    }
    const long long returned = monotonicNs();
    if (stampFile == -2) {
        stampFile = openStampFile();
    }
    if (stampFile >= 0) {
        char line[64];
        const int length = std::snprintf(line, sizeof line, "%lld %lld\n", entered, returned);
        // One write a frame, unbuffered, so that the stamps are on disk whenever the process ends.
        if (write(stampFile, line, static_cast<size_t>(length)) != length) {
            close(stampFile);
            stampFile = -1;
        }
    }
}
