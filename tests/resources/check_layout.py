#!/usr/bin/python3
"""Checks every resource against the layout the game relies on: picture
sizes and frames, transparent margins, sound format and level, and the
music's header, timing and loop point."""
import math
import os
import struct
import unittest
import wave

import numpy as np
from PIL import Image

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RESOURCES = os.path.join(REPO, "resources")

PICTURES = ["about", "arrows", "backgrounds", "bubble", "button", "button_normal",
            "button_selected", "button_focused", "center", "dispenser", "levels", "stages",
            "star", "text_skylume", "text_completed", "text_level", "text_numbers",
            "text_paused", "text_settings", "tutorial_plate"]
SOUNDS = {"pop": 0.12, "fire": 0.25, "star": 1.0, "bounce": 0.3}
PEAK_LIMIT = 10 ** (-3 / 20) * 32768


def read_script():
    entries = {}
    with open(os.path.join(RESOURCES, "skylume.rc")) as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                name, kind, file = line.split()
                entries[(name, kind)] = file
    return entries


def size_of(name):
    with Image.open(os.path.join(RESOURCES, name + ".png")) as image:
        return image.size


def picture(name):
    """RGBA floats 0..1, top row first."""
    with Image.open(os.path.join(RESOURCES, name + ".png")) as image:
        return np.asarray(image.convert("RGBA"), np.float64) / 255


def luminance(rgba):
    return rgba[..., :3] @ np.array([0.30, 0.59, 0.11])


class ResourceScript(unittest.TestCase):
    def test_names_every_resource_once_with_an_existing_file(self):
        entries = read_script()
        expected = {(n, "PNG") for n in PICTURES} | {(n, "WAV") for n in SOUNDS} | {("music", "MID")}
        self.assertEqual(set(entries), expected)
        for file in entries.values():
            self.assertTrue(os.path.isfile(os.path.join(RESOURCES, file)), file)


