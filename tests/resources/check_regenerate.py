#!/usr/bin/python3
"""Runs every generator into a fresh folder and checks that the committed
resources are what the generators make, and that nothing else lies in
resources/.

numpy's vectorised sin, exp and friends round differently on different CPUs
(AVX2 and AVX-512 kernels), so pictures and sounds may differ by one step
from the machine that made them: pictures must match in size, mode and
decoded pixels within 1 per channel, sounds in format and length within 1
per sample. The music is written with integer arithmetic and must match
byte for byte."""
import os
import subprocess
import sys
import tempfile
import wave

import numpy as np
from PIL import Image

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RESOURCES = os.path.join(REPO, "resources")
TOLERANCE = 1


def worst_difference(a, b):
    return int(np.abs(a.astype(np.int64) - b.astype(np.int64)).max(initial=0))


def compare_pictures(made, committed):
    with Image.open(made) as a, Image.open(committed) as b:
        if a.size != b.size or a.mode != b.mode:
            return "is %s %s, the generators make %s %s" % (b.size, b.mode, a.size, a.mode)
        worst = worst_difference(np.asarray(a), np.asarray(b))
    if worst > TOLERANCE:
        return "differs from what the generators make by up to %d in a channel" % worst
    return None


def read_sound(path):
    with wave.open(path, "rb") as w:
        form = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes(), w.getcomptype())
        frames = w.readframes(w.getnframes())
    if form[1] != 2:
        return form, None
    return form, np.frombuffer(frames, "<i2")


def compare_sounds(made, committed):
    form_a, samples_a = read_sound(made)
    form_b, samples_b = read_sound(committed)
    if form_a != form_b:
        return "has format %s, the generators make %s" % (form_b, form_a)
    if samples_a is None:
        return "is not 16-bit"
    worst = worst_difference(samples_a, samples_b)
    if worst > TOLERANCE:
        return "differs from what the generators make by up to %d in a sample" % worst
    return None


def compare_bytes(made, committed):
    with open(made, "rb") as a, open(committed, "rb") as b:
        if a.read() != b.read():
            return "differs from what the generators make"
    return None


COMPARERS = {".png": compare_pictures, ".wav": compare_sounds}


def compare(made, committed):
    comparer = COMPARERS.get(os.path.splitext(made)[1].lower(), compare_bytes)
    return comparer(made, committed)


def main():
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_all.py"), "--out", out], check=True)
        made = sorted(os.listdir(out))
        committed = sorted(f for f in os.listdir(RESOURCES) if f != "skylume.rc")
        failures = []
        if made != committed:
            failures.append("generated %s but resources/ holds %s" % (made, committed))
        for name in made:
            if name in committed:
                fault = compare(os.path.join(out, name), os.path.join(RESOURCES, name))
                if fault:
                    failures.append("%s %s" % (name, fault))
    for failure in failures:
        print("FAIL:", failure)
    print("%d passed, %d failed" % (len(made) - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
