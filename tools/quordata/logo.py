"""Paints graph/quorspla.bmp: the Quorvane maker's logo, emblem and name."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import collections

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
# The colours of the emblem's layers, in the order emblem_layers gives them.
EMBLEM_COLOURS = (GOLD_LIGHT, GOLD, GOLD_DARK, STAR, STAR_CORE)
INK, INK_SHADOW = "#f3ead8", "#070b16"

# The emblem's geometry in emblem pixels, around a lattice point so it is
# symmetric pixel for pixel.  The icons draw the same emblem with these
# measures re-evaluated for their own pixel grids.
Emblem = collections.namedtuple("Emblem", [
    "centre",  # (x, y) of the hub
    "ring_inner", "ring_outer",  # radii of the ring
    "tail_from", "tail_to", "tail_half_width",  # the tail, along its axis
    "star_reach", "star_waist",  # the star at the hub: arm length, waist
    "core",  # reach of the star's bright core
    "rim",  # width of the ring's shadowed inner rim
    "band",  # distance from the tail's axis where its lit and dark faces start
    "seam",  # pixels of gap round the tail where it crosses the ring
])
EMBLEM = Emblem(centre=(80, 48), ring_inner=14.8, ring_outer=20.2,
                tail_from=11.0, tail_to=29.0, tail_half_width=2.2,
                star_reach=9.5, star_waist=2.4, core=2, rim=1.0, band=1.0,
                seam=1)


def _field():
    """A calm night-blue field, lighter behind the emblem, dithered."""
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH] + 0.5
    cx, cy = (EMBLEM.centre[0] * GRID, EMBLEM.centre[1] * GRID + 40)
    d = np.hypot((x - cx) / 420.0, (y - cy) / 340.0)
    t = np.clip(d, 0, 1) ** 1.4
    return px.ramp([(0, FIELD_CENTRE), (1, FIELD_EDGE)], t)


def emblem_layers(shape, emblem):
    """Masks of the given (rows, columns) shape, one cell a pixel, for the
    emblem's colours: ring and tail light, mid and dark; star; star core."""
    y, x = np.mgrid[0:shape[0], 0:shape[1]] + 0.5
    dx, dy = x - emblem.centre[0], y - emblem.centre[1]
    dist = np.hypot(dx, dy)
    ring = (dist >= emblem.ring_inner) & (dist <= emblem.ring_outer)

    # The tail runs out to the lower right, like the stroke of a Q and
    # the pointer of a vane.
    along = (dx + dy) / np.sqrt(2)
    across = (dx - dy) / np.sqrt(2)
    tail = ((along >= emblem.tail_from) & (along <= emblem.tail_to)
            & (np.abs(across) <= emblem.tail_half_width))
    # A dark seam where the tail crosses the ring.
    ring &= ~px.grow(tail, emblem.seam)

    # Light from the upper left: the outer face turned to it is bright,
    # the far side dark, and the inner rim near the light in shadow.
    with np.errstate(invalid="ignore", divide="ignore"):
        facing = -(dx + dy) / (np.sqrt(2) * dist)
    rim = dist < emblem.ring_inner + emblem.rim
    light = (ring & ~rim & (facing > 0.4)) | (tail & (across > emblem.band))
    dark = ((ring & (facing < -0.5)) | (ring & rim & (facing > 0.3))
            | (tail & (across < -emblem.band)))
    mid = (ring | tail) & ~light & ~dark

    # A four-pointed star at the hub, its arms tapering to one pixel.
    reach = np.maximum(np.abs(dx), np.abs(dy))
    waist = np.minimum(np.abs(dx), np.abs(dy))
    star = ((reach < emblem.star_reach)
            & (waist <= emblem.star_waist * (1 - reach / emblem.star_reach)))
    core = star & (reach < emblem.core)
    return light, mid, dark, star & ~core, core


def _name_mask():
    """The name in the font, at the logo's grid, and where it goes."""
    mask = px.enlarge(px.text_mask(NAME, TRACKING), GRID)
    left = (WIDTH - mask.shape[1]) // 2
    top = (EMBLEM.centre[1] + EMBLEM.ring_outer) * GRID + 56
    return mask, left, int(round(top))


def build_logo():
    """The logo as an (HEIGHT, WIDTH, 3) uint8 image."""
    image = _field()
    layers = emblem_layers((HEIGHT // GRID, WIDTH // GRID), EMBLEM)
    for layer, colour in zip(layers, EMBLEM_COLOURS):
        px.paint(image, px.enlarge(layer, GRID), colour)

    mask, left, top = _name_mask()
    shadow = px.place(image.shape, mask, left + GRID, top + GRID)
    px.paint(image, shadow, INK_SHADOW)
    px.paint(image, px.place(image.shape, mask, left, top), INK)
    return px.quantize(image)
