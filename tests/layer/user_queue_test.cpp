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
