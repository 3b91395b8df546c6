"""Paints graph/splash.bmp: the title picture, a lighthouse lake at dusk."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import numpy as np

from . import pixelart as px

WIDTH, HEIGHT = 640, 480
PIXEL = 2  # the scene is painted at half size, in 2x2 screen pixels
W, H = WIDTH // PIXEL, HEIGHT // PIXEL
HORIZON = 160  # waterline, in scene pixels
SEED = 1864

SKY = ["#100a28", "#1a1039", "#26164a", "#381c58", "#502362", "#6d2b68",
       "#8f376b", "#b2496b", "#d26367", "#ea8760", "#f7ae67"]
WATER_TOP, WATER_BOTTOM = "#2b1c4b", "#110b22"
STAR_BRIGHT, STAR_DIM = "#f1e8ff", "#9c90c8"
SUN = ["#fff6d0", "#ffe6a0", "#ffcc7c", "#ffb266"]
SUN_CENTRE, SUN_RADIUS = (244, 116), 17.5
RANGES = [  # far to near: colour, rim light, base line, height, roughness
    ("#7e4a7c", "#c06f86", 138, 24, 0.5),
    ("#4f2d62", "#7a4374", 148, 18, 0.5),
    ("#2c1a44", "#452a5a", 157, 8, 0.55),
]
ROCK, ROCK_RIM = "#140c24", "#3a2552"
TOWER, TOWER_SHADE, TOWER_LIT = "#1d1230", "#120a20", "#35234e"
LAMP, LAMP_GLOW = "#ffe7a3", "#ffc46a"
REEDS = "#0d0819"
TITLE_ROWS = ["#fff4cf", "#ffe6a1", "#ffd47f", "#ffc166", "#fcaa55",
              "#f09449", "#e07d40"]
TITLE_OUTLINE, TITLE_SHADOW = "#23102f", "#0d0718"
TITLE_SCALE = 4  # scene pixels per font pixel
TITLE_TOP = 14
# Where the menu draws its text boxes, kept free of detail (scene pixels).
MENU_BAND = (112, 166, 228, 208)


def _band_pick(level, palette, edge=0.35):
    """Colours for fractional palette positions: solid bands whose borders
    are a short ordered-dither blend, the classic pixel-art sky."""
    level = np.clip(level, 0, len(palette) - 1)
    base = np.floor(level)
    frac = level - base
    frac = np.clip((frac - 0.5) / edge + 0.5, 0, 1)
    height, width = level.shape
    threshold = np.tile(px.bayer(2), (height // 4 + 1, width // 4 + 1))
    index = base + (frac > threshold[:height, :width])
    index = np.minimum(index, len(palette) - 1).astype(int)
    colours = np.array([px.rgb(c) for c in palette])
    return colours[index]


def _sky(rng):
    """Dusk sky bands, the sun with its halo, and a scatter of stars."""
    y, x = np.mgrid[0:H, 0:W].astype(float)
    level = (y / HORIZON) ** 1.25 * (len(SKY) - 1)
    sky = _band_pick(level, SKY)

    sx, sy = SUN_CENTRE
    dist = np.hypot(x - sx, (y - sy) * 1.1)
    halo = (dist < SUN_RADIUS + 9) & (y < HORIZON)
    warm = _band_pick(level + 1.0, SKY)
    sky[halo] = warm[halo]
    disc = dist <= SUN_RADIUS
    sun_level = np.clip((y - (sy - SUN_RADIUS)) / (2 * SUN_RADIUS), 0, 1)
    sun = _band_pick(sun_level * (len(SUN) - 1), SUN, edge=0.2)
    sky[disc] = sun[disc]

    left, top, right, bottom = _title_box()
    for _ in range(70):
        col, row = rng.randint(2, W - 2), rng.randint(2, 92)
        if left - 4 <= col <= right + 4 and top - 4 <= row <= bottom + 4:
            continue  # no stars peeking round the title
        big = rng.rand() < 0.12
        colour = px.rgb(STAR_BRIGHT if big or rng.rand() < 0.4 else STAR_DIM)
        sky[row, col] = colour
        if big:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                sky[row + dy, col + dx] = px.rgb(STAR_DIM)
    return sky


def _ridge(rng, base, height, roughness):
    """A mountain skyline by midpoint displacement: for each column, the
    row of its top pixel."""
    size = 512
    line = np.zeros(size + 1)
    step, spread = size, float(height)
    while step > 1:
        half = step // 2
        for i in range(half, size, step):
            middle = (line[i - half] + line[i + half]) / 2
            line[i] = middle + rng.uniform(-1, 1) * spread
        step, spread = half, spread * roughness
    line = line[:W] - line[:W].min()
    line = line / max(line.max(), 1) * height
    return np.round(base - line).astype(int)


def _mountains(image, rng):
    """Three ranges, paler with distance, rims lit on the sun's side."""
    rows = np.arange(H)[:, None]
    sun_x = SUN_CENTRE[0]
    for colour, rim, base, height, roughness in RANGES:
        top = _ridge(rng, base, height, roughness)
        body = (rows >= top[None, :]) & (rows < HORIZON)
        image[body] = px.rgb(colour)
        near_sun = np.abs(np.arange(W) - sun_x) < 70
        rising = np.r_[top[1:] < top[:-1], False]  # slope faces right
        lit = (rows == top[None, :]) & (near_sun | rising)[None, :] & body
        image[lit] = px.rgb(rim)


