// Region arithmetic: a rectangle cut out of a rectangle leaves at most four bands.
#include "core/region.h"

namespace tw {

void Region::Subtract(const RECT& cut) {
    if (RectEmpty(cut)) return;
    std::vector<RECT> out;
    out.reserve(rects_.size() + 4);
    for (const RECT& r : rects_) {
        RECT i = tw::Intersect(r, cut);
        if (RectEmpty(i)) {
            out.push_back(r);
            continue;
        }
        if (r.top < i.top) out.push_back(RECT{r.left, r.top, r.right, i.top});
        if (i.bottom < r.bottom) out.push_back(RECT{r.left, i.bottom, r.right, r.bottom});
        if (r.left < i.left) out.push_back(RECT{r.left, i.top, i.left, i.bottom});
        if (i.right < r.right) out.push_back(RECT{i.right, i.top, r.right, i.bottom});
    }
    rects_.swap(out);
}

void Region::Intersect(const RECT& clip) {
    std::vector<RECT> out;
    for (const RECT& r : rects_) {
        RECT i = tw::Intersect(r, clip);
        if (!RectEmpty(i)) out.push_back(i);
    }
    rects_.swap(out);
}

}  // namespace tw
