// Input rules: the key tables and the screen-to-screen transitions they make.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/unit/fixture.h"

#include "screens/game.h"
#include "screens/menu.h"
#include "screens/quit_confirm.h"
#include "services/input.h"

#include <iterator>

namespace {

// One row of the screen flow: the stack before, the key pressed, the stack after.
struct FlowRow {
    const char* name;
    std::vector<StateFn> before;
    SDLKey key;
    std::vector<StateFn> after;
};

const StateFn confirm = quitConfirmState;
const StateFn menu = menuState;
const StateFn game = gameState;

TEST(KeyTables, MatchTheFirstRowOfTheirKeyAndNothingElse) {
    auto action = [](const KeyRule* first, const KeyRule* last, SDLKey key) {
        const KeyRule* rule = findKeyRule(first, last, key);
        return rule == nullptr             ? std::string("none")
               : rule->second == nullptr   ? std::string("pop")
               : rule->second == gameState ? std::string("push game")
               : rule->second == menuState ? std::string("push menu")
                                           : std::string("push other");
    };
    const SDLKey keys[] = {SDLK_ESCAPE, SDLK_q, SDLK_s, SDLK_y, SDLK_n, SDLK_RETURN, SDLK_SPACE};
    const char* menuRow[] = {"pop", "pop", "push game", "none", "none", "none", "none"};
    const char* gameRow[] = {"pop", "none", "none", "none", "none", "none", "none"};
    const char* confirmRow[] = {"pop", "none", "none", "pop", "push menu", "none", "none"};
    for (size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(action(std::begin(menuKeys), std::end(menuKeys), keys[i]), menuRow[i]) << i;
        EXPECT_EQ(action(std::begin(gameKeys), std::end(gameKeys), keys[i]), gameRow[i]) << i;
        EXPECT_EQ(action(std::begin(quitConfirmKeys), std::end(quitConfirmKeys), keys[i]),
                  confirmRow[i])
            << i;
    }
}

using ScreenFlow = ProgramTest;

// Each screen takes its frame with the event queued; the calling screen is the top entry.
TEST_F(ScreenFlow, EveryKeyOfEveryScreenMovesTheStackAsItsTableSays) {
    const FlowRow rows[] = {
        {"menu Escape", {confirm, menu}, SDLK_ESCAPE, {confirm}},
        {"menu Q", {confirm, menu}, SDLK_q, {confirm}},
        {"menu S", {confirm, menu}, SDLK_s, {confirm, menu, game}},
        {"menu Y ignored", {confirm, menu}, SDLK_y, {confirm, menu}},
        {"menu N ignored", {confirm, menu}, SDLK_n, {confirm, menu}},
        {"game Escape", {confirm, menu, game}, SDLK_ESCAPE, {confirm, menu}},
        {"game Q ignored", {confirm, menu, game}, SDLK_q, {confirm, menu, game}},
        {"game S ignored", {confirm, menu, game}, SDLK_s, {confirm, menu, game}},
        {"game Y ignored", {confirm, menu, game}, SDLK_y, {confirm, menu, game}},
        {"game N ignored", {confirm, menu, game}, SDLK_n, {confirm, menu, game}},
        {"confirm Escape", {confirm}, SDLK_ESCAPE, {}},
        {"confirm Y", {confirm}, SDLK_y, {}},
        {"confirm N", {confirm}, SDLK_n, {confirm, menu}},
        {"confirm Q ignored", {confirm}, SDLK_q, {confirm}},
        {"confirm S ignored", {confirm}, SDLK_s, {confirm}},
        {"confirm Return ignored", {confirm}, SDLK_RETURN, {confirm}},
    };
    for (const FlowRow& row : rows) {
        stateStack = StateStack{};
        for (StateFn entry : row.before) {
            stateStack.push(entry);
        }
        pushKey(row.key);
        openGate();
        stateStack.top()();
        EXPECT_EQ(stackEntries(), row.after) << row.name;
        EXPECT_EQ(pendingEvents(), 0) << row.name;
    }
}

TEST_F(ScreenFlow, OnlyKeyPressesActAndShiftMakesNoDifference) {
    setStack({confirm, menu});
    for (SDLKey key : {SDLK_ESCAPE, SDLK_q, SDLK_s, SDLK_y, SDLK_n}) {
        pushKey(key, SDL_KEYUP);
        openGate();
        menuState();
    }
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{confirm, menu})) << "a release acted";

    pushKey(SDLK_s, SDL_KEYDOWN, KMOD_LSHIFT);
    openGate();
    menuState();
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{confirm, menu, game})) << "Shift+S";

    // A held key yields one press and then its release: it acts once.
    pushKey(SDLK_ESCAPE);
    pushKey(SDLK_ESCAPE, SDL_KEYUP);
    for (int frame = 0; frame < 2; ++frame) {
        openGate();
        stateStack.top()();
    }
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{confirm, menu}));
}

TEST_F(ScreenFlow, MouseMotionNeverQueuesAndKeysTakeOneFramePerEventInArrivalOrder) {
    setStack({confirm, menu});
    for (Uint8 kind : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        EXPECT_EQ(SDL_EventState(kind, SDL_QUERY), SDL_IGNORE) << int{kind};
    }
    moveMouse(300);
    EXPECT_EQ(pendingEvents(), 0);
    // Let in, the same moves queue as a real mouse's do (ignoring them again drops them).
    SDL_EventState(SDL_MOUSEMOTION, SDL_ENABLE);
    moveMouse(10);
    EXPECT_EQ(pendingEvents(), 10);
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);

    // Escape then S: the menu pops on the first frame, the confirmation ignores S on the second.
    pushKey(SDLK_ESCAPE);
    pushKey(SDLK_s);
    openGate();
    menuState();
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{confirm}));
    EXPECT_EQ(pendingEvents(), 1) << "one event a frame";
    openGate();
    quitConfirmState();
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{confirm}));
    EXPECT_EQ(pendingEvents(), 0);
}

TEST_F(ScreenFlow, NThenQOnTheConfirmationComesBackToIt) {
    setStack({confirm});
    pushKey(SDLK_n);
    pushKey(SDLK_q);
    for (int frame = 0; frame < 2; ++frame) {
        openGate();
        stateStack.top()();
    }
    EXPECT_EQ(stackEntries(), (std::vector<StateFn>{confirm}));
}

TEST_F(ScreenFlow, AWindowCloseEmptiesTheStackFromEveryScreen) {
    const std::vector<StateFn> stacks[] = {
        {confirm, menu},
        {confirm, menu, game},
        {confirm},
        {confirm, menu, confirm, menu, game},
        {confirm, menu, confirm},
    };
    for (const std::vector<StateFn>& before : stacks) {
        stateStack = StateStack{};
        for (StateFn entry : before) {
            stateStack.push(entry);
        }
        pushQuit();
        openGate();
        stateStack.top()();
        EXPECT_TRUE(stateStack.empty()) << before.size() << " entries";
    }
}

} // namespace
