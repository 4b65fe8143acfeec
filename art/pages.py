"""The six colouring pages. Each page is a function drawing cairo shapes in
painter's order (background first; every shape is filled with paper and
outlined, so it hides what lies behind it). build() turns them into cleaned
paper maps for the page files."""
import math

import cairo

from twart.formats import PAGE_W, PAGE_H
from twart.lineart import (new_page, solid, blot, ink, lines, curve, circle, circle_path, ellipse,
                           ellipse_path, polygon, leaf, petal, cloud, sun, ground, butterfly,
                           ladybird, smile_face, Frame, to_paper, clean, regions)

D = math.radians


# ---- shared bits ------------------------------------------------------------

def branch(c, pts, w0, w1):
    """A tapered branch along a smooth path through pts, width w0 -> w1."""
    left, right = [], []
    n = len(pts)
    for i, (x, y) in enumerate(pts):
        x0, y0 = pts[max(i - 1, 0)]
        x1, y1 = pts[min(i + 1, n - 1)]
        a = math.atan2(y1 - y0, x1 - x0)
        w = (w0 + (w1 - w0) * i / (n - 1)) / 2
        left.append((x - w * math.sin(a), y + w * math.cos(a)))
        right.append((x + w * math.sin(a), y - w * math.cos(a)))
    outline = left + right[::-1]
    c.move_to(*outline[0])
    for i in range(1, len(outline)):
        c.line_to(*outline[i])
    c.close_path()
    solid(c)


def smooth(pts, steps=8):
    """Catmull-Rom points through pts, for branch()."""
    out = []
    for i in range(len(pts) - 1):
        p0 = pts[max(i - 1, 0)]
        p1, p2 = pts[i], pts[i + 1]
        p3 = pts[min(i + 2, len(pts) - 1)]
        for k in range(steps):
            t = k / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(0.5 * ((2 * p1[j]) + (-p0[j] + p2[j]) * t
                                    + (2 * p0[j] - 5 * p1[j] + 4 * p2[j] - p3[j]) * t2
                                    + (-p0[j] + 3 * p1[j] - 3 * p2[j] + p3[j]) * t3) for j in (0, 1)))
    out.append(pts[-1])
    return out


def bird(c, x, y, s=1.0, facing=1):
    """A round little songbird perched with its feet at (x, y)."""
    f = lambda u, v: (x + facing * u * s, y + v * s)  # noqa: E731
    polygon(c, [f(-24, -46), f(-66, -34), f(-62, -14), f(-22, -26)])
    for u in (-8, 8):
        lines(c, [f(u, -14), f(u, 0)])
        lines(c, [f(u - 6, 0), f(u + 8, 0)])
    ellipse(c, *f(0, -40), 36 * s, 28 * s)
    # The breast: the front of the body, parted by one curve.
    curve(c, f(18, -64), f(2, -50), f(2, -30), f(18, -16))
    # The wing.
    c.move_to(*f(-30, -46))
    c.curve_to(*f(-12, -62), *f(14, -50), *f(0, -30))
    c.curve_to(*f(-12, -20), *f(-30, -28), *f(-30, -46))
    c.close_path()
    solid(c)
    circle(c, *f(28, -70), 22 * s)
    polygon(c, [f(46, -78), f(66, -70), f(46, -62)])
    circle_path(c, *f(34, -75), 4 * s)
    blot(c)


# ---- page 0: dogwood ---------------------------------------------------------

def dogwood_blossom(c, x, y, r, rot):
    for k in range(4):
        a = rot + k * math.pi / 2
        petal(c, x, y, a, r, r * 0.95, notch=r * 0.12)
        f = Frame(x, y, a)
        curve(c, f(r * 0.88, 0), f(r * 0.8, 0), f(r * 0.72, r * 0.03), f(r * 0.66, 0))
    circle(c, x, y, r * 0.26)
    for k in range(4):
        a = rot + math.pi / 4 + k * math.pi / 2
        lines(c, [(x + r * 0.1 * math.cos(a), y + r * 0.1 * math.sin(a)),
                  (x + r * 0.17 * math.cos(a), y + r * 0.17 * math.sin(a))])


