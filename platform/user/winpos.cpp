// Where windows are: their rectangles, z-order, showing, hiding and minimising, moving, what of
// a window is visible on the screen, and which window lies under a point.
#include <utility>

#include "host/probe.h"
#include "user/wnd.h"

namespace tw::user {

namespace {

void InvalidateTree(Window* w) {
    w->frameDirty = (w->style & WS_BORDER) != 0;
    InvalidateInternal(w, nullptr, true);
    std::vector<HWND> children = w->children;
    for (HWND c : children)
        if (Window* child = Get(c)) InvalidateTree(child);
}

// A window out of sight has nothing to paint until it shows again.
void ValidateTree(Window* w) {
    ValidateAll(w);
    for (HWND c : w->children)
        if (Window* child = Get(c)) ValidateTree(child);
}

// Part of a top-level window's screen area has to be painted again, frame included.
void ExposeTopLevel(Window* w, const RECT& screen) {
    RECT hit = Intersect(screen, ScreenRect(w));
    if (RectEmpty(hit)) return;
    if (w->style & WS_BORDER) w->frameDirty = true;
    POINT o = ClientOrigin(w);
    RECT r = Offset(hit, -o.x, -o.y);
    InvalidateInternal(w, &r, true);
}

}  // namespace

RECT ScreenBounds() {
    Surface& screen = host::Current().Screen();
    return RectAt(0, 0, screen.Width(), screen.Height());
}

int BorderOf(const Window* w) { return (w->style & WS_BORDER) ? 1 : 0; }

RECT ClientRect(const Window* w) {
    int b = BorderOf(w);
    int cx = std::max(0, static_cast<int>(w->rect.right - w->rect.left) - 2 * b);
    int cy = std::max(0, static_cast<int>(w->rect.bottom - w->rect.top) - 2 * b);
    return RECT{0, 0, cx, cy};
}

POINT ClientOrigin(const Window* w) {
    RECT r = ScreenRect(w);
    int b = BorderOf(w);
    return POINT{r.left + b, r.top + b};
}

RECT ScreenRect(const Window* w) {
    if (!w->parent) return w->rect;
    Window* parent = Get(w->parent);
    POINT o = parent ? ClientOrigin(parent) : POINT{0, 0};
    return Offset(w->rect, o.x, o.y);
}

void Unlink(Window* w) {
    auto& list = w->parent ? Get(w->parent)->children : S().topLevel;
    list.erase(std::remove(list.begin(), list.end(), w->hwnd), list.end());
}

bool PlaceTopLevel(Window* w, HWND after) {
    // The window moves with the pop-ups it owns, keeping their order among themselves.
    std::vector<HWND> group, rest;
    for (HWND h : S().topLevel) {
        const Window* o = Get(h);
        (h == w->hwnd || (o && OwnedBy(o, w->hwnd)) ? group : rest).push_back(h);
    }
    auto topmost = [](HWND h) {
        const Window* o = Get(h);
        return o && (o->exStyle & WS_EX_TOPMOST);
    };
    size_t plain = size_t(std::find_if_not(rest.begin(), rest.end(), topmost) - rest.begin());
    size_t lo = (w->exStyle & WS_EX_TOPMOST) ? 0 : plain, hi = (w->exStyle & WS_EX_TOPMOST) ? plain : rest.size();
    auto owner = std::find(rest.begin(), rest.end(), w->owner);
    if (w->owner && owner != rest.end()) hi = std::min(hi, size_t(owner - rest.begin()));  // never below its owner
    lo = std::min(lo, hi);
    size_t at = lo;
    if (after == HWND_BOTTOM) {
        at = hi;
    } else if (after != HWND_TOP) {
        auto it = std::find(rest.begin(), rest.end(), after);
        if (it != rest.end()) at = std::clamp(size_t(it - rest.begin()) + 1, lo, hi);
    }
    rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(at), group.begin(), group.end());
    if (rest == S().topLevel) return false;
    std::vector<HWND> before = std::exchange(S().topLevel, std::move(rest));
    auto index = [](const std::vector<HWND>& list, HWND h) { return std::find(list.begin(), list.end(), h) - list.begin(); };
    // What a window of the group had under a shown window that is now below it, it paints.
    for (HWND g : group) {
        Window* gw = Get(g);
        if (!gw || !IsVisibleChain(gw)) continue;
        for (HWND o : S().topLevel) {
            const Window* ow = Get(o);
            if (!ow || OwnedBy(ow, w->hwnd) || o == w->hwnd || !IsVisibleChain(ow)) continue;
            if (index(before, o) < index(before, g) && index(S().topLevel, o) > index(S().topLevel, g))
                ExposeTopLevel(gw, ScreenRect(ow));
        }
    }
    LayoutChanged();
    return true;
}

