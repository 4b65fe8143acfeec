// Modal dialogs from in-memory templates: the loop and its owner, WM_INITDIALOG and the focus,
// EndDialog, nesting, the dialog keyboard, the colour messages, fonts and radio buttons.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "user/dialog_template.h"
#include "user_test_host.h"

using namespace tw::usertest;

namespace {

struct Item {
    int x, y, cx, cy, id;
    DWORD style;
    const char* cls;
    const char* text;
};

// A template of visible controls at (10, 20), in the builder that USER and the print dialog use.
class Template {
public:
    Template(int cx, int cy, std::vector<Item> items)
        : t_(WS_POPUP | WS_BORDER, 0, 10, 20, short(cx), short(cy)) {
        for (const Item& it : items)
            t_.Control(it.style | WS_CHILD | WS_VISIBLE, short(it.x), short(it.y), short(it.cx), short(it.cy),
                       WORD(it.id), it.cls, it.text);
    }
    LPCDLGTEMPLATEA Get() const { return t_.Get(); }

private:
    mutable tw::user::DialogTemplate t_;
};

// Infoish: three push buttons (the first the default one) and a static text.
const Template kButtons(95, 78, {{5, 56, 85, 14, IDOK, BS_DEFPUSHBUTTON, "BUTTON", "&Done"},
                                 {5, 10, 85, 14, 110, BS_PUSHBUTTON, "button", "&About"},
                                 {5, 30, 85, 14, 111, BS_PUSHBUTTON, "Button", "&Printing Options"},
                                 {5, 45, 85, 9, 120, SS_CENTER, "STATIC", "text"}});
// Three plain radio buttons in a group box, and OK.
const Template kRadios(146, 112, {{23, 22, 105, 12, 112, BS_RADIOBUTTON, "BUTTON", "&Default"},
                                  {23, 39, 105, 12, 113, BS_RADIOBUTTON, "BUTTON", "&Alternate 1"},
                                  {23, 56, 105, 12, 114, BS_RADIOBUTTON, "BUTTON", "Alternate &2"},
                                  {11, 9, 124, 68, 2500, BS_GROUPBOX, "button", "Options"},
                                  {55, 89, 42, 14, IDOK, BS_DEFPUSHBUTTON, "BUTTON", "&OK"}});

// What the dialog procedures saw, and what the test does each time the dialog's loop waits.
struct Script {
    std::vector<std::pair<HWND, WPARAM>> commands;
    std::deque<std::function<void()>> steps;
    // Answers first when it has an answer.
    std::function<std::optional<INT_PTR>(HWND, UINT, WPARAM, LPARAM)> extra;
    HBRUSH brush = nullptr;
};
Script* script = nullptr;

INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (script->extra)
        if (std::optional<INT_PTR> r = script->extra(hwnd, msg, wParam, lParam)) return *r;
    switch (msg) {
    case WM_INITDIALOG: return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: return reinterpret_cast<INT_PTR>(script->brush);
    case WM_COMMAND:
        script->commands.emplace_back(hwnd, wParam);
        if (wParam == IDOK || wParam == IDCANCEL) EndDialog(hwnd, static_cast<INT_PTR>(wParam) + 40);
        return TRUE;
    default: return FALSE;
    }
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        script = &s;
        main = MakeTop();
        Pump(host);
        host.onIdle = [this] {
            if (s.steps.empty()) {
                host.Key(VK_ESCAPE);  // nothing more to do: leave the dialog
                return;
            }
            auto step = s.steps.front();
            s.steps.pop_front();
            step();
        };
    }
    void TearDown() override { script = nullptr; }
    INT_PTR Run(const Template& t, HWND owner) { return DialogBoxIndirectParamA(nullptr, t.Get(), owner, Proc, 0); }
    HWND Dlg() { return GetParent(GetFocus()); }
    TestHost host;
    Script s;
    HWND main = nullptr;
};

