// The dialog class's procedure, DefDlgProcA, which lets the dialog procedure answer first and
// does the rest (background from WM_CTLCOLORDLG, the default button, closing as Cancel), and
// the dialog keyboard of IsDialogMessageA: Enter, Escape, Tab, the arrow keys and mnemonics.
#include <cctype>
#include <vector>

#include "user/wnd.h"

using namespace tw;
using namespace tw::user;

namespace {

DialogData* DialogOf(HWND hwnd) {
    Window* w = Get(hwnd);
    return w ? w->dialog.get() : nullptr;
}

bool IsButton(const Window* w) { return w->proc == ButtonProc; }
UINT ButtonType(const Window* w) { return w->style & BS_TYPEMASK; }
bool IsPushButton(const Window* w) {
    return IsButton(w) && (ButtonType(w) == BS_PUSHBUTTON || ButtonType(w) == BS_DEFPUSHBUTTON);
}
bool IsRadioButton(const Window* w) {
    return IsButton(w) && (ButtonType(w) == BS_RADIOBUTTON || ButtonType(w) == BS_AUTORADIOBUTTON);
}

// Controls that take the focus: buttons other than group boxes, shown and enabled.
bool TakesFocus(const Window* w) {
    return w && IsButton(w) && ButtonType(w) != BS_GROUPBOX && IsVisibleChain(w) && IsEnabledChain(w);
}

std::vector<HWND> Controls(HWND dlg) {
    Window* w = Get(dlg);
    return w ? w->children : std::vector<HWND>{};
}

HWND Step(const std::vector<HWND>& pool, HWND from, bool back) {
    if (pool.empty()) return nullptr;
    size_t n = pool.size();
    for (size_t i = 0; i < n; ++i)
        if (pool[i] == from) return pool[(i + (back ? n - 1 : 1)) % n];
    return back ? pool.back() : pool.front();
}

// The arrow keys move within the group of `from`: the controls from one WS_GROUP to the next.
HWND NextInGroup(HWND dlg, HWND from, bool back) {
    std::vector<HWND> all = Controls(dlg);
    size_t at = 0;
    while (at < all.size() && all[at] != from) ++at;
    if (at == all.size()) return NextDialogControl(dlg, nullptr, back);
    size_t start = at;
    while (start > 0 && !(Get(all[start])->style & WS_GROUP)) --start;
    size_t end = at + 1;
    while (end < all.size() && !(Get(all[end])->style & WS_GROUP)) ++end;
    std::vector<HWND> pool;
    for (size_t i = start; i < end; ++i)
        if (TakesFocus(Get(all[i]))) pool.push_back(all[i]);
    return Step(pool, from, back);
}

void FocusControl(HWND dlg, HWND ctl) {
    if (!ctl) return;
    SetFocus(ctl);
    if (DialogData* d = DialogOf(dlg)) d->focus = ctl;
}

// The control whose text marks `c` with an ampersand ("&Default" for d), if any.
HWND MnemonicControl(HWND dlg, char c) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (HWND h : Controls(dlg)) {
        Window* w = Get(h);
        if (!w || !TakesFocus(w)) continue;
        const std::string& t = w->text;
        for (size_t i = 0; i + 1 < t.size(); ++i) {
            if (t[i] != '&') continue;
            if (t[i + 1] == '&') {
                ++i;
                continue;
            }
            if (std::tolower(static_cast<unsigned char>(t[i + 1])) == c) return h;
            break;
        }
    }
    return nullptr;
}

void Command(HWND dlg, int id, HWND ctl) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(ctl));
}

