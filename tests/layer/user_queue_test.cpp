// The message queue: filters, the order of posted messages, paints and timers, sending,
// quitting, waiting, translating keys, and the cost of an empty PeekMessageA.
#include <gtest/gtest.h>

#include <thread>

#include "user_test_host.h"

using namespace tw::usertest;

namespace {

class Queue : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestClasses(); }
    // Takes the paints that window creation asked for, so tests start from an empty queue.
    void Settle() { Pump(host); }
    TestHost host;
};

TEST_F(Queue, PeekFiltersByWindowIncludingChildrenAndByRangeRemovingOnlyMatches) {
    HWND a = MakeTop(0, 0, 400, 300);
    HWND child = MakeChild(a, 7, 10, 10, 50, 50);
    HWND b = MakeTop(400, 0, 400, 300);
    Settle();
    PostMessageA(b, WM_USER + 1, 0, 0);
    PostMessageA(child, WM_USER + 2, 0, 0);
    PostMessageA(a, WM_USER + 3, 0, 0);
    PostMessageA(nullptr, WM_USER + 4, 0, 0);
    PostMessageA(a, WM_KEYDOWN, 0, 0);

    MSG msg;
    // A window filter takes the window's own messages and its children's, never thread messages.
    ASSERT_TRUE(PeekMessageA(&msg, a, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, child);
    ASSERT_TRUE(PeekMessageA(&msg, a, WM_USER + 3, WM_USER + 4, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 3));
    ASSERT_TRUE(PeekMessageA(&msg, a, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_KEYDOWN));
    EXPECT_FALSE(PeekMessageA(&msg, a, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));

    // Everything not taken is still there, in the order it was posted.
    std::vector<UINT> rest;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) rest.push_back(msg.message);
    EXPECT_EQ(rest, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 4}));

    // A bad window filter finds nothing and breaks nothing.
    EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(0x1234), 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(0x1234), 0, 0), -1);
}

TEST_F(Queue, PaintComesAfterPostedMessagesAndParentsBeforeChildren) {
    HWND top = MakeTop();
    HWND child = MakeChild(top, 1, 10, 10, 50, 50);
    Settle();
    InvalidateRect(child, nullptr, FALSE);
    InvalidateRect(top, nullptr, FALSE);
    PostMessageA(top, WM_USER, 0, 0);

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    EXPECT_EQ(msg.hwnd, top);
    // WM_PAINT stays until the window is validated.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, top);
    DispatchMessageA(&msg);  // DefWindowProcA validates
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    EXPECT_EQ(msg.hwnd, child);
    DispatchMessageA(&msg);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // A filter that leaves WM_PAINT out does not see it.
    InvalidateRect(top, nullptr, FALSE);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
}

TEST_F(Queue, SendMessageRunsTheProcedureAtOnceAndReentrantly) {
    HWND a = MakeTop(0, 0, 100, 100);
    HWND b = MakeTop(100, 0, 100, 100);
    Settle();
    std::vector<std::string> order;
    CurrentHandler() = [&](HWND h, UINT m, WPARAM w, LPARAM, LRESULT& r) {
        if (m != WM_USER) return false;
        order.push_back((h == a ? "a" : "b") + std::to_string(w));
        if (h == a && w == 1) r = 10 + SendMessageA(b, WM_USER, 2, 0);
        else r = 5;
        return true;
    };
    EXPECT_EQ(SendMessageA(a, WM_USER, 1, 0), 15);
    EXPECT_EQ(order, (std::vector<std::string>{"a1", "b2"}));
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(0x777), WM_USER, 0, 0), 0);
}

TEST_F(Queue, PostQuitMessageEndsGetMessageAfterPostedMessagesWithItsCode) {
    HWND top = MakeTop();
    Settle();
    PostMessageA(top, WM_USER, 0, 0);
    PostQuitMessage(42);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, UINT(WM_USER));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(42));
    EXPECT_TRUE(host.Noted("PostQuitMessage 42"));
}

TEST_F(Queue, TimersComeAfterPaintsAtMostOneAtATimeAndGetMessageSleepsUntilDue) {
    HWND top = MakeTop();
    Settle();
    EXPECT_EQ(SetTimer(top, 1, 50, nullptr), UINT_PTR(1));
    EXPECT_TRUE(host.Noted("SetTimer 1 50"));

    MSG msg;
    int waitsBefore = host.waits;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_EQ(msg.wParam, WPARAM(1));
    EXPECT_EQ(host.waits, waitsBefore + 1);  // one sleep to the deadline, no spinning
    EXPECT_EQ(host.lastDeadline, host.now);

    // Many intervals pass: still only one WM_TIMER, and a paint goes first.
    host.Advance(500);
    InvalidateRect(top, nullptr, FALSE);
    for (int i = 0; i < 20; ++i) PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));

    EXPECT_TRUE(KillTimer(top, 1));
    EXPECT_FALSE(KillTimer(top, 1));
    host.Advance(1000);
    for (int i = 0; i < 40; ++i) EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));

    // A timer that cannot be made returns 0; a dead window has no timers.
    host.faults.insert(tw::host::Fault::SetTimer);
    EXPECT_EQ(SetTimer(top, 2, 50, nullptr), UINT_PTR(0));
    EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x999), 3, 50, nullptr), UINT_PTR(0));
}

