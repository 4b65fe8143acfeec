// Windows: creation and destruction, geometry with the border, focus, enabling, mouse input
// routing with WM_SETCURSOR, painting and clipping, minimising and finding windows.
#include <gtest/gtest.h>

#include <thread>

#include "user_test_host.h"

using namespace tw::usertest;

namespace {

class Windows : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestClasses(); }
    TestHost host;
};

TEST_F(Windows, MouseGoesToTheWindowUnderItInClientCoordinatesAfterSetCursor) {
    HWND top = MakeTop();
    HWND child = MakeChild(top, 1, 100, 100, 50, 50);
    Pump(host);
    std::vector<std::tuple<HWND, UINT, WPARAM, LPARAM>> seen;
    CurrentHandler() = [&](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT&) {
        if (m == WM_SETCURSOR || m == WM_LBUTTONDOWN || m == WM_MOUSEMOVE) seen.emplace_back(h, m, w, l);
        return false;
    };
    host.Down(111, 121);
    Pump(host);
    // The child is asked for the cursor first, passes it to its parent (DefWindowProcA),
    // then the move and the press arrive in the child's coordinates.
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(std::get<0>(seen[0]), child);
    EXPECT_EQ(std::get<1>(seen[0]), UINT(WM_SETCURSOR));
    EXPECT_EQ(LOWORD(std::get<3>(seen[0])), HTCLIENT);
    EXPECT_EQ(HIWORD(std::get<3>(seen[0])), WM_MOUSEMOVE);
    EXPECT_EQ(std::get<0>(seen[1]), top);
    EXPECT_EQ(std::get<1>(seen[1]), UINT(WM_SETCURSOR));
    auto last = seen.back();
    EXPECT_EQ(std::get<0>(last), child);
    EXPECT_EQ(std::get<1>(last), UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(std::get<2>(last), WPARAM(MK_LBUTTON));
    EXPECT_EQ(LOWORD(std::get<3>(last)), 10);
    EXPECT_EQ(HIWORD(std::get<3>(last)), 20);

    // With the capture, input goes to the capturing window wherever the mouse is.
    SetCapture(child);
    seen.clear();
    host.Up(400, 300);
    Pump(host);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(std::get<0>(seen.back()), child);
    ReleaseCapture();
}

TEST_F(Windows, DisabledWindowsGetNoInputAndAClickBeeps) {
    HWND top = MakeTop();
    HWND child = MakeChild(top, 1, 100, 100, 50, 50);
    Pump(host);
    EnableWindow(child, FALSE);
    host.Click(110, 110);
    Pump(host);
    EXPECT_EQ(CurrentLog().Count(child, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(CurrentLog().Count(top, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(host.beeps, 1);

    EnableWindow(child, TRUE);
    EnableWindow(top, FALSE);
    host.Click(110, 110);
    host.Click(300, 300);
    host.Key('A');
    Pump(host);
    EXPECT_EQ(CurrentLog().Count(child, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(CurrentLog().Count(top, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(CurrentLog().Count(top, WM_KEYDOWN), 0);
    EXPECT_EQ(host.beeps, 3);

    EnableWindow(top, TRUE);
    host.Click(300, 300);
    Pump(host);
    EXPECT_EQ(CurrentLog().Count(top, WM_LBUTTONDOWN), 1);
}

TEST_F(Windows, DoubleClicksOnlyForClassesThatAskAndOnlyWhenQuickAndClose) {
    HWND plain = MakeTop(0, 0, 400, 600);
    HWND dbl = MakeTop(400, 0, 400, 600, WS_POPUP | WS_VISIBLE, "TestDbl");
    Pump(host);
    host.Click(100, 100);
    host.Click(100, 100);
    host.Click(500, 100);
    host.Click(501, 101);
    Pump(host);
    host.Advance(600);
    host.Click(500, 100);
    Pump(host);
    host.Advance(100);
    host.Click(500, 100);
    host.Click(510, 100);
    Pump(host);
    EXPECT_EQ(CurrentLog().Count(plain, WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(CurrentLog().Count(plain, WM_LBUTTONDOWN), 2);
    EXPECT_EQ(CurrentLog().Count(dbl, WM_LBUTTONDBLCLK), 2);  // the quick pair, and the pair after the pause
    EXPECT_EQ(CurrentLog().Count(dbl, WM_LBUTTONDOWN), 3);
}

TEST_F(Windows, ChildSetCursorAsksTheParentFirstThenUsesTheClassCursor) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hCursor = LoadCursorA(nullptr, IDC_WAIT);
    wc.lpszClassName = "Cursored";
    RegisterClassA(&wc);
    HWND top = MakeTop();
    HWND child = MakeChild(top, 1, 0, 0, 50, 50, WS_CHILD | WS_VISIBLE, "Cursored");
    bool parentSays = true;
    CurrentHandler() = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (h == top && m == WM_SETCURSOR) {
            r = parentSays;
            return true;
        }
        return false;
    };
    LPARAM lp = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    EXPECT_EQ(SendMessageA(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), lp), TRUE);
    EXPECT_EQ(host.cursor, "");
    parentSays = false;
    EXPECT_EQ(SendMessageA(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), lp), TRUE);
    EXPECT_EQ(host.cursor, "IDC_WAIT");
}

TEST_F(Windows, PaintIsClippedToTheUpdateAreaAndErasesWithTheClassBrush) {
    HWND top = MakeTop(0, 0, 800, 600, WS_POPUP | WS_VISIBLE);
    Pump(host);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    CurrentHandler() = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT&) {
        if (h != top || m != WM_PAINT) return false;
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(h, &ps);
        RECT all{0, 0, 800, 600};
        FillRect(hdc, &all, red);
        EndPaint(h, &ps);
        return true;
    };
    RECT part{10, 10, 20, 20};
    InvalidateRect(top, &part, FALSE);
    RECT upd;
    EXPECT_TRUE(GetUpdateRect(top, &upd, FALSE));
    EXPECT_EQ(upd.right, 20);
    Pump(host);
    EXPECT_EQ(host.screen.At(15, 15), 0xFF0000u);
    EXPECT_EQ(host.screen.At(25, 15), 0xFFFFFFu);
    EXPECT_FALSE(GetUpdateRect(top, &upd, FALSE));

    // Erasing fills with the class brush before the procedure paints.
    CurrentHandler() = nullptr;
    RECT other{100, 100, 110, 110};
    InvalidateRect(top, &other, TRUE);
    Pump(host);
    EXPECT_EQ(host.screen.At(105, 105), 0xFFFFFFu);
    DeleteObject(red);
}

TEST_F(Windows, ParentWithoutClipChildrenDrawsOverChildrenAndInvalidatesThem) {
    HWND top = MakeTop(0, 0, 800, 600, WS_POPUP | WS_VISIBLE);
    HWND child = MakeChild(top, 1, 100, 100, 50, 50);
    Pump(host);
    InvalidateRect(top, nullptr, FALSE);
    RECT upd;
    EXPECT_TRUE(GetUpdateRect(child, &upd, FALSE));

    HDC hdc = GetDC(top);
    RECT all{0, 0, 800, 600};
    FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(top, hdc);
    EXPECT_EQ(host.screen.At(120, 120), 0u);

    HWND clipping = MakeTop(0, 0, 800, 600, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
    MakeChild(clipping, 1, 100, 100, 50, 50);
    Pump(host);
    hdc = GetDC(clipping);
    FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(clipping, hdc);
    EXPECT_EQ(host.screen.At(120, 120), 0xFFFFFFu);
    EXPECT_EQ(host.screen.At(90, 90), 0u);
}

TEST_F(Windows, DCsAreClippedByTopLevelWindowsAboveAndFollowThem) {
    HWND below = MakeTop(0, 0, 800, 600, WS_POPUP | WS_VISIBLE);
    Pump(host);
    HDC held = GetDC(below);
    HWND above = MakeTop(100, 100, 200, 200, WS_POPUP | WS_VISIBLE);
    Pump(host);
    RECT all{0, 0, 800, 600};
    FillRect(held, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(host.screen.At(150, 150), 0xFFFFFFu);  // the window above keeps its pixels
    EXPECT_EQ(host.screen.At(50, 50), 0u);

    // When the window above goes, what it covered is painted again.
    DestroyWindow(above);
    RECT upd;
    EXPECT_TRUE(GetUpdateRect(below, &upd, FALSE));
    EXPECT_EQ(upd.left, 100);
    EXPECT_EQ(upd.right, 300);
    FillRect(held, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(host.screen.At(150, 150), 0u);
    ReleaseDC(below, held);
}

TEST_F(Windows, FindWindowFindsOursThenAnotherProcesssAndPublishesOurClass) {
    HWND top = MakeTop();
    EXPECT_TRUE(host.published.count("TestWnd"));
    EXPECT_EQ(FindWindowA("TESTWND", nullptr), top);
    EXPECT_EQ(FindWindowA("TestWnd", "top"), top);
    EXPECT_EQ(FindWindowA("TestWnd", "other"), nullptr);
    EXPECT_EQ(FindWindowA("TINTWIN", nullptr), nullptr);

    host.remote["TINTWIN"] = tw::host::RemoteWindowOps{true, true};
    HWND remote = FindWindowA("TINTWIN", nullptr);
    ASSERT_NE(remote, nullptr);
    EXPECT_TRUE(IsWindow(remote));
    EXPECT_TRUE(IsIconic(remote));
    EXPECT_TRUE(BringWindowToTop(remote));
    EXPECT_TRUE(ShowWindow(remote, SW_RESTORE));
    EXPECT_FALSE(IsIconic(remote));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"raise TINTWIN", "restore TINTWIN"}));
    EXPECT_EQ(SendMessageA(remote, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(remote));

    // Another process asks about our window through the host.
    ASSERT_NE(host.requests, nullptr);
    ShowWindow(top, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(top));
    EXPECT_TRUE(host.requests->IsIconic());
    host.requests->Restore();
    EXPECT_FALSE(IsIconic(top));
    EXPECT_TRUE(host.Noted("ShowWindow TestWnd 6"));

    DestroyWindow(top);
    EXPECT_FALSE(host.published.count("TestWnd"));
}

TEST_F(Windows, MinimisedWindowsAreNotPaintedAndRestoringRepaintsThem) {
    HWND top = MakeTop();
    Pump(host);
    ShowWindow(top, SW_MINIMIZE);
    InvalidateRect(top, nullptr, TRUE);
    MSG msg;
    host.Advance(5);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(GetFocus(), nullptr);
    ShowWindow(top, SW_RESTORE);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(GetFocus(), top);
}

}  // namespace
