"""Makers of crafted data files: each writes one file that SDL 1.2, SDL_mixer or SDL_ttf
mishandles when handed it unchecked (a crash, a hang, a frozen window), or that is far larger
than its content.

Every maker takes the path to write and returns nothing. Most write a small file from scratch;
the few that say so spoil the file already at the path (a tail appended, say), so that what
remains of it is still recognisable. The end-to-end runs put each file in its place in a run
directory; the fuzz targets start from the same files.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import os
import struct
import sys
from pathlib import Path

import numpy as np

HERE = Path(__file__).resolve().parent
sys.path[:0] = [str(HERE), str(HERE.parent)]
from box_font import (make_box_font, read_directory, read_to_the_end_of_glyf,  # noqa: E402
                      write_directory)
from make_data import make_music  # noqa: E402

GiB = 1 << 30
MiB = 1 << 20


# --- bitmaps -----------------------------------------------------------------------------------

def bitmap_bytes(width=8, height=8, depth=24, offset=None, compression=0, colours_used=0,
                 pixels=None):
    """A Windows bitmap with a 40-byte info header, its fields as given: `offset` is the pixel
    offset (default: right after the headers and the palette), `pixels` the bytes after the
    headers (default: enough rows of a grey ramp for the depth and size, when they make sense)."""
    palette = b""
    if 1 <= depth <= 8:
        entries = colours_used or (1 << depth)
        palette = b"".join(bytes((i % 256, i % 256, i % 256, 0)) for i in range(entries))
    headers = 14 + 40 + len(palette)
    if pixels is None:
        row = ((abs(width) * (depth & 0xFF) + 31) // 32) * 4 if 0 < width < 4096 else 0
        rows = abs(height) if 0 < abs(height) < 4096 else 0
        pixels = bytes((x * 37) & 0xFF for x in range(row)) * rows
    file_size = headers + len(pixels)
    header = struct.pack("<2sIHHI", b"BM", file_size & 0xFFFFFFFF, 0, 0,
                         headers if offset is None else offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, depth, compression, len(pixels),
                       2835, 2835, colours_used, 0)
    return header + info + palette + pixels


def bitmap_depth_low_byte_8(path):
    """Bit depth 2056 (0x808): SDL's loader passes it on whole, and the surface's format keeps
    8 bits and (2056 + 7) / 8 = 257 bytes a pixel in one byte each, 8 and 1: a palette image
    by its numbers, but made without a palette, since only depths up to 8 get one. The blit then
    maps colours through the missing palette (SIGSEGV in SDL_UpperBlit)."""
    Path(path).write_bytes(bitmap_bytes(width=8, height=8, depth=0x808, pixels=bytes(64)))


def bitmap_height_min(path):
    """Height -2^31, 640 wide: SDL's loader negates a negative height to mark a top-down image,
    which for -2^31 overflows and stays negative; the surface's pixel buffer, of height times
    pitch bytes, is then 0 bytes long, and the blit copies rows from it (SIGSEGV in
    SDL_UpperBlit)."""
    Path(path).write_bytes(bitmap_bytes(width=640, height=-(1 << 31), depth=24,
                                        pixels=bytes(640 * 3)))


def bitmap_offset_beyond_file(path):
    """A pixel offset past the end of the file: the loader seeks there and its reads of the
    rows then fail. SDL 1.2.15 gives up quietly on it; the file stands for the pixel data that
    a sane bitmap holds inside itself."""
    Path(path).write_bytes(bitmap_bytes(width=8, height=8, depth=24, offset=1 << 20))


def bitmap_offset_negative_bogus_depth(path):
    """A pixel offset of 2^31, negative to SDL's signed seek, with the bogus depth 2056 of
    bitmap_depth_low_byte_8: straight from a file the seek fails and nothing loads, but a memory
    stream clamps the seek to its start, so the loader takes the file's own headers for pixels
    and the blit crashes through the missing palette."""
    Path(path).write_bytes(bitmap_bytes(width=8, height=8, depth=0x808, offset=1 << 31,
                                        pixels=bytes(64)))


def bitmap_one_bit_8192_square(path):
    """A 1-bit bitmap of 8192 by 8192 pixels whose rows are a sparse tail of zeros: SDL widens it
    to a 64 MiB surface that it fills one byte of the file at a time, and the menu loads it on
    every frame."""
    Path(path).write_bytes(bitmap_bytes(width=8192, height=8192, depth=1, pixels=b""))
    os.truncate(path, os.path.getsize(path) + 8192 * 8192 // 8)


def bitmap_32_bit_8192_square(path):
    """A 32-bit bitmap of 8192 by 8192 pixels whose rows are a sparse tail of zeros: a 256 MiB
    surface, zeroed, filled and freed on every menu frame."""
    Path(path).write_bytes(bitmap_bytes(width=8192, height=8192, depth=32, pixels=b""))
    os.truncate(path, os.path.getsize(path) + 8192 * 8192 * 4)


# --- sounds ------------------------------------------------------------------------------------

def wav_bytes(encoding=1, channels=1, rate=22050, bits=16, block_align=None, extra=b"",
              data=b"\x00\x10" * 64):
    """A RIFF WAVE file: one format chunk with the given fields (and `extra` bytes after its 16),
    then one data chunk."""
    if block_align is None:
        block_align = channels * bits // 8
    fmt = struct.pack("<HHIIHH", encoding, channels, rate, rate * block_align, block_align,
                      bits) + extra
    chunks = (b"fmt " + struct.pack("<I", len(fmt)) + fmt
              + b"data" + struct.pack("<I", len(data)) + data)
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def wav_rate_1(path):
    """A PCM WAV at 1 Hz: SDL_BuildAudioCVT adds one doubling filter per octave up to the
    mixer's 22050 Hz, more than its table of ten holds, and overwrites what follows it (stack
    smashing, or a jump through an overwritten function pointer in SDL_ConvertAudio)."""
    Path(path).write_bytes(wav_bytes(rate=1))


def wav_rate_2(path):
    """A PCM WAV at 2 Hz: the same overflow of SDL_BuildAudioCVT's filter table, one octave
    shorter."""
    Path(path).write_bytes(wav_bytes(rate=2))


def wav_no_channels(path):
    """A PCM WAV with 0 channels: SDL_BuildAudioCVT doubles the channel count until it reaches
    the mixer's two, which from 0 never happens (a stack overflow)."""
    Path(path).write_bytes(wav_bytes(channels=0, block_align=2))


