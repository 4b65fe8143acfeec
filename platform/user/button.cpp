// The built-in "button" class: owner-drawn buttons (drawn by their parent through
// WM_DRAWITEM) and push buttons drawn in the classic raised look. Pressing follows the mouse
// while it is held, a release inside clicks, and the space bar presses too.
#include "user/wnd.h"

using namespace tw;
using namespace tw::user;

namespace {

UINT TypeOf(const Window* w) { return w->style & BS_TYPEMASK; }
bool IsPushType(const Window* w) { return TypeOf(w) == BS_PUSHBUTTON || TypeOf(w) == BS_DEFPUSHBUTTON; }

HWND NotifyTarget(const Window* w) { return w->parent ? w->parent : w->owner; }

void Notify(HWND hwnd, WORD code) {
    Window* w = Get(hwnd);
    if (!w) return;
    SendMessageA(NotifyTarget(w), WM_COMMAND, MAKEWPARAM(w->id, code), reinterpret_cast<LPARAM>(hwnd));
}

void FillSolid(HDC hdc, const RECT& r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}

RECT Inset(RECT r, int d) { return RECT{r.left + d, r.top + d, r.right - d, r.bottom - d}; }

void DrawPushButton(Window* w, HDC hdc) {
    RECT r = ClientRect(w);
    UINT state = w->button.state;
    bool pushed = state & BST_PUSHED;
    bool focused = state & BST_FOCUS;
    bool disabled = !IsEnabledChain(w);
    FillSolid(hdc, r, GetSysColor(COLOR_BTNFACE));
    if (TypeOf(w) == BS_DEFPUSHBUTTON || focused) {
        FillSolid(hdc, RECT{r.left, r.top, r.right, r.top + 1}, RGB(0, 0, 0));
        FillSolid(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, RGB(0, 0, 0));
        FillSolid(hdc, RECT{r.left, r.top, r.left + 1, r.bottom}, RGB(0, 0, 0));
        FillSolid(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, RGB(0, 0, 0));
        r = Inset(r, 1);
    }
    if (pushed) {
        Draw3DRect(hdc, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW));
    } else {
        Draw3DRect(hdc, r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW));
        Draw3DRect(hdc, Inset(r, 1), GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW));
    }
    RECT text = Inset(r, 2);
    if (pushed) text = Offset(text, 1, 1);
    HFONT font = w->button.font ? w->button.font : SystemFont();
    HGDIOBJ oldFont = font ? SelectObject(hdc, font) : nullptr;
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(hdc, GetSysColor(disabled ? 17 /* COLOR_GRAYTEXT */ : COLOR_BTNTEXT));
    DrawTextA(hdc, w->text.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(hdc, oldColor);
    SetBkMode(hdc, oldMode);
    if (oldFont && oldFont != HGDI_ERROR) SelectObject(hdc, oldFont);
    if (focused) DrawDottedRect(hdc, Inset(r, 3));
}

