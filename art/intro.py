"""The title-screen pictures: "IntroScr", the name Tintwell in fat rainbow
letters over a meadow of flower silhouettes with two crayons in the grass, and
"CopyRight", a banner with the notice line underneath it."""
import math

import cairo

from twart.canvas import new_surface, vga, from_surface
from twart.fonts import SMALL, draw_text, text_width
from twart.formats import (BLACK, WHITE, RED, YELLOW, LIME, AQUA, BLUE, FUCHSIA, GREEN, OLIVE,
                           NAVY, PURPLE, MAROON)


def _letters(c):
    """Skeleton strokes of 'Tintwell', one list of sub-paths per letter."""
    out = []
    x = 16

    def add(width, draw):
        nonlocal x
        out.append((x, draw))
        x += width

    def T(c, x):
        c.move_to(x, 52); c.line_to(x + 42, 52)
        c.move_to(x + 21, 52); c.line_to(x + 21, 122)

    def i(c, x):
        c.move_to(x + 5, 84); c.line_to(x + 5, 122)
        c.move_to(x + 5, 62); c.line_to(x + 5, 63)

    def n(c, x):
        c.move_to(x, 84); c.line_to(x, 122)
        c.move_to(x, 100); c.curve_to(x, 78, x + 30, 76, x + 30, 98); c.line_to(x + 30, 122)

    def t(c, x):
        c.move_to(x + 8, 58); c.line_to(x + 8, 108)
        c.curve_to(x + 8, 122, x + 18, 124, x + 26, 118)
        c.move_to(x, 82); c.line_to(x + 22, 82)

    def w(c, x):
        c.move_to(x, 84); c.line_to(x + 11, 122); c.line_to(x + 23, 94)
        c.line_to(x + 35, 122); c.line_to(x + 46, 84)

    def e(c, x):
        c.move_to(x, 102); c.line_to(x + 32, 102)
        c.arc_negative(x + 16, 103, 17, 0, math.radians(50))

    def l(c, x):
        c.move_to(x + 5, 52); c.line_to(x + 5, 122)

    for width, fn in ((50, T), (20, i), (42, n), (32, t), (56, w), (42, e), (20, l), (20, l)):
        add(width, fn)
    return out


