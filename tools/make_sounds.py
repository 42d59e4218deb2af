#!/usr/bin/python3
"""Synthesises the four sound effects: fire, pop, star and bounce.

Every sound is built from sine partials and seeded noise shaped by simple
envelopes and one-pole filters, then faded to silence at both ends (no
clicks) and scaled to a -3.5 dBFS peak."""
import numpy as np

from assetkit import SAMPLE_RATE, output_dir, save_sounds

PEAK = 10 ** (-3.5 / 20)


def times(seconds):
    return np.arange(int(round(seconds * SAMPLE_RATE))) / SAMPLE_RATE


def sweep(t, f0, f1, duration):
    """Phase of a sine whose frequency glides exponentially from f0 to f1
    over duration and then holds f1."""
    k = np.log(f1 / f0) / duration
    inside = np.minimum(t, duration)
    phase = f0 * (np.exp(k * inside) - 1) / k + f1 * np.maximum(t - duration, 0)
    return 2 * np.pi * phase


def envelope(t, attack, decay):
    """Raised-cosine attack then exponential decay with time constant decay."""
    rise = np.where(t < attack, 0.5 - 0.5 * np.cos(np.pi * np.minimum(t / attack, 1)), 1.0)
    return rise * np.exp(-np.maximum(t - attack, 0) / decay)


def noise(count, seed):
    return np.random.RandomState(seed).uniform(-1, 1, count)


def low_pass(signal, cutoff):
    a = np.exp(-2 * np.pi * cutoff / SAMPLE_RATE)
    out = np.empty_like(signal)
    state = 0.0
    for i, x in enumerate(signal):
        state = (1 - a) * x + a * state
        out[i] = state
    return out


def band_pass(signal, low, high):
    smooth = low_pass(signal, high)
    return smooth - low_pass(smooth, low)


def finish(signal, fade_in=0.002, fade_out=0.015):
    """Fades both ends to exact silence and scales to the common peak."""
    n = len(signal)
    ramp_in = int(fade_in * SAMPLE_RATE)
    ramp_out = int(fade_out * SAMPLE_RATE)
    gain = np.ones(n)
    gain[:ramp_in] = 0.5 - 0.5 * np.cos(np.pi * np.arange(ramp_in) / ramp_in)
    gain[n - ramp_out:] = 0.5 + 0.5 * np.cos(np.pi * (np.arange(ramp_out) + 1) / ramp_out)
    shaped = signal * gain
    shaped[0] = shaped[-1] = 0.0
    return shaped * (PEAK / np.max(np.abs(shaped)))


def fire():
    """A soft pneumatic 'thwoop': a gliding tone over a short puff of air."""
    t = times(0.22)
    tone = np.sin(sweep(t, 260, 620, 0.07)) + 0.25 * np.sin(2 * sweep(t, 260, 620, 0.07))
    tone *= envelope(t, 0.006, 0.055)
    puff = band_pass(noise(len(t), 11), 900, 3200) * envelope(t, 0.003, 0.03)
    return finish(tone + 1.6 * puff, fade_out=0.03)


def pop():
    """A light bubble pop: a quick upward chirp with a tiny airy tick."""
    t = times(0.085)
    chirp = np.sin(sweep(t, 520, 1500, 0.03)) * envelope(t, 0.0015, 0.016)
    tick = band_pass(noise(len(t), 23), 2500, 9000) * envelope(t, 0.0008, 0.004)
    return finish(chirp + 0.5 * tick, fade_in=0.0012, fade_out=0.02)


def bell(t, frequency, start):
    """A small glassy bell struck at start seconds."""
    local = np.maximum(t - start, 0)
    partials = ((1.0, 1.0, 0.32), (2.0, 0.35, 0.16), (3.01, 0.12, 0.09), (4.16, 0.06, 0.05))
    tone = sum(level * np.sin(2 * np.pi * frequency * ratio * local) * np.exp(-local / decay)
               for ratio, level, decay in partials)
    attack = np.clip(local / 0.002, 0, 1)
    return np.where(t >= start, tone * attack, 0.0)


def star():
    """A bright rising chime: four bells of a major arpeggio."""
    t = times(0.9)
    notes = ((1046.5, 0.0), (1318.5, 0.05), (1568.0, 0.10), (2093.0, 0.15))
    chime = sum(bell(t, f, start) * (1.0 - 0.12 * i) for i, (f, start) in enumerate(notes))
    return finish(chime, fade_out=0.2)


def bounce():
    """A soft wooden knock: a falling low tone, a short overtone and a thump."""
    t = times(0.16)
    body = np.sin(sweep(t, 190, 120, 0.05)) * envelope(t, 0.002, 0.035)
    wood = 0.3 * np.sin(2 * np.pi * 520 * t) * envelope(t, 0.001, 0.012)
    thump = low_pass(noise(len(t), 37), 700) * envelope(t, 0.001, 0.01)
    return finish(body + wood + 1.5 * thump, fade_in=0.0015, fade_out=0.03)


SOUNDS = {"fire": fire, "pop": pop, "star": star, "bounce": bounce}


def main():
    save_sounds(output_dir(__doc__), SOUNDS)


if __name__ == "__main__":
    main()
