#!/usr/bin/python3
"""The web page around the game, in headless Chromium: the logo within a second of opening the
page, the menu's frames a frame period apart (timed beside the native build's where it is at
hand), the canvas a whole multiple of the game's size in the middle of the window, the game's
keys kept from the page, and the end on Y with the page saying so, the sound stopped and no
uncaught exception; a browser that allows no sound before a gesture, where the page waits for the
first click or key (a modifier key is none) and the game then starts with its whole logo sound; a
page without AudioWorklet, which plays through the older ScriptProcessorNode; a page that cannot
load saying why; and a file of gigabytes costing the network no more than what the program reads
of it, from a server that honours Range requests and from one that sends every file whole.

Runs with the web build's zip ($QUORVANE_WEB_ZIP) alone; the figures it measures are printed.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import gzip
import os
import time
import unittest
import zipfile

import numpy as np

import checks
import crafted
import runs
import xharness

LOGO, SPLASH, SOUND, MUSIC, FONT = runs.DATA_FILES
# From the opening of the page to the logo on its canvas.
LOGO_LIMIT = 1.0
# Seconds on the menu whose frames are timed, and the most that the median time between two may
# be: the 33 ms gate, measured from the end of one frame, the frame's own work (some 2 ms in
# WebAssembly) and the lateness of the page's timer. Beside the native build's frames, timed in
# the same run and under the same load, the page's may be no more than PERIOD_MARGIN_MS further
# apart: their work takes longer, and a page that overslept its due time by the browser's 4 ms
# would come out further still.
MENU_SECONDS = 5
PERIOD_LIMIT_MS = 36
PERIOD_MARGIN_MS = 3
# The most that a page may fetch of a data file: the checks' bound for a bitmap, and for a
# server that sends every file whole, what the network holds once the page has stopped reading.
BITMAP_BOUND = 2464 * 1024
NETWORK_SLACK = 32 * crafted.MiB
# bench/present_stamps, which stamps every present of the native build's program.
PRESENT_SHIM = os.environ.get("QUORVANE_PRESENT_SHIM", "")


def setUpModule():
    if not xharness.BROWSER:
        raise unittest.SkipTest("no web build to play: QUORVANE_WEB_ZIP is not set")


def median_period_ms(times):
    """The median time between the presents at `times` (seconds), in milliseconds."""
    return float(np.median(np.diff(times))) * 1000


def native_menu_period():
    """The native build's menu frames over MENU_SECONDS, timed by bench/present_stamps: the
    median time between two in milliseconds, or None without that build and its shim."""
    if not runs.NATIVE or not os.path.exists(PRESENT_SHIM):
        return None
    screens = checks.Screens.of(runs.DATA)
    with runs.run_directory() as run_dir, xharness.X_SERVER() as server:
        stamps = run_dir.parent / "presents"
        env = {"LD_PRELOAD": PRESENT_SHIM, "QUORVANE_PRESENT_STAMPS": str(stamps)}
        with xharness.X_PROGRAM(server, run_dir, env=env, exe=runs.NATIVE) as native:
            native.wait_window(20)
            native.wait_picture(screens.logo, 10)
            native.wait_picture(screens.menu, 10, allowed=screens.logo)
            started = time.monotonic_ns()
            time.sleep(MENU_SECONDS)
            presents = [returned / 1e9 for _, returned in xharness.read_stamps(stamps)
                        if returned >= started]
            native.key("q")
            native.wait_picture(screens.confirm, 5, allowed=screens.menu)
            native.key("y")
            native.wait(10)
    return median_period_ms(presents)


class Page(unittest.TestCase):
    def test_the_game_runs_at_its_pace_keeps_its_keys_and_ends_with_the_page_saying_so(self):
        screens = checks.Screens.of(runs.DATA)
        with runs.run_directory() as run_dir, xharness.XServer() as server, \
                xharness.Program(server, run_dir) as page:
            page.wait_window(20)
            page.wait_picture(screens.logo, 10)
            logo_time = page.picture_time
            page.wait_picture(screens.menu, 10, allowed=screens.logo)
            placed = page.canvas_placement()
            since = page.elapsed()
            time.sleep(MENU_SECONDS)
            period = median_period_ms([t for t in page.presents() if t >= since])
            # Keys that would scroll a page, which the game's menu takes and ignores.
            for key in ("space", "Down", "Next", "Home"):
                page.key(key)
            page.wait_picture(screens.menu, 5)
            page.key("q")
            page.wait_picture(screens.confirm, 5, allowed=screens.menu)
            page.key("y")
            self.assertEqual(page.wait(10), 0)
            said = page.said()
            kept = page.keys_kept()
            open_audio = page.audio_open()
            errors = page.errors()
            output = page.stdout() + page.stderr()
            scrolled = page.scroll_position()
        native = native_menu_period()
        sizes = {}
        with zipfile.ZipFile(os.environ["QUORVANE_WEB_ZIP"]) as archive:
            for name in ("quorvane.js", "quorvane.wasm"):
                data = archive.read(name)
                sizes[name] = (len(data), len(gzip.compress(data, 9)))
        print("opening the page to the logo: %.3f s" % logo_time)
        print("menu frame period, median over %d s: %.2f ms in Chromium%s"
              % (MENU_SECONDS, period,
                 ", %.2f ms in the native build" % native if native is not None else ""))
        for name, (raw, packed) in sizes.items():
            print("%s: %d bytes, %d gzipped" % (name, raw, packed))

        self.assertLess(logo_time, LOGO_LIMIT, "the logo showed %.2f s after opening the page"
                        % logo_time)
        limit = PERIOD_LIMIT_MS if native is None else native + PERIOD_MARGIN_MS
        self.assertLessEqual(period, limit, "ms between the menu's frames")
        self.assertEqual([key for key, prevented in kept if not prevented], [],
                         "keys that the page left to the browser")
        self.assertEqual(scrolled, (0, 0))
        # The canvas a whole multiple of the game's 640 by 480, centred in the window.
        left, top, width, height, window_width, window_height = placed
        self.assertEqual((width % 640, height % 480, width // 640), (0, 0, height // 480))
        self.assertGreaterEqual(width, 640)
        self.assertLessEqual(abs(2 * left + width - window_width), 1)
        self.assertLessEqual(abs(2 * top + height - window_height), 1)
        self.assertIn("The game has ended", said)
        self.assertIn("Reload the page", said)
        self.assertFalse(open_audio, "the sound plays on after the end")
        self.assertEqual(errors, [])
        self.assertEqual(output, "")

    def test_without_leave_to_play_sound_the_first_click_starts_the_game_with_its_sound(self):
        screens = checks.Screens.of(runs.DATA)
        logo_sound = checks.read_wav(runs.DATA / SOUND)
        with runs.run_directory() as run_dir, xharness.XServer() as server, \
                xharness.Program(server, run_dir, autoplay=False) as page:
            page.wait_state(("waiting",), 20)
            self.assertIn("Click or press a key", page.said())
            # A modifier key is no gesture that lets a page play sound.
            page.key("shift")
            time.sleep(0.5)
            self.assertEqual(page.state(), "waiting")
            page.click()
            page.wait_window(10)
            page.wait_picture(screens.logo, 10)
            # The whole logo sound, once it has played.
            time.sleep(len(logo_sound) / checks.RATE + 0.5)
            recording = page.recording().astype(float)
            page.wait_picture(screens.menu, 10, allowed=screens.logo)
            page.key("q")
            page.wait_picture(screens.confirm, 5, allowed=screens.menu)
            page.key("y")
            self.assertEqual(page.wait(10), 0)
        sound_at, score = checks.find_sound(recording, logo_sound, checks.RATE)
        self.assertIsNotNone(sound_at, "the logo sound is not heard (best match %.2f)" % score)
        heard = recording[sound_at:sound_at + len(logo_sound)]
        self.assertGreater(checks.similarity(heard, logo_sound)[0], 0.98,
                           "the logo sound is not heard whole")

    def test_without_audio_worklet_the_sound_plays_through_a_script_processor(self):
        # As on a page served over plain http from another machine.
        screens = checks.Screens.of(runs.DATA)
        logo_sound = checks.read_wav(runs.DATA / SOUND)
        script = "delete BaseAudioContext.prototype.audioWorklet;"
        with runs.run_directory() as run_dir, xharness.XServer() as server, \
                xharness.Program(server, run_dir, script=script) as page:
            page.wait_window(20)
            page.wait_picture(screens.logo, 10)
            time.sleep(len(logo_sound) / checks.RATE + 0.5)
            recording = page.recording().astype(float)
            page.wait_picture(screens.menu, 10, allowed=screens.logo)
            page.key("q")
            page.wait_picture(screens.confirm, 5, allowed=screens.menu)
            page.key("y")
            self.assertEqual(page.wait(10), 0)
            self.assertEqual(page.errors(), [])
        sound_at, score = checks.find_sound(recording, logo_sound, checks.RATE)
        self.assertIsNotNone(sound_at, "the logo sound is not heard (best match %.2f)" % score)
        heard = recording[sound_at:sound_at + len(logo_sound)]
        self.assertGreater(checks.similarity(heard, logo_sound)[0], 0.98,
                           "the logo sound is not heard whole")

    def test_a_page_that_cannot_load_the_game_says_why(self):
        cases = {"the program's code missing": ({"missing": ("quorvane.wasm",)}, "could not run"),
                 "a browser without WebAssembly": ({"script": "delete window.WebAssembly;"},
                                                   "does not run WebAssembly")}
        for name, (options, reason) in cases.items():
            with self.subTest(case=name), runs.run_directory() as run_dir, \
                    xharness.XServer() as server, \
                    xharness.Program(server, run_dir, **options) as page:
                page.wait_state(("failed",), 20)
                self.assertIn(reason, page.said())

    def test_files_of_gigabytes_cost_the_network_no_more_than_is_read_of_them(self):
        logo = checks.load_bitmap(runs.DATA / LOGO)
        splash = checks.load_bitmap(runs.DATA / SPLASH)
        screens = checks.Screens(logo, splash)
        music = checks.decode_ogg(runs.DATA / MUSIC)
        for ranges in (True, False):
            with self.subTest(server="honours Range" if ranges else "sends files whole"), \
                    runs.run_directory() as run_dir:
                # A splash that draws from its leading bytes, and music refused by its size.
                crafted.sparse_tail(run_dir / SPLASH, 3 * crafted.GiB)
                crafted.sparse_tail(run_dir / MUSIC, 3 * crafted.GiB // 2)
                with xharness.XServer() as server, \
                        xharness.Program(server, run_dir, ranges=ranges) as page:
                    page.wait_window(20)
                    page.wait_picture(screens.logo, 10)
                    page.wait_picture(screens.menu, 10, allowed=screens.logo)
                    time.sleep(1)
                    page.key("q")
                    page.wait_picture(screens.confirm, 5, allowed=screens.menu)
                    page.key("y")
                    self.assertEqual(page.wait(10), 0)
                    recording = page.recording().astype(float)
                    sent = dict(page.server.sent)
                self.assertIsNone(checks.find_sound(recording, music, checks.RATE)[0],
                                  "the music of 1.5 GB is heard")
                if ranges:
                    self.assertLessEqual(sent[SPLASH], BITMAP_BOUND)
                else:
                    self.assertLess(sent[SPLASH], BITMAP_BOUND + NETWORK_SLACK)
                self.assertLess(sent.get(MUSIC, 0), NETWORK_SLACK)


if __name__ == "__main__":
    runs.main()
