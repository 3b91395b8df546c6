"""Writes 32-bit X8R8G8B8 Windows bitmaps with explicit channel masks."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import struct

import numpy as np

_FILE_HEADER = struct.Struct("<2sIHHI")
# BITMAPV4HEADER: size, width, height, planes, bits, compression, image
# size, resolution x/y, palette counts, R/G/B/A masks, colour space, the
# unused endpoints (36 bytes) and gamma (12 bytes).
_V4_HEADER = struct.Struct("<IiiHHIIiiIIIIIII36s12s")
_BI_BITFIELDS = 3
_LCS_SRGB = 0x73524742
_PIXELS_PER_METRE = 2835  # 72 dpi


def encode_bmp(rgb):
    """Encode an (h, w, 3) uint8 image as a bottom-up 32 bpp bitmap."""
    rgb = np.asarray(rgb, dtype=np.uint8)
    height, width, _ = rgb.shape
    pixels = np.zeros((height, width, 4), dtype=np.uint8)
    pixels[..., 0] = rgb[..., 2]  # little-endian 0x00RRGGBB: B, G, R, X
    pixels[..., 1] = rgb[..., 1]
    pixels[..., 2] = rgb[..., 0]
    data = pixels[::-1].tobytes()
    offset = _FILE_HEADER.size + _V4_HEADER.size
    info = _V4_HEADER.pack(
        _V4_HEADER.size, width, height, 1, 32, _BI_BITFIELDS, len(data),
        _PIXELS_PER_METRE, _PIXELS_PER_METRE, 0, 0,
        0x00FF0000, 0x0000FF00, 0x000000FF, 0,
        _LCS_SRGB, bytes(36), bytes(12))
    head = _FILE_HEADER.pack(b"BM", offset + len(data), 0, 0, offset)
    return head + info + data
