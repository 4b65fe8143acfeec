// Modal dialogs from in-memory templates: DialogBoxIndirectParamA reads the DLGTEMPLATE, makes
// the dialog window and its controls in dialog units, sends WM_INITDIALOG, disables the owner
// and runs the dialog's own message loop until EndDialog. Also the small helpers that address
// a dialog's controls by id, and the dialog base units of the system font.
#include <cstring>
#include <string>
#include <vector>

#include "core/ansi.h"
#include "host/probe.h"
#include "user/user_internal.h"
#include "user/wnd.h"

namespace tw::user {

const char kDialogClass[] = "#32770";

std::vector<HWND> OpenDialogs() {
    std::vector<HWND> out;
    for (auto it = S().topLevel.rbegin(); it != S().topLevel.rend(); ++it) {
        Window* w = Get(*it);
        DialogData* d = DataOf<DialogData>(*it);
        if (w && d && !d->ended && (w->style & WS_VISIBLE) && !IsMessageBox(*it)) out.push_back(*it);
    }
    return out;
}

}  // namespace tw::user

using namespace tw;
using namespace tw::user;

namespace {

// The system font's character cell: one horizontal dialog unit is a quarter of its width and
// one vertical unit an eighth of its height.
constexpr int kBaseX = 8, kBaseY = 16;

// Reads a template's words: strings and ordinals in the layout the system uses.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* at) : at_(at) {}
    const BYTE* At() const { return at_; }
    void AlignDword() {
        auto p = reinterpret_cast<uintptr_t>(at_);
        at_ += (4 - p % 4) % 4;
    }
    void Skip(size_t bytes) { at_ += bytes; }
    WORD Word() {
        WORD w = static_cast<WORD>(at_[0] | (at_[1] << 8));
        at_ += 2;
        return w;
    }
    // A zero-terminated UTF-16 string, as ANSI text.
    std::string String() {
        return ansi::FromUtf16([this] { return char32_t(Word()); });
    }
    // A string or an ordinal (0xFFFF then the value). Ordinals come back as ordinal.
    std::string StringOrOrdinal(WORD& ordinal) {
        ordinal = 0;
        if (at_[0] == 0xFF && at_[1] == 0xFF) {
            Skip(2);
            ordinal = Word();
            return {};
        }
        return String();
    }

private:
    const BYTE* at_;
};

const char* ClassOfOrdinal(WORD ordinal) {
    switch (ordinal) {
    case 0x0080: return "Button";
    case 0x0082: return "Static";
    default: return nullptr;  // edit, list box, scroll bar and combo box are not part of the layer
    }
}

struct Item {
    DWORD style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::string cls, text;
};

// v × num ÷ den, rounded half away from zero, as the system's MulDiv.
int Scale(int v, int num, int den) {
    long long p = static_cast<long long>(v) * num;
    return static_cast<int>((p >= 0 ? p + den / 2 : p - den / 2) / den);
}

struct Units {
    int baseX = kBaseX, baseY = kBaseY;
    int X(int v) const { return Scale(v, baseX, 4); }
    int Y(int v) const { return Scale(v, baseY, 8); }
};

// DS_SETFONT: the dialog's font and the base units it gives.
HFONT MakeDialogFont(int pointSize, const std::string& face, Units& units) {
    HDC hdc = GetDC(nullptr);
    int height = -Scale(pointSize, GetDeviceCaps(hdc, LOGPIXELSY), 72);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str());
    if (font) {
        HGDIOBJ old = SelectObject(hdc, font);
        static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        SIZE size{};
        TEXTMETRICA tm{};
        if (GetTextExtentPoint32A(hdc, kAlphabet, 52, &size) && GetTextMetricsA(hdc, &tm) && size.cx > 0) {
            units.baseX = static_cast<int>((size.cx / 26 + 1) / 2);
            units.baseY = static_cast<int>(tm.tmHeight);
        }
        if (old && old != HGDI_ERROR) SelectObject(hdc, old);
    }
    ReleaseDC(nullptr, hdc);
    return font;
}

