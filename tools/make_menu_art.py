#!/usr/bin/python3
"""Paints the pictures of the menus and selection screens: the buttons,
the arrows, the tutorial plate, the "about" emblem and the level and stage
badges."""
import numpy as np

import imagekit as ik
import make_lettering as lettering
from assetkit import output_dir, save_pictures

FACE_TOP, FACE_BOTTOM = (1.0, 0.99, 0.95), (0.83, 0.85, 0.98)

# Bubble tints of the game, for the emblem.
TINTS = [(0.65, 0.09, 0.09), (0.2, 0.8, 0.2), (0.08, 0.1, 0.85), (0.85, 0.85, 0.1),
         (0.62, 0.32, 0.72), (0.9, 0.45, 0), (0.1, 0.6, 1), (0.98, 0.55, 0.55)]


def pill(layer, x0, y0, x1, y1, radius, top, bottom, outline=ik.INK, rim=4.0):
    """A rounded face with an outline, a vertical gradient and a gloss band."""
    outer = ik.round_rect_distance(layer, x0, y0, x1, y1, radius)
    layer.paint(layer.cover(outer), outline)
    face = outer + rim
    layer.paint(layer.cover(face), ik.mix(top, bottom, ik.smoothstep(y0, y1, layer.y)))
    gloss = ik.round_rect_distance(layer, x0 + rim + 6, y0 + rim + 3, x1 - rim - 6,
                                   (y0 + y1) / 2, max(radius - rim - 6, 2))
    layer.paint(layer.cover(gloss), (1, 1, 1), alpha=0.45)
    return face


def button():
    """The selection screens' button face: light, 4:1."""
    layer = ik.Layer(512, 128)
    pill(layer, 2, 2, 510, 126, 40, FACE_TOP, FACE_BOTTOM, rim=5)
    return layer.pixels()


def menu_button(state):
    """The menu buttons: normal, selected (pressed in) and focused (lit)."""
    layer = ik.Layer(640, 128)
    x0, y0, x1, y1 = 3, 3, 637, 125
    if state == "focused":
        ring = ik.round_rect_distance(layer, x0, y0, x1, y1, 42)
        layer.paint(layer.cover(ring), ik.SKY)
        pill(layer, x0 + 6, y0 + 6, x1 - 6, y1 - 6, 36, (1.0, 1.0, 1.0), (0.80, 0.93, 1.0), rim=4)
    elif state == "selected":
        face = pill(layer, x0, y0, x1, y1, 42, (0.66, 0.68, 0.90), (0.86, 0.87, 0.98), rim=5)
        shadow = ik.smoothstep(y0 + 22, y0 + 5, layer.y) * layer.cover(face)
        layer.paint(shadow, ik.NAVY, alpha=0.45)
    else:
        pill(layer, x0, y0, x1, y1, 42, FACE_TOP, FACE_BOTTOM, rim=5)
    return layer.pixels()


def arrows():
    """Two round buttons with chevrons: left, then right."""
    frames = []
    for direction in (-1, 1):
        layer = ik.Layer(64, 64)
        outer = ik.circle_distance(layer, 32, 32, 29.5)
        layer.paint(layer.cover(outer), ik.INK)
        layer.paint(layer.cover(outer + 3), ik.mix(FACE_TOP, FACE_BOTTOM, ik.smoothstep(4, 60, layer.y)))
        gloss = ik.round_rect_distance(layer, 14, 7, 50, 30, 11)
        layer.paint(layer.cover(gloss), (1, 1, 1), alpha=0.5)
        tip = 32 + 12 * direction
        points = [(tip, 32), (tip - 17 * direction, 17), (tip - 17 * direction, 47)]
        arrow = ik.polygon_distance(layer.x, layer.y, points) - 2.5
        layer.paint(layer.cover(arrow), ik.mix((0.30, 0.45, 0.95), ik.NAVY, ik.smoothstep(18, 48, layer.y)))
        frames.append(layer.pixels())
    return np.concatenate(frames, axis=1)


def tutorial_plate():
    """A light, opaque card for the lesson texts, with star corners."""
    layer = ik.Layer(512, 256)
    outer = ik.round_rect_distance(layer, 2, 2, 510, 254, 28)
    layer.paint(layer.cover(outer), ik.INK)
    layer.paint(layer.cover(outer + 4), ik.mix((0.62, 0.64, 0.92), (0.48, 0.50, 0.85), ik.smoothstep(0, 256, layer.y)))
    face = ik.round_rect_distance(layer, 10, 10, 502, 246, 21)
    layer.paint(layer.cover(face), ik.mix(ik.CREAM, (0.93, 0.93, 1.0), ik.smoothstep(10, 246, layer.y)))
    for x, y in ((20, 20), (492, 20), (20, 236), (492, 236)):
        ik.shaded_star(layer, x, y + 0.5, 8.5, 4, outline=1.2)
    return layer.pixels()


