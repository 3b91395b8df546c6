#!/usr/bin/python3
"""The installed game, played through its launcher from an empty working directory: once from a
`cmake --install` tree staged with DESTDIR, in the layout that the build folder's install
variables choose, once from the Debian package unpacked with dpkg-deb. The logo and the menu show
as with the repository's data files, Q then Y ends the run with status 0, and nothing is printed
or written. The window's class is the desktop entry's StartupWMClass on classic SDL 1.2 and on
sdl12-compat. Without its data folder the launcher says so in one line and ends with status 1.

The Windows build's zip, unpacked, and its installer, installed silently into the Wine prefix
(both under Wine, see xharness.py): the game is played from its own folder, the installer's from
its Start menu shortcut's working folder, and is heard too; its window shows the game's icon; the
uninstaller leaves nothing.

    test_installed.py Staged     needs QUORVANE_BUILD_DIR (a build folder to install from, in
                                 the layout of its install variables)
    test_installed.py Package    needs QUORVANE_DEB (the package)
    test_installed.py Zip        needs QUORVANE_ZIP (the zip) and QUORVANE_WINE
    test_installed.py Installer  needs QUORVANE_INSTALLER (the installer), QUORVANE_ZIP,
                                 QUORVANE_WINE and WINEPREFIX

CMAKE_COMMAND names the cmake that installs (default: cmake on the PATH).
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import contextlib
import os
import re
import shutil
import struct
import subprocess
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

import numpy as np
from PIL import Image

import checks
import runs
import xharness
from xharness import Program, XServer

# The Debian games layout, the package's: the launcher and the data folder under the root.
LAUNCHER = "usr/games/quorvane"
DATA_DIR = "usr/share/games/quorvane"
DESKTOP_ENTRY = "usr/share/applications/org.quorvane.Quorvane.desktop"
# The Windows program's folder in the zip, and the installer's names and places.
WINDOWS_FOLDER = "quorvane-%s-win64"
INSTALL_NAME = "Quorvane"
UNINSTALLER = "Uninstall.exe"
START_MENU = "ProgramData/Microsoft/Windows/Start Menu/Programs"
REGISTRY_KEYS = (r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane",
                 r"HKLM\Software\The Quorvane developers\Quorvane")
# The icon that the Windows program carries, with a picture for each of its sizes.
WINDOWS_ICON = xharness.REPO / "dist/windows/quorvane.ico"


def setting(name):
    value = os.environ.get(name)
    if not value:
        raise unittest.SkipTest("%s is not set" % name)
    return Path(value)


def play(test, work, exe, data, env=None, record=False, server=None):
    """Plays the installed game `exe` from the working folder `work` through the logo, the menu,
    Q and Y: each screen as with the repository's data files, status 0, nothing printed, nothing
    written into `work` or the data folder `data`, and with `record`, the logo sound and the
    music heard. The run has an X server of its own unless given `server`."""
    # The project's data files draw the texts a few pixels inside their boxes.
    screens = checks.Screens.of(xharness.REPO, slack=8)
    work_before = runs.snapshot(work)
    data_before = runs.snapshot(data)
    with contextlib.ExitStack() as stack:
        server = server or stack.enter_context(XServer())
        program = stack.enter_context(Program(server, work, env=env, exe=exe, record=record))
        program.wait_window(20)
        if xharness.WINE:
            check_window_icon(test, program)
        program.wait_picture(screens.logo, 10)
        program.wait_picture(screens.menu, 10, allowed=screens.logo)
        program.key("q")
        program.wait_picture(screens.confirm, 5, allowed=screens.menu)
        # Long enough on the confirmation for the music to have been heard by now.
        time.sleep(0.5 if record else 0)
        program.key("y")
        test.assertEqual(program.wait(10), 0)
        test.assertEqual(program.stdout(), "")
        test.assertEqual(program.own_stderr(), "")
        if record:
            recording = program.recording().astype(float)
            for sound in (checks.read_wav(xharness.REPO / "snd/quor.wav"),
                          checks.decode_ogg(xharness.REPO / "snd/menumusic.ogg")):
                at, score = checks.find_sound(recording, sound, checks.RATE)
                test.assertIsNotNone(at, "a sound is not heard (best match %.2f)" % score)
    test.assertEqual(runs.snapshot(work), work_before, "the game wrote into its working folder")
    test.assertEqual(runs.snapshot(data), data_before, "the game changed its data folder")


def check_window_icon(test, program):
    """Under Wine, the window shows the program's icon: every picture of its _NET_WM_ICON is the
    picture of that size in the committed icon, as SDL's window class takes it from the icon
    resource named SDL_app. Without that resource Wine gives the window its own icon, a wine
    glass."""
    with Image.open(WINDOWS_ICON) as icon:
        pictures = {size[0]: np.asarray(icon.ico.getimage(size).convert("RGBA"))
                    for size in icon.ico.sizes()}
    deadline = time.monotonic() + 5
    while not (found := program.wm_icons()):
        test.assertLess(time.monotonic(), deadline, "the window has no icon")
        time.sleep(0.1)
    for picture in found:
        height, width, _ = picture.shape
        test.assertEqual(width, height, "a window icon of %d by %d" % (width, height))
        test.assertIn(width, pictures, "a window icon of a size that the program's has not")
        test.assertTrue(np.array_equal(picture, pictures[width]),
                        "the window's icon of %d pixels is not the game's" % width)


class InstalledRun:
    """The run of one installed tree; `install(root)` lays the tree out under root and may set
    where the launcher and the data folder lie in it."""

    launcher_in_tree = LAUNCHER
    data_in_tree = DATA_DIR

    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="quorvane-installed-"))
        self.addCleanup(shutil.rmtree, self.scratch, ignore_errors=True)
        self.root = self.scratch / "root"
        self.install(self.root)
        self.data = self.root / self.data_in_tree
        self.work = self.scratch / "work"
        self.work.mkdir()

    def launcher(self):
        return self.root / self.launcher_in_tree

    def test_logo_and_menu_show_q_then_y_ends_with_status_zero_and_nothing_is_written(self):
        play(self, self.work, self.launcher(), self.data)

    def test_the_window_class_is_the_desktop_entry_s_startup_wm_class_on_either_sdl_build(self):
        entry = (self.root / DESKTOP_ENTRY).read_text()
        startup = re.search(r"^StartupWMClass=(.*)$", entry, re.MULTILINE)
        self.assertIsNotNone(startup, "the desktop entry has no StartupWMClass")
        for build, env in runs.sdl_builds().items():
            # A class in the caller's environment would be kept: none here.
            with self.subTest(build=build), XServer() as server, Program(
                    server, self.work, env=dict(env(), SDL_VIDEO_X11_WMCLASS=None),
                    exe=self.launcher()) as program:
                program.wait_window(20)
                # Docks match StartupWMClass to the class, some to the name: both must be it.
                self.assertEqual(program.wm_class(), (startup[1], startup[1]))

    def test_launcher_without_its_data_folder_says_so_in_one_line_and_ends_with_status_one(self):
        shutil.rmtree(self.data)
        done = subprocess.run([str(self.launcher())], cwd=self.scratch, capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, timeout=10)
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stdout, "")
        self.assertRegex(done.stderr, r"^quorvane: cannot find the game's data folder %s[^\n]*\n$"
                         % self.data)


def cache_value(build_dir, name):
    """The value of a variable in a build folder's CMake cache."""
    for line in (build_dir / "CMakeCache.txt").read_text().splitlines():
        if line.startswith(name + ":"):
            return line.split("=", 1)[1]
    raise AssertionError("%s is not in the cache of %s" % (name, build_dir))


