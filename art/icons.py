"""The desktop icon: the rainbow flower of TWLIcon, drawn afresh as vector shapes
for every size a desktop asks for (16 to 256 pixels, and a scalable SVG), not
the 32 x 32 resource scaled up.

The shapes are the ones of pointers.flower_icon, in its 32-unit space. Each size
maps that space onto its own pixel grid so the stem's edges fall on pixel edges,
and picks an outline of a whole number of pixels (one at the small sizes, where
the outline is what keeps the petals apart), so every size is sharp."""
import math

import cairo

SIZES = (16, 24, 32, 48, 64, 128, 256)

# (red, green, blue), 0..255: the flower's colours, from the program's palette.
PETALS = [(255, 0, 0), (255, 255, 0), (0, 255, 0), (0, 255, 255), (0, 0, 255), (255, 0, 255)]
STEM = (0, 128, 0)
HEART = (255, 255, 0)
SEED = (128, 128, 0)
INK = (0, 0, 0)

CX, CY = 16.5, 12.5     # the flower's heart
PETAL_OUT, PETAL_RX, PETAL_RY = 7.0, 6.0, 4.6
HEART_R, SEED_R = 4.6, 1.8
STEM_X, STEM_W, STEM_TOP, STEM_BOTTOM = 15.0, 3.0, 18.0, 31.5
LEAF = ((16.5, 27), (20, 20), (27, 21), (29, 22), (26, 28), (20, 29), (16.5, 27))

# The part of the 32-unit space the flower covers, with room for its outline.
LEFT, TOP, RIGHT, BOTTOM = 2.4, -1.6, 30.6, 32.2


def petals():
    """(centre x, centre y, angle in radians, colour) of each petal, top one first."""
    out = []
    for i, col in enumerate(PETALS):
        a = -math.pi / 2 + i * math.pi / 3
        out.append((CX + PETAL_OUT * math.cos(a), CY + PETAL_OUT * math.sin(a), a, col))
    return out


def outline_px(size):
    """The outline's width in pixels at an icon size."""
    return max(1, round(size / 40))


def place(size):
    """(scale, dx, dy) from the 32-unit space to a size-pixel icon: the flower
    centred with a small margin, the stem's left edge on a whole pixel."""
    margin = max(0.5, size / 32)
    scale = (size - 2 * margin) / (BOTTOM - TOP)
    dx = size / 2 - (LEFT + RIGHT) / 2 * scale
    dx = round(dx + STEM_X * scale) - STEM_X * scale
    dy = margin - TOP * scale
    return scale, dx, dy


def _rgb(c, col):
    c.set_source_rgb(col[0] / 255, col[1] / 255, col[2] / 255)


def _fill_and_ink(c, col, width):
    _rgb(c, col)
    c.fill_preserve()
    _rgb(c, INK)
    c.set_line_width(width)
    c.stroke()


def draw(c, size):
    """Draws the flower on a cairo context of a size x size transparent surface."""
    scale, dx, dy = place(size)
    width = outline_px(size) / scale   # in the 32-unit space
    c.translate(dx, dy)
    c.scale(scale, scale)
    c.set_line_join(cairo.LINE_JOIN_ROUND)
    # The stem and the leaf first, so the flower's head sits over them.
    c.rectangle(STEM_X, STEM_TOP, STEM_W, STEM_BOTTOM - STEM_TOP)
    _fill_and_ink(c, STEM, width)
    c.move_to(*LEAF[0])
    c.curve_to(*LEAF[1], *LEAF[2], *LEAF[3])
    c.curve_to(*LEAF[4], *LEAF[5], *LEAF[6])
    c.close_path()
    _fill_and_ink(c, STEM, width)
    for x, y, a, col in petals():
        c.save()
        c.translate(x, y)
        c.rotate(a)
        c.scale(PETAL_RX, PETAL_RY)
        c.arc(0, 0, 1, 0, 2 * math.pi)
        c.restore()
        _fill_and_ink(c, col, width)
    c.arc(CX, CY, HEART_R, 0, 2 * math.pi)
    _fill_and_ink(c, HEART, width)
    c.arc(CX, CY, SEED_R, 0, 2 * math.pi)
    _rgb(c, SEED)
    c.fill()


def png(size):
    """The icon at one size, as PNG bytes."""
    import io
    s = cairo.ImageSurface(cairo.FORMAT_ARGB32, size, size)
    c = cairo.Context(s)
    draw(c, size)
    s.flush()
    out = io.BytesIO()
    s.write_to_png(out)
    return out.getvalue()


def _ellipse_path(x, y, a, rx, ry, to):
    """An ellipse centred at (x, y), turned by a, as four cubic Bezier arcs through `to`."""
    k = 0.5522847498  # the control-point distance of a quarter circle
    ca, sa = math.cos(a), math.sin(a)

    def pt(u, v):
        return to(x + u * ca - v * sa, y + u * sa + v * ca)

    quads = [((rx, 0), (rx, k * ry), (k * rx, ry), (0, ry)),
             ((0, ry), (-k * rx, ry), (-rx, k * ry), (-rx, 0)),
             ((-rx, 0), (-rx, -k * ry), (-k * rx, -ry), (0, -ry)),
             ((0, -ry), (k * rx, -ry), (rx, -k * ry), (rx, 0))]
    d = "M %s %s" % pt(*quads[0][0])
    for q in quads:
        d += " C %s %s %s %s %s %s" % (*pt(*q[1]), *pt(*q[2]), *pt(*q[3]))
    return d + " Z"


def svg():
    """The scalable icon: the same shapes as SVG text at 256 units, every coordinate worked out
    here (no transforms, which some renderers get wrong)."""
    size = 256
    scale, dx, dy = place(size)

    def n(v):
        return ("%.2f" % v).rstrip("0").rstrip(".")

    def to(x, y):
        return n(dx + x * scale), n(dy + y * scale)

    def hexc(col):
        return "#%02x%02x%02x" % col

    ink = f'stroke="#000000" stroke-width="{outline_px(size)}" stroke-linejoin="round"'
    x0, y0 = to(STEM_X, STEM_TOP)
    x1, y1 = to(STEM_X + STEM_W, STEM_BOTTOM)
    leaf = "M %s %s C %s %s %s %s %s %s C %s %s %s %s %s %s Z" % tuple(v for p in LEAF for v in to(*p))
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" viewBox="0 0 {size} {size}">',
        '  <title>Tintwell</title>',
        f'  <path d="M {x0} {y0} H {x1} V {y1} H {x0} Z" fill="{hexc(STEM)}" {ink}/>',
        f'  <path d="{leaf}" fill="{hexc(STEM)}" {ink}/>',
    ]
    for x, y, a, col in petals():
        lines.append(f'  <path d="{_ellipse_path(x, y, a, PETAL_RX, PETAL_RY, to)}" fill="{hexc(col)}" {ink}/>')
    cx, cy = to(CX, CY)
    lines.append(f'  <circle cx="{cx}" cy="{cy}" r="{n(HEART_R * scale)}" fill="{hexc(HEART)}" {ink}/>')
    lines.append(f'  <circle cx="{cx}" cy="{cy}" r="{n(SEED_R * scale)}" fill="{hexc(SEED)}"/>')
    lines.append('</svg>')
    return ("\n".join(lines) + "\n").encode()


def build():
    """(relative path under the hicolor theme, bytes) of every icon file."""
    out = [(f"{s}x{s}/apps/tintwell.png", png(s)) for s in SIZES]
    out.append(("scalable/apps/tintwell.svg", svg()))
    return out
