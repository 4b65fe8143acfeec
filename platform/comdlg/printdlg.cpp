// PrintDlgA: the print dialog, a modal dialog of the layer's dialog manager built from a template
// in memory. It lists the host's print destinations as radio buttons (the default one chosen, a
// stopped or offline printer marked so, its name as it is) and "Save as PDF" (chosen when there is
// no default or the print system cannot be reached). Enter prints to the chosen one; Escape
// cancels.
#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gdi/gdi_internal.h"
#include "host/host.h"
#include "host/printers.h"
#include "user/dialog_template.h"

namespace {

constexpr int kFirstDestinationId = 100;
constexpr size_t kMostPrinters = 12;  // and the PDF file: the dialog stays on an 800 x 600 screen

// Dialog units of the layout (the system font makes one unit two pixels each way).
constexpr short kWidth = 190, kMargin = 7, kRowHeight = 14, kButtonWidth = 50, kButtonHeight = 14;

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
    using tw::user::ButtonClassOrdinal;
    using tw::user::StaticClassOrdinal;
    // Centred on the 800 x 600 screen: 400 x 300 dialog units.
    tw::user::DialogTemplate t(WS_POPUP | WS_BORDER | DS_MODALFRAME | DS_ABSALIGN, 0, short((400 - kWidth) / 2),
                               short((300 - height) / 2), kWidth, height, "Print");
    t.Control(WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kMargin, 7, kWidth - 2 * kMargin, 10, WORD(-1), StaticClassOrdinal(),
              "Print the page on:");
    t.Control(WS_VISIBLE | BS_GROUPBOX | WS_GROUP, kMargin, groupTop, kWidth - 2 * kMargin, groupHeight, WORD(-1),
              ButtonClassOrdinal(), "Printer");
    for (int i = 0; i < choice.count; ++i) {
        DWORD style = WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        t.Control(style, kMargin + 8, short(groupTop + 11 + kRowHeight * i), kWidth - 2 * kMargin - 16, 12,
                  WORD(kFirstDestinationId + i), ButtonClassOrdinal(), Label(list[size_t(i)]));
    }
    if (note)
        t.Control(WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_GROUP, kMargin + 8,
                  short(groupTop + 13 + kRowHeight * choice.count), kWidth - 2 * kMargin - 16, 10, WORD(-1),
                  StaticClassOrdinal(), printers->Unreachable());
    t.Control(WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, short(kWidth - 2 * (kButtonWidth + kMargin)),
              buttonsTop, kButtonWidth, kButtonHeight, IDOK, ButtonClassOrdinal(), "Print");
    t.Control(WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, short(kWidth - kButtonWidth - kMargin), buttonsTop,
              kButtonWidth, kButtonHeight, IDCANCEL, ButtonClassOrdinal(), "Cancel");

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