class Staged(InstalledRun, unittest.TestCase):
    """The build folder installed under /usr, in the layout that its install variables choose."""

    def install(self, root):
        build_dir = setting("QUORVANE_BUILD_DIR")
        cmake = os.environ.get("CMAKE_COMMAND", "cmake")
        subprocess.run([cmake, "--install", str(build_dir), "--prefix", "/usr"],
                       env=dict(os.environ, DESTDIR=str(root)), check=True,
                       stdout=subprocess.DEVNULL)
        self.launcher_in_tree = "usr/%s/quorvane" % cache_value(build_dir,
                                                                "QUORVANE_INSTALL_GAMESDIR")
        self.data_in_tree = "usr/" + cache_value(build_dir, "QUORVANE_INSTALL_GAMEDATADIR")


class Package(InstalledRun, unittest.TestCase):
    """The unpacked package, started through a symbolic link as from a folder on the PATH."""

    def install(self, root):
        subprocess.run(["dpkg-deb", "-x", str(setting("QUORVANE_DEB")), str(root)], check=True)

    def launcher(self):
        link = self.scratch / "bin" / "quorvane"
        if not link.is_symlink():
            link.parent.mkdir()
            link.symlink_to(os.path.relpath(self.root / self.launcher_in_tree, link.parent))
        return link


