#!/usr/bin/env python3
"""Makes the audio test files: a short beep, a test song, and the same beep
in the other formats the loader takes, written by sox as other programs
write them. Run from anywhere; writes next to this script."""
import math
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))


def wav_pcm16_mono(samples, rate=44100):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def beep():
    # 0.1 s at 880 Hz with a 5 ms fade at each end, so it starts and stops without a click.
    count = 4410
    fade = 220
    out = []
    for i in range(count):
        envelope = min(1.0, i / fade, (count - 1 - i) / fade)
        out.append(int(round(12000 * envelope * math.sin(2 * math.pi * 880 * i / 44100))))
    return out


def varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def track(events):
    """events: (absolute tick, bytes) in order."""
    body = b""
    last = 0
    for tick, data in events:
        body += varlen(tick - last) + data
        last = tick
    body += varlen(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def song():
    """Format 1, division 192: a tempo track (120 then 150 beats per minute)
    and two instruments, eight bars of 4/4."""
    q = 192
    tempo = [(0, b"\xff\x51\x03" + (500000).to_bytes(3, "big")),
             (16 * q, b"\xff\x51\x03" + (400000).to_bytes(3, "big"))]
    melody = [(0, b"\xc0\x49")]  # flute
    notes = [72, 74, 76, 77, 79, 77, 76, 74] * 4
    for i, note in enumerate(notes):
        melody.append((i * q, bytes([0x90, note, 96])))
        melody.append((i * q + q - 24, bytes([0x80, note, 0])))
    bass = [(0, b"\xc1\x20")]  # acoustic bass
    for bar in range(8):
        root = [48, 53, 55, 48][bar % 4]
        bass.append((bar * 4 * q, bytes([0x91, root, 100])))
        bass.append((bar * 4 * q + 2 * q - 1, bytes([0x81, root, 0])))
        bass.append((bar * 4 * q + 2 * q, bytes([0x91, root + 7, 100])))
        bass.append((bar * 4 * q + 4 * q - 1, bytes([0x81, root + 7, 0])))
    header = b"MThd" + struct.pack(">IHHH", 6, 1, 3, q)
    return header + track(tempo) + track(melody) + track(bass)


def main():
    samples = beep()
    with open(os.path.join(HERE, "beep.wav"), "wb") as f:
        f.write(wav_pcm16_mono(samples))
    with open(os.path.join(HERE, "song.mid"), "wb") as f:
        f.write(song())
    source = os.path.join(HERE, "beep.wav")
    for name, args in [("beep_u8_stereo_22050.wav", ["-e", "unsigned-integer", "-b", "8", "-c", "2", "-r", "22050"]),
                       ("beep_s24_48000.wav", ["-e", "signed-integer", "-b", "24", "-c", "1", "-r", "48000"]),
                       ("beep_float_stereo.wav", ["-e", "floating-point", "-b", "32", "-c", "2"]),
                       ("beep_s16_6ch.wav", ["-e", "signed-integer", "-b", "16", "-c", "6"])]:
        subprocess.run(["sox", "-D", source] + args + [os.path.join(HERE, name)], check=True)


if __name__ == "__main__":
    main()