Region VisibleRegion(const Window* w, bool clientOnly) {
    if (!IsVisibleChain(w)) return Region{};
    RECT r;
    if (clientOnly) {
        POINT o = ClientOrigin(w);
        r = Offset(ClientRect(w), o.x, o.y);
    } else {
        r = ScreenRect(w);
    }
    for (Window* p = Get(w->parent); p; p = Get(p->parent)) {
        POINT o = ClientOrigin(p);
        r = Intersect(r, Offset(ClientRect(p), o.x, o.y));
    }
    Region region(Intersect(r, ScreenBounds()));
    if (region.Empty()) return region;
    if (clientOnly && (w->style & WS_CLIPCHILDREN)) {
        for (HWND c : w->children) {
            Window* child = Get(c);
            if (child && (child->style & WS_VISIBLE)) region.Subtract(ScreenRect(child));
        }
    }
    // Siblings above clip a window (or an ancestor) that asked for it.
    for (const Window* a = w; a && a->parent; a = Get(a->parent)) {
        if (!(a->style & WS_CLIPSIBLINGS)) continue;
        for (HWND s : Get(a->parent)->children) {
            if (s == a->hwnd) break;
            Window* sib = Get(s);
            if (sib && (sib->style & WS_VISIBLE)) region.Subtract(ScreenRect(sib));
        }
    }
    HWND root = Root(w->hwnd);
    for (HWND h : S().topLevel) {
        if (h == root) break;
        Window* above = Get(h);
        if (above && IsVisibleChain(above)) region.Subtract(ScreenRect(above));
    }
    return region;
}

void ExposeBeneath(Window* w, const RECT& screen) {
    if (w->parent) {
        Window* parent = Get(w->parent);
        POINT o = ClientOrigin(parent);
        RECT r = Offset(screen, -o.x, -o.y);
        InvalidateInternal(parent, &r, true);
        return;
    }
    auto& list = S().topLevel;
    auto at = std::find(list.begin(), list.end(), w->hwnd);
    std::vector<HWND> below(at == list.end() ? list.begin() : at + 1, list.end());
    for (HWND h : below) {
        Window* other = Get(h);
        if (other && IsVisibleChain(other)) ExposeTopLevel(other, screen);
    }
}

void ExposeScreenRect(const RECT& screen) {
    std::vector<HWND> all = S().topLevel;
    for (HWND h : all) {
        Window* w = Get(h);
        if (w && IsVisibleChain(w)) ExposeTopLevel(w, screen);
    }
}

HWND WindowFromScreenPoint(int x, int y, LRESULT& hit) {
    // Every shown window under the point, topmost first, the windows inside one before it (only
    // through the client area of an enabled one).
    POINT pt{x, y};
    std::vector<HWND> under;
    auto collect = [&](auto& self, const std::vector<HWND>& list) -> void {
        for (HWND h : list) {
            const Window* w = Get(h);
            if (!w || !(w->style & WS_VISIBLE) || w->iconic || !Contains(ScreenRect(w), pt)) continue;
            POINT o = ClientOrigin(w);
            if (!(w->style & WS_DISABLED) && Contains(Offset(ClientRect(w), o.x, o.y), pt)) self(self, w->children);
            under.push_back(h);
        }
    };
    collect(collect, S().topLevel);
    // The first that does not answer HTTRANSPARENT takes the point; a disabled one takes it as an error.
    for (HWND h : under) {
        const Window* w = Get(h);
        if (!w) continue;
        if (w->style & WS_DISABLED) {
            hit = HTERROR;
            return h;
        }
        hit = SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        if (hit != HTTRANSPARENT && Get(h)) return h;
    }
    hit = HTNOWHERE;
    return nullptr;
}

BOOL ShowWindowInternal(HWND hwnd, int cmd) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    bool wasVisible = (w->style & WS_VISIBLE) != 0;
    switch (cmd) {
    case SW_HIDE: {
        if (!wasVisible) return FALSE;
        bool shown = IsVisibleChain(w);
        RECT screen = ScreenRect(w);
        w->style &= ~WS_VISIBLE;
        ValidateTree(w);
        if (shown) ExposeBeneath(w, screen);
        TakeInputFrom(w);
        LayoutChanged();
        return TRUE;
    }
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: {
        bool shown = IsVisibleChain(w);
        RECT screen = ScreenRect(w);
        w->style |= WS_VISIBLE | WS_MINIMIZE;
        w->iconic = true;
        ValidateTree(w);
        if (shown) ExposeBeneath(w, screen);
        TakeInputFrom(w);
        LayoutChanged();
        return wasVisible;
    }
    default: {
        bool restore = w->iconic && cmd != SW_SHOW && cmd != SW_SHOWNA;
        bool changed = !wasVisible || restore;
        w->style |= WS_VISIBLE;
        if (restore) {
            w->iconic = false;
            w->style &= ~WS_MINIMIZE;
        }
        if (changed) {
            if (IsVisibleChain(w)) InvalidateTree(w);
            LayoutChanged();
        }
        if (!w->parent && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && !w->iconic) {
            HWND to = LastActivePopup(hwnd);
            if (IsEnabledChain(Get(to))) Activate(to);
        }
        return wasVisible;
    }
    }
}

