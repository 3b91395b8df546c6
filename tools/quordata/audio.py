"""Sound helpers: tones, envelopes, a looped mix bus, reverb, WAV output."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

import struct

import numpy as np

RATE = 22050  # the mixer's rate, so the program plays the files unconverted


def hz(midi_note):
    """Equal-tempered frequency of a MIDI note number (A4 = 69 = 440 Hz)."""
    return 440.0 * 2.0 ** ((midi_note - 69) / 12.0)


def seconds(count):
    """Times in seconds of the first count samples."""
    return np.arange(count) / RATE


def raised_cosine(count):
    """A smooth rise from 0 to 1 over count samples."""
    return 0.5 - 0.5 * np.cos(np.pi * np.arange(count) / max(count, 1))


def envelope(total, attack, release_at, release):
    """Gain over total samples: rise over attack samples, hold, and fall
    to silence over release samples starting at release_at."""
    gain = np.ones(total)
    gain[:attack] = raised_cosine(attack)
    fall = raised_cosine(release)[::-1]
    end = min(total, release_at + release)
    gain[release_at:end] = fall[:end - release_at]
    gain[end:] = 0.0
    return gain


def pan(mono, position):
    """Constant-power pan of a mono signal, position -1 (left) .. 1."""
    angle = (position + 1) * np.pi / 4
    return np.stack([mono * np.cos(angle), mono * np.sin(angle)], axis=1)


def lowpass_spectrum(count, cutoff, slope=2.0):
    """Gentle low-pass gains for an rfft of count samples."""
    freqs = np.fft.rfftfreq(count, 1.0 / RATE)
    return 1.0 / np.sqrt(1.0 + (freqs / cutoff) ** (2 * slope))


def filtered(signal, cutoff):
    """Low-pass filter a whole signal (per channel) through its spectrum,
    circularly: a looped signal stays looped."""
    spectrum = np.fft.rfft(signal, axis=0)
    gains = lowpass_spectrum(len(signal), cutoff)
    if signal.ndim > 1:
        gains = gains[:, None]
    return np.fft.irfft(spectrum * gains, n=len(signal), axis=0)


def reverb_response(rng, length, decay, cutoff, predelay):
    """A stereo room response: decaying noise, darker as it fades."""
    count = int(length * RATE)
    t = seconds(count)
    noise = rng.standard_normal((count, 2))
    bright = noise * np.exp(-t / (decay * 0.45))[:, None]
    dark = filtered(noise, cutoff * 0.4) * np.exp(-t / decay)[:, None]
    response = filtered(bright, cutoff) + 2.0 * dark
    response[:int(predelay * RATE)] = 0.0
    response *= raised_cosine(count)[::-1][:, None] ** 0.25
    return response / np.sqrt(np.sum(response ** 2, axis=0))


def convolve(signal, response, circular):
    """Convolve each channel with the response through the FFT.  Circular
    convolution wraps the tail round to the start, for loops."""
    count = len(signal) if circular else len(signal) + len(response) - 1
    size = count if circular else 1 << (count - 1).bit_length()
    out = np.fft.irfft(np.fft.rfft(signal, size, axis=0)
                       * np.fft.rfft(response, size, axis=0), size, axis=0)
    return out[:count]


class LoopBus:
    """A stereo buffer whose end joins its start: sounds added past the
    end carry on from the beginning, so the whole plays as a seamless loop."""

    def __init__(self, count):
        self.samples = np.zeros((count, 2))

    def add(self, start, sound):
        """Mix a (n, 2) sound in at sample start, wrapping round the end."""
        count = len(self.samples)
        if len(sound) > count:
            raise ValueError("sound longer than the loop")
        start %= count
        first = min(len(sound), count - start)
        self.samples[start:start + first] += sound[:first]
        self.samples[:len(sound) - first] += sound[first:]


def normalise(signal, peak_db):
    """Scale so the largest sample sits at peak_db below full scale."""
    return signal * (10 ** (peak_db / 20.0) / np.max(np.abs(signal)))


def to_pcm16(signal):
    """Interleaved little-endian 16-bit PCM of a (n, 2) signal in -1..1."""
    pcm = np.clip(np.round(signal * 32767.0), -32768, 32767)
    return pcm.astype("<i2").tobytes()


def wav_bytes(signal):
    """A 16-bit PCM stereo WAV file of a (n, 2) signal in -1..1."""
    data = to_pcm16(signal)
    channels, bits = 2, 16
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 1, channels, RATE, RATE * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body
