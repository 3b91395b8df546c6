"""Paints graph/quorspla.bmp: the Quorvane maker's logo, emblem and name."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import numpy as np

from . import pixelart as px

WIDTH, HEIGHT = 640, 480
GRID = 4  # screen pixels per emblem pixel and per font pixel
NAME = "QUORVANE"
TRACKING = 1  # extra font pixels between the letters

FIELD_CENTRE = "#1f2e4f"
FIELD_EDGE = "#0a1122"
GOLD_LIGHT, GOLD, GOLD_DARK = "#ffe29a", "#eab04c", "#a86f25"
STAR, STAR_CORE = "#9fdcf0", "#f4fbff"
INK, INK_SHADOW = "#f3ead8", "#070b16"

# Emblem geometry in emblem pixels, around a lattice point so it is
# symmetric pixel for pixel.
CENTRE = (80, 48)
RING_INNER, RING_OUTER = 14.8, 20.2
TAIL_FROM, TAIL_TO, TAIL_HALF_WIDTH = 11.0, 29.0, 2.2
STAR_REACH, STAR_WAIST = 9.5, 2.4


def _field():
    """A calm night-blue field, lighter behind the emblem, dithered."""
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH] + 0.5
    cx, cy = (CENTRE[0] * GRID, CENTRE[1] * GRID + 40)
    d = np.hypot((x - cx) / 420.0, (y - cy) / 340.0)
    t = np.clip(d, 0, 1) ** 1.4
    return px.ramp([(0, FIELD_CENTRE), (1, FIELD_EDGE)], t)


def _emblem_layers():
    """Masks on the emblem grid: ring (light, mid, dark), tail, star."""
    rows, cols = HEIGHT // GRID, WIDTH // GRID
    y, x = np.mgrid[0:rows, 0:cols] + 0.5
    dx, dy = x - CENTRE[0], y - CENTRE[1]
    dist = np.hypot(dx, dy)
    ring = (dist >= RING_INNER) & (dist <= RING_OUTER)

    # The tail runs out to the lower right, like the stroke of a Q and
    # the pointer of a vane.
    along = (dx + dy) / np.sqrt(2)
    across = (dx - dy) / np.sqrt(2)
    tail = ((along >= TAIL_FROM) & (along <= TAIL_TO)
            & (np.abs(across) <= TAIL_HALF_WIDTH))
    ring &= ~px.grow(tail)  # a dark seam where the tail crosses the ring

    # Light from the upper left: the outer face turned to it is bright,
    # the far side dark, and the inner rim near the light in shadow.
    with np.errstate(invalid="ignore", divide="ignore"):
        facing = -(dx + dy) / (np.sqrt(2) * dist)
    rim = dist < RING_INNER + 1.0
    light = (ring & ~rim & (facing > 0.4)) | (tail & (across > 1.0))
    dark = ((ring & (facing < -0.5)) | (ring & rim & (facing > 0.3))
            | (tail & (across < -1.0)))
    mid = (ring | tail) & ~light & ~dark

    # A four-pointed star at the hub, its arms tapering to one pixel.
    reach = np.maximum(np.abs(dx), np.abs(dy))
    waist = np.minimum(np.abs(dx), np.abs(dy))
    star = (reach < STAR_REACH) & (waist <= STAR_WAIST * (1 - reach / STAR_REACH))
    core = star & (reach < 2)
    return light, mid, dark, star & ~core, core


def _name_mask():
    """The name in the font, at the logo's grid, and where it goes."""
    mask = px.enlarge(px.text_mask(NAME, TRACKING), GRID)
    left = (WIDTH - mask.shape[1]) // 2
    top = (CENTRE[1] + RING_OUTER) * GRID + 56
    return mask, left, int(round(top))


def build_logo():
    """The logo as an (HEIGHT, WIDTH, 3) uint8 image."""
    image = _field()
    colours = (GOLD_LIGHT, GOLD, GOLD_DARK, STAR, STAR_CORE)
    for layer, colour in zip(_emblem_layers(), colours):
        px.paint(image, px.enlarge(layer, GRID), colour)

    mask, left, top = _name_mask()
    shadow = px.place(image.shape, mask, left + GRID, top + GRID)
    px.paint(image, shadow, INK_SHADOW)
    px.paint(image, px.place(image.shape, mask, left, top), INK)
    return px.quantize(image)
