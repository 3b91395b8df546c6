#!/usr/bin/python3
"""quorvane under hostile input: a mouse flooding the window before a key, data files of
gigabytes whose leading bytes are the real files, a large file under an address-space limit, and
crafted files that SDL 1.2, SDL_mixer and SDL_ttf mishandle.

The program reads no mouse events, so however much the mouse moves, each key acts within a few
frames. However large a data file, what it draws, the memory it takes and how fast the keys act
are those of a normal run. A crafted file is neither shown nor heard, exactly as if it were
missing, and the run goes on from the keys and ends with status 0.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import time
import unittest

import checks
import crafted
import runs
import test_faults
from xharness import Program, XServer

LOGO, SPLASH, SOUND, MUSIC, FONT = runs.DATA_FILES
# How soon a key's screen must show once the key press has reached the window: a few frames of
# 33 ms.
KEY_LIMIT = 0.5
LOGO_HOLD = 2.8
# How soon after the start the logo must show: the program's own start takes some 50 ms.
LOGO_LIMIT = 1.0
SHORT_NAMES = {LOGO: "logo", SPLASH: "splash", FONT: "font"}
# How far the resident memory of a run with an oversized file may lie from a normal run's.
RESIDENT_SLACK_KIB = 8 * 1024


def press(test, program, key, following, current):
    """Presses a key; the screen that it leads to must show within KEY_LIMIT, and until then
    every capture shows the current screen. The response is timed on the pixel at the first
    text box's corner, which differs on every screen that a key leads to: white text on the
    menu, the splash on the game screen, black on the quit confirmation."""
    waited = program.key_response(key, *checks.MENU_TEXT_CORNERS[0])
    test.assertIsNotNone(waited, "%s did not act within 5 s" % key)
    test.assertLess(waited, KEY_LIMIT, "%s acted %.2f s after it was pressed" % (key, waited))
    program.wait_picture(following, 5, allowed=current)


class MouseFloods(unittest.TestCase):
    """Hundreds of mouse events, sent within a fraction of a second, would fill SDL's queue of 127
    events twice over; a key pressed right after them must still act at once."""

    def test_keys_act_at_once_after_the_mouse_floods_the_window(self):
        cases = [
            ("300 motions on the menu, then S", ("menu", "move", "s", "game")),
            ("300 motions on the game screen, then Escape", ("game", "move", "Escape", "menu")),
            ("300 motions on the menu, then Q; 300 more, then Y",
             ("menu", "move", "q", "confirm")),
            ("150 clicks on the menu, then S", ("menu", "click", "s", "game")),
        ]
        runs.run_side_by_side(self, cases, self._flood, workers=2)

    def _flood(self, case):
        where, how, key, following = case
        screens = checks.Screens.of(runs.DATA)
        with runs.run_directory() as run_dir, XServer() as server, \
                Program(server, run_dir) as program:
            program.wait_window(20)
            program.wait_picture(screens.menu, 10)
            if where == "game":
                program.key("s")
                program.wait_picture(screens.game, 5, allowed=screens.menu)
            if how == "move":
                program.move_mouse(300)
            else:
                program.click_mouse(150)
            press(self, program, key, getattr(screens, following), getattr(screens, where))
            if following == "confirm":
                # Y after a second flood ends the run at once.
                program.move_mouse(300)
                program.key("y")
                status = program.wait(1)
            else:
                keys = (("Escape", screens.menu, screens.game),) if following == "game" else ()
                keys += (("q", screens.confirm, screens.menu),)
                for later, shown, before in keys:
                    press(self, program, later, shown, before)
                program.key("y")
                status = program.wait(10)
            self.assertEqual(status, 0)
            self.assertEqual(program.stdout() + program.stderr(), "")


def run_oversized(test, case, resident, wrapper=()):
    """Runs the program with one data file made `size` bytes long by a sparse tail (case: name,
    size; None for the normal files) through S, Escape, Q and Y, checking every screen against
    the normal files and each key's response; notes the most resident memory seen over half a
    second on the menu in resident[case]."""
    screens = checks.Screens.of(runs.DATA)
    with runs.run_directory() as run_dir:
        if case is not None:
            name, size = case
            crafted.sparse_tail(run_dir / name, size)
        before = runs.snapshot(run_dir)
        with XServer() as server, Program(server, run_dir, wrapper=wrapper) as program:
            program.wait_window(20)
            program.wait_picture(screens.logo, 10)
            logo_seen = program.elapsed()
            test.assertLess(logo_seen, LOGO_LIMIT, "the logo showed %.2f s after the start"
                            % logo_seen)
            # The menu's first frame is timed on the pixel at its first text box's corner.
            times = program.pixel_change(*checks.MENU_TEXT_CORNERS[0], timeout=10)
            if times is None:
                ended = program.process.poll()
                test.fail("no menu within 10 s of the logo" if ended is None else
                          "the program ended with status %d on the logo: %s"
                          % (ended, program.stderr()[-2000:]))
            held = times[1] - program.started - logo_seen
            test.assertLess(held, LOGO_HOLD + 0.5, "the logo was held %.2f s" % held)
            program.wait_picture(screens.menu, 5)
            figures = []
            for _ in range(6):
                time.sleep(0.1)
                figures.append(program.resident_kib())
            resident[case] = max(figures)
            steps = (("s", screens.game, screens.menu), ("Escape", screens.menu, screens.game),
                     ("q", screens.confirm, screens.menu))
            for key, following, current in steps:
                press(test, program, key, following, current)
            program.key("y")
            status = program.wait(10)
            test.assertEqual(status, 0, program.stderr()[-3000:])
            test.assertEqual(program.stdout() + program.stderr(), "")
            test.assertEqual(runs.snapshot(run_dir), before, "the program changed its files")


class OversizedFiles(unittest.TestCase):
    """The splash, the logo and the font, each the run's real file followed by a sparse tail of
    zeros up to 1.5 GB and 3 GB (past 2^31, where an int that holds a size turns negative)."""

    def test_oversized_files_draw_as_the_real_ones_in_the_usual_memory(self):
        sizes = {"1.5 GB": 3 * crafted.GiB // 2, "3 GB": 3 * crafted.GiB}
        cases = [("normal files", None)]
        cases += [("%s of %s" % (SHORT_NAMES[name], size_name), (name, size))
                  for name in (SPLASH, LOGO, FONT) for size_name, size in sizes.items()]
        resident = {}
        runs.run_side_by_side(self, cases, lambda case: run_oversized(self, case, resident),
                              workers=4)
        usual = resident.get(None)
        self.assertIsNotNone(usual, "the normal run was not measured")
        for name, case in cases[1:]:
            if case in resident:
                with self.subTest(case=name):
                    self.assertLess(abs(resident[case] - usual), RESIDENT_SLACK_KIB,
                                    "%d KiB resident, %d KiB in the normal run"
                                    % (resident[case], usual))


class AddressLimit(unittest.TestCase):
    """A 300 MB splash, the real file and a sparse tail, under an address-space limit of 250 MB
    set before the program starts: the whole file cannot be held, and need not be."""

    def test_a_300_mb_splash_under_a_250_mb_address_space_limit_goes_through(self):
        wrapper = ["prlimit", "--as=%d" % (250 * crafted.MiB), "--"]
        run_oversized(self, (SPLASH, 300 * crafted.MiB), {}, wrapper)


class CraftedFiles(unittest.TestCase):
    """One crafted file of each kind that the libraries mishandle, in its place."""

    def test_crafted_files_are_treated_as_missing(self):
        runs.run_side_by_side(self, crafted_cases(), test_faults.run_case, workers=4)


def crafted_cases():
    logo = checks.load_bitmap(runs.DATA / LOGO)
    splash = checks.load_bitmap(runs.DATA / SPLASH)
    Case = test_faults.Case

    def put(name, maker, *args):
        return lambda run_dir: maker(run_dir / name, *args)

    return [
        ("splash of bit depth 2056", Case(put(SPLASH, crafted.bitmap_depth_low_byte_8), logo,
                                          None)),
        ("logo of height -2^31", Case(put(LOGO, crafted.bitmap_height_min), None, splash)),
        ("splash with its pixels beyond its end",
         Case(put(SPLASH, crafted.bitmap_offset_beyond_file), logo, None)),
        ("logo with its pixels at 2^31 and bit depth 2056",
         Case(put(LOGO, crafted.bitmap_offset_negative_bogus_depth), None, splash)),
        ("logo sound at 1 Hz", Case(put(SOUND, crafted.wav_rate_1), logo, splash, sound=False)),
        ("logo sound at 2 Hz", Case(put(SOUND, crafted.wav_rate_2), logo, splash, sound=False)),
        ("logo sound of 0 channels",
         Case(put(SOUND, crafted.wav_no_channels), logo, splash, sound=False)),
        ("logo sound in MS-ADPCM with block align 0",
         Case(put(SOUND, crafted.wav_ms_adpcm_block_align_0), logo, splash, sound=False)),
        ("logo sound in IMA-ADPCM with block align 0",
         Case(put(SOUND, crafted.wav_ima_adpcm_block_align_0), logo, splash, sound=False)),
        ("music at 1 Hz", Case(put(MUSIC, crafted.ogg_rate_1), logo, splash, music=False)),
        ("font of height 0 or less",
         Case(put(FONT, crafted.font_height_not_positive), logo, splash, text=False)),
        ("music with a 64 MB junk tail",
         Case(put(MUSIC, crafted.junk_tail, 64 * crafted.MiB), logo, splash, music=False)),
        ("music with a 1.5 GB sparse tail",
         Case(put(MUSIC, crafted.sparse_tail, 3 * crafted.GiB // 2), logo, splash, music=False)),
        ("FIFO as the splash", Case(put(SPLASH, crafted.fifo), logo, None)),
        ("FIFO as the font", Case(put(FONT, crafted.fifo), logo, splash, text=False)),
    ]


if __name__ == "__main__":
    runs.main()
