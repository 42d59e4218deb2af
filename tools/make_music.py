#!/usr/bin/python3
"""Writes the game's music: an original calm space-arcade piece in D major,
as a standard MIDI file (format 1, 192 ticks per quarter note, six tracks,
General MIDI instruments).

The song is 56 bars of 4/4 at 100 beats per minute (about 2:14):
intro, A, A, B, bridge, A, B, outro; the outro ends on the dominant so the
loop back to the intro joins smoothly. Every note ends a few ticks before
the loop point, inside the final quarter note."""
import os

from assetkit import be16, be32, output_dir

DIVISION = 192
TEMPO_US = 600000  # 100 beats per minute
BAR = 4 * DIVISION

# Chords: pad voicing and bass root.
CHORDS = {
    "D": ([50, 57, 64, 66], 38),
    "Bm": ([50, 54, 59, 61], 35),
    "G": ([55, 59, 62, 66], 43),
    "A": ([52, 57, 61, 64], 45),
    "Em": ([52, 55, 59, 62], 40),
    "F#m": ([54, 57, 61, 64], 42),
}

PROGRESSIONS = {
    "intro": ["D", "Bm", "G", "A"],
    "A": ["D", "Bm", "G", "A", "D", "Bm", "Em", "A"],
    "B": ["G", "A", "F#m", "Bm", "G", "A", "Bm", "A"],
    "C": ["Bm", "G", "D", "A", "Bm", "G", "Em", "A"],
    "outro": ["D", "Bm", "G", "A"],
}

# Melodies: per bar, a list of (note, start beat, length in beats).
A4, B4, C5, D5, E5, F5, G5, A5, B5 = 69, 71, 73, 74, 76, 78, 79, 81, 83
E4, F4, G4 = 64, 66, 67
MELODY_A = [
    [(A4, 0, 1.5), (F4, 1.5, 0.5), (A4, 2, 1), (D5, 3, 1)],
    [(C5, 0, 1.5), (B4, 1.5, 0.5), (A4, 2, 2)],
    [(B4, 0, 1), (A4, 1, 0.5), (G4, 1.5, 0.5), (F4, 2, 1), (E4, 3, 1)],
    [(F4, 0, 1.5), (G4, 1.5, 0.5), (E4, 2, 2)],
    [(A4, 0, 1.5), (F4, 1.5, 0.5), (A4, 2, 1), (D5, 3, 1)],
    [(E5, 0, 1.5), (D5, 1.5, 0.5), (B4, 2, 1), (D5, 3, 1)],
    [(B4, 0, 1), (G4, 1, 0.5), (B4, 1.5, 0.5), (E5, 2, 1), (D5, 3, 0.5), (C5, 3.5, 0.5)],
    [(C5, 0, 2), (E5, 2, 1), (A4, 3.5, 0.5)],
]
MELODY_B = [
    [(D5, 0, 1), (B4, 1, 0.5), (D5, 1.5, 0.5), (G5, 2, 1.5), (F5, 3.5, 0.5)],
    [(E5, 0, 1), (C5, 1, 0.5), (E5, 1.5, 0.5), (A5, 2, 2)],
    [(F5, 0, 1), (E5, 1, 0.5), (C5, 1.5, 0.5), (A4, 2, 1), (C5, 3, 1)],
    [(D5, 0, 1.5), (C5, 1.5, 0.5), (B4, 2, 2)],
    [(B4, 0, 0.5), (D5, 0.5, 0.5), (G5, 1, 1), (F5, 2, 0.5), (E5, 2.5, 0.5), (D5, 3, 1)],
    [(C5, 0, 0.5), (E5, 0.5, 0.5), (A5, 1, 1), (G5, 2, 0.5), (F5, 2.5, 0.5), (E5, 3, 1)],
    [(F5, 0, 1), (D5, 1, 1), (B4, 2, 1), (D5, 3, 1)],
    [(E5, 0, 2), (C5, 2, 1)],
]
MELODY_C = [
    [(F5, 0, 2), (D5, 2, 2)],
    [(B4, 0, 2), (D5, 2, 1), (E5, 3, 1)],
    [(F5, 0, 3), (A5, 3, 1)],
    [(G5, 0, 1), (F5, 1, 1), (E5, 2, 2)],
    [(F5, 0, 2), (B5, 2, 2)],
    [(A5, 0, 1), (G5, 1, 1), (D5, 2, 2)],
    [(E5, 0, 2), (G5, 2, 1), (F5, 3, 1)],
    [(E5, 0, 2), (C5, 2, 1), (A4, 3, 1)],
]

# Sections in order: (progression, melody or None, drums style, counter style).
FORM = [
    ("intro", None, "light", None),
    ("A", MELODY_A, "full", None),
    ("A", MELODY_A, "full", "double"),
    ("B", MELODY_B, "full", "hold"),
    ("C", MELODY_C, "light", "hold"),
    ("A", MELODY_A, "full", "double"),
    ("B", MELODY_B, "full", "hold"),
    ("outro", None, "light", None),
]

# Tracks: name, channel, General MIDI program (0-based), volume, pan.
TRACKS = [
    ("Melody", 0, 11, 110, 64),    # vibraphone
    ("Arpeggio", 1, 80, 92, 44),   # square lead, soft
    ("Pad", 2, 89, 78, 64),        # warm pad
    ("Bass", 3, 38, 100, 64),      # synth bass
    ("Drums", 9, 0, 80, 64),       # standard kit
    ("Sparkle", 4, 9, 120, 88),     # glockenspiel
]


def ticks(beats):
    return int(round(beats * DIVISION))


