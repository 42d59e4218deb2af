"""Shared plumbing of the asset generators: where files go and how they are
written so that every run gives byte-identical results."""
import argparse
import io
import os
import struct
import wave

import numpy as np

SAMPLE_RATE = 44100
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RESOURCES = os.path.join(REPO, "resources")


def output_dir(description):
    """Parses --out (default: the resources folder) and makes sure it exists."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--out", default=RESOURCES, help="folder to write into")
    out = parser.parse_args().out
    os.makedirs(out, exist_ok=True)
    return out


def save_png(path, pixels):
    """Writes an RGB or RGBA uint8 array (top row first) as a PNG without
    any metadata, so the bytes depend on the pixels alone."""
    from PIL import Image
    pixels = np.ascontiguousarray(pixels, dtype=np.uint8)
    mode = {3: "RGB", 4: "RGBA"}[pixels.shape[2]]
    buffer = io.BytesIO()
    Image.fromarray(pixels, mode).save(buffer, format="PNG", optimize=False, compress_level=9)
    with open(path, "wb") as f:
        f.write(buffer.getvalue())


def to_pcm16(signal):
    """Float samples in -1..1 to little-endian signed 16-bit bytes."""
    clipped = np.clip(np.round(np.asarray(signal) * 32767.0), -32768, 32767)
    return clipped.astype("<i2").tobytes()


def save_wav(path, signal):
    """Mono 16-bit PCM at 44100 Hz."""
    buffer = io.BytesIO()
    with wave.open(buffer, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(SAMPLE_RATE)
        w.writeframes(to_pcm16(signal))
    with open(path, "wb") as f:
        f.write(buffer.getvalue())


def be16(value):
    return struct.pack(">H", value)


def be32(value):
    return struct.pack(">I", value)
