#!/usr/bin/python3
"""Composes preview pictures from the generated resources, to judge them as
a player sees them: mock level screens drawn with the game's geometry at
1280x720 and 1920x1080 on every stage's background, and contact sheets of
the menu and selection pictures on black. Writes into --out (default
/tmp/skylume-preview); nothing here is a resource."""
import argparse
import math
import os

import numpy as np
from PIL import Image, ImageDraw

from assetkit import RESOURCES
from imagekit import FONT_BOOK, font

COLOURS = [
    None, (0.65, 0.09, 0.09), (0.2, 0.8, 0.2), (0.08, 0.1, 0.85), (0.85, 0.85, 0.1),
    (0.62, 0.32, 0.72), (0.9, 0.45, 0), (0.1, 0.6, 1), (0.66, 0.53, 0.24),
    (0.8, 0.8, 0.8), (0.98, 0.55, 0.55), (0.4, 0.2, 0.1), (0.4, 0.4, 0.4),
]
ROW_HEIGHT = 0.04 * 1.00001 * math.sin(math.pi / 3)


def load(name, column=None, height=None):
    """A resource as float RGBA, top row first (optionally one 256 column)."""
    image = np.asarray(Image.open(os.path.join(RESOURCES, name + ".png")).convert("RGBA"), np.float64) / 255
    if column is not None:
        image = image[:height, column * 256:(column + 1) * 256]
    return image


class Screen:
    """A y-up pixel grid with the fixed-function drawing the game uses:
    textured quads, GL_LINEAR + GL_REPEAT, GL_MODULATE, alpha blending."""

    def __init__(self, width, height):
        self.w, self.h = width, height
        self.rgb = np.zeros((height, width, 3))

    def quad(self, texture, matrix, rect, window=(1, 1, 0, 0), colour=(1, 1, 1, 1)):
        """matrix maps quad-local points to window pixels (2x3 affine)."""
        x0, y0, x1, y1 = rect
        du, dv, u0, v0 = window
        m = np.asarray(matrix, np.float64)
        corners = np.array([[x0, y0, 1], [x1, y0, 1], [x0, y1, 1], [x1, y1, 1]]) @ m.T
        lo = np.maximum(np.floor(corners.min(axis=0)).astype(int), 0)
        hi = np.minimum(np.ceil(corners.max(axis=0)).astype(int), [self.w, self.h])
        if lo[0] >= hi[0] or lo[1] >= hi[1]:
            return
        ys, xs = np.mgrid[lo[1]:hi[1], lo[0]:hi[0]] + 0.5
        inverse = np.linalg.inv(np.vstack([m, [0, 0, 1]]))
        lx = inverse[0, 0] * xs + inverse[0, 1] * ys + inverse[0, 2]
        ly = inverse[1, 0] * xs + inverse[1, 1] * ys + inverse[1, 2]
        covered = (lx >= min(x0, x1)) & (lx < max(x0, x1)) & (ly >= min(y0, y1)) & (ly < max(y0, y1))
        u = u0 + (lx - x0) / (x1 - x0) * du
        v = v0 + (ly - y0) / (y1 - y0) * dv
        texel = sample(texture, u, v) * np.asarray(colour)
        alpha = texel[..., 3:4] * covered[..., None]
        rows = slice(self.h - hi[1], self.h - lo[1])
        target = self.rgb[rows, lo[0]:hi[0]][::-1]
        blended = texel[..., :3] * alpha + target * (1 - alpha)
        self.rgb[rows, lo[0]:hi[0]] = blended[::-1]

    def image(self):
        return Image.fromarray(np.clip(np.round(self.rgb * 255), 0, 255).astype(np.uint8))


def sample(texture, u, v):
    """Bilinear sampling with wrap-around; v = 0 is the picture's bottom."""
    h, w = texture.shape[:2]
    x = u * w - 0.5
    y = (1 - v) * h - 0.5
    x0, y0 = np.floor(x).astype(int), np.floor(y).astype(int)
    fx, fy = (x - x0)[..., None], (y - y0)[..., None]
    def at(yy, xx):
        return texture[yy % h, xx % w]
    top = at(y0, x0) * (1 - fx) + at(y0, x0 + 1) * fx
    bottom = at(y0 + 1, x0) * (1 - fx) + at(y0 + 1, x0 + 1) * fx
    return top * (1 - fy) + bottom * fy


