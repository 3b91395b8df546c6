"""Composes and renders snd/menumusic.ogg, a gentle sixteen-bar loop.

Every voice is mixed onto a LoopBus and the echo and reverb are circular,
so the last sample runs straight on into the first: the file loops with
no seam.  The length is a whole number of bars.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import os
import subprocess
import tempfile

import numpy as np

from . import audio
from .licence import MEDIA_NOTICE

TEMPO = 90  # beats per minute: 14700 samples a beat at 22050 Hz
BEAT = audio.RATE * 60 // TEMPO
BAR = 4 * BEAT
PEAK_DB = -4.5  # leaves room for the encoder, the decoded peak stays < -3
QUALITY = 6  # oggenc -q: about 45 kbit/s for this gentle material
SERIAL = 5318  # fixed Ogg stream serial, for identical files every build
SEED = 90210

# One chord a bar: bass note and the pad's voicing (MIDI numbers).
CHORDS = [
    (38, (57, 61, 62, 66)),  # Dmaj7
    (35, (57, 59, 62, 66)),  # Bm7
    (43, (55, 59, 62, 66)),  # Gmaj7
    (45, (57, 62, 64, 69)),  # Asus4
    (38, (57, 61, 62, 66)),  # Dmaj7
    (42, (57, 61, 64, 66)),  # F#m7
    (43, (55, 59, 62, 66)),  # Gmaj7
    (40, (55, 59, 62, 64)),  # Em7
    (43, (55, 59, 62, 66)),  # Gmaj7
    (45, (57, 61, 64, 66)),  # A6
    (42, (57, 61, 64, 66)),  # F#m7
    (47, (57, 59, 62, 66)),  # Bm7
    (40, (55, 59, 62, 66)),  # Em9
    (45, (57, 61, 64, 69)),  # A
    (38, (57, 61, 62, 66)),  # Dmaj7
    (45, (55, 62, 64, 69)),  # A7sus4, leading home to the first bar
]
# The tune, one list per bar: (beat in the bar, length in beats, MIDI).
MELODY = [
    [(0, 1.5, 78), (1.5, 0.5, 76), (2, 1, 74), (3, 1, 69)],
    [(0, 2, 71), (2, 1, 74), (3, 1, 78)],
    [(0, 1, 76), (1, 0.5, 74), (1.5, 0.5, 71), (2, 2, 74)],
    [(0, 2.5, 76), (3, 1, 73)],
    [(0, 1, 74), (1, 1, 78), (2, 2, 81)],
    [(0, 1, 81), (1, 1, 78), (2, 2, 76)],
    [(0, 1.5, 74), (1.5, 0.5, 76), (2, 1, 78), (3, 1, 71)],
    [(0, 3, 76)],
    [(0, 1.5, 83), (1.5, 0.5, 81), (2, 2, 78)],
    [(0, 1, 76), (1, 1, 78), (2, 2, 81)],
    [(0, 1.5, 85), (1.5, 0.5, 81), (2, 2, 76)],
    [(0, 1, 78), (1, 1, 74), (2, 2, 71)],
    [(0, 1.5, 79), (1.5, 0.5, 78), (2, 1, 76), (3, 1, 74)],
    [(0, 2, 73), (2, 1, 76), (3, 1, 81)],
    [(0, 3.5, 78)],
    [(1, 1, 69), (2, 1, 74), (3, 1, 76)],
]
# Which chord tone each eighth note of the arpeggio plays (4 = octave).
ARPEGGIO = [0, 1, 2, 3, 4, 3, 2, 1]

LEVELS = {"pad": 0.20, "bass": 0.28, "arp": 0.16, "tune": 0.24}


def pad_note(freq, count, rng):
    """A warm, slowly swelling pad tone: two detuned soft saw voices."""
    t = audio.seconds(count)
    out = np.zeros((count, 2))
    for detune, position in ((0.9972, -0.6), (1.0028, 0.6)):
        tone = np.zeros(count)
        for k in range(1, 9):
            f = freq * detune * k
            if f > 4000:
                break
            level = np.exp(-k / 2.2) / k
            tone += level * np.sin(2 * np.pi * f * t + rng.uniform(0, 2 * np.pi))
        out += audio.pan(tone, position)
    return out


def pluck_note(freq, count):
    """A soft plucked tone for the arpeggio, like a muted kalimba."""
    t = audio.seconds(count)
    tone = np.zeros(count)
    for ratio, level, decay in ((1, 1.0, 0.5), (2, 0.4, 0.22),
                                (3, 0.15, 0.11), (4.02, 0.06, 0.06)):
        tone += level * np.exp(-t / decay) * np.sin(2 * np.pi * freq * ratio * t)
    return tone * audio.envelope(count, int(0.004 * audio.RATE),
                                 count - int(0.25 * audio.RATE),
                                 int(0.25 * audio.RATE))


def tune_note(freq, hold, count):
    """A breathy, flute-like lead with vibrato that grows on long notes."""
    t = audio.seconds(count)
    vibrato = 0.0035 * np.clip((t - 0.25) / 0.4, 0, 1) * np.sin(2 * np.pi * 5.0 * t)
    phase = 2 * np.pi * np.cumsum(freq * (1 + vibrato)) / audio.RATE
    tone = np.sin(phase) + 0.22 * np.sin(2 * phase) + 0.07 * np.sin(3 * phase)
    return tone * audio.envelope(count, int(0.06 * audio.RATE), hold,
                                 count - hold)


def bass_note(freq, hold, count):
    """A round sine bass with a touch of its octave."""
    t = audio.seconds(count)
    tone = np.sin(2 * np.pi * freq * t) + 0.18 * np.sin(4 * np.pi * freq * t)
    return tone * audio.envelope(count, int(0.03 * audio.RATE), hold,
                                 count - hold)


def _render_voices(rng):
    """Each voice of the arrangement on its own loop bus."""
    total = BAR * len(CHORDS)
    buses = {name: audio.LoopBus(total) for name in LEVELS}
    release = int(1.6 * audio.RATE)
    for bar, (bass, voicing) in enumerate(CHORDS):
        start = bar * BAR
        for note in voicing:
            tone = pad_note(audio.hz(note), BAR + release, rng)
            tone *= audio.envelope(BAR + release, int(0.7 * audio.RATE),
                                   BAR, release)[:, None]
            buses["pad"].add(start, tone)

        for beat, beats, note in ((0, 2.5, bass), (2.5, 0.5, bass), (3, 1, bass + 7)):
            hold = int(beats * BEAT * 0.92)
            tone = bass_note(audio.hz(note), hold, hold + int(0.25 * audio.RATE))
            buses["bass"].add(start + int(beat * BEAT), audio.pan(tone, 0.0))

        tones = sorted(voicing)
        for step, degree in enumerate(ARPEGGIO):
            note = 12 + (tones[degree] if degree < 4 else tones[0] + 12)
            accent = 1.0 if step % 2 == 0 else 0.75
            tone = accent * pluck_note(audio.hz(note), int(1.3 * audio.RATE))
            position = -0.35 if step % 2 == 0 else 0.35
            buses["arp"].add(start + step * BEAT // 2, audio.pan(tone, position))

        for beat, beats, note in MELODY[bar]:
            hold = int(beats * BEAT * 0.95)
            tone = tune_note(audio.hz(note), hold, hold + int(0.35 * audio.RATE))
            buses["tune"].add(start + int(beat * BEAT), audio.pan(tone, 0.1))
    return {name: bus.samples for name, bus in buses.items()}


def _echo(signal, delay, feedback, repeats):
    """Circular ping-pong echo: each repeat swaps sides and fades."""
    out = signal.copy()
    tap = signal
    for _ in range(repeats):
        tap = np.roll(tap[:, ::-1], delay, axis=0) * feedback
        out += tap
    return out


def render_loop():
    """The finished loop as a (samples, 2) float signal in -1..1."""
    rng = np.random.RandomState(SEED)
    voices = _render_voices(rng)
    voices["pad"] = audio.filtered(voices["pad"], 1800.0)
    voices["arp"] = _echo(voices["arp"], 3 * BEAT // 4, 0.38, 5)
    voices["tune"] = _echo(voices["tune"], 3 * BEAT // 2, 0.25, 3)
    dry = sum(LEVELS[name] * voices[name] for name in LEVELS)
    send = dry - LEVELS["bass"] * voices["bass"] * 0.8
    room = audio.reverb_response(rng, 3.0, 0.8, 4500.0, 0.02)
    mix = dry + 0.35 * audio.convolve(send, room, circular=True)
    mix -= mix.mean(axis=0)
    return audio.normalise(mix, PEAK_DB)


def encode_ogg(signal):
    """Ogg Vorbis bytes of a stereo signal, encoded by oggenc."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "music.ogg")
        subprocess.run(
            ["oggenc", "--quiet", "--raw", "--raw-bits=16", "--raw-chan=2",
             "--raw-rate=%d" % audio.RATE, "--raw-endianness=0",
             "--quality=%d" % QUALITY, "--serial=%d" % SERIAL,
             "--title=Quorvane menu theme", "--artist=The Quorvane developers",
             "--comment=COPYRIGHT=" + MEDIA_NOTICE,
             "--output=" + path, "-"],
            input=audio.to_pcm16(signal), check=True)
        with open(path, "rb") as encoded:
            return encoded.read()


def build_music():
    """The menu music as Ogg Vorbis file bytes."""
    return encode_ogg(render_loop())
