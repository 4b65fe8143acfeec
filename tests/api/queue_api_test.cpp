// The message queue by its public behaviour: filters, the order of posted messages and paints,
// sending, quitting, and timer procedures.
#include <string>
#include <vector>

#include "api/api_test.h"

using namespace tw::api;

namespace {

class Queue : public ApiTest {
protected:
    void SetUp() override { RegisterTestClasses(); }
    // Takes the paints that window creation asked for, so tests start from an empty queue.
    void Settle() { PumpReady(); }
};

int g_timerCalls = 0;
void CALLBACK CountTimerCalls(HWND, UINT message, UINT_PTR, DWORD) { g_timerCalls += message == WM_TIMER; }

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
    EXPECT_TRUE(Noted("PostQuitMessage 42"));
}

TEST_F(Queue, TimerProcedureIsCalledByDispatch) {
    g_timerCalls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 20, CountTimerCalls);
    ASSERT_NE(id, UINT_PTR(0));
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    DispatchMessageA(&msg);
    EXPECT_EQ(g_timerCalls, 1);
    KillTimer(nullptr, id);
    // A forged WM_TIMER naming a procedure of no timer calls nothing in our layer; Wine calls it.
    if (OnOurLayer()) {
        DispatchMessageA(&msg);
        EXPECT_EQ(g_timerCalls, 1);
    }
}

}  // namespace
