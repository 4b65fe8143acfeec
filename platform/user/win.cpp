// Windows themselves: creating and destroying them (with the messages that go with it), the
// window tree, enabling, window text and ids, and the reset of all of USER between programs.
#include "core/display.h"
#include "host/probe.h"
#include "user/user_internal.h"
#include "user/wnd.h"

namespace tw::user {

State& S() {
    static State state;
    return state;
}

namespace {

void MarkDestroying(Window* w) {
    w->destroying = true;
    for (HWND c : w->children)
        if (Window* child = Get(c)) MarkDestroying(child);
}

void SendDestroy(HWND hwnd) {
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    Window* w = Get(hwnd);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND c : children) SendDestroy(c);
}

void FreeWindow(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND c : children) FreeWindow(c);
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    w = Get(hwnd);
    if (!w) return;
    ForgetWindowMessages(hwnd);
    ForgetWindowDCs(hwnd);
    if (w->needsPaint) {
        w->needsPaint = false;
        --S().paintPending;
    }
    auto& s = S();
    if (s.focus == hwnd) s.focus = nullptr;
    if (s.capture == hwnd) s.capture = nullptr;
    if (s.active == hwnd) s.active = nullptr;
    if (s.lastClick.hwnd == hwnd) s.lastClick.hwnd = nullptr;
    Unlink(w);
    WndClass* cls = w->cls;
    bool topLevel = !w->parent;
    s.windows.Remove(hwnd);
    if (topLevel) Unpublish(cls);
}

// Forgets every window without a message; their handles stay invalid.
void ResetWindows() {
    S().windows.Clear();
    S().topLevel.clear();
}

}  // namespace

Window* Get(HWND hwnd) { return hwnd ? S().windows.Get(hwnd) : nullptr; }

HWND Root(HWND hwnd) {
    Window* w = Get(hwnd);
    while (w && w->parent) w = Get(w->parent);
    return w ? w->hwnd : nullptr;
}

bool IsDescendant(HWND ancestor, HWND hwnd) {
    for (Window* w = Get(hwnd); w; w = Get(w->parent))
        if (w->hwnd == ancestor) return true;
    return false;
}

bool OwnedBy(const Window* w, HWND owner) {
    for (const Window* o = Get(w->owner); o; o = Get(o->owner))
        if (o->hwnd == owner) return true;
    return false;
}

bool IsVisibleChain(const Window* w) {
    for (; w; w = Get(w->parent)) {
        if (!(w->style & WS_VISIBLE) || w->iconic) return false;
        if (!w->parent) return true;
    }
    return false;
}

bool IsEnabledChain(const Window* w) {
    for (; w; w = Get(w->parent))
        if (w->style & WS_DISABLED) return false;
    return true;
}

bool HasLiveTopLevelOfClass(const WndClass* cls, HWND except) {
    for (HWND h : S().topLevel) {
        Window* w = Get(h);
        if (w && h != except && w->cls == cls) return true;
    }
    return false;
}

std::string ClassNameOf(HWND hwnd) {
    if (Window* w = Get(hwnd)) return w->cls->name;
    return RemoteClassName(hwnd);
}

