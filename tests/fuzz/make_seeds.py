#!/usr/bin/python3
"""Makes the seeds of the fuzz targets, from which the committed corpus is merged.

    /usr/bin/python3 tests/fuzz/make_seeds.py OUT [--crafted DIR]

OUT/bitmap, OUT/font, OUT/logo_sound and OUT/menu_music receive:
- the project's own data files and the end-to-end data set (tests/e2e/make_data.py);
- each of those damaged as the end-to-end bad-data runs damage them (cut short, garbage, empty),
  and the bitmaps reshaped as those runs reshape them (smaller, larger, an 8-bit palette);
- the crafted files of the end-to-end runs (crafted.py, in tests/e2e or the folder --crafted
  names), where that module exists, and crafted files of each class that crashes the libraries;
- small files that vary what each library branches on: bit depth, compression, header size,
  masks and palettes of bitmaps; format, channels, rate and block align of WAVs, with AIFF, VOC,
  FLAC and Ogg files for the loaders that SDL_mixer picks by magic number; the identification
  header of Ogg Vorbis files; table layout and metrics of fonts.

The libraries that read the files are not instrumented, so libFuzzer's coverage sees little of
what they do: the seeds put the fuzzer at the start of each path through them, and the target's
features (fuzz_support.cpp) keep those paths apart in the merged corpus.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import argparse
import array
import inspect
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables import ttProgram
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable
from fontTools.ttLib.tables._g_l_y_f import Glyph, GlyphComponent
from fontTools.ttLib.tables._k_e_r_n import KernTable_format_0

HERE = Path(__file__).resolve().parent
REPO = HERE.parent.parent
sys.path.insert(0, str(REPO / "tests"))
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import make_data as e2e_data  # noqa: E402
import test_faults  # noqa: E402
from box_font import make_box_font  # noqa: E402

TARGETS = ("bitmap", "font", "logo_sound", "menu_music")
PROJECT_FILES = {"bitmap": ["graph/quorspla.bmp", "graph/splash.bmp"], "font": ["Adore64.ttf"],
                 "logo_sound": ["snd/quor.wav"], "menu_music": ["snd/menumusic.ogg"]}
# The end-to-end data set's files, as make_data.py writes them, by target.
E2E_FILES = {"bitmap": [("logo.bmp", e2e_data.make_logo), ("splash.bmp", e2e_data.make_splash)],
             "font": [("cells.ttf", e2e_data.make_font)],
             "logo_sound": [("sweep.wav", e2e_data.make_logo_sound)],
             "menu_music": [("sweep.ogg", e2e_data.make_music)]}
# The damage of the bad-data runs that leaves a file's content to read (a missing file or a
# folder in its place is no input).
DAMAGE = {"cut-short": test_faults.cut_short, "garbage": test_faults.fill_with_garbage,
          "empty": test_faults.make_empty}


# Bitmaps -----------------------------------------------------------------------------------------

def bmp(width, height, bits, compression=0, header=40, masks=None, colours=0, palette=None,
        offset=None, pixels=None, size_field=None):
    """A Windows bitmap of the given header fields. Masks follow a 40-byte header when given (as
    BI_BITFIELDS wants), or fill the mask fields of a larger header; a palette of 2**bits
    entries (or `colours` ones) is written for depths up to 8 unless another is given."""
    row = (abs(width) * bits + 7) // 8 if 0 < bits <= 64 else abs(width)
    stride = (row + 3) & ~3
    rows = min(abs(height), 64)
    if pixels is None:
        pixels = bytes((x * 7 + y * 13) & 0xFF for y in range(rows) for x in range(stride))
    if header == 12:
        info = struct.pack("<IHHHH", 12, width & 0xFFFF, height & 0xFFFF, 1, bits & 0xFFFF)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits & 0xFFFF, compression,
                           len(pixels), 2835, 2835, colours, 0)
        if header > 40:
            fields = list(masks or (0, 0, 0)) + [0] * 4
            extra = struct.pack("<IIII", *fields[:4]) + bytes(max(0, header - 56))
            info += extra[:header - 40]
            masks = None
    mask_bytes = struct.pack("<%dI" % len(masks), *masks) if masks else b""
    if palette is None:
        count = colours or (1 << bits if 0 < bits <= 8 else 0)
        entry = 3 if header == 12 else 4
        palette = b"".join(bytes((i * 37 & 0xFF, i * 91 & 0xFF, i * 53 & 0xFF, 0)[:entry])
                           for i in range(count))
    start = 14 + len(info) + len(mask_bytes) + len(palette)
    offset = start if offset is None else offset
    body = info + mask_bytes + palette + pixels
    total = 14 + len(body) if size_field is None else size_field
    return struct.pack("<2sIHHI", b"BM", total & 0xFFFFFFFF, 0, 0, offset & 0xFFFFFFFF) + body


def bitmap_seeds():
    seeds = {}
    for bits in (1, 4, 8, 16, 24, 32):
        for header in (12, 40, 56, 108, 124):
            if header == 12 and bits in (16, 32):
                continue
            seeds["depth%d-header%d" % (bits, header)] = bmp(7, 5, bits, header=header)
        seeds["depth%d-top-down" % bits] = bmp(5, -3, bits)
        seeds["depth%d-64x48" % bits] = bmp(64, 48, bits)
        seeds["depth%d-one-pixel" % bits] = bmp(1, 1, bits)
    # Depths that SDL refuses, and those that it takes without a format of their own.
    for bits in (0, 2, 3, 7, 9, 12, 15, 31, 48, 64, 255):
        seeds["depth%d" % bits] = bmp(4, 4, bits)
    # Masks: the defaults, other layouts, gaps, overlaps and none.
    masks16 = {"565": (0xF800, 0x07E0, 0x001F), "555": (0x7C00, 0x03E0, 0x001F),
               "444": (0x0F00, 0x00F0, 0x000F), "zero": (0, 0, 0),
               "overlap": (0xFF00, 0x0FF0, 0x00FF), "gaps": (0xA800, 0x0540, 0x002A),
               "high": (0xFFFF0000, 0xFF00, 0xFF)}
    masks32 = {"xrgb": (0xFF0000, 0xFF00, 0xFF), "bgrx": (0xFF00, 0xFF0000, 0xFF000000),
               "10-bit": (0x3FF00000, 0xFFC00, 0x3FF), "zero": (0, 0, 0),
               "overlap": (0xFFFF0000, 0xFFFFFF00, 0xFF), "gaps": (0xF0F0F0F0, 0x0F0F0F0F, 0x1),
               "one-bit": (0x80000000, 0x1, 0x100)}
    for name, masks in masks16.items():
        seeds["depth16-masks-" + name] = bmp(6, 4, 16, compression=3, masks=masks)
        seeds["depth15-masks-" + name] = bmp(6, 4, 15, compression=3, masks=masks)
    for name, masks in masks32.items():
        seeds["depth32-masks-" + name] = bmp(6, 4, 32, compression=3, masks=masks)
        seeds["depth32-v4-masks-" + name] = bmp(6, 4, 32, compression=3, header=108,
                                                 masks=masks)
        seeds["depth24-masks-" + name] = bmp(6, 4, 24, compression=3, masks=masks)
    # The masks read because the pixels do not start right after the header.
    seeds["depth16-gap-before-pixels"] = bmp(6, 4, 16, offset=14 + 40 + 12)
    seeds["depth32-gap-before-pixels"] = bmp(6, 4, 32, offset=14 + 40 + 16)
    # Compressions: run-length, JPEG and PNG (which SDL refuses) and alpha bit fields.
    for compression, bits in ((1, 8), (2, 4), (4, 24), (5, 24), (6, 32), (7, 8), (1, 4)):
        seeds["compression%d-depth%d" % (compression, bits)] = bmp(6, 4, bits, compression)
    # Palettes: partial, full, larger than the depth allows, and of colours the pixels pass.
    for bits in (1, 4, 8):
        full = 1 << bits
        seeds["depth%d-palette-partial" % bits] = bmp(6, 4, bits, colours=max(1, full // 2))
        seeds["depth%d-palette-over" % bits] = bmp(6, 4, bits, colours=full + 1)
        seeds["depth%d-palette-huge" % bits] = bmp(6, 4, bits, colours=0x7FFFFFFF,
                                                    palette=b"\x10\x20\x30\x00" * 4)
    seeds["depth8-pixels-past-palette"] = bmp(4, 4, 8, colours=2, pixels=bytes(range(200, 216)))
    # Dimensions: row padding at every width, and sizes the file does not hold.
    for width in (1, 2, 3, 5, 31, 33):
        seeds["depth24-width%d" % width] = bmp(width, 2, 24)
        seeds["depth1-width%d" % width] = bmp(width, 2, 1)
    seeds["width-zero"] = bmp(0, 4, 24, pixels=b"\0" * 16)
    seeds["width-negative"] = bmp(-4, 4, 24, pixels=b"\0" * 48)
    seeds["height-zero"] = bmp(4, 0, 24, pixels=b"")
    seeds["width-huge"] = bmp(0x7FFFFFFF, 1, 24, pixels=b"\0" * 64)
    seeds["height-huge"] = bmp(1, 0x7FFFFFFF, 24, pixels=b"\0" * 64)
    seeds["display-size"] = bmp(640, 480, 8, pixels=b"\x01" * 640 * 4)
    seeds["short-file"] = bmp(16, 16, 32)[:200]
    seeds["header-only"] = bmp(16, 16, 32)[:54]
    seeds["header-size-0"] = bmp(4, 4, 24, header=40)[:14] + struct.pack("<I", 0) + \
        bmp(4, 4, 24)[18:]
    seeds["header-size-huge"] = bmp(4, 4, 24)[:14] + struct.pack("<I", 0xFFFFFFF0) + \
        bmp(4, 4, 24)[18:]
    seeds["planes-zero"] = bmp(4, 4, 24)[:26] + b"\0\0" + bmp(4, 4, 24)[28:]
    # The classes that crash SDL: depths above 255, which SDL keeps in a surface's format as their
    # low byte beside a byte count of their own ((depth + 7) / 8, also cut to a byte: 1 for 0x808),
    # the least height, and pixel offsets beyond the file and negative ones (as SDL's seek takes
    # them), with bogus depths.
    for bits in (0x108, 0x808, 0x1008, 0x801, 0x802, 0x804, 0x810, 0x818, 0x820, 0x118):
        seeds["crafted-depth-0x%x" % bits] = bmp(8, 8, bits, pixels=bytes(64 * 4))
    seeds["crafted-height-min"] = bmp(8, -0x80000000, 24, pixels=bytes(96))
    seeds["crafted-height-min-depth8"] = bmp(8, -0x80000000, 8, pixels=bytes(64))
    for offset in (0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFF):
        seeds["crafted-offset-0x%x" % offset] = bmp(8, 8, 24, offset=offset)
        seeds["crafted-offset-0x%x-depth-0x808" % offset] = bmp(8, 8, 0x808, offset=offset)
    return seeds


# Sounds ------------------------------------------------------------------------------------------

def riff(chunks, form=b"WAVE"):
    """A RIFF file of (id, data) chunks; a chunk's data may be (declared length, bytes)."""
    body = form
    for chunk_id, data in chunks:
        length, data = data if isinstance(data, tuple) else (len(data), data)
        body += chunk_id + struct.pack("<I", length & 0xFFFFFFFF) + data
        if len(data) % 2:
            body += b"\0"
    return b"RIFF" + struct.pack("<I", len(body)) + body