void Paint(HWND hwnd, HDC hdc, UINT action) {
    Window* w = Get(hwnd);
    if (!w || !hdc) return;
    if (TypeOf(w) != BS_OWNERDRAW) {
        DrawPushButton(w, hdc);
        return;
    }
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(w->id);
    dis.itemAction = action;
    if (w->button.state & BST_PUSHED) dis.itemState |= ODS_SELECTED;
    if (w->button.state & BST_FOCUS) dis.itemState |= ODS_FOCUS;
    if (!IsEnabledChain(w)) dis.itemState |= ODS_DISABLED;
    dis.hwndItem = hwnd;
    dis.hDC = hdc;
    dis.rcItem = ClientRect(w);
    SendMessageA(NotifyTarget(w), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

void Redraw(HWND hwnd, UINT action) {
    Window* w = Get(hwnd);
    if (!w || !IsVisibleChain(w)) return;
    HDC hdc = GetDC(hwnd);
    Paint(hwnd, hdc, action);
    ReleaseDC(hwnd, hdc);
}

void SetPushed(HWND hwnd, bool pushed) { SendMessageA(hwnd, BM_SETSTATE, pushed ? TRUE : FALSE, 0); }

// The end of a press by the mouse or the space bar: a click when it ends pressed and inside.
void Release(HWND hwnd, bool inside) {
    Window* w = Get(hwnd);
    if (!w || !w->button.tracking) return;
    w->button.tracking = false;
    bool pushed = w->button.state & BST_PUSHED;
    if (pushed) SetPushed(hwnd, false);
    if (GetCapture() == hwnd) ReleaseCapture();
    if (pushed && inside) Notify(hwnd, BN_CLICKED);
}

}  // namespace

namespace tw::user {

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    ButtonData& b = w->button;
    switch (msg) {
    case WM_CREATE: return 0;
    case WM_ERASEBKGND:
        if (TypeOf(w) == BS_OWNERDRAW && wParam) {
            HDC hdc = reinterpret_cast<HDC>(wParam);
            HWND parent = NotifyTarget(w) ? NotifyTarget(w) : hwnd;
            auto brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORBTN, wParam, reinterpret_cast<LPARAM>(hwnd)));
            if (!brush) brush = reinterpret_cast<HBRUSH>(DefWindowProcA(parent, WM_CTLCOLORBTN, wParam, reinterpret_cast<LPARAM>(hwnd)));
            if ((w = Get(hwnd))) {
                RECT rc = ClientRect(w);
                FillRect(hdc, &rc, brush);
            }
        }
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Paint(hwnd, hdc, ODA_DRAWENTIRE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ENABLE: Redraw(hwnd, ODA_DRAWENTIRE); return 0;
    case WM_SETTEXT:
        DefWindowProcA(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case WM_SETFONT:
        b.font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(b.font);
    case WM_SETFOCUS:
        b.state |= BST_FOCUS;
        Redraw(hwnd, ODA_FOCUS);
        return 0;
    case WM_KILLFOCUS:
        b.state &= ~BST_FOCUS;
        Redraw(hwnd, ODA_FOCUS);
        if ((w = Get(hwnd)) && w->button.tracking && GetCapture() == hwnd) ReleaseCapture();
        return 0;
    case WM_LBUTTONDBLCLK:
        if (TypeOf(w) == BS_OWNERDRAW) {
            Notify(hwnd, BN_DOUBLECLICKED);
            return 0;
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        SetCapture(hwnd);
        SetFocus(hwnd);
        if (!(w = Get(hwnd))) return 0;
        w->button.tracking = true;
        SetPushed(hwnd, true);
        return 0;
    case WM_MOUSEMOVE:
        if (b.tracking && GetCapture() == hwnd) {
            POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            RECT rc = ClientRect(w);
            SetPushed(hwnd, PtInRect(&rc, pt) != FALSE);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!b.tracking) return 0;
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT rc = ClientRect(w);
        Release(hwnd, PtInRect(&rc, pt) != FALSE);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (b.tracking) {
            b.tracking = false;
            if (b.state & BST_PUSHED) SetPushed(hwnd, false);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            if (!b.tracking) {
                b.tracking = true;
                SetPushed(hwnd, true);
            }
            return 0;
        }
        if (wParam == VK_RETURN && IsPushType(w)) {
            Notify(hwnd, BN_CLICKED);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_KEYUP:
        if (wParam == VK_SPACE) {
            Release(hwnd, true);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case BM_SETSTATE: {
        UINT old = b.state;
        b.state = wParam ? (old | BST_PUSHED) : (old & ~BST_PUSHED);
        if (b.state != old) Redraw(hwnd, ODA_SELECT);
        return 0;
    }
    case BM_GETSTATE: return b.state;
    case BM_GETCHECK: return BST_UNCHECKED;
    case BM_SETCHECK: return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace tw::user