def about():
    """The emblem: a little world of bubbles round its hub, with a freed
    star flying off on a sparkling trail."""
    size = 640
    layer = ik.Layer(size, size, ss=2)
    cx, cy, r = 300.0, 352.0, 44.0
    halo = np.hypot(layer.x - cx, layer.y - cy)
    layer.paint(ik.smoothstep(280, 70, halo), (0.35, 0.25, 0.85), alpha=0.3)
    for index, (x, y) in enumerate(cluster_cells(cx, cy, 2 * r, 2.6)):
        coverage, value = ik.glossy_sphere(layer, x, y, r - 1)
        layer.paint(coverage, value[..., None] * np.array(TINTS[(index * 3) % len(TINTS)]))
        if index % 5 == 2:
            ik.shaded_star(layer, x, y + 1, r * 0.78, r * 0.37, outline=3)
    ik.hub(layer, cx, cy, 2 * r, r - 1)
    trail(layer, cx + 120, cy - 170, 530, 105)
    ik.shaded_star(layer, 530, 105, 78, 36, outline=7)
    return layer.pixels()


def cluster_cells(cx, cy, pitch, reach):
    """Centres of the grid cells round the hub within reach pitches."""
    cells = []
    for row in range(-3, 4):
        for col in range(-4, 5):
            x = (col + (0.5 if row % 2 else 0)) * pitch
            y = row * pitch * np.sqrt(3) / 2
            d = np.hypot(x, y)
            if pitch * 1.1 < d < pitch * reach:
                cells.append((cx + x, cy + y))
    return cells


def trail(layer, x0, y0, x1, y1):
    """Sparkles that fade along the way the star has flown."""
    for i in range(7):
        t = i / 6
        x, y = x0 + (x1 - x0) * t * 0.8, y0 + (y1 - y0) * t * 0.8
        lettering.sparkle(layer, x, y, 4 + 6 * t)


# Badge hues: the tutorial, then stages 1 to 4 (matching their skies).
HUES = [(1.00, 0.80, 0.35), (0.35, 0.62, 1.00), (0.78, 0.42, 1.00), (0.30, 0.82, 0.55), (1.00, 0.50, 0.35)]
DOME_X = [0, 0.05, 0.1, 0.15, 0.2, 0.25, 0.29]
DOME_R = [0.135, 0.134589, 0.130088, 0.120807, 0.105092, 0.078755, 0.0539]


def badge_distance(layer, x_offset):
    """The badge's outline: on top the mound that the celebration's rain
    piles on (the same circles), below it a flatter saucer curve."""
    scale, soft = 256 / 0.7, 5.0
    total = np.zeros(layer.x.shape)
    for x, r in zip(DOME_X, DOME_R):
        for sx in ((x,) if x == 0 else (x, -x)):
            cx = x_offset + (sx + 0.35) * scale
            dy = layer.y - 64
            squash = np.where(dy > 0, 1.25, 1.0)
            d = np.hypot(layer.x - cx, dy * squash) - r * scale
            total += np.exp(-np.minimum(d, 60) / soft)
    # A smooth union: the scallops between the circles are filled in.
    best = -soft * np.log(total)
    return np.maximum(best, 2.5 - np.minimum(layer.x - x_offset, x_offset + 256 - layer.x))


def badge(layer, x_offset, hue):
    """One 256x128 badge: a glossy saucer with a dark band for its title."""
    hue = np.array(hue)
    d = badge_distance(layer, x_offset)
    layer.paint(layer.cover(d), ik.INK)
    body = ik.mix(hue * 0.55 + 0.45, hue * 0.55, ik.smoothstep(12, 120, layer.y))
    layer.paint(layer.cover(d + 4), body)
    gloss = np.maximum(d + 10, layer.y - 36)
    layer.paint(layer.cover(gloss), (1, 1, 1), alpha=0.35)
    band = np.maximum(np.abs(layer.y - 64) - 23, d + 2)
    layer.paint(layer.cover(band), ik.NAVY, alpha=0.72)
    layer.paint(layer.cover(np.maximum(np.abs(np.abs(layer.y - 64) - 23) - 1.2, d + 4)), hue * 0.5 + 0.5)
    for i in range(5):
        x = x_offset + 128 + (i - 2) * 26
        lamp = ik.circle_distance(layer, x, 101, 5)
        layer.paint(layer.cover(lamp - 1.5), ik.INK)
        layer.paint(layer.cover(lamp), ik.mix((1.0, 0.97, 0.75), ik.GOLD, ik.smoothstep(97, 106, layer.y)))


def levels():
    layer = ik.Layer(1024, 128)
    for stage in range(4):
        badge(layer, stage * 256, HUES[stage + 1])
    return layer.pixels()


def stages():
    layer = ik.Layer(1280, 128)
    titles = ["Tutorial", "Stage 1", "Stage 2", "Stage 3", "Stage 4"]
    size = min(lettering.fitted_size(title, 200, 40, 0.07) for title in titles)
    for index, title in enumerate(titles):
        badge(layer, index * 256, HUES[index])
        ik.lettering(layer, title, size, index * 256 + 128, 62, lettering.TOP, lettering.BOTTOM,
                     stroke=size * 0.07, face_path=lettering.FACE, stretch=lettering.STRETCH)
    return layer.pixels()


PICTURES = {
    "button": button,
    "button_normal": lambda: menu_button("normal"),
    "button_selected": lambda: menu_button("selected"),
    "button_focused": lambda: menu_button("focused"),
    "arrows": arrows, "tutorial_plate": tutorial_plate, "about": about,
    "levels": levels, "stages": stages,
}


def main():
    save_pictures(output_dir(__doc__), PICTURES)


if __name__ == "__main__":
    main()
