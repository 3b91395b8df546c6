// The program as a process: arguments, exit statuses and what it prints.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "tests/unit/fixture.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int status = -1; // exit status, or -1 when the process did not exit by itself
    std::string out;
    std::string err;
    Uint32 elapsedMs = 0;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs quorvane in `runDir` with extra environment settings; sends SIGTERM after `termAfterMs`
// (0: never) and gives up on it after 20 seconds.
Outcome runProgram(const std::string& runDir, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& env,
                   Uint32 termAfterMs) {
    const std::string outPath = runDir + "/stdout.txt";
    const std::string errPath = runDir + "/stderr.txt";
    const Uint32 start = SDL_GetTicks();
    // What GoogleTest has printed but not yet written would be written again by the child, when
    // its freopen closes the standard streams it inherited.
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(runDir.c_str()) != 0 || !std::freopen(outPath.c_str(), "w", stdout) ||
            !std::freopen(errPath.c_str(), "w", stderr)) {
            _exit(127);
        }
        for (const auto& [name, value] : env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        std::vector<char*> argv{const_cast<char*>(QUORVANE_EXE)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(QUORVANE_EXE, argv.data());
        _exit(127);
    }
    Outcome outcome;
    int wstatus = 0;
    bool termSent = false;
    while (waitpid(pid, &wstatus, WNOHANG) == 0) {
        const Uint32 elapsed = SDL_GetTicks() - start;
        if (termAfterMs != 0 && !termSent && elapsed >= termAfterMs) {
            kill(pid, SIGTERM);
            termSent = true;
        }
        if (elapsed > 20000) {
            kill(pid, SIGKILL);
        }
        SDL_Delay(10);
    }
    outcome.elapsedMs = SDL_GetTicks() - start;
    if (WIFEXITED(wstatus)) {
        outcome.status = WEXITSTATUS(wstatus);
    }
    outcome.out = readFile(outPath);
    outcome.err = readFile(errPath);
    return outcome;
}

class Process : public ::testing::Test {
  protected:
    void SetUp() override {
        SDL_Init(SDL_INIT_TIMER);
        runDir = makeRunDirectory();
    }
    void TearDown() override {
        std::filesystem::remove_all(runDir);
        SDL_Quit();
    }
    std::string runDir;
};

const std::vector<std::pair<std::string, std::string>> dummyDrivers = {
    {"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"}};

TEST_F(Process, ACloseRequestOnTheMenuEndsWithStatusZeroWhateverTheArguments) {
    const std::vector<std::string> argumentSets[] = {
        {}, {"--help", "-v", "--fullscreen", "", "two words", "\xff\xfe", "-"}};
    for (const auto& args : argumentSets) {
        // The logo holds for 2.8 seconds; by 3.5 the menu is on top.
        const Outcome outcome = runProgram(runDir, args, dummyDrivers, 3500);
        EXPECT_EQ(outcome.status, 0) << args.size() << " arguments";
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "");
        EXPECT_LT(outcome.elapsedMs, 6000u);
    }
}

TEST_F(Process, AnAudioDeviceThatCannotBeOpenedEndsWithStatusOneSilently) {
    const Outcome outcome = runProgram(runDir, {},
                                       {{"SDL_VIDEODRIVER", "dummy"},
                                        {"SDL_AUDIODRIVER", "disk"},
                                        {"SDL_DISKAUDIOFILE", runDir + "/no/such/folder/out.raw"}},
                                       0);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "");
    EXPECT_LT(outcome.elapsedMs, 2800u) << "a screen was shown first";
}

TEST_F(Process, NoDisplayEndsWithStatusOneAndOneLineSayingWhy) {
    const Outcome outcome = runProgram(
        runDir, {}, {{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", ""}, {"SDL_AUDIODRIVER", "dummy"}}, 0);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    ASSERT_FALSE(outcome.err.empty());
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
    EXPECT_NE(outcome.err.find("quorvane:"), std::string::npos) << outcome.err;
}

} // namespace