def _lake(image, rng):
    """Water that mirrors the scene above it, rippled and darkened, with
    the sun's glitter path; calm where the menu sits."""
    water_rows = np.arange(HORIZON, H)
    depth = (water_rows - HORIZON) / (H - HORIZON - 1)
    tint = px.ramp([(0, WATER_TOP), (1, WATER_BOTTOM)], depth)
    x0, y0, x1, y1 = MENU_BAND
    for k, y in enumerate(water_rows):
        shift = int(round(np.sin(k * 1.9) * (0.5 + k / 30.0)))
        source = np.roll(image[HORIZON - 1 - k], shift, axis=0)
        mix = 0.55 + 0.3 * depth[k]
        image[y] = source * (1 - mix) + tint[k] * mix

    glint = px.rgb(SUN[1])
    sx = SUN_CENTRE[0]
    for k, y in enumerate(water_rows):
        if k % 3 == 2 or rng.rand() < 0.3:
            continue
        half = max(1, int(SUN_RADIUS * (1 - k / 90.0) * rng.uniform(0.4, 1.0)))
        left = sx - half + rng.randint(-2, 3)
        strength = 0.75 - 0.5 * k / (H - HORIZON)
        row = image[y, left:left + 2 * half]
        image[y, left:left + 2 * half] = row * (1 - strength) + glint * strength

    ripple = px.rgb("#5a3f78")
    for _ in range(60):
        y = rng.randint(HORIZON + 2, H - 2)
        length = rng.randint(3, 10)
        x = rng.randint(0, W - length)
        if x + length >= x0 and x <= x1 and y0 - 2 <= y <= y1 + 2:
            continue
        image[y, x:x + length] = image[y, x:x + length] * 0.5 + ripple * 0.5


