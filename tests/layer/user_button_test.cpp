// The "button" class: owner-drawn buttons ask their parent to draw them with the right state,
// click only on a release inside, report double clicks, and take the focus.
#include <gtest/gtest.h>

#include "user_test_host.h"

using namespace tw::usertest;

namespace {

struct Draw {
    UINT id, action, state;
    HWND item;
    RECT rc;
};

class Buttons : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        CurrentHandler() = [this](HWND, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
            if (m == WM_DRAWITEM) {
                auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
                EXPECT_EQ(dis->CtlType, UINT(ODT_BUTTON));
                EXPECT_NE(dis->hDC, nullptr);
                draws.push_back(Draw{dis->CtlID, dis->itemAction, dis->itemState, dis->hwndItem, dis->rcItem});
                r = TRUE;
                return true;
            }
            if (m == WM_COMMAND) {
                commands.emplace_back(w, l);
                return true;
            }
            return false;
        };
        main = MakeTop();
        button = CreateWindowExA(0, "BUTTON", "", 0x5000000B, 100, 100, 45, 45, main,
                                 reinterpret_cast<HMENU>(2001), nullptr, nullptr);
        Pump(host);
    }
    UINT LastState() const { return draws.empty() ? 0xFFFF : draws.back().state; }
    TestHost host;
    HWND main = nullptr, button = nullptr;
    std::vector<Draw> draws;
    std::vector<std::pair<WPARAM, LPARAM>> commands;
};

TEST_F(Buttons, PaintAsksTheParentToDrawTheWholeButton) {
    ASSERT_NE(button, nullptr);
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(draws.back().id, 2001u);
    EXPECT_EQ(draws.back().action, UINT(ODA_DRAWENTIRE));
    EXPECT_EQ(draws.back().item, button);
    EXPECT_EQ(draws.back().rc.right, 45);
    EXPECT_EQ(draws.back().rc.bottom, 45);
    EXPECT_EQ(LastState(), 0u);
}

TEST_F(Buttons, PressedWhileHeldClickedOnReleaseInsideOnly) {
    // Screen point of the button's centre: the border puts the client at (1, 1).
    host.Down(123, 123);
    Pump(host);
    EXPECT_EQ(GetCapture(), button);
    EXPECT_EQ(GetFocus(), button);
    EXPECT_TRUE(LastState() & ODS_SELECTED);
    EXPECT_TRUE(LastState() & ODS_FOCUS);
    EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);

    // Dragged out it comes up; back in it goes down again.
    host.Move(300, 300);
    Pump(host);
    EXPECT_FALSE(LastState() & ODS_SELECTED);
    host.Move(120, 120);
    Pump(host);
    EXPECT_TRUE(LastState() & ODS_SELECTED);
    host.Up(120, 120);
    Pump(host);
    EXPECT_FALSE(LastState() & ODS_SELECTED);
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].first, MAKEWPARAM(2001, BN_CLICKED));
    EXPECT_EQ(commands[0].second, reinterpret_cast<LPARAM>(button));

    // Released outside: no click.
    host.Advance(1000);
    host.Down(123, 123);
    host.Up(400, 400);
    Pump(host);
    EXPECT_EQ(commands.size(), 1u);
    EXPECT_FALSE(LastState() & ODS_SELECTED);
}

TEST_F(Buttons, DoubleClickSendsDoubleClickedAndNothingElse) {
    host.Click(123, 123);
    host.Click(123, 123);
    Pump(host);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].first, MAKEWPARAM(2001, BN_CLICKED));
    EXPECT_EQ(commands[1].first, MAKEWPARAM(2001, BN_DOUBLECLICKED));
    EXPECT_FALSE(LastState() & ODS_SELECTED);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Buttons, SetStateRedrawsOnlyOnChangeAndFocusShowsInTheState) {
    size_t before = draws.size();
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    ASSERT_EQ(draws.size(), before + 1);
    EXPECT_EQ(draws.back().action, UINT(ODA_SELECT));
    EXPECT_EQ(draws.back().state, UINT(ODS_SELECTED));
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(draws.size(), before + 1);
    SendMessageA(button, BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(draws.back().state, 0u);

    SetFocus(button);
    EXPECT_EQ(draws.back().action, UINT(ODA_FOCUS));
    EXPECT_EQ(draws.back().state, UINT(ODS_FOCUS));
    SetFocus(main);
    EXPECT_EQ(draws.back().action, UINT(ODA_FOCUS));
    EXPECT_EQ(draws.back().state, 0u);
}

TEST_F(Buttons, SpaceBarClicksTheFocusedButton) {
    SetFocus(button);
    host.KeyDown(VK_SPACE);
    Pump(host);
    EXPECT_TRUE(LastState() & ODS_SELECTED);
    EXPECT_TRUE(commands.empty());
    host.KeyUp(VK_SPACE);
    Pump(host);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].first, MAKEWPARAM(2001, BN_CLICKED));
}

TEST_F(Buttons, ClickOnAButtonOfADisabledParentDoesNothing) {
    EnableWindow(main, FALSE);
    host.Click(123, 123);
    Pump(host);
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Buttons, PushButtonsDrawThemselvesAndKeepTheirFont) {
    HWND push = CreateWindowExA(0, "button", "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 300, 300, 75, 23, main,
                                reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
    size_t before = draws.size();
    Pump(host);
    EXPECT_EQ(draws.size(), before);  // not owner-drawn: the parent is not asked
    EXPECT_EQ(host.screen.At(301 + 37, 301), 0u);  // the default button's black frame
    EXPECT_EQ(host.screen.At(301 + 5, 301 + 10), 0xC0C0C0u);
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    SendMessageA(push, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_EQ(SendMessageA(push, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
    // Enter is the dialog manager's: outside a dialog a push button does not click itself.
    SetFocus(push);
    host.Key(VK_RETURN);
    Pump(host);
    EXPECT_TRUE(commands.empty());
    host.Key(VK_SPACE);
    Pump(host);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].first, MAKEWPARAM(IDOK, BN_CLICKED));
    DestroyWindow(push);
    DeleteObject(font);
}

// An automatic radio button unchecks the others of its group, and only those; clicked while
// disabled (the walk through the group never comes back to it) it still ends.
TEST_F(Buttons, AutomaticRadioButtonsUncheckTheirGroup) {
    auto radio = [&](int id, DWORD extra) {
        return CreateWindowExA(0, "Button", "r", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | extra, 10, 20 * id, 80,
                               16, main, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
    };
    HWND a = radio(1, WS_GROUP), b = radio(2, 0), c = radio(3, 0), other = radio(4, WS_GROUP);
    SendMessageA(other, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(b, BM_CLICK, 0, 0);
    SendMessageA(a, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(a, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(other, BM_GETCHECK, 0, 0), BST_CHECKED) << "another group";
    EnableWindow(c, FALSE);
    SendMessageA(c, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

}  // namespace
