// Watches one pixel of an X window and tells the moment it changes and the moment a key press
// reached the window, for timing the program's response to a key far more closely than
// whole-window captures can.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
//
// Usage: x_watch_pixel WINDOW-ID X Y TIMEOUT-MS
// Prints "ready VALUE" once it has read the pixel and listens for key presses, then, when the
// pixel holds another value, "PRESSED CHANGED VALUE": the seconds on CLOCK_MONOTONIC (Python's
// time.monotonic) at which the first key press reached the window ("-" if none did) and at which
// the pixel changed. Ends with status 0; status 1 when the pixel did not change within
// TIMEOUT-MS or the window went away, and then, if a key press reached the window before it
// went away, prints "PRESSED gone". The X server hands a copy of every key press in the window
// to each client that asks for them, so listening takes nothing from the program.
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

    XSelectInput(display, window, KeyPressMask);
    unsigned long first = 0;
    if (!readPixel(display, window, x, y, first)) {
        return 1;
    }
    std::printf("ready %lu\n", first);
    std::fflush(stdout);
    const timespec pause{0, 1000000};
    double pressed = -1;
    unsigned long value = first;
    while (value == first) {
        if (now() > deadline) {
            return 1;
        }
        nanosleep(&pause, nullptr);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == KeyPress && pressed < 0) {
                pressed = now();
            }
        }
        if (!readPixel(display, window, x, y, value)) {
            if (pressed >= 0) {
                std::printf("%.6f gone\n", pressed);
            }
            return 1;
        }
    }
    const double changed = now();
    if (pressed < 0) {
        std::printf("- %.6f %lu\n", changed, value);
    } else {
        std::printf("%.6f %.6f %lu\n", pressed, changed, value);
    }
    XCloseDisplay(display);
    return 0;
}
