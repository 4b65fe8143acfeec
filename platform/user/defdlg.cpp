// The dialog manager: DefDlgProcA, which lets the dialog procedure answer first and does the
// rest (the background from WM_CTLCOLORDLG, the default push button, the focus, closing as
// Cancel); the walks through a dialog's controls, GetNextDlgGroupItem and GetNextDlgTabItem; and
// the dialog keyboard of IsDialogMessageA (Enter, Escape, Tab, the arrow keys and mnemonics),
// which asks each control what it is with WM_GETDLGCODE.
#include <algorithm>
#include <cctype>
#include <vector>

#include "user/wnd.h"

using namespace tw;
using namespace tw::user;

namespace {

std::vector<HWND> Controls(HWND dlg) {
    Window* w = Get(dlg);
    return w ? w->children : std::vector<HWND>{};
}

bool Usable(HWND h) {
    const Window* w = Get(h);
    return w && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED);
}

bool IsPushButton(HWND h) { return DlgCode(h) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON); }

// The dialog's default push button: the control DM_GETDEFID names.
HWND DefaultButton(HWND dlg) {
    LRESULT def = SendMessageA(dlg, DM_GETDEFID, 0, 0);
    return HIWORD(def) == DC_HASDEFID ? GetDlgItem(dlg, LOWORD(def)) : nullptr;
}

