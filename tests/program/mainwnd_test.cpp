// The main window's input handling on the page screen: the cursor over the page, the keys that
// do and do not turn pages, input dropped while the BusyFlag is set, the paint that must not
// enable a window a long operation has disabled, and the idle timer.
#include "pages_fixture.h"

namespace tintwell_test {
namespace {

using MainWindow = TintwellRun;

TEST_F(MainWindow, TheEditCursorShowsOverThePageAreaOnly)
{
    Make();
    StartToPageScreen();
    struct {
        int x, y;
        const char* cursor;
    } points[] = {
        {400, 300, "EditCursor"}, {731, 530, "IDC_ARROW"}, {730, 530, "EditCursor"}, {730, 531, "IDC_ARROW"},
        {70, 70, "EditCursor"},   {69, 300, "IDC_ARROW"},  {70, 69, "IDC_ARROW"},    {10, 10, "IDC_ARROW"},
    };
    for (const auto& pt : points) {
        const POINT s = P().Client(pt.x, pt.y);
        P().MoveTo(s.x, s.y);
        EXPECT_EQ(P().CursorName(), pt.cursor) << "at client (" << pt.x << ", " << pt.y << ")";
    }
}

TEST_F(MainWindow, OnlyPageAndArrowKeysUpAndDownTurnPages)
{
    Make();
    StartToPageScreen();
    for (unsigned vk : {unsigned(VK_HOME), unsigned(VK_END), unsigned(VK_LEFT), unsigned(VK_RIGHT), unsigned(VK_SPACE), unsigned(VK_RETURN)}) {
        P().Key(vk);
        P().Wait(200);
        EXPECT_EQ(CurrentPage, 0) << "key " << vk;
    }
    EXPECT_TRUE(PageFileIsShipped(0));  // nothing was left, so nothing was saved
    EXPECT_EQ(PageMismatches(0), 0);

    P().Key(VK_DOWN);
    P().Wait(20);
    EXPECT_EQ(CurrentPage, 1);
    P().Key(VK_UP);
    P().Wait(20);
    EXPECT_EQ(CurrentPage, 0);
}

TEST_F(MainWindow, AKeyPressesItsButtonBeforeTheCommandRuns)
{
    Make();
    StartToPageScreen();
    const DWORD before = P().Ticks();
    P().Key(VK_NEXT);
    P().Wait(20);
    EXPECT_GE(P().Ticks() - before, 125u);
    EXPECT_EQ(CurrentPage, 1);
}

// A held Page Down pages on while it is held, and leaves nothing behind when it is let go: the
// auto-repeats the program could not take in time come as one message with a repeat count, as on
// Windows, so that a Q typed after four seconds of them is answered at once.
TEST_F(MainWindow, AHeldKeyPagesOnAndLeavesNoBacklog)
{
    Make();
    StartToPageScreen();
    tw::host::InputEvent key;
    key.kind = tw::host::InputEvent::Kind::KeyDown;
    key.vk = VK_NEXT;
    P().Schedule(0, key);
    key.repeat = true;
    for (unsigned i = 1; i <= 120; i++)  // 30 a second, the usual rate
        P().Schedule(500 + i * 33, key);
    key.kind = tw::host::InputEvent::Kind::KeyUp;
    P().Schedule(500 + 121 * 33, key);
    const unsigned quitAt = 500 + 121 * 33 + 50;
    P().ScheduleType(quitAt, 'q');
    const uint64_t start = P().Host().PeekMicros();
    P().ClearRecord();
    for (int i = 0; i < 100 && P().Running(); i++)
        P().Wait(500);
    ASSERT_FALSE(P().Running());
    double turns = 0, quit = 0;
    for (const auto& entry : P().Host().RecordTimes()) {
        turns += entry.line.rfind("MoveFileExA", 0) == 0;  // each page turn saves the page left
        if (entry.line == "PostQuitMessage 0")
            quit = entry.Ms();
    }
    EXPECT_GE(turns, 10) << "paging on while the key is held";
    EXPECT_LE(quit - double(start) / 1000.0 - quitAt, 1000.0) << "Q answered so long after it was typed";
}

TEST_F(MainWindow, WhileBusyInputIsDroppedNotDeferred)
{
    Make();
    StartToPageScreen();
    const POINT onPage = P().Client(200, 200);
    P().MoveTo(onPage.x, onPage.y);
    ASSERT_EQ(P().CursorName(), "EditCursor");

    BusyFlag = 1;  // as while a dialog or the print job owns the input
    P().Key(VK_NEXT);
    P().Type('q');
    P().Type('c');
    const POINT next = P().Client(CommandButtons[5].x + 20, CommandButtons[5].y + 20);
    P().Click(next.x, next.y);
    P().Click(onPage.x, onPage.y);
    PostMessageA(P().MainWindow(), WM_COMMAND, CMD_NEXT, 0);
    const POINT outside = P().Client(63, 300);
    P().MoveTo(outside.x, outside.y);
    P().Wait(500);
    EXPECT_TRUE(P().Running());
    EXPECT_EQ(CurrentPage, 0);
    EXPECT_EQ(P().CursorName(), "EditCursor");  // the move was not looked at
    EXPECT_EQ(PageMismatches(0), 0);            // no fill

    BusyFlag = 0;
    P().Wait(500);
    EXPECT_TRUE(P().Running());
    EXPECT_EQ(CurrentPage, 0);
    EXPECT_EQ(PageMismatches(0), 0);
    for (int n = 0; n < 6; n++)
        EXPECT_TRUE(PageFileIsShipped(n));
}

TEST_F(MainWindow, APaintDuringALongOperationLeavesTheWindowDisabled)
{
    Make();
    StartToPageScreen();
    const HWND main = P().MainWindow();

    // A fill or a clear holds the window disabled while its pump may dispatch a paint.
    EnableWindow(main, FALSE);
    InvalidateRect(main, NULL, FALSE);
    P().ClearRecord();
    P().Wait(20);
    EXPECT_EQ(Count("EnableWindow TINTWIN 0"), 1);  // the paint ran
    EXPECT_EQ(Count("EnableWindow TINTWIN 1"), 0);
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_EQ(PageMismatches(0), 0);

    // A paint of an enabled window leaves it enabled.
    EnableWindow(main, TRUE);
    InvalidateRect(main, NULL, FALSE);
    P().ClearRecord();
    P().Wait(20);
    EXPECT_EQ(Count("EnableWindow TINTWIN 1"), 1);
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(MainWindow, TheTimerChangesNothing)
{
    Make();
    StartToPageScreen();
    std::vector<uint32_t> before;
    for (int y = 0; y < 600; y++)
        for (int x = 0; x < 800; x++)
            before.push_back(P().Pixel(x, y));
    P().ClearRecord();
    P().Wait(1000);
    std::vector<uint32_t> after;
    for (int y = 0; y < 600; y++)
        for (int x = 0; x < 800; x++)
            after.push_back(P().Pixel(x, y));
    EXPECT_TRUE(before == after);
    EXPECT_TRUE(P().Record().empty());
    EXPECT_EQ(CurrentPage, 0);
}

}  // namespace
}  // namespace tintwell_test
