// The screens' frames as the player sees them, and whole runs through the main loop.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/unit/fixture.h"

#include "app/lifecycle.h"
#include "screens/game.h"
#include "screens/logo.h"
#include "screens/menu.h"
#include "screens/quit_confirm.h"
#include "services/frame.h"

#include <SDL_ttf.h>

#include <filesystem>

namespace {

// The text box of `text` at `size` points in the run directory's font.
SDL_Rect textBox(const char* text, int size, int x, int y) {
    TTF_Font* font = TTF_OpenFont("Adore64.ttf", size);
    int w = 0;
    int h = 0;
    TTF_SizeText(font, text, &w, &h);
    TTF_CloseFont(font);
    return SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                    static_cast<Uint16>(h)};
}

bool inside(const SDL_Rect& box, int x, int y) {
    return x >= box.x && x < box.x + box.w && y >= box.y && y < box.y + box.h;
}

// Counts the display pixels outside `boxes` that differ from `expected`.
int strayPixels(Rgb expected, std::initializer_list<SDL_Rect> boxes) {
    int stray = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            bool boxed = false;
            for (const SDL_Rect& box : boxes) {
                boxed = boxed || inside(box, x, y);
            }
            stray += !boxed && !near(pixelAt(x, y), expected);
        }
    }
    return stray;
}

using Screens = ProgramTest;

TEST_F(Screens, TheMenuDrawsTheSplashUnderItsTwoLines) {
    setStack({quitConfirmState, menuState});
    fillMarker();
    openGate();
    menuState();
    const SDL_Rect start = textBox("(S)tart Game", 16, 240, 350);
    const SDL_Rect quit = textBox("(Q)uit Game", 16, 240, 380);
    ASSERT_GT(start.w, 0);
    EXPECT_LE(start.y + start.h, quit.y) << "the two boxes overlap";
    EXPECT_EQ(strayPixels(green, {start, quit}), 0);
    for (const SDL_Rect& box : {start, quit}) {
        EXPECT_TRUE(near(pixelAt(box.x, box.y), black)) << "box corner";
        EXPECT_TRUE(near(pixelAt(box.x + 2, box.y + 4), white)) << "first glyph";
        EXPECT_TRUE(near(pixelAt(box.x + box.w - 1, box.y + box.h - 1), black));
    }
}

TEST_F(Screens, TheMenuReadsItsSplashAnewEveryFrame) {
    setStack({quitConfirmState, menuState});
    openGate();
    menuState();
    EXPECT_TRUE(near(pixelAt(20, 20), green));
    writeBitmap("graph/splash.bmp", 640, 480, blue);
    openGate();
    menuState();
    EXPECT_TRUE(near(pixelAt(20, 20), blue));
    std::filesystem::remove("graph/splash.bmp");
    openGate();
    menuState();
    EXPECT_TRUE(near(pixelAt(20, 20), black)) << "a missing splash leaves the display cleared";
    EXPECT_EQ(background, nullptr);
}

TEST_F(Screens, TheGameShowsTheMenusBackgroundAndNothingElse) {
    setStack({quitConfirmState, menuState});
    pushKey(SDLK_s);
    openGate();
    menuState();
    ASSERT_EQ(stateStack.top(), gameState);
    fillMarker();
    openGate();
    gameState();
    EXPECT_EQ(strayPixels(green, {}), 0);

    setBackground("graph/missing.bmp");
    openGate();
    gameState();
    EXPECT_EQ(strayPixels(black, {}), 0) << "an empty slot leaves the game screen black";
}

TEST_F(Screens, TheConfirmationAsksItsQuestionOnBlack) {
    setStack({quitConfirmState});
    setBackground("graph/splash.bmp");
    fillMarker();
    openGate();
    quitConfirmState();
    const SDL_Rect question = textBox("Quit for sure (Y or N)?", 12, 180, 230);
    ASSERT_GT(question.w, 0);
    EXPECT_EQ(strayPixels(black, {question}), 0) << "only the question is drawn";
    int lit = 0;
    for (int y = question.y; y < question.y + question.h; ++y) {
        for (int x = question.x; x < question.x + question.w; ++x) {
            lit += near(pixelAt(x, y), white);
        }
    }
    EXPECT_GT(lit, 100) << "the question is not drawn in white";
}

using MainLoop = ProgramTest;

TEST_F(MainLoop, ATypicalRunEndsWithAnEmptyStackAndTheMusicPlaying) {
    // The logo takes the first event; the rest are handled one a frame by the screens.
    pushKey(SDLK_s, SDL_KEYUP);
    for (SDLKey key : {SDLK_s, SDLK_ESCAPE, SDLK_q, SDLK_n, SDLK_q, SDLK_y}) {
        pushKey(key);
    }
    const Uint32 start = SDL_GetTicks();
    runStateLoop();
    EXPECT_GE(SDL_GetTicks() - start, 2800u + 5 * framePeriod);
    EXPECT_TRUE(stateStack.empty());
    EXPECT_EQ(pendingEvents(), 0);
    EXPECT_NE(music, nullptr);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
}

TEST_F(MainLoop, AWindowCloseOnAnyScreenEndsTheLoop) {
    const std::vector<SDLKey> routes[] = {{}, {SDLK_s}, {SDLK_q}, {SDLK_q, SDLK_n}};
    for (const std::vector<SDLKey>& route : routes) {
        setStack({quitConfirmState, menuState});
        for (SDLKey key : route) {
            pushKey(key);
        }
        pushQuit();
        runStateLoop();
        EXPECT_TRUE(stateStack.empty()) << route.size() << " keys before the close";
        EXPECT_EQ(pendingEvents(), 0);
    }
}

} // namespace
