"""The drawing cursor "EditCursor" (a white crayon outlined in black, its point
on the hot spot at the top-left pixel) and the program icon "TWLIcon" (a flower
with rainbow petals)."""
import math

from twart.canvas import Canvas, new_surface, vga, from_surface
from twart.formats import (BLACK, WHITE, TRANSPARENT, RED, YELLOW, LIME, AQUA, BLUE, FUCHSIA,
                           GREEN, OLIVE)

NONE = 7  # any index but BLACK/WHITE: see-through in the cursor


def crayon_cursor():
    cv = Canvas(32, 32, NONE)
    r2 = math.sqrt(2)
    tip_len, body_end, half = 9.0, 40.5, 4.7

    def inside(x, y):
        u, v = (x + y) / r2, (x - y) / r2
        if u < 0 or u > body_end:
            return False
        if u < tip_len:
            return abs(v) <= 0.5 + (half - 0.5) * u / tip_len
        return abs(v) <= half

    shape = {(x, y) for y in range(32) for x in range(32) if inside(x + 0.5, y + 0.5)}
    shape.add((0, 0))
    for (x, y) in shape:
        u = (x + y + 1) / r2
        edge = any((x + dx, y + dy) not in shape and 0 <= x + dx < 32 and 0 <= y + dy < 32
                   for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        point = u < 4.2                     # the waxy point itself
        band = 15.0 <= u < 16.5 or 34.0 <= u < 35.5   # the paper wrapper's edges
        cv.set(x, y, BLACK if (edge or point or band) else WHITE)
    assert cv.get(0, 0) == BLACK
    return cv


def flower_icon():
    key = (1, 2, 3)
    s, c = new_surface(32, 32)
    c.set_source_rgb(key[0] / 255, key[1] / 255, key[2] / 255)
    c.paint()
    c.set_line_width(1.2)
    # Stem and a leaf first, so the flower head sits over them.
    vga(c, GREEN)
    c.rectangle(15, 18, 3, 14)
    c.fill()
    c.move_to(16.5, 27)
    c.curve_to(20, 20, 27, 21, 29, 22)
    c.curve_to(26, 28, 20, 29, 16.5, 27)
    c.close_path()
    c.fill_preserve()
    vga(c, BLACK)
    c.stroke()
    c.rectangle(14.5, 18.5, 4, 13)
    c.stroke()
    cx, cy = 16.5, 12.5
    for i, col in enumerate([RED, YELLOW, LIME, AQUA, BLUE, FUCHSIA]):
        a = -math.pi / 2 + i * math.pi / 3
        c.save()
        c.translate(cx + 7 * math.cos(a), cy + 7 * math.sin(a))
        c.rotate(a)
        c.scale(6.0, 4.6)
        c.arc(0, 0, 1, 0, 2 * math.pi)
        c.restore()
        vga(c, col)
        c.fill_preserve()
        vga(c, BLACK)
        c.stroke()
    c.arc(cx, cy, 4.6, 0, 2 * math.pi)
    vga(c, YELLOW)
    c.fill_preserve()
    vga(c, BLACK)
    c.stroke()
    c.arc(cx, cy, 1.8, 0, 2 * math.pi)
    vga(c, OLIVE)
    c.fill()
    return from_surface(s, transparent_rgb=key)


def build():
    return crayon_cursor(), flower_icon()
