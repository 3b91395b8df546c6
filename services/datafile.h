// Data files as SDL, SDL_mixer and SDL_ttf get them: the checks that fence off what those
// libraries mishandle, and loads that read only the bytes each library needs.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The mixer's output as Mix_QuerySpec reports it, which every sound is converted to.
struct MixerSpec {
    int rate;
    Uint16 format;
    int channels;
};

// One glyph of a line of text as SDL_ttf places it, in pixels: its box from the pen position,
// its advance, and the kerning that moves the pen before it.
struct GlyphPlace {
    int minX;
    int maxX;
    int advance;
    int kerning;
};

// One Ogg page as the music check judges it: its length (0 when refused) and whether it begins
// a logical stream.
struct OggPage {
    std::size_t length;
    bool beginsStream;
};

// How many bytes SDL_LoadBMP_RW reads from a bitmap file with these leading bytes and this size;
// none when SDL would mishandle the file.
std::optional<Sint64> bitmapExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize);

// How many bytes FreeType may read from a font file with these leading bytes (up to the end of
// its furthest table); none when the file is no TrueType or OpenType font SDL_ttf can be given.
std::optional<Sint64> fontExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize);

// How many bytes SDL_LoadWAV_RW reads from a WAV file with these leading bytes (up to the end of
// its audio data); none when SDL or SDL_mixer would mishandle it.
std::optional<Sint64> soundExtent(const Uint8* bytes, std::size_t count, Sint64 fileSize,
                                  const MixerSpec& mixer);

// Whether SDL's MS-ADPCM decoder finds a known predictor at the start of every block of this
// audio data, laid out by these fields of its format.
bool msAdpcmPredictorsKnown(const Uint8* data, std::size_t length, int channels, Uint32 align,
                            Uint32 samplesPerBlock);

// How many times SDL_BuildAudioCVT grows a buffer converting this format, channel count and rate
// to the mixer's output; none when it cannot convert within its table of filters.
std::optional<Sint64> audioConversionGrowth(Uint16 format, int channels, Uint32 rate,
                                            const MixerSpec& mixer);

// The Ogg page checksum of `length` bytes, with the checksum field counted as zeros.
Uint32 oggChecksum(const Uint8* page, std::size_t length);

// The Ogg page at the start of `bytes` (of which `count` are at hand, at least two pages' worth
// unless the file ends sooner), judged as music for this mixer.
OggPage oggPageAccepted(const Uint8* bytes, std::size_t count, const MixerSpec& mixer);

// Whether libvorbis sets up every codebook of this Vorbis setup header (the third header packet
// of a stream) for decoding, and decodes with it without dividing by zero.
bool vorbisCodebooksUsable(const Uint8* packet, std::size_t length);

// Whether SDL_ttf's metrics of an opened font give text a usable box.
bool fontMetricsUsable(int height, int ascent, int descent);

// Whether TTF_RenderText_Shaded keeps every glyph of a line inside its text box.
bool glyphsStayInTheirBox(const std::vector<GlyphPlace>& glyphs);

// Loads a bitmap as SDL_LoadBMP would; null when the file is missing, special or refused.
SDL_Surface* loadBitmap(const char* path);

// Opens a font at `size` points as TTF_OpenFont would; null when the file is missing, special or
// refused, or the font library is not running.
TTF_Font* openFont(const char* path, int size);

// Whether TTF_RenderText_Shaded may draw `text` in `font`.
bool textFitsItsBox(TTF_Font* font, const std::string& text);

// Loads a sound as Mix_LoadWAV would; null when the file is missing, special or refused.
Mix_Chunk* loadSound(const char* path);

// Loads Ogg Vorbis music as Mix_LoadMUS would; null when the file is missing, special or refused.
Mix_Music* loadMusic(const char* path);
