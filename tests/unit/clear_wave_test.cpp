// The clear wave on page buffers: its frames, what it leaves of the page, the blank flag, and how
// it ends when no node can be allocated.
#include <random>
#include <utility>

#include "fill_fixture.h"

namespace {

using tooltest::NodeCounter;

struct Frame {
    LONG x, y;
    long points;  // points taken in the frame
};
std::vector<Frame> g_frames;

class ClearWaveTest : public tooltest::PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        g_frames.clear();
        lpfnClearFrameEnd = [](LONG x, LONG y) {
            long before = 0;
            for (const Frame& f : g_frames) before += f.points;
            g_frames.push_back({x, y, NodeCounter::freed - before});
        };
    }
    void TearDown() override {
        lpfnClearFrameEnd = nullptr;
        PageTest::TearDown();
    }
    // A page of outlines and every colour, scattered, corners included.
    void Scribble() {
        std::mt19937 random(7);
        for (BYTE& b : page) b = BYTE(random() % 38);
        At(0, 0) = 3;
        At(659, 0) = 0;
        At(0, 459) = 36;
        At(659, 459) = 1;
        Box(300, 200, 360, 260);  // the seed enclosed by outlines changes nothing
    }
};

TEST_F(ClearWaveTest, FramesGrowSixStepsAtATimeFromTheCentre) {
    NodeCounter counter;
    const uint64_t start = host.PeekMicros();
    EXPECT_EQ(ClearPageWave(), 1);
    EXPECT_GE(host.PeekMicros() - start, 94u * 30000u - 1000u);  // ticks are whole milliseconds

    ASSERT_EQ(g_frames.size(), 94u);
    EXPECT_EQ(g_frames[0].points, 74);
    std::vector<std::pair<LONG, LONG>> expected;
    for (LONG y = 236; y <= 458; y += 6) expected.emplace_back(330, y);
    for (LONG x = 335; x <= 659; x += 6) expected.emplace_back(x, 459);
    expected.emplace_back(0, 0);
    ASSERT_EQ(expected.size(), 94u);
    for (size_t i = 0; i < expected.size(); i++) {
        EXPECT_EQ(g_frames[i].x, expected[i].first) << "frame " << i;
        EXPECT_EQ(g_frames[i].y, expected[i].second) << "frame " << i;
    }
    // Every point taken once, the seed twice; nothing left allocated.
    EXPECT_EQ(counter.allocated, 303601);
    EXPECT_EQ(counter.freed, 303601);
    EXPECT_EQ(bLoopSound, 1);
}

TEST_F(ClearWaveTest, KeepsOutlinesAndTurnsEverythingElseToPaperWhateverTheScratchHeld) {
    Scribble();
    const std::vector<BYTE> before = page;
    std::fill(scratch.begin(), scratch.end(), BYTE(37));  // left over from another use
    EXPECT_EQ(ClearPageWave(), 1);
    for (size_t i = 0; i < kPixels; i++)
        ASSERT_EQ(page[i], before[i] == 0 ? 0 : PAPER_INDEX) << "byte " << i;
    EXPECT_EQ(g_frames.size(), 94u);  // whatever the page shows
}

TEST_F(ClearWaveTest, ClearCommandRunsOnlyOnAColouredPageAndThenMarksItBlank) {
    Scribble();
    const std::vector<BYTE> coloured = page;
    NodeCounter counter;

    SetPageBlank(bmfhead, TRUE);  // blank: nothing happens at all
    EXPECT_EQ(OnClearCommand(nullptr), 0);
    EXPECT_EQ(page, coloured);
    EXPECT_EQ(counter.allocated, 0);
    EXPECT_TRUE(g_frames.empty());

    SetPageBlank(bmfhead, FALSE);
    EXPECT_EQ(OnClearCommand(nullptr), 0);
    EXPECT_TRUE(PageIsBlank(bmfhead));
    EXPECT_EQ(Count(PAPER_INDEX) + Count(0), long(kPixels));
    EXPECT_EQ(g_frames.size(), 94u);
}

TEST_F(ClearWaveTest, FailedNodeAllocationStopsTheWaveAndLeavesThePageNotBlank) {
    Scribble();
    const std::vector<BYTE> before = page;
    NodeCounter counter;
    counter.budget = 20000;
    SetPageBlank(bmfhead, FALSE);
    EXPECT_EQ(OnClearCommand(nullptr), 0);
    EXPECT_EQ(counter.allocated, counter.freed);
    long cleared = 0, kept = 0;
    for (size_t i = 0; i < kPixels; i++) {
        if (page[i] == before[i]) {
            kept++;
        } else {
            ASSERT_EQ(page[i], PAPER_INDEX);
            cleared++;
        }
    }
    EXPECT_GT(cleared, 1000);
    EXPECT_GT(kept, long(kPixels) / 2);
    // Colouring is left, so the page is not blank and a later Clear must still work.
    EXPECT_FALSE(PageIsBlank(bmfhead));

    counter.budget = -1;
    g_frames.clear();
    EXPECT_EQ(OnClearCommand(nullptr), 0);
    EXPECT_TRUE(PageIsBlank(bmfhead));
    EXPECT_EQ(Count(PAPER_INDEX) + Count(0), long(kPixels));
    EXPECT_EQ(counter.allocated, counter.freed);
}

}  // namespace
