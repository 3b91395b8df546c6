// Test fixture: temporary run directories and the helpers that drive and read the display.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/unit/fixture.h"

#include "app/lifecycle.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>

namespace fs = std::filesystem;

void writeBitmap(const std::string& path, int width, int height, Rgb colour) {
    SDL_Surface* image = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x00FF0000,
                                              0x0000FF00, 0x000000FF, 0);
    ASSERT_NE(image, nullptr);
    SDL_FillRect(image, nullptr, SDL_MapRGB(image->format, colour.r, colour.g, colour.b));
    EXPECT_EQ(SDL_SaveBMP(image, path.c_str()), 0);
    SDL_FreeSurface(image);
}

void writeWav(const std::string& path, double seconds) {
    const Uint32 rate = 22050;
    const Uint32 frames = static_cast<Uint32>(rate * seconds);
    const Uint32 dataBytes = frames * 4;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&out](Uint32 v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&out](Uint16 v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (Uint32 n = 0; n < frames; ++n) {
        const auto sample = static_cast<Sint16>(6000 * std::sin(2 * M_PI * 660 * n / rate));
        u16(static_cast<Uint16>(sample));
        u16(static_cast<Uint16>(sample));
    }
}

void pushKey(SDLKey key, Uint8 type, SDLMod mod) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

void pushQuit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

void moveMouse(int times) {
    for (int n = 0; n < times; ++n) {
        SDL_WarpMouse(static_cast<Uint16>(n % 2 == 0 ? 10 : 20), 30);
    }
}

int pendingEvents() {
    SDL_Event queued[64];
    return SDL_PeepEvents(queued, 64, SDL_PEEKEVENT, SDL_ALLEVENTS);
}

Rgb pixelAt(int x, int y) {
    SDL_LockSurface(screen);
    const SDL_PixelFormat* format = screen->format;
    const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
    Uint32 value = 0;
    switch (format->BytesPerPixel) {
    case 1:
        value = row[x];
        break;
    case 2:
        value = reinterpret_cast<const Uint16*>(row)[x];
        break;
    case 4:
        value = reinterpret_cast<const Uint32*>(row)[x];
        break;
    default: {
        const Uint8* p = row + x * 3;
        value = p[0] | p[1] << 8 | p[2] << 16;
    }
    }
    SDL_UnlockSurface(screen);
    Rgb colour{};
    SDL_GetRGB(value, screen->format, &colour.r, &colour.g, &colour.b);
    return colour;
}

bool near(Rgb actual, Rgb expected, int tolerance) {
    return std::abs(actual.r - expected.r) <= tolerance &&
           std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance;
}

void fillMarker() {
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, magenta.r, magenta.g, magenta.b));
}

void openGate() {
    lastTick = SDL_GetTicks() - 1000;
}

std::vector<StateFn> stackEntries() {
    StateStack copy = stateStack;
    std::vector<StateFn> entries;
    while (!copy.empty()) {
        entries.insert(entries.begin(), copy.top());
        copy.pop();
    }
    return entries;
}

void setStack(std::initializer_list<StateFn> entries) {
    stateStack = StateStack{};
    for (StateFn entry : entries) {
        stateStack.push(entry);
    }
}

std::ostream& operator<<(std::ostream& out, Rgb colour) {
    return out << '(' << int{colour.r} << ',' << int{colour.g} << ',' << int{colour.b} << ')';
}

std::string makeRunDirectory() {
    // A folder of a new random name in the system's temporary folder, made by this call alone.
    std::random_device random;
    fs::path dir;
    for (int attempt = 0;; ++attempt) {
        dir = fs::temp_directory_path() / ("quorvane-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(dir, error)) {
            break;
        }
        if (attempt == 100) {
            ADD_FAILURE() << "cannot make a temporary directory: " << error.message();
            return "";
        }
    }
    fs::create_directories(dir / "graph");
    fs::create_directories(dir / "snd");
    writeBitmap((dir / "graph/quorspla.bmp").string(), 640, 480, red);
    writeBitmap((dir / "graph/splash.bmp").string(), 640, 480, green);
    writeWav((dir / "snd/quor.wav").string(), 0.5);
    fs::copy_file(FIXTURE_DIR "/tone.ogg", dir / "snd/menumusic.ogg");
    fs::copy_file(FIXTURE_DIR "/boxes.ttf", dir / "Adore64.ttf");
    return dir.string();
}

void ProgramTest::SetUp() {
    // In-process tests draw on no real display and play to no real device. The settings stay in
    // the environment, which keeps the strings themselves on some systems.
    static char videoDriver[] = "SDL_VIDEODRIVER=dummy";
    static char audioDriver[] = "SDL_AUDIODRIVER=dummy";
    SDL_putenv(videoDriver);
    SDL_putenv(audioDriver);
    previousDir = fs::current_path().string();
    runDir = makeRunDirectory();
    ASSERT_FALSE(runDir.empty());
    fs::current_path(runDir);
    init();
}

void ProgramTest::TearDown() {
    // The program keeps its logo sound to the end of the process; a test releases it itself.
    Mix_FreeChunk(sound);
    cleanUp();
    stateStack = StateStack{};
    soundChannel = -1;
    sound = nullptr;
    fs::current_path(previousDir);
    fs::remove_all(runDir);
}

std::string ProgramTest::inRunDir(const std::string& relative) const {
    return runDir + "/" + relative;
}
