// The active window, the keyboard focus and the mouse capture, and where they go when the
// window holding them is hidden, minimised, disabled or destroyed.
#include "user/wnd.h"

namespace tw::user {

namespace {

// The next window to activate once `leaving` is no longer the active one.
HWND NextActive(Window* leaving) {
    if (leaving && leaving->owner) {
        Window* owner = Get(leaving->owner);
        if (owner && IsVisibleChain(owner) && IsEnabledChain(owner)) return owner->hwnd;
    }
    for (HWND h : S().topLevel) {
        Window* w = Get(h);
        if (w && w != leaving && !w->destroying && IsVisibleChain(w) && IsEnabledChain(w)) return h;
    }
    return nullptr;
}

}  // namespace

void TakeInputFrom(Window* w) {
    auto& s = S();
    if (s.capture && IsDescendant(w->hwnd, s.capture)) ReleaseCapture();
    if (s.focus && IsDescendant(w->hwnd, s.focus)) SetFocus(w->parent && !Get(w->parent)->destroying ? w->parent : nullptr);
    if (s.active == w->hwnd) {
        s.active = nullptr;
        if (HWND next = NextActive(w)) Activate(next);
    }
}

HWND LastActivePopup(HWND hwnd) {
    for (HWND h : S().topLevel) {
        if (h == hwnd) break;
        Window* w = Get(h);
        if (w && OwnedBy(w, hwnd) && !w->destroying && IsVisibleChain(w) && IsEnabledChain(w)) return h;
    }
    return hwnd;
}

void Activate(HWND hwnd) {
    auto& s = S();
    Window* w = Get(hwnd);
    if (!w || w->parent || w->destroying) return;
    s.active = hwnd;
    PlaceTopLevel(w, HWND_TOP);
    if (!IsEnabledChain(w) || w->iconic) return;
    if (!s.focus || Root(s.focus) != hwnd) SetFocus(hwnd);
}

void ResetFocus() { static_cast<FocusState&>(S()) = FocusState{}; }

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

HWND WINAPI SetFocus(HWND hwnd) {
    auto& s = S();
    HWND old = s.focus;
    if (!hwnd) {
        if (old) {
            s.focus = nullptr;
            if (Get(old)) SendMessageA(old, WM_KILLFOCUS, 0, 0);
        }
        return old;
    }
    Window* w = Get(hwnd);
    if (!w || w->destroying || !IsEnabledChain(w)) return nullptr;
    Window* root = Get(Root(hwnd));
    if (root->iconic) return nullptr;
    if (s.active != root->hwnd) {
        // The focus brings its window forward, as activation does.
        s.active = root->hwnd;
        PlaceTopLevel(root, HWND_TOP);
    }
    if (old == hwnd) return old;
    s.focus = hwnd;
    if (old && Get(old)) {
        SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
        if (s.focus != hwnd) return old;
    }
    if (Get(hwnd)) SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(Get(old) ? old : nullptr), 0);
    return old;
}

HWND WINAPI GetFocus(void) { return S().focus; }
HWND WINAPI GetActiveWindow(void) { return S().active; }

BOOL WINAPI SetForegroundWindow(HWND hwnd) { return BringWindowToTop(hwnd); }

HWND WINAPI SetCapture(HWND hwnd) {
    auto& s = S();
    HWND old = s.capture;
    if (!Get(hwnd)) return nullptr;
    s.capture = hwnd;
    if (old && old != hwnd && Get(old)) SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL WINAPI ReleaseCapture(void) {
    auto& s = S();
    HWND old = s.capture;
    s.capture = nullptr;
    if (old && Get(old)) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND WINAPI GetCapture(void) { return S().capture; }
