// MessageBoxA: the layer's own modal box in the classic look (grey face, raised frame, caption
// bar, a simple icon, word-wrapped text and push buttons), centred on the screen, with its
// own message loop that keeps the rest of the program painted while its owner is disabled.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "host/probe.h"
#include "user/user_internal.h"
#include "user/wnd.h"

namespace tw::user {

const char kMessageBoxClass[] = "TwMessageBox";

namespace {

constexpr int kFrame = 3;
constexpr int kCaption = 18;
constexpr int kMargin = 12;
constexpr int kIcon = 32;
constexpr int kButtonW = 75, kButtonH = 23, kButtonGap = 6;

struct Box {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    UINT type = 0;
    std::string text, caption;
    RECT textRect{};
    POINT iconAt{};
    std::vector<int> buttons;
    int defaultId = IDOK;
    int escapeId = 0;  // 0: Esc and closing do nothing
    int result = 0;
    bool done = false;
};

std::vector<Box*>& Boxes() {
    static std::vector<Box*> boxes;
    return boxes;
}

Box* FindBox(HWND hwnd) {
    for (Box* b : Boxes())
        if (b->hwnd == hwnd) return b;
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

void SetUpButtons(Box& box) {
    switch (box.type & MB_TYPEMASK) {
    case MB_OKCANCEL: box.buttons = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: box.buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: box.buttons = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: box.buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: box.buttons = {IDRETRY, IDCANCEL}; break;
    default: box.buttons = {IDOK}; break;
    }
    size_t def = (box.type >> 8) & 0xF;  // MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200
    box.defaultId = box.buttons[def < box.buttons.size() ? def : 0];
    box.escapeId = 0;
    for (int id : box.buttons)
        if (id == IDCANCEL) box.escapeId = IDCANCEL;
    if (box.buttons.size() == 1 && box.buttons[0] == IDOK) box.escapeId = IDOK;
}

HFONT CaptionFont() {
    static HFONT font = nullptr;
    if (!font || GetObjectType(font) != OBJ_FONT)
        font = CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
    return font;
}

HFONT IconFont() {
    static HFONT font = nullptr;
    if (!font || GetObjectType(font) != OBJ_FONT)
        font = CreateFontA(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    return font;
}

// Lays the box out; returns its size.
SIZE Layout(Box& box) {
    HDC hdc = GetDC(nullptr);
    HGDIOBJ oldFont = SelectObject(hdc, SystemFont());
    int screenW = ScreenBounds().right;
    int maxText = std::max(120, std::min(screenW - 200, 440));
    RECT text{0, 0, maxText, 0};
    DrawTextA(hdc, box.text.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(hdc, CaptionFont());
    RECT cap{0, 0, 0, 0};
    DrawTextA(hdc, box.caption.c_str(), -1, &cap, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (oldFont && oldFont != HGDI_ERROR) SelectObject(hdc, oldFont);
    ReleaseDC(nullptr, hdc);

    bool icon = (box.type & MB_ICONMASK) != 0;
    int textW = text.right - text.left, textH = text.bottom - text.top;
    int textLeft = kFrame + kMargin + (icon ? kIcon + kMargin : 0);
    int n = static_cast<int>(box.buttons.size());
    int buttonsW = n * kButtonW + (n - 1) * kButtonGap;
    int width = std::max({textLeft + textW + kMargin + kFrame, buttonsW + 2 * (kMargin + kFrame),
                          static_cast<int>(cap.right - cap.left) + 40, 150});
    int top = kFrame + kCaption + kMargin;
    int contentH = std::max(textH, icon ? kIcon : 0);
    int textTop = top + (contentH - textH) / 2;
    box.textRect = RECT{textLeft, textTop, textLeft + textW, textTop + textH};
    box.iconAt = POINT{kFrame + kMargin, top};
    int buttonsTop = top + contentH + kMargin + 2;
    int height = buttonsTop + kButtonH + kMargin + kFrame;
    return SIZE{width, height};
}

void DrawIconShape(HDC hdc, UINT icon, POINT at) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    COLORREF fill = RGB(255, 255, 255), mark = RGB(0, 0, 255);
    const char* glyph = "i";
    switch (icon) {
    case MB_ICONHAND: fill = RGB(255, 0, 0), mark = RGB(255, 255, 255), glyph = "X"; break;
    case MB_ICONQUESTION: glyph = "?"; break;
    case MB_ICONEXCLAMATION: fill = RGB(255, 255, 0), mark = RGB(0, 0, 0), glyph = "!"; break;
    default: break;
    }
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    if (icon == MB_ICONEXCLAMATION) {
        POINT tri[3] = {{at.x + 16, at.y + 1}, {at.x + 31, at.y + 30}, {at.x + 1, at.y + 30}};
        Polygon(hdc, tri, 3);
    } else {
        Ellipse(hdc, at.x, at.y, at.x + kIcon, at.y + kIcon);
    }
    SelectObject(hdc, oldBrush);
    DeleteObject(brush);
    SelectObject(hdc, oldPen);
    DeleteObject(pen);
    HGDIOBJ oldFont = SelectObject(hdc, IconFont());
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(hdc, mark);
    RECT r{at.x, at.y + (icon == MB_ICONEXCLAMATION ? 4 : 0), at.x + kIcon, at.y + kIcon};
    DrawTextA(hdc, glyph, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(hdc, oldColor);
    SetBkMode(hdc, oldMode);
    if (oldFont && oldFont != HGDI_ERROR) SelectObject(hdc, oldFont);
}

void PaintBox(Box& box, HDC hdc, const RECT& rc) {
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    Draw3DRect(hdc, rc, GetSysColor(22 /* COLOR_3DLIGHT */), GetSysColor(COLOR_3DDKSHADOW));
    RECT inner{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
    Draw3DRect(hdc, inner, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    RECT bar{kFrame, kFrame, rc.right - kFrame, kFrame + kCaption};
    FillRect(hdc, &bar, GetSysColorBrush(2 /* COLOR_ACTIVECAPTION */));
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(hdc, GetSysColor(9 /* COLOR_CAPTIONTEXT */));
    HGDIOBJ oldFont = SelectObject(hdc, CaptionFont());
    RECT capText{bar.left + 3, bar.top, bar.right - 3, bar.bottom};
    DrawTextA(hdc, box.caption.c_str(), -1, &capText, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(hdc, SystemFont());
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    RECT text = box.textRect;
    DrawTextA(hdc, box.text.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
    if (oldFont && oldFont != HGDI_ERROR) SelectObject(hdc, oldFont);
    SetTextColor(hdc, oldColor);
    SetBkMode(hdc, oldMode);
    if (UINT icon = box.type & MB_ICONMASK) DrawIconShape(hdc, icon, box.iconAt);
}

void Finish(Box& box, int id) {
    if (!id || box.done) return;
    box.result = id;
    box.done = true;
}

// Keys the box itself handles, as a dialog does: Enter, Esc, moving between buttons and
// the underlined letters. True when the message was used up.
bool BoxKey(Box& box, const MSG& msg) {
    if (msg.hwnd != box.hwnd && !IsDescendant(box.hwnd, msg.hwnd)) return false;
    if (msg.message == WM_KEYDOWN) {
        HWND focus = GetFocus();
        Window* fw = Get(focus);
        bool onButton = fw && fw->parent == box.hwnd;
        switch (msg.wParam) {
        case VK_RETURN: Finish(box, onButton ? static_cast<int>(fw->id) : box.defaultId); return true;
        case VK_ESCAPE: Finish(box, box.escapeId); return true;
        case VK_TAB:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_LEFT:
        case VK_UP: {
            int n = static_cast<int>(box.buttons.size());
            int at = 0;
            for (int i = 0; i < n; ++i)
                if (onButton && box.buttons[i] == static_cast<int>(fw->id)) at = i;
            bool back = msg.wParam == VK_LEFT || msg.wParam == VK_UP || (msg.wParam == VK_TAB && S().keyDown[VK_SHIFT]);
            at = (at + (back ? n - 1 : 1)) % n;
            SetFocus(GetDlgItem(box.hwnd, box.buttons[at]));
            return true;
        }
        default: return false;
        }
    }
    if (msg.message == WM_CHAR) {
        char c = static_cast<char>(std::tolower(static_cast<int>(msg.wParam & 0xFF)));
        for (int id : box.buttons) {
            const char* label = ButtonText(id);
            const char* amp = std::strchr(label, '&');
            if (amp && std::tolower(static_cast<unsigned char>(amp[1])) == c) {
                Finish(box, id);
                return true;
            }
        }
    }
    return false;
}

}  // namespace

LRESULT CALLBACK MessageBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Box* box = FindBox(hwnd);
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        Window* w = Get(hwnd);
        if (box && hdc && w) PaintBox(*box, hdc, ClientRect(w));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_COMMAND:
        if (box && (HIWORD(wParam) == BN_CLICKED)) Finish(*box, LOWORD(wParam));
        return 0;
    case WM_CLOSE:
        if (box) Finish(*box, box->escapeId);
        return 0;
    case WM_SETFOCUS:
        if (box) SetFocus(GetDlgItem(hwnd, box->defaultId));
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void ForgetMessageBoxes() { Boxes().clear(); }

std::vector<MessageBoxRecord> OpenMessageBoxes() {
    std::vector<MessageBoxRecord> out;
    for (Box* b : Boxes()) out.push_back(MessageBoxRecord{b->hwnd, b->owner, b->text, b->caption, b->type});
    return out;
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

int WINAPI MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type) {
    BindThread();
    Box box;
    box.owner = hwnd;
    box.type = type;
    box.text = text ? text : "";
    box.caption = caption ? caption : "Error";
    tw::host::Note([&] { return "MessageBoxA " + box.caption + "|" + box.text; });
    if (hwnd && !Get(hwnd)) return 0;
    SetUpButtons(box);

    // The owner (or, without one or when asked, every window of the program) waits.
    std::vector<HWND> disabled;
    if (hwnd && !(type & MB_TASKMODAL)) {
        HWND root = Root(hwnd);
        if (IsWindowEnabled(root)) disabled.push_back(root);
    } else {
        for (HWND h : S().topLevel)
            if (IsWindowEnabled(h)) disabled.push_back(h);
    }
    for (HWND h : disabled) EnableWindowInternal(h, FALSE);

    SIZE size = Layout(box);
    // Centred on the screen the program's windows are drawn on.
    RECT screen = ScreenBounds();
    int x = (screen.right - size.cx) / 2, y = (screen.bottom - size.cy) / 2;
    HWND owner = hwnd ? Root(hwnd) : nullptr;
    Boxes().push_back(&box);
    box.hwnd = CreateWindowInternal(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kMessageBoxClass, box.caption.c_str(),
                                    WS_POPUP, x, y, size.cx, size.cy, owner, nullptr, nullptr, nullptr);
    if (box.hwnd) {
        int n = static_cast<int>(box.buttons.size());
        int bx = (size.cx - (n * kButtonW + (n - 1) * kButtonGap)) / 2;
        int by = size.cy - kFrame - kMargin - kButtonH;
        for (int i = 0; i < n; ++i) {
            int id = box.buttons[i];
            DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (id == box.defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            CreateWindowInternal(0, "button", ButtonText(id), style, bx + i * (kButtonW + kButtonGap), by, kButtonW,
                                 kButtonH, box.hwnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr,
                                 nullptr);
        }
        ShowWindowInternal(box.hwnd, SW_SHOW);
        SetFocus(GetDlgItem(box.hwnd, box.defaultId));

        RunModalLoop([&] { return !box.done && Get(box.hwnd); }, [&](MSG& msg) { return BoxKey(box, msg); });
    }
    Boxes().erase(std::remove(Boxes().begin(), Boxes().end(), &box), Boxes().end());
    for (auto it = disabled.rbegin(); it != disabled.rend(); ++it)
        if (Get(*it)) EnableWindowInternal(*it, TRUE);
    if (Get(box.hwnd)) DestroyWindowInternal(box.hwnd);
    return box.done ? box.result : 0;
}

BOOL WINAPI MessageBeep(UINT type) {
    host::Current().Beep(type);
    return TRUE;
}
