#!/usr/bin/python3
"""Paints the pictures of the play screen: bubble, star, center, dispenser
and the four background tiles."""
import numpy as np

import imagekit as ik
from assetkit import output_dir, save_pictures

# The dropper's picture covers this world rectangle; the texture window is
# 0.99 of the picture, so world units map to pixels with this scale.
DISPENSER_SIZE = 512
DISPENSER_X0, DISPENSER_Y0 = -0.16893939393939397, 0.156060606060606
DISPENSER_SPAN = 0.35 - DISPENSER_Y0
DISPENSER_SCALE = 0.99 * DISPENSER_SIZE / DISPENSER_SPAN


def bubble():
    """A neutral glossy sphere in greys: the tint supplies the colour."""
    layer = ik.Layer(64, 64)
    coverage, value = ik.glossy_sphere(layer, 32, 32, 30.0)
    layer.paint(coverage, value[..., None] * np.ones(3))
    return layer.pixels()


def star():
    size = 64
    layer = ik.Layer(size, size)
    ik.shaded_star(layer, 32, 33.5, 28.5, 13.5, outline=2.4)
    return layer.pixels()


def center():
    """The seven-cell hub: six pearly petals round a glowing golden core."""
    layer = ik.Layer(128, 128)
    ik.hub(layer, 64, 64, 128 / 3, 128 / 6 - 1.6)
    return layer.pixels()


def to_dispenser(x, y):
    """World point of the screen layer -> pixel of the dropper picture."""
    px = (x - DISPENSER_X0) * DISPENSER_SCALE
    py = DISPENSER_SIZE - (y - DISPENSER_Y0) * DISPENSER_SCALE
    return px, py


def dispenser():
    """The dropper: a curved glass feed tube round a porcelain housing that
    swings bubbles down to the nozzle, with the supply counter's window."""
    size = DISPENSER_SIZE
    k = DISPENSER_SCALE
    layer = ik.Layer(size, size)
    px, py = to_dispenser(0.0, 0.35)
    radius = np.hypot(layer.x - px, layer.y - py)
    angle = np.arctan2(layer.y - py, px - layer.x)  # 0 left, pi/2 straight down
    track, half = 0.14393939 * k, 0.02 * k
    edge = track - half - 10
    housing(layer, px, py, radius, edge)
    feed_tube(layer, radius, (layer.y >= py) & (angle <= np.pi / 2 + 0.14), track, half)
    nozzle(layer, px, py + track, half)
    counter_window(layer)
    panel_details(layer, px, py, edge)
    return layer.pixels()


def housing(layer, px, py, radius, edge):
    """The panel inside the tube's curve, cut square at the picture's right."""
    d = np.maximum(np.maximum(radius - edge, layer.x - (DISPENSER_SIZE - 8)), 4 - layer.y)
    layer.paint(layer.cover(d), ik.NAVY)
    shade = ik.smoothstep(edge, edge * 0.3, radius)
    layer.paint(layer.cover(d + 5), ik.mix((0.60, 0.62, 0.86), ik.PORCELAIN, shade))
    bevel = np.maximum(np.maximum(np.abs(radius - (edge - 16)) - 1.5, layer.x - (DISPENSER_SIZE - 20)), 9 - layer.y)
    layer.paint(layer.cover(bevel), (0.52, 0.54, 0.80))


def panel_details(layer, px, py, edge):
    """Rivets along the rim, two indicator lamps and a vent grille."""
    for a in np.radians(np.arange(24, 90, 10.5)):
        x, y = px - (edge - 36) * np.cos(a), py + (edge - 36) * np.sin(a)
        if y > 128 and not (190 < x < 415 and 130 < y < 260):
            rivet(layer, x, y, 6.5)
    for y, colour in ((172, ik.SKY), (212, (1.0, 0.55, 0.75))):
        lamp = ik.circle_distance(layer, 420, y, 8)
        layer.paint(layer.cover(lamp - 2.5), ik.NAVY)
        layer.paint(ik.blur(layer.cover(lamp), 14), colour, alpha=0.55)
        layer.paint(layer.cover(lamp), ik.mix(colour, (1, 1, 1), ik.smoothstep(8, 0, np.hypot(layer.x - 418, layer.y - y + 2))))
    for y in (160, 184, 208, 232):
        slot = ik.round_rect_distance(layer, 456, y, 488, y + 10, 5)
        layer.paint(layer.cover(slot), (0.30, 0.32, 0.58))
        layer.paint(layer.cover(slot + 1.5) * ik.smoothstep(y + 3, y + 9, layer.y), (0.16, 0.17, 0.38))


