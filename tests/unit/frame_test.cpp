// Frame gate and drawing operations: the pacing of the frames and what lands on the display.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/unit/fixture.h"

#include "screens/game.h"
#include "screens/menu.h"
#include "screens/quit_confirm.h"
#include "services/frame.h"

#include <SDL_ttf.h>

#include <filesystem>

namespace {

struct GateCase {
    Uint32 last;
    Uint32 now;
    bool due;
    Uint32 wait;
};

TEST(FrameDue, OpensAtThirtyThreeMillisecondsAcrossTheTickWrap) {
    const GateCase cases[] = {
        {1000, 1032, false, 1},      {1000, 1033, true, 0},       {1000, 1000, false, 33},
        {1000, 5000, true, 0},       {0xFFFFFFF0u, 16, false, 1}, {0xFFFFFFF0u, 17, true, 0},
        {0xFFFFFFFFu, 31, false, 1}, {0xFFFFFFFFu, 32, true, 0},  {0u, 0xFFFFFFFFu, true, 0},
    };
    for (const GateCase& c : cases) {
        EXPECT_EQ(frameDue(c.now, c.last), c.due) << "last " << c.last << " now " << c.now;
        EXPECT_EQ(timeToNextFrame(c.now, c.last), c.wait) << "last " << c.last << " now " << c.now;
    }
}

using FrameGate = ProgramTest;

TEST_F(FrameGate, AScreenDoesNothingUntilItsFrameIsDue) {
    setStack({quitConfirmState, menuState});
    pushKey(SDLK_s);
    fillMarker();
    lastTick = SDL_GetTicks();
    menuState();
    EXPECT_TRUE(near(pixelAt(10, 10), magenta)) << "nothing is drawn before the frame is due";
    EXPECT_EQ(pendingEvents(), 1) << "no input is polled before the frame is due";

    lastTick = SDL_GetTicks() - framePeriod;
    menuState();
    EXPECT_TRUE(near(pixelAt(10, 10), green));
    EXPECT_EQ(pendingEvents(), 0);
}

TEST_F(FrameGate, StampsTheTickAfterPresenting) {
    setStack({quitConfirmState, menuState});
    openGate();
    const Uint32 before = SDL_GetTicks();
    menuState();
    const Uint32 after = SDL_GetTicks();
    EXPECT_GE(lastTick, before);
    EXPECT_LE(lastTick, after);
    EXPECT_FALSE(frameGateOpen()) << "the next frame waits a full period";
}

TEST_F(FrameGate, ANewlyPushedScreenWaitsOutThePreviousFrame) {
    setStack({quitConfirmState, menuState});
    pushKey(SDLK_s);
    openGate();
    menuState();
    ASSERT_EQ(stateStack.top(), gameState);

    pushKey(SDLK_ESCAPE);
    fillMarker();
    gameState();
    EXPECT_EQ(stateStack.top(), gameState) << "the game screen ran before its frame was due";
    EXPECT_TRUE(near(pixelAt(10, 10), magenta));

    lastTick -= framePeriod;
    gameState();
    EXPECT_EQ(stateStack.top(), menuState);
    EXPECT_TRUE(near(pixelAt(10, 10), green)) << "the game screen draws the menu's background";
}

using Drawing = ProgramTest;

TEST_F(Drawing, TheBackgroundSlotHoldsOnlyTheLastLoadedSurface) {
    setBackground("graph/quorspla.bmp");
    SDL_Surface* first = background;
    ASSERT_NE(first, nullptr);
    ++first->refcount; // an extra reference of the test's own, to watch the slot release its one
    setBackground("graph/splash.bmp");
    EXPECT_NE(background, first);
    EXPECT_EQ(first->refcount, 1) << "the replaced surface was not released";
    SDL_FreeSurface(first);

    for (int i = 0; i < 50; ++i) {
        setBackground("graph/splash.bmp");
    }
    SDL_Surface* last = background;
    ++last->refcount;
    setBackground("graph/none.bmp");
    EXPECT_EQ(background, nullptr) << "a failed load empties the slot";
    EXPECT_EQ(last->refcount, 1);
    SDL_FreeSurface(last);
}

TEST_F(Drawing, AMissingOrBrokenBitmapDrawsNothing) {
    {
        std::FILE* broken = std::fopen("graph/broken.bmp", "wb");
        std::fputs("BM not really a bitmap", broken);
        std::fclose(broken);
    }
    for (const char* path : {"graph/missing.bmp", "graph/broken.bmp", "graph"}) {
        setBackground("graph/splash.bmp");
        setBackground(path);
        EXPECT_EQ(background, nullptr) << path;
        fillMarker();
        drawBackground();
        EXPECT_TRUE(near(pixelAt(320, 240), magenta)) << path;
    }
}

TEST_F(Drawing, ClearAndASmallerImageCoverOnlyTheirOwnArea) {
    writeBitmap("graph/small.bmp", 100, 50, red);
    fillMarker();
    clearScreen();
    EXPECT_TRUE(near(pixelAt(639, 479), black));
    setBackground("graph/small.bmp");
    drawBackground();
    EXPECT_TRUE(near(pixelAt(0, 0), red));
    EXPECT_TRUE(near(pixelAt(99, 49), red));
    EXPECT_TRUE(near(pixelAt(100, 49), black));
    EXPECT_TRUE(near(pixelAt(99, 50), black));

    writeBitmap("graph/large.bmp", 800, 600, blue);
    setBackground("graph/large.bmp");
    drawBackground();
    EXPECT_TRUE(near(pixelAt(639, 479), blue)) << "a larger image fills the display";
}

// The test font draws each printable character as a solid box 6 pixels wide and 10 high at the
// left of a cell 10 pixels wide, 4 pixels below the top of the 19-pixel text box at 16 points.
TEST_F(Drawing, TextLandsAtItsPlaceInItsColours) {
    fillMarker();
    drawText("II", 100, 50, 16, yellow.r, yellow.g, yellow.b, blue.r, blue.g, blue.b);
    EXPECT_TRUE(near(pixelAt(99, 58), magenta)) << "left of the box";
    EXPECT_TRUE(near(pixelAt(100, 50), blue)) << "box corner";
    EXPECT_TRUE(near(pixelAt(100, 53), blue)) << "above the first glyph";
    EXPECT_TRUE(near(pixelAt(100, 54), yellow)) << "top-left of the first glyph";
    EXPECT_TRUE(near(pixelAt(105, 63), yellow)) << "bottom-right of the first glyph";
    EXPECT_TRUE(near(pixelAt(106, 58), blue)) << "between the glyphs";
    EXPECT_TRUE(near(pixelAt(110, 58), yellow)) << "second glyph";
    EXPECT_TRUE(near(pixelAt(105, 64), blue)) << "below the glyphs";
    EXPECT_TRUE(near(pixelAt(119, 68), blue)) << "bottom-right of the box";
    EXPECT_TRUE(near(pixelAt(120, 58), magenta)) << "right of the box";
    EXPECT_TRUE(near(pixelAt(110, 69), magenta)) << "below the box";
}

TEST_F(Drawing, TextIsClippedAtTheDisplayEdge) {
    fillMarker();
    drawText("IIII", 630, 470, 16, yellow.r, yellow.g, yellow.b, blue.r, blue.g, blue.b);
    EXPECT_TRUE(near(pixelAt(630, 470), blue));
    EXPECT_TRUE(near(pixelAt(633, 476), yellow));
    EXPECT_TRUE(near(pixelAt(637, 476), blue));
    EXPECT_TRUE(near(pixelAt(639, 479), blue));
    EXPECT_TRUE(near(pixelAt(0, 470), magenta)) << "nothing wraps round to the left edge";
    EXPECT_TRUE(near(pixelAt(630, 0), magenta)) << "nothing wraps round to the top";
}

TEST_F(Drawing, AMissingBrokenOrUnstartedFontDrawsNothing) {
    std::filesystem::remove("Adore64.ttf");
    fillMarker();
    drawText("(S)tart Game", 240, 350, 16, 255, 255, 255, 0, 0, 0);
    EXPECT_TRUE(near(pixelAt(245, 360), magenta));

    {
        std::FILE* broken = std::fopen("Adore64.ttf", "wb");
        std::fputs("garbage, not a font", broken);
        std::fclose(broken);
    }
    drawText("(S)tart Game", 240, 350, 16, 255, 255, 255, 0, 0, 0);
    EXPECT_TRUE(near(pixelAt(245, 360), magenta));

    std::filesystem::remove("Adore64.ttf");
    std::filesystem::copy_file(FIXTURE_DIR "/boxes.ttf", "Adore64.ttf");
    TTF_Quit();
    drawText("(S)tart Game", 240, 350, 16, 255, 255, 255, 0, 0, 0);
    EXPECT_TRUE(near(pixelAt(245, 360), magenta)) << "the font library is not running";
    TTF_Init();
}

} // namespace
