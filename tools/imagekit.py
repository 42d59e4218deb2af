"""Drawing helpers shared by the picture generators.

Pictures are painted as float RGBA layers (premultiplied, top row first) at
SS times the final resolution and box-filtered down at the end, which gives
clean anti-aliased edges without any drawing library beyond numpy."""
import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

SS = 4
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_BOOK = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
FONT_CONDENSED = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"

# The shared palette: one style across every picture.
NAVY = (0.10, 0.10, 0.28)
INK = (0.06, 0.05, 0.18)
CREAM = (1.00, 0.98, 0.92)
PORCELAIN = (0.90, 0.92, 1.00)
LAVENDER = (0.70, 0.70, 0.95)
SKY = (0.45, 0.85, 1.00)
GOLD = (1.00, 0.80, 0.25)
AMBER = (1.00, 0.62, 0.12)


class Layer:
    """A premultiplied RGBA float picture drawn at SS times its final size."""

    def __init__(self, width, height, ss=SS):
        self.width, self.height, self.ss = width, height, ss
        self.rgba = np.zeros((height * ss, width * ss, 4), np.float64)
        ys, xs = np.mgrid[0:height * ss, 0:width * ss]
        # Coordinates in final pixels, y downward, at each sample's centre.
        self.x = (xs + 0.5) / ss
        self.y = (ys + 0.5) / ss

    def paint(self, coverage, colour, alpha=1.0):
        """Composites colour over the layer where coverage (0..1) says."""
        a = np.clip(coverage, 0, 1) * alpha
        colour = np.asarray(colour, np.float64)
        if colour.ndim == 1:
            colour = colour[None, None, :]
        self.rgba[..., :3] = colour[..., :3] * a[..., None] + self.rgba[..., :3] * (1 - a[..., None])
        self.rgba[..., 3] = a + self.rgba[..., 3] * (1 - a)

    def cover(self, distance):
        """Coverage from a signed distance in final pixels (negative inside)."""
        return np.clip(0.5 - distance * self.ss, 0, 1)

    def pixels(self):
        """Box-filters to the final size and returns uint8 RGBA."""
        h, w, s = self.height, self.width, self.ss
        small = self.rgba.reshape(h, s, w, s, 4).mean(axis=(1, 3))
        alpha = small[..., 3:4]
        rgb = np.where(alpha > 1e-6, small[..., :3] / np.maximum(alpha, 1e-6), 0.0)
        out = np.concatenate([rgb, alpha], axis=2)
        return np.clip(np.round(out * 255), 0, 255).astype(np.uint8)


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0, 1)
    return t * t * (3 - 2 * t)


def mix(a, b, t):
    a, b = np.asarray(a, np.float64), np.asarray(b, np.float64)
    t = np.asarray(t, np.float64)[..., None] if np.ndim(t) else t
    return a + (b - a) * t


def circle_distance(layer, cx, cy, r):
    return np.hypot(layer.x - cx, layer.y - cy) - r


