// Logo screen: the first-step table, the logo sound's toggle, and the looping menu music.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/unit/fixture.h"

#include "app/lifecycle.h"
#include "screens/logo.h"
#include "screens/menu.h"
#include "screens/quit_confirm.h"

#include <functional>

namespace {

const StateFn confirm = quitConfirmState;
const StateFn menu = menuState;
const StateFn logo = logoState;

// The music variable as the mixer's thread may write it.
Mix_Music* currentMusic() {
    SDL_LockAudio();
    Mix_Music* current = music;
    SDL_UnlockAudio();
    return current;
}

struct FirstStepRow {
    const char* name;
    std::function<void()> queue;
    std::vector<StateFn> after;
};

using LogoScreen = ProgramTest;

TEST_F(LogoScreen, ShowsSoundsAndHoldsTheLogoWhateverItsFirstStepFinds) {
    const FirstStepRow rows[] = {
        {"nothing", [] {}, {confirm, menu}},
        {"an ignored key", [] { pushKey(SDLK_s); }, {confirm, menu}},
        {"Escape", [] { pushKey(SDLK_ESCAPE); }, {confirm}},
        {"Y", [] { pushKey(SDLK_y); }, {confirm}},
        {"N", [] { pushKey(SDLK_n); }, {confirm, menu, logo}},
        {"window close", [] { pushQuit(); }, {}},
    };
    for (const FirstStepRow& row : rows) {
        setStack({confirm, menu, logo});
        Mix_HaltChannel(-1);
        soundChannel = -1;
        fillMarker();
        row.queue();
        const Uint32 start = SDL_GetTicks();
        logoState();
        EXPECT_GE(SDL_GetTicks() - start, 2800u) << row.name;
        EXPECT_EQ(stackEntries(), row.after) << row.name;
        EXPECT_TRUE(near(pixelAt(320, 240), red)) << row.name;
        EXPECT_GE(soundChannel, 0) << row.name;
        EXPECT_NE(music, nullptr) << row.name;
        EXPECT_EQ(Mix_PlayingMusic(), 1) << row.name;
    }
}

TEST_F(LogoScreen, ASecondRunHaltsTheSoundInsteadOfPlayingItAgain) {
    // Longer than two holds, so that a sound played by the second run would still be heard.
    writeWav("snd/quor.wav", 6.0);
    pushKey(SDLK_n);
    logoState();
    const int firstChannel = soundChannel;
    ASSERT_GE(firstChannel, 0);
    ASSERT_EQ(stackEntries(), (std::vector<StateFn>{confirm, menu, logo}));

    logoState();
    EXPECT_EQ(soundChannel, -1);
    EXPECT_EQ(Mix_Playing(-1), 0) << "the logo sound is still heard";
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{confirm, menu}));
    EXPECT_EQ(Mix_PlayingMusic(), 1) << "the second run's music is not playing";

    // A third run plays the sound again, as the toggle says.
    setStack({confirm, menu, logo});
    logoState();
    EXPECT_GE(soundChannel, 0);
}

TEST_F(LogoScreen, StartsTheMusicLoopingWithTheHookThatReleasesIt) {
    logoState();
    ASSERT_NE(currentMusic(), nullptr);
    // The test music lasts a quarter of a second: still playing means looping.
    SDL_Delay(1000);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    EXPECT_NE(currentMusic(), nullptr);

    // A finished fade-out is one of the stops that the mixer reports through the hook.
    Mix_FadeOutMusic(50);
    const Uint32 start = SDL_GetTicks();
    while (currentMusic() != nullptr && SDL_GetTicks() - start < 3000) {
        SDL_Delay(20);
    }
    EXPECT_EQ(currentMusic(), nullptr) << "the hook did not release the music";
}

TEST_F(LogoScreen, ShutdownReleasesTheMusicThatTheHookWouldHaveReleased) {
    logoState();
    ASSERT_NE(music, nullptr);
    cleanUp();
    EXPECT_EQ(music, nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
    init(); // for the fixture's own shutdown
}

TEST_F(LogoScreen, MissingFilesLeaveTheDisplayAndTheSilenceAsTheyWere) {
    std::remove("graph/quorspla.bmp");
    std::remove("snd/quor.wav");
    std::remove("snd/menumusic.ogg");
    fillMarker();
    logoState();
    EXPECT_TRUE(near(pixelAt(320, 240), magenta));
    EXPECT_EQ(soundChannel, -1);
    EXPECT_EQ(music, nullptr);
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{confirm, menu}));
}

} // namespace
