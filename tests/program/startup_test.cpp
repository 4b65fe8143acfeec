// Start-up and shutdown of the whole program: the fixed order, the single-instance rule, the
// desktop check, DirectDraw, memory and timer failures, and closing the window.
#include "pages_fixture.h"

#include "support/support.h"

namespace tintwell_test {
namespace {

using tw::host::Fault;
using Startup = TintwellRun;

TEST_F(Startup, StartsAndShutsDownInOrder)
{
    Make();
    StartToPageScreen();
    ExpectInOrder({"RegisterClassA TINTWIN", "CreateWindowExA TINTWIN", "CreatePalette", "WindowIcon TWLIcon 32x32",
                   "DirectDrawCreate",
                   "SetCooperativeLevel 17", "SetDisplayMode 800 600 16", "GlobalAlloc 303600", "GlobalAlloc 303600",
                   "GlobalAlloc 312624", "LoadBitmapA DotPattern", "LoadBitmapA TitleArea", "LoadBitmapA ColorBtnDn",
                   "LoadBitmapA Titles", "ShowWindow TINTWIN 10", "SetTimer 1 50"});
    EXPECT_TRUE(P().Host().DisplayModeSet());
    EXPECT_EQ(P().Host().DisplayBpp(), 16);
    EXPECT_EQ(P().CursorName(), "EditCursor");

    P().ClearRecord();
    P().AltF4();
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    ExpectInOrder({"DestroyWindow TINTWIN", "KillTimer 1", "DestroyCursor EditCursor", "DeleteObject bitmap DotPattern",
                   "DeleteObject bitmap TitleArea", "DeleteObject bitmap QuitBtn", "DeleteObject bitmap DownBtn",
                   "DeleteObject bitmap QuitBtnDn", "DeleteObject bitmap DownBtnDn", "GlobalFree 303600",
                   "GlobalFree 303600", "GlobalFree 312624", "DeleteObject palette", "RestoreDisplayMode", "Release",
                   "PostQuitMessage 0"});
    EXPECT_EQ(Count("GlobalFree 303600"), 2);
    EXPECT_EQ(Count("GlobalFree 312624"), 1);
    EXPECT_EQ(Count("DeleteObject palette"), 1);
    EXPECT_FALSE(P().Host().DisplayModeSet());
    // Closing the window keeps the page on the screen, as Quit does, and only that one.
    EXPECT_FALSE(PageFileIsShipped(0));
    for (int n = 1; n < 6; n++)
        EXPECT_TRUE(PageFileIsShipped(n)) << "Alt+F4 saved page " << n;
}

TEST_F(Startup, ASecondCopyRaisesTheFirstAndLeaves)
{
    Make();
    P().Host().AddOtherInstance("TINTWIN", true);
    P().Start();
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), -1);
    ExpectInOrder({"RaiseInstance TINTWIN", "RestoreInstance TINTWIN"});
    EXPECT_EQ(Count("RegisterClassA TINTWIN"), 0);
    EXPECT_EQ(Count("CreateWindowExA TINTWIN"), 0);
    EXPECT_FALSE(P().Host().DisplayModeSet());
    EXPECT_TRUE(P().BoxesSeen().empty());
}

TEST_F(Startup, ASecondCopyLeavesAnOpenFirstCopyAsItIs)
{
    Make();
    P().Host().AddOtherInstance("TINTWIN", false);
    P().Start();
    EXPECT_EQ(P().ExitCode(), -1);
    EXPECT_EQ(Count("RaiseInstance TINTWIN"), 1);
    EXPECT_EQ(Count("RestoreInstance TINTWIN"), 0);
}

TEST_F(Startup, ASmallDesktopIsRefused)
{
    tw::test::ProgramOptions options;
    options.desktopWidth = 640;
    options.desktopHeight = 480;
    Make({}, options);
    P().Start();
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text,
              "This program is designed to run full-screen at 800x600 resolution.  Change your display to this "
              "setting and then restart the program.");
    EXPECT_EQ(P().Box()->caption, "Video Display Message");
    EXPECT_EQ(P().Box()->type, unsigned(MB_OK));
    P().Answer(IDOK);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_EQ(Count("SetDisplayMode 800 600 16"), 0);
    const std::vector<std::string> allocations = P().Record("GlobalAlloc");
    EXPECT_TRUE(allocations.empty());
}

