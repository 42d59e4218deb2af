#!/usr/bin/python3
"""Paints the game's lettering: the digit glyphs, "Level", "Completed!",
"Paused", "Settings" and the "Skylume" logo. All share one face (DejaVu
Sans Condensed Bold, drawn taller than it is), light letters with a dark
outline; the menu titles add a soft glow for the black menus."""
import os

import numpy as np

import imagekit as ik
from assetkit import output_dir, save_png

STRETCH = 1.3
FACE = ik.FONT_CONDENSED
TOP, BOTTOM = (1.0, 1.0, 1.0), (0.70, 0.86, 1.0)
GLOW = (0.45, 0.30, 0.95)
CELL_W, CELL_H = 36.6, 64


def fitted_size(text, width, height, stroke_share):
    """The font size whose letters, outline included, fit width x height."""
    probe = ik.font(200, FACE)
    advance = sum(probe.getlength(ch) for ch in text) / 200
    bbox = probe.getbbox("Hg" if any(ch in "gyp" for ch in text) else "H")
    tall = (bbox[3] - bbox[1]) / 200 * STRETCH
    return min(width / (advance + 2 * stroke_share), height / (tall + 2 * stroke_share * STRETCH))


def word(text, width, height, glow=None, fill_share=0.86):
    """One line of lettering centred in a width x height picture."""
    layer = ik.Layer(width, height)
    share = 0.09 if glow else 0.07
    room = 0.74 if glow else fill_share
    size = fitted_size(text, width * room, height * room, share)
    descends = any(ch in "gyp" for ch in text)
    cy = height / 2 - (size * 0.11 * STRETCH if descends else 0)
    ik.lettering(layer, text, size, width / 2, cy, TOP, BOTTOM, stroke=size * share,
                 glow=glow, face_path=FACE, stretch=STRETCH)
    return layer


def text_numbers():
    """Digits 0-4 over 5-9 in cells 36.6 px wide, a colon in cell 5."""
    layer = ik.Layer(256, 128)
    size = 46
    glyphs = [(str(d), d % 5, d // 5) for d in range(10)] + [(":", 5, 0)]
    for text, col, row in glyphs:
        cx, cy = (col + 0.5) * CELL_W, row * CELL_H + CELL_H / 2
        ik.lettering(layer, text, size, cx, cy, TOP, BOTTOM, stroke=2.6,
                     face_path=FACE, stretch=STRETCH)
    return layer.pixels()


def text_level():
    return word("Level", 512, 224).pixels()


def text_completed():
    return word("Completed!", 1024, 187).pixels()


def text_paused():
    return word("Paused", 1024, 200, glow=GLOW).pixels()


def text_settings():
    return word("Settings", 1024, 224, glow=GLOW).pixels()


def text_skylume():
    """The logo: the title lettering with a golden star riding on it."""
    layer = word("Skylume", 1024, 300, glow=GLOW)
    ik.shaded_star(layer, 905, 62, 44, 20, outline=5)
    for x, y, r in ((960, 122, 7), (852, 40, 5)):
        sparkle(layer, x, y, r)
    return layer.pixels()


def sparkle(layer, x, y, r):
    """A small four-pointed twinkle."""
    dx, dy = np.abs(layer.x - x), np.abs(layer.y - y)
    d = np.minimum(dx * 0.22 + dy, dy * 0.22 + dx) - r * 0.25
    layer.paint(layer.cover(d), (1.0, 0.97, 0.8))
    layer.paint(ik.blur(layer.cover(d), r * 4), ik.GOLD, alpha=0.6)


PICTURES = {
    "text_numbers": text_numbers, "text_level": text_level,
    "text_completed": text_completed, "text_paused": text_paused,
    "text_settings": text_settings, "text_skylume": text_skylume,
}


def main():
    out = output_dir(__doc__)
    for name, make in PICTURES.items():
        save_png(os.path.join(out, name + ".png"), make())


if __name__ == "__main__":
    main()
