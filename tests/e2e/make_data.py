#!/usr/bin/python3
"""Makes the data set of the end-to-end runs: the five files that quorvane reads, chosen so that
what the program shows and plays can be told apart exactly.

- graph/quorspla.bmp: seeded random colours, so that any shift, scale or format slip shows.
- graph/splash.bmp: colours that are never grey (red differs from green everywhere), so that the
  menu's white-on-black text boxes differ from it in every pixel they cover.
- snd/quor.wav: a one-second rising sweep, 16-bit stereo at the mixer's own 22050 Hz.
- snd/menumusic.ogg: a 1.5-second falling sweep with a pulse, so that it has one clear start.
- Adore64.ttf: every printable character is one box filling its whole cell, with metrics on
  whole pixels at 12 and 16 points: a text box starts with lit pixels in its top-left corner.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import os
import subprocess
import sys
import tempfile
import wave

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from box_font import make_box_font  # noqa: E402

RATE = 22050
UNITS_PER_EM = 1024
QUARTER = UNITS_PER_EM // 4  # 3 pixels at 12 points, 4 at 16 (72 dpi)


def make_logo(path):
    rng = np.random.default_rng(20240101)
    pixels = rng.integers(0, 256, (480, 640, 3), dtype=np.uint8)
    Image.fromarray(pixels, "RGB").save(path)


def make_splash(path):
    y, x = np.mgrid[0:480, 0:640]
    red = 40 + (x * 160 // 640)
    green = red + 30 + (y * 20 // 480)
    blue = 60 + ((x + y) % 120)
    pixels = np.stack([red, green, blue], axis=-1).astype(np.uint8)
    Image.fromarray(pixels, "RGB").save(path)


def sweep(seconds, start_hz, end_hz):
    t = np.arange(int(RATE * seconds)) / RATE
    rate = (end_hz - start_hz) / seconds
    return np.sin(2 * np.pi * (start_hz * t + rate * t * t / 2))


def write_wav(path, left, right):
    frames = np.stack([left, right], axis=-1)
    samples = np.round(frames * 32767).astype("<i2")
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(samples.tobytes())


def make_logo_sound(path):
    tone = sweep(1.0, 300, 3000)
    fade = np.minimum(1, np.minimum(np.arange(tone.size), tone.size - np.arange(tone.size)) / 200)
    write_wav(path, 0.4 * tone * fade, 0.25 * tone * fade)


def make_music(path):
    tone = sweep(1.5, 1800, 200)
    pulse = 0.5 + 0.5 * np.cos(2 * np.pi * 3 * np.arange(tone.size) / RATE)
    with tempfile.TemporaryDirectory() as scratch:
        wav_path = os.path.join(scratch, "music.wav")
        write_wav(wav_path, 0.3 * tone * pulse, 0.3 * tone * (1 - pulse))
        subprocess.run(["oggenc", "-Q", "-q", "6", "-o", path, wav_path], check=True)


def make_font(path):
    make_box_font(path, "Cells", UNITS_PER_EM, 2 * QUARTER, (0, -QUARTER, 2 * QUARTER, 4 * QUARTER),
                  4 * QUARTER, QUARTER)


def main():
    out_dir = sys.argv[1]
    os.makedirs(os.path.join(out_dir, "graph"), exist_ok=True)
    os.makedirs(os.path.join(out_dir, "snd"), exist_ok=True)
    make_logo(os.path.join(out_dir, "graph", "quorspla.bmp"))
    make_splash(os.path.join(out_dir, "graph", "splash.bmp"))
    make_logo_sound(os.path.join(out_dir, "snd", "quor.wav"))
    make_music(os.path.join(out_dir, "snd", "menumusic.ogg"))
    make_font(os.path.join(out_dir, "Adore64.ttf"))


if __name__ == "__main__":
    main()
