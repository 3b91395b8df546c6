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
import os
import time
import unittest

import numpy as np

import checks
import crafted
import runs
import test_faults
import xharness
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
# How long each run stays on the menu to see its memory and its frames.
MENU_SECONDS = 3
# What any one data file may cost at most, whatever it holds: the memory the process ever holds,
# its growth over MENU_SECONDS on the menu, the median time between menu frames (33 ms and the
# frame's own time, with two runs sharing two cores), the time from Q to the end of the run, and
# from Y, pressed on the quit confirmation, to the end of the process (a frame of 33 ms at most
# before the key is handled, and closing the audio device waits for SDL's audio thread, which
# sleeps up to one 4096-frame buffer, 186 ms).
PEAK_LIMIT_KIB = 64 * 1024
GROWTH_LIMIT_KIB = 512
PERIOD_LIMIT_MS = 40
ENDING_LIMIT = 3.0
QUIT_LIMIT = 0.3
# bench/present_stamps, which stamps every present, when the build has it.
PRESENT_SHIM = os.environ.get("QUORVANE_PRESENT_SHIM", "")


def press(test, program, key, following, current, timed=True):
    """Presses a key; the screen that it leads to must show within KEY_LIMIT, and until then
    every capture shows the current screen. The response is timed on the pixel at the first
    text box's corner, which differs on every screen that a key leads to: white text on the
    menu, the splash on the game screen, black on the quit confirmation. Without the texts
    nothing tells the screens apart there, and the key is not timed."""
    if not timed:
        program.key(key)
        program.wait_picture(following, 5, allowed=current)
        return
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


def run_hostile(test, spoil, screens, figures, wrapper=(), timed=True):
    """Runs the program on a run directory spoilt by `spoil` (None for the normal files) through
    S, Escape, Q and Y, checking every screen against `screens` and, when `timed` and the menu
    has the data set's texts, each key's response. Notes in `figures`: "resident", the most
    resident memory seen over half a second on the menu; "growth", how much it grew over the
    next MENU_SECONDS; "peak", the most the process ever held; "period", the median time between
    menu frames over those seconds, where the present stamps are at hand (PRESENT_SHIM);
    "ending", the time from Q to the end of the process; and "quit", from Y to the end."""
    with runs.run_directory() as run_dir:
        if spoil is not None:
            spoil(run_dir)
        before = runs.snapshot(run_dir)
        stamps = run_dir.parent / (run_dir.name + "-presents")
        env = {"LD_PRELOAD": PRESENT_SHIM, "QUORVANE_PRESENT_STAMPS": str(stamps)} \
            if PRESENT_SHIM else {}
        with XServer() as server, Program(server, run_dir, env=env, wrapper=wrapper) as program:
            program.wait_window(20)
            program.wait_picture(screens.logo, 10)
            logo_seen = program.elapsed()
            test.assertLess(logo_seen, LOGO_LIMIT, "the logo showed %.2f s after the start"
                            % logo_seen)
            # The menu's first frame is timed on the pixel at its first text box's corner.
            corner = checks.MENU_TEXT_CORNERS[0]
            times = program.pixel_change(*corner, timeout=10) if screens.text else None
            program.wait_picture(screens.menu, 10, allowed=screens.logo)
            menu_seen = times[1] - program.started if times else program.elapsed()
            held = menu_seen - logo_seen
            test.assertLess(held, LOGO_HOLD + 0.5, "the logo was held %.2f s" % held)
            samples = []
            for _ in range(6):
                time.sleep(0.1)
                samples.append(program.resident_kib())
            figures["resident"] = max(samples)
            started = time.monotonic_ns()
            time.sleep(MENU_SECONDS)
            figures["growth"] = program.resident_kib() - figures["resident"]
            presents = [returned for _, returned in xharness.read_stamps(stamps)
                        if returned >= started]
            if len(presents) > 1:
                figures["period"] = float(np.median(np.diff(presents))) / 1e6
            steps = (("s", screens.game, screens.menu), ("Escape", screens.menu, screens.game))
            timed = timed and screens.text is True
            for key, following, current in steps:
                press(test, program, key, following, current, timed)
            q_pressed = time.monotonic()
            press(test, program, "q", screens.confirm, screens.menu, timed)
            figures["peak"] = program.resident_kib("VmHWM")
            status, figures["quit"] = program.key_to_end("y")
            figures["ending"] = time.monotonic() - q_pressed
            test.assertEqual(status, 0, program.stderr()[-3000:])
            test.assertEqual(program.stdout() + program.stderr(), "")
            test.assertEqual(runs.snapshot(run_dir), before, "the program changed its files")
        stamps.unlink(missing_ok=True)