TEST_F(Startup, WithoutDirectDrawItRunsInTheDesktopMode)
{
    Make();
    P().Fail(Fault::DirectDrawCreate);
    StartToPageScreen();
    EXPECT_FALSE(P().Host().DisplayModeSet());
    EXPECT_EQ(Count("SetDisplayMode 800 600 16"), 0);
    ExpectPageShown(0);
    P().AltF4();
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_EQ(Count("RestoreDisplayMode"), 0);
}

TEST_F(Startup, ARefusedModeSwitchIsStillPutBack)
{
    Make();
    P().Fail(Fault::SetDisplayMode);
    StartToPageScreen();
    EXPECT_FALSE(P().Host().DisplayModeSet());
    P().AltF4();
    EXPECT_GE(Count("RestoreDisplayMode"), 1);
}

TEST_F(Startup, NoMemoryAsksAgainAndRetryGoesOn)
{
    Make();
    P().Fail(Fault::GlobalAlloc, 2);
    P().Start();
    for (int i = 0; i < 2; i++) {
        ASSERT_TRUE(P().Box());
        EXPECT_EQ(P().Box()->text, "There is not enough memory to play this game.");
        EXPECT_EQ(P().Box()->caption, "Error");
        EXPECT_EQ(P().Box()->type, unsigned(MB_RETRYCANCEL));
        P().Answer(IDRETRY);
    }
    PassTitleScreen();
    P().Wait(50);
    EXPECT_TRUE(P().Running());
    EXPECT_EQ(ScreenState, SCREEN_RUNNING);
    ExpectPageShown(0);
}

TEST_F(Startup, CancelOnTheFirstBlockAssertsAndEnds)
{
    Make();
    P().Fail(Fault::GlobalAlloc, 1);
    P().Start();
    ASSERT_TRUE(P().Box());
    P().Answer(IDCANCEL);
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, "at line 20 in file Gmem: \"lpDib\": OK to continue.");
    EXPECT_EQ(P().Box()->caption, "ASSERTION FAILURE");
    EXPECT_EQ(P().Box()->type, unsigned(MB_OKCANCEL | MB_ICONERROR | MB_TASKMODAL));
    P().Answer(IDCANCEL);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_TRUE(P().Record("GlobalFree").empty());
    EXPECT_GE(Count("RestoreDisplayMode"), 1);  // the window went, and shutdown with it
}

TEST_F(Startup, ABlockFreedByShutdownIsNotFreedAgain)
{
    // The second block fails: the assertion's Cancel shuts down (freeing the first block) before
    // the allocation's own clean-up runs.
    Make();
    P().Fail(Fault::GlobalAlloc, 1, 1);
    P().Start();
    ASSERT_TRUE(P().Box());
    P().Answer(IDCANCEL);
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, "at line 26 in file Gmem: \"lpDibClear\": OK to continue.");
    P().Answer(IDCANCEL);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_EQ(P().Record("GlobalFree"), std::vector<std::string>{"GlobalFree 303600"});
    // The pointer went with its block, so the clean-up after the box had nothing left to free.
    EXPECT_EQ(lpDib, nullptr);
    EXPECT_EQ(lpDibClear, nullptr);
}

TEST_F(Startup, OkOnTheAssertionReleasesTheBlocksOnceAndEnds)
{
    Make();
    P().Fail(Fault::GlobalAlloc, 1, 1);
    P().Start();
    P().Answer(IDCANCEL);
    ASSERT_TRUE(P().Box());
    P().Answer(IDOK);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_EQ(P().Record("GlobalFree"), std::vector<std::string>{"GlobalFree 303600"});
}

TEST_F(Startup, NoTimerMeansNoProgram)
{
    Make();
    P().Fail(Fault::SetTimer);
    P().Start();
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, "Could not start timer.");
    EXPECT_EQ(P().Box()->caption, "Start Up");
    EXPECT_EQ(P().Box()->type, unsigned(MB_ICONWARNING));
    // The box's own loop has painted the backdrop and opened the title screen, the newer window,
    // above the box; the program ends once the user has closed both.
    ASSERT_NE(P().Dialog(), nullptr);
    P().ClickItem(IDOK);
    EXPECT_TRUE(P().Running());
    P().Answer(IDOK);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_EQ(Count("GlobalFree 303600"), 2);
    EXPECT_GE(Count("RestoreDisplayMode"), 1);
}

}  // namespace
}  // namespace tintwell_test