class PictureLayout(unittest.TestCase):
    def assert_clear_border(self, rgba, what):
        edges = [rgba[0, :, 3], rgba[-1, :, 3], rgba[:, 0, 3], rgba[:, -1, 3]]
        self.assertEqual(max(e.max() for e in edges), 0.0, what + ": outermost pixels must be transparent")

    def test_sizes(self):
        fixed = {"backgrounds": (1024, 256), "text_numbers": (256, 128), "levels": (1024, 128),
                 "stages": (1280, 128), "arrows": (128, 64), "tutorial_plate": (512, 256)}
        for name, size in fixed.items():
            self.assertEqual(size_of(name), size, name)
        aspects = {"button": 4.0, "text_level": 16 / 7, "text_completed": 0.6836 / 0.125,
                   "bubble": 1.0, "star": 1.0, "center": 1.0, "dispenser": 1.0}
        for name, aspect in aspects.items():
            w, h = size_of(name)
            self.assertAlmostEqual(w / h, aspect, delta=0.01 * aspect, msg=name)
        sizes = {size_of("button_" + s)
                 for s in ("normal", "selected", "focused")}
        self.assertEqual(len(sizes), 1, "menu buttons share one size")
        for name in ("text_skylume", "text_settings", "text_paused"):
            self.assertGreaterEqual(size_of(name)[0], 1000, name)

    def test_alpha_pictures_keep_a_transparent_margin(self):
        for name in PICTURES:
            if name == "backgrounds":
                continue
            rgba = picture(name)
            self.assert_clear_border(rgba, name)
        for name, frames in (("arrows", 2), ("levels", 4), ("stages", 5)):
            rgba = picture(name)
            width = rgba.shape[1] // frames
            for i in range(frames):
                self.assert_clear_border(rgba[:, i * width:(i + 1) * width], "%s frame %d" % (name, i))

    def test_digit_cells_do_not_touch(self):
        rgba = picture("text_numbers")
        for k in range(1, 7):
            column = int(math.floor(k * 36.6))
            self.assertEqual(rgba[:, column - 1:column + 2, 3].max(), 0.0, "cell edge %d" % k)
        self.assertEqual(rgba[63:65, :, 3].max(), 0.0, "row edge")
        for col, row in [(c, r) for r in range(2) for c in range(5)] + [(5, 0)]:
            cell = rgba[row * 64:(row + 1) * 64, int(col * 36.6) + 2:int((col + 1) * 36.6) - 1]
            self.assertGreater(cell[..., 3].max(), 0.9, "glyph in cell %d,%d" % (col, row))
            self.assertGreater(luminance(cell)[cell[..., 3] > 0.99].max(), 0.9, "glyphs are light")

    def test_backgrounds_are_opaque_dark_and_seamless(self):
        with Image.open(os.path.join(RESOURCES, "backgrounds.png")) as image:
            self.assertEqual(image.mode, "RGB")
            rgb = np.asarray(image, np.float64) / 255
        for stage in range(4):
            tile = rgb[:, stage * 256:(stage + 1) * 256]
            self.assertLess(luminance(tile).mean(), 0.09, "stage %d too bright" % stage)
            self.assertLess(np.percentile(luminance(tile), 90), 0.15, "stage %d clouds too bright" % stage)
            inner = np.abs(np.diff(tile, axis=1)).mean()
            seam_x = np.abs(tile[:, 0] - tile[:, -1]).mean()
            seam_y = np.abs(tile[0] - tile[-1]).mean()
            self.assertLess(seam_x, 2.5 * inner, "stage %d left/right seam" % stage)
            self.assertLess(seam_y, 2.5 * inner, "stage %d top/bottom seam" % stage)
        tiles = [rgb[:, s * 256:(s + 1) * 256].reshape(-1, 3).mean(axis=0) for s in range(4)]
        for a in range(4):
            for b in range(a + 1, 4):
                self.assertGreater(np.abs(tiles[a] - tiles[b]).sum(), 0.02, "moods %d and %d alike" % (a, b))

    def test_bubble_is_grey_and_bright(self):
        rgba = picture("bubble")
        seen = rgba[..., 3] > 0
        self.assertTrue(np.all(rgba[seen, 0] == rgba[seen, 1]) and np.all(rgba[seen, 1] == rgba[seen, 2]))
        self.assertEqual(rgba[32, 32, 3], 1.0)
        self.assertEqual(rgba[seen, 0].max(), 1.0, "highlight at full brightness")

    def test_center_is_opaque_only_inside_the_flower(self):
        rgba = picture("center")
        w = rgba.shape[1]
        def alpha_at(angle_deg, radius):
            x = w / 2 + radius * w * math.cos(math.radians(angle_deg))
            y = w / 2 - radius * w * math.sin(math.radians(angle_deg))
            return rgba[int(y), int(x), 3]
        self.assertEqual(alpha_at(0, 0), 1.0)
        for angle in range(0, 360, 60):
            self.assertEqual(alpha_at(angle, 1 / 3), 1.0, "petal at %d" % angle)
            self.assertEqual(alpha_at(angle + 30, 0.45), 0.0, "gap at %d" % (angle + 30))

    def test_dispenser_has_a_dark_counter_window(self):
        rgba = picture("dispenser")
        size = rgba.shape[0]
        scale = 0.99 * size / (0.35 - 0.156060606060606)
        def pixel(x, y):
            return int((x + 0.16893939393939397) * scale), int(size - (y - 0.156060606060606) * scale)
        x0, y0 = pixel(-0.053 - 0.031, 0.2917)
        x1, y1 = pixel(-0.053 + 0.031, 0.2644)
        window = rgba[y0:y1, x0:x1]
        self.assertEqual(window[..., 3].min(), 1.0)
        self.assertLess(luminance(window).max(), 0.2)

    def test_faces_that_carry_black_text_are_light(self):
        plate = picture("tutorial_plate")
        box = plate[int(256 * 0.1875):int(256 * 0.8125), int(512 * 0.09375):int(512 * 0.90625)]
        self.assertEqual(box[..., 3].min(), 1.0)
        self.assertGreater(luminance(box).min(), 0.75)
        outer = plate[16:240, 16:496]
        self.assertEqual(outer[..., 3].min(), 1.0, "room for overflowing lines")
        for name in ("button", "button_normal", "button_focused", "button_selected"):
            rgba = picture(name)
            h, w = rgba.shape[:2]
            band = rgba[int(h * 0.3):int(h * 0.7), int(h * 0.6):w - int(h * 0.6)]
            self.assertEqual(band[..., 3].min(), 1.0, name)
            self.assertGreater(luminance(band).mean(), 0.65, name)
        normal, selected, focused = (picture("button_" + s) for s in ("normal", "selected", "focused"))
        self.assertGreater(np.abs(normal - selected).mean(), 0.02)
        self.assertGreater(np.abs(normal - focused).mean(), 0.02)

    def test_arrows_point_left_then_right(self):
        rgba = picture("arrows")
        for frame, sign in ((0, -1), (1, 1)):
            tile = rgba[:, frame * 64:(frame + 1) * 64]
            ink = (luminance(tile) < 0.4) & (tile[..., 3] > 0.99)
            ink[:, :6] = ink[:, -6:] = False
            ink[:6] = ink[-6:] = False
            xs = np.nonzero(ink)[1]
            self.assertGreater(len(xs), 50)
            tip = xs.max() if sign > 0 else xs.min()
            self.assertGreater(sign * (tip - 31.5), 8, "frame %d" % frame)

    def test_level_and_stage_badges_hold_their_title_band(self):
        for name, frames in (("levels", 4), ("stages", 5)):
            rgba = picture(name)
            for i in range(frames):
                frame = rgba[:, i * 256:(i + 1) * 256]
                self.assertEqual(frame[41:87, 40:216, 3].min(), 1.0, "%s %d band" % (name, i))
                self.assertEqual(frame[20, 128, 3], 1.0, "%s %d mound top" % (name, i))
                self.assertEqual(frame[8, 20, 3], 0.0, "%s %d shoulder" % (name, i))