def wav_ms_adpcm_block_align_0(path):
    """An MS-ADPCM WAV whose block align is 0: the decoder divides the data's length by it
    (SIGFPE)."""
    coefficients = ((256, 0), (512, -256), (0, 0), (192, 64), (240, 0), (460, -208), (392, -232))
    extra = struct.pack("<HHH", 32, 500, 7) + b"".join(struct.pack("<hh", *pair)
                                                       for pair in coefficients)
    Path(path).write_bytes(wav_bytes(encoding=2, channels=1, bits=4, block_align=0, extra=extra,
                                     data=bytes(256)))


def wav_ima_adpcm_block_align_0(path):
    """An IMA-ADPCM WAV whose block align is 0: the decoder divides the data's length by it
    (SIGFPE)."""
    extra = struct.pack("<HH", 2, 505)
    Path(path).write_bytes(wav_bytes(encoding=0x11, channels=1, bits=4, block_align=0,
                                     extra=extra, data=bytes(256)))


def _crc_table():
    table = []
    for byte in range(256):
        crc = byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
        table.append(crc & 0xFFFFFFFF)
    return table


_CRC_TABLE = _crc_table()


def _ogg_crc(data):
    """The CRC of an Ogg page: polynomial 0x04C11DB7, not reflected, starting from 0."""
    crc = 0
    for byte in data:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ _CRC_TABLE[(crc >> 24) ^ byte]
    return crc