def page_dogwood(c):
    sun(c, 78, 72, 38, rays=12, ray_len=20, start=D(7))
    cloud(c, 395, 62, 0.8)
    ground(c, [(0, 414), (220, 402), (440, 420), (660, 404)])
    # The bough from the left edge up to the right, with its twigs.
    branch(c, smooth([(250, 252), (245, 200), (236, 140)]), 18, 10)
    branch(c, smooth([(400, 224), (420, 270), (440, 320)]), 16, 10)
    branch(c, smooth([(540, 186), (556, 140), (566, 96)]), 16, 9)
    branch(c, smooth([(120, 274), (108, 320), (96, 366)]), 16, 10)
    branch(c, smooth([(600, 172), (630, 214), (650, 256)]), 14, 9)
    branch(c, smooth([(-20, 300), (120, 272), (260, 250), (400, 222), (540, 184), (680, 160)]), 38, 16)
    # Leaves along the twigs.
    leaf(c, 252, 214, D(-150), 86, 38)
    leaf(c, 246, 190, D(-20), 82, 36)
    leaf(c, 412, 256, D(170), 84, 36)
    leaf(c, 554, 150, D(-160), 80, 34)
    leaf(c, 112, 306, D(10), 82, 36)
    leaf(c, 160, 268, D(-110), 76, 32)
    leaf(c, 480, 204, D(-70), 80, 34)
    # Blossoms.
    dogwood_blossom(c, 236, 134, 62, D(12))
    dogwood_blossom(c, 442, 322, 58, D(-8))
    dogwood_blossom(c, 568, 92, 56, D(30))
    dogwood_blossom(c, 94, 368, 54, D(20))
    dogwood_blossom(c, 652, 262, 52, D(0))
    # A songbird on the bough.
    bird(c, 352, 234, 1.15, facing=-1)


# ---- page 1: holly -------------------------------------------------------------

def holly_leaf(c, x, y, angle, length, width, spikes=4):
    """A spiny holly leaf: scalloped edges ending in points, with a midrib."""
    f = Frame(x, y, angle)
    w = width / 2
    pts_l, pts_r = [], []
    for i in range(spikes + 1):
        t = (i + 0.5) / (spikes + 1)
        u = length * (0.08 + 0.84 * t)
        ww = w * math.sin(math.pi * (0.12 + 0.82 * t)) * 1.05
        pts_l.append((u, -ww))
        pts_r.append((u, ww))
    c.move_to(*f(0, 0))
    prev = (0, 0)
    for (u, v) in pts_l:
        # Each bay curves inward between two spikes.
        c.curve_to(*f(prev[0] + (u - prev[0]) * 0.3, v * 0.55), *f(prev[0] + (u - prev[0]) * 0.8, v * 0.6), *f(u, v))
        prev = (u, v)
    c.curve_to(*f(prev[0] + (length - prev[0]) * 0.4, prev[1] * 0.3), *f(length * 0.97, -2), *f(length, 0))
    prev = (length, 0)
    for (u, v) in reversed(pts_r):
        c.curve_to(*f(prev[0] - (prev[0] - u) * 0.2, v * 0.6), *f(prev[0] - (prev[0] - u) * 0.7, v * 0.55), *f(u, v))
        prev = (u, v)
    c.curve_to(*f(prev[0] * 0.7, prev[1] * 0.6), *f(prev[0] * 0.2, prev[1] * 0.55), *f(0, 0))
    c.close_path()
    solid(c)
    lines(c, [f(2, 0), f(length * 0.86, 0)])


def berries(c, pts, r):
    for (x, y) in pts:
        circle(c, x, y, r)
        c.new_sub_path()
        c.arc(x - r * 0.1, y - r * 0.1, r * 0.55, D(200), D(250))
        ink(c, 2.5)


def snowflake(c, x, y, r):
    for k in range(6):
        a = k * math.pi / 3
        ex, ey = x + r * math.cos(a), y + r * math.sin(a)
        lines(c, [(x, y), (ex, ey)])
        mx, my = x + r * 0.6 * math.cos(a), y + r * 0.6 * math.sin(a)
        for s in (-1, 1):
            b = a + s * D(40)
            lines(c, [(mx, my), (mx + r * 0.3 * math.cos(b), my + r * 0.3 * math.sin(b))])


def robin(c, x, y, s=1.0):
    bird(c, x, y, s, facing=-1)


