"""Binary writers for the shipped asset formats: 16-colour and 2-colour BMP
files, the one-bit page file, the monochrome cursor and the 16-colour icon.

Every writer takes a Canvas-like object: .width, .height and .px, a bytearray
of palette indices, row-major from the top-left pixel.
"""
import struct

# The standard 16-colour VGA table, in the order Windows uses.
VGA16 = [
    (0, 0, 0),        # 0 black
    (128, 0, 0),      # 1 maroon
    (0, 128, 0),      # 2 green
    (128, 128, 0),    # 3 olive
    (0, 0, 128),      # 4 navy
    (128, 0, 128),    # 5 purple
    (0, 128, 128),    # 6 teal
    (192, 192, 192),  # 7 silver
    (128, 128, 128),  # 8 grey
    (255, 0, 0),      # 9 red
    (0, 255, 0),      # 10 lime
    (255, 255, 0),    # 11 yellow
    (0, 0, 255),      # 12 blue
    (255, 0, 255),    # 13 fuchsia
    (0, 255, 255),    # 14 aqua
    (255, 255, 255),  # 15 white
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

PPM = 2835  # 72 dots per inch


def _rgbquads(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)


def _info_header(width, height, bits, size_image, clr_used, clr_important):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       size_image, PPM, PPM, clr_used, clr_important)


def pack_rows_4bpp(canvas):
    """Bottom-up 4-bit rows, left pixel in the high nibble, padded to 4 bytes."""
    w, h = canvas.width, canvas.height
    stride = ((w * 4 + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        base = y * w
        for x in range(w):
            v = canvas.px[base + x] & 15
            if x & 1:
                row[x >> 1] |= v
            else:
                row[x >> 1] |= v << 4
        out += row
    return bytes(out)


def pack_rows_1bpp(bits_fn, w, h, pad_bit):
    """Bottom-up 1-bit rows, MSB = leftmost pixel; bits_fn(x, y) -> 0/1.
    Padding bits at the end of each row get pad_bit."""
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(stride * 8):
            bit = bits_fn(x, y) if x < w else pad_bit
            if bit:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def bmp4(canvas):
    """A standard 16-colour 'BM' bitmap file with the VGA colour table."""
    pixels = pack_rows_4bpp(canvas)
    off = 14 + 40 + 64
    head = struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off)
    return head + _info_header(canvas.width, canvas.height, 4, len(pixels), 16, 16) \
        + _rgbquads(VGA16) + pixels


def bmp1(canvas):
    """A standard 2-colour 'BM' bitmap: entry 0 black, entry 1 white.
    Canvas pixels that are WHITE (15) become set bits, everything else clear."""
    w, h = canvas.width, canvas.height
    pixels = pack_rows_1bpp(lambda x, y: 1 if canvas.px[y * w + x] == WHITE else 0, w, h, 0)
    off = 14 + 40 + 8
    head = struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off)
    return head + _info_header(w, h, 1, len(pixels), 2, 2) \
        + _rgbquads([(0, 0, 0), (255, 255, 255)]) + pixels


PAGE_W, PAGE_H = 660, 460


def page(paper):
    """A shipped one-bit page: magic 'TW', blank flag 1, set bit = paper.
    paper is a bytearray of PAGE_W * PAGE_H values, non-zero = paper."""
    pixels = pack_rows_1bpp(lambda x, y: 1 if paper[y * PAGE_W + x] else 0,
                            PAGE_W, PAGE_H, 1)
    assert len(pixels) == 38640
    off = 62
    head = struct.pack("<2sIHHI", b"TW", off + len(pixels), 1, 0, off)
    data = head + _info_header(PAGE_W, PAGE_H, 1, len(pixels), 2, 2) \
        + _rgbquads([(0, 0, 0), (255, 255, 255)]) + pixels
    assert len(data) == 38702
    return data


def cursor_mono(canvas, hotspot=(0, 0)):
    """A 32x32 monochrome .cur. Canvas: WHITE and BLACK are drawn, any other
    index is transparent."""
    w, h = canvas.width, canvas.height
    assert (w, h) == (32, 32)
    xor = pack_rows_1bpp(lambda x, y: 1 if canvas.px[y * w + x] == WHITE else 0, w, h, 0)
    andm = pack_rows_1bpp(lambda x, y: 0 if canvas.px[y * w + x] in (WHITE, BLACK) else 1,
                          w, h, 1)
    body = _info_header(w, h * 2, 1, len(xor) + len(andm), 2, 2) \
        + _rgbquads([(0, 0, 0), (255, 255, 255)]) + xor + andm
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", w, h, 2, 0, hotspot[0], hotspot[1], len(body), 6 + 16)
    return head + entry + body


TRANSPARENT = 255


def icon16(canvas):
    """A 32x32 16-colour .ico: 4 bpp XOR image + 1 bpp AND mask.
    Canvas pixels equal to TRANSPARENT are see-through."""
    w, h = canvas.width, canvas.height

    class _Solid:
        pass
    solid = _Solid()
    solid.width, solid.height = w, h
    solid.px = bytearray(0 if v == TRANSPARENT else v for v in canvas.px)
    xor = pack_rows_4bpp(solid)
    andm = pack_rows_1bpp(lambda x, y: 1 if canvas.px[y * w + x] == TRANSPARENT else 0,
                          w, h, 1)
    body = _info_header(w, h * 2, 4, len(xor) + len(andm), 16, 0) \
        + _rgbquads(VGA16) + xor + andm
    head = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 16, 0, 1, 4, len(body), 6 + 16)
    return head + entry + body