HWND CreateWindowInternal(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int cx, int cy,
                          HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    BindThread();
    WndClass* cls = FindClass(className);
    if (!cls) return nullptr;
    HWND owner = nullptr;
    if (style & WS_CHILD) {
        if (!Get(parent)) return nullptr;
    } else if (parent) {
        if (!Get(parent)) return nullptr;
        owner = Root(parent);
        parent = nullptr;
    }
    bool child = (style & WS_CHILD) != 0;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (cx == CW_USEDEFAULT) {
        if (child || (style & WS_POPUP)) {
            cx = cy = 0;
        } else {
            cx = display::Width() * 3 / 4;
            cy = display::Height() * 3 / 4;
        }
    }
    auto window = std::make_unique<Window>();
    Window* w = window.get();
    w->cls = cls;
    w->proc = cls->proc;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->parent = child ? parent : nullptr;
    w->owner = owner;
    w->id = child ? reinterpret_cast<UINT_PTR>(menu) : 0;
    w->instance = instance;
    w->text = name ? name : "";
    w->rect = RectAt(x, y, std::max(cx, 0), std::max(cy, 0));
    HWND hwnd = ToHandle<HWND>(S().windows.Add(std::move(window)));
    if (!hwnd) return nullptr;
    w->hwnd = hwnd;
    if (child)
        Get(parent)->children.push_back(hwnd);
    else {
        S().topLevel.push_back(hwnd);
        PlaceTopLevel(w, HWND_TOP);
    }

    CREATESTRUCTA cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = child ? parent : owner;
    cs.cx = cx;
    cs.cy = cy;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = name;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (Get(hwnd)) {
            MarkDestroying(Get(hwnd));
            FreeWindow(hwnd);
        }
        return nullptr;
    }
    if (!Get(hwnd)) return nullptr;
    if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindowInternal(hwnd);
        return nullptr;
    }
    w = Get(hwnd);
    if (!w) return nullptr;
    Publish(w);
    // Like the task bar on Windows, the desktop shows the window with its class's icon.
    if (!w->parent && !w->cls->builtin && w->cls->icon) ShowWindowIcon(w->cls->icon);
    RECT client = ClientRect(w);
    SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    if (!Get(hwnd)) return nullptr;
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(x + BorderOf(w), y + BorderOf(w)));
    if ((style & WS_VISIBLE) && Get(hwnd)) ShowWindowInternal(hwnd, SW_SHOW);
    return Get(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindowInternal(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w || w->destroying) return FALSE;
    MarkDestroying(w);
    // Owned pop-ups go first.
    std::vector<HWND> owned;
    for (HWND h : S().topLevel) {
        Window* o = Get(h);
        if (o && o->owner == hwnd) owned.push_back(h);
    }
    for (HWND h : owned) DestroyWindowInternal(h);
    w = Get(hwnd);
    if (!w) return TRUE;
    bool wasVisible = IsVisibleChain(w);
    RECT screen = ScreenRect(w);
    w->style &= ~WS_VISIBLE;
    if (wasVisible) ExposeBeneath(w, screen);
    LayoutChanged();
    TakeInputFrom(w);
    SendDestroy(hwnd);
    FreeWindow(hwnd);
    LayoutChanged();
    return TRUE;
}

BOOL EnableWindowInternal(HWND hwnd, BOOL enable) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable && wasDisabled) {
        w->style &= ~WS_DISABLED;
        SendMessageA(hwnd, WM_ENABLE, TRUE, 0);
    } else if (!enable && !wasDisabled) {
        w->style |= WS_DISABLED;
        auto& s = S();
        if (s.capture && IsDescendant(hwnd, s.capture)) ReleaseCapture();
        if (s.focus && IsDescendant(hwnd, s.focus)) SetFocus(nullptr);
        SendMessageA(hwnd, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
}

void ResetState() {
    ResetPaint();
    ResetWindows();
    ResetClasses();
    ResetFocus();
    ResetQueue();
    ResetInstances();
    ForgetMessageBoxes();
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int cx, int cy,
                            HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    std::string cls = !className ? "" : IS_INTRESOURCE(className) ? "#" + std::to_string(LOWORD(className)) : className;
    tw::host::Note([&] { return "CreateWindowExA " + cls; });
    return CreateWindowInternal(exStyle, className, name, style, x, y, cx, cy, parent, menu, instance, param);
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    tw::host::Note([&] { return "DestroyWindow " + w->cls->name; });
    return DestroyWindowInternal(hwnd);
}

HWND WINAPI GetParent(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return nullptr;
    return w->parent ? w->parent : w->owner;
}

HWND WINAPI GetDlgItem(HWND hDlg, int id) {
    Window* w = Get(hDlg);
    if (!w) return nullptr;
    for (HWND c : w->children) {
        Window* child = Get(c);
        if (child && static_cast<int>(child->id) == id) return c;
    }
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hwnd) {
    Window* w = Get(hwnd);
    return w && w->parent ? static_cast<int>(w->id) : 0;
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!Get(hwnd)) return FALSE;
    return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int max) {
    if (!buffer || max <= 0) return 0;
    buffer[0] = '\0';
    if (!Get(hwnd)) return 0;
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(max), reinterpret_cast<LPARAM>(buffer)));
}

BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    tw::host::Note([&] { return "EnableWindow " + w->cls->name + (enable ? " 1" : " 0"); });
    return EnableWindowInternal(hwnd, enable);
}

BOOL WINAPI IsWindowEnabled(HWND hwnd) {
    Window* w = Get(hwnd);
    return w && !(w->style & WS_DISABLED);
}

BOOL WINAPI IsWindow(HWND hwnd) {
    std::string remote = RemoteClassName(hwnd);
    if (!remote.empty()) return host::Current().QueryInstance(remote).exists;
    return Get(hwnd) != nullptr;
}