def snowman(c, x, y):
    circle(c, x, y - 48, 50)
    circle(c, x, y - 122, 36)
    # Hat.
    polygon(c, [(x - 40, y - 150), (x + 40, y - 150), (x + 40, y - 160), (x - 40, y - 160)])
    polygon(c, [(x - 26, y - 160), (x + 26, y - 160), (x + 24, y - 200), (x - 24, y - 200)])
    # Face: coal eyes, carrot nose, smile of coal.
    for ex in (-13, 13):
        circle_path(c, x + ex, y - 130, 4)
        blot(c)
    polygon(c, [(x - 2, y - 122), (x + 34, y - 114), (x - 2, y - 112)])
    for k in range(5):
        a = D(35 + k * 27.5)
        circle_path(c, x + 18 * math.cos(a), y - 112 + 8 * math.sin(a), 2.5)
        blot(c)
    # Scarf.
    c.move_to(x - 34, y - 98)
    c.curve_to(x - 10, y - 88, x + 10, y - 88, x + 34, y - 98)
    c.line_to(x + 34, y - 84)
    c.curve_to(x + 10, y - 74, x - 10, y - 74, x - 34, y - 84)
    c.close_path()
    solid(c)
    polygon(c, [(x + 12, y - 82), (x + 30, y - 82), (x + 34, y - 44), (x + 18, y - 44)])
    for by in (-62, -38):
        circle_path(c, x, y + by, 5)
        blot(c)


def holly_sprig_small(c, x, y):
    holly_leaf(c, x, y, D(200), 62, 30, spikes=2)
    holly_leaf(c, x, y, D(-20), 62, 30, spikes=2)
    berries(c, [(x - 8, y - 4), (x + 8, y - 4), (x, y + 9)], 10)


def page_holly(c):
    ground(c, [(0, 350), (180, 334), (380, 360), (660, 340)])
    ground(c, [(0, 410), (240, 398), (460, 420), (660, 404)])
    for (fx, fy, fr) in ((470, 60, 22), (600, 120, 18), (262, 296, 15), (610, 250, 20),
                         (330, 290, 16), (440, 250, 14)):
        snowflake(c, fx, fy, fr)
    snowman(c, 520, 420)
    holly_sprig_small(c, 504, 252)
    bird(c, 150, 400, 1.25, facing=1)
    # A big sprig of holly across the top.
    branch(c, smooth([(-20, 74), (90, 104), (200, 144), (300, 174)]), 14, 9)
    holly_leaf(c, 70, 100, D(70), 170, 80)
    holly_leaf(c, 130, 122, D(-30), 190, 86)
    holly_leaf(c, 236, 160, D(30), 170, 80)
    holly_leaf(c, 290, 174, D(-25), 130, 66)
    holly_leaf(c, 196, 146, D(110), 150, 72)
    berries(c, [(150, 140), (180, 132), (166, 166), (136, 168), (196, 164)], 17)
    berries(c, [(296, 184), (318, 198), (292, 210)], 15)


# ---- page 2: pansies ---------------------------------------------------------

def pansy(c, x, y, r, rot=0.0, whiskers=True):
    f = Frame(x, y, rot)
    a0 = rot - math.pi / 2
    petal(c, *f(-r * 0.1, -r * 0.05), a0 - D(28), r * 1.05, r * 1.0)
    petal(c, *f(r * 0.1, -r * 0.05), a0 + D(28), r * 1.05, r * 1.0)
    petal(c, *f(-r * 0.05, 0), a0 - D(105), r * 0.95, r * 0.85)
    petal(c, *f(r * 0.05, 0), a0 + D(105), r * 0.95, r * 0.85)
    petal(c, *f(0, 0), a0 + math.pi, r * 1.0, r * 1.15)
    # The dark "face" blotches, each its own region, and the whiskers.
    for a, L, W in ((a0 - D(105), r * 0.5, r * 0.45), (a0 + D(105), r * 0.5, r * 0.45),
                    (a0 + math.pi, r * 0.55, r * 0.6)):
        petal(c, x, y, a, L, W)
    for a in (a0 + D(150), a0 + D(180), a0 + D(210), a0 + D(-100), a0 + D(100))[:5 if whiskers else 0]:
        lines(c, [(x + r * 0.22 * math.cos(a), y + r * 0.22 * math.sin(a)),
                  (x + r * 0.42 * math.cos(a), y + r * 0.42 * math.sin(a))])
    circle(c, x, y, r * 0.17)