TEST_F(Dialogs, ModalLoopOwnerGeometryAndEnd) {
    EXPECT_EQ(GetDialogBaseUnits(), MAKELONG(8, 16));
    HWND dlg = nullptr;
    s.steps.push_back([&] {
        dlg = Dlg();
        EXPECT_FALSE(IsWindowEnabled(main));
        EXPECT_TRUE(IsWindowVisible(dlg));
        // Client area from the template in dialog units (two pixels each), the border on top.
        RECT rc, client, item;
        GetWindowRect(dlg, &rc);
        GetClientRect(dlg, &client);
        EXPECT_EQ(client.right, 190);
        EXPECT_EQ(client.bottom, 156);
        EXPECT_EQ(rc.right - rc.left, 192);
        // Placed relative to the owner's client area, which starts at (1, 1).
        EXPECT_EQ(rc.left, 1 + 20);
        EXPECT_EQ(rc.top, 1 + 40);
        GetWindowRect(GetDlgItem(dlg, 110), &item);
        EXPECT_EQ(item.left - rc.left - 1, 10);
        EXPECT_EQ(item.top - rc.top - 1, 20);
        EXPECT_EQ(item.right - item.left, 170);
        // The focus is on the first control that takes it.
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDOK));
        MoveWindow(dlg, 300, 200, 192, 158, TRUE);
        GetWindowRect(GetDlgItem(dlg, 110), &item);
        EXPECT_EQ(item.left, 300 + 1 + 10);
        host.Key(VK_RETURN);
    });
    EXPECT_EQ(Run(kButtons, main), IDOK + 40);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(s.commands.size(), 1u);
}

TEST_F(Dialogs, Keyboard) {
    struct Row {
        const char* what;
        std::function<void(TestHost&, HWND)> keys;
        std::vector<WPARAM> commands;  // what the procedure hears, Escape's 2 last
        int focusId;                   // where the focus is before Escape
    };
    const Row rows[] = {
        {"Enter: the default button", [](TestHost& h, HWND) { h.Key(VK_RETURN); }, {IDOK}, 0},
        // The dialog manager moves the default look (and Enter) to a push button it gives the
        // focus; SetFocus alone does not.
        {"Enter: the push button given the focus",
         [](TestHost& h, HWND d) {
             SendMessageA(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(d, 111)), TRUE);
             h.Key(VK_RETURN);
         },
         {111, IDCANCEL}, 111},
        {"Enter after SetFocus: the default button",
         [](TestHost& h, HWND d) {
             SetFocus(GetDlgItem(d, 111));
             h.Key(VK_RETURN);
         },
         {IDOK}, 0},
        {"Escape", [](TestHost& h, HWND) { h.Key(VK_ESCAPE); }, {IDCANCEL}, 0},
        {"mnemonic", [](TestHost& h, HWND) { h.Key('A'); }, {110, IDCANCEL}, 110},
        {"mnemonic with Alt", [](TestHost& h, HWND) { h.Key('P', true); }, {111, IDCANCEL}, 111},
        // Without tab stops the Tab key has nowhere to go.
        {"Tab", [](TestHost& h, HWND) { h.Key(VK_TAB); }, {IDCANCEL}, IDOK},
        {"arrows wrap", [](TestHost& h, HWND) { h.Key(VK_UP); }, {IDCANCEL}, 111},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        s.commands.clear();
        int focusId = -1;
        s.steps.push_back([&] { row.keys(host, Dlg()); });
        s.steps.push_back([&] {
            focusId = GetDlgCtrlID(GetFocus());
            host.Key(VK_ESCAPE);
        });
        Run(kButtons, main);
        s.steps.clear();
        std::vector<WPARAM> heard;
        for (auto& c : s.commands) heard.push_back(c.second);
        EXPECT_EQ(heard, row.commands);
        if (row.focusId) {
            EXPECT_EQ(focusId, row.focusId);
        }
    }
}

// The print dialog's shape: two destinations, Print (the default) and Cancel. Wherever the
// mouse or the keys put the focus, the frame of the default look is on the button Enter presses.
TEST_F(Dialogs, TheDefaultLookFollowsTheFocusToWhatEnterPresses) {
    const Template t(150, 80, {{10, 10, 100, 12, 11, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, "BUTTON", "One"},
                               {10, 26, 100, 12, 12, BS_AUTORADIOBUTTON, "BUTTON", "Two"},
                               {10, 60, 50, 14, IDOK, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, "BUTTON", "Print"},
                               {70, 60, 50, 14, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, "BUTTON", "Cancel"}});
    auto looksDefault = [](HWND dlg, int id) {
        return (SendDlgItemMessageA(dlg, id, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0;
    };
    auto clickOn = [&](HWND dlg, int id) {
        RECT r;
        GetWindowRect(GetDlgItem(dlg, id), &r);
        host.Click(r.left + 5, r.top + 5);
    };
    s.steps.push_back([&] {
        HWND dlg = Dlg();
        EXPECT_TRUE(looksDefault(dlg, IDOK));
        host.Key(VK_TAB);
        host.Key(VK_TAB);
    });
    s.steps.push_back([&] {
        HWND dlg = Dlg();
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDCANCEL);
        EXPECT_TRUE(looksDefault(dlg, IDCANCEL));
        EXPECT_FALSE(looksDefault(dlg, IDOK));
        clickOn(dlg, 12);  // the second destination, under the mouse
    });
    s.steps.push_back([&] {
        HWND dlg = Dlg();
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), 12);
        EXPECT_EQ(IsDlgButtonChecked(dlg, 12), UINT(BST_CHECKED));
        EXPECT_TRUE(looksDefault(dlg, IDOK));
        EXPECT_FALSE(looksDefault(dlg, IDCANCEL));
        host.Key(VK_RETURN);
    });
    EXPECT_EQ(Run(t, main), IDOK + 40);
    std::vector<WPARAM> heard;
    for (auto& c : s.commands) heard.push_back(c.second);
    EXPECT_EQ(heard, (std::vector<WPARAM>{12, IDOK}));
}

