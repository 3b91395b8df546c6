"""Checks that tools/make_data.py rebuilds the committed data files exactly."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
GENERATOR = os.path.join(ROOT, "tools", "make_data.py")
FILES = ["Adore64.ttf", "graph/quorspla.bmp", "graph/splash.bmp",
         "snd/quor.wav", "snd/menumusic.ogg"] + [
    "dist/icons/hicolor/%dx%d/apps/org.quorvane.Quorvane.png" % (size, size)
    for size in (16, 32, 48, 64, 128, 256)] + ["dist/windows/quorvane.ico"]


def read(path):
    """The bytes of a file."""
    with open(path, "rb") as source:
        return source.read()


class GeneratorTest(unittest.TestCase):
    """Runs the generator twice into scratch folders."""

    def test_runs_agree_with_each_other_and_the_repository(self):
        with tempfile.TemporaryDirectory() as first, \
                tempfile.TemporaryDirectory() as second:
            for out in (first, second):
                subprocess.run([sys.executable, "-B", GENERATOR, "--out", out],
                               check=True, stdout=subprocess.DEVNULL)
            for name in FILES:
                made = read(os.path.join(first, name))
                self.assertEqual(made, read(os.path.join(second, name)),
                                 name + " differs between two runs")
                self.assertEqual(made, read(os.path.join(ROOT, name)),
                                 name + " differs from the committed file: "
                                 "run tools/make_data.py and commit")


if __name__ == "__main__":
    unittest.main()