# --- the Windows build under Wine ---------------------------------------------------------------

# The environment of the installed game's runs: without the build's libraries on Wine's search
# path, so that the game finds its DLLs where it was installed or not at all.
INSTALLED_ENV = {"WINEPATH": None}


def wine(server, *args, timeout=120):
    """Runs a Windows program under Wine on `server`, as the installed game runs; returns its exit
    status. Every program of the session runs with a display: the first to need Wine's desktop
    starts it on its own display, or on none, and the session's later windows live on it. Nothing
    it prints is kept: Wine's services, should they start now, would keep a pipe open."""
    env = dict(os.environ, **server.env)
    env.pop("WINEPATH", None)
    return subprocess.run([xharness.WINE] + list(args), env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout).returncode


def unix_path(windows_path):
    """Where a path of the Wine prefix's drives lies on this machine."""
    drive, rest = windows_path.split(":", 1)
    base = (Path(os.environ["WINEPREFIX"]) / "dosdevices" / (drive.lower() + ":")).resolve()
    return base.joinpath(*[part for part in rest.split("\\") if part])


def read_shortcut(path):
    """The target and the working folder of a Windows shortcut, read from its link information
    and its strings (the Shell Link format, MS-SHLLINK): (target, working folder), None for
    either that it does not hold."""
    data = Path(path).read_bytes()
    flags = struct.unpack_from("<I", data, 20)[0]
    offset = struct.unpack_from("<I", data, 0)[0]  # the header's size
    if flags & 0x01:  # a list of item ids, skipped
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    target = None
    if flags & 0x02:  # the link information, with the target's local path
        size, _, info_flags, _, base = struct.unpack_from("<5I", data, offset)
        if info_flags & 0x01:
            start = offset + base
            target = data[start:data.index(b"\0", start)].decode("latin-1")
        offset += size
    strings = []
    width = 2 if flags & 0x80 else 1
    for bit in (0x04, 0x08, 0x10):  # name, relative path, working folder
        if flags & bit:
            count = struct.unpack_from("<H", data, offset)[0]
            raw = data[offset + 2:offset + 2 + count * width]
            # Wine counts a terminating zero in, which the format leaves out.
            strings.append(raw.decode("utf-16-le" if width == 2 else "latin-1").rstrip("\0"))
            offset += 2 + count * width
        else:
            strings.append(None)
    return target, strings[2]


def zip_folder(zip_path):
    """The zip's one folder, named after the zip, and the files in it: {relative path: bytes}."""
    folder = Path(zip_path).stem + "/"
    with zipfile.ZipFile(zip_path) as archive:
        names = [name for name in archive.namelist() if not name.endswith("/")]
        outside = [name for name in names if not name.startswith(folder)]
        if outside:
            raise AssertionError("the zip holds files outside %s: %s" % (folder, outside))
        return {name[len(folder):]: archive.read(name) for name in names}


def tree(folder):
    """The files under a folder: {relative path: bytes}."""
    return {path.relative_to(folder).as_posix(): path.read_bytes()
            for path in Path(folder).rglob("*") if path.is_file()}


def windows_build():
    if not xharness.WINE:
        raise unittest.SkipTest("QUORVANE_WINE is not set")


class Zip(unittest.TestCase):
    """The zip, unpacked into a new folder and played from its own folder."""

    def test_played_from_its_folder_it_shows_and_plays_as_the_linux_build_and_writes_nothing(self):
        windows_build()
        files = zip_folder(setting("QUORVANE_ZIP"))
        with tempfile.TemporaryDirectory(prefix="quorvane-zip-") as scratch:
            folder = Path(scratch) / "unpacked"
            with zipfile.ZipFile(setting("QUORVANE_ZIP")) as archive:
                archive.extractall(folder)
            folder = folder / Path(setting("QUORVANE_ZIP")).stem
            self.assertEqual(tree(folder).keys(), files.keys())
            play(self, folder, folder / "quorvane.exe", folder, INSTALLED_ENV, record=True)


