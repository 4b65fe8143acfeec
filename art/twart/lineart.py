"""Line-art helpers for the colouring pages: cairo shapes drawn without
antialiasing (white fill, bold black outline, later shapes covering earlier
ones), and the clean-up that turns the drawing into fillable paper: one-pixel
paper corridors are closed, and paper specks too small to colour are inked."""
import math

import cairo

from .formats import PAGE_W, PAGE_H

LINE = 3.0          # outline width in pixels
MIN_REGION = 150    # smallest paper area left open for colouring


def new_page():
    s = cairo.ImageSurface(cairo.FORMAT_RGB24, PAGE_W, PAGE_H)
    c = cairo.Context(s)
    c.set_antialias(cairo.ANTIALIAS_NONE)
    c.set_source_rgb(1, 1, 1)
    c.paint()
    c.set_line_width(LINE)
    c.set_line_join(cairo.LINE_JOIN_ROUND)
    c.set_line_cap(cairo.LINE_CAP_ROUND)
    return s, c


def ink(c, width=LINE):
    c.set_source_rgb(0, 0, 0)
    c.set_line_width(width)
    c.stroke()


def solid(c):
    """Fill the current path with the white paper, then outline it."""
    c.set_source_rgb(1, 1, 1)
    c.fill_preserve()
    ink(c)


def blot(c):
    """Fill the current path with black (eyes, noses, spots)."""
    c.set_source_rgb(0, 0, 0)
    c.fill()


def lines(c, pts, width=LINE):
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    ink(c, width)


def curve(c, p0, p1, p2, p3, width=LINE):
    c.move_to(*p0)
    c.curve_to(*p1, *p2, *p3)
    ink(c, width)


def circle_path(c, x, y, r):
    c.new_sub_path()
    c.arc(x, y, r, 0, 2 * math.pi)
    c.close_path()


def circle(c, x, y, r):
    circle_path(c, x, y, r)
    solid(c)


def ellipse_path(c, x, y, rx, ry, angle=0.0):
    c.save()
    c.translate(x, y)
    c.rotate(angle)
    c.scale(rx, ry)
    c.new_sub_path()
    c.arc(0, 0, 1, 0, 2 * math.pi)
    c.close_path()
    c.restore()


def ellipse(c, x, y, rx, ry, angle=0.0):
    ellipse_path(c, x, y, rx, ry, angle)
    solid(c)


def polygon(c, pts):
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.close_path()
    solid(c)


class Frame:
    """Local coordinates: origin at (x, y), u along the angle, v across it."""

    def __init__(self, x, y, angle):
        self.x, self.y = x, y
        self.ca, self.sa = math.cos(angle), math.sin(angle)

    def __call__(self, u, v):
        return (self.x + u * self.ca - v * self.sa, self.y + u * self.sa + v * self.ca)


def leaf_path(c, x, y, angle, length, width):
    f = Frame(x, y, angle)
    w = width / 2
    c.move_to(*f(0, 0))
    c.curve_to(*f(length * 0.25, -w * 1.3), *f(length * 0.7, -w * 1.1), *f(length, 0))
    c.curve_to(*f(length * 0.7, w * 1.1), *f(length * 0.25, w * 1.3), *f(0, 0))
    c.close_path()


def leaf(c, x, y, angle, length, width, vein=True):
    leaf_path(c, x, y, angle, length, width)
    solid(c)
    if vein:
        f = Frame(x, y, angle)
        curve(c, f(length * 0.05, 0), f(length * 0.35, width * 0.08),
              f(length * 0.6, -width * 0.05), f(length * 0.82, 0))