def rivet(layer, x, y, r):
    layer.paint(layer.cover(ik.circle_distance(layer, x, y, r + 1.5)), ik.NAVY)
    lit = ik.smoothstep(r * 1.6, 0, np.hypot(layer.x - x + r * 0.4, layer.y - y + r * 0.4))
    layer.paint(layer.cover(ik.circle_distance(layer, x, y, r)), ik.mix(ik.AMBER, (1, 0.95, 0.7), lit))


def feed_tube(layer, radius, quarter, track, half):
    """Glass channel with a bright outer rail and a gold inner rail."""
    inner, outer = track - half - 10, track + half + 8
    band = np.maximum(inner - radius, radius - outer)
    band = np.where(quarter, band, 1e9)
    layer.paint(layer.cover(band), ik.NAVY)
    depth = np.abs(radius - track) / (half + 6)
    glass = ik.mix((0.16, 0.20, 0.42), (0.05, 0.06, 0.18), ik.smoothstep(0.2, 1.0, depth))
    layer.paint(layer.cover(band + 4), glass)
    sheen = np.abs(radius - (track + half * 0.55)) - 2.5
    layer.paint(layer.cover(sheen) * quarter, (0.55, 0.75, 1.0), alpha=0.35)
    outer_rail = np.maximum(track + half - radius, radius - outer + 3)
    lit = ik.smoothstep(outer - 3, track + half, radius)
    layer.paint(layer.cover(outer_rail) * quarter, ik.mix((0.55, 0.58, 0.85), ik.PORCELAIN, lit))
    inner_rail = np.maximum(inner + 3 - radius, radius - (track - half))
    layer.paint(layer.cover(inner_rail) * quarter, ik.mix(ik.AMBER, ik.GOLD, ik.smoothstep(inner, track - half, radius)))


def nozzle(layer, x, y, half):
    """The collar round the firing point and the lip below it."""
    port = ik.circle_distance(layer, x, y, half + 6)
    depth = ik.smoothstep(0, half + 6, np.hypot(layer.x - x, layer.y - y))
    layer.paint(layer.cover(port), ik.mix((0.16, 0.20, 0.42), (0.05, 0.06, 0.18), depth))
    ring = np.abs(ik.circle_distance(layer, x, y, half + 8)) - 4.5
    layer.paint(layer.cover(ring - 2), ik.NAVY)
    lit = ik.smoothstep(y + half, y - half, layer.y)
    layer.paint(layer.cover(ring), ik.mix((0.55, 0.58, 0.85), ik.PORCELAIN, lit))
    lip = ik.round_rect_distance(layer, x - half - 10, y + half + 12, x + half + 10, y + half + 34, 9)
    layer.paint(layer.cover(lip - 3), ik.NAVY)
    layer.paint(layer.cover(lip), ik.mix(ik.PORCELAIN, (0.60, 0.62, 0.88), ik.smoothstep(y + half + 14, y + half + 34, layer.y)))
    light = ik.round_rect_distance(layer, x - half + 4, y + half + 20, x + half - 4, y + half + 26, 3)
    layer.paint(layer.cover(light), ik.SKY)
    layer.paint(ik.blur(layer.cover(light), 10), ik.SKY, alpha=0.5)


