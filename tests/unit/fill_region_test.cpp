// The region fill on page buffers: what it colours, what stops it, its pacing, and how it ends
// when no node can be allocated.
#include "fill_fixture.h"

namespace {

using tooltest::NodeCounter;

class FillRegionTest : public tooltest::PageTest {};

TEST_F(FillRegionTest, OutlineFreePageFillsEveryPixelAtMost501PointsPer10ms) {
    NodeCounter counter;
    const uint64_t start = host.PeekMicros();
    FillRegion(330, 230, 5);
    EXPECT_EQ(Count(5), 303600);
    // Every pixel is queued once, the start point twice; all nodes are given back.
    EXPECT_EQ(counter.allocated, 303601);
    EXPECT_EQ(counter.freed, 303601);
    // 303,601 points in frames of 501, each at least 10 ms after the one before.
    EXPECT_GE(host.PeekMicros() - start, 605u * 10000u - 1000u);  // ticks are whole milliseconds
    EXPECT_EQ(bLoopSound, 1);
}

TEST_F(FillRegionTest, OneKindOfPixelStopsTheFloodOutlineAndFillColour) {
    // A one-pixel diagonal outline from (0, 200) to (200, 0): pixels touching only at corners
    // must not let the flood through.
    for (LONG i = 0; i <= 200; i++) At(i, 200 - i) = 0;
    // Inside the triangle: crayon 1 (drawn black, like outlines), other crayons and paper.
    for (LONG y = 10; y < 40; y++)
        for (LONG x = 10; x < 40; x++) At(x, y) = 1;
    for (LONG x = 50; x < 120; x++) At(x, 20) = 17;
    At(3, 3) = 36;
    // A wall of the fill colour across the page's right part holds the flood too.
    for (LONG y = 0; y < kHeight; y++) At(500, y) = 5;
    At(600, 100) = 9;

    FillRegion(0, 0, 5);

    for (LONG y = 0; y < kHeight; y++)
        for (LONG x = 0; x < kWidth; x++) {
            const BYTE b = At(x, y);
            if (x + y == 200 && x <= 200) {
                ASSERT_EQ(b, 0) << x << "," << y;
            } else if (x + y < 200) {
                ASSERT_EQ(b, 5) << "inside the diagonal at " << x << "," << y;
            } else if (x == 500) {
                ASSERT_EQ(b, 5);
            } else if (x > 500) {
                ASSERT_EQ(b, (x == 600 && y == 100) ? 9 : PAPER_INDEX) << "past the wall at " << x << "," << y;
            } else {
                ASSERT_EQ(b, PAPER_INDEX) << "past the diagonal at " << x << "," << y;
            }
        }
}

TEST_F(FillRegionTest, RecoloursAMixedRegionFromAnyOfItsColours) {
    Box(100, 100, 200, 150);
    for (LONG y = 101; y < 150; y++)
        for (LONG x = 101; x < 200; x++) At(x, y) = BYTE(1 + (x + 3 * y) % 36);
    // The clicked pixel's colour does not limit the flood: everything enclosed becomes 12,
    // except pixels that already were 12, which stay 12 anyway.
    const BYTE clicked = At(150, 120);
    ASSERT_NE(clicked, 12);
    FillRegion(150, 120, 12);
    for (LONG y = 101; y < 150; y++)
        for (LONG x = 101; x < 200; x++) ASSERT_EQ(At(x, y), 12) << x << "," << y;
    EXPECT_EQ(Count(0), 2 * 101 + 2 * 49);
    EXPECT_EQ(Count(12), 99 * 49);
    EXPECT_EQ(Count(PAPER_INDEX), long(kPixels) - 2 * 101 - 2 * 49 - 99 * 49);
}

TEST_F(FillRegionTest, StartPixelWithNoQualifyingNeighbourKeepsItsValue) {
    // A single pixel walled in by outlines, and one walled in at the page's corner.
    At(300, 299) = At(300, 301) = At(299, 300) = At(301, 300) = 0;
    At(1, 0) = At(0, 1) = 0;
    At(0, 0) = 8;
    std::vector<BYTE> before = page;
    NodeCounter counter;
    FillRegion(300, 300, 5);
    FillRegion(0, 0, 5);
    EXPECT_EQ(page, before);
    EXPECT_EQ(counter.allocated, 2);
    EXPECT_EQ(counter.freed, 2);

    // Two pixels: the start pixel is coloured through its neighbour.
    At(301, 300) = PAPER_INDEX;
    At(302, 300) = At(301, 299) = At(301, 301) = 0;
    FillRegion(300, 300, 5);
    EXPECT_EQ(At(300, 300), 5);
    EXPECT_EQ(At(301, 300), 5);
    EXPECT_EQ(Count(5), 2);
}

TEST_F(FillRegionTest, SmallFillRedrawsOnlyAtTheEndAndStartsNoLoopSound) {
    Box(20, 20, 40, 40);  // 19 x 19 = 361 pixels inside, 362 points taken
    const uint64_t changes = host.ScreenChanges();
    FillRegion(30, 30, 7);
    EXPECT_EQ(Count(7), 361);
    EXPECT_EQ(bLoopSound, 0);
    EXPECT_GE(host.ScreenChanges(), changes + 1);  // the one redraw at the end
}

TEST_F(FillRegionTest, PacedRedrawsWithinTheFirst450msStartNoLoopSound) {
    Box(0, 0, 100, 40);  // 99 x 39 = 3861 pixels: 7 throttled redraws, 10 ms or more apart
    FillRegion(5, 5, 3);
    EXPECT_EQ(Count(3), 3861);
    EXPECT_GE(dwNow - (dwLoopDue - 450), 70u);
    EXPECT_EQ(bLoopSound, 0);
}

TEST_F(FillRegionTest, FailedNodeAllocationEndsTheFillKeepingWhatIsColoured) {
    NodeCounter counter;
    counter.budget = 5000;
    FillRegion(330, 230, 5);
    const long coloured = Count(5);
    EXPECT_GT(coloured, 1000);
    EXPECT_LE(coloured, 5000);
    EXPECT_EQ(Count(5) + Count(PAPER_INDEX), long(kPixels));
    EXPECT_EQ(counter.allocated, counter.freed);

    // The seed itself cannot be queued: nothing is coloured, nothing is left over.
    counter.budget = 0;
    FillRegion(10, 10, 6);
    EXPECT_EQ(Count(6), 0);

    // Memory back: a later fill finishes the page.
    counter.budget = -1;
    FillRegion(10, 10, 6);
    EXPECT_EQ(Count(6), long(kPixels));
    EXPECT_EQ(counter.allocated, counter.freed);
}

LRESULT CALLBACK DropPageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) lpDib = nullptr;  // as when the page buffers are freed
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(FillRegionTest, QuitMessageTakenByThePumpEndsTheFillAndStaysForTheMainLoop) {
    PostQuitMessage(7);
    FillRegion(330, 230, 5);
    EXPECT_GT(Count(5), 0);
    EXPECT_LT(Count(5), 10);  // stopped after the first point
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(FillRegionTest, PageBufferGoingAwayDuringTheFillEndsIt) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DropPageProc;
    wc.lpszClassName = "DropPage";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "DropPage", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    Pump();
    NodeCounter counter;
    PostMessageA(hwnd, WM_USER, 0, 0);
    FillRegion(330, 230, 5);
    EXPECT_EQ(lpDib, nullptr);
    EXPECT_LT(Count(5), 10);  // nothing written once the page was gone
    EXPECT_EQ(counter.allocated, counter.freed);
    DestroyWindow(hwnd);
}

}  // namespace
