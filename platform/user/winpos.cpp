// Where windows are: their rectangles, z-order, showing, hiding and minimising, moving, what of
// a window is visible on the screen, and which window lies under a point.
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

// Top-level windows are kept with the WS_EX_TOPMOST ones first.
void LinkTopLevel(HWND hwnd, bool topmost) {
    auto& list = S().topLevel;
    auto at = list.begin();
    if (!topmost) {
        while (at != list.end()) {
            Window* other = Get(*at);
            if (!other || !(other->exStyle & WS_EX_TOPMOST)) break;
            ++at;
        }
    }
    list.insert(at, hwnd);
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

HWND WindowFromScreenPoint(int x, int y) {
    POINT pt{x, y};
    for (HWND h : S().topLevel) {
        Window* w = Get(h);
        if (!w || !IsVisibleChain(w)) continue;
        if (!Contains(ScreenRect(w), pt)) continue;
        for (;;) {
            if (w->style & WS_DISABLED) return w->hwnd;
            POINT o = ClientOrigin(w);
            if (!Contains(Offset(ClientRect(w), o.x, o.y), pt)) return w->hwnd;
            Window* hit = nullptr;
            for (HWND c : w->children) {
                Window* child = Get(c);
                if (child && (child->style & WS_VISIBLE) && Contains(ScreenRect(child), pt)) {
                    hit = child;
                    break;
                }
            }
            if (!hit) return w->hwnd;
            w = hit;
        }
    }
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
        if (!w->parent && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && !w->iconic && IsEnabledChain(w))
            Activate(hwnd);
        return wasVisible;
    }
    }
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
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    auto& list = w->parent ? Get(w->parent)->children : S().topLevel;
    bool atTop = !list.empty() && list.front() == hwnd;
    if (!w->parent) {
        // Pop-ups it owns stay above it.
        if (!atTop) {
            Unlink(w);
            LinkTopLevel(hwnd, (w->exStyle & WS_EX_TOPMOST) != 0);
            atTop = S().topLevel.front() == hwnd;
        }
    } else if (!atTop) {
        Unlink(w);
        list.insert(list.begin(), hwnd);
    }
    if (IsVisibleChain(w)) InvalidateTree(w);
    LayoutChanged();
    if (!w->parent && IsEnabledChain(w) && !w->iconic) Activate(hwnd);
    return TRUE;
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
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    bool shown = IsVisibleChain(w);
    RECT oldScreen = ScreenRect(w);
    RECT oldRect = w->rect;
    w->rect = RectAt(x, y, std::max(cx, 0), std::max(cy, 0));
    if (shown) ExposeBeneath(w, oldScreen);
    if (shown && repaint) InvalidateTree(w);
    LayoutChanged();
    if (oldRect.left != x || oldRect.top != y) SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(x + BorderOf(w), y + BorderOf(w)));
    if ((w = Get(hwnd)) && (oldRect.right - oldRect.left != cx || oldRect.bottom - oldRect.top != cy)) {
        RECT client = ClientRect(w);
        SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    }
    return TRUE;
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
