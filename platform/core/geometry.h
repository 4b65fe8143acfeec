// Points and rectangles as the layer computes with them: RECT and POINT with right and bottom
// exclusive, an empty rectangle being one with no area.
#pragma once

#include <algorithm>
#include <cstdint>

#include "windows.h"

namespace tw {

inline bool RectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// The common part of two rectangles; (0, 0, 0, 0) when they do not overlap.
inline RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (RectEmpty(r)) r = RECT{0, 0, 0, 0};
    return r;
}

// The smallest rectangle holding both; an empty one adds nothing.
inline RECT Union(const RECT& a, const RECT& b) {
    if (RectEmpty(a)) return b;
    if (RectEmpty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

inline RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

inline bool Contains(const RECT& r, int64_t x, int64_t y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
inline bool Contains(const RECT& r, POINT p) { return Contains(r, p.x, p.y); }

// The rectangle of the given origin and size.
inline RECT RectAt(int x, int y, int cx, int cy) { return RECT{x, y, x + cx, y + cy}; }

}  // namespace tw
