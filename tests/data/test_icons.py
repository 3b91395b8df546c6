"""Checks the committed application icons: PNGs of their folders' sizes, and the Windows icon
with the same pictures at its own sizes; crisp pixel art in the logo's colours on a transparent
square."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import os
import struct
import unittest

import numpy as np
from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SIZES = (16, 32, 48, 64, 128, 256)
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
WINDOWS_ICON = os.path.join(ROOT, "dist", "windows", "quorvane.ico")
WINDOWS_SIZES = (16, 24, 32, 48, 256)


def icon_path(size):
    """The committed icon of a size, as the icon theme lays it out."""
    return os.path.join(ROOT, "dist", "icons", "hicolor", "%dx%d" % (size, size), "apps",
                        "org.quorvane.Quorvane.png")


def chunk_types(data):
    """The types of a PNG's chunks, in file order."""
    types, at = [], len(PNG_SIGNATURE)
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        types.append(kind.decode("ascii"))
        at += 12 + length
    return types


class IconTest(unittest.TestCase):
    """Decodes each icon with PIL and looks at its pixels."""

    @classmethod
    def setUpClass(cls):
        with Image.open(os.path.join(ROOT, "graph", "quorspla.bmp")) as logo:
            pixels = np.asarray(logo.convert("RGB")).reshape(-1, 3)
        cls.logo_colours = set(map(tuple, np.unique(pixels, axis=0).tolist()))

    def test_each_size(self):
        for size in SIZES:
            with self.subTest(size=size):
                with open(icon_path(size), "rb") as source:
                    data = source.read()
                self.assertTrue(data.startswith(PNG_SIGNATURE))
                # Ancillary chunks (time stamps, text, gamma) would make the
                # bytes depend on more than the pixels.
                self.assertEqual(chunk_types(data), ["IHDR", "IDAT", "IEND"])

                with Image.open(icon_path(size)) as image:
                    self.assertEqual(image.format, "PNG")
                    self.assertEqual(image.mode, "RGBA")
                    self.assertEqual(image.size, (size, size))
                    self.check_pixels(np.asarray(image))

    def test_windows_icon_holds_the_same_pictures_at_its_sizes(self):
        with open(WINDOWS_ICON, "rb") as source:
            data = source.read()
        reserved, kind, count = struct.unpack_from("<HHH", data)
        self.assertEqual((reserved, kind, count), (0, 1, len(WINDOWS_SIZES)))
        for index, size in enumerate(WINDOWS_SIZES):
            with self.subTest(size=size):
                width, height, colours, _, planes, bits, length, offset = struct.unpack_from(
                    "<BBBBHHII", data, 6 + 16 * index)
                self.assertEqual((width or 256, height or 256, colours, planes, bits),
                                 (size, size, 0, 1, 32))
                image = data[offset:offset + length]
                with Image.open(WINDOWS_ICON) as icon:
                    pixels = np.asarray(icon.ico.getimage((size, size)).convert("RGBA"))
                self.assertEqual(pixels.shape, (size, size, 4))
                self.check_pixels(pixels)
                if size in SIZES:
                    with Image.open(icon_path(size)) as drawn:
                        self.assertTrue(np.array_equal(pixels, np.asarray(drawn)),
                                        "not the picture of the %d pixel PNG" % size)
                if image.startswith(PNG_SIGNATURE):
                    continue
                # Readers that draw by the 1-bit mask (older Windows, some of Explorer's
                # views) take its set bits as transparent: exactly the transparent pixels.
                self.assertEqual(struct.unpack_from("<IiiHH", image), (40, size, 2 * size, 1, 32))
                row = (size + 31) // 32 * 4
                mask = np.unpackbits(np.frombuffer(image[40 + 4 * size * size:], np.uint8)
                                     .reshape(size, row), axis=1)[::-1, :size]
                self.assertTrue(np.array_equal(mask == 1, pixels[..., 3] == 0))

    def check_pixels(self, pixels):
        """An icon's RGBA pixels: pixel art in the logo's colours, filling the square but for a
        small margin, with transparent corners."""
        size = pixels.shape[0]
        alpha = pixels[..., 3]
        last = size - 1
        for y, x in ((0, 0), (0, last), (last, 0), (last, last)):
            self.assertEqual(alpha[y, x], 0, "corner (%d, %d) not transparent" % (x, y))
        # Pixel art: every pixel fully drawn or not at all (a blurred
        # or resampled picture has partial alpha and blended colours).
        self.assertEqual(set(np.unique(alpha).tolist()), {0, 255})
        colours = set(map(tuple, pixels[alpha == 255][:, :3].tolist()))
        self.assertLessEqual(colours, self.logo_colours, "colours that the logo does not have")

        # The emblem fills the square but for a small margin.
        rows = np.flatnonzero(alpha.any(axis=1))
        cols = np.flatnonzero(alpha.any(axis=0))
        margins = (rows[0], cols[0], last - rows[-1], last - cols[-1])
        self.assertLessEqual(max(margins), size // 16, "margins %s" % (margins,))


if __name__ == "__main__":
    unittest.main()