def fmt(tag, channels, rate, bits, align=None, extra=b""):
    align = channels * bits // 8 if align is None else align
    data = struct.pack("<HHIIHH", tag, channels, rate, rate * max(align, 1) & 0xFFFFFFFF, align,
                       bits)
    return data + (struct.pack("<H", len(extra)) + extra if extra else b"")


def tone(frames, channels, bits):
    """Little-endian PCM of a plain sawtooth, unsigned at 8 bits and signed above."""
    values = (np.arange(frames * channels) * 523) % 65536 - 32768
    if bits == 8:
        return ((values >> 8) + 128).astype(np.uint8).tobytes()
    width = bits // 8
    raw = values.astype("<i4").tobytes()
    return b"".join(raw[i * 4 + 4 - width:i * 4 + 4] for i in range(frames * channels))


def pcm_wav(channels, rate, bits, frames=64, **fields):
    return riff([(b"fmt ", fmt(1, channels, rate, bits, **fields)),
                 (b"data", tone(frames, channels, bits if bits in (8, 16, 24, 32) else 16))])


# The coefficients that every MS-ADPCM file carries.
MS_ADPCM_COEFFICIENTS = ((256, 0), (512, -256), (0, 0), (192, 64), (240, 0), (460, -208),
                         (392, -232))