// Only one push button looks like the default: `look` (null: none), the others as plain ones.
void GiveDefaultLook(HWND dlg, HWND look) {
    for (HWND c : Controls(dlg))
        if (c != look && (DlgCode(c) & DLGC_DEFPUSHBUTTON)) SendMessageA(c, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (look && (DlgCode(look) & DLGC_UNDEFPUSHBUTTON)) SendMessageA(look, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

// Where the dialog manager moves the focus (WM_NEXTDLGCTL, the arrow keys).
void MoveFocus(HWND to) {
    if (!to) return;
    SetFocus(to);
    FocusTaken(to);
}

// The control whose text marks `c` with an ampersand ("&Default" for d), if any.
HWND MnemonicControl(HWND dlg, char c) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (HWND h : Controls(dlg)) {
        Window* w = Get(h);
        if (!w || !Usable(h) || !(DlgCode(h) & (DLGC_BUTTON | DLGC_STATIC))) continue;
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

// The arrow keys move within the group: to the next control there that takes the focus (labels
// and group boxes are passed over). Arriving at a radio button chooses it.
void Arrow(HWND dlg, HWND from, bool back) {
    HWND next = from, first = nullptr;
    for (;;) {
        next = GetNextDlgGroupItem(dlg, next, back);
        if (!next || next == from || next == first) return;
        if (!(DlgCode(next) & DLGC_STATIC)) break;
        if (!first) first = next;
    }
    MoveFocus(next);
    if ((DlgCode(next) & DLGC_RADIOBUTTON) && SendMessageA(next, BM_GETCHECK, 0, 0) != BST_CHECKED)
        SendMessageA(next, BM_CLICK, 0, 0);
}

bool DialogKey(HWND dlg, const MSG& msg, LRESULT code) {
    HWND focus = GetFocus();
    bool ours = focus && focus != dlg && IsDescendant(dlg, focus);
    switch (msg.wParam) {
    case VK_RETURN: {
        // The push button with the focus is the default one for the moment.
        if (ours && (DlgCode(focus) & DLGC_DEFPUSHBUTTON)) {
            Command(dlg, GetDlgCtrlID(focus), focus);
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
    case VK_TAB:
        if (code & DLGC_WANTTAB) return false;
        SendMessageA(dlg, WM_NEXTDLGCTL, S().keyDown[VK_SHIFT] ? 1 : 0, FALSE);
        return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (code & DLGC_WANTARROWS) return false;
        Arrow(dlg, ours ? focus : nullptr, msg.wParam == VK_LEFT || msg.wParam == VK_UP);
        return true;
    default: return false;
    }
}

}  // namespace

namespace tw::user {

void FocusTaken(HWND control) {
    Window* w = Get(control);
    HWND dlg = w ? w->parent : nullptr;
    DialogData* d = DataOf<DialogData>(dlg);
    if (!d || GetFocus() != control) return;
    d->focus = control;
    GiveDefaultLook(dlg, IsPushButton(control) ? control : DefaultButton(dlg));
}

HWND FirstDialogControl(HWND dlg) {
    HWND first = nullptr;
    for (HWND h : Controls(dlg)) {
        if (!Usable(h)) continue;
        if (Get(h)->style & WS_TABSTOP) return h;
        if (!first) first = h;
    }
    return first;
}

}  // namespace tw::user

HWND WINAPI GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    std::vector<HWND> all = Controls(hDlg);
    if (all.empty() || (hCtl && hCtl != hDlg && GetParent(hCtl) != hDlg)) return nullptr;
    if (!hCtl || hCtl == hDlg) {
        // From the first control (or, going back, the last): that one, if it may take the focus.
        HWND from = bPrevious ? all.back() : all.front();
        return Usable(from) ? from : GetNextDlgGroupItem(hDlg, from, bPrevious);
    }
    // The group: from a WS_GROUP control up to the next one, the controls taken as a ring (with
    // no WS_GROUP anywhere, all of them).
    size_t n = all.size();
    auto starts = [&](size_t i) {
        const Window* c = Get(all[i]);
        return c && (c->style & WS_GROUP);
    };
    size_t at = size_t(std::find(all.begin(), all.end(), hCtl) - all.begin()), start = at;
    for (size_t k = 0; k < n && !starts(start); ++k) start = (start + n - 1) % n;
    std::vector<HWND> group{all[start]};
    for (size_t i = (start + 1) % n; i != start && !starts(i); i = (i + 1) % n) group.push_back(all[i]);
    size_t size = group.size(), pos = size_t(std::find(group.begin(), group.end(), hCtl) - group.begin());
    for (size_t step = 1; step < size; ++step) {
        HWND h = group[(pos + (bPrevious ? size - step : step)) % size];
        if (Usable(h)) return h;
    }
    return hCtl;
}

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    std::vector<HWND> all = Controls(hDlg);
    if (!hCtl || GetParent(hCtl) != hDlg) return nullptr;
    size_t n = all.size();
    size_t at = size_t(std::find(all.begin(), all.end(), hCtl) - all.begin());
    for (size_t step = 1; step < n; ++step) {
        HWND h = all[(at + (bPrevious ? n - step : step)) % n];
        if (Usable(h) && (Get(h)->style & WS_TABSTOP)) return h;
    }
    return hCtl;
}

BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG msg) {
    if (!msg || !DataOf<DialogData>(hDlg)) return FALSE;
    if (msg->hwnd != hDlg && !IsDescendant(hDlg, msg->hwnd)) return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN: {
        LRESULT code = SendMessageA(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        if (!(code & DLGC_WANTMESSAGE) && DialogKey(hDlg, *msg, code)) return TRUE;
        break;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
        if (msg->message == WM_CHAR &&
            (SendMessageA(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg)) &
             (DLGC_WANTCHARS | DLGC_WANTMESSAGE)))
            break;
        // A mnemonic, typed alone or with Alt, clicks its button; a label's or a group box's
        // moves the focus to the control after it.
        if (HWND ctl = MnemonicControl(hDlg, static_cast<char>(msg->wParam & 0xFF))) {
            if (DlgCode(ctl) & DLGC_STATIC) {
                SendMessageA(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ctl), TRUE);
                SendMessageA(hDlg, WM_NEXTDLGCTL, 0, FALSE);
            } else {
                SendMessageA(ctl, BM_CLICK, 0, 0);
            }
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
    DialogData* d = DataFor<DialogData>(hwnd, msg);
    if (!Get(hwnd)) return 0;
    if (d && d->proc) {
        INT_PTR answer = d->proc(hwnd, msg, wParam, lParam);
        if (msg == WM_INITDIALOG) return answer;
        // The colour messages take the procedure's brush; anything else it handled is done.
        if (answer) return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC ? answer : 0;
        d = DataOf<DialogData>(hwnd);
    }
    if (!Get(hwnd)) return 0;
    switch (msg) {
    case WM_ERASEBKGND:
        if (!wParam) return 0;
        FillBackground(hwnd, reinterpret_cast<HDC>(wParam), WM_CTLCOLORDLG);
        return 1;
    case WM_CLOSE: {
        HWND cancel = GetDlgItem(hwnd, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_SETFOCUS:
        // The focus goes on to the control that had it, or the first that takes it.
        if (d && !d->ended) {
            HWND to = d->focus && IsDescendant(hwnd, d->focus) && d->focus != hwnd ? d->focus : FirstDialogControl(hwnd);
            if (to) SetFocus(to);
        }
        return 0;
    case WM_NEXTDLGCTL: {
        // lParam: wParam is the control; otherwise the next (wParam 0) or previous tab stop.
        HWND to = reinterpret_cast<HWND>(wParam);
        if (!LOWORD(lParam)) {
            HWND focus = GetFocus();
            bool ours = focus && focus != hwnd && IsDescendant(hwnd, focus);
            to = ours ? GetNextDlgTabItem(hwnd, focus, wParam != 0) : FirstDialogControl(hwnd);
        }
        MoveFocus(to);
        return 0;
    }
    case DM_GETDEFID: return d && d->defId ? MAKELONG(d->defId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
        if (d) {
            d->defId = static_cast<int>(wParam);
            HWND focus = GetFocus();
            GiveDefaultLook(hwnd, focus && IsDescendant(hwnd, focus) && IsPushButton(focus) ? focus : DefaultButton(hwnd));
        }
        return TRUE;
    case WM_GETFONT: return d ? reinterpret_cast<LRESULT>(d->font) : 0;
    case WM_NCDESTROY:
        if (d && d->font) {
            DeleteObject(d->font);
            d->font = nullptr;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
