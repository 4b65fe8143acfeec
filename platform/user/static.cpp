// The built-in "static" class: text (left, centred or right, word-wrapped) on the brush its
// parent gives through WM_CTLCOLORSTATIC, and SS_ICON, which shows the icon resource named by
// its text at the icon's own size.
#include "user/wnd.h"

using namespace tw;
using namespace tw::user;

namespace {

UINT TypeOf(const Window* w) { return w->style & SS_TYPEMASK; }

void Paint(HWND hwnd, HDC hdc) {
    Window* w = Get(hwnd);
    if (!w || !hdc) return;
    HWND parent = w->parent ? w->parent : hwnd;
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(hwnd)));
    if (!brush)
        brush = reinterpret_cast<HBRUSH>(
            DefWindowProcA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(hwnd)));
    if (!(w = Get(hwnd))) return;
    RECT rc = ClientRect(w);
    FillRect(hdc, &rc, brush);
    if (TypeOf(w) == SS_ICON) {
        if (w->stat.icon) DrawIcon(hdc, 0, 0, w->stat.icon);
        return;
    }
    UINT format = DT_WORDBREAK;
    if (TypeOf(w) == SS_CENTER) format |= DT_CENTER;
    if (TypeOf(w) == SS_RIGHT) format |= DT_RIGHT;
    if (w->style & SS_NOPREFIX) format |= DT_NOPREFIX;
    HFONT font = w->stat.font ? w->stat.font : SystemFont();
    HGDIOBJ oldFont = font ? SelectObject(hdc, font) : nullptr;
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    DrawTextA(hdc, w->text.c_str(), -1, &rc, format);
    SetBkMode(hdc, oldMode);
    if (oldFont && oldFont != HGDI_ERROR) SelectObject(hdc, oldFont);
}

}  // namespace

namespace tw::user {

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_CREATE:
        if (TypeOf(w) == SS_ICON) {
            // The icon decides the size, as the system's static control does.
            w->stat.icon = LoadIconA(w->instance, w->text.c_str());
            if (w->stat.icon) {
                int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
                w->rect.right = w->rect.left + cx;
                w->rect.bottom = w->rect.top + cy;
            }
        }
        return 0;
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills with the parent's brush
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hwnd, hdc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETTEXT:
        DefWindowProcA(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case WM_SETFONT:
        w->stat.font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->stat.font);
    case WM_NCHITTEST:
        // A label takes no clicks unless it asks to report them: they go to what lies beneath.
        if (!(w->style & SS_NOTIFY)) return HTTRANSPARENT;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace tw::user
