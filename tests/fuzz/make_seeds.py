#!/usr/bin/env python3
"""Writes two starting inputs for the page-loader fuzz target into the folder given: a one-bit
and an eight-bit 660 x 460 page."""
import os
import struct
import sys

W, H = 660, 460


def header(bits, off, size_image, clr_used):
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, bits, 0, size_image, 2835, 2835, clr_used, 0)
    size = off + (size_image if size_image else W * H)
    return struct.pack("<2sIHHI", b"TW", size, 1, 0, off) + info


def mono():
    row = (W + 31) // 32 * 4
    pixels = bytearray()
    for y in range(H):
        line = bytearray(b"\xff" * row)
        if y % 40 == 0:
            line[: W // 8] = b"\x00" * (W // 8)
        pixels += line
    table = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    return header(1, 62, len(pixels), 2) + table + bytes(pixels)


def eight():
    table = bytes(range(256)) * 4
    pixels = bytes((x * 37 + y) % 38 for y in range(H) for x in range(W))
    return header(8, 1078, W * H, 0) + table + pixels


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-mono.twp"), "wb") as f:
        f.write(mono())
    with open(os.path.join(folder, "seed-eight.twp"), "wb") as f:
        f.write(eight())


if __name__ == "__main__":
    main()
