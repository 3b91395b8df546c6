// The loads of the data files: each file checked before the library that reads it, and handed
// to the library from the same memory that the check judged.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/loaders.h"

#include "services/datafile.h"
#include "services/datafile/bitmap.h"
#include "services/datafile/font.h"
#include "services/datafile/ogg.h"
#include "services/datafile/reader.h"
#include "services/datafile/stream.h"
#include "services/datafile/text_line.h"
#include "services/datafile/wave.h"

namespace {

// Bytes read from the start of a file to judge it: a bitmap's headers, a font's table directory
// and a WAV's chunks before its audio data all lie within them.
constexpr Sint64 leadingBytes = 64 * 1024;

// Above this a bitmap's rows are read from the file as SDL asks for them rather than at once into
// the buffer kept from frame to frame, so that the buffer never holds more than this.
constexpr Sint64 memoryReadLimit = 4 * 1024 * 1024;

// Largest music file, read whole into memory and played from there: 4 minutes of Ogg Vorbis at
// its highest quality, far more than a menu loop needs.
constexpr Sint64 maxMusicBytes = 16 * 1024 * 1024;

} // namespace

SDL_RWops* openBitmapStream(const char* path) {
    DataFile file{};
    if (!openDataFile(path, file) || !readLeading(file, leadingBytes, true)) {
        return nullptr;
    }
    const std::optional<Sint64> extent =
        bitmapExtent(file.bytes.get(), static_cast<std::size_t>(file.count), file.size);
    return extent ? dataStream(std::move(file), *extent, memoryReadLimit) : nullptr;
}

SDL_RWops* openFontStream(const char* path, FontCheck& check) {
    DataFile file{};
    if (!openDataFile(path, file) || !readLeading(file, leadingBytes, false)) {
        return nullptr;
    }
    // A font is read whole into memory, at most 4 MiB, and judged whole there: FreeType reads its
    // tables and glyphs from the same memory.
    const std::optional<Sint64> extent =
        fontExtent(file.bytes.get(), static_cast<std::size_t>(file.count), file.size);
    if (!extent || !readMore(file, *extent)) {
        return nullptr;
    }
    const std::optional<FontCheck> accepted =
        fontAccepted(file.bytes.get(), static_cast<std::size_t>(file.count));
    if (!accepted) {
        return nullptr;
    }
    check = *accepted;
    return dataStream(std::move(file), *extent, *extent);
}

SDL_RWops* openSoundStream(const char* path, const MixerSpec& mixer) {
    DataFile file{};
    if (!openDataFile(path, file) || !readLeading(file, leadingBytes, false)) {
        return nullptr;
    }
    const std::optional<WaveLayout> layout =
        waveLayout(file.bytes.get(), static_cast<std::size_t>(file.count), file.size, mixer);
    // A sound is read whole into memory, at most 8 MiB and its leading bytes: the check of its
    // audio data, for MS-ADPCM, judges the bytes that SDL then reads.
    if (!layout || !readMore(file, layout->extent) ||
        !waveDataAccepted(file.bytes.get(), static_cast<std::size_t>(file.count), *layout)) {
        return nullptr;
    }
    return dataStream(std::move(file), layout->extent, layout->extent);
}

SDL_RWops* openMusicStream(const char* path, const MixerSpec& mixer) {
    DataFile file{};
    if (!openDataFile(path, file)) {
        return nullptr;
    }
    if (file.size > maxMusicBytes) {
        refuse("music: over 16 MiB");
        return nullptr;
    }
    const Sint64 size = file.size;
    if (!readLeading(file, size, false) ||
        !oggFileAccepted(file.bytes.get(), static_cast<std::size_t>(size), mixer)) {
        return nullptr;
    }
    return dataStream(std::move(file), size, size);
}

SDL_Surface* loadBitmap(const char* path) {
    // SDL_LoadBMP_RW is done with the stream when it returns.
    SDL_RWops* source = openBitmapStream(path);
    return source == nullptr ? nullptr : SDL_LoadBMP_RW(source, 1);
}

namespace {

// Opens a font at `size` points as TTF_OpenFont would, once its file passes the check, which
// leaves in `check` what it found.
TTF_Font* openCheckedFont(const char* path, int size, FontCheck& check) {
    if (TTF_WasInit() == 0) {
        refuse("font: the font library is not running");
        return nullptr;
    }
    // The font reads its glyphs from the stream until it is closed, which closes the stream.
    SDL_RWops* source = openFontStream(path, check);
    TTF_Font* font = source == nullptr ? nullptr : TTF_OpenFontRW(source, 1, size);
    // A font's own hinting programs can keep FreeType busy for minutes on one glyph, whatever
    // their size; its outlines are drawn as they are instead. Without programs FreeType's
    // auto-hinter fits them to the pixels, at a cost that the check bounds.
    if (font != nullptr && check.ownHinting) {
        TTF_SetFontHinting(font, TTF_HINTING_NONE);
    }
    if (font != nullptr &&
        !fontMetricsUsable(TTF_FontHeight(font), TTF_FontAscent(font), TTF_FontDescent(font))) {
        TTF_CloseFont(font);
        return nullptr;
    }
    return font;
}

} // namespace

TTF_Font* openFont(const char* path, int size) {
    FontCheck check{};
    return openCheckedFont(path, size, check);
}

SDL_Surface* renderText(const char* path, int size, const std::string& text, SDL_Color foreground,
                        SDL_Color background) {
    FontCheck check{};
    TTF_Font* font = openCheckedFont(path, size, check);
    if (font == nullptr) {
        return nullptr;
    }
    // A line whose glyphs hold too many points for the auto-hinter is drawn unhinted, before
    // any glyph is loaded.
    if (!check.ownHinting && !lineHintable(font, text, check.glyphPoints)) {
        TTF_SetFontHinting(font, TTF_HINTING_NONE);
    }
    SDL_Surface* rendered = textFitsItsBox(font, text, size)
                                ? TTF_RenderText_Shaded(font, text.c_str(), foreground, background)
                                : nullptr;
    TTF_CloseFont(font);
    return rendered;
}

Mix_Chunk* loadSound(const char* path) {
    const std::optional<MixerSpec> mixer = mixerSpec();
    SDL_RWops* source = mixer ? openSoundStream(path, *mixer) : nullptr;
    return source == nullptr ? nullptr : Mix_LoadWAV_RW(source, 1);
}

Mix_Music* loadMusic(const char* path) {
    // Mix_LoadMUS also takes MIDI, MOD, WAV, MP3 and FLAC by their names or first bytes; only
    // Ogg Vorbis is checked. The music reads the stream while it plays, and closes it when it is
    // freed.
    const std::optional<MixerSpec> mixer = mixerSpec();
    SDL_RWops* source = mixer ? openMusicStream(path, *mixer) : nullptr;
    return source == nullptr ? nullptr : Mix_LoadMUSType_RW(source, MUS_OGG, 1);
}
