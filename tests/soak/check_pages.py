#!/usr/bin/env python3
"""Checks that every page file in a folder is a whole page: the shipped one-bit form or the
eight-bit form the program writes, 660 x 460, with palette indices 0..37 only, and (given the
shipped pages) the outline of its picture exactly where the shipped page has it; and that no
half-written ".new" file is left when the program has ended normally.

    check_pages.py FOLDER [SHIPPED_FOLDER] [--allow-new]

Prints one line per page and exits 1 when any page is not whole."""
import os
import struct
import sys

NAMES = ["dogwood.TWP", "holly.TWP", "pansies.TWP", "prickly.TWP", "weeping.twp", "buy_me4.TWP"]
WIDTH, HEIGHT = 660, 460
OUTLINE = bytes([1] + [0] * 255)  # 1 where a pixel is outline


def pixels(data):
    """The page's palette indices, rows bottom-up, or a reason it is not a page."""
    if len(data) < 54 or data[:2] != b"TW":
        return "not a page (magic)"
    off_bits = struct.unpack_from("<I", data, 10)[0]
    size, width, height, _planes, bits = struct.unpack_from("<IiiHH", data, 14)
    if size != 40 or width != WIDTH or height != HEIGHT:
        return "wrong header %d %dx%d" % (size, width, height)
    if bits == 8:
        if len(data) != 1078 + WIDTH * HEIGHT or off_bits != 1078:
            return "eight-bit page of %d bytes" % len(data)
        px = data[1078:]
        if max(px) > 37:
            return "pixel value %d" % max(px)
        return px
    if bits == 1:
        stride = (WIDTH + 31) // 32 * 4
        if len(data) != off_bits + stride * HEIGHT:
            return "one-bit page of %d bytes" % len(data)
        out = bytearray(WIDTH * HEIGHT)
        for r in range(HEIGHT):
            row = data[off_bits + r * stride: off_bits + (r + 1) * stride]
            for x in range(WIDTH):
                out[r * WIDTH + x] = 37 if row[x >> 3] & (0x80 >> (x & 7)) else 0
        return bytes(out)
    return "bit count %d" % bits


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    allow_new = "--allow-new" in sys.argv
    folder = args[0]
    shipped = args[1] if len(args) > 1 else None
    bad = 0
    for name in NAMES:
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            print("%s: missing" % name)
            bad += 1
            continue
        px = pixels(open(path, "rb").read())
        if isinstance(px, str):
            print("%s: %s" % (name, px))
            bad += 1
            continue
        if shipped:
            ref = pixels(open(os.path.join(shipped, name), "rb").read())
            if isinstance(ref, str) or bytes(px).translate(OUTLINE) != bytes(ref).translate(OUTLINE):
                print("%s: the outline is not the picture's" % name)
                bad += 1
                continue
        print("%s: whole" % name)
    leftovers = [f for f in os.listdir(folder) if f.endswith(".new")]
    if leftovers and not allow_new:
        print("left behind: %s" % " ".join(leftovers))
        bad += 1
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