// Makes the dialog and its controls, hidden; null when the template cannot be followed.
HWND CreateFromTemplate(HINSTANCE instance, const DLGTEMPLATE* tmpl, HWND owner, DLGPROC proc) {
    TemplateReader rd(reinterpret_cast<const BYTE*>(tmpl));
    rd.Skip(sizeof(DLGTEMPLATE));
    WORD ordinal = 0;
    rd.StringOrOrdinal(ordinal);  // menu: dialogs of the layer have none
    std::string cls = rd.StringOrOrdinal(ordinal);
    if (ordinal || cls.empty()) cls = kDialogClass;
    std::string title = rd.String();
    Units units;
    HFONT font = nullptr;
    if (tmpl->style & DS_SETFONT) {
        int points = static_cast<short>(rd.Word());
        font = MakeDialogFont(points, rd.String(), units);
    }
    std::vector<Item> items(tmpl->cdit);
    for (Item& item : items) {
        rd.AlignDword();
        DLGITEMTEMPLATE it;
        std::memcpy(&it, rd.At(), sizeof it);
        rd.Skip(sizeof it);
        item.style = it.style;
        item.exStyle = it.dwExtendedStyle;
        item.x = units.X(it.x), item.y = units.Y(it.y), item.cx = units.X(it.cx), item.cy = units.Y(it.cy);
        item.id = it.id;
        item.cls = rd.StringOrOrdinal(ordinal);
        if (ordinal) item.cls = ClassOfOrdinal(ordinal) ? ClassOfOrdinal(ordinal) : "";
        item.text = rd.StringOrOrdinal(ordinal);
        if (ordinal) item.text = "#" + std::to_string(ordinal);
        rd.Skip(rd.Word());  // creation data
    }

    // Positions are relative to the owner's client area unless DS_ABSALIGN.
    POINT origin{0, 0};
    if (owner && !(tmpl->style & DS_ABSALIGN)) ClientToScreen(owner, &origin);
    DWORD style = (tmpl->style & ~(WS_VISIBLE | WS_CHILD)) | WS_POPUP;
    HWND dlg = CreateWindowInternal(tmpl->dwExtendedStyle, cls.c_str(), title.c_str(), style,
                                    origin.x + units.X(tmpl->x), origin.y + units.Y(tmpl->y), units.X(tmpl->cx),
                                    units.Y(tmpl->cy), owner, nullptr, instance, nullptr);
    Window* w = Get(dlg);
    if (w && !w->data) w->data = std::make_unique<DialogData>();  // a class of the program's own
    DialogData* d = DataOf<DialogData>(dlg);
    if (!w || !d) {
        if (font) DeleteObject(font);
        if (w) DestroyWindowInternal(dlg);
        return nullptr;
    }
    d->proc = proc;
    d->font = font;
    // The template gives the client area; the border comes on top.
    RECT client = ClientRect(w);
    w->rect.right += (w->rect.right - w->rect.left) - client.right;
    w->rect.bottom += (w->rect.bottom - w->rect.top) - client.bottom;
    LayoutChanged();

    HWND defaultButton = nullptr;
    for (const Item& item : items) {
        HWND ctl = CreateWindowInternal(item.exStyle, item.cls.c_str(), item.text.c_str(), item.style | WS_CHILD,
                                        item.x, item.y, item.cx, item.cy, dlg,
                                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance, nullptr);
        if (!ctl) {
            DestroyWindowInternal(dlg);
            return nullptr;
        }
        if (font) SendMessageA(ctl, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        // One default push button, the last of the template's; its id is the dialog's default.
        if (DlgCode(ctl) & DLGC_DEFPUSHBUTTON) {
            if (defaultButton) SendMessageA(defaultButton, BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
            defaultButton = ctl;
            if ((d = DataOf<DialogData>(dlg))) d->defId = item.id;
        }
    }
    return Get(dlg) ? dlg : nullptr;
}

}  // namespace

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA tmpl, HWND owner, DLGPROC proc,
                                       LPARAM param) {
    BindThread();
    if (!tmpl || (owner && !Get(owner))) return -1;
    HWND ownerRoot = owner ? Root(owner) : nullptr;
    HWND focusBefore = GetFocus();
    HWND dlg = CreateFromTemplate(instance, tmpl, ownerRoot, proc);
    if (!dlg) return -1;
    tw::host::Note([] { return std::string("DialogBoxIndirectParamA"); });

    // The owner waits while the dialog is up.
    bool ownerWasEnabled = ownerRoot && IsWindowEnabled(ownerRoot);
    if (ownerWasEnabled) EnableWindowInternal(ownerRoot, FALSE);

    HWND first = FirstDialogControl(dlg);
    auto up = [&] {
        DialogData* d = DataOf<DialogData>(dlg);
        return d && !d->ended;
    };
    if (SendMessageA(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && up()) {
        // WM_INITDIALOG may have changed the controls: the first one is looked for again.
        if ((first = FirstDialogControl(dlg))) SetFocus(first);
    }
    if (up()) {
        // A modal dialog shows whether or not its template asks for WS_VISIBLE.
        ShowWindowInternal(dlg, SW_SHOW);
        // Showing activates the dialog; the focus stays where WM_INITDIALOG put it.
        if (up() && (!GetFocus() || Root(GetFocus()) != dlg)) {
            DialogData* d = DataOf<DialogData>(dlg);
            HWND to = d->focus && Get(d->focus) ? d->focus : FirstDialogControl(dlg);
            if (to) SetFocus(to);
        }
    }

    RunModalLoop(up, [&](MSG& msg) { return IsDialogMessageA(dlg, &msg) != FALSE; });
    DialogData* d = DataOf<DialogData>(dlg);
    INT_PTR result = d && d->ended ? d->result : 0;
    // The owner comes back before the dialog goes, so that it is the one that is active.
    if (ownerWasEnabled && Get(ownerRoot)) EnableWindowInternal(ownerRoot, TRUE);
    if (Get(dlg)) DestroyWindowInternal(dlg);
    if (focusBefore && Get(focusBefore) && IsEnabledChain(Get(focusBefore)))
        SetFocus(focusBefore);
    else if (ownerRoot && Get(ownerRoot))
        Activate(ownerRoot);
    return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR result) {
    Window* w = Get(hDlg);
    DialogData* d = DataOf<DialogData>(hDlg);
    if (!w || !d) return FALSE;
    d->result = result;
    d->ended = true;
    // The dialog leaves the screen now; the modal loop destroys it when it gets back control.
    if (w->style & WS_VISIBLE) ShowWindowInternal(hDlg, SW_HIDE);
    return TRUE;
}

LONG WINAPI GetDialogBaseUnits(void) { return MAKELONG(kBaseX, kBaseY); }

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(hDlg, id);
    return item ? SendMessageA(item, msg, wParam, lParam) : 0;
}

BOOL WINAPI CheckRadioButton(HWND hDlg, int first, int last, int check) {
    if (!Get(hDlg)) return FALSE;
    for (int id = first; id <= last; ++id)
        SendDlgItemMessageA(hDlg, id, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int id, UINT check) {
    HWND item = GetDlgItem(hDlg, id);
    if (!item) return FALSE;
    SendMessageA(item, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int id) {
    return static_cast<UINT>(SendDlgItemMessageA(hDlg, id, BM_GETCHECK, 0, 0));
}