def petal_path(c, x, y, angle, length, width, notch=0.0):
    """A rounded petal from its base at (x, y); notch > 0 dents the tip."""
    f = Frame(x, y, angle)
    w = width / 2
    c.move_to(*f(0, 0))
    c.curve_to(*f(length * 0.15, -w * 0.9), *f(length * 0.55, -w * 1.35), *f(length * 0.92, -w * 0.45))
    if notch:
        c.curve_to(*f(length * 0.96, -w * 0.25), *f(length - notch, -w * 0.05), *f(length - notch, 0))
        c.curve_to(*f(length - notch, w * 0.05), *f(length * 0.96, w * 0.25), *f(length * 0.92, w * 0.45))
    else:
        c.curve_to(*f(length * 1.02, -w * 0.2), *f(length * 1.02, w * 0.2), *f(length * 0.92, w * 0.45))
    c.curve_to(*f(length * 0.55, w * 1.35), *f(length * 0.15, w * 0.9), *f(0, 0))
    c.close_path()


def petal(c, x, y, angle, length, width, notch=0.0):
    petal_path(c, x, y, angle, length, width, notch)
    solid(c)


def cloud(c, x, y, s=1.0):
    """A puffy cloud with a flat-ish bottom, centred on (x, y)."""
    c.new_path()
    c.move_to(x - 62 * s, y + 24 * s)
    c.curve_to(x - 80 * s, y + 20 * s, x - 78 * s, y - 8 * s, x - 54 * s, y - 6 * s)
    c.curve_to(x - 56 * s, y - 34 * s, x - 22 * s, y - 44 * s, x - 8 * s, y - 28 * s)
    c.curve_to(x + 2 * s, y - 56 * s, x + 50 * s, y - 50 * s, x + 44 * s, y - 18 * s)
    c.curve_to(x + 72 * s, y - 26 * s, x + 88 * s, y + 8 * s, x + 66 * s, y + 24 * s)
    c.curve_to(x + 30 * s, y + 30 * s, x - 30 * s, y + 30 * s, x - 62 * s, y + 24 * s)
    c.close_path()
    solid(c)


def smile_face(c, x, y, r):
    """Two eyes and a smile for suns and flowers."""
    e = max(2.5, r * 0.12)
    circle_path(c, x - r * 0.35, y - r * 0.2, e)
    blot(c)
    circle_path(c, x + r * 0.35, y - r * 0.2, e)
    blot(c)
    c.new_sub_path()
    c.arc(x, y + r * 0.02, r * 0.5, math.radians(25), math.radians(155))
    ink(c)


def sun(c, x, y, r, rays=12, ray_len=22, face=True, start=0.0):
    for i in range(rays):
        a = start + i * 2 * math.pi / rays
        lines(c, [(x + (r + 8) * math.cos(a), y + (r + 8) * math.sin(a)),
                  (x + (r + 8 + ray_len) * math.cos(a), y + (r + 8 + ray_len) * math.sin(a))], 4)
    circle(c, x, y, r)
    if face:
        smile_face(c, x, y, r)


def ground(c, pts, bottom=PAGE_H + 10):
    """A filled band below a smooth curve through pts (list of (x, y))."""
    c.move_to(-10, pts[0][1])
    c.line_to(*pts[0])
    for i in range(1, len(pts)):
        x0, y0 = pts[i - 1]
        x1, y1 = pts[i]
        mx = (x0 + x1) / 2
        c.curve_to(mx, y0, mx, y1, x1, y1)
    c.line_to(PAGE_W + 10, pts[-1][1])
    c.line_to(PAGE_W + 10, bottom)
    c.line_to(-10, bottom)
    c.close_path()
    solid(c)


