// PrintDlgA: the print dialog, a modal dialog of the layer's dialog manager built from a template
// in memory. It lists the host's print destinations as radio buttons (the default one chosen, a
// stopped or offline printer marked so) and "Save as PDF" (chosen when there is no default or the
// print system cannot be reached). Enter prints to the chosen one; Escape cancels.
#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/ansi.h"
#include "gdi/gdi_internal.h"
#include "host/host.h"
#include "host/printers.h"

namespace {

constexpr int kFirstDestinationId = 100;
constexpr size_t kMostPrinters = 12;  // and the PDF file: the dialog stays on an 800 x 600 screen

// Dialog units of the layout (the system font makes one unit two pixels each way).
constexpr short kWidth = 190, kMargin = 7, kRowHeight = 14, kButtonWidth = 50, kButtonHeight = 14;

// A dialog template in memory, laid out as the dialog manager reads it.
class TemplateWriter {
public:
    void Header(DWORD style, WORD items, short x, short y, short cx, short cy, const std::string& title) {
        DLGTEMPLATE t{DWORD(style), 0, items, x, y, cx, cy};
        Bytes(&t, sizeof t);
        Word(0);  // no menu
        Word(0);  // the dialog class
        Text(title);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classOrdinal, const std::string& text) {
        while (bytes_.size() % 4) bytes_.push_back(0);
        DLGITEMTEMPLATE it{DWORD(style | WS_CHILD | WS_VISIBLE), 0, x, y, cx, cy, id};
        Bytes(&it, sizeof it);
        Word(0xFFFF);
        Word(classOrdinal);
        Text(text);
        Word(0);  // no creation data
    }
    // Aligned to a DWORD, as the dialog manager expects its templates.
    const DLGTEMPLATE* Get() {
        storage_.assign((bytes_.size() + 3) / 4, 0);
        std::copy(bytes_.begin(), bytes_.end(), reinterpret_cast<BYTE*>(storage_.data()));
        return reinterpret_cast<const DLGTEMPLATE*>(storage_.data());
    }

private:
    void Bytes(const void* p, size_t n) {
        const BYTE* b = static_cast<const BYTE*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) {
        bytes_.push_back(BYTE(w & 0xff));
        bytes_.push_back(BYTE(w >> 8));
    }
    // ANSI text (UTF-8, as CUPS names its queues) to the template's UTF-16.
    void Text(const std::string& s) {
        tw::ansi::ToUtf16(s, [this](char16_t unit) { Word(WORD(unit)); });
        Word(0);
    }
    std::vector<BYTE> bytes_;
    std::vector<DWORD> storage_;
};

struct Choice {
    int count = 0;
    int chosen = 0;
};

INT_PTR CALLBACK PrintDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    static Choice* choice = nullptr;  // the dialog is modal: one at a time
    switch (msg) {
    case WM_INITDIALOG: {
        choice = reinterpret_cast<Choice*>(lParam);
        int id = kFirstDestinationId + choice->chosen;
        CheckRadioButton(dlg, kFirstDestinationId, kFirstDestinationId + choice->count - 1, id);
        SetFocus(GetDlgItem(dlg, id));
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            for (int i = 0; i < choice->count; ++i)
                if (IsDlgButtonChecked(dlg, kFirstDestinationId + i) == BST_CHECKED) choice->chosen = i;
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// The destination's name as it is ("&" is not a mnemonic here) and its state.
std::string Label(const tw::host::PrintDestination& d) {
    using State = tw::host::PrintDestination::State;
    std::string label;
    for (char c : d.name) label += c == '&' ? std::string("&&") : std::string(1, c);
    if (d.state == State::Stopped) return label + " (stopped)";
    if (d.state == State::Offline) return label + " (offline)";
    return label;
}

// The destinations the dialog offers: the first printers the print system lists, the default
// one among them wherever it is in the list, and the PDF file.
std::vector<tw::host::PrintDestination> Offered(const std::vector<tw::host::PrintDestination>& all) {
    using Kind = tw::host::PrintDestination::Kind;
    auto isDefault = [](const tw::host::PrintDestination& d) { return d.kind == Kind::Printer && d.isDefault; };
    bool hasDefault = std::any_of(all.begin(), all.end(), isDefault);
    std::vector<tw::host::PrintDestination> list;
    size_t printers = 0;
    for (const auto& d : all) {
        if (d.kind == Kind::PdfFile) {
            list.push_back(d);
        } else if (isDefault(d) || printers + (hasDefault ? 1 : 0) < kMostPrinters) {
            list.push_back(d);
            ++printers;
            if (isDefault(d)) hasDefault = false;
        }
    }
    return list;
}

}  // namespace

BOOL WINAPI PrintDlgA(LPPRINTDLGA pd) {
    using tw::host::PrintDestination;
    if (!pd || pd->lStructSize != sizeof(PRINTDLGA)) return FALSE;
    tw::host::Printers* printers = tw::host::Current().GetPrinters();
    if (!printers) return FALSE;
    bool reachable = false;
    std::vector<PrintDestination> list = Offered(printers->Destinations(reachable));
    if (list.empty()) return FALSE;

    Choice choice;
    choice.count = int(list.size());
    choice.chosen = -1;
    for (int i = 0; i < choice.count; ++i)
        if (list[size_t(i)].isDefault && list[size_t(i)].kind == PrintDestination::Kind::Printer) choice.chosen = i;
    if (choice.chosen < 0)
        for (int i = 0; i < choice.count; ++i)
            if (list[size_t(i)].kind == PrintDestination::Kind::PdfFile) choice.chosen = i;
    if (choice.chosen < 0) choice.chosen = 0;

    // Title line, the group of destinations (and a line when the print system is out of reach),
    // then the buttons.
    const bool note = !reachable;
    const short groupTop = 22;
    const short groupHeight = short(12 + kRowHeight * choice.count + (note ? kRowHeight : 0));
    const short buttonsTop = short(groupTop + groupHeight + 8);
    const short height = short(buttonsTop + kButtonHeight + kMargin);
    TemplateWriter t;
    WORD items = WORD(2 + choice.count + (note ? 1 : 0) + 2);
    // Centred on the 800 x 600 screen: 400 x 300 dialog units.
    t.Header(WS_POPUP | WS_BORDER | DS_MODALFRAME | DS_ABSALIGN, items, short((400 - kWidth) / 2),
             short((300 - height) / 2), kWidth, height, "Print");
    t.Item(SS_LEFT | SS_NOPREFIX, kMargin, 7, kWidth - 2 * kMargin, 10, WORD(-1), 0x0082, "Print the page on:");
    t.Item(BS_GROUPBOX | WS_GROUP, kMargin, groupTop, kWidth - 2 * kMargin, groupHeight, WORD(-1), 0x0080, "Printer");
    for (int i = 0; i < choice.count; ++i) {
        DWORD style = BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        t.Item(style, kMargin + 8, short(groupTop + 11 + kRowHeight * i), kWidth - 2 * kMargin - 16, 12,
               WORD(kFirstDestinationId + i), 0x0080, Label(list[size_t(i)]));
    }
    if (note)
        t.Item(SS_LEFT | SS_NOPREFIX | WS_GROUP, kMargin + 8, short(groupTop + 13 + kRowHeight * choice.count),
               kWidth - 2 * kMargin - 16, 10, WORD(-1), 0x0082, printers->Unreachable());
    t.Item(BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, short(kWidth - 2 * (kButtonWidth + kMargin)), buttonsTop,
           kButtonWidth, kButtonHeight, IDOK, 0x0080, "Print");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, short(kWidth - kButtonWidth - kMargin), buttonsTop, kButtonWidth,
           kButtonHeight, IDCANCEL, 0x0080, "Cancel");

    INT_PTR answer = DialogBoxIndirectParamA(nullptr, t.Get(), pd->hwndOwner, PrintDlgProc,
                                             reinterpret_cast<LPARAM>(&choice));
    if (answer != IDOK) return FALSE;

    pd->hDevMode = nullptr;
    pd->hDevNames = nullptr;
    pd->hDC = nullptr;
    if (pd->Flags & PD_RETURNDC) {
        const PrintDestination& dest = list[size_t(choice.chosen)];
        std::string error;
        pd->hDC = tw::gdi::CreatePrinterDC(dest.name, pd->hwndOwner, error);
        if (!pd->hDC) {
            std::string text = "\"" + dest.name + "\" cannot be printed to.\n\n" + error;
            MessageBoxA(pd->hwndOwner, text.c_str(), "Printing", MB_OK | MB_ICONEXCLAMATION);
            return FALSE;
        }
    }
    return TRUE;
}