def _lighthouse(image):
    """A rocky point on the left with a slender lighthouse, lamp lit."""
    rows, cols = np.mgrid[0:H, 0:W]
    # The rock: a lumpy slope from the left edge down into the water.
    edge = 176 + 0.004 * (cols - 10) ** 2 + 3 * np.sin(cols * 0.35)
    rock = (rows >= edge) & (cols < 118)
    image[rock] = px.rgb(ROCK)
    rim = rock & ~np.roll(rock, 1, axis=0)
    image[rim] = px.rgb(ROCK_RIM)

    centre, base, top = 46, 184, 84
    t = (rows - top) / float(base - top)
    half = 6 + 3 * t
    body = (rows >= top) & (rows < base + 4) & (np.abs(cols - centre + 0.5) <= half)
    image[body] = px.rgb(TOWER)
    # The sun is to the right: a lit edge there, shade on the left.
    image[body & (cols - centre + 0.5 < -half * 0.35)] = px.rgb(TOWER_SHADE)
    image[body & (cols - centre + 0.5 > half * 0.6)] = px.rgb(TOWER_LIT)
    for band in (104, 128, 152):  # painted rings round the tower
        ring = body & (rows >= band) & (rows < band + 3)
        image[ring] = image[ring] * 0.6 + px.rgb(TOWER_LIT) * 0.4
    for y in (114, 138, 162):  # small lit windows up the stair
        image[y:y + 4, centre:centre + 2] = px.rgb(LAMP_GLOW) * 0.8
    door = (rows >= base - 10) & (rows < base) & (np.abs(cols - centre + 0.5) < 2)
    image[door] = px.rgb(TOWER_SHADE)

    def box(x0, y0, x1, y1, colour):
        image[y0:y1, x0:x1] = px.rgb(colour)

    box(centre - 9, top - 3, centre + 9, top, TOWER)  # gallery
    box(centre - 10, top - 4, centre + 10, top - 3, TOWER_LIT)
    for x in range(centre - 8, centre + 8, 3):  # gallery railing
        box(x, top - 8, x + 1, top - 4, TOWER)
    box(centre - 9, top - 8, centre + 9, top - 7, TOWER)
    box(centre - 5, top - 16, centre + 5, top - 4, TOWER)  # lantern room
    box(centre - 3, top - 15, centre + 3, top - 5, LAMP_GLOW)
    box(centre - 2, top - 14, centre + 2, top - 6, LAMP)
    for step in range(7):  # the domed roof
        w = 6 - step
        box(centre - w, top - 17 - step, centre + w, top - 16 - step, TOWER)
    box(centre - 1, top - 30, centre + 1, top - 23, TOWER)  # vane spindle
    box(centre - 6, top - 28, centre + 7, top - 27, TOWER)  # vane arrow
    box(centre + 5, top - 29, centre + 6, top - 26, TOWER)
    box(centre - 7, top - 30, centre - 5, top - 29, TOWER)
    box(centre - 7, top - 27, centre - 5, top - 25, TOWER)

    # Halo of lamplight round the lantern.
    dist = np.hypot(cols - centre + 0.5, (rows - (top - 10)) * 1.1)
    for radius, strength in ((18, 0.12), (12, 0.18)):
        glow = (dist < radius) & ~body & (rows < top - 3)
        image[glow] = image[glow] * (1 - strength) + px.rgb(LAMP_GLOW) * strength


def _reeds(image, rng):
    """Reeds and bulrushes in the near right corner."""
    for _ in range(22):
        x = rng.randint(262, W)
        tall = rng.randint(14, 42)
        lean = rng.uniform(-0.15, 0.25)
        for k in range(tall):
            col = int(round(x + lean * k * k / tall))
            if 0 <= col < W:
                image[H - 1 - k, col] = px.rgb(REEDS)
        if rng.rand() < 0.45:
            col = int(round(x + lean * tall))
            if 0 <= col < W - 1:
                image[H - tall - 4:H - tall + 1, col:col + 2] = px.rgb(REEDS)
    image[H - 5:, 250:] = px.rgb(REEDS)


def _title_mask():
    """The game's name in the font, one array cell per scene pixel."""
    return px.enlarge(px.text_mask("QUORVANE"), TITLE_SCALE)


def _title_box():
    """Left, top, right, bottom of the title's ink in scene pixels."""
    mask = _title_mask()
    left = (W - mask.shape[1]) // 2
    return left, TITLE_TOP, left + mask.shape[1], TITLE_TOP + mask.shape[0]


def _title(image):
    """The name in gold, a colour per font-pixel row, outlined, shadowed."""
    mask = _title_mask()
    left, top, _, _ = _title_box()
    ink = px.place(image.shape, mask, left, top)
    outline = px.grow(ink)
    shadow = np.roll(np.roll(outline, 2, axis=0), 1, axis=1)
    image[shadow & ~outline] = px.rgb(TITLE_SHADOW)
    image[outline] = px.rgb(TITLE_OUTLINE)
    rows = (np.arange(H) - top) // TITLE_SCALE
    for r, colour in enumerate(TITLE_ROWS):
        image[ink & (rows == r)[:, None]] = px.rgb(colour)
    top_edge = ink & ~np.roll(ink, 1, axis=0)
    image[top_edge] = image[top_edge] * 0.5 + 255 * 0.5


def build_splash():
    """The title picture as an (HEIGHT, WIDTH, 3) uint8 image."""
    rng = np.random.RandomState(SEED)
    image = _sky(rng)
    _mountains(image, rng)
    _lake(image, rng)
    _lighthouse(image)
    _reeds(image, rng)
    _title(image)
    return px.quantize(px.enlarge(image, PIXEL))
