"""What the end-to-end runs expect to see and hear, worked out from the data files of a run.

Picture checks take a capture and return None when it is right, or a reason when it is not, so
that they can be polled. Sound checks work on the disk audio recording of a whole run.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import subprocess
import tempfile
import wave
from pathlib import Path

import numpy as np
from PIL import Image

WIDTH, HEIGHT = 640, 480
RATE = 22050
MENU_TEXT_CORNERS = ((240, 350), (240, 380))
QUESTION_CORNER = (180, 230)
BLACK_DISPLAY = np.zeros((HEIGHT, WIDTH, 3), dtype=np.uint8)


# --- pictures ----------------------------------------------------------------------------------

def load_bitmap(path):
    """A bitmap file as an RGB array, whatever its depth (palette images through their palette)."""
    with Image.open(path) as image:
        return np.asarray(image.convert("RGB"))


def over(base, image):
    """`base` with `image` copied to its top-left corner, cut at the display's edges."""
    result = base.copy()
    height = min(HEIGHT, image.shape[0])
    width = min(WIDTH, image.shape[1])
    result[:height, :width] = image[:height, :width]
    return result


def describe_difference(picture, expected):
    differs = np.any(picture != expected, axis=2)
    count = int(differs.sum())
    if count == 0:
        return None
    rows, columns = np.nonzero(differs)
    y, x = int(rows[0]), int(columns[0])
    return ("%d pixels differ within x %d..%d, y %d..%d; first at (%d,%d): %s instead of %s"
            % (count, columns.min(), columns.max(), rows.min(), rows.max(), x, y,
               tuple(picture[y, x]), tuple(expected[y, x])))


def same_as(expected, name):
    """A check that the capture is `expected`, pixel for pixel."""
    def check(picture):
        reason = describe_difference(picture, expected)
        return None if reason is None else "%s: %s" % (name, reason)
    return check


def text_boxes(expected_background, corners, name, slack=0, lit=True):
    """A check that the capture is `expected_background` but for one text box at each corner.

    A box is a rectangle from its corner to the farthest pixel that differs from the background
    in its band of rows (down to the next corner); every pixel in it is grey, from the black box
    to the white text, and some are white (with lit=False: every pixel is black, a box whose
    glyphs could not be drawn). `slack` is how far the first differing pixel may lie from the
    corner (0: the box must differ from the background at its corner itself).
    """
    def check(picture):
        differs = np.any(picture != expected_background, axis=2)
        covered = np.zeros_like(differs)
        for index, (x, y) in enumerate(corners):
            bottom = corners[index + 1][1] if index + 1 < len(corners) else HEIGHT
            band = np.zeros_like(differs)
            band[y:bottom, x:] = True
            rows, columns = np.nonzero(differs & band)
            if rows.size == 0:
                return "%s: no text box at (%d,%d)" % (name, x, y)
            if columns.min() - x > slack or rows.min() - y > slack:
                return ("%s: the text box at (%d,%d) starts at (%d,%d)"
                        % (name, x, y, columns.min(), rows.min()))
            box = picture[y:rows.max() + 1, x:columns.max() + 1].astype(int)
            grey = (box[..., 0] == box[..., 1]) & (box[..., 1] == box[..., 2])
            if not grey.all():
                return ("%s: the text box at (%d,%d) holds %d pixels that are not grey"
                        % (name, x, y, int((~grey).sum())))
            if lit and not (box[..., 0] == 255).any():
                return "%s: the text box at (%d,%d) holds no white text" % (name, x, y)
            if not lit and box.any():
                return "%s: the text box at (%d,%d) is not blank" % (name, x, y)
            covered[y:rows.max() + 1, x:columns.max() + 1] = True
        stray = differs & ~covered
        if stray.any():
            rows, columns = np.nonzero(stray)
            return ("%s: %d pixels differ outside the text boxes, first at (%d,%d)"
                    % (name, int(stray.sum()), columns[0], rows[0]))
        return None
    return check