def page_pansies(c):
    # A sunny wall with a window box on its sill.
    sun(c, 82, 70, 38, rays=10, ray_len=20, start=D(10))
    cloud(c, 300, 62, 0.8)
    cloud(c, 560, 90, 0.9)
    ground(c, [(0, 400), (660, 400)])
    # Stems and leaves rising from the box.
    for (x0, x1, y1) in ((150, 150, 210), (330, 330, 180), (510, 510, 220), (240, 230, 300),
                         (420, 440, 300)):
        branch(c, smooth([(x0, 350), ((x0 + x1) / 2, (350 + y1) / 2 + 10), (x1, y1)]), 12, 10)
    for (x, y, a) in ((150, 300, -150), (150, 290, -30), (330, 290, -160), (330, 280, -20),
                      (510, 300, -150), (510, 290, -25), (240, 320, -100), (420, 320, -80)):
        leaf(c, x, y, D(a), 92, 44)
    pansy(c, 150, 190, 78, D(-10))
    pansy(c, 330, 158, 84, D(4))
    pansy(c, 510, 198, 76, D(12))
    pansy(c, 240, 292, 60, D(-20), whiskers=False)
    pansy(c, 428, 292, 62, D(18), whiskers=False)
    # The window box: a long planter with feet and a band.
    polygon(c, [(70, 340), (590, 340), (572, 420), (88, 420)])
    polygon(c, [(60, 326), (600, 326), (600, 350), (60, 350)])
    polygon(c, [(110, 420), (140, 420), (140, 440), (110, 440)])
    polygon(c, [(520, 420), (550, 420), (550, 440), (520, 440)])
    for hx in (200, 330, 460):
        circle(c, hx, 386, 16)
    ladybird(c, 560, 300, 20, D(-70))


# ---- page 3: prickly pear --------------------------------------------------------

def pad(c, x, y, rx, ry, angle, spines=True):
    ellipse(c, x, y, rx, ry, angle)
    if spines:
        f = Frame(x, y, angle)
        for (u, v) in ((-0.45, -0.45), (0.05, -0.6), (0.45, -0.35), (-0.5, 0.15), (0.0, 0.05),
                       (0.45, 0.3), (-0.2, 0.55), (0.25, 0.62)):
            px, py = f(u * rx, v * ry)
            lines(c, [(px - 4, py - 4), (px + 4, py + 4)], 2.5)
            lines(c, [(px - 4, py + 4), (px + 4, py - 4)], 2.5)


def fruit(c, x, y, angle, s=1.0):
    f = Frame(x, y, angle)
    c.move_to(*f(0, 0))
    c.curve_to(*f(8 * s, -16 * s), *f(36 * s, -20 * s), *f(44 * s, -8 * s))
    c.curve_to(*f(50 * s, 0), *f(50 * s, 0), *f(44 * s, 8 * s))
    c.curve_to(*f(36 * s, 20 * s), *f(8 * s, 16 * s), *f(0, 0))
    c.close_path()
    solid(c)
    lines(c, [f(38 * s, -7 * s), f(46 * s, 0), f(38 * s, 7 * s)])


def cactus_flower(c, x, y, r, angle):
    for k in range(5):
        petal(c, x, y, angle + D(-60 + k * 30), r, r * 0.7)
    circle(c, x, y + 2, r * 0.3)


def page_prickly(c):
    sun(c, 74, 74, 40, rays=12, ray_len=20, start=D(5))
    cloud(c, 600, 60, 0.6)
    # Far mesas, then the desert floor.
    polygon(c, [(-10, 300), (10, 240), (110, 240), (140, 300), (500, 300), (530, 210), (640, 210),
                (670, 280), (670, 460), (-10, 460)])
    lines(c, [(522, 236), (648, 236)])
    lines(c, [(2, 262), (120, 262)])
    ground(c, [(0, 360), (200, 348), (400, 370), (660, 352)])
    # Pads, from the bottom up, so upper pads sit over the ones below.
    pad(c, 330, 360, 70, 92, D(0))
    pad(c, 240, 250, 58, 80, D(-35))
    pad(c, 420, 250, 60, 82, D(30))
    pad(c, 180, 150, 46, 64, D(-20))
    pad(c, 320, 165, 52, 70, D(5))
    pad(c, 480, 150, 48, 66, D(25))
    fruit(c, 170, 86, D(-100), 0.9)
    fruit(c, 210, 95, D(-60), 0.85)
    fruit(c, 300, 97, D(-110), 0.9)
    fruit(c, 468, 84, D(-80), 0.9)
    fruit(c, 506, 96, D(-40), 0.8)
    cactus_flower(c, 352, 96, 50, D(-90))
    # Rocks on the sand.
    ellipse(c, 90, 410, 50, 28)
    ellipse(c, 150, 428, 28, 17)
    ellipse(c, 575, 404, 54, 30)
    ellipse(c, 514, 430, 26, 15)


