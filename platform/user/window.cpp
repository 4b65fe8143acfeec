// The window manager: window classes, creating and destroying windows, their geometry and
// z-order, visibility and minimising, what of a window is visible on the screen, enabling,
// activation, focus and capture, and finding windows (ours or another process's).
#include <cctype>
#include <cstring>

#include "core/display.h"
#include "host/host.h"
#include "user/user_internal.h"
#include "user/wnd.h"

namespace tw::user {

State& S() {
    static State state;
    return state;
}

namespace {

bool SameName(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

WndClass* AddClass(const WNDCLASSA& wc, bool builtin) {
    auto cls = std::make_unique<WndClass>();
    cls->name = wc.lpszClassName;
    cls->atom = S().nextAtom++;
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->instance = wc.hInstance;
    cls->icon = wc.hIcon;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    cls->builtin = builtin;
    S().classes.push_back(std::move(cls));
    return S().classes.back().get();
}

WndClass* LookUp(LPCSTR name) {
    for (auto& cls : S().classes) {
        if (IS_INTRESOURCE(name) ? cls->atom == LOWORD(name) : SameName(cls->name, name)) return cls.get();
    }
    return nullptr;
}

void RegisterBuiltins() {
    static bool done = false;
    if (done && LookUp("button")) return;
    done = true;
    WNDCLASSA button{};
    button.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    button.lpfnWndProc = ButtonProc;
    button.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    button.lpszClassName = "Button";
    if (!LookUp("button")) AddClass(button, true);
    WNDCLASSA box{};
    box.style = CS_HREDRAW | CS_VREDRAW;
    box.lpfnWndProc = MessageBoxProc;
    box.hCursor = button.hCursor;
    box.lpszClassName = kMessageBoxClass;
    if (!LookUp(kMessageBoxClass)) AddClass(box, true);
    WNDCLASSA label{};
    label.lpfnWndProc = StaticProc;
    label.hCursor = button.hCursor;
    label.lpszClassName = "Static";
    if (!LookUp("static")) AddClass(label, true);
    WNDCLASSA dialog{};
    dialog.style = CS_DBLCLKS;
    dialog.lpfnWndProc = DefDlgProcA;
    dialog.hCursor = button.hCursor;
    dialog.lpszClassName = kDialogClass;
    if (!LookUp(kDialogClass)) AddClass(dialog, true);
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

bool HasLiveTopLevelOfClass(const WndClass* cls, HWND except) {
    for (HWND h : S().topLevel) {
        Window* w = Get(h);
        if (w && h != except && w->cls == cls) return true;
    }
    return false;
}

// Requests of another process that found our window through the host.
struct InstanceRequestHandler : host::Host::InstanceRequests {
    static HWND Published() {
        for (HWND h : S().topLevel) {
            Window* w = Get(h);
            if (w && !w->cls->builtin && !w->destroying) return h;
        }
        return nullptr;
    }
    bool IsIconic() override {
        Window* w = Get(Published());
        return w && w->iconic;
    }
    void Raise() override {
        if (HWND h = Published()) BringWindowToTop(h);
    }
    void Restore() override {
        if (HWND h = Published()) ShowWindowInternal(h, SW_RESTORE);
    }
};

void Publish(Window* w) {
    if (w->parent || w->cls->builtin || HasLiveTopLevelOfClass(w->cls, w->hwnd)) return;
    auto& host = host::Current();
    if (!S().requestsInstalled) {
        static InstanceRequestHandler handler;
        host.SetInstanceRequests(&handler);
        S().requestsInstalled = true;
    }
    host.PublishInstance(w->cls->name);
}

// Another process's top-level window, found by FindWindowA.
struct RemoteWindow {
    std::string className;
};
HandleTable<RemoteWindow>& Remotes() {
    static HandleTable<RemoteWindow> table(HandleKind::Remote);
    return table;
}
RemoteWindow* GetRemote(HWND hwnd) { return Remotes().Get(hwnd); }

RECT ScreenBounds() {
    Surface& screen = host::Current().Screen();
    return RECT{0, 0, screen.Width(), screen.Height()};
}

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

// A window vanished from `screen`: what was under it has to be painted again.
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
        if (!other || !IsVisibleChain(other)) continue;
        RECT hit = Intersect(screen, ScreenRect(other));
        if (RectEmpty(hit)) continue;
        if (other->style & WS_BORDER) other->frameDirty = true;
        POINT o = ClientOrigin(other);
        RECT r = Offset(hit, -o.x, -o.y);
        InvalidateInternal(other, &r, true);
    }
}

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

// Focus and capture leave a window that is going away or out of sight.
void TakeInputFrom(Window* w) {
    auto& s = S();
    if (s.capture && IsDescendant(w->hwnd, s.capture)) ReleaseCapture();
    if (s.focus && IsDescendant(w->hwnd, s.focus)) SetFocus(w->parent && !Get(w->parent)->destroying ? w->parent : nullptr);
    if (s.active == w->hwnd) {
        s.active = nullptr;
        if (HWND next = NextActive(w)) Activate(next);
    }
}

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
    if (topLevel && !cls->builtin && !HasLiveTopLevelOfClass(cls, nullptr))
        host::Current().UnpublishInstance(cls->name);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Internal queries

Window* Get(HWND hwnd) { return hwnd ? S().windows.Get(hwnd) : nullptr; }

WndClass* FindClass(LPCSTR name) {
    if (!name) return nullptr;
    RegisterBuiltins();
    return LookUp(name);
}

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

static int BorderOf(const Window* w) { return (w->style & WS_BORDER) ? 1 : 0; }

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

void RegionSubtract(Region& region, const RECT& cut) {
    if (RectEmpty(cut)) return;
    Region out;
    out.reserve(region.size() + 4);
    for (const RECT& r : region) {
        RECT i = Intersect(r, cut);
        if (RectEmpty(i)) {
            out.push_back(r);
            continue;
        }
        if (r.top < i.top) out.push_back(RECT{r.left, r.top, r.right, i.top});
        if (i.bottom < r.bottom) out.push_back(RECT{r.left, i.bottom, r.right, r.bottom});
        if (r.left < i.left) out.push_back(RECT{r.left, i.top, i.left, i.bottom});
        if (i.right < r.right) out.push_back(RECT{i.right, i.top, r.right, i.bottom});
    }
    region.swap(out);
}

void RegionIntersect(Region& region, const RECT& clip) {
    Region out;
    for (const RECT& r : region) {
        RECT i = Intersect(r, clip);
        if (!RectEmpty(i)) out.push_back(i);
    }
    region.swap(out);
}

Region VisibleRegion(const Window* w, bool clientOnly) {
    Region region;
    if (!IsVisibleChain(w)) return region;
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
    r = Intersect(r, ScreenBounds());
    if (RectEmpty(r)) return region;
    region.push_back(r);
    if (clientOnly && (w->style & WS_CLIPCHILDREN)) {
        for (HWND c : w->children) {
            Window* child = Get(c);
            if (child && (child->style & WS_VISIBLE)) RegionSubtract(region, ScreenRect(child));
        }
    }
    // Siblings above clip a window (or an ancestor) that asked for it.
    for (const Window* a = w; a && a->parent; a = Get(a->parent)) {
        if (!(a->style & WS_CLIPSIBLINGS)) continue;
        for (HWND s : Get(a->parent)->children) {
            if (s == a->hwnd) break;
            Window* sib = Get(s);
            if (sib && (sib->style & WS_VISIBLE)) RegionSubtract(region, ScreenRect(sib));
        }
    }
    HWND root = Root(w->hwnd);
    for (HWND h : S().topLevel) {
        if (h == root) break;
        Window* above = Get(h);
        if (above && IsVisibleChain(above)) RegionSubtract(region, ScreenRect(above));
    }
    return region;
}

void ExposeScreenRect(const RECT& screen) {
    std::vector<HWND> all = S().topLevel;
    for (HWND h : all) {
        Window* w = Get(h);
        if (!w || !IsVisibleChain(w)) continue;
        RECT hit = Intersect(screen, ScreenRect(w));
        if (RectEmpty(hit)) continue;
        if (w->style & WS_BORDER) w->frameDirty = true;
        POINT o = ClientOrigin(w);
        RECT r = Offset(hit, -o.x, -o.y);
        InvalidateInternal(w, &r, true);
    }
}

HWND WindowFromScreenPoint(int x, int y) {
    POINT pt{x, y};
    for (HWND h : S().topLevel) {
        Window* w = Get(h);
        if (!w || !IsVisibleChain(w)) continue;
        RECT r = ScreenRect(w);
        if (!PtInRect(&r, pt)) continue;
        for (;;) {
            if (w->style & WS_DISABLED) return w->hwnd;
            POINT o = ClientOrigin(w);
            RECT client = Offset(ClientRect(w), o.x, o.y);
            if (!PtInRect(&client, pt)) return w->hwnd;
            Window* hit = nullptr;
            for (HWND c : w->children) {
                Window* child = Get(c);
                if (!child || !(child->style & WS_VISIBLE)) continue;
                RECT cr = ScreenRect(child);
                if (PtInRect(&cr, pt)) {
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

std::string ClassNameOf(HWND hwnd) {
    if (Window* w = Get(hwnd)) return w->cls->name;
    if (RemoteWindow* r = GetRemote(hwnd)) return r->className;
    return "";
}

void Activate(HWND hwnd) {
    auto& s = S();
    Window* w = Get(hwnd);
    if (!w || w->parent || w->destroying) return;
    s.active = hwnd;
    if (!IsEnabledChain(w) || w->iconic) return;
    if (!s.focus || Root(s.focus) != hwnd) SetFocus(hwnd);
}

// ---------------------------------------------------------------------------------------
// Creation and destruction

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
    w->rect = RECT{x, y, x + std::max(cx, 0), y + std::max(cy, 0)};
    HWND hwnd = ToHandle<HWND>(S().windows.Add(std::move(window)));
    w->hwnd = hwnd;
    if (child)
        Get(parent)->children.push_back(hwnd);
    else
        LinkTopLevel(hwnd, (exStyle & WS_EX_TOPMOST) != 0);

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
    auto& s = S();
    for (auto& dc : s.dcs) gdi::DeleteScreenDC(dc.hdc);
    s.dcs.clear();
    std::vector<uintptr_t> handles;
    s.windows.ForEach([&](uintptr_t h, Window&) { handles.push_back(h); });
    for (uintptr_t h : handles) s.windows.Remove(h);
    s.classes.clear();
    s.topLevel.clear();
    s.posted.clear();
    s.input.clear();
    s.raw.clear();
    s.cooking = false;
    s.quit = false;
    s.quitCode = 0;
    s.paintPending = 0;
    s.timers.clear();
    s.focus = s.active = s.capture = nullptr;
    s.now = s.lastPoll = 0;
    s.everPolled = false;
    s.peeksSincePoll = 0;
    s.polling = false;
    s.mouseX = s.mouseY = 0;
    s.mouseButtons = 0;
    std::fill(std::begin(s.keyDown), std::end(s.keyDown), false);
    s.lastClick = {};
    {
        std::lock_guard<std::mutex> lock(s.inboxLock);
        s.inbox.clear();
        s.inboxFull = false;
    }
    s.ownerSet = false;
    s.requestsInstalled = false;
    ForgetMessageBoxes();
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

// ---------------------------------------------------------------------------------------
// Classes

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !wc->lpfnWndProc) return 0;
    host::Current().Note(std::string("RegisterClassA ") + wc->lpszClassName);
    if (FindClass(wc->lpszClassName)) return 0;
    return AddClass(*wc, false)->atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE) {
    WndClass* cls = FindClass(name);
    if (!cls || cls->builtin) return FALSE;
    bool used = false;
    S().windows.ForEach([&](uintptr_t, Window& w) { used = used || w.cls == cls; });
    if (used) return FALSE;
    auto& classes = S().classes;
    classes.erase(std::remove_if(classes.begin(), classes.end(), [&](auto& c) { return c.get() == cls; }),
                  classes.end());
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// Windows

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y, int cx, int cy,
                            HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    std::string cls = !className ? "" : IS_INTRESOURCE(className) ? "#" + std::to_string(LOWORD(className)) : className;
    host::Current().Note("CreateWindowExA " + cls);
    return CreateWindowInternal(exStyle, className, name, style, x, y, cx, cy, parent, menu, instance, param);
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    host::Current().Note("DestroyWindow " + w->cls->name);
    return DestroyWindowInternal(hwnd);
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmd) {
    if (RemoteWindow* remote = GetRemote(hwnd)) {
        host::Current().Note("ShowWindow " + remote->className + " " + std::to_string(cmd));
        if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) return host::Current().RestoreInstance(remote->className);
        return FALSE;
    }
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    host::Current().Note("ShowWindow " + w->cls->name + " " + std::to_string(cmd));
    return ShowWindowInternal(hwnd, cmd);
}

BOOL WINAPI UpdateWindow(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    if (w->needsPaint && IsVisibleChain(w)) SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    if (RemoteWindow* remote = GetRemote(hwnd)) return host::Current().QueryInstance(remote->className).exists;
    Window* w = Get(hwnd);
    return w != nullptr;
}

BOOL WINAPI IsWindowVisible(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    for (; w; w = Get(w->parent))
        if (!(w->style & WS_VISIBLE)) return FALSE;
    return TRUE;
}

BOOL WINAPI IsIconic(HWND hwnd) {
    if (RemoteWindow* remote = GetRemote(hwnd)) {
        auto ops = host::Current().QueryInstance(remote->className);
        return ops.exists && ops.iconic;
    }
    Window* w = Get(hwnd);
    return w && w->iconic;
}

BOOL WINAPI BringWindowToTop(HWND hwnd) {
    if (RemoteWindow* remote = GetRemote(hwnd)) return host::Current().RaiseInstance(remote->className);
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

BOOL WINAPI SetForegroundWindow(HWND hwnd) { return BringWindowToTop(hwnd); }

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    for (HWND h : S().topLevel) {
        Window* w = Get(h);
        if (!w || w->destroying) continue;
        if (className && !(IS_INTRESOURCE(className) ? w->cls->atom == LOWORD(className)
                                                     : SameName(w->cls->name, className)))
            continue;
        if (windowName && w->text != windowName) continue;
        return h;
    }
    if (!className || IS_INTRESOURCE(className)) return nullptr;
    if (!host::Current().QueryInstance(className).exists) return nullptr;
    HWND found = nullptr;
    Remotes().ForEach([&](uintptr_t h, RemoteWindow& r) {
        if (!found && r.className == className) found = ToHandle<HWND>(h);
    });
    if (!found) found = ToHandle<HWND>(Remotes().Add(std::make_unique<RemoteWindow>(RemoteWindow{className})));
    return found;
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
    w->rect = RECT{x, y, x + std::max(cx, 0), y + std::max(cy, 0)};
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
    host::Current().Note("EnableWindow " + w->cls->name + (enable ? " 1" : " 0"));
    return EnableWindowInternal(hwnd, enable);
}

BOOL WINAPI IsWindowEnabled(HWND hwnd) {
    Window* w = Get(hwnd);
    return w && !(w->style & WS_DISABLED);
}

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
    if (s.active != root->hwnd) s.active = root->hwnd;
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

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN: return display::Width();
    case SM_CYSCREEN: return display::Height();
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYCAPTION: return 19;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    default: return 0;
    }
}
