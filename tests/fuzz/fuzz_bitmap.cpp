// Fuzz target of the bitmaps: the input is the splash file, loaded and drawn as the menu and the
// game screen draw their background.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/fuzz/fuzz_support.h"

#include "services/datafile.h"

#include <SDL.h>

#include <cstddef>
#include <cstdint>

namespace {

constexpr char splashPath[] = "graph/splash.bmp";

// An 8-bit display with the palette that SDL gives every 8-bit display (three bits of red, three
// of green, two of blue). The program takes the display's depth as it comes: 32 bits on a desktop,
// 8 on the dummy driver that the unit tests use. SDL picks its blitter by the pair of formats, and
// onto 8 bits a bitmap goes through colour lookup tables that a 32-bit display never uses, so each
// input is drawn on both.
SDL_Surface* eightBitDisplay() {
    static SDL_Surface* eightBits = nullptr;
    if (eightBits == nullptr) {
        eightBits = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 8, 0, 0, 0, 0);
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i) {
            const int red = i & 0xE0;
            const int green = (i << 3) & 0xE0;
            const int blue = (i & 0x3) * 0x55;
            colours[i] = SDL_Color{static_cast<Uint8>(red | red >> 3 | red >> 6),
                                   static_cast<Uint8>(green | green >> 3 | green >> 6),
                                   static_cast<Uint8>(blue), 0};
        }
        SDL_SetColors(eightBits, colours, 0, 256);
    }
    return eightBits;
}

// Copies the top-left 640 by 480 pixels of the image to the display, as the background is drawn.
void drawWhole(SDL_Surface* image, SDL_Surface* onto) {
    SDL_Rect source{0, 0, 640, 480};
    SDL_Rect destination{0, 0, 640, 480};
    SDL_UpperBlit(image, &source, onto, &destination);
}

// A class of bit depth: the depths up to 64 one by one, and larger ones as SDL keeps them in a
// surface's format, cut to a byte each: the depth's low byte and its bytes a pixel.
long long depthClass(long long bits) {
    return bits <= 64 ? bits : 100 + upTo(bits & 0xFF, 32) * 8 + upTo((bits + 7) / 8 & 0xFF, 4);
}

// A class of a dimension: negative, zero, up to the display's size, up to 16 bits, or more.
int dimensionClass(long long value) {
    return value < 0 ? 0 : value == 0 ? 1 : value <= 640 ? 2 : value <= 0xFFFF ? 3 : 4;
}

// A class of a channel mask: absent, one run of bits, or bits with gaps.
int maskShape(long long mask) {
    if (mask <= 0) {
        return mask == 0 ? 0 : 3;
    }
    const auto bits = static_cast<unsigned long long>(mask);
    const unsigned long long run = bits + (bits & (~bits + 1));
    return (run & bits) == 0 ? 1 : 2;
}

// What SDL_LoadBMP_RW branches on: the header fields, as SDL reads them.
void noteBitmapFeatures(const std::uint8_t* data, std::size_t size) {
    noteFeature("magic", oneOf(fieldLe(data, size, 0, 2), {0x4D42}));
    const long long offset = fieldLe(data, size, 10, 4);
    const long long headerSize = fieldLe(data, size, 14, 4);
    const bool core = headerSize == 12;
    const auto signed32 = [&](std::size_t at) {
        return static_cast<long long>(static_cast<std::int32_t>(fieldLe(data, size, at, 4)));
    };
    const long long width = core ? fieldLe(data, size, 18, 2) : signed32(18);
    const long long height = core ? fieldLe(data, size, 20, 2) : signed32(22);
    const long long bits = fieldLe(data, size, core ? 24 : 28, 2);
    const long long compression = core ? 0 : fieldLe(data, size, 30, 4);
    const long long colours = core ? 0 : fieldLe(data, size, 46, 4);
    const long long depth = depthClass(bits);
    const long long compressionClass = oneOf(compression, {0, 3});
    noteFeature("header size", oneOf(headerSize, {12, 16, 40, 52, 56, 64, 108, 124}));
    noteFeature("depth", depth);
    noteFeature("compression", upTo(compression, 6));
    noteFeature("depth and compression", depth * 4 + compressionClass);
    noteFeature("dimensions", dimensionClass(width) * 8 + dimensionClass(height));
    // SDL reads masks after the header unless the pixels start right after it.
    const bool masksRead = offset != 14 + headerSize || compression == 3;
    noteFeature("masks read", masksRead * 256 + depth);
    const std::size_t maskOffset = core ? 26 : 54;
    long long all = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const long long mask = fieldLe(data, size, maskOffset + 4 * i, 4);
        noteFeature("mask shape", static_cast<long long>(i) * 4 + maskShape(mask));
        if (mask > 0) {
            noteFeature("masks overlap", (all & mask) != 0);
            all |= mask;
        }
    }
    noteFeature("mask width", magnitude(all));
    const long long paletteSize = bits >= 0 && bits <= 8 ? 1ll << bits : 0;
    noteFeature("colours", colours == 0 ? 0 : colours <= paletteSize ? 1 : 2);
    const long long end = static_cast<long long>(size);
    noteFeature("pixel offset", offset < 14 + headerSize ? 0
                                : offset < end           ? 1
                                : offset < 0x80000000ll  ? 2
                                                         : 3);
}

// What the load gave: whether a surface came, its depth and whether it holds a palette.
void noteLoadedFeatures(const SDL_Surface* background) {
    if (background == nullptr) {
        noteFeature("loaded", 0);
        return;
    }
    const SDL_PixelFormat* format = background->format;
    noteFeature("loaded", 1 + format->BitsPerPixel * 2 + (format->palette != nullptr));
    noteFeature("loaded dimensions",
                dimensionClass(background->w) * 8 + dimensionClass(background->h));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startLibraries();
    writeDataFile(splashPath, data, size);
    noteBitmapFeatures(data, size);

    SDL_Surface* loaded = loadBitmap(splashPath);
    noteLoadedFeatures(loaded);
    drawWhole(loaded, display);
    drawWhole(loaded, eightBitDisplay());
    SDL_FreeSurface(loaded);
    return 0;
}
