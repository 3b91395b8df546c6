#!/usr/bin/python3
"""Makes the font and the music that the unit tests put in their run directories.

The font draws every printable character as one solid box on a whole-pixel grid at 16 points,
so a test knows exactly which pixels a text covers. The music is a quarter-second tone.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from box_font import make_box_font  # noqa: E402

UNITS_PER_EM = 1024
PIXEL = UNITS_PER_EM // 16  # one screen pixel at 16 points (72 dpi)
ADVANCE = 10 * PIXEL
BOX = (2 * PIXEL, 0, 8 * PIXEL, 10 * PIXEL)  # left, bottom, right, top
ASCENT = 14 * PIXEL
DESCENT = 4 * PIXEL


def make_font(path):
    make_box_font(path, "Boxes", UNITS_PER_EM, ADVANCE, BOX, ASCENT, DESCENT)


def make_music(path):
    rate, seconds = 22050, 0.25
    frames = int(rate * seconds)
    samples = bytearray()
    for n in range(frames):
        value = int(8000 * math.sin(2 * math.pi * 440 * n / rate))
        samples += struct.pack("<hh", value, value)
    with tempfile.TemporaryDirectory() as scratch:
        wav_path = os.path.join(scratch, "tone.wav")
        with wave.open(wav_path, "wb") as out:
            out.setnchannels(2)
            out.setsampwidth(2)
            out.setframerate(rate)
            out.writeframes(bytes(samples))
        subprocess.run(["oggenc", "-Q", "-s", "1", "-o", path, wav_path], check=True)


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    make_font(os.path.join(out_dir, "boxes.ttf"))
    make_music(os.path.join(out_dir, "tone.ogg"))


if __name__ == "__main__":
    main()