BOOL SetWindowPosInternal(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    RECT old = w->rect;
    RECT now = RectAt(flags & SWP_NOMOVE ? old.left : x, flags & SWP_NOMOVE ? old.top : y,
                      flags & SWP_NOSIZE ? old.right - old.left : std::max(cx, 0),
                      flags & SWP_NOSIZE ? old.bottom - old.top : std::max(cy, 0));
    bool moved = now.left != old.left || now.top != old.top;
    bool sized = now.right - now.left != old.right - old.left || now.bottom - now.top != old.bottom - old.top;
    if (moved || sized) {
        bool shown = IsVisibleChain(w);
        RECT oldScreen = ScreenRect(w);
        w->rect = now;
        if (shown) ExposeBeneath(w, oldScreen);
        if (shown && !(flags & SWP_NOREDRAW)) InvalidateTree(w);
        LayoutChanged();
        if (moved) SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(now.left + BorderOf(w), now.top + BorderOf(w)));
        if (sized && (w = Get(hwnd))) {
            RECT client = ClientRect(w);
            SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
        }
        if (!(w = Get(hwnd))) return TRUE;
    }
    if (!(flags & SWP_NOZORDER)) {
        if (!w->parent) {
            if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
                if (after == HWND_TOPMOST)
                    w->exStyle |= WS_EX_TOPMOST;
                else
                    w->exStyle &= ~WS_EX_TOPMOST;
                after = HWND_TOP;
            }
            PlaceTopLevel(w, after);
        } else {
            // Among its siblings: first is topmost.
            auto& list = Get(w->parent)->children;
            std::vector<HWND> rest;
            std::copy_if(list.begin(), list.end(), std::back_inserter(rest), [&](HWND h) { return h != hwnd; });
            auto at = after == HWND_BOTTOM ? rest.end() : std::find(rest.begin(), rest.end(), after);
            at = after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST ? rest.begin()
                 : at == rest.end()                                                   ? rest.end()
                                                                                      : at + 1;
            rest.insert(at, hwnd);
            if (rest != list) {
                list = std::move(rest);
                if (IsVisibleChain(w)) InvalidateTree(w);
                LayoutChanged();
            }
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowWindowInternal(hwnd, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindowInternal(hwnd, SW_HIDE);
    if (!(flags & SWP_NOACTIVATE) && (w = Get(hwnd)) && !w->parent && !w->iconic) Activate(LastActivePopup(hwnd));
    return TRUE;
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

BOOL WINAPI ShowWindow(HWND hwnd, int cmd) {
    std::string remote = RemoteClassName(hwnd);
    if (!remote.empty()) {
        tw::host::Note([&] { return "ShowWindow " + remote + " " + std::to_string(cmd); });
        if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) return host::Current().RestoreInstance(remote);
        return FALSE;
    }
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    tw::host::Note([&] { return "ShowWindow " + w->cls->name + " " + std::to_string(cmd); });
    return ShowWindowInternal(hwnd, cmd);
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    for (; w; w = Get(w->parent))
        if (!(w->style & WS_VISIBLE)) return FALSE;
    return TRUE;
}

BOOL WINAPI IsIconic(HWND hwnd) {
    std::string remote = RemoteClassName(hwnd);
    if (!remote.empty()) {
        auto ops = host::Current().QueryInstance(remote);
        return ops.exists && ops.iconic;
    }
    Window* w = Get(hwnd);
    return w && w->iconic;
}

BOOL WINAPI BringWindowToTop(HWND hwnd) {
    std::string remote = RemoteClassName(hwnd);
    if (!remote.empty()) return host::Current().RaiseInstance(remote);
    return SetWindowPosInternal(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

HWND WINAPI WindowFromPoint(POINT pt) {
    LRESULT hit;
    return WindowFromScreenPoint(pt.x, pt.y, hit);
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
    return SetWindowPosInternal(hwnd, after, x, y, cx, cy, flags);
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = Get(hwnd);
    if (!w || !rect) return FALSE;
    *rect = ClientRect(w);
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = Get(hwnd);
    if (!w || !rect) return FALSE;
    *rect = ScreenRect(w);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int cx, int cy, BOOL repaint) {
    return SetWindowPosInternal(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT pt) {
    Window* w = Get(hwnd);
    if (!w || !pt) return FALSE;
    POINT o = ClientOrigin(w);
    pt->x += o.x;
    pt->y += o.y;
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT pt) {
    Window* w = Get(hwnd);
    if (!w || !pt) return FALSE;
    POINT o = ClientOrigin(w);
    pt->x -= o.x;
    pt->y -= o.y;
    return TRUE;
}
