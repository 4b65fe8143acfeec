// The built-in "button" class: owner-drawn buttons (drawn by their parent through
// WM_DRAWITEM), push buttons drawn in the classic raised look (the default one, BS_DEFPUSHBUTTON,
// in a heavy frame), check boxes, radio buttons and group boxes. Pressing follows the mouse while
// it is held, a release inside clicks, and the space bar presses too. Plain check boxes and radio
// buttons never check themselves: their parent does, with BM_SETCHECK; the automatic kinds do it
// on a click. What a button is to the dialog manager it says in WM_GETDLGCODE.
#include <algorithm>

#include "user/wnd.h"

using namespace tw;
using namespace tw::user;

namespace {

struct ButtonData : ClassData {
    UINT state = 0;         // BST_PUSHED | BST_FOCUS
    bool tracking = false;  // pressed by the mouse or the space bar, waiting for the release
    HFONT font = nullptr;
    UINT check = BST_UNCHECKED;  // check boxes and radio buttons
};

UINT TypeOf(const Window* w) { return w->style & BS_TYPEMASK; }
bool IsRadioType(const Window* w) { return TypeOf(w) == BS_RADIOBUTTON || TypeOf(w) == BS_AUTORADIOBUTTON; }
bool IsCheckType(const Window* w) { return TypeOf(w) == BS_CHECKBOX || TypeOf(w) == BS_AUTOCHECKBOX; }

HWND NotifyTarget(const Window* w) { return w->parent ? w->parent : w->owner; }

void Notify(HWND hwnd, WORD code) {
    Window* w = Get(hwnd);
    if (!w) return;
    SendMessageA(NotifyTarget(w), WM_COMMAND, MAKEWPARAM(w->id, code), reinterpret_cast<LPARAM>(hwnd));
}

RECT Inset(RECT r, int d) { return RECT{r.left + d, r.top + d, r.right - d, r.bottom - d}; }

// The label's text colour and font, selected for the duration of a draw.
class Label {
public:
    Label(HDC hdc, const Window* w, const ButtonData& b) : hdc_(hdc) {
        HFONT font = b.font ? b.font : SystemFont();
        oldFont_ = font ? SelectObject(hdc, font) : nullptr;
        oldMode_ = SetBkMode(hdc, TRANSPARENT);
        oldColor_ = SetTextColor(hdc, GetSysColor(IsEnabledChain(w) ? COLOR_BTNTEXT : 17 /* COLOR_GRAYTEXT */));
    }
    ~Label() {
        SetTextColor(hdc_, oldColor_);
        SetBkMode(hdc_, oldMode_);
        if (oldFont_ && oldFont_ != HGDI_ERROR) SelectObject(hdc_, oldFont_);
    }
    Label(const Label&) = delete;
    Label& operator=(const Label&) = delete;

private:
    HDC hdc_;
    HGDIOBJ oldFont_;
    int oldMode_;
    COLORREF oldColor_;
};

void DrawPushButton(const Window* w, const ButtonData& b, HDC hdc) {
    RECT r = ClientRect(w);
    bool pushed = b.state & BST_PUSHED;
    FillSolid(hdc, r, GetSysColor(COLOR_BTNFACE));
    if (TypeOf(w) == BS_DEFPUSHBUTTON) {
        Draw3DRect(hdc, r, RGB(0, 0, 0), RGB(0, 0, 0));
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
    {
        Label label(hdc, w, b);
        DrawTextA(hdc, w->text.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (b.state & BST_FOCUS) DrawDottedRect(hdc, Inset(r, 3));
}

// A check box or radio button: the 13-pixel box or disc on the left, the label beside it.
void DrawCheckButton(HWND hwnd, HDC hdc) {
    Window* w = Get(hwnd);
    RECT r = ClientRect(w);
    FillBackground(hwnd, hdc, WM_CTLCOLORSTATIC);
    auto* b = DataOf<ButtonData>(hwnd);
    if (!b || !(w = Get(hwnd))) return;
    constexpr int kBox = 13;
    int top = (r.bottom - kBox) / 2;
    COLORREF face = (b->state & BST_PUSHED) ? GetSysColor(COLOR_BTNFACE) : RGB(255, 255, 255);
    if (IsRadioType(w)) {
        HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        HBRUSH fill = CreateSolidBrush(face);
        HGDIOBJ oldPen = SelectObject(hdc, dark);
        HGDIOBJ oldBrush = SelectObject(hdc, fill);
        Ellipse(hdc, 0, top, kBox, top + kBox);
        if (b->check & BST_CHECKED) {
            HBRUSH dot = CreateSolidBrush(GetSysColor(COLOR_BTNTEXT));
            SelectObject(hdc, dot);
            SelectObject(hdc, GetStockObject(NULL_PEN));
            Ellipse(hdc, 4, top + 4, 10, top + 10);
            SelectObject(hdc, fill);
            DeleteObject(dot);
        }
        SelectObject(hdc, oldBrush);
        SelectObject(hdc, oldPen);
        DeleteObject(fill);
        DeleteObject(dark);
    } else {
        RECT box{0, top, kBox, top + kBox};
        FillSolid(hdc, box, face);
        Draw3DRect(hdc, box, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
        Draw3DRect(hdc, Inset(box, 1), GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_BTNFACE));
        if (b->check & BST_CHECKED)
            for (int i = 0; i < 7; ++i) {
                int x = 3 + i, y = top + (i <= 2 ? 5 + i : 9 - i);
                FillSolid(hdc, RECT{x, y, x + 1, y + 3}, GetSysColor(COLOR_BTNTEXT));
            }
    }
    Label label(hdc, w, *b);
    RECT text{kBox + 4, r.top, r.right, r.bottom};
    RECT measure = text;
    DrawTextA(hdc, w->text.c_str(), -1, &measure, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_CALCRECT);
    DrawTextA(hdc, w->text.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (b->state & BST_FOCUS) {
        int h = measure.bottom - measure.top;
        int y = (r.bottom - h) / 2;
        RECT focus{text.left - 1, y - 1, std::min(text.left + (measure.right - measure.left) + 1, r.right), y + h + 1};
        DrawDottedRect(hdc, focus);
    }
}

// A group box: an etched frame with its title set into the top edge. The inside is left alone,
// so that the controls in it stay as they are.
void DrawGroupBox(HWND hwnd, const Window* w, const ButtonData& b, HDC hdc) {
    RECT r = ClientRect(w);
    Label label(hdc, w, b);
    TEXTMETRICA tm{};
    GetTextMetricsA(hdc, &tm);
    int lineY = tm.tmHeight / 2;
    RECT frame{r.left, r.top + lineY, r.right, r.bottom};
    Draw3DRect(hdc, frame, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
    Draw3DRect(hdc, Inset(frame, 1), GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    if (w->text.empty()) return;
    RECT text{8, 0, r.right - 8, tm.tmHeight};
    DrawTextA(hdc, w->text.c_str(), -1, &text, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    RECT back{text.left - 2, 0, std::min(text.right + 2, r.right - 2), tm.tmHeight};
    FillRect(hdc, &back, ControlBrush(hwnd, hdc, WM_CTLCOLORSTATIC));
    DrawTextA(hdc, w->text.c_str(), -1, &text, DT_LEFT | DT_SINGLELINE);
}

void Paint(HWND hwnd, HDC hdc, UINT action) {
    Window* w = Get(hwnd);
    auto* b = DataOf<ButtonData>(hwnd);
    if (!w || !b || !hdc) return;
    if (IsRadioType(w) || IsCheckType(w)) return DrawCheckButton(hwnd, hdc);
    if (TypeOf(w) == BS_GROUPBOX) return DrawGroupBox(hwnd, w, *b, hdc);
    if (TypeOf(w) != BS_OWNERDRAW) return DrawPushButton(w, *b, hdc);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(w->id);
    dis.itemAction = action;
    if (b->state & BST_PUSHED) dis.itemState |= ODS_SELECTED;
    if (b->state & BST_FOCUS) dis.itemState |= ODS_FOCUS;
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

// A click: the automatic kinds check themselves (an automatic radio button unchecks the other
// radio buttons of its group), then the parent hears of it.
void Click(HWND hwnd) {
    Window* w = Get(hwnd);
    auto* b = DataOf<ButtonData>(hwnd);
    if (!w || !b) return;
    if (TypeOf(w) == BS_AUTOCHECKBOX) SendMessageA(hwnd, BM_SETCHECK, b->check & BST_CHECKED ? 0 : 1, 0);
    if (TypeOf(w) == BS_AUTORADIOBUTTON && w->parent) {
        // The walk passes over hidden and disabled buttons: it ends where it came round.
        HWND parent = w->parent, other = hwnd, first = nullptr;
        do {
            if (DlgCode(other) == (DLGC_BUTTON | DLGC_RADIOBUTTON))
                SendMessageA(other, BM_SETCHECK, other == hwnd ? BST_CHECKED : BST_UNCHECKED, 0);
            other = GetNextDlgGroupItem(parent, other, FALSE);
            if (!first) first = other;
            else if (other == first) break;
        } while (other && other != hwnd);
    }
    Notify(hwnd, BN_CLICKED);
}

void SetPushed(HWND hwnd, bool pushed) { SendMessageA(hwnd, BM_SETSTATE, pushed ? TRUE : FALSE, 0); }

// The end of a press by the mouse or the space bar: a click when it ends pressed and inside.
void Release(HWND hwnd, bool inside) {
    auto* b = DataOf<ButtonData>(hwnd);
    if (!b || !b->tracking) return;
    b->tracking = false;
    bool pushed = b->state & BST_PUSHED;
    if (pushed) SetPushed(hwnd, false);
    if (GetCapture() == hwnd) ReleaseCapture();
    if (pushed && inside) Click(hwnd);
}

LRESULT DialogCode(const Window* w) {
    switch (TypeOf(w)) {
    case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case BS_GROUPBOX: return DLGC_STATIC;
    default: return DLGC_BUTTON;
    }
}

}  // namespace

namespace tw::user {

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* b = DataFor<ButtonData>(hwnd, msg);
    Window* w = Get(hwnd);
    if (!w || !b) return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_GETDLGCODE: return DialogCode(w);
    case WM_ERASEBKGND:
        if (TypeOf(w) == BS_OWNERDRAW && wParam) FillBackground(hwnd, reinterpret_cast<HDC>(wParam), WM_CTLCOLORBTN);
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
        b->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(b->font);
    case WM_SETFOCUS:
        b->state |= BST_FOCUS;
        Redraw(hwnd, ODA_FOCUS);
        return 0;
    case WM_KILLFOCUS:
        b->state &= ~BST_FOCUS;
        Redraw(hwnd, ODA_FOCUS);
        if ((b = DataOf<ButtonData>(hwnd)) && b->tracking && GetCapture() == hwnd) ReleaseCapture();
        return 0;
    case WM_LBUTTONDBLCLK:
        if (TypeOf(w) == BS_GROUPBOX) return 0;
        if (TypeOf(w) == BS_OWNERDRAW) {
            Notify(hwnd, BN_DOUBLECLICKED);
            return 0;
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        if (TypeOf(w) == BS_GROUPBOX) return 0;
        SetCapture(hwnd);
        SetFocus(hwnd);
        FocusTaken(hwnd);
        if (!(b = DataOf<ButtonData>(hwnd))) return 0;
        b->tracking = true;
        SetPushed(hwnd, true);
        return 0;
    case WM_MOUSEMOVE:
        if (b->tracking && GetCapture() == hwnd) {
            POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            RECT rc = ClientRect(w);
            SetPushed(hwnd, PtInRect(&rc, pt) != FALSE);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!b->tracking) return 0;
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT rc = ClientRect(w);
        Release(hwnd, PtInRect(&rc, pt) != FALSE);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (b->tracking) {
            b->tracking = false;
            if (b->state & BST_PUSHED) SetPushed(hwnd, false);
        }
        return 0;
    case WM_KEYDOWN:
        // The space bar presses; Enter belongs to the dialog manager, which knows the default button.
        if (wParam == VK_SPACE && TypeOf(w) != BS_GROUPBOX) {
            if (!b->tracking) {
                b->tracking = true;
                SetPushed(hwnd, true);
            }
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_KEYUP:
        if (wParam == VK_SPACE) {
            Release(hwnd, true);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_NCHITTEST:
        // A group box lies over the controls it frames: the mouse passes through it to them.
        if (TypeOf(w) == BS_GROUPBOX) return HTTRANSPARENT;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case BM_SETSTATE: {
        UINT old = b->state;
        b->state = wParam ? (old | BST_PUSHED) : (old & ~BST_PUSHED);
        if (b->state != old) Redraw(hwnd, ODA_SELECT);
        return 0;
    }
    case BM_GETSTATE: return b->state;
    case BM_GETCHECK: return IsRadioType(w) || IsCheckType(w) ? b->check : BST_UNCHECKED;
    case BM_SETCHECK: {
        if (!IsRadioType(w) && !IsCheckType(w)) return 0;
        UINT check = wParam & (BST_CHECKED | BST_INDETERMINATE);
        // The checked radio button of a group is the one the Tab key stops at.
        if (IsRadioType(w)) w->style = check ? w->style | WS_TABSTOP : w->style & ~WS_TABSTOP;
        if (check != b->check) {
            b->check = check;
            Redraw(hwnd, ODA_SELECT);
        }
        return 0;
    }
    case BM_SETSTYLE:
        // The dialog manager moves the default push button's look with the focus.
        w->style = (w->style & ~BS_TYPEMASK) | (wParam & BS_TYPEMASK);
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_CLICK:
        if (TypeOf(w) == BS_GROUPBOX) return 0;
        SetFocus(hwnd);
        Click(hwnd);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace tw::user
