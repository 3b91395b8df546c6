// Loads each committed data file through the libraries the program uses and checks it fits its use.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string dataPath(const std::string& name) {
    return std::string(QUORVANE_SOURCE_DIR) + "/" + name;
}

Uint32 pixelAt(const SDL_Surface* surface, int x, int y) {
    const auto* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
    return reinterpret_cast<const Uint32*>(row)[x];
}

// ---- Bitmaps -------------------------------------------------------------------------------

class BitmapTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BitmapTest, LoadsAs640x480InTheDisplayPixelFormat) {
    SDL_Surface* image = SDL_LoadBMP(dataPath(GetParam()).c_str());
    ASSERT_NE(image, nullptr) << SDL_GetError();
    EXPECT_EQ(image->w, 640);
    EXPECT_EQ(image->h, 480);
    EXPECT_EQ(image->format->BitsPerPixel, 32);
    EXPECT_EQ(image->format->Rmask, 0x00FF0000u);
    EXPECT_EQ(image->format->Gmask, 0x0000FF00u);
    EXPECT_EQ(image->format->Bmask, 0x000000FFu);
    EXPECT_EQ(image->format->Amask, 0u);
    // A real picture, not a blank or a misread header: many distinct colours.
    std::vector<Uint32> colours;
    for (int y = 0; y < image->h; y += 4) {
        for (int x = 0; x < image->w; x += 4)
            colours.push_back(pixelAt(image, x, y) & 0x00FFFFFFu);
    }
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 16);
    SDL_FreeSurface(image);
}

INSTANTIATE_TEST_SUITE_P(Graph, BitmapTest,
                         ::testing::Values("graph/quorspla.bmp", "graph/splash.bmp"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).find("splash") != std::string::npos
                                        ? "Splash"
                                        : "Logo";
                         });

TEST(SplashTest, MenuBandIsDarkBehindTheWhiteText) {
    SDL_Surface* image = SDL_LoadBMP(dataPath("graph/splash.bmp").c_str());
    ASSERT_NE(image, nullptr) << SDL_GetError();
    int brightest = 0;
    for (int y = 340; y < 410; ++y) {
        for (int x = 230; x < 450; ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(pixelAt(image, x, y), image->format, &r, &g, &b);
            brightest = std::max(brightest, (299 * r + 587 * g + 114 * b) / 1000);
        }
    }
    EXPECT_LE(brightest, 100) << "the menu's text boxes need a calm, dark backdrop";
    SDL_FreeSurface(image);
}

// ---- Sounds through SDL_mixer --------------------------------------------------------------

class MixerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The dummy driver unless the environment names another.
        static char audioDriver[] = "SDL_AUDIODRIVER=dummy";
        if (SDL_getenv("SDL_AUDIODRIVER") == nullptr) {
            SDL_putenv(audioDriver);
        }
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 4096), 0) << Mix_GetError();
    }
    static void TearDownTestSuite() {
        Mix_CloseAudio();
        SDL_Quit();
    }
};

TEST_F(MixerTest, LogoSoundIsShortQuietAndFadedAtBothEnds) {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&rate, &format, &channels), 0);
    ASSERT_EQ(format, AUDIO_S16LSB);
    Mix_Chunk* chunk = Mix_LoadWAV(dataPath("snd/quor.wav").c_str());
    ASSERT_NE(chunk, nullptr) << Mix_GetError();
    const auto* samples = reinterpret_cast<const Sint16*>(chunk->abuf);
    const std::size_t count = chunk->alen / sizeof(Sint16);
    const double seconds = static_cast<double>(count) / (rate * channels);
    EXPECT_GE(seconds, 0.8);
    EXPECT_LT(seconds, 2.8) << "the logo holds for 2.8 s";
    int peak = 0;
    for (std::size_t i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    EXPECT_LE(peak, 29204) << "peak above -1 dBFS";
    for (int c = 0; c < channels; ++c) {
        EXPECT_LE(std::abs(samples[c]), 64) << "click at the start";
        EXPECT_LE(std::abs(samples[count - channels + c]), 64) << "click at the end";
    }
    Mix_FreeChunk(chunk);
}

TEST_F(MixerTest, MenuMusicLoadsAsOggVorbis) {
    Mix_Music* music = Mix_LoadMUS(dataPath("snd/menumusic.ogg").c_str());
    ASSERT_NE(music, nullptr) << Mix_GetError();
    EXPECT_EQ(Mix_GetMusicType(music), MUS_OGG);
    Mix_FreeMusic(music);
    EXPECT_LE(std::filesystem::file_size(dataPath("snd/menumusic.ogg")), 600u * 1024u);
}

// ---- Music decoded with libvorbisfile ------------------------------------------------------