def butterfly(c, x, y, s=1.0, angle=0.0):
    f = Frame(x, y, angle)
    for side in (-1, 1):
        # Upper and lower wings, each with an inner spot.
        c.move_to(*f(0, -4 * s))
        c.curve_to(*f(side * 20 * s, -62 * s), *f(side * 72 * s, -52 * s), *f(side * 58 * s, -8 * s))
        c.curve_to(*f(side * 50 * s, 2 * s), *f(side * 18 * s, 4 * s), *f(0, 2 * s))
        c.close_path()
        solid(c)
        c.move_to(*f(0, 4 * s))
        c.curve_to(*f(side * 46 * s, 2 * s), *f(side * 56 * s, 44 * s), *f(side * 30 * s, 46 * s))
        c.curve_to(*f(side * 12 * s, 48 * s), *f(side * 4 * s, 24 * s), *f(0, 8 * s))
        c.close_path()
        solid(c)
        circle(c, *f(side * 36 * s, -26 * s), 10 * s)
        circle(c, *f(side * 26 * s, 28 * s), 7 * s)
    ellipse(c, *f(0, 4 * s), 6 * s, 26 * s, angle)
    circle(c, *f(0, -28 * s), 8 * s)
    for side in (-1, 1):
        curve(c, f(side * 3 * s, -34 * s), f(side * 8 * s, -46 * s), f(side * 14 * s, -52 * s),
              f(side * 20 * s, -54 * s))
        circle_path(c, *f(side * 21 * s, -55 * s), 3.5 * s)
        blot(c)


def ladybird(c, x, y, r, angle=0.0):
    f = Frame(x, y, angle)
    circle(c, *f(0, -r * 0.95), r * 0.45)
    c.save()
    ellipse(c, x, y, r, r * 0.85, angle)
    c.restore()
    lines(c, [f(0, -r * 0.85), f(0, r * 0.85)])
    for (u, v) in ((-0.45, -0.35), (0.45, -0.35), (-0.5, 0.3), (0.5, 0.3)):
        circle_path(c, *f(u * r, v * r), r * 0.16)
        blot(c)


# ---- turning the drawing into a page ----------------------------------------

def to_paper(surface):
    """1 = paper, 0 = outline, for every page pixel."""
    surface.flush()
    stride = surface.get_stride()
    data = bytes(surface.get_data())
    paper = bytearray(PAGE_W * PAGE_H)
    for y in range(PAGE_H):
        row = y * stride
        for x in range(PAGE_W):
            o = row + x * 4
            paper[y * PAGE_W + x] = 1 if data[o] + data[o + 1] + data[o + 2] > 384 else 0
    return paper


def close_corridors(paper):
    """Ink every paper pixel squeezed between outline on both sides (left and
    right, or above and below): such one-pixel corridors are gaps in a line
    through which a fill would leak. Repeats until none is left."""
    w, h = PAGE_W, PAGE_H

    def ink_at(x, y):
        return 0 <= x < w and 0 <= y < h and not paper[y * w + x]

    changed = True
    passes = 0
    while changed:
        changed = False
        passes += 1
        for y in range(h):
            for x in range(w):
                i = y * w + x
                if paper[i] and ((ink_at(x - 1, y) and ink_at(x + 1, y))
                                 or (ink_at(x, y - 1) and ink_at(x, y + 1))):
                    paper[i] = 0
                    changed = True
    return passes


def regions(paper):
    """Label the 4-connected paper regions: -> (labels, sizes)."""
    w, h = PAGE_W, PAGE_H
    labels = [-1] * (w * h)
    sizes = []
    for start in range(w * h):
        if not paper[start] or labels[start] >= 0:
            continue
        n = len(sizes)
        labels[start] = n
        stack = [start]
        count = 0
        while stack:
            i = stack.pop()
            count += 1
            x = i % w
            for j in (i - 1 if x > 0 else -1, i + 1 if x < w - 1 else -1, i - w, i + w):
                if 0 <= j < w * h and paper[j] and labels[j] < 0:
                    labels[j] = n
                    stack.append(j)
        sizes.append(count)
    return labels, sizes


def clean(paper):
    """Close corridors, then ink specks: paper regions under MIN_REGION pixels.
    Inking a speck can make a new corridor, so the two steps alternate until
    the page is stable."""
    while True:
        close_corridors(paper)
        labels, sizes = regions(paper)
        small = {n for n, s in enumerate(sizes) if s < MIN_REGION}
        if not small:
            return sizes
        for i, n in enumerate(labels):
            if n in small:
                paper[i] = 0
