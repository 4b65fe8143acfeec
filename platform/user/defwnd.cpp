// DefWindowProcA: what a window does with the messages its procedure leaves to the system, and the
// brush a control gets from its parent to paint its background with.
#include <cstring>

#include "user/wnd.h"

using namespace tw;
using namespace tw::user;

namespace {
constexpr LRESULT kHitBorder = 18;  // HTBORDER
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_QUERYENDSESSION: return TRUE;  // the session may end
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(hwnd, WM_CLOSE, 0, 0); break;
        case SC_RESTORE: ShowWindowInternal(hwnd, SW_RESTORE); break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 asks the top-level window to close.
        if (wParam == VK_F4 && (lParam & (LPARAM(1) << 29))) PostMessageA(Root(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_ERASEBKGND: {
        HBRUSH brush = w->cls->background;
        if (!brush || !wParam) return 0;
        RECT rc = ClientRect(w);
        FillRect(reinterpret_cast<HDC>(wParam), &rc, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETCURSOR:
        // A child lets its parent choose first; then the class cursor shows in the client area.
        if ((w->style & WS_CHILD) && w->parent && SendMessageA(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
        if ((w = Get(hwnd)) && LOWORD(lParam) == HTCLIENT && w->cls->cursor) {
            SetCursor(w->cls->cursor);
            return TRUE;
        }
        return FALSE;
    case WM_NCHITTEST: {
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT outer = ScreenRect(w);
        if (!PtInRect(&outer, pt)) return HTNOWHERE;
        POINT o = ClientOrigin(w);
        RECT client = Offset(ClientRect(w), o.x, o.y);
        return PtInRect(&client, pt) ? HTCLIENT : kHitBorder;
    }
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        if (!wParam || !lParam) return 0;
        char* buffer = reinterpret_cast<char*>(lParam);
        size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
        std::memcpy(buffer, w->text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    default:
        if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
            HDC hdc = reinterpret_cast<HDC>(wParam);
            int face = (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) ? COLOR_WINDOW : COLOR_BTNFACE;
            SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(hdc, GetSysColor(face));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(face));
        }
        return 0;
    }
}

namespace tw::user {

HBRUSH ControlBrush(HWND hwnd, HDC hdc, UINT msg) {
    Window* w = Get(hwnd);
    if (!w) return nullptr;
    HWND asked = msg == WM_CTLCOLORDLG ? hwnd : w->parent ? w->parent : w->owner ? w->owner : hwnd;
    auto wp = reinterpret_cast<WPARAM>(hdc);
    auto lp = reinterpret_cast<LPARAM>(hwnd);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(asked, msg, wp, lp));
    return brush ? brush : reinterpret_cast<HBRUSH>(DefWindowProcA(asked, msg, wp, lp));
}

void FillBackground(HWND hwnd, HDC hdc, UINT msg) {
    HBRUSH brush = ControlBrush(hwnd, hdc, msg);
    if (Window* w = Get(hwnd)) {  // the answer may have destroyed it
        RECT rc = ClientRect(w);
        FillRect(hdc, &rc, brush);
    }
}

}  // namespace tw::user
