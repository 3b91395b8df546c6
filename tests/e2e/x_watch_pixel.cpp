// Watches one pixel of an X window and tells the moment it changes, for timing the program's
// response to a key far more closely than whole-window captures can.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
//
// Usage: x_watch_pixel WINDOW-ID X Y TIMEOUT-MS
// Prints "ready VALUE" once it has read the pixel, then, when the pixel holds another value,
// "SECONDS VALUE" with SECONDS on CLOCK_MONOTONIC (Python's time.monotonic), and ends with status
// 0; status 1 when the pixel did not change within TIMEOUT-MS or the window went away.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

bool failed = false;

// A window that goes away (the program ended) is an answer, not a crash of the watcher.
int noteError(Display*, XErrorEvent*) {
    failed = true;
    return 0;
}

double now() {
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

// The pixel's value, or false when it cannot be read.
bool readPixel(Display* display, Window window, int x, int y, unsigned long& value) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    XSync(display, False);
    if (image == nullptr || failed) {
        return false;
    }
    value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s WINDOW-ID X Y TIMEOUT-MS\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    XSetErrorHandler(noteError);
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const int x = std::atoi(argv[2]);
    const int y = std::atoi(argv[3]);
    const double deadline = now() + std::atof(argv[4]) / 1000;

    unsigned long first = 0;
    if (!readPixel(display, window, x, y, first)) {
        return 1;
    }
    std::printf("ready %lu\n", first);
    std::fflush(stdout);
    const timespec pause{0, 1000000};
    unsigned long value = first;
    while (value == first) {
        if (now() > deadline) {
            return 1;
        }
        nanosleep(&pause, nullptr);
        if (!readPixel(display, window, x, y, value)) {
            return 1;
        }
    }
    std::printf("%.6f %lu\n", now(), value);
    XCloseDisplay(display);
    return 0;
}