TEST_F(Dialogs, NestedDialogsOwnTheirOwner) {
    HWND outer = nullptr, inner = nullptr;
    INT_PTR innerResult = 0;
    s.extra = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM) -> std::optional<INT_PTR> {
        if (msg == WM_COMMAND && wParam == 110) {
            outer = hwnd;
            innerResult = Run(kRadios, hwnd);
            return TRUE;
        }
        return std::nullopt;
    };
    s.steps.push_back([&] { host.Key('A'); });  // opens the inner dialog
    s.steps.push_back([&] {
        inner = Dlg();
        EXPECT_NE(inner, outer);
        EXPECT_EQ(GetParent(inner), outer);
        EXPECT_FALSE(IsWindowEnabled(outer));
        EXPECT_FALSE(IsWindowEnabled(main));
        host.Key(VK_RETURN);  // ends the inner one only
    });
    s.steps.push_back([&] {
        EXPECT_FALSE(IsWindow(inner));
        EXPECT_TRUE(IsWindowEnabled(outer));
        EXPECT_EQ(GetFocus(), GetDlgItem(outer, 110));  // back where it was
        host.Key(VK_ESCAPE);
    });
    EXPECT_EQ(Run(kButtons, main), IDCANCEL + 40);
    EXPECT_EQ(innerResult, IDOK + 40);
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(Dialogs, RadioButtonsColoursAndFonts) {
    s.brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    HFONT font = CreateFontA(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    s.extra = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (msg != WM_INITDIALOG) return std::nullopt;
        CheckRadioButton(hwnd, 112, 114, 113);
        SendDlgItemMessageA(hwnd, 2500, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetFocus(GetDlgItem(hwnd, IDOK));
        return FALSE;  // the procedure placed the focus itself
    };
    s.steps.push_back([&] {
        HWND dlg = Dlg();
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDOK));
        EXPECT_EQ(IsDlgButtonChecked(dlg, 113), UINT(BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dlg, 112), UINT(BST_UNCHECKED));
        EXPECT_EQ(SendDlgItemMessageA(dlg, 2500, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
        // White from WM_CTLCOLORDLG behind the controls and WM_CTLCOLORSTATIC behind a label.
        RECT rc, radio;
        GetWindowRect(dlg, &rc);
        GetWindowRect(GetDlgItem(dlg, 114), &radio);
        EXPECT_EQ(host.screen.At(rc.left + 5, rc.bottom - 5), 0xFFFFFFu);
        EXPECT_EQ(host.screen.At(radio.right - 2, radio.top + 1), 0xFFFFFFu);
        // A plain radio button only reports the click; the procedure checks it.
        host.Click(radio.left + 5, radio.top + 5);
    });
    s.steps.push_back([&] {
        HWND dlg = Dlg();
        EXPECT_EQ(IsDlgButtonChecked(dlg, 114), UINT(BST_UNCHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dlg, 113), UINT(BST_CHECKED));
        // The arrows choose as they move; a group box is passed over.
        SetFocus(GetDlgItem(dlg, 112));
        host.Key(VK_UP);
    });
    s.steps.push_back([&] {
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDOK);
        host.Key(VK_UP);
    });
    s.steps.push_back([&] { host.Key('2'); });
    Run(kRadios, main);
    std::vector<WPARAM> heard;
    for (auto& c : s.commands) heard.push_back(c.second);
    EXPECT_EQ(heard, (std::vector<WPARAM>{114, 114, 114, IDCANCEL}));
    DeleteObject(font);
}

TEST_F(Dialogs, BadArgumentsAndUnknownClasses) {
    const Template unknown(50, 50, {{0, 0, 10, 10, 5, 0, "NoSuchClass", ""}});
    EXPECT_EQ(Run(unknown, main), -1);
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, nullptr, main, Proc, 0), -1);
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, kButtons.Get(), reinterpret_cast<HWND>(0x1234), Proc, 0), -1);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(EndDialog(main, 1));
    EXPECT_EQ(SendDlgItemMessageA(main, 99, BM_GETCHECK, 0, 0), 0);
}

}  // namespace
