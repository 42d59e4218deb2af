#!/usr/bin/python3
"""Paints the game's lettering: the digit glyphs, "Level", "Completed!",
"Paused", "Settings" and the "Skylume" logo. All share one face (DejaVu
Sans Condensed Bold, drawn taller than it is), light letters with a dark
outline; the menu titles add a soft glow for the black menus."""
import numpy as np

import imagekit as ik
from assetkit import output_dir, save_pictures

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
    return title("Paused", 1024, 320).pixels()


def text_settings():
    return title("Settings", 1024, 300).pixels()


def title(text, width, height):
    """A menu title in the logo's dress: two outlines, glow, sky gradient."""
    layer = ik.Layer(width, height)
    size = fitted_size(text, width * 0.86, height * 0.7, 0.14)
    descends = any(ch in "gyp" for ch in text)
    cy = height / 2 - (size * 0.11 * STRETCH if descends else 0)
    masks = [ik.text_mask(layer, text, size, width / 2, cy, stroke=k * size, face_path=FACE, stretch=STRETCH)
             for k in (0, 0.075, 0.14)]
    dress(layer, masks, cy - size * 0.5 * STRETCH, cy + size * 0.4 * STRETCH)
    return layer


def dress(layer, masks, top, bottom):
    """Paints glow, outer violet outline, dark outline and the face."""
    edge = np.minimum(np.minimum(layer.x, layer.width - layer.x), np.minimum(layer.y, layer.height - layer.y))
    layer.paint(ik.blur(masks[2], 36) * ik.smoothstep(2, 16, edge), GLOW, alpha=0.9)
    layer.paint(masks[2], (0.36, 0.30, 0.88))
    layer.paint(masks[1], ik.INK)
    t = ik.smoothstep(top, bottom, layer.y)
    fill = ik.mix(ik.mix((1.0, 0.98, 0.88), (0.62, 0.88, 1.0), np.minimum(t * 2, 1)),
                  (0.66, 0.58, 1.0), np.maximum(t * 2 - 1, 0))
    layer.paint(masks[0], fill)
    layer.paint(masks[0] * ik.smoothstep(top + (bottom - top) * 0.45, top + (bottom - top) * 0.2, layer.y) * 0.35,
                (1, 1, 1))


def text_skylume():
    """The logo: "Skylume" on a gentle arch in two outlines, an orbit swept
    behind it and a golden star riding at its end."""
    layer = ik.Layer(1024, 280)
    size = 158
    orbit(layer)
    masks = arched_masks(layer, "Skylume", size, 492, 124, 22, (0, 0.075 * size, 0.14 * size))
    dress(layer, masks, 45, 180)
    ik.shaded_star(layer, 912, 66, 44, 20, outline=5)
    for x, y, r in ((966, 124, 7), (858, 36, 5), (84, 196, 6)):
        sparkle(layer, x, y, r)
    return layer.pixels()


def arched_masks(layer, text, size, cx, cy, arch, strokes):
    """Coverage of each letter set on an arch (the ends arch lower by
    arch pixels and lean outward), once per outline width in strokes."""
    ss = layer.ss
    face = ik.font(int(round(size * ss)), FACE)
    advances = [face.getlength(ch) / ss for ch in text]
    total = sum(advances)
    masks = [np.zeros(layer.x.shape) for _ in strokes]
    x = cx - total / 2
    for ch, advance in zip(text, advances):
        t = (x + advance / 2 - cx) / (total / 2)
        lean = -np.degrees(np.arctan(2 * arch * t / (total / 2)))
        centre = (x + advance / 2, cy + arch * t * t)
        for mask, stroke in zip(masks, strokes):
            letter = ik.text_mask(layer, ch, size, centre[0], centre[1], stroke=stroke,
                                  face_path=FACE, stretch=STRETCH)
            image = ik.Image.fromarray(np.round(letter * 255).astype(np.uint8), "L")
            turned = image.rotate(lean, resample=ik.Image.BICUBIC, center=(centre[0] * ss, centre[1] * ss))
            np.maximum(mask, np.asarray(turned, np.float64) / 255, out=mask)
        x += advance
    return masks


def orbit(layer):
    """A thin tapered orbit swept round the word, ending at the star."""
    angle = np.radians(-9)
    dx, dy = layer.x - 496, layer.y - 138
    u = dx * np.cos(angle) + dy * np.sin(angle)
    v = -dx * np.sin(angle) + dy * np.cos(angle)
    ring = np.hypot(u / 430, v / 74)
    along = np.arctan2(v, u)
    width = 0.024 * ik.smoothstep(-3.0, 0.2, along) * np.where(along < 0, ik.smoothstep(-0.15, -0.9, along) + 0.15, 1)
    band = np.abs(ring - 1) - width
    layer.paint(layer.cover(band * 60), ik.mix((1.0, 0.95, 0.75), ik.GOLD, ik.smoothstep(300, 900, layer.x)))


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
    save_pictures(output_dir(__doc__), PICTURES)


if __name__ == "__main__":
    main()