def intro_screen():
    s, c = new_surface(320, 200)
    vga(c, WHITE)
    c.paint()
    c.set_line_cap(cairo.LINE_CAP_ROUND)
    c.set_line_join(cairo.LINE_JOIN_ROUND)
    # Meadow: a green hill, stems, leaves and flower heads as silhouettes.
    vga(c, GREEN)
    c.move_to(0, 178)
    c.curve_to(80, 164, 220, 190, 320, 172)
    c.line_to(320, 200)
    c.line_to(0, 200)
    c.close_path()
    c.fill()
    flowers = [(18, 150, RED), (48, 160, FUCHSIA), (82, 156, YELLOW), (238, 158, BLUE),
               (272, 150, RED), (302, 160, FUCHSIA)]
    c.set_line_width(3)
    for (fx, fy, col) in flowers:
        vga(c, GREEN)
        c.move_to(fx, 200)
        c.line_to(fx, fy)
        c.stroke()
        for side in (-1, 1):
            c.move_to(fx, 188)
            c.curve_to(fx + side * 6, 176, fx + side * 12, 174, fx + side * 14, 170)
            c.curve_to(fx + side * 12, 182, fx + side * 6, 186, fx, 190)
            c.fill()
        vga(c, col)
        if col == YELLOW:
            for k in range(8):
                a = k * math.pi / 4
                c.arc(fx + 7 * math.cos(a), fy + 7 * math.sin(a), 4.5, 0, 2 * math.pi)
                c.fill()
            vga(c, OLIVE)
            c.arc(fx, fy, 4.5, 0, 2 * math.pi)
            c.fill()
        else:
            # A tulip cup with three points.
            c.move_to(fx - 10, fy - 14)
            c.line_to(fx - 4, fy - 8)
            c.line_to(fx, fy - 16)
            c.line_to(fx + 4, fy - 8)
            c.line_to(fx + 10, fy - 14)
            c.curve_to(fx + 12, fy, fx + 6, fy + 4, fx, fy + 4)
            c.curve_to(fx - 6, fy + 4, fx - 12, fy, fx - 10, fy - 14)
            c.fill()
    # Two crayons lying in the grass, tips towards each other.
    for (cx, cy, angle, body, band) in ((128, 186, -0.12, RED, MAROON), (192, 186, math.pi + 0.12, BLUE, NAVY)):
        c.save()
        c.translate(cx, cy)
        c.rotate(angle)
        # body from -26 to 10, the sharpened wood to 18, the coloured point to 24
        c.rectangle(-26, -5, 36, 10)
        vga(c, body)
        c.fill_preserve()
        vga(c, BLACK)
        c.set_line_width(1.5)
        c.stroke()
        vga(c, band)
        for bx in (-20, 2):
            c.rectangle(bx, -5, 4, 10)
            c.fill()
        c.move_to(10, -5)
        c.line_to(19, -1.8)
        c.line_to(19, 1.8)
        c.line_to(10, 5)
        c.close_path()
        vga(c, YELLOW)
        c.fill_preserve()
        vga(c, BLACK)
        c.stroke()
        c.move_to(19, -1.8)
        c.line_to(24, 0)
        c.line_to(19, 1.8)
        c.close_path()
        vga(c, body)
        c.fill_preserve()
        vga(c, BLACK)
        c.stroke()
        c.restore()
    # A smiling sun in the corner.
    vga(c, YELLOW)
    for k in range(10):
        a = k * math.pi / 5
        c.move_to(302 + 18 * math.cos(a), 16 + 18 * math.sin(a))
        c.line_to(302 + 26 * math.cos(a), 16 + 26 * math.sin(a))
    c.set_line_width(3)
    c.stroke()
    c.arc(302, 16, 13, 0, 2 * math.pi)
    c.fill()
    # The name: black outlines first, then each letter's colour inside.
    letters = _letters(c)
    c.set_line_width(17)
    vga(c, BLACK)
    for (x, fn) in letters:
        fn(c, x)
    c.stroke()
    c.set_line_width(10)
    for (x, fn), col in zip(letters, (RED, YELLOW, LIME, AQUA, BLUE, FUCHSIA, YELLOW, RED)):
        fn(c, x)
        vga(c, col)
        c.stroke()
    cv = from_surface(s)
    text = "A COLOURING BOOK"
    w = text_width(SMALL, text, 1)
    draw_text(cv, SMALL, text, (320 - w) // 2, 144, NAVY, 1)
    return cv


def copyright_banner():
    s, c = new_surface(320, 50)
    vga(c, WHITE)
    c.paint()
    # A ribbon: folded ends behind a long band.
    for side in (-1, 1):
        x0 = 160 + side * 128
        c.move_to(x0, 14)
        c.line_to(x0 + side * 28, 14)
        c.line_to(x0 + side * 18, 27)
        c.line_to(x0 + side * 28, 40)
        c.line_to(x0, 40)
        c.close_path()
        vga(c, PURPLE)
        c.fill_preserve()
        vga(c, BLACK)
        c.set_line_width(2)
        c.stroke()
    c.rectangle(34, 6, 252, 38)
    vga(c, FUCHSIA)
    c.fill_preserve()
    vga(c, BLACK)
    c.set_line_width(2)
    c.stroke()
    cv = from_surface(s)
    # The notice line of About, on two lines.
    for text, y, col in (("\u00a9 2026", 13, WHITE), ("THE TINTWELL AUTHORS", 26, WHITE)):
        w = text_width(SMALL, text, 1)
        draw_text(cv, SMALL, text, (320 - w) // 2 + 1, y + 1, MAROON, 1)
        draw_text(cv, SMALL, text, (320 - w) // 2, y, col, 1)
    return cv


def build():
    return [("IntroScr", intro_screen()), ("CopyRight", copyright_banner())]
