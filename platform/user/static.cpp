// The built-in "static" class: text (left, centred or right, word-wrapped; SS_EDITCONTROL breaks a
// word too long for a line, as an edit control does) on the brush its parent gives through
// WM_CTLCOLORSTATIC, and SS_ICON, which shows an icon at the icon's own size: the icon resource
// named by its text, or the one STM_SETICON gives. A static takes no clicks unless SS_NOTIFY.
#include "user/wnd.h"

using namespace tw;
using namespace tw::user;

namespace {

struct StaticData : ClassData {
    HFONT font = nullptr;
    HICON icon = nullptr;
};

UINT TypeOf(const Window* w) { return w->style & SS_TYPEMASK; }

void Paint(HWND hwnd, HDC hdc) {
    Window* w = Get(hwnd);
    if (!w || !hdc) return;
    FillBackground(hwnd, hdc, WM_CTLCOLORSTATIC);
    auto* d = DataOf<StaticData>(hwnd);
    if (!d || !(w = Get(hwnd))) return;
    RECT rc = ClientRect(w);
    if (TypeOf(w) == SS_ICON) {
        if (d->icon) DrawIcon(hdc, 0, 0, d->icon);
        return;
    }
    UINT format = DT_WORDBREAK;
    if (TypeOf(w) == SS_CENTER) format |= DT_CENTER;
    if (TypeOf(w) == SS_RIGHT) format |= DT_RIGHT;
    if (w->style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (w->style & SS_EDITCONTROL) format |= DT_EDITCONTROL;
    HFONT font = d->font ? d->font : SystemFont();
    HGDIOBJ oldFont = font ? SelectObject(hdc, font) : nullptr;
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    DrawTextA(hdc, w->text.c_str(), -1, &rc, format);
    SetBkMode(hdc, oldMode);
    if (oldFont && oldFont != HGDI_ERROR) SelectObject(hdc, oldFont);
}

// An icon decides an SS_ICON control's size, as the system's static control does.
void SetIcon(HWND hwnd, StaticData& d, HICON icon) {
    d.icon = icon;
    if (icon)
        SetWindowPosInternal(hwnd, nullptr, 0, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace

namespace tw::user {

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = DataFor<StaticData>(hwnd, msg);
    Window* w = Get(hwnd);
    if (!w || !d) return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_CREATE:
        if (TypeOf(w) == SS_ICON && !w->text.empty()) SetIcon(hwnd, *d, LoadIconA(w->instance, w->text.c_str()));
        return 0;
    case WM_GETDLGCODE: return DLGC_STATIC;
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
        d->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(d->font);
    case STM_SETICON: {
        HICON old = d->icon;
        SetIcon(hwnd, *d, reinterpret_cast<HICON>(wParam));
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON: return reinterpret_cast<LRESULT>(d->icon);
    case WM_NCHITTEST:
        // A label takes no clicks unless it asks to report them: they go to what lies beneath.
        if (!(w->style & SS_NOTIFY)) return HTTRANSPARENT;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace tw::user
