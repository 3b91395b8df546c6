#!/usr/bin/python3
"""The typical run, end to end: logo, S, Escape, Q, N, Q, Y, with what the window shows and what
the mixer plays compared with the data files at every step.

The same test serves the tests' own data set, the project's data files, sdl12-compat, the
sanitizer build, valgrind and the web build in a browser; runs.py says which settings choose them.
With the project's data files, the four screens must also be the README's pictures in docs/,
pixel for pixel; the run that saves its captures there (QUORVANE_SCREENSHOTS) refreshes them. In
a browser, with the native build at hand, the native program then plays the same data files, and
each of its four screens must be the page's pixel for pixel.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import unittest
from pathlib import Path

import numpy as np
from PIL import Image

import checks
import runs
import xharness
from xharness import CAPTION, REPO, Program, XServer

# Key, screen that follows it. The run then ends with Y on the last quit confirmation.
ROUTE = (("s", "game"), ("Escape", "menu"), ("q", "confirm"), ("n", "menu"), ("q", "confirm"))
LOGO_HOLD = 2.8
SCREENSHOT_NAMES = {"logo": "screen-logo.png", "menu": "screen-menu.png",
                    "game": "screen-game.png", "confirm": "screen-quit.png"}
# Time on each screen before the next key, so that the recording holds a stretch of it.
DWELL = 0.8


class TypicalRun(unittest.TestCase):
    def setUp(self):
        missing = [name for name in runs.DATA_FILES if not (runs.DATA / name).is_file()]
        if missing:
            self.skipTest("no data files in %s: %s" % (runs.DATA, ", ".join(missing)))
        # Under valgrind the mixer cannot keep time: the run is seen, not heard.
        self.record = not runs.VALGRIND

    def test_screens_and_sound_follow_the_keys_and_the_run_ends_with_status_zero(self):
        screens = checks.Screens.of(runs.DATA, slack=0 if runs.OWN_DATA else 8)
        with runs.run_directory() as run_dir, XServer() as server:
            report = run_dir.parent / "valgrind.log"
            wrapper = runs.valgrind(report) if runs.VALGRIND else []
            with Program(server, run_dir, env=runs.compat_env(), record=self.record,
                         wrapper=wrapper, disk_delay_ms=runs.DISK_DELAY_MS) as program:
                self._run(program, run_dir, screens, report)

    def _run(self, program, run_dir, screens, report):
        slow = runs.SLOW
        before = runs.snapshot(run_dir)
        program.wait_window(20 * slow)
        logo, _ = program.wait_picture(screens.logo, 10 * slow)
        logo_seen = program.picture_time
        self.assertEqual(program.caption(), CAPTION)

        # Every capture until the menu shows the logo: it is held, then the menu follows.
        menu, _ = program.wait_picture(screens.menu, 10 * slow, allowed=screens.logo)
        menu_seen = program.picture_time
        self.assertGreater(menu_seen - logo_seen, LOGO_HOLD - 0.2, "logo held too briefly")
        if not runs.VALGRIND:
            self.assertLess(menu_seen - logo_seen, LOGO_HOLD + 0.7, "logo held too long")
        pictures = {"logo": logo, "menu": menu}

        # Screen name, seen from, left at: seconds from the start of the program.
        shown = [["menu", menu_seen, None]]
        for key, following in ROUTE:
            current = shown[-1][0]
            self._dwell(program, getattr(screens, current))
            shown[-1][2] = program.elapsed()
            program.key(key)
            picture, _ = program.wait_picture(getattr(screens, following), 5 * slow,
                                              allowed=getattr(screens, current))
            shown.append([following, program.picture_time, None])
            pictures.setdefault(following, picture)
        self._dwell(program, screens.confirm)
        shown[-1][2] = program.elapsed()

        program.key("y")
        status = program.wait(10 * slow)
        if runs.VALGRIND:
            log = report.read_text(errors="replace")
            self.assertEqual(status, 0, "valgrind found errors:\n" + log)
            self.assertIn("ERROR SUMMARY: 0 errors", log)
        self.assertEqual(status, 0)
        self.assertEqual(program.stdout(), "")
        self.assertEqual(program.own_stderr(), "")
        self.assertEqual(runs.snapshot(run_dir), before, "the program changed its files")

        if runs.SCREENSHOTS:
            self._save(pictures)
        if not runs.OWN_DATA:
            self._compare_with_readme(pictures)
        if self.record:
            self._check_sound(program, run_dir, logo_seen, shown)
        if xharness.BROWSER and runs.NATIVE:
            self._compare_with_native(run_dir, screens, pictures)

    def _compare_with_native(self, run_dir, screens, pictures):
        """The native build's program on the same data files, under Xvfb: each of its four
        screens must be the page's pixel for pixel."""
        with xharness.X_SERVER() as server, \
                xharness.X_PROGRAM(server, run_dir, exe=runs.NATIVE) as native:
            native.wait_window(20)
            captured = {"logo": native.wait_picture(screens.logo, 10)[0],
                        "menu": native.wait_picture(screens.menu, 10, allowed=screens.logo)[0]}
            for key, following, current in (("s", "game", "menu"), ("Escape", "menu", "game"),
                                             ("q", "confirm", "menu")):
                native.key(key)
                captured.setdefault(following, native.wait_picture(
                    getattr(screens, following), 5, allowed=getattr(screens, current))[0])
            native.key("y")
            self.assertEqual(native.wait(10), 0)
        for name, picture in pictures.items():
            self.assertIsNone(checks.describe_difference(picture, captured[name]),
                              "the %s differs from the native build's" % name)

    def _dwell(self, program, check):
        """Stays on a screen for DWELL seconds; every capture meanwhile must still show it."""
        deadline = program.elapsed() + DWELL
        while program.elapsed() < deadline:
            reason = check(program.capture())
            self.assertIsNone(reason)

    def _save(self, pictures):
        folder = Path(runs.SCREENSHOTS)
        folder.mkdir(parents=True, exist_ok=True)
        for name, file_name in SCREENSHOT_NAMES.items():
            Image.fromarray(pictures[name]).save(folder / file_name, optimize=True)

    def _compare_with_readme(self, pictures):
        """The screens as the README shows them, in docs/."""
        for name, file_name in SCREENSHOT_NAMES.items():
            with self.subTest(screen=name):
                expected = checks.load_bitmap(REPO / "docs" / file_name)
                reason = checks.describe_difference(pictures[name], expected)
                self.assertIsNone(reason, "docs/%s is not what the program shows (refresh it "
                                  "with QUORVANE_SCREENSHOTS=$PWD/docs ctest --test-dir build -R "
                                  "e2e.typical.project_data)" % file_name)

    def _check_sound(self, program, run_dir, logo_seen, shown):
        recording = program.recording().astype(float)
        logo_sound = checks.read_wav(run_dir / "snd/quor.wav")
        music = checks.decode_ogg(run_dir / "snd/menumusic.ogg")
        rate = checks.recording_rate(recording, [logo_sound, music])
        self.assertIsNotNone(rate, "neither the logo sound nor the music is heard")

        # The logo sound starts with the logo and is heard whole, once, at its own loudness.
        sound_at, score = checks.find_sound(recording, logo_sound, rate)
        self.assertIsNotNone(sound_at, "the logo sound is not heard (best match %.2f)" % score)
        sound_time = program.mix_time(sound_at)
        self.assertLess(abs(sound_time - logo_seen), 0.4,
                        "the logo sound starts %.2f s after the logo shows"
                        % (sound_time - logo_seen))
        expected = checks.resample(logo_sound, rate)
        heard = recording[sound_at:sound_at + len(expected)]
        self.assertGreater(checks.similarity(heard, expected)[0], 0.98)
        self.assertAlmostEqual(checks.loudness_ratio(heard, expected), 1, delta=0.05)
        margin = int(0.01 * rate)
        self.assertLess(np.abs(recording[:max(sound_at - margin, 0)]).max(initial=0), 1,
                        "something is heard before the logo sound")

        # The music starts 2.8 s later, when the menu comes up.
        music_at, score = checks.find_sound(recording, music, rate)
        self.assertIsNotNone(music_at, "the music is not heard (best match %.2f)" % score)
        music_time = program.mix_time(music_at)
        self.assertAlmostEqual(music_time - sound_time, LOGO_HOLD, delta=0.3,
                               msg="the music starts %.2f s after the logo sound"
                               % (music_time - sound_time))
        if sound_at + len(expected) < music_at:
            between = recording[sound_at + len(expected) + margin:music_at - margin]
            self.assertLess(np.abs(between).max(initial=0), 1,
                            "something is heard between the logo sound and the music")

        # The music loops on under the menu, the game screen and the quit confirmation: every
        # stretch mixed while one of them showed is a stretch of the music.
        block = int(0.2 * rate)
        matcher = checks.LoopMatcher(checks.resample(music, rate), block)
        for name, start, end in shown:
            first, last = program.frames_mixed_between(start, end)
            scores = [matcher.best(recording[f:f + block])
                      for f in range(max(first, music_at), last - block + 1, block)]
            self.assertTrue(scores, "nothing was mixed while the %s showed" % name)
            self.assertGreater(min(scores), 0.9, "the music breaks off on the %s" % name)


if __name__ == "__main__":
    runs.main()
