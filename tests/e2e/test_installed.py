#!/usr/bin/python3
"""The installed game, played through its launcher from an empty working directory: once from a
`cmake --install` tree staged with DESTDIR, once from the Debian package unpacked with dpkg-deb.
The logo and the menu show as with the repository's data files, Q then Y ends the run with
status 0, and nothing is printed or written. Without its data folder the launcher says so in
one line and ends with status 1.

    test_installed.py Staged     needs QUORVANE_BUILD_DIR (a build folder to install from)
    test_installed.py Package    needs QUORVANE_DEB (the package)

CMAKE_COMMAND names the cmake that installs (default: cmake on the PATH).
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import checks
import runs
import xharness
from xharness import Program, XServer

LAUNCHER = "usr/games/quorvane"
DATA_DIR = "usr/share/games/quorvane"


def setting(name):
    value = os.environ.get(name)
    if not value:
        raise unittest.SkipTest("%s is not set" % name)
    return Path(value)


class InstalledRun:
    """The run of one installed tree; `install(root)` lays the tree out under root."""

    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="quorvane-installed-"))
        self.addCleanup(shutil.rmtree, self.scratch, ignore_errors=True)
        self.root = self.scratch / "root"
        self.install(self.root)

    def launcher(self):
        return self.root / LAUNCHER

    def test_logo_and_menu_show_q_then_y_ends_with_status_zero_and_nothing_is_written(self):
        # The project's data files draw the texts a few pixels inside their boxes.
        screens = checks.Screens.of(xharness.REPO, slack=8)
        work = self.scratch / "work"
        work.mkdir()
        data_before = runs.snapshot(self.root / DATA_DIR)
        with XServer() as server, Program(server, work, exe=self.launcher()) as program:
            program.wait_window(20)
            program.wait_picture(screens.logo, 10)
            program.wait_picture(screens.menu, 10, allowed=screens.logo)
            program.key("q")
            program.wait_picture(screens.confirm, 5, allowed=screens.menu)
            program.key("y")
            self.assertEqual(program.wait(10), 0)
            self.assertEqual(program.stdout(), "")
            self.assertEqual(program.stderr(), "")
        self.assertEqual(list(work.iterdir()), [], "the game wrote into its working directory")
        self.assertEqual(runs.snapshot(self.root / DATA_DIR), data_before,
                         "the game changed its data folder")

    def test_launcher_without_its_data_folder_says_so_in_one_line_and_ends_with_status_one(self):
        shutil.rmtree(self.root / DATA_DIR)
        done = subprocess.run([str(self.launcher())], cwd=self.scratch, capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, timeout=10)
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stdout, "")
        self.assertRegex(done.stderr, r"^quorvane: cannot find the game's data folder %s[^\n]*\n$"
                         % (self.root / DATA_DIR))


class Staged(InstalledRun, unittest.TestCase):
    def install(self, root):
        cmake = os.environ.get("CMAKE_COMMAND", "cmake")
        subprocess.run([cmake, "--install", str(setting("QUORVANE_BUILD_DIR")), "--prefix",
                        "/usr"], env=dict(os.environ, DESTDIR=str(root)), check=True,
                       stdout=subprocess.DEVNULL)


class Package(InstalledRun, unittest.TestCase):
    """The unpacked package, started through a symbolic link as from a folder on the PATH."""

    def install(self, root):
        subprocess.run(["dpkg-deb", "-x", str(setting("QUORVANE_DEB")), str(root)], check=True)

    def launcher(self):
        link = self.scratch / "bin" / "quorvane"
        if not link.is_symlink():
            link.parent.mkdir()
            link.symlink_to(os.path.relpath(self.root / LAUNCHER, link.parent))
        return link


if __name__ == "__main__":
    runs.main()