def ms_adpcm_wav(channels, align, blocks=2):
    per_block = (align - 7 * channels) * 2 // channels + 2 if align else 500
    extra = struct.pack("<HH", per_block & 0xFFFF, len(MS_ADPCM_COEFFICIENTS))
    extra += b"".join(struct.pack("<hh", *pair) for pair in MS_ADPCM_COEFFICIENTS)
    data = bytes((i * 29) & 0xFF for i in range(max(align, 256) * blocks))
    return riff([(b"fmt ", fmt(2, channels, 22050, 4, align, extra)), (b"data", data)])


def ima_adpcm_wav(channels, align, blocks=2):
    per_block = (align - 4 * channels) * 8 // (4 * channels) + 1 if align else 505
    data = bytes((i * 31) & 0xFF for i in range(max(align, 256) * blocks))
    return riff([(b"fmt ", fmt(0x11, channels, 22050, 4, align, struct.pack("<H", per_block))),
                 (b"data", data)])


def extended80(value):
    """An IEEE 754 80-bit extended float, as AIFF stores its sample rate."""
    if value == 0:
        return bytes(10)
    exponent = int(value).bit_length() - 1
    mantissa = int(value) << (63 - exponent)
    return struct.pack(">HQ", 16383 + exponent, mantissa)


def aiff(channels, rate, bits, frames=64, form=b"AIFF"):
    comm = struct.pack(">hIh", channels, frames, bits) + extended80(rate)
    if form == b"AIFC":
        comm += b"NONE" + b"\x0enot compressed\0"
    pcm = tone(frames, channels, bits if bits in (8, 16) else 16)
    if bits == 8:
        pcm = bytes((b - 128) & 0xFF for b in pcm)
    else:
        pcm = b"".join(pcm[i:i + 2][::-1] for i in range(0, len(pcm), 2))
    ssnd = struct.pack(">II", 0, 0) + pcm
    chunks = b""
    for chunk_id, data in ((b"COMM", comm), (b"SSND", ssnd)):
        chunks += chunk_id + struct.pack(">I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    body = form + chunks
    return b"FORM" + struct.pack(">I", len(body)) + body


def voc(blocks):
    """A Creative Voice file of (type, data) blocks, ended by a terminator block."""
    head = b"Creative Voice File\x1a" + struct.pack("<HHH", 26, 0x010A, 0x1129)
    body = b"".join(bytes([kind]) + struct.pack("<I", len(data))[:3] + data
                    for kind, data in blocks)
    return head + body + b"\0"


def flac_header(rate, channels, bits):
    """A FLAC stream information block without frames."""
    packed = rate << 44 | (channels - 1) << 41 | (bits - 1) << 36 | 64
    info = struct.pack(">HH", 4096, 4096) + bytes(6) + packed.to_bytes(8, "big") + bytes(16)
    return b"fLaC" + bytes([0x80]) + len(info).to_bytes(3, "big") + info


def sound_seeds():
    seeds = {}
    for bits in (8, 16):
        for channels in (1, 2):
            for rate in (8000, 11025, 22050, 44100, 48000):
                seeds["pcm%d-%dch-%dhz" % (bits, channels, rate)] = pcm_wav(channels, rate, bits)
    for rate in (1, 2, 3, 5, 100, 4000, 96000, 192000, 0x7FFFFFFF, 0):
        seeds["pcm16-rate%d" % rate] = pcm_wav(2, rate, 16)
        seeds["pcm8-mono-rate%d" % rate] = pcm_wav(1, rate, 8)
    for channels in (0, 3, 4, 6, 8, 9, 255):
        seeds["pcm16-%dch" % channels] = pcm_wav(channels, 22050, 16)
    for bits in (4, 12, 24, 32, 0):
        seeds["pcm%d" % bits] = pcm_wav(2, 22050, bits)
    seeds["pcm16-align0"] = pcm_wav(2, 22050, 16, align=0)
    seeds["pcm16-align-odd"] = pcm_wav(2, 22050, 16, align=3)
    seeds["float32"] = riff([(b"fmt ", fmt(3, 2, 22050, 32)), (b"data", tone(64, 2, 32))])
    seeds["mp3-tag"] = riff([(b"fmt ", fmt(0x55, 2, 22050, 0, 1)), (b"data", bytes(64))])
    seeds["extensible"] = riff([(b"fmt ", fmt(0xFFFE, 2, 22050, 16, extra=struct.pack(
        "<HI", 16, 3) + b"\x01\0\0\0\0\0\x10\0\x80\0\0\xaa\0\x38\x9b\x71")),
        (b"data", tone(64, 2, 16))])
    pcm = fmt(1, 2, 22050, 16)
    seeds["list-and-fact-first"] = riff([(b"LIST", b"INFOISFT\x04\0\0\0abc\0"),
                                         (b"fact", struct.pack("<I", 64)), (b"fmt ", pcm),
                                         (b"data", tone(64, 2, 16))])
    seeds["junk-before-data"] = riff([(b"fmt ", pcm), (b"JUNK", bytes(30)),
                                      (b"data", tone(64, 2, 16))])
    seeds["data-past-end"] = riff([(b"fmt ", pcm), (b"data", (0x7FFFFFF0, tone(16, 2, 16)))])
    seeds["data-length-zero"] = riff([(b"fmt ", pcm), (b"data", b"")])
    seeds["no-data"] = riff([(b"fmt ", pcm)])
    seeds["format-short"] = riff([(b"fmt ", pcm[:10]), (b"data", tone(64, 2, 16))])
    seeds["format-long"] = riff([(b"fmt ", pcm + bytes(24)), (b"data", tone(64, 2, 16))])
    seeds["format-length-huge"] = riff([(b"fmt ", (0xFFFFFFF0, pcm)), (b"data", tone(4, 2, 16))])
    seeds["no-riff-header"] = riff([(b"fmt ", pcm), (b"data", tone(64, 2, 16))])[8:]
    for channels in (1, 2):
        for align in (256, 512, 0):
            seeds["ms-adpcm-%dch-align%d" % (channels, align)] = ms_adpcm_wav(channels, align)
            seeds["ima-adpcm-%dch-align%d" % (channels, align)] = ima_adpcm_wav(channels, align)
    seeds["ms-adpcm-no-coefficients"] = riff([(b"fmt ", fmt(2, 1, 22050, 4, 256, b"")),
                                              (b"data", bytes(512))])
    for channels in (1, 2, 0):
        for rate in (22050, 44100, 1):
            for bits in (8, 16):
                seeds["aiff-%dch-%dhz-%dbit" % (channels, rate, bits)] = aiff(channels, rate, bits)
    seeds["aifc"] = aiff(2, 22050, 16, form=b"AIFC")
    seeds["aiff-24bit"] = aiff(2, 22050, 24)
    for rate_byte in (0x00, 0x83, 0xD3, 0xFF):
        for codec in (0, 1, 4):
            seeds["voc-block1-rate%x-codec%d" % (rate_byte, codec)] = voc(
                [(1, bytes([rate_byte, codec]) + bytes(range(64)))])
    for bits, channels, codec in ((8, 1, 0), (16, 2, 4), (16, 1, 4), (8, 2, 0), (16, 0, 4)):
        seeds["voc-block9-%dbit-%dch" % (bits, channels)] = voc(
            [(9, struct.pack("<IBBH4s", 22050, bits, channels, codec, bytes(4)) + bytes(64))])
    seeds["voc-extended"] = voc([(8, struct.pack("<HBB", 0xD300, 0, 1)),
                                 (1, b"\xd3\x00" + bytes(64))])
    seeds["voc-silence-and-repeat"] = voc([(3, struct.pack("<HB", 100, 0x83)),
                                           (6, struct.pack("<H", 2)), (1, b"\x83\x00" + bytes(8)),
                                           (7, b"")])
    for rate, channels, bits in ((22050, 2, 16), (44100, 1, 8), (1, 2, 16), (96000, 8, 24)):
        seeds["flac-%dhz-%dch-%dbit" % (rate, channels, bits)] = flac_header(rate, channels, bits)
    return seeds


# Ogg Vorbis --------------------------------------------------------------------------------------

def ogg_crc(data):
    crc = 0
    for byte in data:
        crc ^= byte << 24
        for _ in range(8):
            crc = (crc << 1 ^ 0x04C11DB7 if crc & 0x80000000 else crc << 1) & 0xFFFFFFFF
    return crc


def fix_first_page(data):
    """The file with the checksum of its first page set anew (after an edit of that page)."""
    data = bytearray(data)
    length = 27 + data[26] + sum(data[27:27 + data[26]])
    data[22:26] = bytes(4)
    data[22:26] = struct.pack("<I", ogg_crc(bytes(data[:length])))
    return bytes(data)


def with_identification(data, **fields):
    """An Ogg Vorbis file with fields of its identification header replaced: channels (one
    byte), rate (four), blocks (the byte of both block sizes) or version (four)."""
    data = bytearray(data)
    packet = 27 + data[26]
    assert data[packet:packet + 7] == b"\x01vorbis"
    places = {"version": (7, "<I"), "channels": (11, "<B"), "rate": (12, "<I"),
              "blocks": (28, "<B"), "framing": (29, "<B")}
    for name, value in fields.items():
        at, layout = places[name]
        data[packet + at:packet + at + struct.calcsize(layout)] = struct.pack(layout, value)
    return fix_first_page(bytes(data))


def oggenc(seconds, rate, channels, quality=0, serial=1):
    frames = int(seconds * rate)
    pcm = tone(frames, channels, 16)
    return subprocess.run(
        ["oggenc", "-Q", "--raw", "--raw-bits=16", "--raw-chan=%d" % channels,
         "--raw-rate=%d" % rate, "-q", str(quality), "-s", str(serial), "-o", "-", "-"],
        input=pcm, stdout=subprocess.PIPE, check=True).stdout


def ogg_pages(serial, sequence, packets):
    """Pages of stream `serial` holding these packets, 255 segments a page at most, numbered from
    `sequence`, without granule positions."""
    lacing = b"".join(bytes([255] * (len(packet) // 255) + [len(packet) % 255])
                      for packet in packets)
    body = b"".join(packets)
    pages = b""
    continued = 0
    while lacing:
        segments, lacing = lacing[:255], lacing[255:]
        length = sum(segments)
        page = bytearray(struct.pack("<4sBBqIIIB", b"OggS", 0, continued, -1, serial, sequence,
                                     0, len(segments)) + segments + body[:length])
        page[22:26] = struct.pack("<I", ogg_crc(bytes(page)))
        pages += bytes(page)
        body = body[length:]
        continued = 1 if segments[-1] == 255 else 0
        sequence += 1
    return pages


def music_seeds():
    seeds = {}
    for rate in (8000, 11025, 22050, 44100, 48000):
        for channels in (1, 2):
            seeds["vorbis-%dhz-%dch" % (rate, channels)] = oggenc(0.1, rate, channels)
    seeds["vorbis-6ch"] = oggenc(0.05, 22050, 6)
    seeds["vorbis-quality-low"] = oggenc(0.2, 22050, 2, -1)
    seeds["vorbis-quality-high"] = oggenc(0.1, 22050, 2, 10)
    seeds["vorbis-long-short"] = oggenc(1.0, 8000, 1, -1)
    base = seeds["vorbis-22050hz-2ch"]
    for rate in (1, 2, 3, 7, 100, 0, 0x7FFFFFFF, 0xFFFFFFFF, 1000000):
        seeds["crafted-rate-%d" % rate] = with_identification(base, rate=rate)
    for channels in (0, 3, 8, 255):
        seeds["crafted-channels-%d" % channels] = with_identification(base, channels=channels)
    for blocks in (0x00, 0x66, 0xDD, 0x86, 0xEE):
        seeds["crafted-blocks-%02x" % blocks] = with_identification(base, blocks=blocks)
    seeds["crafted-version-1"] = with_identification(base, version=1)
    seeds["crafted-framing-0"] = with_identification(base, framing=0)
    seeds["crafted-rate-1-mono"] = with_identification(seeds["vorbis-8000hz-1ch"], rate=1)
    seeds["junk-tail"] = base + bytes((i * 97) & 0xFF for i in range(32768))
    seeds["junk-head"] = bytes(1000) + base
    seeds["headers-only"] = base[:4096]
    seeds["two-streams"] = base + oggenc(0.1, 44100, 1)
    seeds["two-streams-converted-first"] = oggenc(0.1, 44100, 1, serial=2) + base
    seeds["three-streams"] = base + oggenc(0.2, 22050, 2, serial=2) + oggenc(0.05, 22050, 2, 5, 3)
    # The identification of the stream, then a comment header with its vendor and many comments.
    first = 27 + base[26] + sum(base[27:27 + base[26]])
    vendor = b"Xiph.Org libVorbis I 20200704"
    comments = (b"\x03vorbis" + struct.pack("<I", len(vendor)) + vendor
                + struct.pack("<I", 16000) + bytes(4 * 16000) + b"\x01")
    seeds["comments-with-vendor"] = base[:first] + ogg_pages(1, 1, [comments])
    # A page whose body ends with the start of an intact page at 1 Hz, which goes on after it.
    hidden = with_identification(base, rate=1)[:first]
    seeds["page-straddling"] = (base[:first] + ogg_pages(1, 1, [bytes(100) + hidden[:20]])
                                + hidden[20:])
    return seeds


# Fonts -------------------------------------------------------------------------------------------

def box_font(upem=1024, ascent=800, descent=200, advance=512, box=(0, -128, 512, 768),
             family="Seed"):
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "font.ttf")
        make_box_font(path, family, upem, advance, box, ascent, descent)
        return Path(path).read_bytes()


def font_bytes(font):
    out = io.BytesIO()
    font.save(out)
    return out.getvalue()


def edited_font(data, edit):
    """The font with `edit(TTFont)` applied."""
    font = TTFont(io.BytesIO(data))
    edit(font)
    return font_bytes(font)


def cff_font(upem=1000, ascent=800, descent=200):
    """An OpenType font with CFF outlines: every character a box, as the box fonts."""
    names = [".notdef", "space"] + ["c%d" % code for code in range(33, 127)]
    builder = FontBuilder(upem, isTTF=False)
    builder.setupGlyphOrder(names)
    builder.setupCharacterMap({32: "space", **{code: "c%d" % code for code in range(33, 127)}})
    charstrings = {}
    for name in names:
        pen = T2CharStringPen(500, None)
        if name != "space":
            pen.moveTo((50, 0))
            pen.lineTo((50, 700))
            pen.lineTo((450, 700))
            pen.lineTo((450, 0))
            pen.closePath()
        charstrings[name] = pen.getCharString()
    builder.setupCFF("SeedCFF", {"FullName": "Seed CFF"}, charstrings, {})
    builder.setupHorizontalMetrics({name: (500, 50) for name in names})
    builder.setupHorizontalHeader(ascent=ascent, descent=-descent)
    builder.setupNameTable({"familyName": "Seed CFF", "styleName": "Regular"})
    builder.setupOS2(sTypoAscender=ascent, sTypoDescender=-descent, usWinAscent=ascent,
                     usWinDescent=descent)
    builder.setupPost()
    return font_bytes(builder.font)


def set_metrics(ascent, descent, typo=None, windows=None):
    """Vertical metrics: hhea's ascender and descender (FreeType's first choice), and those of
    OS/2, typographic and Windows, which it falls back on when hhea's are both zero."""
    typo = (ascent, descent) if typo is None else typo
    windows = (max(0, min(ascent, 65535)), max(0, min(-descent, 65535))) if windows is None \
        else windows

    def edit(font):
        font["hhea"].ascent, font["hhea"].descent = ascent, descent
        os2 = font["OS/2"]
        os2.sTypoAscender, os2.sTypoDescender = typo
        os2.usWinAscent, os2.usWinDescent = windows
    return edit


def set_hhea(**fields):
    def edit(font):
        for name, value in fields.items():
            setattr(font["hhea"], name, value)
    return edit


def add_kerning(font):
    kern = newTable("kern")
    table = KernTable_format_0()
    table.version, table.coverage, table.format = 0, 1, 0
    table.kernTable = {("c83", "c116"): -100, ("c40", "c81"): 50, ("c81", "c117"): -30000}
    kern.version, kern.kernTables = 0, [table]
    font["kern"] = kern


def add_wide_character(font):
    """A character beyond the basic plane, in a character map of format 12."""
    wide = CmapSubtable.newSubtable(12)
    wide.platformID, wide.platEncID, wide.language = 3, 10, 0
    wide.cmap = dict(font.getBestCmap())
    wide.cmap[0x1F600] = "c65"
    font["cmap"].tables.append(wide)


def mac_roman_only(font):
    """Only a Macintosh character map of format 6, which SDL_ttf's Unicode lookups do not use."""
    mac = CmapSubtable.newSubtable(6)
    mac.platformID, mac.platEncID, mac.language = 1, 0, 0
    mac.cmap = {code: name for code, name in font.getBestCmap().items() if code < 256}
    font["cmap"].tables = [mac]


def add_composite(font):
    """Glyph "c65" made of two references to "c66", one scaled."""
    glyph = Glyph()
    glyph.numberOfContours = -1
    glyph.components = []
    for offset in (0, 100):
        component = GlyphComponent()
        component.glyphName, component.x, component.y, component.flags = "c66", offset, 0, 0x4
        glyph.components.append(component)
    font["glyf"]["c65"] = glyph


def add_hinting(font):
    """A control program and instructions for every glyph, as the project's font has."""
    program = ttProgram.Program()
    program.fromBytecode(bytes([0xB8, 0x01, 0xFF, 0x85, 0xB0, 4, 0x8D]))
    font["prep"] = newTable("prep")
    font["prep"].program = program
    font["fpgm"] = newTable("fpgm")
    font["fpgm"].program = ttProgram.Program()
    font["fpgm"].program.fromBytecode(bytes([0xB0, 0x00, 0x2C, 0x2F, 0x2D]))  # FDEF 0 ... ENDF
    font["cvt "] = newTable("cvt ")
    font["cvt "].values = array.array("h", [0, 64, 128])
    for name in font.getGlyphOrder():
        glyph = font["glyf"][name]
        if glyph.numberOfContours > 0:
            glyph.program = ttProgram.Program()
            glyph.program.fromBytecode(bytes([0x01, 0xB0, 0x00, 0x2F]))  # SVTCA[x] PUSHB 0 MDAP


def drop(*tags):
    def edit(font):
        for tag in tags:
            if tag in font:
                del font[tag]
    return edit


def font_seeds():
    seeds = {}
    base = box_font()
    seeds["box"] = base
    for upem in (16, 64, 1000, 2048, 16384):
        seeds["box-upem%d" % upem] = box_font(upem, upem * 8 // 10, upem // 5, upem // 2,
                                              (0, -upem // 8, upem // 2, upem * 3 // 4))
    # Metrics, as SDL_ttf turns them into a height, an ascent and a descent (hhea's descender
    # counts down from the baseline, so it is negative in a sane font).
    for name, (ascent, descent) in {"normal": (800, -200), "ascent0-descent-above": (0, 200),
                                    "ascent0-descent0": (0, 0), "ascent-negative": (-300, -200),
                                    "height-zero": (200, 200), "huge": (32767, -32768),
                                    "inverted": (-32768, 32767), "tiny": (1, 0)}.items():
        seeds["metrics-" + name] = edited_font(base, set_metrics(ascent, descent))
    seeds["metrics-hhea-zero-typo-sane"] = edited_font(base, set_metrics(0, 0, (800, -200)))
    seeds["metrics-hhea-zero-typo-inverted"] = edited_font(base, set_metrics(0, 0, (0, 300)))
    seeds["metrics-all-zero"] = edited_font(base, set_metrics(0, 0, (0, 0), (0, 0)))
    for name, fields in {"line-gap-huge": {"lineGap": 32767},
                         "line-gap-negative": {"lineGap": -32768},
                         "no-horizontal-metrics": {"numberOfHMetrics": 0},
                         "one-horizontal-metric": {"numberOfHMetrics": 1},
                         "advance-max-zero": {"advanceWidthMax": 0}}.items():
        seeds["hhea-" + name] = edited_font(base, set_hhea(**fields))
    seeds["glyph-wider-than-em"] = box_font(box=(-4000, -2000, 8000, 6000))
    seeds["glyph-empty"] = box_font(box=(0, 0, 0, 0))
    for advance in (0, 65535):
        seeds["advance-%d" % advance] = edited_font(base, lambda font, advance=advance: [
            font["hmtx"].metrics.__setitem__(name, (advance, lsb))
            for name, (_, lsb) in list(font["hmtx"].metrics.items())])
    seeds["kerning"] = edited_font(base, add_kerning)
    seeds["wide-character-map"] = edited_font(base, add_wide_character)
    seeds["mac-character-map-only"] = edited_font(base, mac_roman_only)
    seeds["composite-glyph"] = edited_font(base, add_composite)
    seeds["hinting"] = edited_font(base, add_hinting)
    seeds["long-locations"] = edited_font(base, lambda font: setattr(
        font["head"], "indexToLocFormat", 1))
    for tags in (("OS/2",), ("post",), ("name",), ("hmtx",), ("kern", "OS/2", "post", "name")):
        seeds["without-" + "-".join(t.strip().replace("/", "") for t in tags)] = \
            edited_font(base, drop(*tags))
    seeds["cff"] = cff_font()
    seeds["cff-ascent0-descent-above"] = edited_font(seeds["cff"], set_metrics(0, 200))
    # Cut at each table's start: FreeType opens what it can and SDL_ttf renders from that.
    font = TTFont(io.BytesIO(base))
    directory = sorted(font.reader.tables.values(), key=lambda entry: entry.offset)
    for entry in directory:
        seeds["cut-before-" + entry.tag.strip().replace("/", "")] = base[:entry.offset]
    seeds["directory-only"] = base[:12 + 16 * len(directory)]
    collection = b"ttcf" + struct.pack(">HHII", 1, 0, 1, 16) + base
    seeds["collection"] = collection
    return seeds


# The whole set -----------------------------------------------------------------------------------

def project_and_e2e_files(target, scratch):
    """The project's data files and the end-to-end data set's, and each of them damaged."""
    files = {}
    for relative in PROJECT_FILES[target]:
        files["project-" + Path(relative).name] = (REPO / relative).read_bytes()
    for name, make in E2E_FILES[target]:
        path = scratch / name
        make(str(path))
        files["e2e-" + name] = path.read_bytes()
    for name, data in list(files.items()):
        for damage, spoil in DAMAGE.items():
            path = scratch / "damaged"
            path.write_bytes(data)
            spoil(path)
            files["%s-%s" % (name, damage)] = path.read_bytes()
    if target == "bitmap":
        image = np.asarray(test_faults.checks.load_bitmap(REPO / "graph/splash.bmp"))
        for shape, (reshape, palette) in test_faults.RESHAPE.items():
            path = scratch / "reshaped.bmp"
            test_faults.save_bitmap(reshape(image), path, palette)
            files["e2e-" + shape.split(" ")[0].strip("(")] = path.read_bytes()
    return files


# The end-to-end runs' crafted files by the prefix of their makers' names, for each target. The
# makers write a file from scratch at the path they are given; junk_tail spoils one in place.
CRAFTED_PREFIXES = {"bitmap": ("bitmap_",), "font": ("font_",), "logo_sound": ("wav_", "ogg_"),
                    "menu_music": ("ogg_",)}


# The longest input that the fuzzers make (QUORVANE_FUZZ_MAX_LEN).
MAX_INPUT = 65536


def as_input(path):
    """The file at `path` as an input of the targets: its bytes, or, for a file longer than an
    input may be whose tail is a sparse run of zeros, its leading bytes and the trailer that asks
    the target for that tail (fuzz_support.cpp); None when neither will do."""
    size = path.stat().st_size
    if size <= MAX_INPUT:
        return path.read_bytes()
    with open(path, "rb") as file:
        end = os.lseek(file.fileno(), 0, os.SEEK_HOLE)
        leading = os.pread(file.fileno(), min(end, MAX_INPUT + 1), 0).rstrip(b"\0")
    if len(leading) + 8 > MAX_INPUT or size >= 1 << 32:
        return None
    return leading + b"TAIL" + struct.pack("<I", size)


def crafted_files(target, module, scratch):
    """The end-to-end runs' crafted files for this target, where their module is at hand."""
    if module is None:
        return {}
    files = {}
    for name in sorted(dir(module)):
        maker = getattr(module, name)
        if (name.startswith(CRAFTED_PREFIXES[target]) and callable(maker)
                and list(inspect.signature(maker).parameters) == ["path"]):
            path = scratch / name
            maker(path)
            data = as_input(path)
            path.unlink()
            if data is not None:
                files["e2e-crafted-" + name.replace("_", "-")] = data
    if target == "menu_music" and hasattr(module, "junk_tail"):
        path = scratch / "junk-tail.ogg"
        e2e_data.make_music(str(path))
        module.junk_tail(path, 32768)
        files["e2e-crafted-junk-tail"] = path.read_bytes()
    return files


def load_crafted(folder):
    """The end-to-end runs' module of crafted files from `folder`, or None where it has none."""
    if not (folder / "crafted.py").exists():
        return None
    sys.path.insert(0, str(folder))
    import crafted
    return crafted


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", type=Path)
    parser.add_argument("--crafted", type=Path, default=REPO / "tests" / "e2e",
                        help="folder of crafted.py (default: %(default)s)")
    args = parser.parse_args()
    crafted = load_crafted(args.crafted)
    makers = {"bitmap": bitmap_seeds, "font": font_seeds, "logo_sound": sound_seeds,
              "menu_music": music_seeds}
    for target in TARGETS:
        folder = args.out / target
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        with tempfile.TemporaryDirectory() as scratch:
            seeds = project_and_e2e_files(target, Path(scratch))
            seeds.update(crafted_files(target, crafted, Path(scratch)))
        seeds.update(makers[target]())
        if target == "logo_sound":
            # SDL_mixer loads an Ogg Vorbis file as a sound too.
            seeds.update({"ogg-" + name: data for name, data in music_seeds().items()
                          if name.startswith("vorbis-") or name.startswith("crafted-rate")})
        for name, data in seeds.items():
            (folder / name).write_bytes(data)
        print("%-11s %4d seeds, %9d bytes" % (target, len(seeds), sum(map(len, seeds.values()))))


if __name__ == "__main__":
    main()
