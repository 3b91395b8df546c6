// Benchmarks of the drawing operations and of one whole frame of each screen, run in-process.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
//
// The program is started as it starts itself (init) in the repository root, where its data files
// are. Each benchmark calls an operation the way the screens call it; the screen frames open the
// frame gate before every call. Every call is timed on its own, so that besides Google
// Benchmark's mean the median, the 95th and 99th percentiles and the minimum are reported as
// counters in milliseconds.
//
// Extra options, read before Google Benchmark's own:
//   --display=dummy    SDL's dummy video driver at the depth it offers, which is 8 bits (default)
//   --display=dummy32  the dummy video driver with the display set to 32 bits per pixel
//   --display=x11      a real window on $DISPLAY (for instance Xvfb at depth 24: 32 bits a pixel)
//   --run_dir=PATH     where the data files are (default: the repository root)
#include "app/context.h"
#include "app/lifecycle.h"
#include "screens/game.h"
#include "screens/menu.h"
#include "screens/quit_confirm.h"
#include "services/frame.h"

#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char splashPath[] = "graph/splash.bmp";
constexpr char fontPath[] = "Adore64.ttf";

using Clock = std::chrono::steady_clock;

// Times every call of `operation` and reports the spread of the single calls.
template <typename Operation> void timeEachCall(benchmark::State& state, Operation operation) {
    std::vector<double> samples;
    samples.reserve(1 << 17);
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        operation();
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    if (samples.empty()) {
        return;
    }
    std::sort(samples.begin(), samples.end());
    auto rank = [&samples](double fraction) {
        const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size()));
        return samples[std::min(index, samples.size() - 1)];
    };
    state.counters["median_ms"] = rank(0.5);
    state.counters["p95_ms"] = rank(0.95);
    state.counters["p99_ms"] = rank(0.99);
    state.counters["min_ms"] = samples.front();
    state.SetLabel(std::to_string(screen->format->BitsPerPixel) + "-bit display");
}

// Makes the next call of a frame-driven screen draw its frame, as if the last one was presented
// a full period ago.
void openFrameGate() {
    lastTick = SDL_GetTicks() - framePeriod;
}

// Runs one screen's frame per iteration, each with the gate open, and checks that it drew.
void timeScreenFrames(benchmark::State& state, StateFn frame) {
    timeEachCall(state, [&state, frame] {
        openFrameGate();
        const Uint32 gateStamp = lastTick;
        frame();
        if (lastTick == gateStamp) {
            state.SkipWithError("the screen did not present a frame");
        }
    });
}

void BM_ClearScreen(benchmark::State& state) {
    timeEachCall(state, [] { clearScreen(); });
}
BENCHMARK(BM_ClearScreen);

void BM_SetBackground(benchmark::State& state) {
    timeEachCall(state, [] { setBackground(splashPath); });
}
BENCHMARK(BM_SetBackground);

void BM_DrawBackground(benchmark::State& state) {
    setBackground(splashPath);
    timeEachCall(state, [] { drawBackground(); });
}
BENCHMARK(BM_DrawBackground);

// The menu's first line, as the menu draws it.
void BM_DrawText16(benchmark::State& state) {
    timeEachCall(state, [] { drawText("(S)tart Game", 240, 350, 16, 255, 255, 255, 0, 0, 0); });
}
BENCHMARK(BM_DrawText16);

// The quit confirmation's question, as that screen draws it.
void BM_DrawText12(benchmark::State& state) {
    timeEachCall(state,
                 [] { drawText("Quit for sure (Y or N)?", 180, 230, 12, 255, 255, 255, 0, 0, 0); });
}
BENCHMARK(BM_DrawText12);

void BM_MenuFrame(benchmark::State& state) {
    timeScreenFrames(state, menuState);
}
BENCHMARK(BM_MenuFrame);

void BM_GameFrame(benchmark::State& state) {
    // The game screen draws the image that the menu left in the background slot.
    setBackground(splashPath);
    timeScreenFrames(state, gameState);
}
BENCHMARK(BM_GameFrame);

void BM_QuitConfirmFrame(benchmark::State& state) {
    timeScreenFrames(state, quitConfirmState);
}
BENCHMARK(BM_QuitConfirmFrame);

// A file's bytes, read with one read call into a buffer that is kept from call to call, so
// that no allocation is counted.
struct FileBytes {
    explicit FileBytes(const char* path) : path(path) {
        struct stat info {};
        // Room to spare, in case the file grows while the benchmark runs.
        buffer.resize(stat(path, &info) == 0 ? static_cast<std::size_t>(info.st_size) + 65536 : 0);
    }

