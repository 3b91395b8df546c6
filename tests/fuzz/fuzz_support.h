// What the fuzz targets share: SDL and its companions started once as the program starts them, in
// a run directory of its own, each input written there as a data file, the mixer's audio mixed
// synchronously, and coverage hints.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>

// The display that the targets draw on: 640 by 480, 32 bits a pixel as on a desktop.
extern SDL_Surface* display;

// Starts SDL, the display, the audio device and the font library as the program does, on SDL's
// dummy drivers, in an empty temporary run directory; later calls do nothing.
void startLibraries();

// Writes an input as the data file at `relative` in the run directory, replacing what was there;
// an input that ends in "TAIL" and a 32-bit little-endian length makes a file of that length, its
// bytes before the trailer followed by a sparse tail of zeros.
void writeDataFile(const char* relative, const std::uint8_t* data, std::size_t size);

// Calls the mixer's callback for `buffers` device buffers, as SDL's audio thread would, and stops
// the run if the mixer wrote past the end of a buffer.
void mixAudio(int buffers);

// Marks the pair (property, value) as a coverage feature of this input for libFuzzer's guidance.
void noteFeature(const char* property, long long value);

// The unsigned little-endian field of `bytes` bytes at `offset`, or -1 past the end of the input.
long long fieldLe(const std::uint8_t* data, std::size_t size, std::size_t offset, int bytes);

// The unsigned big-endian field of `bytes` bytes at `offset`, or -1 past the end of the input.
long long fieldBe(const std::uint8_t* data, std::size_t size, std::size_t offset, int bytes);

// A coarse class of a number for features: its bit length, negative for negative numbers.
int magnitude(long long value);

// `value` when it is one of `known`, else -1: a feature then has a few values, not thousands.
long long oneOf(long long value, std::initializer_list<long long> known);

// `value` when it lies in 0..`most`, else `most` + 1.
long long upTo(long long value, long long most);

// Sets the checksum of every Ogg page in the input, which libogg checks before it reads a page:
// without this, nearly every mutation of an Ogg file would be refused by libogg unread.
void fixOggChecksums(std::uint8_t* data, std::size_t size);

// Notes what libvorbisfile and SDL_mixer's Ogg players branch on: the pages' header fields and
// the Vorbis identification header (channels, rate, block sizes).
void noteOggFeatures(const std::uint8_t* data, std::size_t size);