def ogg_rate_1(path):
    """An Ogg Vorbis file whose identification header says 1 Hz (the page's CRC made to match):
    libvorbis accepts it, and when the music starts SDL_mixer builds the same overflowing
    conversion as for a 1 Hz WAV (SIGSEGV). The rest of the file is the end-to-end runs' music."""
    make_music(str(path))
    data = bytearray(Path(path).read_bytes())
    segments = data[26]
    packet = 27 + segments
    if data[packet:packet + 7] != b"\x01vorbis":
        raise ValueError("oggenc's first packet is not the identification header")
    # Version (4 bytes) and channels (1 byte) come before the rate.
    struct.pack_into("<I", data, packet + 12, 1)
    page_end = packet + sum(data[27:packet])
    struct.pack_into("<I", data, 22, 0)
    struct.pack_into("<I", data, 22, _ogg_crc(bytes(data[:page_end])))
    Path(path).write_bytes(bytes(data))


def ogg_chained_streams_converted(path):
    """16 chained logical streams of 256 mono samples each, which the mixer's stereo output needs
    converted: SDL_mixer builds a new converter at every change of stream, and
    SDL_BuildAudioCVT clears the pointer to the last converter's 8 KiB buffer before SDL_mixer
    would free it. Looping through 86 changes of stream a second, the music loses some 700 KB a
    second, without end."""
    import wave
    import subprocess
    import tempfile

    with tempfile.TemporaryDirectory() as scratch:
        wav_path = Path(scratch) / "click.wav"
        with wave.open(str(wav_path), "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(22050)
            out.writeframes(struct.pack("<256h", *([4000, -4000] * 128)))
        ogg_path = Path(scratch) / "click.ogg"
        subprocess.run(["oggenc", "-Q", "-s", "1", "-o", str(ogg_path), str(wav_path)],
                       check=True)
        stream = ogg_path.read_bytes()
    chained = bytearray()
    for serial in range(16):
        chained += _with_serial(stream, serial + 1)
    Path(path).write_bytes(bytes(chained))


def _with_serial(stream, serial):
    """An Ogg stream's pages with the serial number `serial`, their checksums made anew."""
    link = bytearray(stream)
    at = 0
    while at < len(link):
        segments = link[at + 26]
        length = 27 + segments + sum(link[at + 27:at + 27 + segments])
        struct.pack_into("<I", link, at + 14, serial)
        struct.pack_into("<I", link, at + 22, 0)
        struct.pack_into("<I", link, at + 22, _ogg_crc(bytes(link[at:at + length])))
        at += length
    return link


def ogg_largest_chain(path):
    """The largest music that the checks let through: chained streams of 8 s of noise at the
    mixer's own 22050 Hz in stereo, at the highest quality, as many as fit in 16 MiB. The program
    holds the whole file, and libvorbis every stream's headers."""
    import subprocess
    import tempfile
    import wave

    with tempfile.TemporaryDirectory() as scratch:
        wav_path = Path(scratch) / "noise.wav"
        noise = np.random.default_rng(16).normal(0, 6000, (8 * 22050, 2))
        with wave.open(str(wav_path), "wb") as out:
            out.setnchannels(2)
            out.setsampwidth(2)
            out.setframerate(22050)
            out.writeframes(np.clip(noise, -32767, 32767).astype("<i2").tobytes())
        ogg_path = Path(scratch) / "noise.ogg"
        subprocess.run(["oggenc", "-Q", "-q", "10", "-s", "1", "-o", str(ogg_path),
                        str(wav_path)], check=True)
        stream = ogg_path.read_bytes()
    chained = bytearray()
    for serial in range(min(64, 16 * MiB // len(stream))):
        chained += _with_serial(stream, serial + 1)
    Path(path).write_bytes(bytes(chained))


class _PackedBits:
    """Fields packed as libvorbis packs them, from the lowest bit of each byte up."""

    def __init__(self, start=b""):
        self.data = bytearray(start)
        self.count = 8 * len(start)

    def put(self, value, width):
        for bit in range(width):
            if self.count % 8 == 0:
                self.data.append(0)
            self.data[-1] |= (value >> bit & 1) << self.count % 8
            self.count += 1
        return self


def _ogg_page(flags, serial, sequence, granule, packets):
    """An Ogg page holding these packets whole, with its checksum."""
    lacing = b"".join(bytes([255] * (len(packet) // 255) + [len(packet) % 255])
                      for packet in packets)
    page = bytearray(struct.pack("<4sBBqIIIB", b"OggS", 0, flags, granule, serial, sequence, 0,
                                 len(lacing)) + lacing + b"".join(packets))
    struct.pack_into("<I", page, 22, _ogg_crc(bytes(page)))
    return bytes(page)


def _vorbis_partition_setup(entries, dimensions, partitions):
    """A Vorbis setup header whose one residue's partition book has `entries` entries in
    `dimensions` dimensions, for `partitions` ** `dimensions` partition values: one codebook of
    codewords of as few bits as fill its tree, a floor of type 1 without posts, a residue of type
    2 over no samples, one mapping and one mode of short blocks."""
    length = (entries - 1).bit_length()
    shorter = (1 << length) - entries
    bits = _PackedBits(b"\x05vorbis").put(0, 8)
    bits.put(0x564342, 24).put(dimensions, 16).put(entries, 24).put(1, 1).put(length - 2, 5)
    bits.put(shorter, entries.bit_length()).put(entries - shorter, (entries - shorter).bit_length())
    bits.put(0, 4)
    bits.put(0, 6).put(0, 16)
    bits.put(0, 6).put(1, 16).put(0, 5).put(0, 2).put(7, 4)
    bits.put(0, 6).put(2, 16).put(0, 24).put(0, 24).put(0, 24).put(partitions - 1, 6).put(0, 8)
    for _ in range(partitions):
        bits.put(0, 3).put(0, 1)
    bits.put(0, 6).put(0, 16).put(0, 1).put(0, 1).put(0, 2).put(0, 8).put(0, 8).put(0, 8)
    bits.put(0, 6).put(0, 1).put(0, 16).put(0, 16).put(0, 8)
    return bytes(bits.put(1, 1).data)


def ogg_short_chained_streams(path):
    """Two chained streams, 416 bytes, each one sample long (two audio packets of one byte, the
    last page's granule position 1) with a residue whose partition book has 64,000 entries, 40
    partitions in 3 dimensions. libvorbis sets up the decoder anew at every change of stream, and
    for this residue that is 64,000 allocations filled and freed, some 27 million instructions;
    looping through one sample a stream, SDL_mixer changes stream 4,096 times for each buffer of
    4,096 frames, in the audio callback with the mixer locked, and halting the music waits for the
    callback."""
    identification = b"\x01vorbis" + struct.pack("<IBIiiiBB", 0, 2, 22050, 0, 0, 0, 0xB8, 1)
    comment = b"\x03vorbis" + struct.pack("<II", 0, 0) + b"\x01"
    setup = _vorbis_partition_setup(64000, 3, 40)
    chained = b""
    for serial in (1, 2):
        chained += _ogg_page(2, serial, 0, 0, [identification])
        chained += _ogg_page(0, serial, 1, 0, [comment, setup])
        chained += _ogg_page(4, serial, 2, 1, [b"\x00", b"\x00"])
    Path(path).write_bytes(chained)


def ogg_costliest_decoding(path):
    """The music that costs the most decoding work that the checks let through, for a mixing
    buffer: 6 channels at 22050 Hz in blocks of 8192 samples, each packet decoded through a
    residue of 8 stages whose books give one value for each bit (one entry, a codeword of one
    bit), one partition a value: some 44 million instructions a packet, two packets for some
    buffers, 7 s looping."""
    channels = 6
    # Two books of one entry: the partition book, and the stages' book with its one value.
    bits = _PackedBits(b"\x05vorbis").put(1, 8)
    for values in (False, True):
        bits.put(0x564342, 24).put(1, 16).put(1, 24).put(0, 2).put(0, 5)
        if values:
            bits.put(1, 4).put(0, 32).put(0, 32).put(0, 4).put(0, 1).put(0, 1)
        else:
            bits.put(0, 4)
    bits.put(0, 6).put(0, 16)
    bits.put(0, 6).put(1, 16).put(0, 5).put(0, 2).put(8, 4)
    bits.put(0, 6).put(2, 16).put(0, 24).put(4096 * channels, 24).put(0, 24).put(0, 6).put(0, 8)
    bits.put(7, 3).put(1, 1).put(31, 5)
    for _ in range(8):
        bits.put(1, 8)
    bits.put(0, 6).put(0, 16).put(0, 1).put(0, 1).put(0, 2).put(0, 8).put(0, 8).put(0, 8)
    bits.put(0, 6).put(1, 1).put(0, 16).put(0, 16).put(0, 8)
    setup = bytes(bits.put(1, 1).data)
    identification = b"\x01vorbis" + struct.pack("<IBIiiiBB", 0, channels, 22050, 0, 0, 0, 0xD6,
                                                 1)
    comment = b"\x03vorbis" + struct.pack("<II", 0, 0) + b"\x01"
    # A long block, each channel's floor used with both posts at 255, then ones to the end.
    head = _PackedBits().put(0, 1).put(3, 2)
    for _ in range(channels):
        head.put(1, 1).put(255, 8).put(255, 8)
    packet = bytes(head.data) + b"\xff" * (4096 * channels * 9 // 8)
    music = _ogg_page(2, 1, 0, 0, [identification]) + _ogg_page(0, 1, 1, 0, [comment, setup])
    for index in range(40):
        music += _ogg_page(4 if index == 39 else 0, 1, 2 + index, 4096 * index, [packet])
    Path(path).write_bytes(music)


def wav_largest(path):
    """The largest logo sound that the checks let through: 4 MiB of 16-bit mono at 22050 Hz,
    which SDL_mixer converts to 8 MiB of stereo, holding the file, SDL's copy and the converted
    sound at once."""
    samples = np.random.default_rng(8).normal(0, 3000, 2 * MiB)
    data = np.clip(samples, -32767, 32767).astype("<i2").tobytes()
    Path(path).write_bytes(wav_bytes(channels=1, data=data))


def junk_tail(path, size=64 * MiB):
    """Appends `size` bytes of seeded random junk to the file at path. To an Ogg file: libvorbis
    opens a seekable stream by looking for its last page, backwards from the end, and through
    junk that search takes time that grows faster than the junk (64 MB: about 8 s)."""
    rng = np.random.default_rng(64)
    with open(path, "ab") as out:
        left = size
        while left > 0:
            chunk = min(left, 8 * MiB)
            out.write(rng.integers(0, 256, chunk, np.uint8).tobytes())
            left -= chunk


def sparse_tail(path, size):
    """Makes the file at path `size` bytes long by appending a sparse tail of zeros, which costs
    no disk space: the leading bytes stay a valid file, the rest is nothing but length. An Ogg
    file so extended is one with a long junk tail; a bitmap or font is simply oversized."""
    os.truncate(path, size)


# --- fonts -------------------------------------------------------------------------------------

def font_height_not_positive(path):
    """A TrueType font whose ascender is 0 and whose descender is above 0: SDL_ttf works out a
    line height of ascent - descent + 1, which is then 0 or less, and TTF_RenderText_Shaded
    returns a surface that SDL_FreeSurface cannot free (munmap_chunk(): invalid pointer), or it
    writes outside its rows."""
    from fontTools.ttLib import TTFont

    make_box_font(path, "Upside", 1024, 512, (0, 0, 512, 768), 768, 256)
    font = TTFont(path)
    font["hhea"].ascent = 0
    font["hhea"].descent = 512
    os2 = font["OS/2"]
    os2.sTypoAscender = 0
    os2.sTypoDescender = 512
    os2.usWinAscent = 0
    os2.usWinDescent = 0
    font.save(path)


def font_kern_256_mib(path):
    """A TrueType font whose kerning table is 256 MiB of zeros in a sparse tail: FreeType reads
    the table whole every time the font is opened, twice a menu frame."""
    make_box_font(path, "Kerned", 1024, 512, (0, 0, 512, 768), 768, 256)
    from fontTools.ttLib import TTFont, newTable
    from fontTools.ttLib.tables._k_e_r_n import KernTable_format_0

    font = TTFont(path)
    kern = newTable("kern")
    kern.version = 0
    pairs = KernTable_format_0()
    pairs.version, pairs.coverage, pairs.format, pairs.kernTable = 0, 1, 0, {}
    kern.kernTables = [pairs]
    font["kern"] = kern
    font.save(path)
    data = bytearray(Path(path).read_bytes())
    start = (len(data) + 3) // 4 * 4
    for entry in range(struct.unpack_from(">H", data, 4)[0]):
        at = 12 + 16 * entry
        if data[at:at + 4] == b"kern":
            struct.pack_into(">II", data, at + 8, start, 256 * MiB)
    Path(path).write_bytes(bytes(data))
    os.truncate(path, start + 256 * MiB)


def _with_tables(path, tables):
    """Appends `tables` (tag, bytes) to the font at path, in place of any of the same tag."""
    data = bytearray(Path(path).read_bytes())
    entries = read_directory(data)
    for tag, body in tables:
        entries = [entry for entry in entries if entry[0] != tag]
        data += bytes(-len(data) % 4)
        entries.append([tag, 0, len(data), len(body)])
        data += body
    Path(path).write_bytes(write_directory(bytes(data), entries))


def font_most_points(path):
    """The slowest font to draw by its outlines that the checks let through: every character is
    one glyph, a box whose foot is a zigzag, 1000 points in all (too many in a line for the
    auto-hinter, so FreeType loads them as they are, a third of the auto-hinter's cost), and
    which FreeType reads as 16 KiB, its locations running
    backwards to the end of its table: twice for each character of each line, the font opened
    anew for every line, with the most control values (64 KiB), names (1024) and kerning pairs
    (256 KiB of them, in order, in four tables) that FreeType reads at every opening."""
    from fontTools.pens.ttGlyphPen import TTGlyphPen
    from fontTools.ttLib import TTFont

    make_box_font(path, "Zigzag", 1024, 512, (0, 0, 512, 768), 768, 256)
    font = TTFont(path)
    pen = TTGlyphPen(None)
    pen.moveTo((0, 768))
    pen.lineTo((512, 768))
    for n in range(998):
        pen.lineTo((512 - n * 512 // 998, 128 if n % 2 else 0))
    pen.closePath()
    # The zigzag is the last glyph, so that it is read from its start to the end of the table.
    font["glyf"]["c126"] = pen.glyph()
    for table in font["cmap"].tables:
        for code in table.cmap:
            if code != 32:
                table.cmap[code] = "c126"
    font.save(path)
    data = Path(path).read_bytes()
    tables = {entry[0]: entry for entry in read_directory(data)}
    glyph = font.getGlyphID("c126")
    start = 2 * struct.unpack_from(">H", data, tables[b"loca"][2] + 2 * glyph)[0]
    read_to_the_end_of_glyf(path, glyph, 16 * 1024 - (tables[b"glyf"][3] - start))
    names = struct.pack(">HHH", 0, 1024, 6 + 12 * 1024) + struct.pack(
        ">HHHHHH", 3, 1, 0x409, 1, 0, 0) * 1024
    # Four subtables, as each one's length is 16 bits.
    pairs = (64 * 1024 - 14) // 6
    kerning = struct.pack(">HH", 0, 4)
    for table in range(4):
        kerning += struct.pack(">HHHHHHH", 0, 14 + 6 * pairs, 1, pairs, 0, 0, 0)
        kerning += b"".join(struct.pack(">HHh", pair // 97 + 1, pair % 97, -1)
                            for pair in range(pairs))
    _with_tables(path, [(b"cvt ", bytes(64 * 1024)), (b"name", names), (b"kern", kerning)])


def font_most_bitmap_lookups(path):
    """The slowest font to draw by its embedded bitmaps that the checks let through: at 16 pixels
    per em every character is a bitmap of 64 by 64 pixels in 32 bits, the largest that the
    bounds on glyphs let the line draw, converted to grey at every load, whose image is read as
    64 KiB, and which FreeType finds only after stepping through 928 index records of no glyph,
    the most that the bound on look-ups leaves."""
    from fontTools.ttLib import TTFont
    from fontTools.ttLib.tables.DefaultTable import DefaultTable

    make_box_font(path, "Bitmaps", 1024, 4096, (0, -512, 4096, 2560), 1536, 512)
    font = TTFont(path)
    glyphs = len(font.getGlyphOrder())
    image = struct.pack(">BBbbBbbB", 64, 64, 0, 40, 64, 0, 0, 0)
    records = 1024
    array = 8 + 48
    subtable = array + 8 * records
    locations = struct.pack(">II", 0x00020000, 1)
    locations += struct.pack(">III", array, 8 * records + 20, records) + bytes(28)
    locations += struct.pack(">HHBBBb", 0, glyphs - 1, 16, 16, 32, 1)
    # Records of no glyph (the last before the first), then one for each glyph, all of one
    # subtable: one image size for all, the metrics above, images of format 5, all of them at
    # the start of the image table.
    locations += struct.pack(">HHI", 1, 0, subtable - array) * (records - glyphs)
    for glyph in range(glyphs):
        locations += struct.pack(">HHI", glyph, glyph, subtable - array)
    locations += struct.pack(">HHII", 2, 5, 4, 64 * 1024) + image
    font["EBLC"] = DefaultTable("EBLC")
    font["EBLC"].data = locations
    font["EBDT"] = DefaultTable("EBDT")
    # Opaque black, which FreeType's conversion makes full coverage: white text.
    font["EBDT"].data = struct.pack(">I", 0x00020000) + bytes((0, 0, 0, 255)) * 16384
    font.save(path)


def _with_tall_glyphs(path, characters, width):
    """A box font of 16 units per em, a pixel a unit at 16 points, whose `characters` are each a
    rectangle `width` units wide reaching 32767 units above the baseline, the most a glyph's
    coordinates hold."""
    from fontTools.pens.ttGlyphPen import TTGlyphPen
    from fontTools.ttLib import TTFont

    make_box_font(path, "Tall", 16, 12, (0, 0, 12, 16), 16, 4)
    font = TTFont(path)
    pen = TTGlyphPen(None)
    pen.moveTo((0, 0))
    pen.lineTo((0, 32767))
    pen.lineTo((width, 32767))
    pen.lineTo((width, 0))
    pen.closePath()
    tall = pen.glyph()
    for character in characters:
        name = "c%d" % ord(character)
        font["glyf"][name] = tall
        font["hmtx"][name] = (width, 0)
    font.save(path)


def font_tall_g(path):
    """A font whose "G" is 2048 pixels wide at 16 points and reaches 32767 above the baseline:
    SDL_ttf's TTF_SizeText counts only how far glyphs reach below the ascent, so the text box
    stays small, but FreeType renders the whole glyph, a bitmap of 64 MiB, and SDL_ttf keeps a
    copy of it until the font closes, for both menu lines on every frame."""
    _with_tall_glyphs(path, "G", 2048)


def font_tall_texts(path):
    """A font whose every glyph of the menu's lines and of the quit question is 224 pixels wide
    at 16 points and reaches 32767 above the baseline: FreeType renders each one whole, some
    7 MiB apiece, and SDL_ttf keeps every one until the font closes."""
    _with_tall_glyphs(path, set("(S)tart Game(Q)uit GameQuit for sure (Y or N)?") - {" "}, 224)


def font_glyphs_read_as_megabytes(path):
    """A font whose every character is one glyph of four points that FreeType reads as 3.9 MiB,
    its locations running backwards to the end of its table: it copies them out of the font at
    every load of the glyph, twice for each character of each line."""
    from fontTools.ttLib import TTFont

    make_box_font(path, "Heavy", 1024, 512, (0, 0, 512, 768), 768, 256)
    font = TTFont(path)
    for table in font["cmap"].tables:
        for code in table.cmap:
            if code != 32:
                table.cmap[code] = "c83"
    font.save(path)
    read_to_the_end_of_glyf(path, font.getGlyphID("c83"), 3900 * 1024)


def font_compound_bitmaps(path):
    """A font whose embedded bitmaps at 16 pixels per em are each made of two copies of the next
    glyph's, down to a plain one 94 levels below: FreeType draws every part as often as it is
    named, up to 100 levels deep, 2^94 images for the first glyph and still 2^86 for "(" (a
    hang)."""
    from fontTools.ttLib import TTFont
    from fontTools.ttLib.tables.DefaultTable import DefaultTable

    make_box_font(path, "Parts", 1024, 512, (0, 0, 512, 768), 768, 256)
    font = TTFont(path)
    last = len(font.getGlyphOrder()) - 1
    # Images of format 9 (big metrics and parts) for every glyph but the last, each two parts of
    # the next glyph at the same place; the last glyph's of format 1 (small metrics, byte rows).
    images = [struct.pack(">BBbbBbbBHHbbHbb", 8, 8, 0, 8, 8, 0, 0, 0, 2, glyph + 1, 0, 0,
                          glyph + 1, 0, 0) for glyph in range(last)]
    images.append(struct.pack(">BBbbB", 8, 8, 0, 8, 8) + b"\xff" * 8)
    offsets = [0]
    for image in images:
        offsets.append(offsets[-1] + len(image))
    array = 8 + 48
    locations = struct.pack(">II", 0x00020000, 1)
    locations += struct.pack(">III", array, 16 + 8 + 4 * (last + 1) + 8 + 8, 2) + bytes(28)
    locations += struct.pack(">HHBBBb", 0, last, 16, 16, 1, 1)
    first_subtable = 16
    second_subtable = first_subtable + 8 + 4 * (last + 1)
    locations += struct.pack(">HHI", 0, last - 1, first_subtable)
    locations += struct.pack(">HHI", last, last, second_subtable)
    locations += struct.pack(">HHI", 1, 9, 4) + struct.pack(">%dI" % (last + 1), *offsets[:-1])
    locations += struct.pack(">HHI", 1, 1, 4 + offsets[-2]) + struct.pack(">II", 0,
                                                                            len(images[-1]))
    font["EBLC"] = DefaultTable("EBLC")
    font["EBLC"].data = locations
    font["EBDT"] = DefaultTable("EBDT")
    font["EBDT"].data = struct.pack(">I", 0x00020000) + b"".join(images)
    font.save(path)


# --- files that are not regular files ---------------------------------------------------------

def fifo(path):
    """A FIFO in place of the file: opening it for reading blocks until something writes to it,
    which here nothing ever does."""
    path = Path(path)
    if path.exists() or path.is_symlink():
        path.unlink()
    os.mkfifo(path)