def note(events, channel, start, length, pitch, velocity, gap=6):
    """Adds a note-on and a note-off a few ticks before its nominal end."""
    events.append((start, 1, 0x90 | channel, pitch, velocity))
    events.append((start + max(length - gap, 1), 0, 0x80 | channel, pitch, 0))


def bars():
    """Yields (bar start tick, chord name, section, bar index in section)."""
    tick = 0
    for section in FORM:
        for index, chord in enumerate(PROGRESSIONS[section[0]]):
            yield tick, chord, section, index
            tick += BAR


def melody_track(channel):
    events = []
    for start, _, (_, melody, _, _), index in bars():
        if melody is None:
            continue
        soft = melody is MELODY_C
        for pitch, beat, length in melody[index]:
            velocity = (78 if soft else 96) - (0 if beat in (0, 2) else 10)
            note(events, channel, start + ticks(beat), ticks(length), pitch, velocity, gap=10)
    return events


def arpeggio_track(channel):
    events = []
    pattern = [0, 1, 2, 3, 1, 2, 3, 2]
    for start, chord, section, _ in bars():
        # Above the pad where no tune plays, below the tune where one does.
        lift = 12 if section[1] is None else 0
        voicing = [p + lift for p in CHORDS[chord][0]]
        quiet = section[0] in ("intro", "outro", "C")
        for step, index in enumerate(pattern):
            velocity = (40 if quiet else 50) + (12 if step % 4 == 0 else 0)
            note(events, channel, start + step * DIVISION // 2, DIVISION // 2, voicing[index], velocity, gap=20)
    return events


def pad_track(channel):
    events = []
    for start, chord, _, _ in bars():
        for pitch in CHORDS[chord][0]:
            note(events, channel, start, BAR, pitch, 58, gap=4)
    return events


def bass_track(channel):
    events = []
    shape = [(0, 1.5, 0), (1.5, 0.5, 0), (2, 1, 7), (3, 0.5, 12), (3.5, 0.5, 7)]
    for start, chord, section, _ in bars():
        root = CHORDS[chord][1]
        steps = shape if section[2] == "full" else [(0, 2, 0), (2, 2, 7)]
        for beat, length, interval in steps:
            velocity = 92 if beat == 0 else 76
            note(events, channel, start + ticks(beat), ticks(length), root + interval, velocity, gap=12)
    return events


def drum_track(channel):
    events = []
    kick, stick, closed_hat, shaker = 36, 37, 42, 70
    for start, _, section, index in bars():
        full = section[2] == "full"
        for eighth in range(8):
            at = start + eighth * DIVISION // 2
            note(events, channel, at, DIVISION // 4, closed_hat if full else shaker,
                 (46 if eighth % 2 == 0 else 32), gap=0)
        if full:
            for beat in (0, 2.5):
                note(events, channel, start + ticks(beat), DIVISION // 4, kick, 78, gap=0)
            for beat in (1, 3):
                note(events, channel, start + ticks(beat), DIVISION // 4, stick, 58, gap=0)
        elif index % 2 == 0 and section[0] != "intro":
            note(events, channel, start, DIVISION // 4, kick, 60, gap=0)
    return events


def sparkle_track(channel):
    events = []
    for start, chord, (_, melody, _, counter), index in bars():
        if counter == "double":
            for pitch, beat, length in melody[index]:
                note(events, channel, start + ticks(beat), ticks(length), pitch + 12, 70, gap=10)
        elif counter == "hold":
            top = CHORDS[chord][0][2] + 24
            note(events, channel, start, ticks(2), top, 72, gap=10)
            note(events, channel, start + ticks(2.5), ticks(1.5), top - 5, 62, gap=10)
        elif index % 2 == 1:
            top = CHORDS[chord][0][3] + 24
            note(events, channel, start + ticks(3), ticks(1), top, 66, gap=10)
    return events


MAKERS = [melody_track, arpeggio_track, pad_track, bass_track, drum_track, sparkle_track]


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def meta(kind, data):
    return b"\xff" + bytes([kind]) + var_len(len(data)) + data


def track_chunk(timed):
    """timed: (tick, bytes) pairs, already in order."""
    body = bytearray()
    last = 0
    for tick, data in timed:
        body += var_len(tick - last) + data
        last = tick
    body += var_len(0) + meta(0x2F, b"")
    return b"MTrk" + be32(len(body)) + bytes(body)


def tempo_map():
    """Tempo and metre, carried at the head of the first track."""
    return [
        (0, meta(0x51, TEMPO_US.to_bytes(3, "big"))),
        (0, meta(0x58, bytes([4, 2, 24, 8]))),
    ]


def instrument_chunk(name, channel, program, volume, pan, events, head=()):
    setup = list(head) + [
        (0, meta(0x03, name.encode())),
        (0, bytes([0xB0 | channel, 7, volume])),
        (0, bytes([0xB0 | channel, 10, pan])),
        (0, bytes([0xB0 | channel, 91, 64])),
        (0, bytes([0xC0 | channel, program])),
    ]
    notes = [(tick, bytes([status, pitch, velocity]))
             for tick, _, status, pitch, velocity in sorted(events)]
    return track_chunk(setup + notes)


def song():
    chunks = []
    for (name, channel, program, volume, pan), make in zip(TRACKS, MAKERS):
        head = tempo_map() if not chunks else ()
        chunks.append(instrument_chunk(name, channel, program, volume, pan, make(channel), head))
    header = b"MThd" + be32(6) + be16(1) + be16(len(chunks)) + be16(DIVISION)
    return header + b"".join(chunks)


def main():
    out = output_dir(__doc__)
    with open(os.path.join(out, "music.mid"), "wb") as f:
        f.write(song())


if __name__ == "__main__":
    main()
