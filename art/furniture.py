"""The screen furniture bitmaps: the backdrop tile, the title label, the six
command buttons (up and pressed) and the two colour-button faces.

Shapes are classified pixel by pixel at pixel centres from signed distances,
so outlines and bevels come out crisp and symmetric. Light falls from the
top-left: white highlights there, dark grey shadows bottom-right; a pressed
button swaps the two and nudges its label one pixel down and right."""
import math

from twart.canvas import Canvas
from twart.fonts import BOLD, draw_text, text_width
from twart.formats import (BLACK, GREY, SILVER, WHITE, YELLOW, AQUA, LIME, TEAL, GREEN,
                           OLIVE, FUCHSIA, PURPLE, RED, MAROON)

# Where the colour-button code paints its discs: (first row, last row, x from, x to).
DISC_UP_SPANS = [
    (12, 12, 19, 25), (13, 13, 17, 27), (14, 14, 16, 28), (15, 15, 15, 29), (16, 16, 14, 30),
    (17, 18, 13, 31), (19, 25, 12, 32), (26, 27, 13, 31), (28, 28, 14, 30), (29, 29, 15, 29),
    (30, 30, 16, 28), (31, 31, 17, 27), (32, 32, 19, 25),
]
DISC_DOWN_SPANS = [
    (3, 3, 18, 26), (4, 4, 15, 29), (5, 5, 13, 31), (6, 6, 11, 33), (7, 7, 10, 34),
    (8, 8, 9, 35), (9, 9, 8, 36), (10, 10, 7, 37), (11, 12, 6, 38), (13, 14, 5, 39),
    (15, 17, 4, 40), (18, 26, 3, 41), (27, 29, 4, 40), (30, 31, 5, 39), (32, 33, 6, 38),
    (34, 34, 7, 37), (35, 35, 8, 36), (36, 36, 9, 35), (37, 37, 10, 34), (38, 38, 11, 33),
    (39, 39, 13, 31), (40, 40, 15, 29), (41, 41, 18, 26),
]


def disc_pixels(spans):
    out = set()
    for r0, r1, x0, x1 in spans:
        for y in range(r0, r1 + 1):
            for x in range(x0, x1 + 1):
                out.add((x, y))
    return out


def dot_pattern():
    cv = Canvas(8, 8, YELLOW)
    for y in range(0, 7):
        cv.set(4, y, BLACK)
    for x in range(1, 8):
        cv.set(x, 3, BLACK)
    return cv


# ---- shape distance functions: (signed distance, outward normal) ----------

def pill(x0, x1, cy, r):
    """Stadium: the segment (x0, cy)-(x1, cy) grown by r."""
    def f(px, py):
        cx = min(max(px, x0), x1)
        dx, dy = px - cx, py - cy
        d = math.hypot(dx, dy)
        if d == 0:
            return -r, (0.0, -1.0 if py < cy else 1.0)
        return d - r, (dx / d, dy / d)
    return f


def ellipse(cx, cy, a, b):
    def f(px, py):
        dx, dy = px - cx, py - cy
        g = (dx / a) ** 2 + (dy / b) ** 2 - 1
        gx, gy = 2 * dx / (a * a), 2 * dy / (b * b)
        n = math.hypot(gx, gy)
        if n == 0:
            return -min(a, b), (0.0, -1.0)
        return g / n, (gx / n, gy / n)
    return f


def circle(cx, cy, r):
    return pill(cx, cx, cy, r)


def bevelled(cv, shape, face, light, shadow, outline=2.0, bevel=3.0):
    """Paint a raised shape: black outline, a bevel lit from the top-left, a face."""
    for y in range(cv.height):
        for x in range(cv.width):
            d, (nx, ny) = shape(x + 0.5, y + 0.5)
            if d > 0:
                continue
            if d > -outline:
                v = BLACK
            elif d > -outline - bevel:
                v = light if nx + ny < 0 else shadow
            else:
                v = face
            cv.set(x, y, v)


