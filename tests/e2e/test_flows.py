#!/usr/bin/python3
"""End-to-end flows beyond the typical run: the ways to end the program from each screen (Escape,
the window's close request, SIGTERM) and how keys act (a held key acts once, Shift+S starts the
game, and Q, S, Y and N do nothing on the game screen)."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import unittest

import checks
import runs
from xharness import Program, XServer

# Keys from the menu to each screen that can be closed, and the screen reached.
ROUTES = {"menu": ((), "menu"), "game screen": (("s",), "game"),
          "quit confirmation": (("q",), "confirm")}
# Long enough for the X server's key repeat to start (it waits 660 ms, then repeats 25 a second).
HOLD = 1.5


class Ending(unittest.TestCase):
    def test_close_requests_and_escape_end_the_run_with_status_zero(self):
        cases = [("%s on the %s" % (how, screen), (screen, how))
                 for screen in ROUTES for how in ("WM_DELETE_WINDOW", "SIGTERM")]
        cases.append(("Escape on the quit confirmation", ("quit confirmation", "Escape")))
        cases.append(("WM_DELETE_WINDOW on the logo", ("logo", "WM_DELETE_WINDOW")))
        runs.run_side_by_side(self, cases, self._end)

    def _end(self, case):
        where, how = case
        screens = checks.Screens.of(runs.DATA)
        with runs.run_directory() as run_dir, XServer() as server, \
                Program(server, run_dir, env=runs.compat_env()) as program:
            before = runs.snapshot(run_dir)
            program.wait_window(20)
            if where == "logo":
                program.wait_picture(screens.logo, 10)
                logo_seen = program.elapsed()
            else:
                keys, screen = ROUTES[where]
                program.wait_picture(screens.menu, 10)
                for key in keys:
                    program.key(key)
                program.wait_picture(getattr(screens, screen), 5)
            if how == "WM_DELETE_WINDOW":
                program.close_request()
            elif how == "SIGTERM":
                program.terminate()
            else:
                program.key(how)
            status = program.wait(10)
            if where == "logo":
                # A close request during the logo waits until the logo has been held.
                self.assertGreater(program.elapsed() - logo_seen, 2.6)
            assert status == 0, "status %d" % status
            assert program.stdout() == "", program.stdout()
            assert program.stderr() == "", program.stderr()
            assert runs.snapshot(run_dir) == before, "the program changed its files"


class Keys(unittest.TestCase):
    def setUp(self):
        self.screens = checks.Screens.of(runs.DATA)

    def _stays(self, program, check, seconds=0.5):
        """Every capture for `seconds` passes `check`, and the program keeps running."""
        deadline = program.elapsed() + seconds
        while program.elapsed() < deadline:
            reason = check(program.capture())
            self.assertIsNone(reason)
        self.assertTrue(program.running())

    def _go(self, program, key, screen, before):
        program.key(key)
        program.wait_picture(getattr(self.screens, screen), 5,
                             allowed=getattr(self.screens, before))

    def _hold(self, program, key, screen, before):
        program.key_down(key)
        program.wait_picture(getattr(self.screens, screen), 5,
                             allowed=getattr(self.screens, before))
        self._stays(program, getattr(self.screens, screen), HOLD)
        program.key_up(key)
        self._stays(program, getattr(self.screens, screen))

    def test_keys_act_once_each_and_only_where_they_belong(self):
        screens = self.screens
        with runs.run_directory() as run_dir, XServer() as server, \
                Program(server, run_dir, env=runs.compat_env()) as program:
            program.wait_window(20)
            program.wait_picture(screens.menu, 10)

            # Shift+S starts the game just as S does.
            self._go(program, "shift+s", "game", "menu")

            # Q, S, Y and N do nothing on the game screen.
            for key in ("q", "s", "y", "n", "shift+q"):
                program.key(key)
                self._stays(program, screens.game)

            # Held down, Escape acts once: from the game to the menu (not on to the quit
            # confirmation), and from the menu to the quit confirmation (not on to the end).
            self._hold(program, "Escape", "menu", "game")
            self._hold(program, "Escape", "confirm", "menu")
            # N held on the confirmation brings one menu, whose Q leads back to the confirmation.
            self._hold(program, "n", "menu", "confirm")
            self._go(program, "q", "confirm", "menu")

            program.key("y")
            self.assertEqual(program.wait(10), 0)
            self.assertEqual(program.stdout() + program.stderr(), "")


if __name__ == "__main__":
    runs.main()
