// Windows by their public behaviour: creation and destruction with their messages, bad
// handles, geometry with the border, window text and ids, focus and enabling.
#include "api/api_test.h"

using namespace tw::api;

namespace {

class Windows : public ApiTest {
protected:
    void SetUp() override { RegisterTestClasses(); }
};

TEST_F(Windows, CreationSendsNcCreateThenCreateAndFailsWhenCreateSaysSo) {
    const CREATESTRUCTA* seen = nullptr;
    int cx = 0;
    CurrentHandler() = [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT& r) {
        if (m == WM_CREATE) {
            seen = reinterpret_cast<const CREATESTRUCTA*>(l);
            cx = seen->cx;
            r = seen->lpCreateParams ? -1 : 0;
            return true;
        }
        return false;
    };
    HWND ok = CreateWindowExA(0, "testwnd", "x", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(ok, nullptr);
    // WM_NCCREATE first, WM_CREATE after it (Windows sends WM_NCCALCSIZE between the two).
    auto first = CurrentLog().Of(ok);
    ASSERT_GE(first.size(), 2u);
    EXPECT_EQ(first[0], UINT(WM_NCCREATE));
    EXPECT_NE(std::find(first.begin() + 1, first.end(), UINT(WM_CREATE)), first.end());
    EXPECT_EQ(cx, 320);
    RECT r;
    GetWindowRect(ok, &r);
    EXPECT_EQ(r.left, 0);  // CW_USEDEFAULT puts a pop-up at the top-left corner
    EXPECT_EQ(r.top, 0);

    int marker = 1;
    HWND refused =
        CreateWindowExA(0, "TestWnd", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, &marker);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(CurrentLog().messages.back().second, UINT(WM_NCDESTROY));  // the refused window was taken down
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(Noted("CreateWindowExA testwnd"));
}

TEST_F(Windows, DestroySendsDestroyParentFirstAndNcDestroyChildrenFirstThenHandlesDie) {
    HWND top = MakeTop();
    HWND child = MakeChild(top, 1, 0, 0, 10, 10);
    HWND grandchild = MakeChild(child, 2, 0, 0, 5, 5);
    SetTimer(child, 5, 100, nullptr);
    PostMessageA(grandchild, WM_USER, 0, 0);
    CurrentLog() = {};
    EXPECT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> order;
    for (auto& e : CurrentLog().messages)
        if (e.second == WM_DESTROY || e.second == WM_NCDESTROY) order.push_back(e);
    std::vector<std::pair<HWND, UINT>> expected = {{top, WM_DESTROY},         {child, WM_DESTROY},
                                                   {grandchild, WM_DESTROY},  {grandchild, WM_NCDESTROY},
                                                   {child, WM_NCDESTROY},     {top, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    for (HWND h : {top, child, grandchild}) EXPECT_FALSE(IsWindow(h));
    MSG msg;
    Elapse(1000);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(GetFocus());
    EXPECT_TRUE(Noted("DestroyWindow TestWnd"));
}

TEST_F(Windows, BadHandlesFailWithoutCrashing) {
    HWND gone = MakeTop();
    DestroyWindow(gone);
    // Made-up handles stay clear of the reserved ones: (HWND)-1 is HWND_TOPMOST, which Windows
    // takes as a broadcast when posting or sending.
    for (HWND bad : {gone, reinterpret_cast<HWND>(0x12345), reinterpret_cast<HWND>(uintptr_t(0x7ffe1234))}) {
        SCOPED_TRACE(reinterpret_cast<uintptr_t>(bad));
        RECT r{};
        POINT p{};
        PAINTSTRUCT ps{};
        char text[8] = "x";
        EXPECT_FALSE(IsWindow(bad));
        EXPECT_FALSE(DestroyWindow(bad));
        EXPECT_FALSE(ShowWindow(bad, SW_SHOW));
        EXPECT_FALSE(GetClientRect(bad, &r));
        EXPECT_FALSE(ClientToScreen(bad, &p));
        EXPECT_FALSE(InvalidateRect(bad, nullptr, TRUE));
        EXPECT_EQ(BeginPaint(bad, &ps), nullptr);
        EXPECT_EQ(GetDC(bad), nullptr);
        EXPECT_EQ(GetWindowTextA(bad, text, 8), 0);
        EXPECT_EQ(text[0], '\0');
        EXPECT_FALSE(PostMessageA(bad, WM_USER, 0, 0));
        EXPECT_EQ(SendMessageA(bad, WM_USER, 0, 0), 0);
        EXPECT_EQ(SetFocus(bad), nullptr);
        EXPECT_EQ(SetCapture(bad), nullptr);
        EXPECT_FALSE(EnableWindow(bad, FALSE));
        EXPECT_EQ(GetDlgItem(bad, 1), nullptr);
        EXPECT_FALSE(IsIconic(bad));
        EXPECT_FALSE(BringWindowToTop(bad));
    }
    EXPECT_EQ(ReleaseDC(nullptr, reinterpret_cast<HDC>(0x55)), 0);
}

TEST_F(Windows, BorderedPopupHasItsClientAreaInsetByOnePixel) {
    HWND top = MakeTop();
    HWND child = MakeChild(top, 1001, 12, 12, 96, 45);
    RECT r;
    GetClientRect(top, &r);
    EXPECT_EQ(r.right, 798);
    EXPECT_EQ(r.bottom, 598);
    POINT p{0, 0};
    ClientToScreen(top, &p);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 1);
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 13);
    EXPECT_EQ(r.top, 13);
    EXPECT_EQ(r.right, 13 + 96);
    EXPECT_EQ(GetDlgItem(top, 1001), child);
    EXPECT_EQ(GetDlgCtrlID(child), 1001);
    EXPECT_EQ(GetParent(child), top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXDOUBLECLK), 4);

    SetWindowTextA(top, "Tintwell");
    char text[32];
    EXPECT_EQ(GetWindowTextA(top, text, sizeof text), 8);
    EXPECT_STREQ(text, "Tintwell");
    EXPECT_EQ(GetWindowTextA(top, text, 4), 3);
    EXPECT_STREQ(text, "Tin");

    // The first paint draws the border in the window-frame colour round the white client area.
    PumpReady();
    EXPECT_EQ(ScreenPixel(0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(ScreenPixel(799, 300), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(ScreenPixel(1, 1), RGB(255, 255, 255));
}

TEST_F(Windows, FocusMovesWithKillFocusBeforeSetFocusAndDisablingDropsIt) {
    HWND top = MakeTop();
    HWND a = MakeChild(top, 1, 0, 0, 10, 10);
    HWND b = MakeChild(top, 2, 20, 0, 10, 10);
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(GetFocus(), top);
    SetFocus(a);
    CurrentLog() = {};
    EXPECT_EQ(SetFocus(b), a);
    // Windows sends input-method messages around these two.
    std::vector<std::pair<HWND, UINT>> focus;
    for (auto& e : CurrentLog().messages)
        if (e.second == WM_KILLFOCUS || e.second == WM_SETFOCUS) focus.push_back(e);
    ASSERT_EQ(focus.size(), 2u);
    EXPECT_EQ(focus[0], (std::pair<HWND, UINT>{a, WM_KILLFOCUS}));
    EXPECT_EQ(focus[1], (std::pair<HWND, UINT>{b, WM_SETFOCUS}));

    // The children of a disabled window are disabled too, and a disabled window takes no keyboard
    // input: the focus leaves them. (Wine leaves it where it was.)
    EXPECT_FALSE(EnableWindow(top, FALSE));  // was enabled
    EXPECT_EQ(CurrentLog().Count(top, WM_ENABLE), 1);
    if (!OnWine()) {
        EXPECT_EQ(GetFocus(), nullptr);
        EXPECT_EQ(SetFocus(b), nullptr);  // a window under a disabled one cannot take the focus
        EXPECT_EQ(GetFocus(), nullptr);
    }
    EXPECT_TRUE(EnableWindow(top, TRUE));  // was disabled
    EXPECT_TRUE(Noted("EnableWindow TestWnd 0"));
    EXPECT_TRUE(Noted("EnableWindow TestWnd 1"));
}

}  // namespace

namespace {

class ZOrder : public ApiTest {
protected:
    void SetUp() override { RegisterTestClasses(); }
    HWND Owned(HWND owner, int x, int y, DWORD style = WS_POPUP | WS_BORDER | WS_VISIBLE) {
        return CreateWindowExA(0, "TestWnd", "owned", style, x, y, 100, 100, owner, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
    }
    static HWND At(int x, int y) { return WindowFromPoint(POINT{x, y}); }
};

// An owned window is always above its owner, whatever brings the owner forward: the windows it owns
// come along, in their order.
TEST_F(ZOrder, OwnedWindowsStayAboveTheirOwnerWhateverRaisesIt) {
    HWND owner = MakeTop(0, 0, 400, 300);
    HWND dialog = Owned(owner, 50, 50);
    HWND inner = Owned(dialog, 100, 100);  // owned by the owned one, as a nested dialog is
    HWND other = MakeTop(0, 0, 400, 300);  // covers all of them
    PumpReady();
    ASSERT_EQ(At(60, 60), other);
    const std::pair<const char*, std::function<void()>> raises[] = {
        {"BringWindowToTop", [&] { BringWindowToTop(owner); }},
        {"SetWindowPos HWND_TOP", [&] { SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }},
        {"SetForegroundWindow", [&] { SetForegroundWindow(owner); }},
        {"SetWindowPos without activation",
         [&] { SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }},
    };
    for (const auto& [what, raise] : raises) {
        SCOPED_TRACE(what);
        SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        PumpReady();
        ASSERT_EQ(At(60, 60), other);
        raise();
        PumpReady();
        if (OnWine() && std::string(what) == "SetForegroundWindow") {
            // The active window comes to the top of the z-order; Wine without a window manager
            // activates it and leaves the order alone.
            EXPECT_EQ(At(60, 60), other);
            continue;
        }
        EXPECT_EQ(At(60, 60), dialog);
        EXPECT_EQ(At(120, 120), inner);
        EXPECT_EQ(At(10, 10), owner);
    }
    // Sent to the bottom, an owned window stops just above its owner.
    SetWindowPos(dialog, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(At(60, 60), dialog);
    EXPECT_EQ(At(10, 10), owner);
    // Moved by SetWindowPos, it stays in its place in the order.
    SetWindowPos(dialog, nullptr, 200, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(At(210, 20), dialog);
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.right, 300);
}

// Brought forward, a window that waits for a pop-up of its own (disabled while the pop-up is up)
// gives the activation to the pop-up, as a switch to the program does.
TEST_F(ZOrder, RaisingAnOwnerThatWaitsActivatesItsPopup) {
    HWND owner = MakeTop(0, 0, 400, 300);
    HWND popup = Owned(owner, 50, 50);
    EnableWindow(owner, FALSE);
    HWND other = MakeTop(0, 0, 400, 300);
    PumpReady();
    EXPECT_EQ(GetActiveWindow(), other);
    BringWindowToTop(owner);
    PumpReady();
    EXPECT_EQ(At(60, 60), popup);
    // Wine activates the owner itself and gives the focus to a window that takes no input.
    EXPECT_EQ(GetActiveWindow(), OnWine() ? owner : popup);
    EXPECT_EQ(GetFocus(), OnWine() ? owner : popup);
}

// The mouse passes through a group box (created before the controls it frames, so above them)
// and through a label to what lies beneath; a label that asks for clicks (SS_NOTIFY) takes them.
TEST_F(ZOrder, GroupBoxesAndLabelsLetTheMouseThrough) {
    HWND top = MakeTop();
    auto make = [&](const char* cls, DWORD style, int x, int y, int w, int h) {
        return CreateWindowExA(0, cls, "x", WS_CHILD | WS_VISIBLE | style, x, y, w, h, top, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    };
    HWND group = make("Button", BS_GROUPBOX, 10, 10, 200, 100);
    HWND radio = make("Button", BS_AUTORADIOBUTTON, 20, 30, 150, 20);
    HWND label = make("Static", SS_LEFT, 10, 150, 100, 20);
    HWND notify = make("Static", SS_LEFT | SS_NOTIFY, 10, 180, 100, 20);
    PumpReady();
    // The window's client area starts at (1, 1).
    EXPECT_EQ(At(1 + 30, 1 + 40), radio);
    EXPECT_EQ(At(1 + 100, 1 + 80), top);
    EXPECT_EQ(At(1 + 11, 1 + 50), top);  // on the frame itself
    EXPECT_EQ(SendMessageA(group, WM_NCHITTEST, 0, MAKELPARAM(1 + 100, 1 + 80)), HTTRANSPARENT);
    EXPECT_EQ(At(1 + 20, 1 + 160), top);
    EXPECT_EQ(SendMessageA(label, WM_NCHITTEST, 0, MAKELPARAM(1 + 20, 1 + 160)), HTTRANSPARENT);
    EXPECT_EQ(At(1 + 20, 1 + 190), notify);
}

}  // namespace
