"""Draws the application icons: the logo's emblem alone, on a transparent
square, for each size of the desktop's icon theme and of the Windows icon."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import math

import numpy as np

from . import logo
from . import pixelart as px

APP_ID = "org.quorvane.Quorvane"
SIZES = (16, 32, 48, 64, 128, 256)
# The Windows program's icon: the sizes that Explorer, the taskbar, the
# Start menu and a window's title bar ask for at the usual display scales.
WINDOWS_ICON = "dist/windows/quorvane.ico"
WINDOWS_SIZES = (16, 24, 32, 48, 256)

# In the logo the emblem spans from the ring's left edge to the far
# corner of its tail, in emblem pixels from the hub, the same across and
# down.  Its hub is therefore off the middle of the square that holds it.
_BEFORE_HUB = logo.EMBLEM.ring_outer
_AFTER_HUB = (logo.EMBLEM.tail_to + logo.EMBLEM.tail_half_width) / math.sqrt(2)

# At 16 pixels a scaled emblem breaks up (a one-pixel tail, a ragged
# ring), so its measures there are fitted by eye: a round ring two pixels
# thick, a tail three diagonals wide out to the corner, and a small star.
_FITTED = {
    16: logo.Emblem(centre=(7.5, 7.5), ring_inner=4.5, ring_outer=6.5,
                    tail_from=3.2, tail_to=10.0, tail_half_width=0.75,
                    star_reach=3.0, star_waist=1.5, core=1, rim=1.0,
                    band=0.6, seam=1),
}


def icon_path(size):
    """Where the icon of a size goes, relative to the output directory."""
    return "dist/icons/hicolor/%dx%d/apps/%s.png" % (size, size, APP_ID)


def outline_width(size):
    """Pixels of dark outline round the emblem in an icon of a size."""
    return 1 + size // 100


def emblem(size):
    """The emblem's measures on the pixel grid of an icon of a size.

    The logo's emblem is scaled to fill the square less a margin of a
    thirty-second of its side and the outline, with its hub on a pixel's
    centre so that the ring and the star are symmetric about that pixel.
    The inner rim's shadow keeps at least one pixel, so it stays unbroken.
    """
    if size in _FITTED:
        return _FITTED[size]
    e = logo.EMBLEM
    inset = size / 32 + outline_width(size)
    scale = (size - 2 * inset) / (_BEFORE_HUB + _AFTER_HUB)
    hub = math.floor(inset + _BEFORE_HUB * scale) + 0.5
    return e._replace(
        centre=(hub, hub),
        ring_inner=e.ring_inner * scale, ring_outer=e.ring_outer * scale,
        tail_from=e.tail_from * scale, tail_to=e.tail_to * scale,
        tail_half_width=e.tail_half_width * scale,
        star_reach=e.star_reach * scale, star_waist=e.star_waist * scale,
        core=e.core * scale, rim=max(1.0, e.rim * scale),
        band=e.band * scale, seam=max(1, round(scale)))


def build_icon(size):
    """The icon of a size as a (size, size, 4) uint8 RGBA image.

    The ring's inside is filled with the logo's night blue, so that the
    star keeps the dark ground it has in the logo, and a dark outline
    parts the gold from light backgrounds; everything else is transparent.
    """
    measures = emblem(size)
    layers = logo.emblem_layers((size, size), measures)
    y, x = np.mgrid[0:size, 0:size] + 0.5
    inside = np.hypot(x - measures.centre[0],
                      y - measures.centre[1]) < measures.ring_outer
    body = np.logical_or.reduce(layers) | inside
    outline = px.grow(body, outline_width(size), diagonal=False) & ~body

    image = np.zeros((size, size, 4), np.uint8)
    for mask, colour in zip((outline, inside) + layers,
                            (logo.INK_SHADOW, logo.FIELD_CENTRE)
                            + logo.EMBLEM_COLOURS):
        px.paint(image[..., :3], mask, colour)
    image[..., 3] = np.where(body | outline, 255, 0)
    return image