class Screens:
    """The four screens as they should look with a run directory's files.

    logo and splash are the images that the program can load (None when it cannot); the logo
    screen draws over the fresh window, which is black, and the other screens clear it first.
    text says what the font draws: True the texts, False nothing, "blank" their boxes without
    glyphs (a font that opens but whose outlines cannot be read); slack goes to text_boxes.
    """

    def __init__(self, logo, splash, text=True, slack=0):
        self.text = text
        self.splash_layer = BLACK_DISPLAY if splash is None else over(BLACK_DISPLAY, splash)
        logo_layer = BLACK_DISPLAY if logo is None else over(BLACK_DISPLAY, logo)
        self.logo = same_as(logo_layer, "logo")
        self.game = same_as(self.splash_layer, "game screen")
        if text == "blank":
            self.menu = text_boxes(self.splash_layer, MENU_TEXT_CORNERS, "menu with blank texts",
                                   slack, lit=False)
            self.confirm = same_as(BLACK_DISPLAY, "quit confirmation with a blank question")
        elif text:
            self.menu = text_boxes(self.splash_layer, MENU_TEXT_CORNERS, "menu", slack)
            self.confirm = text_boxes(BLACK_DISPLAY, [QUESTION_CORNER], "quit confirmation",
                                      slack)
        else:
            self.menu = same_as(self.splash_layer, "menu without text")
            self.confirm = same_as(BLACK_DISPLAY, "quit confirmation without text")

    @classmethod
    def of(cls, data_dir, slack=0):
        """The screens of an intact data set."""
        data_dir = Path(data_dir)
        return cls(load_bitmap(data_dir / "graph/quorspla.bmp"),
                   load_bitmap(data_dir / "graph/splash.bmp"), True, slack)

    def any_of(self, *names):
        """A check that passes when any of the named screens does."""
        def check(picture):
            reasons = [getattr(self, name)(picture) for name in names]
            return None if None in reasons else " / ".join(reasons)
        return check


# --- sound -------------------------------------------------------------------------------------

def read_wav(path):
    """A WAV file as (n, 2) float samples at the mixer's rate: mono is doubled, other rates are
    resampled linearly (only for comparing shapes; SDL's own conversion differs in detail)."""
    with wave.open(str(path), "rb") as source:
        channels = source.getnchannels()
        width = source.getsampwidth()
        rate = source.getframerate()
        data = source.readframes(source.getnframes())
    if width == 1:
        samples = (np.frombuffer(data, dtype=np.uint8).astype(float) - 128) * 256
    elif width == 2:
        samples = np.frombuffer(data, dtype="<i2").astype(float)
    else:
        raise ValueError("%d-byte WAV samples" % width)
    samples = samples.reshape(-1, channels)
    if channels == 1:
        samples = np.repeat(samples, 2, axis=1)
    return resample(samples[:, :2], RATE, rate)


def decode_ogg(path):
    """An Ogg Vorbis file decoded with the reference decoder, as read_wav gives it."""
    with tempfile.TemporaryDirectory() as scratch:
        out = Path(scratch) / "decoded.wav"
        subprocess.run(["oggdec", "-Q", "-o", str(out), str(path)], check=True)
        return read_wav(out)


def similarity(recording, reference):
    """Cosine similarity of `reference` with every window of `recording` of its length, stereo
    channels together: 1 where the recording holds the reference at any loudness."""
    size = len(recording) + len(reference)
    fft_size = 1 << (size - 1).bit_length()
    numerator = np.zeros(len(recording) - len(reference) + 1)
    energy = np.zeros(len(recording) + 1)
    for channel in range(2):
        signal = recording[:, channel].astype(float)
        ref = reference[:, channel].astype(float)
        spectrum = np.fft.rfft(signal, fft_size) * np.conj(np.fft.rfft(ref, fft_size))
        numerator += np.fft.irfft(spectrum, fft_size)[:len(numerator)]
        energy[1:] += np.cumsum(signal * signal)
    window_energy = energy[len(reference):] - energy[:len(numerator)]
    scale = np.sqrt(np.maximum(window_energy, 0) * float(np.sum(reference.astype(float) ** 2)))
    with np.errstate(divide="ignore", invalid="ignore"):
        score = np.where(scale > 1e-6 * max(scale.max(), 1), numerator / scale, 0.0)
    return score


