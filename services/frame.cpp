// Frame gate and drawing operations on the display surface.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/frame.h"

#include "app/context.h"
#include "services/datafile.h"

namespace {

constexpr char fontPath[] = "Adore64.ttf";

// Every full-screen rectangle: the display is 640 by 480.
constexpr Uint16 displayWidth = 640;
constexpr Uint16 displayHeight = 480;

SDL_Color colour(int red, int green, int blue) {
    return SDL_Color{static_cast<Uint8>(red), static_cast<Uint8>(green), static_cast<Uint8>(blue),
                     0};
}

} // namespace

bool frameDue(Uint32 now, Uint32 last) {
    // Unsigned subtraction keeps the difference right when the tick counter wraps past 2^32.
    return now - last >= framePeriod;
}

Uint32 timeToNextFrame(Uint32 now, Uint32 last) {
    return frameDue(now, last) ? 0 : framePeriod - (now - last);
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
    // Read anew on every call, but only the headers and rows that the bitmap's header names, in
    // one read when they are few: loading straight from the file took some three hundred small
    // reads of the 1.2 MB splash, which on every menu frame cost more than the copy of its pixels.
    // The slot is emptied first, so that the new surface takes the memory of the last one.
    SDL_FreeSurface(background);
    background = loadBitmap(path);
}

void drawBackground() {
    SDL_Rect source{0, 0, displayWidth, displayHeight};
    SDL_Rect destination{0, 0, displayWidth, displayHeight};
    // SDL refuses a blit from an empty slot, so a missing image draws nothing.
    SDL_UpperBlit(background, &source, screen, &destination);
}

void drawText(std::string text, int x, int y, int size, int fgRed, int fgGreen, int fgBlue,
              int bgRed, int bgGreen, int bgBlue) {
    // The font is opened anew on every call from the bytes up to the end of its last table, read
    // in one call when they are few: FreeType then reads its tables and glyphs from memory rather
    // than through a seek and a read of the file for each, which made the opening and the
    // rendering several times slower. The renderer never sees a null font or a line that it
    // would draw outside its box: a missing or refused font file, or a font library that failed
    // to start, leaves the text undrawn, and the reason stays for SDL_GetError.
    SDL_Surface* rendered = renderText(fontPath, size, text, colour(fgRed, fgGreen, fgBlue),
                                       colour(bgRed, bgGreen, bgBlue));
    if (rendered == nullptr) {
        return;
    }
    // The blit takes its size from the source and clips at the display's edge.
    SDL_Rect destination{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_UpperBlit(rendered, nullptr, screen, &destination);
    SDL_FreeSurface(rendered);
}
