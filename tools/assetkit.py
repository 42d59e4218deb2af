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


def png_bytes(pixels):
    """An RGB or RGBA uint8 array (top row first) as a PNG without any
    metadata, so the bytes depend on the pixels alone."""
    from PIL import Image
    pixels = np.ascontiguousarray(pixels, dtype=np.uint8)
    mode = {3: "RGB", 4: "RGBA"}[pixels.shape[2]]
    buffer = io.BytesIO()
    Image.fromarray(pixels, mode).save(buffer, format="PNG", optimize=False, compress_level=9)
    return buffer.getvalue()


def wav_bytes(signal):
    """Float samples in -1..1 as a mono 16-bit PCM WAV at 44100 Hz."""
    pcm = np.clip(np.round(np.asarray(signal) * 32767.0), -32768, 32767).astype("<i2").tobytes()
    buffer = io.BytesIO()
    with wave.open(buffer, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(SAMPLE_RATE)
        w.writeframes(pcm)
    return buffer.getvalue()


def save_all(out, makers, extension, encode):
    """Writes each {name: maker} result, encoded, as name.extension into out."""
    for name, make in makers.items():
        with open(os.path.join(out, name + extension), "wb") as f:
            f.write(encode(make()))


def save_pictures(out, pictures):
    save_all(out, pictures, ".png", png_bytes)


def save_sounds(out, sounds):
    save_all(out, sounds, ".wav", wav_bytes)


def be16(value):
    return struct.pack(">H", value)


def be32(value):
    return struct.pack(">I", value)