def round_rect_distance(layer, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle given by its outer edges."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx = np.abs(layer.x - cx) - hx
    qy = np.abs(layer.y - cy) - hy
    outside = np.hypot(np.maximum(qx, 0), np.maximum(qy, 0))
    return outside + np.minimum(np.maximum(qx, qy), 0) - r


def star_points(cx, cy, outer, inner, turn=0.0):
    """The ten corners of a five-pointed star, first tip straight up."""
    points = []
    for i in range(10):
        angle = np.pi * i / 5 + turn
        r = outer if i % 2 == 0 else inner
        points.append((cx + r * np.sin(angle), cy - r * np.cos(angle)))
    return points


def polygon_distance(x, y, points):
    """Signed distance to a simple polygon (negative inside)."""
    best = np.full(x.shape, np.inf)
    sign = np.ones(x.shape)
    n = len(points)
    for i in range(n):
        (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
        ex, ey = bx - ax, by - ay
        wx, wy = x - ax, y - ay
        t = np.clip((wx * ex + wy * ey) / (ex * ex + ey * ey), 0, 1)
        best = np.minimum(best, np.hypot(wx - ex * t, wy - ey * t))
        crosses = ((ay > y) != (by > y)) & (x < (bx - ax) * (y - ay) / (by - ay + 1e-12) + ax)
        sign = np.where(crosses, -sign, sign)
    return best * sign


def shaded_star(layer, cx, cy, outer, inner=None, outline=None, light=(-0.5, -0.7, 0.8)):
    """A bevelled golden star with rounded tips and a dark outline."""
    inner = inner or outer * 0.5
    outline = outline if outline is not None else outer * 0.1
    rounding = outer * 0.08
    d = polygon_distance(layer.x, layer.y, star_points(cx, cy, outer - rounding, inner - rounding * 0.5)) - rounding
    layer.paint(layer.cover(d - outline), (0.42, 0.16, 0.02))
    # Facets: each tip has two planes that meet along the ridge to the centre.
    angle = np.arctan2(layer.x - cx, -(layer.y - cy)) % (2 * np.pi)
    sector = angle / (np.pi / 5)
    left_half = (np.floor(sector) % 2) == 0
    tip = np.round(sector / 2) * 2 * np.pi / 5
    side = np.where(left_half, 1.0, -1.0)
    nx = np.cos(tip) * side * 0.6 - np.sin(tip) * 0.35
    ny = np.sin(tip) * side * 0.6 + np.cos(tip) * 0.35
    lx, ly, lz = np.array(light) / np.linalg.norm(light)
    lit = np.clip((nx * lx - ny * ly + 0.75 * lz) / 1.05, 0, 1)
    r = np.hypot(layer.x - cx, layer.y - cy) / outer
    base = mix(GOLD, AMBER, smoothstep(0.2, 1.0, r))
    colour = mix(base * 0.8, (1.0, 0.97, 0.75), lit ** 1.5)
    colour = mix(colour, (1.0, 1.0, 0.92), smoothstep(0.3, 0.0, r) * 0.8)
    layer.paint(layer.cover(d), colour)


def glossy_sphere(layer, cx, cy, r):
    """Coverage and grey shading (0..1) of a glossy ball: lit from the upper
    left, a window highlight, reflected light on the lower right rim and a
    darker edge that keeps neighbouring balls apart."""
    nx = (layer.x - cx) / r
    ny = -(layer.y - cy) / r
    rr = np.hypot(nx, ny)
    nz = np.sqrt(np.clip(1 - rr * rr, 0, 1))
    light = np.array([-0.45, 0.55, 0.70])
    light /= np.linalg.norm(light)
    lambert = np.clip(nx * light[0] + ny * light[1] + nz * light[2], 0, 1)
    value = 0.50 + 0.40 * lambert
    value += 0.35 * smoothstep(0.60, 0.97, rr) * smoothstep(0.1, 0.8, nx * 0.55 - ny * 0.85)
    spot = np.hypot((nx + 0.33) / 0.34, (ny - 0.42) / 0.22)
    value = np.maximum(value, 1.0 - 0.45 * smoothstep(0.75, 1.0, spot))
    value *= 0.62 + 0.38 * smoothstep(1.0, 0.92, rr)
    return layer.cover((rr - 1) * r), np.clip(value, 0, 1)


def hub(layer, cx, cy, pitch, r):
    """The world's seven-cell hub: six pearly petals, pitch apart, round a
    glowing golden core that holds a star."""
    centres = [(cx, cy)] + [(cx + pitch * np.cos(a), cy + pitch * np.sin(a))
                            for a in np.radians(np.arange(0, 360, 60))]
    flower = np.min([circle_distance(layer, x, y, r) for x, y in centres], axis=0)
    layer.paint(layer.cover(flower), NAVY)
    for x, y in centres[1:]:
        petal(layer, x, y, r - r * 0.12)
    layer.paint(layer.cover(circle_distance(layer, cx, cy, r * 1.05)), NAVY)
    glow = smoothstep(r, 0, np.hypot(layer.x - cx, layer.y - cy))
    layer.paint(layer.cover(circle_distance(layer, cx, cy, r * 0.94)), mix((0.95, 0.45, 0.10), (1.0, 0.93, 0.6), glow))
    shaded_star(layer, cx, cy + r * 0.04, r * 0.78, r * 0.36, outline=r * 0.065)


def petal(layer, x, y, r):
    """One cell of the hub: a porcelain cap with a bevel and a cyan lamp,
    machine-made so that it never passes for a bubble."""
    nx = (layer.x - x) / r
    ny = -(layer.y - y) / r
    rr = np.hypot(nx, ny)
    lit = np.clip(0.5 + 0.5 * (-0.6 * nx + 0.8 * ny), 0, 1)
    layer.paint(layer.cover((rr - 1) * r), mix((0.50, 0.52, 0.80), PORCELAIN, lit))
    layer.paint(layer.cover((np.abs(rr - 0.74) - 0.05) * r), (0.42, 0.44, 0.72))
    layer.paint(layer.cover((rr - 0.66) * r), mix(PORCELAIN, (0.62, 0.64, 0.88), lit))
    layer.paint(layer.cover((rr - 0.40) * r), INK)
    gem = smoothstep(0.34, 0.0, np.hypot(nx + 0.1, ny - 0.12))
    layer.paint(layer.cover((rr - 0.33) * r), mix((0.10, 0.45, 0.80), (0.85, 1.0, 1.0), gem))


def font(size, path=FONT_BOLD):
    return ImageFont.truetype(path, size)


def text_mask(layer, text, size, cx, cy, stroke=0, face_path=FONT_BOLD, tracking=0.0, stretch=1.0):
    """Coverage of text centred on (cx, cy) in final pixels (capitals centred
    vertically), drawn at the layer's sampling rate; stroke grows the letters
    by that many pixels, stretch makes them taller."""
    ss = layer.ss
    face = font(int(round(size * ss)), face_path)
    width, height = layer.width * ss, layer.height * ss
    image = Image.new("L", (width, height), 0)
    draw = ImageDraw.Draw(image)
    widths = [face.getlength(ch) for ch in text]
    total = sum(widths) + tracking * ss * (len(text) - 1)
    cap = face.getbbox("H")
    x = cx * ss - total / 2
    y = cy * ss - (cap[1] + cap[3]) / 2
    for ch, w in zip(text, widths):
        draw.text((x, y), ch, font=face, fill=255, stroke_width=int(round(stroke * ss)), stroke_fill=255)
        x += w + tracking * ss
    if stretch != 1.0:
        tall = image.resize((width, int(round(height * stretch))), Image.BICUBIC)
        top = int(round(cy * ss * stretch - cy * ss))
        image = tall.crop((0, top, width, top + height))
    return np.asarray(image, np.float64) / 255.0


def blur(mask, radius):
    """Gaussian blur of a coverage mask (radius in sampled pixels)."""
    image = Image.fromarray(np.clip(mask * 255, 0, 255).astype(np.uint8), "L")
    return np.asarray(image.filter(ImageFilter.GaussianBlur(radius)), np.float64) / 255.0


def lettering(layer, text, size, cx, cy, fill_top, fill_bottom, outline=INK,
              stroke=None, glow=None, tracking=0.0, face_path=FONT_BOLD, stretch=1.0):
    """Light letters with a gradient face, a dark outline, a soft shine on
    the upper half and an optional outer glow."""
    stroke = stroke if stroke is not None else size * 0.07
    args = dict(face_path=face_path, tracking=tracking, stretch=stretch)
    outer = text_mask(layer, text, size, cx, cy, stroke=stroke, **args)
    face = text_mask(layer, text, size, cx, cy, **args)
    half = size * 0.37 * stretch
    if glow is not None:
        edge = np.minimum(np.minimum(layer.x, layer.width - layer.x), np.minimum(layer.y, layer.height - layer.y))
        layer.paint(blur(outer, stroke * layer.ss * 0.8) * smoothstep(2, 14, edge), glow, alpha=0.9)
    layer.paint(outer, outline)
    t = smoothstep(cy - half, cy + half, layer.y)
    layer.paint(face, mix(fill_top, fill_bottom, t))
    shine = smoothstep(cy + half * 0.05, cy - half * 0.25, layer.y) * 0.35
    layer.paint(face * shine, (1, 1, 1))


def value_noise(u, v, cells, seed):
    """Smooth value noise at tile coordinates (u, v), period 1 in both."""
    lattice = np.random.RandomState(seed).uniform(0, 1, (cells, cells))
    x, y = u * cells, v * cells
    x0, y0 = np.floor(x), np.floor(y)
    fx, fy = x - x0, y - y0
    fx = fx * fx * fx * (fx * (fx * 6 - 15) + 10)
    fy = fy * fy * fy * (fy * (fy * 6 - 15) + 10)
    i0, j0 = x0.astype(int) % cells, y0.astype(int) % cells
    i1, j1 = (i0 + 1) % cells, (j0 + 1) % cells
    top = lattice[j0, i0] * (1 - fx) + lattice[j0, i1] * fx
    bottom = lattice[j1, i0] * (1 - fx) + lattice[j1, i1] * fx
    return top * (1 - fy) + bottom * fy


def fractal_noise(u, v, seed, base_cells=4, octaves=5, gain=0.5):
    """Octaves of value noise, each twice as fine; still period 1."""
    total = np.zeros(np.shape(u))
    weight, norm = 1.0, 0.0
    for octave in range(octaves):
        total += weight * value_noise(u, v, base_cells << octave, seed * 31 + octave)
        norm += weight
        weight *= gain
    return total / norm


def normalised(field, low, high):
    """Maps the field's low..high percentiles to 0..1 with a soft ramp."""
    a, b = np.percentile(field, [low, high])
    return smoothstep(a, b, field)