def first_match(recording, reference, threshold=0.9):
    """Offset of the first place where the recording holds `reference`, refined to the best
    match nearby; None when it holds it nowhere. Returns (offset, score)."""
    if len(recording) < len(reference):
        return None, 0.0
    score = similarity(recording, reference)
    above = np.nonzero(score >= threshold)[0]
    if above.size == 0:
        return None, float(score.max(initial=0))
    start = int(above[0])
    local = score[start:start + len(reference) // 2]
    offset = start + int(np.argmax(local))
    return offset, float(score[offset])


class LoopMatcher:
    """Finds how well stretches of up to `longest` frames match a loop played over and over."""

    def __init__(self, loop, longest):
        repeats = int(np.ceil(longest / len(loop)))
        self.played = np.concatenate([loop] * (repeats + 1))[:len(loop) + longest].astype(float)
        self.fft_size = 1 << (len(self.played) + longest - 1).bit_length()
        self.spectra = [np.fft.rfft(self.played[:, c], self.fft_size) for c in range(2)]
        self.energy = np.concatenate([[0], np.cumsum(np.sum(self.played ** 2, axis=1))])
        self.starts = len(loop)

    def best(self, segment):
        """Best similarity of `segment` with any stretch of the loop (see similarity)."""
        segment = segment.astype(float)
        numerator = np.zeros(self.starts)
        for channel in range(2):
            product = self.spectra[channel] * np.conj(np.fft.rfft(segment[:, channel],
                                                                  self.fft_size))
            numerator += np.fft.irfft(product, self.fft_size)[:self.starts]
        windows = self.energy[len(segment):len(segment) + self.starts] - self.energy[:self.starts]
        scale = np.sqrt(np.maximum(windows, 0) * float(np.sum(segment ** 2)))
        with np.errstate(divide="ignore", invalid="ignore"):
            score = np.where(scale > 0, numerator / scale, 0.0)
        return float(score.max())


def loudness_ratio(recorded, reference):
    return float(np.sqrt(np.sum(recorded.astype(float) ** 2) / np.sum(reference ** 2)))


RECORDING_RATES = (22050, 44100, 48000)


def resample(samples, rate, source_rate=RATE):
    """Stereo samples at `source_rate` brought linearly to `rate` (for comparing shapes)."""
    if rate == source_rate:
        return samples
    times = np.arange(int(len(samples) * rate / source_rate)) * source_rate / rate
    return np.stack([np.interp(times, np.arange(len(samples)), samples[:, c]) for c in range(2)],
                    axis=-1)


def find_sound(recording, sound, rate, threshold=0.9, head_seconds=0.3):
    """Where the recording first holds the start of `sound` (given at 22050 Hz) when it was
    recorded at `rate`: (offset of the sound's first sample, score), or (None, best score)."""
    reference = resample(sound, rate)
    loud = np.nonzero(np.abs(reference).max(axis=1) > 0.01 * np.abs(reference).max())[0]
    lead = int(loud[0]) if loud.size else 0
    head = reference[lead:lead + int(head_seconds * rate)]
    offset, score = first_match(recording, head, threshold)
    return (None if offset is None else offset - lead), score


def recording_rate(recording, sounds):
    """The rate at which the recording was made: the one at which one of `sounds` is heard.
    Classic SDL plays at the rate that the program asks for; SDL 2 may pick its own."""
    for rate in RECORDING_RATES:
        for sound in sounds:
            if find_sound(recording, sound, rate, threshold=0.97)[0] is not None:
                return rate
    return None
