// The Clear command in whole-program runs: only a coloured page is cleared, the wave's length,
// what it leaves on screen, the blank flag, and input during the wave.
#include "fill_pages.h"
#include "screen/screen.h"

namespace {

using namespace tooltest;
using tw::test::Program;

// A page of boxes: two small ones and the open rest.
TestPage BoxPage() {
    TestPage page;
    page.Box(100, 100, 120, 120);
    page.Box(500, 300, 530, 330);
    return page;
}

class ClearRun : public ::testing::Test {
protected:
    PageDir dir;
    Program program{OwnPages(dir)};
    void SetUp() override {
        WritePages(dir.Path(), BoxPage());
        StartToPageScreen(program);
    }
    // Clicks the Clear button; returns the virtual milliseconds the command took.
    DWORD ClickClear() {
        const DWORD before = program.Ticks();
        ClickClient(program, 403 + 40, 12 + 22);
        return program.Ticks() - before;
    }
};

TEST_F(ClearRun, ClearOnABlankPageDoesNothing) {
    ASSERT_TRUE(PageIsBlank(bmfhead));
    EXPECT_LT(ClickClear(), 500u);
    EXPECT_TRUE(PageIsBlank(bmfhead));
    EXPECT_EQ(PagePixel(program, 110, 110), Crayon(PAPER_INDEX));
}

TEST_F(ClearRun, ClearAfterAFillRunsTheWholeWaveThenNotAgain) {
    ClickClient(program, 180, 180);  // small box: colour 2
    ClickClient(program, 580, 380);  // the second box: colour 2
    ASSERT_FALSE(PageIsBlank(bmfhead));

    EXPECT_GE(ClickClear(), 94u * 30u);
    EXPECT_TRUE(PageIsBlank(bmfhead));
    for (int y = 101; y <= 119; y++)
        for (int x = 101; x <= 119; x++) ASSERT_EQ(PagePixel(program, x, y), Crayon(PAPER_INDEX));
    EXPECT_EQ(PagePixel(program, 510, 310), Crayon(PAPER_INDEX));
    EXPECT_EQ(PagePixel(program, 100, 110), Crayon(0));  // outlines stay
    EXPECT_EQ(PagePixel(program, 530, 330), Crayon(0));

    EXPECT_LT(ClickClear(), 500u);  // blank now: nothing to do
    ClickClient(program, 180, 180);
    EXPECT_FALSE(PageIsBlank(bmfhead));
    program.Type('c');  // the key runs the same command
    EXPECT_TRUE(PageIsBlank(bmfhead));
    EXPECT_EQ(PagePixel(program, 110, 110), Crayon(PAPER_INDEX));
}

TEST_F(ClearRun, KeysAndClicksDuringTheWaveHaveNoEffectAfterIt) {
    ClickClient(program, 180, 180);
    const POINT box = program.Client(580, 380);
    program.ScheduleClick(800, box.x, box.y);
    program.ScheduleKey(1200, VK_NEXT);
    program.ScheduleType(1600, 'q');
    EXPECT_GE(ClickClear(), 94u * 30u);
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(CurrentPage, 0);
    EXPECT_EQ(PagePixel(program, 510, 310), Crayon(PAPER_INDEX));
    EXPECT_TRUE(PageIsBlank(bmfhead));
    program.Wait(500);
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(CurrentPage, 0);
}

}  // namespace