def affine(scale=1.0, angle_deg=0.0, tx=0.0, ty=0.0, then=None):
    """2x3 matrix of: rotate CCW, scale, translate, then the outer matrix."""
    a = math.radians(angle_deg)
    m = np.array([[scale * math.cos(a), -scale * math.sin(a), tx],
                  [scale * math.sin(a), scale * math.cos(a), ty]])
    if then is None:
        return m
    outer = np.vstack([then, [0, 0, 1]])
    return (outer @ np.vstack([m, [0, 0, 1]]))[:2]


def mock_cells(radius):
    """Hex grid cells of a level disc, coloured so that all twelve show."""
    cells = []
    for row in range(-radius - 1, radius + 2):
        for col in range(-radius - 1, radius + 2):
            x = col * 0.0400004 + (0.02 if row % 2 else 0)
            y = row * ROW_HEIGHT
            if x * x + y * y >= 0.0016 * radius * radius * 1.00001:
                continue
            centre = x * x + y * y < 0.042 ** 2
            colour = 0 if centre else (col * 5 + row * 3) % 12 + 1
            star = not centre and (col * 7 + row * 11) % 9 == 0
            cells.append((x, y, colour, star))
    return cells


def draw_digits(screen, digits, number, view, x, y, height, colour):
    text = str(number)
    g = height * 36.6 / 64
    left = x - len(text) * g / 2
    for i, ch in enumerate(text):
        d = int(ch)
        window = (0.14296875, 0.5, (d % 5) * 36.6 / 256, (1 - d // 5) * 0.5)
        screen.quad(digits, view, (left + i * g, y, left + (i + 1) * g, y + height), window, colour)


def level_screen(width, height, stage, radius, angle, supply):
    """One frame of play drawn with the game's geometry."""
    screen = Screen(width, height)
    s = (5 * height) // 3
    view = affine(s, 0, width // 2, height // 2)
    distance = 0.04 * radius + 0.05
    world = affine(1, angle * 360, 0, -distance, then=view)
    pics = {name: load(name) for name in ("bubble", "star", "center", "dispenser", "text_numbers")}
    tile = load("backgrounds", stage, 256)
    screen.quad(tile, world, (-2, -2, 2, 2), (8, 8, 0, 0))
    screen.quad(pics["dispenser"], view, (-0.16893939393939397, 0.156060606060606, 0.025, 0.35), (0.99, 0.99, 0, 0))
    draw_digits(screen, pics["text_numbers"], supply, view, -0.05303030303030304, 0.26439393939393935,
                0.027272727272727275, (0.5, 0.5, 0.5, 1))
    cells = mock_cells(radius)
    for i, (x, y, colour, _) in enumerate(cells[:6]):
        if colour:
            bubble_at(screen, pics, world, x + 0.3, y + 0.05 * i, colour, False, 1 - 0.15 * i)
    for x, y, colour, star in cells:
        if colour:
            bubble_at(screen, pics, world, x, y, colour, star, 1.0)
    freed = affine(1, 0, 0.07, 0.12, then=world)
    r = 1.4 * 0.8 * 0.02
    screen.quad(pics["star"], freed, (-r, -r, r, r), colour=(1, 1, 1, 0.6))
    screen.quad(pics["center"], world, (-0.06, -0.06, 0.06, 0.06))
    for progress, colour in ((0.0, 3), (0.45, 7), (1.0, 10)):
        queue = affine(1, progress * 90, 0, 0.35, then=view)
        queue = affine(1, 0, -0.14393939, 0, then=queue)
        screen.quad(pics["bubble"], queue, (-0.02, -0.02, 0.02, 0.02), colour=COLOURS[colour] + (1,))
    return screen.image()


def bubble_at(screen, pics, world, x, y, colour, star, scale):
    local = affine(scale, 0, x, y, then=world)
    screen.quad(pics["bubble"], local, (-0.02, -0.02, 0.02, 0.02), colour=COLOURS[colour] + (1,))
    if star:
        screen.quad(pics["star"], local, (-0.016, -0.016, 0.016, 0.016))


def swatches():
    """Every colour, plain and with a star, on each background at 1080p size."""
    size = 72
    sheet = Screen(12 * size + 40, 4 * 2 * size + 40)
    pics = {name: load(name) for name in ("bubble", "star")}
    for stage in range(4):
        tile = load("backgrounds", stage, 256)
        y0 = 20 + stage * 2 * size
        band = affine(1, 0, 0, 0)
        sheet.quad(tile, band, (0, y0, sheet.w, y0 + 2 * size), ((sheet.w) / 900, 2 * size / 900, 0, 0))
        for c in range(1, 13):
            for row in range(2):
                m = affine(size / 2, 0, 20 + (c - 0.5) * size, y0 + (row + 0.5) * size)
                sheet.quad(pics["bubble"], m, (-1, -1, 1, 1), colour=COLOURS[c] + (1,))
                if row:
                    sheet.quad(pics["star"], m, (-0.8, -0.8, 0.8, 0.8))
    return sheet.image()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", default="/tmp/skylume-preview")
    out = parser.parse_args().out
    os.makedirs(out, exist_ok=True)
    swatches().save(os.path.join(out, "swatches.png"))
    for stage in range(4):
        level_screen(1280, 720, stage, 4 + stage, 0.02 + 0.05 * stage, 183 + stage * 200).save(
            os.path.join(out, "level_1280x720_stage%d.png" % stage))
        level_screen(1920, 1080, stage, 5 + stage * 2, -0.04 * stage, 55 + stage * 380).save(
            os.path.join(out, "level_1920x1080_stage%d.png" % stage))
    for name, make in SHEETS.items():
        make().save(os.path.join(out, name + ".png"))


def pil_rgba(name):
    return Image.open(os.path.join(RESOURCES, name + ".png")).convert("RGBA")


def fitted(name, max_w, max_h):
    """Scaled to fit the box with its aspect kept, as the menus do."""
    image = pil_rgba(name)
    w = max_w
    h = image.height * max_w // image.width
    if h > max_h:
        w, h = image.width * max_h // image.height, max_h
    return image.resize((w, h), Image.LANCZOS)


def labelled(picture, label, inset_share):
    """A button picture with its label in black, as the toolkit draws it."""
    picture = picture.copy()
    draw = ImageDraw.Draw(picture)
    inset = picture.height * inset_share
    px = int(picture.height - 2 * inset)
    face = font(int(px / 1.164), FONT_BOOK)
    width = face.getlength(label)
    if width > picture.width - 2 * inset:
        face = font(int(px / 1.164 * (picture.width - 2 * inset) / width), FONT_BOOK)
        width = face.getlength(label)
    ascent, descent = face.getmetrics()
    draw.text(((picture.width - width) / 2, (picture.height - ascent - descent) / 2), label, font=face, fill=(0, 0, 0, 255))
    return picture


def title_menu(width=1920, height=1080):
    """The title menu's pictures and buttons on black, at menu sizes."""
    sheet = Image.new("RGBA", (width, height), (0, 0, 0, 255))
    logo = fitted("text_skylume", int(width * 0.75), int(height * 0.2))
    sheet.alpha_composite(logo, ((width - logo.width) // 2, 40))
    emblem = fitted("about", int(width * 0.4), int(height * 0.6))
    sheet.alpha_composite(emblem, (width // 2 - emblem.width - 60, 80 + logo.height))
    h = height // 20
    y = 80 + logo.height + emblem.height - 3 * (h + 10)
    for state, label in (("normal", "Play"), ("focused", "Settings"), ("selected", "Exit")):
        picture = pil_rgba("button_" + state)
        picture = picture.resize((picture.width * h // picture.height, h), Image.LANCZOS)
        sheet.alpha_composite(labelled(picture, label, 0.12 if state == "selected" else 0.1), (width // 2 + 40, y))
        y += h + 10
    small = pil_rgba("about").resize((50, 50), Image.LANCZOS)
    grey = Image.new("RGBA", (70, 70), (212, 208, 200, 255))
    grey.alpha_composite(small, (10, 10))
    sheet.alpha_composite(grey, (20, height - 90))
    return sheet.convert("RGB")


def menu_titles(width=1920, height=1080):
    """The settings and pause titles at their menu sizes, on black."""
    sheet = Image.new("RGBA", (width, height // 2), (0, 0, 0, 255))
    settings = fitted("text_settings", int(width * 0.75), int(height * 0.2))
    sheet.alpha_composite(settings, ((width - settings.width) // 2, 20))
    paused = fitted("text_paused", int(width * 0.7), int(height * 0.12))
    sheet.alpha_composite(paused, ((width - paused.width) // 2, 60 + settings.height))
    return sheet.convert("RGB")


def selection_screen(width=1280, height=720, stage=1, current=3, maximum=15):
    """The level selection wheel with its buttons, as the screen lays it out."""
    screen = Screen(width, height)
    m = min(width, height)
    u, base, cx, cy = m // 20, (height - m) // 2, width // 2, height // 2
    plain = affine()
    picture = load("levels", stage, 128)
    grey = picture.copy()
    grey[..., :3] = (grey[..., :3] @ np.array([0.30, 0.59, 0.11]))[..., None]
    digits, label = load("text_numbers"), load("text_level")
    for name, x0, y0, w in (("Abort", cx - 41 * u // 10, base + 7 * u // 5, 4 * u),
                            ("Continue", cx + u // 10, base + 7 * u // 5, 4 * u)):
        art = np.asarray(labelled(pil_rgba("button").resize((512, 128), Image.LANCZOS), name, 12 / 128)
                         .resize((256, 64), Image.BOX), np.float64) / 255
        screen.quad(art, plain, (x0, y0, x0 + w, y0 + u))
    arrows = load("arrows")
    for frame, x0 in ((0, cx - 51 * u // 10), (1, cx + 41 * u // 10)):
        screen.quad(arrows[:, frame * 64:(frame + 1) * 64], plain, (x0, base + 13 * u // 5, x0 + u, base + 18 * u // 5))
    for i in range(10):
        a = (i / 9 - current / 9) * 0.85 * 2 * math.pi
        s = 0.76 + 0.24 * math.cos(a)
        x = cx + 0.4 * (s + 0.2) * m * math.sin(a)
        y = cy - 0.25 * (s + 0.2) * m * math.cos(a) + 0.125 * m
        size = 0.13 * s * m
        b = 1.0 if i == current else 0.5
        colour = (b, b, b, 1)
        playable = stage * 10 + i <= maximum
        screen.quad(picture if playable else grey, plain, (x - size, y - size / 2, x + size, y + size / 2), colour=colour)
        g = 0.37 * size
        dw = 36.6 * g / 64
        lw = 640 * g / 280
        total = lw + (2.5 if i == 9 else 1.5) * dw
        left = x - total / 2
        screen.quad(label, plain, (left, y - g / 2, left + lw, y + g / 2), colour=colour)
        draw_digits(screen, digits, i + 1, plain, left + lw + dw / 2 + len(str(i + 1)) * dw / 2, y - g / 2, g, colour)
    return screen.image()


def level_complete(width=1280, height=720, stage=2, level=6, seconds=95):
    """The level-completed screen with a settled rain of bubbles."""
    screen = Screen(width, height)
    m = min(width, height)
    view = affine(m / 2, 0, width // 2, height // 2)
    bubble, picture = load("bubble"), load("levels", stage, 128)
    rng = np.random.RandomState(5)
    for k in range(60):
        x = rng.uniform(-width / m + 0.07, width / m - 0.07)
        top = 0.25 + 0.2 if abs(x) < 0.3 else -height / m
        y = top + 0.07 + 0.13 * (k // 20) + rng.uniform(0, 0.05)
        r = 1 / 15
        screen.quad(bubble, view, (x - r, y - r, x + r, y + r), colour=COLOURS[rng.randint(1, 8)] + (1,))
    screen.quad(picture, view, (-0.35, 0.075, 0.35, 0.425))
    g = 0.37 * 0.35
    gw, lw = g * 36.6 / 64, g * 640 / 280
    left = -(lw + 1.5 * gw) / 2
    screen.quad(load("text_level"), view, (left, 0.25 - g / 2, left + lw, 0.25 + g / 2))
    draw_digits(screen, load("text_numbers"), level + 1, view, left + lw + gw, 0.25 - g / 2, g, (1, 1, 1, 1))
    screen.quad(load("text_completed"), view, (-0.3418, -0.075, 0.3418, 0.05))
    digits, height_t = load("text_numbers"), 0.125
    gw = height_t * 36.6 / 64
    left = -4 * gw / 2
    cells = [seconds // 60, None, (seconds // 10) % 6, seconds % 10]
    for i, d in enumerate(cells):
        window = (0.14296875, 0.5, 0.71484375, 0.5) if d is None else \
            (0.14296875, 0.5, (d % 5) * 36.6 / 256, (1 - d // 5) * 0.5)
        screen.quad(digits, view, (left + i * gw, -0.2 - height_t / 2, left + (i + 1) * gw, -0.2 + height_t / 2), window)
    return screen.image()


def stages_sheet():
    """Every stage badge, normal and grey, and the stage-completed title."""
    sheet = Image.new("RGBA", (1400, 520), (0, 0, 0, 255))
    strip = pil_rgba("stages")
    sheet.alpha_composite(strip, (60, 20))
    grey = strip.convert("LA").convert("RGBA")
    sheet.alpha_composite(grey, (60, 170))
    sheet.alpha_composite(pil_rgba("levels"), (60, 320))
    sheet.alpha_composite(pil_rgba("arrows"), (1150, 320))
    sheet.alpha_composite(pil_rgba("center"), (1150, 390))
    sheet.alpha_composite(pil_rgba("star"), (1290, 390))
    return sheet.convert("RGB")


def tutorial_plate_sheet():
    """The lesson plate with its longest text, wrapped as the game wraps it."""
    plate = pil_rgba("tutorial_plate")
    draw = ImageDraw.Draw(plate)
    face = font(24, FONT_BOOK)
    text = ("The BubbleDropper can only generate a limited number of bubbles.\n\n"
            "This indicator shows the number of bubbles remaining.\n\nPress Enter to Continue.")
    box_w, lines = int(512 * 0.8125), []
    for paragraph in text.split("\n"):
        line = ""
        for word in paragraph.split(" "):
            trial = (line + " " + word).strip()
            if face.getlength(trial + " ") > box_w and line:
                lines.append(line)
                line = word
            else:
                line = trial
        lines.append(line)
    top = int(256 * 0.1875) + (int(256 * 0.625) - 28 * len(lines)) // 2
    for i, line in enumerate(lines):
        draw.text((int(512 * 0.09375), top + 28 * i), line, font=face, fill=(0, 0, 0, 255))
    screen = level_screen(1280, 720, 0, 4, 0.0, 220).convert("RGBA")
    m = 720
    shown = plate.resize((int(0.4 * m), int(0.2 * m)), Image.BILINEAR)
    screen.alpha_composite(shown, (640 + int(0.05 * m), 360 - int(0.2 * m)))
    return screen.convert("RGB")


def contact_sheet():
    """Every picture at its own size (wide ones halved) on black."""
    names = ["text_skylume", "text_settings", "text_paused", "text_completed", "text_level",
             "text_numbers", "button", "button_normal", "button_selected", "button_focused",
             "arrows", "tutorial_plate", "about", "dispenser", "center", "bubble", "star"]
    sheet = Image.new("RGBA", (1600, 1500), (0, 0, 0, 255))
    x, y, row = 10, 10, 0
    for name in names:
        image = pil_rgba(name)
        if image.width > 600:
            image = image.resize((image.width // 2, image.height // 2), Image.LANCZOS)
        if x + image.width > sheet.width:
            x, y, row = 10, y + row + 10, 0
        sheet.alpha_composite(image, (x, y))
        x, row = x + image.width + 10, max(row, image.height)
    return sheet.convert("RGB")


SHEETS = {"contact_sheet": contact_sheet, 
    "menu_title": title_menu, "menu_titles": menu_titles, "selection_levels": selection_screen,
    "level_completed": level_complete, "badges": stages_sheet,
    "tutorial_plate": tutorial_plate_sheet,
}

if __name__ == "__main__":
    main()
