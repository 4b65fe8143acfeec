"""A small palette-indexed canvas for the 16-colour pictures, plus the bridge
from cairo drawings (drawn in exact VGA colours, antialiasing off) into it."""
import cairo

from .formats import VGA16, TRANSPARENT


class Canvas:
    def __init__(self, width, height, fill=0):
        self.width, self.height = width, height
        self.px = bytearray([fill]) * (width * height)

    def get(self, x, y):
        return self.px[y * self.width + x]

    def set(self, x, y, v):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y * self.width + x] = v

    def fill_where(self, test, v):
        """Set every pixel whose centre (x + .5, y + .5) passes test."""
        for y in range(self.height):
            for x in range(self.width):
                if test(x + 0.5, y + 0.5):
                    self.px[y * self.width + x] = v

    def blit_bits(self, bits, x0, y0, v):
        """bits: list of strings, '#' = set."""
        for dy, row in enumerate(bits):
            for dx, ch in enumerate(row):
                if ch == "#":
                    self.set(x0 + dx, y0 + dy, v)

    def to_surface(self, scale=1):
        s = cairo.ImageSurface(cairo.FORMAT_RGB24, self.width * scale, self.height * scale)
        stride = s.get_stride()
        data = s.get_data()
        for y in range(self.height):
            for x in range(self.width):
                v = self.px[y * self.width + x]
                r, g, b = (255, 0, 255) if v == TRANSPARENT else VGA16[v]
                quad = bytes((b, g, r, 0))
                for sy in range(scale):
                    o = (y * scale + sy) * stride + x * scale * 4
                    data[o:o + 4 * scale] = quad * scale
        s.mark_dirty()
        return s

    def save_png(self, path, scale=1):
        self.to_surface(scale).write_to_png(path)


def new_surface(width, height):
    """A cairo surface and context with antialiasing switched off everywhere."""
    s = cairo.ImageSurface(cairo.FORMAT_RGB24, width, height)
    c = cairo.Context(s)
    c.set_antialias(cairo.ANTIALIAS_NONE)
    return s, c


def vga(c, index):
    r, g, b = VGA16[index]
    c.set_source_rgb(r / 255, g / 255, b / 255)


def from_surface(surface, transparent_rgb=None):
    """Map every pixel of an RGB24 surface to the nearest VGA colour (drawings
    use exact VGA colours, so this is a lookup)."""
    surface.flush()
    w, h = surface.get_width(), surface.get_height()
    stride = surface.get_stride()
    data = bytes(surface.get_data())
    cv = Canvas(w, h)
    cache = {}
    for y in range(h):
        for x in range(w):
            o = y * stride + x * 4
            key = (data[o + 2], data[o + 1], data[o])
            v = cache.get(key)
            if v is None:
                if transparent_rgb is not None and key == transparent_rgb:
                    v = TRANSPARENT
                else:
                    v = min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(VGA16[i], key)))
                cache[key] = v
            cv.px[y * w + x] = v
    return cv
