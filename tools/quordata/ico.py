"""Writes Windows icon files (.ico) of several sizes with the standard library
and numpy alone."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import struct

import numpy as np

from . import png

# ICONDIR: reserved, type (1: icon), image count; ICONDIRENTRY: width,
# height (0 for 256), palette size, reserved, planes, bits per pixel, the
# image's size and its offset in the file.
_DIRECTORY = struct.Struct("<HHH")
_ENTRY = struct.Struct("<BBBBHHII")
_TYPE_ICON = 1
# BITMAPINFOHEADER of an icon image: its height counts the colour rows and
# the mask's rows together.
_BITMAP_HEADER = struct.Struct("<IiiHHIIiiII")
_BI_RGB = 0
# Windows Vista and later read an image of 256 pixels stored as a PNG, which
# is a fraction of the size of the bitmap.
_PNG_FROM = 256


def _bitmap_image(rgba):
    """An icon image as a bottom-up 32-bit BGRA bitmap with straight alpha,
    followed by the 1-bit mask that older readers draw by: set where the
    pixel is transparent, each row padded to 32 bits."""
    height, width, _ = rgba.shape
    colours = rgba[::-1][..., [2, 1, 0, 3]].tobytes()
    transparent = rgba[::-1, :, 3] == 0
    row_bytes = (width + 31) // 32 * 4
    mask = np.zeros((height, row_bytes * 8), dtype=bool)
    mask[:, :width] = transparent
    mask = np.packbits(mask, axis=1).tobytes()
    header = _BITMAP_HEADER.pack(
        _BITMAP_HEADER.size, width, 2 * height, 1, 32, _BI_RGB,
        len(colours) + len(mask), 0, 0, 0, 0)
    return header + colours + mask


def encode_ico(images):
    """Encode (size, size, 4) uint8 RGBA images, smallest first, as one icon
    file: bitmaps below 256 pixels, a PNG at 256.  Nothing in it depends on
    more than the pixels, so the same images always give the same bytes."""
    images = [np.asarray(image, dtype=np.uint8) for image in images]
    datas = [png.encode_png(image) if image.shape[0] >= _PNG_FROM
             else _bitmap_image(image) for image in images]
    offset = _DIRECTORY.size + _ENTRY.size * len(images)
    entries = []
    for image, data in zip(images, datas):
        height, width, _ = image.shape
        entries.append(_ENTRY.pack(width % 256, height % 256, 0, 0, 1, 32,
                                   len(data), offset))
        offset += len(data)
    return (_DIRECTORY.pack(0, _TYPE_ICON, len(images)) + b"".join(entries)
            + b"".join(datas))
