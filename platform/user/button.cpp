// The built-in "button" class: owner-drawn buttons (drawn by their parent through
// WM_DRAWITEM), push buttons drawn in the classic raised look, check boxes, radio buttons and
// group boxes. Pressing follows the mouse while it is held, a release inside clicks, and the
// space bar presses too. Plain check boxes and radio buttons never check themselves: their
// parent does, with BM_SETCHECK; the automatic kinds do it on a click.
#include <algorithm>
#include <vector>

#include "user/wnd.h"

using namespace tw;
using namespace tw::user;

namespace {

UINT TypeOf(const Window* w) { return w->style & BS_TYPEMASK; }
bool IsPushType(const Window* w) { return TypeOf(w) == BS_PUSHBUTTON || TypeOf(w) == BS_DEFPUSHBUTTON; }
bool IsRadioType(const Window* w) { return TypeOf(w) == BS_RADIOBUTTON || TypeOf(w) == BS_AUTORADIOBUTTON; }
bool IsCheckType(const Window* w) { return TypeOf(w) == BS_CHECKBOX || TypeOf(w) == BS_AUTOCHECKBOX; }

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

// The brush the parent gives for the background of check boxes, radio buttons and group boxes.
HBRUSH StaticBrush(HWND hwnd, HDC hdc) {
    Window* w = Get(hwnd);
    HWND parent = w && NotifyTarget(w) ? NotifyTarget(w) : hwnd;
    auto wp = reinterpret_cast<WPARAM>(hdc);
    auto lp = reinterpret_cast<LPARAM>(hwnd);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC, wp, lp));
    return brush ? brush : reinterpret_cast<HBRUSH>(DefWindowProcA(parent, WM_CTLCOLORSTATIC, wp, lp));
}

HFONT FontOf(const Window* w) { return w->button.font ? w->button.font : SystemFont(); }

