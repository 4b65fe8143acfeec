// String-table messages, the seeded random numbers, the busy-wait delay and the closed log.
#include "page_fixture.h"

#include <mmsystem.h>

namespace tintwell_test {
namespace {

using Services = ProgramUnitTest;

TEST_F(Services, MessageSlotsHoldTextAndCaptionTogether)
{
    LPSTR caption = LoadMsg(5, 1);
    LPSTR text = LoadMsg(9, 0);
    EXPECT_STREQ(caption, "Tintwell");
    EXPECT_STREQ(text, "All of the tintwell pages are missing or damaged. The program is unusable.");
    EXPECT_NE(caption, text);

    EXPECT_EQ(LoadMsg(7, 0), text);  // the same slot, new text
    EXPECT_STREQ(text, "This is not a tintwell page.");
    EXPECT_STREQ(caption, "Tintwell");

    EXPECT_STREQ(LoadMsg(3, 0),
                 "This program is designed to run full-screen at 800x600 resolution.  Change your display to this "
                 "setting and then restart the program.");
    EXPECT_STREQ(LoadMsg(8, 0), "The file %s is missing.");
    EXPECT_STREQ(LoadMsg(1, 1), "Start Up");
    EXPECT_STREQ(LoadMsg(2, 0), "Could not start timer.");
    EXPECT_STREQ(LoadMsg(4, 1), "Video Display Message");
    EXPECT_STREQ(LoadMsg(6, 0), "");  // no such string
    EXPECT_STREQ(caption, "Video Display Message");
}

TEST_F(Services, RandomNumbersDependOnlyOnTheTick)
{
    Host().SetQuantum(0);  // the clock stands still: one tick
    const int first = RandomBelow(4);
    EXPECT_EQ(RandomBelow(4), first);
    EXPECT_EQ(RandomBelow(1), 0);

    Host().SetQuantum(1);
    bool seen[4] = {};
    for (int i = 0; i < 400; i++) {
        Host().AdvanceTo(Host().PeekMicros() + 1000);
        const int r = RandomBelow(4);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 4);
        seen[r] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]);
}

TEST_F(Services, RandomNumbersFollowTheGenerator)
{
    Host().SetQuantum(0);
    Host().AdvanceTo(Host().PeekMicros() + 5000);
    const DWORD tick = GetTickCount();
    const DWORD state = tick * 214013u + 2531011u;
    EXPECT_EQ(RandomBelow(32768), int((state >> 16) & 0x7FFF));
}

TEST_F(Services, DelaysLastTheirTimeAndNoMore)
{
    DWORD start = GetTickCount();
    DelayMs(0);
    EXPECT_EQ(GetTickCount() - start, 0u);

    start = GetTickCount();
    DelayMs(125);
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 125u);
    EXPECT_LE(took, 126u);
}

TEST_F(Services, ADelayAcrossTheTickCounterWrapLastsAsLong)
{
    // 50 ms before the 32-bit millisecond counter wraps round to 0.
    Host().AdvanceTo((uint64_t(1) << 32) * 1000 - 50 * 1000);
    const DWORD start = GetTickCount();
    ASSERT_GT(start, 0xFFFFFF00u);
    DelayMs(125);
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 125u);
    EXPECT_LE(took, 126u);
}

TEST_F(Services, AClosedLogWritesNothing)
{
    EXPECT_EQ(LogLine("SetDisplayMode"), 1);
    EXPECT_EQ(LogLine("hFontNormal %i", 42), 1);
    EXPECT_FALSE(fs::exists(Dir() / "log.txt"));
}

}  // namespace
}  // namespace tintwell_test