# ---- page 4: weeping willow ---------------------------------------------------------

def page_weeping(c):
    sun(c, 580, 70, 38, rays=12, ray_len=20, start=D(0))
    cloud(c, 490, 150, 0.65)
    ground(c, [(0, 360), (220, 346), (440, 364), (660, 348)])
    # The pond with lily pads and reeds.
    ellipse(c, 500, 410, 150, 38)
    ellipse(c, 470, 410, 104, 22)
    for (lx, ly) in ((420, 408), (550, 400)):
        c.move_to(lx, ly)
        c.arc(lx, ly, 20, D(20), D(340))
        c.close_path()
        solid(c)
    # A duck on the water.
    duck_x, duck_y = 500, 402
    ellipse(c, duck_x, duck_y - 16, 36, 18)
    c.move_to(duck_x + 26, duck_y - 24)
    c.line_to(duck_x + 48, duck_y - 40)
    c.line_to(duck_x + 36, duck_y - 16)
    c.close_path()
    solid(c)
    circle(c, duck_x - 30, duck_y - 44, 16)
    polygon(c, [(duck_x - 44, duck_y - 46), (duck_x - 64, duck_y - 42), (duck_x - 44, duck_y - 36)])
    circle_path(c, duck_x - 34, duck_y - 48, 3)
    blot(c)
    curve(c, (duck_x - 6, duck_y - 22), (duck_x + 6, duck_y - 10), (duck_x + 18, duck_y - 10),
          (duck_x + 24, duck_y - 20))
    for rx in (636, 648, 624):
        lines(c, [(rx, 412), (rx - 4, 330)])
        ellipse(c, rx - 4, 330, 6, 20)
    # The trunk with its roots.
    c.move_to(150, 372)
    c.curve_to(190, 350, 196, 300, 196, 180)
    c.line_to(246, 180)
    c.curve_to(246, 300, 256, 350, 300, 374)
    c.curve_to(270, 380, 250, 372, 236, 364)
    c.curve_to(226, 380, 214, 380, 204, 362)
    c.curve_to(190, 374, 170, 380, 150, 372)
    c.close_path()
    solid(c)
    curve(c, (214, 320), (222, 290), (212, 262), (222, 232))
    # Hanging curtains of leaves, outermost first, parted round the trunk.
    cx = 221
    lobes = [(-5, 300), (5, 306), (-4, 328), (4, 322), (-3, 342), (3, 344), (-2, 334),
             (2, 330), (-1, 300), (1, 296)]
    for (i, bottom) in lobes:
        side = 1 if i > 0 else -1
        x = cx + i * 34 + side * 10
        top = 150
        w = 30
        tip = (x + side * 14, bottom)
        c.move_to(x - w, top)
        c.curve_to(x - w - 4 + side * 6, top + 90, tip[0] - 22, bottom - 60, *tip)
        c.curve_to(tip[0] + 22, bottom - 60, x + w + 4 + side * 6, top + 90, x + w, top)
        c.close_path()
        solid(c)
        for k in range(3):
            yy = top + 70 + k * (bottom - top - 90) / 3
            xx = x + side * (4 + k * 4)
            lines(c, [(xx - 8, yy - 7), (xx, yy), (xx + 8, yy - 7)])
    # The rounded crown over the tops of the curtains.
    c.move_to(16, 190)
    c.curve_to(-6, 150, 30, 104, 70, 112)
    c.curve_to(80, 62, 150, 44, 190, 70)
    c.curve_to(230, 30, 300, 44, 312, 82)
    c.curve_to(360, 64, 420, 100, 410, 146)
    c.curve_to(444, 160, 440, 200, 424, 204)
    for k in range(8):
        x0 = 424 - k * 51
        c.curve_to(x0 - 10, 224, x0 - 40, 224, x0 - 51, 204)
    c.close_path()
    solid(c)
    for (u, v) in ((110, 120), (180, 100), (260, 96), (330, 126), (80, 160), (370, 170),
                   (220, 150), (150, 170), (290, 170)):
        lines(c, [(u - 9, v - 6), (u, v + 2), (u + 9, v - 6)])