// The label's text colour and font, selected for the duration of a draw.
class Label {
public:
    Label(HDC hdc, const Window* w) : hdc_(hdc) {
        HFONT font = FontOf(w);
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

// The heavy frame of the default push button: the focused push button has it for the moment,
// and the BS_DEFPUSHBUTTON one when no other push button beside it has the focus.
bool ShowsDefault(const Window* w) {
    if (w->button.state & BST_FOCUS) return true;
    if (TypeOf(w) != BS_DEFPUSHBUTTON) return false;
    const Window* f = Get(S().focus);
    return !(f && f != w && f->parent == w->parent && f->proc == ButtonProc && IsPushType(f));
}

void DrawPushButton(Window* w, HDC hdc) {
    RECT r = ClientRect(w);
    UINT state = w->button.state;
    bool pushed = state & BST_PUSHED;
    bool focused = state & BST_FOCUS;
    FillSolid(hdc, r, GetSysColor(COLOR_BTNFACE));
    if (ShowsDefault(w)) {
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
    {
        Label label(hdc, w);
        DrawTextA(hdc, w->text.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (focused) DrawDottedRect(hdc, Inset(r, 3));
}

// A check box or radio button: the 13-pixel box or disc on the left, the label beside it.
void DrawCheckButton(HWND hwnd, Window* w, HDC hdc) {
    RECT r = ClientRect(w);
    FillRect(hdc, &r, StaticBrush(hwnd, hdc));
    if (!(w = Get(hwnd))) return;
    constexpr int kBox = 13;
    int top = (r.bottom - kBox) / 2;
    bool pushed = w->button.state & BST_PUSHED;
    COLORREF face = pushed ? GetSysColor(COLOR_BTNFACE) : RGB(255, 255, 255);
    if (IsRadioType(w)) {
        HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        HBRUSH fill = CreateSolidBrush(face);
        HGDIOBJ oldPen = SelectObject(hdc, dark);
        HGDIOBJ oldBrush = SelectObject(hdc, fill);
        Ellipse(hdc, 0, top, kBox, top + kBox);
        if (w->button.check & BST_CHECKED) {
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
        if (w->button.check & BST_CHECKED)
            for (int i = 0; i < 7; ++i) {
                int x = 3 + i, y = top + (i <= 2 ? 5 + i : 9 - i);
                FillSolid(hdc, RECT{x, y, x + 1, y + 3}, GetSysColor(COLOR_BTNTEXT));
            }
    }
    Label label(hdc, w);
    RECT text{kBox + 4, r.top, r.right, r.bottom};
    RECT measure = text;
    DrawTextA(hdc, w->text.c_str(), -1, &measure, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_CALCRECT);
    DrawTextA(hdc, w->text.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (w->button.state & BST_FOCUS) {
        int h = measure.bottom - measure.top;
        int y = (r.bottom - h) / 2;
        RECT focus{text.left - 1, y - 1, std::min(text.left + (measure.right - measure.left) + 1, r.right), y + h + 1};
        DrawDottedRect(hdc, focus);
    }
}

// A group box: an etched frame with its title set into the top edge. The inside is left alone,
// so that the controls in it stay as they are.
void DrawGroupBox(HWND hwnd, Window* w, HDC hdc) {
    RECT r = ClientRect(w);
    Label label(hdc, w);
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
    FillRect(hdc, &back, StaticBrush(hwnd, hdc));
    DrawTextA(hdc, w->text.c_str(), -1, &text, DT_LEFT | DT_SINGLELINE);
}

void Paint(HWND hwnd, HDC hdc, UINT action) {
    Window* w = Get(hwnd);
    if (!w || !hdc) return;
    if (IsRadioType(w) || IsCheckType(w)) return DrawCheckButton(hwnd, w, hdc);
    if (TypeOf(w) == BS_GROUPBOX) return DrawGroupBox(hwnd, w, hdc);
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

// A click: the automatic kinds check themselves (an automatic radio button unchecks the other
// automatic radio buttons of its group), then the parent hears of it.
void Click(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return;
    if (TypeOf(w) == BS_AUTOCHECKBOX) SendMessageA(hwnd, BM_SETCHECK, w->button.check & BST_CHECKED ? 0 : 1, 0);
    if (TypeOf(w) == BS_AUTORADIOBUTTON && w->parent) {
        Window* parent = Get(w->parent);
        std::vector<HWND> siblings = parent ? parent->children : std::vector<HWND>{};
        size_t at = std::find(siblings.begin(), siblings.end(), hwnd) - siblings.begin();
        size_t start = at, end = at + 1;
        while (start > 0 && Get(siblings[start]) && !(Get(siblings[start])->style & WS_GROUP)) --start;
        while (end < siblings.size() && Get(siblings[end]) && !(Get(siblings[end])->style & WS_GROUP)) ++end;
        for (size_t i = start; i < end && i < siblings.size(); ++i)
            if (Window* s = Get(siblings[i]); s && TypeOf(s) == BS_AUTORADIOBUTTON)
                SendMessageA(siblings[i], BM_SETCHECK, siblings[i] == hwnd ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    Notify(hwnd, BN_CLICKED);
}

// The focus moved onto or off a push button: the default one beside it changes its frame.
void RedrawDefaultSiblings(const Window* w) {
    Window* parent = Get(w->parent);
    if (!parent) return;
    std::vector<HWND> siblings = parent->children;
    for (HWND h : siblings)
        if (Window* s = Get(h); s && s != w && TypeOf(s) == BS_DEFPUSHBUTTON) Redraw(h, ODA_FOCUS);
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
    if (pushed && inside) Click(hwnd);
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
        if (IsPushType(w)) RedrawDefaultSiblings(w);
        return 0;
    case WM_KILLFOCUS:
        b.state &= ~BST_FOCUS;
        Redraw(hwnd, ODA_FOCUS);
        if ((w = Get(hwnd)) && IsPushType(w)) RedrawDefaultSiblings(w);
        if ((w = Get(hwnd)) && w->button.tracking && GetCapture() == hwnd) ReleaseCapture();
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
        if (wParam == VK_SPACE && TypeOf(w) != BS_GROUPBOX) {
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
    case BM_GETCHECK: return IsRadioType(w) || IsCheckType(w) ? b.check : BST_UNCHECKED;
    case BM_SETCHECK: {
        if (!IsRadioType(w) && !IsCheckType(w)) return 0;
        UINT check = wParam & (BST_CHECKED | BST_INDETERMINATE);
        if (check != b.check) {
            b.check = check;
            Redraw(hwnd, ODA_SELECT);
        }
        return 0;
    }
    case WM_NCHITTEST:
        // A group box lies over the controls it frames: the mouse passes through it to them.
        if (TypeOf(w) == BS_GROUPBOX) return HTTRANSPARENT;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case BM_CLICK:
        if (TypeOf(w) == BS_GROUPBOX) return 0;
        SetFocus(hwnd);
        Click(hwnd);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace tw::user