# Face colours and their own darker shade, for the bevel shadow.
FACES = {
    "quit": (RED, MAROON),
    "print": (LIME, GREEN),
    "clear": (AQUA, TEAL),
    "info": (FUCHSIA, PURPLE),
    "page": (YELLOW, OLIVE),
}


def command_button(width, label, kind, pressed):
    cv = Canvas(width, 45, SILVER)
    face, dark = FACES[kind]
    light, shadow = (dark, WHITE) if pressed else (WHITE, dark)
    r = 21.5
    bevelled(cv, pill(1 + r, width - 1 - r, 22.5, r), face, light, shadow)
    w = text_width(BOLD, label, 2)
    shift = 1 if pressed else 0
    draw_text(cv, BOLD, label, (width - w) // 2 + shift, 17 + shift, BLACK, 2)
    return cv


def arrow_button(up, pressed):
    cv = Canvas(53, 45, SILVER)
    face, dark = FACES["page"]
    light, shadow = (dark, WHITE) if pressed else (WHITE, dark)
    bevelled(cv, ellipse(26.5, 22.5, 25.5, 21.5), face, light, shadow)
    shift = 1 if pressed else 0
    # A solid triangle, 25 wide and 13 high, centred on the oval.
    cx, top, h = 26 + shift, 16 + shift, 13
    for i in range(h):
        half = i if up else h - 1 - i
        y = top + i
        for x in range(cx - half, cx + half + 1):
            cv.set(x, y, BLACK)
    return cv


def colour_button():
    cv = Canvas(45, 45, SILVER)
    bevelled(cv, circle(22.5, 22.5, 22.5), SILVER, WHITE, GREY)
    disc = disc_pixels(DISC_UP_SPANS)
    # A one-pixel sunken well round the disc: dark top-left, light bottom-right.
    for y in range(45):
        for x in range(45):
            if (x, y) in disc:
                continue
            near = [(x + dx, y + dy) in disc for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
            if any(near):
                cv.set(x, y, GREY if (x - 22) + (y - 22) < 0 else WHITE)
    for (x, y) in disc:
        cv.set(x, y, BLACK)
    return cv


def colour_button_down():
    cv = Canvas(45, 45, SILVER)
    shape = circle(22.5, 22.5, 22.5)
    cv.fill_where(lambda x, y: shape(x, y)[0] <= 0, BLACK)
    return cv


def title_area():
    cv = Canvas(148, 45, SILVER)
    # The caption strip lands on x 4..143, rows 18..27: the label is centred on it.
    r = 21.5
    body = pill(2 + r, 146 - r, 22.5, r)
    shadow = pill(3 + r, 147 - r, 23.5, r)
    for y in range(45):
        for x in range(148):
            d, _ = body(x + 0.5, y + 0.5)
            if d <= 0:
                cv.set(x, y, BLACK if d > -2 else WHITE)
            elif shadow(x + 0.5, y + 0.5)[0] <= 0:
                cv.set(x, y, GREY)
    return cv


def build():
    """-> list of (resource name, Canvas)."""
    out = [("DotPattern", dot_pattern()), ("TitleArea", title_area())]
    for name, width, label, kind in [("Quit", 96, "QUIT", "quit"), ("Print", 79, "PRINT", "print"),
                                     ("Clear", 79, "CLEAR", "clear"), ("Info", 96, "INFO", "info")]:
        out.append((name + "Btn", command_button(width, label, kind, False)))
        out.append((name + "BtnDn", command_button(width, label, kind, True)))
    out.append(("UpBtn", arrow_button(True, False)))
    out.append(("UpBtnDn", arrow_button(True, True)))
    out.append(("DownBtn", arrow_button(False, False)))
    out.append(("DownBtnDn", arrow_button(False, True)))
    out.append(("ColorBtn", colour_button()))
    out.append(("ColorBtnDn", colour_button_down()))
    return out