class OversizedFiles(unittest.TestCase):
    """The splash, the logo and the font, each the run's real file followed by a sparse tail of
    zeros up to 1.5 GB and 3 GB (past 2^31, where an int that holds a size turns negative)."""

    def test_oversized_files_draw_as_the_real_ones_in_the_usual_memory(self):
        sizes = {"1.5 GB": 3 * crafted.GiB // 2, "3 GB": 3 * crafted.GiB}
        cases = [("normal files", None)]
        cases += [("%s of %s" % (SHORT_NAMES[name], size_name), (name, size))
                  for name in (SPLASH, LOGO, FONT) for size_name, size in sizes.items()]
        figures = {}
        runs.run_side_by_side(self, cases, lambda case: run_oversized(self, case, figures),
                              workers=4)
        usual = figures.get(None, {}).get("resident")
        self.assertIsNotNone(usual, "the normal run was not measured")
        for name, case in cases[1:]:
            if "resident" in figures.get(case, {}):
                with self.subTest(case=name):
                    self.assertLess(abs(figures[case]["resident"] - usual), RESIDENT_SLACK_KIB,
                                    "%d KiB resident, %d KiB in the normal run"
                                    % (figures[case]["resident"], usual))


def run_oversized(test, case, figures, wrapper=()):
    """Runs the program with one data file made `size` bytes long by a sparse tail (case: name,
    size; None for the normal files), every screen as with the normal files."""
    def spoil(run_dir):
        name, size = case
        crafted.sparse_tail(run_dir / name, size)
    figures[case] = {}
    run_hostile(test, spoil if case else None, checks.Screens.of(runs.DATA), figures[case],
                wrapper)


class AddressLimit(unittest.TestCase):
    """A 300 MB splash, the real file and a sparse tail, under an address-space limit of 250 MB
    set before the program starts: the whole file cannot be held, and need not be."""

    def test_a_300_mb_splash_under_a_250_mb_address_space_limit_goes_through(self):
        wrapper = ["prlimit", "--as=%d" % (250 * crafted.MiB), "--"]
        run_oversized(self, (SPLASH, 300 * crafted.MiB), {}, wrapper)


class CostlyFiles(unittest.TestCase):
    """One file of each kind that SDL 1.2, SDL_mixer or SDL_ttf would let exhaust the program
    without its checks, each in its place: chained music whose streams need converting (a
    buffer lost at every change of stream), chained music whose streams are one sample long and
    cost libvorbis millions of instructions to set up (the decoder set up anew thousands of times
    in every mixing buffer), 1-bit and 32-bit bitmaps of 8192 by 8192 pixels (a 64 MiB and a
    256 MiB surface every menu frame), a font with a 256 MiB kerning table (read whole at every
    opening), fonts whose "G", or every glyph of the texts, reaches 32767 pixels up (rendered
    whole for every line), and one whose glyphs are read as 3.9 MiB each; and the largest music
    and logo sound, the music that costs the most to decode, and the slowest fonts, by their
    outlines and by their bitmaps, that pass. The run costs no more than any run may: its
    memory, the frames of the menu and the end after Q and Y stay within their bounds."""

    def test_no_data_file_can_make_a_run_costly(self):
        logo = checks.load_bitmap(runs.DATA / LOGO)
        splash = checks.load_bitmap(runs.DATA / SPLASH)
        cases = [
            ("music of chained streams that need converting",
             (MUSIC, crafted.ogg_chained_streams_converted, checks.Screens(logo, splash))),
            ("music of chained streams one sample long, each costly to set up",
             (MUSIC, crafted.ogg_short_chained_streams, checks.Screens(logo, splash))),
            ("a 1-bit splash of 8192 by 8192",
             (SPLASH, crafted.bitmap_one_bit_8192_square, checks.Screens(logo, None))),
            ("a 32-bit logo of 8192 by 8192",
             (LOGO, crafted.bitmap_32_bit_8192_square, checks.Screens(None, splash))),
            ("a font with a kerning table of 256 MiB",
             (FONT, crafted.font_kern_256_mib, checks.Screens(logo, splash, False))),
            ("the largest music that passes, 16 MiB of chained streams",
             (MUSIC, crafted.ogg_largest_chain, checks.Screens(logo, splash))),
            ("the music that costs the most to decode that passes, 6 channels of 8 stages",
             (MUSIC, crafted.ogg_costliest_decoding, checks.Screens(logo, splash))),
            ("the largest logo sound that passes, 8 MiB once converted",
             (SOUND, crafted.wav_largest, checks.Screens(logo, splash))),
            ("a font whose G reaches 32767 pixels up",
             (FONT, crafted.font_tall_g, question_alone(logo, splash))),
            ("a font whose every glyph of the texts reaches 32767 pixels up",
             (FONT, crafted.font_tall_texts, checks.Screens(logo, splash, False))),
            ("a font whose glyphs are read as 3.9 MiB each",
             (FONT, crafted.font_glyphs_read_as_megabytes, checks.Screens(logo, splash, False))),
            ("the slowest font to draw that passes, every glyph of 1000 points read as 16 KiB",
             (FONT, crafted.font_most_points, checks.Screens(logo, splash))),
            ("the slowest bitmap font that passes, 1024 index records",
             (FONT, crafted.font_most_bitmap_lookups, checks.Screens(logo, splash))),
        ]
        figures = {}

        def run(case):
            file, maker, screens = case
            figures[maker] = {}
            run_hostile(self, lambda run_dir: maker(run_dir / file), screens, figures[maker],
                        timed=False)

        runs.run_side_by_side(self, cases, run, workers=2)
        for name, (_, maker, _) in cases:
            measured = figures.get(maker, {})
            if "peak" not in measured:
                continue
            print("%s: %s" % (name, ", ".join("%s %.4g" % item for item in measured.items())))
            with self.subTest(case=name):
                self.assertLessEqual(measured["peak"], PEAK_LIMIT_KIB, "KiB at the most")
                self.assertLessEqual(measured["growth"], GROWTH_LIMIT_KIB, "KiB grown on the menu")
                self.assertLessEqual(measured["ending"], ENDING_LIMIT, "s from Q to the end")
                self.assertLessEqual(measured["quit"], QUIT_LIMIT, "s from Y to the end")
                if PRESENT_SHIM:
                    self.assertLessEqual(measured.get("period", 1e9), PERIOD_LIMIT_MS,
                                         "ms between menu frames")


def question_alone(logo, splash):
    """The screens when the font draws the quit question but not the menu's lines."""
    screens = checks.Screens(logo, splash, False)
    screens.confirm = checks.Screens(logo, splash).confirm
    return screens


class CraftedFiles(unittest.TestCase):
    """One crafted file of each kind that the libraries mishandle, in its place."""

    def test_crafted_files_are_treated_as_missing(self):
        runs.run_side_by_side(self, crafted_cases(), test_faults.run_case, workers=4)


class OneOfEachKind(unittest.TestCase):
    """A crafted file of each kind and a missing file: the runs that show another build of the
    program, the web page's, treating them as this one does."""

    NAMES = ("splash of bit depth 2056", "logo sound at 1 Hz", "music at 1 Hz",
             "font of height 0 or less")

    def test_each_kind_is_treated_as_in_the_desktop_build(self):
        logo = checks.load_bitmap(runs.DATA / LOGO)
        splash = checks.load_bitmap(runs.DATA / SPLASH)
        cases = [(name, case) for name, case in crafted_cases() if name in self.NAMES]
        self.assertEqual(len(cases), len(self.NAMES))
        cases.append(("font missing", test_faults.Case(lambda run_dir: (run_dir / FONT).unlink(),
                                                       logo, splash, text=False)))
        runs.run_side_by_side(self, cases, test_faults.run_case, workers=2)


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
        ("font of bitmaps made of two of the next, 94 levels deep",
         Case(put(FONT, crafted.font_compound_bitmaps), logo, splash, text=False)),
    ]


if __name__ == "__main__":
    runs.main()
