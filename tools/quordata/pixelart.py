"""Small raster helpers for the artwork: colours, dithering, masks, text."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import numpy as np

from . import glyphs


def rgb(hex_code):
    """'#rrggbb' as a float array of three channels 0..255."""
    code = hex_code.lstrip("#")
    return np.array([int(code[i:i + 2], 16) for i in (0, 2, 4)], float)


def bayer(order):
    """Ordered-dither thresholds in (0, 1) for a 2**order square tile."""
    tile = np.zeros((1, 1))
    for _ in range(order):
        tile = np.block([[4 * tile, 4 * tile + 2], [4 * tile + 3, 4 * tile + 1]])
    return (tile + 0.5) / tile.size


def quantize(image, order=3):
    """Round a float RGB image to uint8 with ordered dither (no banding)."""
    height, width = image.shape[:2]
    tile = bayer(order)
    reps = (height // len(tile) + 1, width // len(tile) + 1)
    threshold = np.tile(tile, reps)[:height, :width, None]
    return np.clip(np.floor(image + threshold), 0, 255).astype(np.uint8)


def ramp(stops, positions):
    """Piecewise-linear colours: stops is [(t, '#rrggbb'), ...]."""
    ts = np.array([t for t, _ in stops], float)
    cols = np.array([rgb(c) for _, c in stops])
    positions = np.asarray(positions, float)
    return np.stack([np.interp(positions, ts, cols[:, k]) for k in range(3)],
                    axis=-1)


def text_mask(text, tracking=0):
    """Lit font pixels of a line of text, one array cell per font pixel.

    The mask is trimmed to the lit columns, so it can be centred by its
    visible ink.  tracking adds empty columns between the letters.
    """
    step = glyphs.CELL_WIDTH + tracking
    mask = np.zeros((glyphs.CELL_ROWS, step * len(text)), bool)
    for i, char in enumerate(text):
        rows = glyphs.glyph_rows(char)
        cell = np.array([[m == "#" for m in row] for row in rows])
        mask[:, i * step:i * step + glyphs.CELL_WIDTH] |= cell
    lit = np.flatnonzero(mask.any(axis=0))
    return mask[:, lit[0]:lit[-1] + 1]


def enlarge(mask, factor):
    """Scale an array up by an integer factor, each cell a square block."""
    return np.repeat(np.repeat(mask, factor, axis=0), factor, axis=1)


def grow(mask, steps=1, diagonal=True):
    """Dilate a boolean mask by steps pixels (8- or 4-connected)."""
    out = mask.copy()
    for _ in range(steps):
        src = np.pad(out, 1)
        grown = out.copy()
        for dy in (-1, 0, 1):
            for dx in (-1, 0, 1):
                if (dx or dy) and (diagonal or not (dx and dy)):
                    grown |= src[1 + dy:1 + dy + out.shape[0],
                                 1 + dx:1 + dx + out.shape[1]]
        out = grown
    return out


def place(canvas_shape, mask, left, top):
    """Put a small mask into an empty full-size mask at (left, top)."""
    out = np.zeros(canvas_shape[:2], bool)
    h, w = mask.shape
    out[top:top + h, left:left + w] = mask
    return out


def paint(image, mask, colour):
    """Fill the pixels of mask with a colour, in place."""
    image[mask] = rgb(colour) if isinstance(colour, str) else colour