TEST_F(Queue, TimerProcedureIsCalledByDispatch) {
    static int calls = 0;
    calls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 20, [](HWND, UINT m, UINT_PTR, DWORD) { calls += m == WM_TIMER; });
    ASSERT_NE(id, UINT_PTR(0));
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    DispatchMessageA(&msg);
    EXPECT_EQ(calls, 1);
    KillTimer(nullptr, id);
    // A forged WM_TIMER naming a procedure of no timer calls nothing.
    DispatchMessageA(&msg);
    EXPECT_EQ(calls, 1);
}

TEST_F(Queue, TranslateMessageMakesCharactersBetweenKeyDownAndKeyUp) {
    HWND top = MakeTop();
    Settle();
    std::vector<std::pair<UINT, WPARAM>> got;
    CurrentHandler() = [&](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
        if (m == WM_CHAR || m == WM_SYSCHAR || m == WM_KEYDOWN || m == WM_KEYUP) got.emplace_back(m, w);
        return false;
    };
    host.Key('Q');
    host.KeyDown(VK_SHIFT);
    host.Key('Q');
    host.KeyUp(VK_SHIFT);
    host.Key('7');
    host.Key(VK_RETURN);
    host.Key(VK_ESCAPE);
    host.Key(VK_BACK);
    host.Key(VK_SPACE);
    host.Key(VK_PRIOR);
    Pump(host);
    std::vector<WPARAM> chars;
    for (auto& [m, w] : got)
        if (m == WM_CHAR) chars.push_back(w);
    EXPECT_EQ(chars, (std::vector<WPARAM>{'q', 'Q', '7', 13, 27, 8, ' '}));
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got[0], (std::pair<UINT, WPARAM>{WM_KEYDOWN, 'Q'}));
    EXPECT_EQ(got[1], (std::pair<UINT, WPARAM>{WM_CHAR, 'q'}));
    EXPECT_EQ(got[2], (std::pair<UINT, WPARAM>{WM_KEYUP, 'Q'}));
    (void)top;
}

TEST_F(Queue, KeyMessagesCarryRepeatAltAndScanBits) {
    HWND top = MakeTop();
    Settle();
    std::vector<std::pair<UINT, LPARAM>> keys;
    CurrentHandler() = [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT&) {
        if (m >= WM_KEYFIRST && m <= WM_KEYLAST) keys.emplace_back(m, l);
        return false;
    };
    host.KeyDown(VK_DOWN);
    host.KeyDown(VK_DOWN, false, true);
    host.KeyUp(VK_DOWN);
    host.KeyDown('X', true);
    Pump(host);
    ASSERT_EQ(keys.size(), 5u);  // down, down (repeat), up, sys down, sys char
    EXPECT_EQ(keys[0].first, UINT(WM_KEYDOWN));
    EXPECT_EQ(keys[0].second & 0xFFFF, 1);
    EXPECT_EQ((keys[0].second >> 16) & 0xFF, 0x50);
    EXPECT_EQ(keys[0].second & (1 << 30), 0);
    EXPECT_NE(keys[1].second & (1 << 30), 0);
    EXPECT_EQ(keys[2].first, UINT(WM_KEYUP));
    EXPECT_NE(DWORD(keys[2].second) & 0x80000000u, 0u);
    EXPECT_EQ(keys[3].first, UINT(WM_SYSKEYDOWN));
    EXPECT_NE(keys[3].second & (1 << 29), 0);
    EXPECT_EQ(keys[4].first, UINT(WM_SYSCHAR));
    (void)top;
}

TEST_F(Queue, AltF4ClosesTheWindowThroughDefWindowProc) {
    HWND top = MakeTop();
    HWND child = MakeChild(top, 3, 0, 0, 20, 20);
    Settle();
    SetFocus(child);
    host.KeyDown(VK_MENU, true);
    host.KeyDown(VK_F4, true);
    Pump(host);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_EQ(CurrentLog().Count(top, WM_SYSCOMMAND), 1);
    EXPECT_EQ(CurrentLog().Count(top, WM_CLOSE), 1);
    EXPECT_EQ(CurrentLog().Count(top, WM_DESTROY), 1);
    EXPECT_TRUE(host.Noted("DestroyWindow TestWnd"));
}

TEST_F(Queue, MessagesFromAnotherThreadArriveThroughTheQueue) {
    HWND top = MakeTop();
    Settle();
    std::thread([&] { PostMessageA(top, WM_USER + 9, 1, 2); }).join();
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_USER + 9));
    EXPECT_EQ(msg.hwnd, top);
}

TEST_F(Queue, AnEmptyPeekRarelyAsksTheHost) {
    MakeTop();
    Settle();
    int reads = host.clockReads, polls = host.polls;
    MSG msg;
    for (int i = 0; i < 16000; ++i) PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    EXPECT_LE(host.clockReads - reads, 1000 + 1);
    // The clock did not move, so the host was not polled again.
    EXPECT_LE(host.polls - polls, 1);
    // Input that arrives is seen within a millisecond of host time.
    host.Advance(1);
    host.Move(5, 5);
    bool seen = false;
    for (int i = 0; i < 20 && !seen; ++i) seen = PeekMessageA(&msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE);
    EXPECT_TRUE(seen);
}

}  // namespace
