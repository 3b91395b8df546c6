// The work of playing music, added up in stretches of the frames it plays, and the most that any
// stretch of time can take of it when the music loops for ever.
// SPDX-FileCopyrightText: 2026 The Quorvane developers
// SPDX-License-Identifier: MIT
#include "services/datafile/music_work.h"

#include <algorithm>

namespace {

// The stretches in which the pages' work is added up are at least this many frames long, and no
// more than this many of them are kept: when there are, neighbours are joined in pairs. A window
// over joined pages counts the whole of its first and last stretch, so the work is overestimated
// by two stretches at most, and a file long enough to need longer stretches plays cheap frames.
constexpr Sint64 stretchFrames = 256;
constexpr std::size_t maxStretches = 65536;

} // namespace

WorkStretches workStretches() {
    return WorkStretches{{}, MusicWork{0, 0}, stretchFrames, 0};
}

void addWork(WorkStretches& work, MusicWork stretch) {
    work.open.work += stretch.work;
    work.open.frames += stretch.frames;
    if (work.open.frames < work.minimumFrames) {
        return;
    }
    work.stretches.push_back(work.open);
    work.open = MusicWork{0, 0};
    if (work.stretches.size() == maxStretches) {
        for (std::size_t n = 0; n < maxStretches / 2; ++n) {
            work.stretches[n] =
                MusicWork{work.stretches[2 * n].work + work.stretches[2 * n + 1].work,
                          work.stretches[2 * n].frames + work.stretches[2 * n + 1].frames};
        }
        work.stretches.resize(maxStretches / 2);
        work.minimumFrames *= 2;
        work.marked /= 2;
    }
}

std::vector<MusicWork>& closedStretches(WorkStretches& work) {
    if (work.open.work > 0 || work.open.frames > 0) {
        work.stretches.push_back(work.open);
        work.open = MusicWork{0, 0};
    }
    return work.stretches;
}

Sint64 mostWorkIn(const std::vector<MusicWork>& stretches, Sint64 frames) {
    Sint64 loopWork = 0;
    Sint64 loopFrames = 0;
    for (const MusicWork& stretch : stretches) {
        loopWork += stretch.work;
        loopFrames += stretch.frames;
    }
    if (loopFrames == 0) {
        return -1;
    }
    // Whole loops, then the most that the frames left over take from any stretch on: the
    // stretches that a window starting there reads before it has its frames, the last whole.
    const Sint64 loops = (frames - 1) / loopFrames;
    const Sint64 left = frames - loops * loopFrames;
    const std::size_t count = stretches.size();
    Sint64 most = 0;
    Sint64 windowWork = 0;
    Sint64 windowFrames = 0;
    std::size_t end = 0;
    for (std::size_t start = 0; start < count; ++start) {
        while (windowFrames < left) {
            windowWork += stretches[end % count].work;
            windowFrames += stretches[end % count].frames;
            ++end;
        }
        most = std::max(most, windowWork);
        windowWork -= stretches[start].work;
        windowFrames -= stretches[start].frames;
    }
    return loops * loopWork + most;
}
