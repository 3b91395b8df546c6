"""Synthesises snd/quor.wav: the logo's soft bell chord with a short hall."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import numpy as np

from . import audio

LENGTH = 2.2  # seconds; the logo holds for 2.8
FADE_OUT = 0.6
PEAK_DB = -3.0
SEED = 2604

# Bell partials: frequency ratio, level, decay time (s) at 440 Hz.  The
# slightly stretched upper ratios give the bright, glassy strike.
PARTIALS = [(1.0, 1.0, 1.5), (2.0, 0.36, 0.75), (3.0, 0.13, 0.42),
            (4.16, 0.07, 0.24), (5.43, 0.04, 0.13)]
# (start in s, MIDI note, level, pan): a low D with its fifth, then a
# rising D major sparkle.
STRIKES = [(0.00, 50, 0.36, -0.1), (0.00, 57, 0.30, 0.1),
           (0.09, 66, 0.50, -0.35), (0.18, 69, 0.48, 0.0),
           (0.27, 74, 0.45, 0.35), (0.40, 78, 0.30, 0.5)]
REVERB_MIX = 0.32


def bell(freq, count, rng):
    """One struck bell note, count samples long, with a gentle onset."""
    t = audio.seconds(count)
    tone = np.zeros(count)
    scale = (440.0 / freq) ** 0.35  # higher bells ring shorter
    for ratio, level, decay in PARTIALS:
        f = freq * ratio
        if f >= audio.RATE * 0.45:
            continue
        phase = rng.uniform(0, 2 * np.pi)
        # Two close tones per partial make the slow shimmer of a real bell.
        wave = np.sin(2 * np.pi * f * t + phase)
        wave += 0.35 * np.sin(2 * np.pi * f * 1.0021 * t + phase)
        tone += level * np.exp(-t / (decay * scale)) * wave
    onset = int(0.004 * audio.RATE)
    tone[:onset] *= audio.raised_cosine(onset)
    return tone


def build_chime():
    """The logo sound as WAV file bytes."""
    rng = np.random.RandomState(SEED)
    count = int(LENGTH * audio.RATE)
    dry = np.zeros((count, 2))
    for start, note, level, position in STRIKES:
        first = int(start * audio.RATE)
        tone = bell(audio.hz(note), count - first, rng)
        dry[first:] += audio.pan(level * tone, position)

    room = audio.reverb_response(rng, 1.4, 0.35, 5000.0, 0.015)
    wet = audio.convolve(dry, room, circular=False)[:count]
    mix = dry + REVERB_MIX * wet
    mix *= audio.envelope(count, int(0.002 * audio.RATE),
                          count - int(FADE_OUT * audio.RATE),
                          int(FADE_OUT * audio.RATE))[:, None]
    return audio.wav_bytes(audio.normalise(mix, PEAK_DB))