def counter_window(layer):
    """A dark display that the supply count is drawn into."""
    x0, y1 = to_dispenser(-0.053 - 0.034, 0.2644 - 0.0035)
    x1, y0 = to_dispenser(-0.053 + 0.034, 0.2917 + 0.0035)
    frame = ik.round_rect_distance(layer, x0 - 7, y0 - 7, x1 + 7, y1 + 7, 18)
    layer.paint(layer.cover(frame), ik.NAVY)
    window = ik.round_rect_distance(layer, x0, y0, x1, y1, 12)
    depth = ik.smoothstep(y0, y1, layer.y)
    layer.paint(layer.cover(window), ik.mix((0.02, 0.03, 0.08), (0.07, 0.09, 0.20), depth))
    glint = ik.round_rect_distance(layer, x0 + 10, y0 + 5, x1 - 10, y0 + 9, 2)
    layer.paint(layer.cover(glint), (1, 1, 1), alpha=0.12)


# Four moods: base, two cloud colours, the bright lane colour, star tint.
MOODS = [
    ((0.010, 0.018, 0.055), (0.03, 0.12, 0.20), (0.07, 0.07, 0.24), (0.25, 0.45, 0.60), (0.80, 0.90, 1.00)),
    ((0.025, 0.010, 0.050), (0.22, 0.05, 0.22), (0.10, 0.06, 0.28), (0.55, 0.25, 0.60), (1.00, 0.85, 1.00)),
    ((0.006, 0.030, 0.035), (0.03, 0.17, 0.10), (0.02, 0.10, 0.18), (0.20, 0.50, 0.40), (0.85, 1.00, 0.92)),
    ((0.040, 0.012, 0.022), (0.21, 0.05, 0.08), (0.20, 0.11, 0.03), (0.60, 0.32, 0.18), (1.00, 0.92, 0.80)),
]


def background_tile(stage):
    """A seamless, soft nebula tile of one stage's mood: two domain-warped
    cloud layers, a faint bright lane, fine dust and little stars."""
    size = 256
    base, cloud_a, cloud_b, lane, star_tint = (np.array(c) for c in MOODS[stage])
    v, u = (np.mgrid[0:size, 0:size] + 0.5) / size
    seed = 100 + stage * 10
    wu = u + 0.35 * (ik.fractal_noise(u, v, seed, 2, 4) - 0.5)
    wv = v + 0.35 * (ik.fractal_noise(u, v, seed + 1, 2, 4) - 0.5)
    a = ik.fractal_noise(wu, wv, seed + 2, 2, 6)
    b = ik.fractal_noise(wv, wu, seed + 3, 3, 6)
    dust = ik.fractal_noise(u, v, seed + 4, 8, 4)
    rgb = base + ik.normalised(a, 35, 97)[..., None] * cloud_a
    rgb += ik.normalised(b, 45, 99)[..., None] * cloud_b
    rgb += (ik.normalised(a, 92, 100) * ik.normalised(b, 30, 90))[..., None] * lane * 0.35
    rgb *= (0.62 + 0.4 * dust)[..., None]
    rgb += star_field(size, 400 + stage, star_tint)
    return np.clip(np.round(np.clip(rgb, 0, 1) * 255), 0, 255).astype(np.uint8)


def star_field(size, seed, tint):
    """Soft little stars scattered over the tile, wrapping at its edges."""
    rng = np.random.RandomState(seed)
    ys, xs = np.mgrid[0:size, 0:size] + 0.5
    light = np.zeros((size, size))
    for index in range(80):
        sx, sy = rng.uniform(0, size, 2)
        brightness = rng.uniform(0.15, 0.6) ** 2
        width = rng.uniform(0.7, 1.2)
        dx = (xs - sx + size / 2) % size - size / 2
        dy = (ys - sy + size / 2) % size - size / 2
        d2 = dx * dx + dy * dy
        light += brightness * np.exp(-d2 / (2 * width * width))
        if index < 4:
            light += 0.08 * np.exp(-d2 / 18) + 0.5 * np.exp(-d2 / 1.2)
    return light[..., None] * tint


def backgrounds():
    return np.concatenate([background_tile(stage) for stage in range(4)], axis=1)


PICTURES = {
    "bubble": bubble, "star": star, "center": center,
    "dispenser": dispenser, "backgrounds": backgrounds,
}


def main():
    save_pictures(output_dir(__doc__), PICTURES)


if __name__ == "__main__":
    main()