bool DialogKey(HWND dlg, const MSG& msg) {
    HWND focus = GetFocus();
    Window* fw = Get(focus);
    bool ours = fw && IsDescendant(dlg, focus) && focus != dlg;
    switch (msg.wParam) {
    case VK_RETURN: {
        // A push button with the focus is the default one for the moment.
        if (ours && IsPushButton(fw)) {
            Command(dlg, static_cast<int>(fw->id), focus);
            return true;
        }
        LRESULT def = SendMessageA(dlg, DM_GETDEFID, 0, 0);
        int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
        HWND ctl = GetDlgItem(dlg, id);
        if (!ctl || IsWindowEnabled(ctl)) Command(dlg, id, ctl);
        return true;
    }
    case VK_ESCAPE: {
        HWND ctl = GetDlgItem(dlg, IDCANCEL);
        if (!ctl || IsWindowEnabled(ctl)) Command(dlg, IDCANCEL, ctl);
        return true;
    }
    case VK_TAB: FocusControl(dlg, NextDialogControl(dlg, ours ? focus : nullptr, S().keyDown[VK_SHIFT])); return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        bool back = msg.wParam == VK_LEFT || msg.wParam == VK_UP;
        HWND next = NextInGroup(dlg, ours ? focus : nullptr, back);
        FocusControl(dlg, next);
        // Arriving at a radio button by the arrows chooses it.
        if (Window* nw = Get(next); nw && IsRadioButton(nw)) SendMessageA(next, BM_CLICK, 0, 0);
        return true;
    }
    default: return false;
    }
}

}  // namespace

namespace tw::user {

HWND NextDialogControl(HWND dlg, HWND from, bool back) {
    std::vector<HWND> focusable, tabStops;
    for (HWND h : Controls(dlg)) {
        Window* w = Get(h);
        if (!TakesFocus(w)) continue;
        focusable.push_back(h);
        if (w->style & WS_TABSTOP) tabStops.push_back(h);
    }
    const std::vector<HWND>& pool = tabStops.empty() ? focusable : tabStops;
    if (!from) return pool.empty() ? nullptr : (back ? pool.back() : pool.front());
    return Step(pool, from, back);
}

}  // namespace tw::user

BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG msg) {
    if (!msg || !DialogOf(hDlg)) return FALSE;
    if (msg->hwnd != hDlg && !IsDescendant(hDlg, msg->hwnd)) return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
        if (DialogKey(hDlg, *msg)) return TRUE;
        break;
    case WM_CHAR:
    case WM_SYSCHAR:
        // A mnemonic, typed alone or with Alt, clicks its control.
        if (HWND ctl = MnemonicControl(hDlg, static_cast<char>(msg->wParam & 0xFF))) {
            Window* w = Get(ctl);
            if (w && IsRadioButton(w)) FocusControl(hDlg, ctl);
            SendMessageA(ctl, BM_CLICK, 0, 0);
            return TRUE;
        }
        if (msg->message == WM_SYSCHAR) return TRUE;  // no beep, no menu: nothing else to do
        break;
    default: break;
    }
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return TRUE;
}

LRESULT WINAPI DefDlgProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DialogData* d = DialogOf(hwnd);
    if (d && d->proc) {
        INT_PTR answer = d->proc(hwnd, msg, wParam, lParam);
        d = DialogOf(hwnd);
        switch (msg) {
        case WM_INITDIALOG: return answer;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            if (answer) return answer;
            break;
        default:
            if (answer) return 0;
            break;
        }
    }
    if (!Get(hwnd)) return 0;
    switch (msg) {
    case WM_ERASEBKGND: {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        if (!hdc) return 0;
        auto brush = reinterpret_cast<HBRUSH>(SendMessageA(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
        Window* w = Get(hwnd);
        if (!w) return 1;
        if (!brush) brush = reinterpret_cast<HBRUSH>(DefWindowProcA(hwnd, WM_CTLCOLORDLG, wParam, lParam));
        RECT rc = ClientRect(w);
        FillRect(hdc, &rc, brush);
        return 1;
    }
    case WM_CLOSE: {
        HWND cancel = GetDlgItem(hwnd, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_SETFOCUS:
        if (d) FocusControl(hwnd, d->focus && Get(d->focus) ? d->focus : NextDialogControl(hwnd, nullptr, false));
        return 0;
    case DM_GETDEFID: {
        if (!d) return 0;
        if (d->defId) return MAKELONG(d->defId, DC_HASDEFID);
        for (HWND h : Controls(hwnd))
            if (Window* c = Get(h); c && IsButton(c) && ButtonType(c) == BS_DEFPUSHBUTTON)
                return MAKELONG(c->id, DC_HASDEFID);
        return 0;
    }
    case DM_SETDEFID:
        if (d) d->defId = static_cast<int>(wParam);
        return TRUE;
    case WM_NCDESTROY:
        if (d && d->font) {
            DeleteObject(d->font);
            d->font = nullptr;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
