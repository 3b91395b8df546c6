// Data files as SDL, SDL_mixer and SDL_ttf get them: each load checks its file against what
// those libraries mishandle, and hands them only the bytes that the check judged.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <string>

// Loads a bitmap as SDL_LoadBMP would; null when the file is missing, special or refused, with
// the reason for SDL_GetError.
SDL_Surface* loadBitmap(const char* path);

// Opens a font at `size` points as TTF_OpenFont would; null when the file is missing, special or
// refused, or the font library is not running, with the reason for SDL_GetError.
TTF_Font* openFont(const char* path, int size);

// Whether TTF_RenderText_Shaded may draw `text` in `font`, opened at `size` points.
bool textFitsItsBox(TTF_Font* font, const std::string& text, int size);

// Renders a line of text as TTF_RenderText_Shaded does, in the font at `path` opened at `size`
// points; null when the font is missing or refused, or would draw the line outside its box.
SDL_Surface* renderText(const char* path, int size, const std::string& text, SDL_Color foreground,
                        SDL_Color background);

// Loads a sound as Mix_LoadWAV would; null when the file is missing, special or refused, with the
// reason for SDL_GetError.
Mix_Chunk* loadSound(const char* path);

// Loads Ogg Vorbis music as Mix_LoadMUS would, read whole into memory and played from there;
// null when the file is missing, special or refused, with the reason for SDL_GetError.
Mix_Music* loadMusic(const char* path);
