// Region fills in whole-program runs: which clicks fill, what the child sees, input during a
// fill, the blank flag, colouring kept across a restart, and a fill that runs out of memory.
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#include "fill_pages.h"
#include "screen/screen.h"
#include "tools/tools.h"

namespace {

using namespace tooltest;
using tw::test::Program;

// Outlines one pixel in from every edge, a small box and a large open middle:
//   edge strips: x 0..9, x 650..659, y 0..9, y 450..459 (split at the corners);
//   small box: inside 101..119 x 101..119 (361 pixels);
//   the middle: the rest of 11..648 x 11..448.
TestPage EdgePage() {
    TestPage page;
    page.VLine(10, 0, kPageHeight - 1);
    page.VLine(649, 0, kPageHeight - 1);
    page.HLine(10, 0, kPageWidth - 1);
    page.HLine(449, 0, kPageWidth - 1);
    page.Box(100, 100, 120, 120);
    return page;
}

class FillRun : public ::testing::Test {
protected:
    PageDir dir;
    Program program{OwnPages(dir)};
    void SetUp() override {
        WritePages(dir.Path(), EdgePage());
        StartToPageScreen(program);
    }
};

TEST_F(FillRun, ClicksOnTheOuterPagePixelsFillAndOneFurtherOutDoNothing) {
    const uint64_t changes = program.Host().ScreenChanges();
    for (POINT c : {POINT{69, 300}, POINT{730, 300}, POINT{300, 69}, POINT{300, 530}}) {
        ClickClient(program, c.x, c.y);
    }
    EXPECT_EQ(program.Host().ScreenChanges(), changes) << "a click off the page redrew something";
    EXPECT_TRUE(PageIsBlank(bmfhead));

    struct Edge {
        POINT click;       // client point
        POINT onStrip;     // another page point of the same strip
        POINT otherStrip;  // a page point of a strip not yet clicked
    };
    const Edge edges[] = {
        {{70, 300}, {9, 448}, {650, 230}},
        {{729, 300}, {650, 11}, {230, 0}},
        {{300, 70}, {648, 9}, {230, 459}},
        {{300, 529}, {11, 450}, {0, 0}},
    };
    for (const Edge& e : edges) {
        ClickClient(program, e.click.x, e.click.y);
        EXPECT_EQ(PagePixel(program, e.click.x - kPageLeft, e.click.y - kPageTop), Crayon(2));
        EXPECT_EQ(PagePixel(program, e.onStrip.x, e.onStrip.y), Crayon(2));
        EXPECT_EQ(PagePixel(program, e.otherStrip.x, e.otherStrip.y), Crayon(PAPER_INDEX));
        EXPECT_EQ(PagePixel(program, 300, 300), Crayon(PAPER_INDEX));  // the middle stays
    }
    EXPECT_FALSE(PageIsBlank(bmfhead));
    EXPECT_EQ(program.CursorName(), "EditCursor");
}

TEST_F(FillRun, ClickOnAnOutlineOrTheCurrentColourDoesNothingAtAll) {
    uint64_t changes = program.Host().ScreenChanges();
    const DWORD before = program.Ticks();
    ClickClient(program, 80, 300);  // page (10, 230): outline
    EXPECT_EQ(program.Host().ScreenChanges(), changes);
    EXPECT_LT(program.Ticks() - before, 100u);
    EXPECT_TRUE(PageIsBlank(bmfhead));
    EXPECT_EQ(program.CursorName(), "EditCursor");

    ClickClient(program, 180, 180);  // inside the small box: fills with colour 2
    ASSERT_EQ(PagePixel(program, 110, 110), Crayon(2));
    changes = program.Host().ScreenChanges();
    ClickClient(program, 175, 185);  // the same region, now colour 2
    EXPECT_EQ(program.Host().ScreenChanges(), changes);
    EXPECT_EQ(program.CursorName(), "EditCursor");
}

TEST_F(FillRun, SmallRegionIsDrawnOnceAtTheEnd) {
    const uint64_t changes = program.Host().ScreenChanges();
    ClickClient(program, 180, 180);
    EXPECT_EQ(program.Host().ScreenChanges(), changes + 1);
    for (int y = 101; y <= 119; y++)
        for (int x = 101; x <= 119; x++) ASSERT_EQ(PagePixel(program, x, y), Crayon(2)) << x << "," << y;
    EXPECT_EQ(PagePixel(program, 100, 110), Crayon(0));
    EXPECT_EQ(PagePixel(program, 121, 110), Crayon(PAPER_INDEX));
    EXPECT_FALSE(PageIsBlank(bmfhead));
}

TEST_F(FillRun, KeysAndClicksDuringAFillHaveNoEffectAfterIt) {
    const POINT box = program.Client(180, 180);
    const POINT next = program.Client(480 + 20, 543 + 20);  // the next-page button
    program.ScheduleKey(300, VK_NEXT);
    program.ScheduleType(600, 'c');
    program.ScheduleClick(900, box.x, box.y);
    program.ScheduleClick(1200, next.x, next.y);
    const DWORD before = program.Ticks();
    ClickClient(program, 370, 300);  // the middle: about 270,000 pixels, over 5 s
    EXPECT_GT(program.Ticks() - before, 5000u);
    EXPECT_EQ(CurrentPage, 0);
    EXPECT_EQ(PagePixel(program, 300, 300), Crayon(2));   // not cleared
    EXPECT_EQ(PagePixel(program, 648, 448), Crayon(2));
    EXPECT_EQ(PagePixel(program, 110, 110), Crayon(PAPER_INDEX));  // not filled
    EXPECT_FALSE(PageIsBlank(bmfhead));

    program.Wait(500);  // nothing was left waiting
    EXPECT_EQ(CurrentPage, 0);
    EXPECT_EQ(PagePixel(program, 110, 110), Crayon(PAPER_INDEX));
}

// Counts nodes and refuses them once the budget is spent.
long g_nodesLeft = -1;
long g_nodesLive = 0;
PointNode* BudgetNode() {
    if (g_nodesLeft == 0) return nullptr;
    if (g_nodesLeft > 0) g_nodesLeft--;
    g_nodesLive++;
    return new (std::nothrow) PointNode;
}
void FreeNode(PointNode* node) {
    g_nodesLive--;
    delete node;
}

TEST_F(FillRun, FillThatRunsOutOfNodesEndsCleanlyAndTheProgramGoesOn) {
    g_nodesLeft = 3000;
    g_nodesLive = 0;
    lpfnNewPointNode = BudgetNode;
    lpfnDeletePointNode = FreeNode;
    ClickClient(program, 370, 300);
    EXPECT_EQ(g_nodesLive, 0);
    EXPECT_EQ(PagePixel(program, 300, 230), Crayon(2));        // near the click: coloured
    EXPECT_EQ(PagePixel(program, 640, 440), Crayon(PAPER_INDEX));  // far away: not reached
    EXPECT_EQ(program.CursorName(), "EditCursor");
    EXPECT_FALSE(PageIsBlank(bmfhead));

    // The window takes clicks again, and with memory back the region can be finished.
    g_nodesLeft = -1;
    ClickClient(program, 70 + 640, 70 + 440);
    EXPECT_EQ(PagePixel(program, 640, 440), Crayon(2));
    EXPECT_EQ(PagePixel(program, 11, 11), Crayon(2));
    EXPECT_EQ(g_nodesLive, 0);
    lpfnNewPointNode = nullptr;
    lpfnDeletePointNode = nullptr;
}

// The second run of a restart, in a process of its own so that the program starts from its
// initial state: run by the test below through TW_RESTART_DIR, skipped otherwise.
TEST(FillRestart, DISABLED_SecondRun) {
    const char* where = std::getenv("TW_RESTART_DIR");
    if (!where) GTEST_SKIP();
    tw::test::ProgramOptions options;
    options.copyPages = false;
    options.workDir = where;
    Program program(options);
    StartToPageScreen(program);
    EXPECT_EQ(PagePixel(program, 110, 110), Crayon(2));
    EXPECT_EQ(PagePixel(program, 300, 300), Crayon(PAPER_INDEX));
    EXPECT_FALSE(PageIsBlank(bmfhead));
}

TEST(FillRestart, ColouredPageIsSavedAndComesBackAfterARestart) {
    PageDir dir;
    WritePages(dir.Path(), EdgePage());
    {
        Program program(OwnPages(dir));
        StartToPageScreen(program);
        ClickClient(program, 180, 180);  // small box in colour 2
        program.Type('q');
        program.Wait(1000);
        EXPECT_FALSE(program.Running());
    }
    TestPage saved;
    WORD blank = 1;
    ASSERT_TRUE(ReadPage(dir.Path() / PageFileNames[0], saved, blank));
    EXPECT_EQ(blank, 0);
    EXPECT_EQ(saved.At(110, 110), 2);
    EXPECT_EQ(saved.At(100, 110), 0);

    const std::string command = "TW_RESTART_DIR='" + dir.Path().string() + "' " +
                                std::filesystem::read_symlink("/proc/self/exe").string() +
                                " --gtest_filter=FillRestart.DISABLED_SecondRun --gtest_also_run_disabled_tests"
                                " > '" + (dir.Path() / "second-run.log").string() + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream log(dir.Path() / "second-run.log");
    const std::string output((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(status, 0) << output;
}

}  // namespace