# ---- page 5: sunflower (buy_me4) -----------------------------------------------

def page_sunflower(c):
    cloud(c, 110, 70, 0.8)
    cloud(c, 560, 56, 0.7)
    ground(c, [(0, 396), (660, 396)])
    # A picket fence behind the flower: two rails, then the pickets over them.
    polygon(c, [(-10, 280), (670, 280), (670, 300), (-10, 300)])
    polygon(c, [(-10, 346), (670, 346), (670, 366), (-10, 366)])
    for k in range(-1, 12):
        x = 12 + k * 60
        polygon(c, [(x, 396), (x, 260), (x + 18, 240), (x + 36, 260), (x + 36, 396)])
    # Stem and leaves.
    branch(c, smooth([(330, 360), (326, 300), (334, 240), (330, 190)]), 18, 16)
    leaf(c, 330, 300, D(-150), 120, 56)
    leaf(c, 332, 260, D(-25), 120, 56)
    # The pot: rim and body.
    polygon(c, [(250, 350), (410, 350), (390, 448), (270, 448)])
    polygon(c, [(236, 330), (424, 330), (424, 362), (236, 362)])
    for (hx, hy) in ((300, 400), (360, 400)):
        circle(c, hx, hy, 14)
    # The flower head: two rings of petals and a smiling seed disc.
    cx, cy = 330, 150
    for k in range(14):
        petal(c, cx, cy, D(k * 360 / 14 + 12), 112, 36)
    for k in range(14):
        petal(c, cx, cy, D(k * 360 / 14), 96, 34)
    circle(c, cx, cy, 52)
    smile_face(c, cx, cy, 44)
    ladybird(c, 414, 236, 20, D(60))
    butterfly(c, 548, 184, 0.95, D(18))
    # A snail on the grass.
    sx, sy = 112, 430
    c.move_to(sx - 70, sy + 8)
    c.curve_to(sx - 70, sy - 10, sx + 30, sy - 6, sx + 40, sy - 20)
    c.curve_to(sx + 52, sy - 38, sx + 66, sy - 20, sx + 56, sy + 8)
    c.close_path()
    solid(c)
    circle(c, sx - 16, sy - 24, 30)
    c.new_sub_path()
    c.arc(sx - 16, sy - 24, 17, 0, 2 * math.pi)
    ink(c)
    lines(c, [(sx + 46, sy - 26), (sx + 42, sy - 48)])
    lines(c, [(sx + 54, sy - 24), (sx + 60, sy - 46)])
    circle_path(c, sx + 50, sy - 10, 3)
    blot(c)


PAGES = [
    ("dogwood.TWP", page_dogwood),
    ("holly.TWP", page_holly),
    ("pansies.TWP", page_pansies),
    ("prickly.TWP", page_prickly),
    ("weeping.twp", page_weeping),
    ("buy_me4.TWP", page_sunflower),
]


def render(draw):
    s, c = new_page()
    draw(c)
    paper = to_paper(s)
    clean(paper)
    return paper


def build(only=None):
    out = []
    for name, draw in PAGES:
        if only and name not in only:
            continue
        out.append((name, render(draw)))
    return out


def save_preview(paper, path, colour_regions=False):
    s = cairo.ImageSurface(cairo.FORMAT_RGB24, PAGE_W, PAGE_H)
    stride = s.get_stride()
    data = s.get_data()
    if colour_regions:
        labels, _ = regions(paper)
    for y in range(PAGE_H):
        for x in range(PAGE_W):
            i = y * PAGE_W + x
            if not paper[i]:
                q = b"\0\0\0\0"
            elif colour_regions:
                n = labels[i] * 2654435761 & 0xFFFFFF
                q = bytes((128 + (n & 127), 128 + (n >> 8 & 127), 128 + (n >> 16 & 127), 0))
            else:
                q = b"\xff\xff\xff\0"
            o = y * stride + x * 4
            data[o:o + 4] = q
    s.mark_dirty()
    s.write_to_png(path)
