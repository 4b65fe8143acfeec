// A region: a set of disjoint rectangles (never overlapping, never empty), as the visible part
// of a window and a screen DC's clip are kept.
#pragma once

#include <initializer_list>
#include <vector>

#include "core/geometry.h"

namespace tw {

class Region {
public:
    Region() = default;
    Region(const RECT& r) {  // NOLINT: a rectangle is a region
        if (!RectEmpty(r)) rects_.push_back(r);
    }

    // Takes away what lies inside cut.
    void Subtract(const RECT& cut);
    // Keeps only what lies inside clip.
    void Intersect(const RECT& clip);

    // Rectangles that may overlap; each adds what it covers that the others before it do not.
    Region(std::initializer_list<RECT> rects) {
        for (const RECT& r : rects) Add(r);
    }
    void Add(const RECT& r) {
        if (RectEmpty(r)) return;
        Subtract(r);
        rects_.push_back(r);
    }

    bool Empty() const { return rects_.empty(); }
    size_t Size() const { return rects_.size(); }
    std::vector<RECT>::const_iterator begin() const { return rects_.begin(); }
    std::vector<RECT>::const_iterator end() const { return rects_.end(); }

private:
    std::vector<RECT> rects_;
};

}  // namespace tw