    // Reads the file anew; false when it cannot be read.
    bool read() {
        const int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        close(fd);
        size = got > 0 ? static_cast<std::size_t>(got) : 0;
        return got > 0 && size < buffer.size();
    }

    const char* path;
    std::vector<Uint8> buffer;
    std::size_t size = 0;
};

// The least work that a menu frame must do under the program's rules: the splash's bytes read
// from the page cache in one call, one straight 640x480 copy of its pixel rows into the display,
// the font's bytes read in one call, the font opened from them and the two lines rendered and
// copied to the display, and the present. The copy takes as many bytes a pixel as the display
// has, so the figure means what it says on a 32-bit display only.
void BM_MenuFloor(benchmark::State& state) {
    FileBytes splash(splashPath);
    FileBytes fontFile(fontPath);
    const std::size_t sourcePitch = 640 * 4;
    const SDL_Color white{255, 255, 255, 0};
    const SDL_Color black{0, 0, 0, 0};
    timeEachCall(state, [&] {
        if (!splash.read() || !fontFile.read()) {
            state.SkipWithError("the data files cannot be read");
            return;
        }
        Uint32 offset = 0;
        std::memcpy(&offset, splash.buffer.data() + 10, sizeof offset);
        if (splash.size < 14 || offset + 480 * sourcePitch > splash.size) {
            state.SkipWithError("graph/splash.bmp is not a 640x480 32-bit bitmap");
            return;
        }
        // Rows are stored bottom-up.
        const std::size_t rowBytes = 640u * screen->format->BytesPerPixel;
        SDL_LockSurface(screen);
        for (int y = 0; y < 480; ++y) {
            std::memcpy(static_cast<Uint8*>(screen->pixels) + y * screen->pitch,
                        splash.buffer.data() + offset + (479 - y) * sourcePitch, rowBytes);
        }
        SDL_UnlockSurface(screen);

        TTF_Font* font = TTF_OpenFontRW(
            SDL_RWFromConstMem(fontFile.buffer.data(), static_cast<int>(fontFile.size)), 1, 16);
        if (font == nullptr) {
            state.SkipWithError("Adore64.ttf cannot be opened");
            return;
        }
        const char* lines[] = {"(S)tart Game", "(Q)uit Game"};
        Sint16 y = 350;
        for (const char* line : lines) {
            SDL_Surface* rendered = TTF_RenderText_Shaded(font, line, white, black);
            SDL_Rect destination{240, y, 0, 0};
            SDL_BlitSurface(rendered, nullptr, screen, &destination);
            SDL_FreeSurface(rendered);
            y = static_cast<Sint16>(y + 30);
        }
        TTF_CloseFont(font);
        SDL_UpdateRect(screen, 0, 0, 0, 0);
    });
}
BENCHMARK(BM_MenuFloor);

// Takes `--name=value` out of the arguments; returns the value, or `fallback` when absent.
std::string takeOption(int& argc, char** argv, const std::string& name, std::string fallback) {
    const std::string prefix = "--" + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            fallback = argv[i] + prefix.size();
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            --i;
        }
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv) {
    const std::string display = takeOption(argc, argv, "display", "dummy");
    const std::string runDir = takeOption(argc, argv, "run_dir", QUORVANE_RUN_DIR);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    if (display != "dummy" && display != "dummy32" && display != "x11") {
        std::fprintf(stderr, "frame_bench: --display must be dummy, dummy32 or x11\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", display == "x11" ? "x11" : "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (chdir(runDir.c_str()) != 0) {
        std::fprintf(stderr, "frame_bench: cannot enter %s\n", runDir.c_str());
        return 2;
    }
    for (const char* path : {splashPath, fontPath}) {
        if (access(path, R_OK) != 0) {
            std::fprintf(stderr, "frame_bench: %s/%s is missing; make the data files first\n",
                         runDir.c_str(), path);
            return 2;
        }
    }

    init();
    if (display == "dummy32") {
        screen = SDL_SetVideoMode(640, 480, 32, SDL_ANYFORMAT);
    }
    // The screens are called directly; the stack is as it stands while the menu is shown.
    stateStack = StateStack{};
    stateStack.push(quitConfirmState);
    stateStack.push(menuState);

    benchmark::AddCustomContext(
        "display", display + ", " + std::to_string(screen->format->BitsPerPixel) + " bits a pixel");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    cleanUp();
    return 0;
}
