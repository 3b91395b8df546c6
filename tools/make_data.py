#!/usr/bin/python3
"""Writes Quorvane's data files: the font, both bitmaps, the logo sound, the
menu music and the application icons, the Windows icon among them.  Every run
gives byte-identical files.

    /usr/bin/python3 tools/make_data.py [--out DIR]

DIR defaults to the repository root, the program's run directory.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from quordata import (bmp, chime, font, icon, ico, logo,  # noqa: E402
                      music, png, splash)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUTS = [
    ("Adore64.ttf", font.build_font),
    ("graph/quorspla.bmp", lambda: bmp.encode_bmp(logo.build_logo())),
    ("graph/splash.bmp", lambda: bmp.encode_bmp(splash.build_splash())),
    ("snd/quor.wav", chime.build_chime),
    ("snd/menumusic.ogg", music.build_music),
] + [
    (icon.icon_path(size),
     lambda size=size: png.encode_png(icon.build_icon(size)))
    for size in icon.SIZES
] + [
    (icon.WINDOWS_ICON, lambda: ico.encode_ico(
        [icon.build_icon(size) for size in icon.WINDOWS_SIZES])),
]


def main(argv=None):
    """Build every file into the output directory."""
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=ROOT,
                        help="directory to write into (default: %(default)s)")
    args = parser.parse_args(argv)
    width = max(len(name) for name, _ in OUTPUTS)
    for name, build in OUTPUTS:
        path = os.path.join(args.out, name)
        os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
        data = build()
        with open(path, "wb") as out:
            out.write(data)
        print("%-*s %8d bytes" % (width, name, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
