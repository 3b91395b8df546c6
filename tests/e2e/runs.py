"""Settings and helpers shared by the end-to-end suites: which data set, which SDL build, how
much slower a run is allowed to be, fresh run directories, and cases run side by side.

Settings come from the environment (CMake passes them to each test):
  QUORVANE_E2E_DATA       the data set to copy into each run directory
  QUORVANE_E2E_DATA_KIND  "own" for the tests' own data set (exact checks), "project" otherwise
  QUORVANE_SDL12_COMPAT   folder holding sdl12-compat's libSDL-1.2.so.0; runs then use it
  QUORVANE_SDL12_COMPAT_LIB  the same folder for the tests that try both SDL 1.2 builds
  QUORVANE_E2E_VALGRIND   "1" runs the program under valgrind's memcheck
  QUORVANE_SCREENSHOTS    folder to write PNG captures of the four screens to
  QUORVANE_E2E_NATIVE     the native build's program, whose screens the browser's runs compare with
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import os
import shutil
import sys
import tempfile
import traceback
import unittest
from concurrent.futures import ThreadPoolExecutor
from contextlib import contextmanager
from pathlib import Path

import xharness

DATA = Path(os.environ.get("QUORVANE_E2E_DATA", xharness.REPO / "build/tests/e2e/data"))
OWN_DATA = os.environ.get("QUORVANE_E2E_DATA_KIND", "own") == "own"
COMPAT = os.environ.get("QUORVANE_SDL12_COMPAT", "")
COMPAT_LIB = os.environ.get("QUORVANE_SDL12_COMPAT_LIB", "")
VALGRIND = os.environ.get("QUORVANE_E2E_VALGRIND", "") == "1"
# Factor for every timeout: under valgrind the program runs many times slower.
SLOW = 5 if VALGRIND else 1
SCREENSHOTS = os.environ.get("QUORVANE_SCREENSHOTS", "")
NATIVE = os.environ.get("QUORVANE_E2E_NATIVE", "")
# Milliseconds that the disk audio driver waits after each 4096-frame buffer, so that the mix is
# made in real time: classic SDL plays at the program's 22050 Hz, while SDL 2 under sdl12-compat
# opens the device at 44100 Hz and converts.
DISK_DELAY_MS = 93 if COMPAT else 186
SUPPRESSIONS = xharness.REPO / "tests/sanitizer/valgrind.supp"
DATA_FILES = ("graph/quorspla.bmp", "graph/splash.bmp", "snd/quor.wav", "snd/menumusic.ogg",
              "Adore64.ttf")

# ctest's code for a test that did not apply (see SKIP_RETURN_CODE in CMakeLists.txt).
SKIPPED = 77


def valgrind(log_path):
    """The valgrind command that a run is wrapped in: any memory error or definitely lost block
    makes the program end with status 99; the report goes to `log_path`."""
    return ["valgrind", "--tool=memcheck", "--error-exitcode=99", "--leak-check=full",
            "--errors-for-leak-kinds=definite", "--show-leak-kinds=definite",
            "--fair-sched=yes", "--suppressions=%s" % SUPPRESSIONS, "--log-file=%s" % log_path]


def compat_env(library_dir=None):
    """Environment that makes the program load sdl12-compat instead of classic SDL 1.2; skips the
    calling test when the library is not there."""
    library_dir = library_dir or COMPAT
    if not library_dir:
        return {}
    if not (Path(library_dir) / "libSDL-1.2.so.0").exists():
        raise unittest.SkipTest("sdl12-compat is not available in %s" % library_dir)
    paths = [library_dir] + [p for p in os.environ.get("LD_LIBRARY_PATH", "").split(":") if p]
    return {"LD_LIBRARY_PATH": ":".join(paths)}


def sdl_builds():
    """Each SDL 1.2 build's name and a function that gives a run's environment for it (or skips
    the calling test, or its sub-test, when sdl12-compat is not there)."""
    def sdl12_compat():
        if not COMPAT_LIB:
            raise unittest.SkipTest("sdl12-compat's library was not given "
                                    "(QUORVANE_SDL12_COMPAT_LIB, see tools/sdl12_compat.sh)")
        return compat_env(COMPAT_LIB)
    return {"classic SDL 1.2": dict, "sdl12-compat": sdl12_compat}


@contextmanager
def run_directory(data=None):
    """A temporary run directory holding a copy of the five data files, removed afterwards."""
    scratch = Path(tempfile.mkdtemp(prefix="quorvane-run-"))
    try:
        run_dir = scratch / "run"
        for name in DATA_FILES:
            (run_dir / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(Path(data or DATA) / name, run_dir / name)
        yield run_dir
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def snapshot(directory):
    """What a directory holds: every entry's kind, size and modification time."""
    entries = {}
    for path in sorted(Path(directory).rglob("*")):
        info = path.lstat()
        entries[str(path.relative_to(directory))] = (path.is_dir(), info.st_size,
                                                     info.st_mtime_ns)
    return entries


def run_side_by_side(test, cases, run_case, workers=3):
    """Runs run_case(case) for every (name, case) pair, `workers` at a time, and reports every
    failing case as a sub-test of `test`. Under Wine the runs go one at a time: they share one
    Windows desktop, whose one foreground window takes the keys of every X server, and in a
    browser, whose sound, played as it is mixed, must not wait for another browser's work."""
    if xharness.WINE or xharness.BROWSER:
        workers = 1
    def guarded(item):
        name, case = item
        try:
            run_case(case)
            return name, None
        except Exception:  # reported below, with the case's name
            return name, traceback.format_exc()

    with ThreadPoolExecutor(max_workers=workers) as pool:
        results = list(pool.map(guarded, cases))
    for name, failure in results:
        with test.subTest(case=name):
            if failure:
                test.fail(failure)


def main():
    """Runs the calling module's tests; exits with SKIPPED when every test was skipped."""
    program = unittest.main(exit=False, verbosity=2)
    result = program.result
    if not result.wasSuccessful():
        sys.exit(1)
    # A skipped sub-test (one SDL build of several, say) leaves its test run, not skipped.
    skipped = [test for test, _ in result.skipped if not hasattr(test, "test_case")]
    if result.testsRun and len(skipped) == result.testsRun:
        sys.exit(SKIPPED)
    sys.exit(0)
