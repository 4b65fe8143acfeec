// Pixels, lines and shapes: SetPixel/GetPixel, MoveToEx/LineTo, Polyline (each segment stops
// short of its end point), Polygon (alternate fill with the brush, outline with the pen),
// Rectangle and Ellipse.
#include <algorithm>
#include <cmath>

#include "gdi/gdi_objects.h"

namespace tw::gdi {
namespace {

struct PenInk {
    bool visible = false;
    uint32_t pixel = 0;
    int width = 1;
};

PenInk InkOf(const Target& t, const DC* dc) {
    PenInk ink;
    const Pen* p = Get<Pen>(dc->pen, Kind::Pen);
    if (!p || p->style == PS_NULL) return ink;
    ink.visible = true;
    ink.pixel = PixelFor(t, p->color);
    ink.width = p->width;
    return ink;
}

void Dot(Target& t, const PenInk& ink, int x, int y) {
    if (ink.width <= 1) {
        PutLogical(t, x, y, ink.pixel);
        return;
    }
    int h = ink.width / 2;  // a wide pen draws a square centred on the point
    FillLogical(t, x - h, y - h, x - h + ink.width, y - h + ink.width, ink.pixel);
}

// Bresenham from (x0, y0) towards (x1, y1), leaving out the end point.
void Segment(Target& t, const PenInk& ink, int x0, int y0, int x1, int y1) {
    if (!ink.visible) return;
    if (y0 == y1 && ink.width <= 1) {  // horizontal runs in one go
        if (x0 < x1) FillLogical(t, x0, y0, x1, y0 + 1, ink.pixel);
        else if (x0 > x1) FillLogical(t, x1 + 1, y0, x0 + 1, y0 + 1, ink.pixel);
        return;
    }
    int64_t dx = std::abs(int64_t(x1) - x0), dy = -std::abs(int64_t(y1) - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        Dot(t, ink, x, y);
        int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Alternate-rule fill of a closed polygon: pixel centres inside, left and top edges included,
// right and bottom edges left to the outline.
void FillPolygon(Target& t, const POINT* pts, int n, uint32_t pixel) {
    if (n < 3) return;
    int64_t ymin = pts[0].y, ymax = pts[0].y;
    for (int i = 1; i < n; ++i) ymin = std::min<int64_t>(ymin, pts[i].y), ymax = std::max<int64_t>(ymax, pts[i].y);
    // Only rows that can be visible matter.
    int64_t clipTop = INT64_MAX, clipBottom = INT64_MIN;
    for (const RECT& c : t.clip) clipTop = std::min<int64_t>(clipTop, c.top - t.dy), clipBottom = std::max<int64_t>(clipBottom, c.bottom - t.dy);
    ymin = std::max(ymin, clipTop);
    ymax = std::min(ymax, clipBottom);
    std::vector<int64_t> xs;
    for (int64_t y = ymin; y < ymax; ++y) {
        xs.clear();
        for (int i = 0; i < n; ++i) {
            const POINT& a = pts[i];
            const POINT& b = pts[(i + 1) % n];
            if (a.y == b.y) continue;
            int64_t ya = a.y, yb = b.y, xa = a.x, xb = b.x;
            if (ya > yb) std::swap(ya, yb), std::swap(xa, xb);
            if (y < ya || y >= yb) continue;
            // ceil of the crossing x = xa + (y - ya) * (xb - xa) / (yb - ya)
            int64_t num = (y - ya) * (xb - xa), den = yb - ya;
            xs.push_back(xa - FloorDiv(-num, den));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            int64_t l = std::max<int64_t>(xs[i], INT32_MIN / 2), r = std::min<int64_t>(xs[i + 1], INT32_MAX / 2);
            if (l < r) FillLogical(t, int(l), int(y), int(r), int(y) + 1, pixel);
        }
    }
}

template <typename F>
BOOL WithTarget(HDC hdc, F&& f) {
    DC* dc = GetDCPtr(hdc);
    if (!dc) return FALSE;
    Target t;
    if (!MakeTarget(dc, t)) return FALSE;
    f(*dc, t);
    Finish(t);
    return TRUE;
}

}  // namespace
}  // namespace tw::gdi

using namespace tw;
using namespace tw::gdi;

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DC* dc = GetDCPtr(hdc);
    Target t;
    if (!dc || !MakeTarget(dc, t)) return CLR_INVALID;
    uint32_t p = PixelFor(t, color);
    PutLogical(t, x, y, p);
    if (!t.drew) return CLR_INVALID;  // outside the clip
    Finish(t);
    return ColorrefFromPixel(p);
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    DC* dc = GetDCPtr(hdc);
    Target t;
    if (!dc || !MakeTarget(dc, t)) return CLR_INVALID;
    int64_t sx = int64_t(x) + t.dx, sy = int64_t(y) + t.dy;
    for (const RECT& c : t.clip)
        if (sx >= c.left && sx < c.right && sy >= c.top && sy < c.bottom)
            return ColorrefFromPixel(t.surface->At(int(sx), int(sy)));
    return CLR_INVALID;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DC* dc = GetDCPtr(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->pos;
    dc->pos = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    return WithTarget(hdc, [&](DC& dc, Target& t) {
        Segment(t, InkOf(t, &dc), dc.pos.x, dc.pos.y, x, y);
        dc.pos = POINT{x, y};
    });
}

BOOL WINAPI Polyline(HDC hdc, const POINT* apt, int cpt) {
    if (!apt || cpt < 2) return FALSE;
    return WithTarget(hdc, [&](DC& dc, Target& t) {
        PenInk ink = InkOf(t, &dc);
        for (int i = 0; i + 1 < cpt; ++i) Segment(t, ink, apt[i].x, apt[i].y, apt[i + 1].x, apt[i + 1].y);
    });
}

BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt) {
    if (!apt || cpt < 2) return FALSE;
    return WithTarget(hdc, [&](DC& dc, Target& t) {
        const Brush* b = Get<Brush>(dc.brush, Kind::Brush);
        if (b && !b->hollow) FillPolygon(t, apt, cpt, PixelFor(t, b->color));
        PenInk ink = InkOf(t, &dc);
        for (int i = 0; i < cpt; ++i) {
            const POINT& a = apt[i];
            const POINT& c = apt[(i + 1) % cpt];
            Segment(t, ink, a.x, a.y, c.x, c.y);
        }
    });
}

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    return WithTarget(hdc, [&](DC& dc, Target& t) {
        const Brush* b = Get<Brush>(dc.brush, Kind::Brush);
        PenInk ink = InkOf(t, &dc);
        if (!ink.visible) {
            // Without a pen the filled area is one pixel narrower and shorter.
            if (b && !b->hollow) FillLogical(t, left, top, right - 1, bottom - 1, PixelFor(t, b->color));
            return;
        }
        if (right - left < 1 || bottom - top < 1) return;
        if (b && !b->hollow) FillLogical(t, left + 1, top + 1, right - 1, bottom - 1, PixelFor(t, b->color));
        POINT box[5] = {{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}, {left, top}};
        if (right - left == 1 || bottom - top == 1) {
            FillLogical(t, left, top, right, bottom, ink.pixel);
            return;
        }
        for (int i = 0; i < 4; ++i) Segment(t, ink, box[i].x, box[i].y, box[i + 1].x, box[i + 1].y);
    });
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    return WithTarget(hdc, [&](DC& dc, Target& t) {
        int w = right - left, h = bottom - top;
        if (w <= 0 || h <= 0 || int64_t(w) * h > (int64_t(1) << 24)) return;
        double cx = left + (w - 1) / 2.0, cy = top + (h - 1) / 2.0, a = w / 2.0, bb = h / 2.0;
        auto inside = [&](int x, int y) {
            double u = (x - cx) / a, v = (y - cy) / bb;
            return u * u + v * v <= 1.0;
        };
        const Brush* br = Get<Brush>(dc.brush, Kind::Brush);
        bool fill = br && !br->hollow;
        uint32_t fillPixel = fill ? PixelFor(t, br->color) : 0;
        PenInk ink = InkOf(t, &dc);
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (!inside(x, y)) continue;
                bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
                if (edge && ink.visible) Dot(t, ink, x, y);
                else if (fill) PutLogical(t, x, y, fillPixel);
            }
        }
    });
}
