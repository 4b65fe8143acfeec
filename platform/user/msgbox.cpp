// MessageBoxA: a modal dialog of the dialog manager, in the classic look (grey face, raised frame,
// caption bar): the icon of its kind from LoadIcon(IDI_*), the text word-wrapped (a word too long
// for a line, a path above all, broken where it fits) and push buttons. It keeps within the
// screen the program's windows are drawn on, centred there. Its keyboard is every dialog's.
#include <algorithm>
#include <string>
#include <vector>

#include "host/probe.h"
#include "user/dialog_template.h"
#include "user/user_internal.h"
#include "user/wnd.h"

namespace tw::user {

namespace {

constexpr int kFrame = 3;
constexpr int kCaption = 18;
constexpr int kMargin = 12;
constexpr int kIcon = 32;
constexpr int kButtonW = 75, kButtonH = 23, kButtonGap = 6;
constexpr WORD kIconId = 20, kTextId = 0xFFFF;

struct Box {
    MessageBoxRecord record;
    std::vector<int> buttons;
    int defaultId = IDOK;
    int escapeId = 0;  // 0: Esc and closing do nothing
};

std::vector<Box*>& Boxes() {
    static std::vector<Box*> boxes;
    return boxes;
}

Box* FindBox(HWND hwnd) {
    for (Box* b : Boxes())
        if (b->record.hwnd == hwnd) return b;
    return nullptr;
}

const char* ButtonText(int id) {
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
    default: return "";
    }
}

LPCSTR IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return IDI_HAND;
    case MB_ICONQUESTION: return IDI_QUESTION;
    case MB_ICONEXCLAMATION: return IDI_EXCLAMATION;
    case MB_ICONASTERISK: return IDI_ASTERISK;
    default: return nullptr;
    }
}

void SetUpButtons(Box& box) {
    switch (box.record.type & MB_TYPEMASK) {
    case MB_OKCANCEL: box.buttons = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: box.buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: box.buttons = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: box.buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: box.buttons = {IDRETRY, IDCANCEL}; break;
    default: box.buttons = {IDOK}; break;
    }
    size_t def = (box.record.type & MB_DEFMASK) >> 8;
    box.defaultId = box.buttons[def < box.buttons.size() ? def : 0];
    // Esc answers Cancel, or OK when that is the only button; otherwise nothing.
    bool cancel = std::find(box.buttons.begin(), box.buttons.end(), IDCANCEL) != box.buttons.end();
    box.escapeId = cancel ? IDCANCEL : box.buttons == std::vector<int>{IDOK} ? IDOK : 0;
}

// The size of the text in the box's font, at most maxWidth wide.
SIZE MeasureText(const std::string& text, int maxWidth) {
    HDC hdc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, SystemFont());
    RECT r{0, 0, maxWidth, 0};
    DrawTextA(hdc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    if (old && old != HGDI_ERROR) SelectObject(hdc, old);
    ReleaseDC(nullptr, hdc);
    return SIZE{std::min<LONG>(r.right, maxWidth), r.bottom};
}

int CaptionWidth(const std::string& caption) {
    HDC hdc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, CaptionFont());
    RECT r{0, 0, 0, 0};
    DrawTextA(hdc, caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (old && old != HGDI_ERROR) SelectObject(hdc, old);
    ReleaseDC(nullptr, hdc);
    return r.right;
}