class Installer(unittest.TestCase):
    """The installer, run silently into the Wine prefix: it installs what the zip holds and an
    uninstaller, with a Start menu shortcut that starts the game in its folder and an uninstall
    entry that shows the game's icon; the uninstaller leaves no file, folder, shortcut or
    registry key of it behind."""

    def setUp(self):
        windows_build()
        self.installer = setting("QUORVANE_INSTALLER")
        self.files = zip_folder(setting("QUORVANE_ZIP"))
        self.drive = setting("WINEPREFIX") / "drive_c"
        self.shortcuts = self.drive / START_MENU / INSTALL_NAME
        self.server = self.enterContext(XServer())
        self.scratch = Path(self.enterContext(tempfile.TemporaryDirectory(
            prefix="quorvane-installer-")))
        # What a run that failed half-way left would make the installer uninstall it first: gone.
        for leftover in (self.drive / "Program Files" / INSTALL_NAME, self.drive / "Games",
                         self.shortcuts):
            shutil.rmtree(leftover, ignore_errors=True)
        for key in REGISTRY_KEYS:
            if wine(self.server, "reg", "query", key) == 0:
                wine(self.server, "reg", "delete", key, "/f")

    def test_installs_into_program_files_plays_from_its_shortcut_and_uninstalls_it_all(self):
        self.install_play_uninstall([], "C:\\Program Files\\" + INSTALL_NAME, and_play=True)

    def test_installs_where_slash_d_says_and_uninstalls_it_all(self):
        # A folder of the player's, which stays.
        (self.drive / "Games").mkdir()
        # NSIS takes /D= only unquoted, which Wine does to an argument with spaces.
        where = "C:\\Games\\Quorvane"
        self.install_play_uninstall(["/D=" + where], where, and_play=False)
        self.assertEqual(list((self.drive / "Games").iterdir()), [])

    def install_play_uninstall(self, options, folder, and_play):
        installed = unix_path(folder)
        self.assertEqual(wine(self.server, str(self.installer), "/S", *options), 0)
        expected = dict(self.files)
        expected[UNINSTALLER] = tree(installed).get(UNINSTALLER)
        self.assertIsNotNone(expected[UNINSTALLER], "no uninstaller")
        self.assertEqual(tree(installed).keys(), expected.keys())
        self.assertTrue(tree(installed) == expected, "the installed files differ from the zip's")
        self.assertEqual(sorted(path.name for path in self.shortcuts.iterdir()),
                         ["Quorvane.lnk", "Uninstall.lnk"])
        target, working = read_shortcut(self.shortcuts / "Quorvane.lnk")
        self.assertEqual(target.lower(), (folder + "\\quorvane.exe").lower())
        self.assertEqual(working.lower(), folder.lower())
        for key in REGISTRY_KEYS:
            self.assertEqual(wine(self.server, "reg", "query", key), 0, key)
        # The uninstall entry shows the icon of the file that its DisplayIcon names.
        entry = self.scratch / "entry.reg"
        self.assertEqual(wine(self.server, "reg", "export", REGISTRY_KEYS[0],
                              xharness.program_path(entry), "/y"), 0)
        icon = re.search(r'^"DisplayIcon"="(.*)"\r?$', entry.read_text("utf-16"), re.MULTILINE)
        self.assertIsNotNone(icon, "the uninstall entry has no DisplayIcon")
        self.assertEqual(icon[1].replace("\\\\", "\\").lower(),
                         (folder + "\\quorvane.exe").lower())
        if and_play:
            play(self, unix_path(working), unix_path(target), installed, INSTALLED_ENV,
                 record=True, server=self.server)

        # The uninstaller copies itself away and runs from there, so its own run ends at once.
        self.assertEqual(wine(self.server, str(installed / UNINSTALLER), "/S"), 0)
        deadline = time.monotonic() + 60
        while installed.exists() or self.shortcuts.exists():
            self.assertLess(time.monotonic(), deadline, "still there after 60 s: %s"
                            % [str(p) for p in (installed, self.shortcuts) if p.exists()])
            time.sleep(0.2)
        for key in REGISTRY_KEYS:
            self.assertNotEqual(wine(self.server, "reg", "query", key), 0, key)


if __name__ == "__main__":
    runs.main()
