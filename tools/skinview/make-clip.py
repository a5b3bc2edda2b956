#!/usr/bin/env python3
"""Writes an uncompressed AVI clip: 24-bit frames, each split in two halves,
the left half in the frame's own colour (COLOURS, in turn), the right half
always white, so that a reader of a drawn frame knows what to expect.

  make-clip.py OUT.avi [--size WxH] [--frames N] [--rate R] [--scale S] [--audio-only]

--audio-only writes a clip whose one stream is sound (no video stream)."""

import argparse
import struct
import sys

COLOURS = [(0x19, 0xA7, 0xA0), (0xE0, 0x60, 0x20), (0x30, 0x50, 0xD0), (0xF0, 0xD0, 0x20)]  # (r, g, b)


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, fourcc, parts):
    body = fourcc + b"".join(parts)
    return kind + struct.pack("<I", len(body)) + body


def frame_pixels(width, height, colour):
    stride = (width * 3 + 3) & ~3
    left = bytes((colour[2], colour[1], colour[0])) * (width // 2)
    right = b"\xff\xff\xff" * (width - width // 2)
    row = (left + right).ljust(stride, b"\0")
    return row * height


def build(width, height, frames, rate, scale, audio_only):
    if audio_only:
        fmt = struct.pack("<HHIIHHH", 1, 1, 8000, 8000, 1, 8, 0)  # 8 kHz mono 8-bit PCM
        samples = [b"\x80" * 800 for _ in range(frames)]
        kind, handler, tag, sample_size, buffer_size = b"auds", b"\0\0\0\0", b"00wb", 1, 800
        rate, scale, length = 8000, 1, 800 * frames
    else:
        fmt = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0)
        samples = [frame_pixels(width, height, COLOURS[i % len(COLOURS)]) for i in range(frames)]
        kind, handler, tag, sample_size, buffer_size = b"vids", b"DIB ", b"00db", 0, len(samples[0])
        length = frames
    per_frame = (1000000 * scale // rate) if rate else 0
    avih = struct.pack("<10I4I", per_frame, 0, 0, 0x10, frames, 0, 1, buffer_size, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIiI4h", kind, handler, 0, 0, 0, 0, scale, rate, 0, length, buffer_size, -1,
                       sample_size, 0, 0, width, height)
    hdrl = riff_list(b"LIST", b"hdrl", [chunk(b"avih", avih),
                                        riff_list(b"LIST", b"strl", [chunk(b"strh", strh), chunk(b"strf", fmt)])])
    movi_chunks, index, offset = [], [], 4  # offsets count from the 'movi' word
    for data in samples:
        c = chunk(tag, data)
        index.append(struct.pack("<4sIII", tag, 0x10, offset, len(data)))
        movi_chunks.append(c)
        offset += len(c)
    movi = riff_list(b"LIST", b"movi", movi_chunks)
    return riff_list(b"RIFF", b"AVI ", [hdrl, movi, chunk(b"idx1", b"".join(index))])


def main():
    parser = argparse.ArgumentParser(description="Writes an uncompressed AVI clip of coloured frames.")
    parser.add_argument("out")
    parser.add_argument("--size", default="48x32")
    parser.add_argument("--frames", type=int, default=4)
    parser.add_argument("--rate", type=int, default=4)
    parser.add_argument("--scale", type=int, default=1)
    parser.add_argument("--audio-only", action="store_true")
    args = parser.parse_args()
    try:
        width, height = (int(v) for v in args.size.lower().split("x"))
    except ValueError:
        sys.exit("make-clip.py: --size must be WIDTHxHEIGHT")
    if width < 2 or height < 1 or args.frames < 1 or args.rate < 0 or args.scale < 0:
        sys.exit("make-clip.py: the size, frame count, rate and scale must be positive")
    with open(args.out, "wb") as out:
        out.write(build(width, height, args.frames, args.rate, args.scale, args.audio_only))


if __name__ == "__main__":
    main()