// Places the box and its controls, in pixels, within the screen.
void Layout(HWND dlg, const Box& box) {
    RECT screen = ScreenBounds();
    int screenW = screen.right, screenH = screen.bottom;
    bool icon = IconOf(box.record.type) != nullptr;
    int n = static_cast<int>(box.buttons.size());
    int buttonsW = n * kButtonW + (n - 1) * kButtonGap;
    int textLeft = kFrame + kMargin + (icon ? kIcon + kMargin : 0);
    int maxText = std::clamp(std::min(440, screenW - 200), 40, std::max(40, screenW - textLeft - kMargin - kFrame));
    SIZE text = MeasureText(box.record.text, maxText);
    int width = std::max({textLeft + int(text.cx) + kMargin + kFrame, buttonsW + 2 * (kMargin + kFrame),
                          CaptionWidth(box.record.caption) + 40, 150});
    width = std::min(width, screenW);
    int top = kFrame + kCaption + kMargin;
    int chrome = top + kMargin + 2 + kButtonH + kMargin + kFrame;
    int textH = std::min(int(text.cy), std::max(0, screenH - chrome));  // what does not fit is cut off
    int contentH = std::max(textH, icon ? kIcon : 0);
    int height = top + contentH + kMargin + 2 + kButtonH + kMargin + kFrame;
    auto place = [](HWND h, int x, int y, int cx, int cy) {
        SetWindowPosInternal(h, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    };
    place(dlg, (screenW - width) / 2, (screenH - height) / 2, width, height);
    if (HWND i = GetDlgItem(dlg, kIconId)) place(i, kFrame + kMargin, top, kIcon, kIcon);
    place(GetDlgItem(dlg, kTextId), textLeft, top + (contentH - textH) / 2, text.cx, textH);
    int bx = (width - buttonsW) / 2, by = height - kFrame - kMargin - kButtonH;
    for (int id : box.buttons) {
        place(GetDlgItem(dlg, id), bx, by, kButtonW, kButtonH);
        bx += kButtonW + kButtonGap;
    }
}

void PaintFrame(HWND dlg, const Box& box) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(dlg, &ps);
    Window* w = Get(dlg);
    if (hdc && w) {
        RECT rc = ClientRect(w);
        Draw3DRect(hdc, rc, GetSysColor(22 /* COLOR_3DLIGHT */), GetSysColor(COLOR_3DDKSHADOW));
        RECT inner{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
        Draw3DRect(hdc, inner, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
        RECT bar{kFrame, kFrame, rc.right - kFrame, kFrame + kCaption};
        FillSolid(hdc, bar, GetSysColor(2 /* COLOR_ACTIVECAPTION */));
        int oldMode = SetBkMode(hdc, TRANSPARENT);
        COLORREF oldColor = SetTextColor(hdc, GetSysColor(9 /* COLOR_CAPTIONTEXT */));
        HGDIOBJ oldFont = SelectObject(hdc, CaptionFont());
        RECT capText{bar.left + 3, bar.top, bar.right - 3, bar.bottom};
        DrawTextA(hdc, box.record.caption.c_str(), -1, &capText, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (oldFont && oldFont != HGDI_ERROR) SelectObject(hdc, oldFont);
        SetTextColor(hdc, oldColor);
        SetBkMode(hdc, oldMode);
    }
    EndPaint(dlg, &ps);
}

INT_PTR CALLBACK BoxProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    Box* box = msg == WM_INITDIALOG ? reinterpret_cast<Box*>(lParam) : FindBox(dlg);
    if (!box) return FALSE;
    switch (msg) {
    case WM_INITDIALOG:
        box->record.hwnd = dlg;
        Boxes().push_back(box);
        if (LPCSTR icon = IconOf(box->record.type))
            SendDlgItemMessageA(dlg, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, icon)), 0);
        Layout(dlg, *box);
        SetFocus(GetDlgItem(dlg, box->defaultId));
        return FALSE;  // the focus is placed
    case WM_PAINT: PaintFrame(dlg, *box); return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDCANCEL) id = box->escapeId;  // Esc, or closing the box
        if (std::find(box->buttons.begin(), box->buttons.end(), id) != box->buttons.end()) EndDialog(dlg, id);
        return TRUE;
    }
    default: return FALSE;
    }
}

}  // namespace

bool IsMessageBox(HWND hwnd) { return FindBox(hwnd) != nullptr; }

void ForgetMessageBoxes() { Boxes().clear(); }

std::vector<MessageBoxRecord> OpenMessageBoxes() {
    std::vector<MessageBoxRecord> out;
    for (Box* b : Boxes()) out.push_back(b->record);
    return out;
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

int WINAPI MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type) {
    BindThread();
    Box box;
    box.record = MessageBoxRecord{nullptr, hwnd, text ? text : "", caption ? caption : "Error", type};
    tw::host::Note([&] { return "MessageBoxA " + box.record.caption + "|" + box.record.text; });
    if (hwnd && !Get(hwnd)) return 0;
    SetUpButtons(box);

    // Without an owner, or when asked, every window of the program waits (the dialog manager
    // disables the owner itself).
    std::vector<HWND> disabled;
    if (!hwnd || (type & MB_TASKMODAL))
        for (HWND h : S().topLevel)
            if (IsWindowEnabled(h)) disabled.push_back(h);
    for (HWND h : disabled) EnableWindowInternal(h, FALSE);

    // Laid out in pixels when it opens; the template only lists the controls.
    DWORD exStyle = (type & (MB_SYSTEMMODAL | MB_TOPMOST)) ? WS_EX_TOPMOST : 0;
    DialogTemplate t(WS_POPUP | DS_ABSALIGN, exStyle, 0, 0, 0, 0, box.record.caption);
    if (IconOf(type)) t.Control(WS_VISIBLE | SS_ICON, 0, 0, 0, 0, kIconId, StaticClassOrdinal(), "");
    t.Control(WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0, 0, 0, 0, kTextId, StaticClassOrdinal(),
              box.record.text);
    for (int id : box.buttons)
        t.Control(WS_VISIBLE | WS_TABSTOP | (id == box.buttons.front() ? WS_GROUP : 0) |
                      (id == box.defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                  0, 0, 0, 0, WORD(id), ButtonClassOrdinal(), ButtonText(id));
    INT_PTR result = DialogBoxIndirectParamA(nullptr, t.Get(), hwnd, BoxProc, reinterpret_cast<LPARAM>(&box));

    Boxes().erase(std::remove(Boxes().begin(), Boxes().end(), &box), Boxes().end());
    for (auto it = disabled.rbegin(); it != disabled.rend(); ++it)
        if (Get(*it)) EnableWindowInternal(*it, TRUE);
    return result > 0 ? static_cast<int>(result) : 0;
}

BOOL WINAPI MessageBeep(UINT type) {
    host::Current().Beep(type);
    return TRUE;
}