def read_wav(name):
    with wave.open(os.path.join(RESOURCES, name + ".wav")) as w:
        params = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getcomptype())
        samples = np.frombuffer(w.readframes(w.getnframes()), "<i2").astype(np.int64)
    return params, samples


class SoundLayout(unittest.TestCase):
    def test_format_length_and_level(self):
        for name, longest in SOUNDS.items():
            params, samples = read_wav(name)
            self.assertEqual(params, (1, 2, 44100, "NONE"), name)
            self.assertLess(len(samples) / 44100, longest, name)
            self.assertLessEqual(np.abs(samples).max(), PEAK_LIMIT, name + " peak above -3 dBFS")
            self.assertGreater(np.abs(samples).max(), PEAK_LIMIT / 2, name + " too quiet")

    def test_no_clicks_at_the_ends(self):
        for name in SOUNDS:
            _, samples = read_wav(name)
            self.assertLessEqual(abs(samples[0]) + abs(samples[-1]), 0, name)
            self.assertLess(np.abs(samples[:20]).max(), 2000, name + " starts abruptly")
            self.assertLess(np.abs(samples[-20:]).max(), 200, name + " ends abruptly")


def parse_midi(data):
    """Header fields and the merged (time, status, data) events the game keeps."""
    assert data[:4] == b"MThd" and struct.unpack(">I", data[4:8])[0] == 6
    fmt, count, division = struct.unpack(">HHH", data[8:14])
    pos, events, tracks = 14, [], 0
    for _ in range(count):
        kind, length = data[pos:pos + 4], struct.unpack(">I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + length]
        pos += 8 + length
        if kind == b"MTrk":
            tracks += 1
            events += parse_track(body)
    events.sort(key=lambda e: e[0])
    return fmt, count, division, tracks, events


def parse_track(body):
    events, pos, tick, running = [], 0, 0, None
    def var_len():
        nonlocal pos
        value = 0
        while True:
            byte = body[pos]
            pos += 1
            value = value * 128 + (byte & 0x7F)
            if byte < 0x80:
                return value
    while pos < len(body):
        tick += var_len()
        status = body[pos]
        if status & 0x80:
            pos += 1
        else:
            status = running
        if status < 0xF0:
            running = status
            size = 1 if status >> 4 in (0xC, 0xD) else 2
            events.append((tick, status, tuple(body[pos:pos + size])))
            pos += size
        elif status == 0xFF:
            kind = body[pos]
            pos += 1
            length = var_len()
            if kind == 0x51:
                events.append((tick, 0xFF, tuple(body[pos:pos + 3])))
            pos += length
        else:
            pos += var_len()
    return events


class MusicLayout(unittest.TestCase):
    def setUp(self):
        with open(os.path.join(RESOURCES, "music.mid"), "rb") as f:
            self.fmt, self.count, self.division, self.tracks, self.events = parse_midi(f.read())

    def test_header(self):
        self.assertEqual((self.fmt, self.division), (1, 192))
        self.assertEqual(self.tracks, self.count)
        self.assertEqual(self.tracks, 6)

    def test_tempo_and_programs_come_first(self):
        self.assertTrue(any(t == 0 and s == 0xFF for t, s, _ in self.events))
        first_note, programs = {}, {}
        for tick, status, _ in self.events:
            channel = status & 0x0F
            if status >> 4 == 0x9:
                first_note.setdefault(channel, tick)
            if status >> 4 == 0xC:
                programs.setdefault(channel, tick)
        for channel, tick in first_note.items():
            if channel != 9:
                self.assertIn(channel, programs)
                self.assertLessEqual(programs[channel], tick)

    def test_every_quarter_note_fits_one_stream_buffer(self):
        per_quarter = {}
        for tick, _, _ in self.events:
            per_quarter[tick // 192] = per_quarter.get(tick // 192, 0) + 1
        self.assertLessEqual(max(per_quarter.values()), 339)

    def test_notes_close_and_the_loop_ends_on_a_bar(self):
        sounding = {}
        for tick, status, data in self.events:
            key = (status & 0x0F, data[0]) if status >> 4 in (0x8, 0x9) else None
            if status >> 4 == 0x9 and data[1] > 0:
                self.assertNotIn(key, sounding, "note started twice")
                sounding[key] = tick
            elif key is not None:
                sounding.pop(key, None)
        self.assertEqual(sounding, {})
        last = self.events[-1]
        self.assertTrue(last[1] >> 4 == 0x8 or (last[1] >> 4 == 0x9 and last[2][1] == 0))
        loop = (last[0] // 192 + 1) * 192
        self.assertEqual(loop % (4 * 192), 0, "the loop point is a bar line")
        tempo = [e for e in self.events if e[1] == 0xFF]
        self.assertEqual(len(tempo), 1)
        seconds = loop / 192 * int.from_bytes(bytes(tempo[0][2]), "big") / 1e6
        self.assertTrue(90 <= seconds <= 180, seconds)


if __name__ == "__main__":
    unittest.main(verbosity=1)
