"""Writes RGBA PNG images with the standard library alone."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import struct
import zlib

import numpy as np

_SIGNATURE = b"\x89PNG\r\n\x1a\n"
_COLOUR_RGBA = 6
_FILTER_NONE = 0


def _chunk(kind, data):
    """One chunk: length, type, data and the CRC of type and data."""
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def encode_png(rgba):
    """Encode an (h, w, 4) uint8 image as an 8-bit RGBA PNG.

    Only the critical chunks are written (no time stamp, no text), so the
    same pixels always give the same bytes.
    """
    rgba = np.asarray(rgba, dtype=np.uint8)
    height, width, _ = rgba.shape
    rows = np.zeros((height, 1 + 4 * width), dtype=np.uint8)
    rows[:, 0] = _FILTER_NONE
    rows[:, 1:] = rgba.reshape(height, 4 * width)
    header = struct.pack(">IIBBBBB", width, height, 8, _COLOUR_RGBA, 0, 0, 0)
    return (_SIGNATURE + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(rows.tobytes(), 9))
            + _chunk(b"IEND", b""))
