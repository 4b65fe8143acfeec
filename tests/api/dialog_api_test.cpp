// Dialogs by their public behaviour: what each kind of control answers to WM_GETDLGCODE, the walks
// through a dialog's groups and tab stops, and the default push button. Each test runs a modal
// dialog made by USER's template builder and looks at it from inside its loop.
#include <functional>

#include "api/api_test.h"
#include "user/dialog_template.h"

using namespace tw::api;
using tw::user::ButtonClassOrdinal;
using tw::user::DialogTemplate;
using tw::user::StaticClassOrdinal;

namespace {

std::function<void(HWND)>* g_inside = nullptr;
constexpr UINT kLook = WM_USER + 100;  // past the dialog messages (DM_GETDEFID is WM_USER)

// Runs `inside` once the dialog's loop runs, then ends the dialog.
INT_PTR CALLBACK InsideProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
        PostMessageA(dlg, kLook, 0, 0);
        return TRUE;
    }
    if (msg == kLook) {
        (*g_inside)(dlg);
        EndDialog(dlg, 1);
        return TRUE;
    }
    return FALSE;
}

class DialogApi : public ApiTest {
protected:
    void Run(DialogTemplate& t, std::function<void(HWND)> inside) {
        ran_ = false;
        std::function<void(HWND)> wrapped = [&](HWND dlg) {
            inside(dlg);
            ran_ = true;
        };
        g_inside = &wrapped;
        EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, InsideProc, 0), 1);
        EXPECT_TRUE(ran_);
        g_inside = nullptr;
    }
    static DialogTemplate Blank() { return DialogTemplate(WS_POPUP | WS_BORDER | DS_ABSALIGN, 0, 10, 10, 200, 120); }

private:
    bool ran_ = false;
};

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;