TEST(MenuMusicTest, DecodesToASeamlessQuietLoop) {
    OggVorbis_File file;
    ASSERT_EQ(ov_fopen(dataPath("snd/menumusic.ogg").c_str(), &file), 0);
    const vorbis_info* info = ov_info(&file, -1);
    ASSERT_EQ(info->channels, 2);
    ASSERT_EQ(info->rate, 22050);
    std::vector<Sint16> pcm;
    char buffer[8192];
    int section = 0;
    while (true) {
        const long got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section);
        if (got == 0)
            break;
        ASSERT_GT(got, 0) << "decode error";
        const auto* samples = reinterpret_cast<const Sint16*>(buffer);
        pcm.insert(pcm.end(), samples, samples + got / 2);
    }
    const std::size_t frames = pcm.size() / 2;
    EXPECT_EQ(static_cast<ogg_int64_t>(frames), ov_pcm_total(&file, -1));
    ov_clear(&file);

    const double seconds = static_cast<double>(frames) / 22050;
    EXPECT_GE(seconds, 20.0);
    EXPECT_LE(seconds, 60.0);
    int peak = 0;
    for (Sint16 s : pcm)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_LE(peak, 23197) << "decoded peak above -3 dBFS";

    // Looping plays the last sample straight into the first: that step must look like any
    // other step of the music (a click would stand far above the 99.9th percentile).
    for (int c = 0; c < 2; ++c) {
        std::vector<int> steps;
        for (std::size_t i = 0; i + 1 < frames; ++i)
            steps.push_back(std::abs(pcm[2 * (i + 1) + c] - pcm[2 * i + c]));
        auto high = steps.begin() + static_cast<long>(steps.size() * 999 / 1000);
        std::nth_element(steps.begin(), high, steps.end());
        const int seam = std::abs(pcm[c] - pcm[2 * (frames - 1) + c]);
        EXPECT_LE(seam, *high) << "click at the loop point, channel " << c;
    }
}

// ---- Font through SDL_ttf ------------------------------------------------------------------

struct Line {
    const char* text;
    int points;
    int x, y;
};
// What the program draws: the menu's two lines and the quit question.
constexpr Line kLines[] = {{"(S)tart Game", 16, 240, 350},
                           {"(Q)uit Game", 16, 240, 380},
                           {"Quit for sure (Y or N)?", 12, 180, 230}};
// Every printable character but the space, at both sizes.
constexpr char kPrintable[] = "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                              "[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

class FontTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(TTF_Init(), 0) << TTF_GetError();
    }
    static void TearDownTestSuite() {
        TTF_Quit();
    }
    // The font as the program opens it, through its checks and with the hinting it chooses.
    static TTF_Font* open(int points) {
        return openFont(dataPath("Adore64.ttf").c_str(), points);
    }
    static SDL_Surface* render(TTF_Font* font, const char* text) {
        return TTF_RenderText_Shaded(font, text, SDL_Color{255, 255, 255, 0},
                                     SDL_Color{0, 0, 0, 0});
    }
};

TEST_F(FontTest, ProvidesEveryPrintableAsciiCharacter) {
    for (int points : {12, 16}) {
        TTF_Font* font = open(points);
        ASSERT_NE(font, nullptr) << TTF_GetError();
        for (Uint16 c = 32; c <= 126; ++c)
            EXPECT_TRUE(TTF_GlyphIsProvided(font, c)) << "'" << char(c) << "'";
        TTF_CloseFont(font);
    }
}

TEST_F(FontTest, ProgramTextsFitTheirPlaces) {
    TTF_Font* menu = open(16);
    ASSERT_NE(menu, nullptr) << TTF_GetError();
    EXPECT_LT(TTF_FontHeight(menu), 30) << "the menu's lines are 30 px apart";
    TTF_CloseFont(menu);
    for (const Line& line : kLines) {
        TTF_Font* font = open(line.points);
        ASSERT_NE(font, nullptr) << TTF_GetError();
        int w = 0, h = 0;
        ASSERT_EQ(TTF_SizeText(font, line.text, &w, &h), 0);
        SDL_Surface* shaded = render(font, line.text);
        ASSERT_NE(shaded, nullptr) << TTF_GetError();
        EXPECT_EQ(shaded->w, w);
        EXPECT_EQ(shaded->h, h);
        EXPECT_LT(h, 30) << line.text;
        EXPECT_LE(line.x + w, 640) << line.text;
        EXPECT_LE(line.y + h, 480) << line.text;
        EXPECT_TRUE(textFitsItsBox(font, line.text, line.points)) << SDL_GetError();
        SDL_FreeSurface(shaded);
        TTF_CloseFont(font);
    }
}

TEST_F(FontTest, PixelsLandOnTheScreenGrid) {
    // At 16 pt every font pixel is a solid 2x2 block of screen pixels; at 12 pt the font's own
    // bitmaps round each one to whole pixels, so both sizes render with no grey edge.
    std::vector<Line> lines(std::begin(kLines), std::end(kLines));
    lines.push_back({kPrintable, 12, 0, 0});
    lines.push_back({kPrintable, 16, 0, 0});
    for (const Line& line : lines) {
        TTF_Font* font = open(line.points);
        ASSERT_NE(font, nullptr) << TTF_GetError();
        SDL_Surface* shaded = render(font, line.text);
        ASSERT_NE(shaded, nullptr) << TTF_GetError();
        ASSERT_EQ(shaded->format->BitsPerPixel, 8);
        const auto at = [shaded](int x, int y) {
            return static_cast<const Uint8*>(shaded->pixels)[y * shaded->pitch + x];
        };
        int lit = 0;
        for (int y = 0; y < shaded->h; ++y) {
            for (int x = 0; x < shaded->w; ++x) {
                const Uint8 v = at(x, y);
                // Index 0 is the background, 255 the text colour; anything between is a grey edge.
                ASSERT_TRUE(v == 0 || v == 255) << line.text << ": grey pixel at " << x << "," << y;
                lit += v != 0;
                if (line.points == 16 && x % 2 == 0 && y % 2 == 0 && y + 1 < shaded->h) {
                    ASSERT_TRUE(at(x + 1, y) == v && at(x, y + 1) == v && at(x + 1, y + 1) == v)
                        << line.text << ": font pixel off the 2x2 grid at " << x << "," << y;
                }
            }
        }
        EXPECT_GT(lit, 0) << line.text;
        SDL_FreeSurface(shaded);
        TTF_CloseFont(font);
    }
}

} // namespace
