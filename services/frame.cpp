// Frame gate and drawing operations on the display surface.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/frame.h"

#include "app/context.h"

#include <SDL_ttf.h>

#include <vector>

namespace {

constexpr char fontPath[] = "Adore64.ttf";

// Every full-screen rectangle: the display is 640 by 480.
constexpr Uint16 displayWidth = 640;
constexpr Uint16 displayHeight = 480;

// The whole content of a file, read through SDL in one call; empty when it cannot be read.
std::vector<Uint8> readWholeFile(const char* path) {
    std::vector<Uint8> bytes;
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (file == nullptr) {
        return bytes;
    }
    // A folder opens like a file but cannot be read, and its end may seek to any size: only a
    // file whose first byte reads is measured.
    Uint8 firstByte = 0;
    const int size = SDL_RWread(file, &firstByte, 1, 1) == 1 ? SDL_RWseek(file, 0, RW_SEEK_END) : 0;
    if (size > 0 && SDL_RWseek(file, 0, RW_SEEK_SET) == 0) {
        bytes.resize(static_cast<std::size_t>(size));
        if (SDL_RWread(file, bytes.data(), 1, size) != size) {
            bytes.clear();
        }
    }
    SDL_RWclose(file);
    return bytes;
}

SDL_Color colour(int red, int green, int blue) {
    return SDL_Color{static_cast<Uint8>(red), static_cast<Uint8>(green), static_cast<Uint8>(blue),
                     0};
}

} // namespace

bool frameDue(Uint32 now, Uint32 last) {
    // Unsigned subtraction keeps the difference right when the tick counter wraps past 2^32.
    return now - last >= framePeriod;
}

bool frameGateOpen() {
    return frameDue(SDL_GetTicks(), lastTick);
}

void presentFrame() {
    SDL_UpdateRect(screen, 0, 0, 0, 0);
    // Read anew after drawing, so that the next frame waits a full period after this one ends.
    lastTick = SDL_GetTicks();
}

void clearScreen() {
    SDL_FillRect(screen, nullptr, 0);
}

void setBackground(const char* path) {
    // The file is read anew in one call and the bitmap loaded from those bytes: loading it
    // straight from the file reads the 1.2 MB splash in some three hundred small reads, which on
    // every menu frame cost more than the copy of its pixels.
    const std::vector<Uint8> file = readWholeFile(path);
    SDL_Surface* loaded = nullptr;
    if (!file.empty()) {
        loaded = SDL_LoadBMP_RW(SDL_RWFromConstMem(file.data(), static_cast<int>(file.size())), 1);
    }
    SDL_FreeSurface(background);
    background = loaded;
}

void drawBackground() {
    SDL_Rect source{0, 0, displayWidth, displayHeight};
    SDL_Rect destination{0, 0, displayWidth, displayHeight};
    // SDL refuses a blit from an empty slot, so a missing image draws nothing.
    SDL_UpperBlit(background, &source, screen, &destination);
}

void drawText(std::string text, int x, int y, int size, int fgRed, int fgGreen, int fgBlue,
              int bgRed, int bgGreen, int bgBlue) {
    // The font file is read anew on every call and the font opened from those bytes: FreeType
    // then reads its tables and glyphs from memory rather than through a seek and a read of the
    // file for each, which made the opening and the rendering several times slower. The bytes
    // stay until the font is closed, as the font reads its glyphs from them while rendering.
    const std::vector<Uint8> fontFile = readWholeFile(fontPath);
    // The renderer must never see a null font: a missing or broken font file, or a font library
    // that failed to start, leaves the text undrawn.
    if (fontFile.empty() || TTF_WasInit() == 0) {
        return;
    }
    TTF_Font* font = TTF_OpenFontRW(
        SDL_RWFromConstMem(fontFile.data(), static_cast<int>(fontFile.size())), 1, size);
    if (font == nullptr) {
        return;
    }
    SDL_Surface* rendered = TTF_RenderText_Shaded(
        font, text.c_str(), colour(fgRed, fgGreen, fgBlue), colour(bgRed, bgGreen, bgBlue));
    // The blit takes its size from the source and clips at the display's edge.
    SDL_Rect destination{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_UpperBlit(rendered, nullptr, screen, &destination);
    SDL_FreeSurface(rendered);
    TTF_CloseFont(font);
}