TEST_F(DialogApi, EachKindOfControlSaysWhatItIsToTheDialogManager) {
    const struct {
        const char* what;
        DWORD style;
        LPCSTR cls;
        LRESULT code;
    } rows[] = {
        {"push button", BS_PUSHBUTTON, ButtonClassOrdinal(), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
        {"default push button", BS_DEFPUSHBUTTON, ButtonClassOrdinal(), DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
        {"radio button", BS_RADIOBUTTON, ButtonClassOrdinal(), DLGC_BUTTON | DLGC_RADIOBUTTON},
        {"automatic radio button", BS_AUTORADIOBUTTON, ButtonClassOrdinal(), DLGC_BUTTON | DLGC_RADIOBUTTON},
        {"check box", BS_AUTOCHECKBOX, ButtonClassOrdinal(), DLGC_BUTTON},
        {"owner-drawn button", BS_OWNERDRAW, ButtonClassOrdinal(), DLGC_BUTTON},
        {"group box", BS_GROUPBOX, ButtonClassOrdinal(), DLGC_STATIC},
        {"label", SS_LEFT, StaticClassOrdinal(), DLGC_STATIC},
        {"icon", SS_ICON, StaticClassOrdinal(), DLGC_STATIC},
    };
    DialogTemplate t = Blank();
    WORD id = 100;
    for (const auto& row : rows) t.Control(kShown | row.style, 5, 5, 50, 12, id++, row.cls, "x");
    Run(t, [&](HWND dlg) {
        WORD at = 100;
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            EXPECT_EQ(SendMessageA(GetDlgItem(dlg, at++), WM_GETDLGCODE, 0, 0), row.code);
        }
        EXPECT_EQ(DefWindowProcA(dlg, WM_GETDLGCODE, 0, 0), 0);
    });
}

// The arrow keys' walk stays in a group (from a WS_GROUP control to the next, the controls taken
// as a ring) and passes over hidden and disabled controls; Tab's goes from tab stop to tab stop.
TEST_F(DialogApi, GroupAndTabWalks) {
    DialogTemplate t = Blank();
    t.Control(kShown | SS_LEFT, 5, 5, 90, 10, 10, StaticClassOrdinal(), "Choose:");
    t.Control(kShown | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 5, 20, 90, 12, 11, ButtonClassOrdinal(), "A");
    t.Control(kShown | BS_AUTORADIOBUTTON, 5, 35, 90, 12, 12, ButtonClassOrdinal(), "B");
    t.Control(kShown | WS_DISABLED | BS_AUTORADIOBUTTON, 5, 50, 90, 12, 13, ButtonClassOrdinal(), "C");
    t.Control(kShown | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 5, 80, 50, 14, IDOK, ButtonClassOrdinal(), "OK");
    t.Control(kShown | BS_PUSHBUTTON | WS_TABSTOP, 60, 80, 50, 14, IDCANCEL, ButtonClassOrdinal(), "Cancel");
    Run(t, [&](HWND dlg) {
        auto item = [&](int id) { return GetDlgItem(dlg, id); };
        EXPECT_EQ(GetNextDlgGroupItem(dlg, item(11), FALSE), item(12));
        EXPECT_EQ(GetNextDlgGroupItem(dlg, item(12), FALSE), item(11));  // C is disabled
        EXPECT_EQ(GetNextDlgGroupItem(dlg, item(11), TRUE), item(12));
        EXPECT_EQ(GetNextDlgGroupItem(dlg, item(IDOK), FALSE), item(IDCANCEL));
        EXPECT_EQ(GetNextDlgGroupItem(dlg, item(IDCANCEL), FALSE), item(10));  // round to the first
        EXPECT_EQ(GetNextDlgGroupItem(dlg, item(10), TRUE), item(IDCANCEL));
        EXPECT_EQ(GetNextDlgGroupItem(dlg, nullptr, FALSE), item(10));
        // Without a control to start from, the search starts at the last control going back;
        // Wine finds nothing.
        EXPECT_EQ(GetNextDlgGroupItem(dlg, nullptr, TRUE), OnWine() ? nullptr : item(IDCANCEL));

        EXPECT_EQ(GetNextDlgTabItem(dlg, item(11), FALSE), item(IDOK));
        EXPECT_EQ(GetNextDlgTabItem(dlg, item(IDCANCEL), FALSE), item(11));
        EXPECT_EQ(GetNextDlgTabItem(dlg, item(11), TRUE), item(IDCANCEL));
        EXPECT_EQ(GetNextDlgTabItem(dlg, item(12), FALSE), item(IDOK));  // from a control that is no tab stop
        // Without a control to start from, the search fails; Wine starts at the first.
        EXPECT_EQ(GetNextDlgTabItem(dlg, nullptr, FALSE), OnWine() ? item(11) : nullptr);
        // An automatic radio button clicked unchecks the others of its group.
        SendMessageA(item(11), BM_CLICK, 0, 0);
        SendMessageA(item(12), BM_CLICK, 0, 0);
        EXPECT_EQ(SendMessageA(item(11), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(SendMessageA(item(12), BM_GETCHECK, 0, 0), BST_CHECKED);
    });
}

// The default push button: DM_GETDEFID names it, DM_SETDEFID moves it and its look, and the
// dialog manager lends its look to a push button it gives the focus.
TEST_F(DialogApi, TheDefaultPushButton) {
    DialogTemplate t = Blank();
    t.Control(kShown | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 5, 20, 90, 12, 11, ButtonClassOrdinal(), "A");
    t.Control(kShown | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 5, 80, 50, 14, IDOK, ButtonClassOrdinal(), "OK");
    t.Control(kShown | BS_PUSHBUTTON | WS_TABSTOP, 60, 80, 50, 14, IDCANCEL, ButtonClassOrdinal(), "Cancel");
    Run(t, [&](HWND dlg) {
        auto isDefault = [&](int id) { return (SendMessageA(GetDlgItem(dlg, id), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0; };
        EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
        // The focus on a push button through the dialog manager: it looks like the default one.
        SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, IDCANCEL)), TRUE);
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
        EXPECT_TRUE(isDefault(IDCANCEL));
        EXPECT_FALSE(isDefault(IDOK));
        EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
        // A mouse press moves the focus as the keys do, and the look with it, as the system's
        // dialogs show; Wine's buttons leave the look where it was.
        HWND radio = GetDlgItem(dlg, 11);
        SendMessageA(radio, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageA(radio, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(GetFocus(), radio);
        EXPECT_EQ(isDefault(IDOK), !OnWine());
        EXPECT_EQ(isDefault(IDCANCEL), OnWine());
        // On anything else, the default button looks it again.
        SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, 11)), TRUE);
        EXPECT_TRUE(isDefault(IDOK));
        EXPECT_FALSE(isDefault(IDCANCEL));
        EXPECT_TRUE(SendMessageA(dlg, DM_SETDEFID, IDCANCEL, 0));
        EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(IDCANCEL, DC_HASDEFID));
        EXPECT_TRUE(isDefault(IDCANCEL));
        EXPECT_FALSE(isDefault(IDOK));
    });
    // Without a default push button there is no default id; Wine answers IDOK all the same.
    DialogTemplate none = Blank();
    none.Control(kShown | BS_PUSHBUTTON | WS_TABSTOP, 5, 80, 50, 14, 100, ButtonClassOrdinal(), "Go");
    Run(none, [&](HWND dlg) {
        EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), OnWine() ? MAKELONG(IDOK, DC_HASDEFID) : 0);
    });
}

}  // namespace
