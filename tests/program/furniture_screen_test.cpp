// The screen furniture in whole-program runs: the dotted backdrop behind the title screen, then
// the frame of the page screen round the page.
#include "fill_pages.h"

namespace {

using namespace tooltest;
using tw::test::Program;

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kGrey = 0x808080, kLightGrey = 0xC0C0C0;

uint32_t ClientPixel(Program& program, int x, int y) {
    const POINT pt = program.Client(x, y);
    return program.Pixel(pt.x, pt.y);
}

class FurnitureRun : public ::testing::Test {
protected:
    PageDir dir;
    Program program{OwnPages(dir)};
    void SetUp() override {
        WritePages(dir.Path(), TestPage{});
        program.Start();
        ASSERT_TRUE(program.Running());
    }
};

TEST_F(FurnitureRun, DottedBackdropBehindTheTitleScreen) {
    // The title screen is up, centred: the corners show the dotted backdrop.
    auto dots = [](int x, int y) {
        const int px = x % 8, py = y % 8;
        return ((px == 4 && py <= 6) || (py == 3 && px >= 1)) ? kBlack : 0xFFFF00u;
    };
    for (int y = 0; y < 48; y++)
        for (int x = 0; x < 48; x++) {
            ASSERT_EQ(ClientPixel(program, x, y), dots(x, y)) << x << "," << y;
            ASSERT_EQ(ClientPixel(program, 740 + x, 540 + y), dots(740 + x, 540 + y)) << 740 + x << "," << 540 + y;
        }
}

TEST_F(FurnitureRun, FrameRoundThePageScreen) {
    program.Key(VK_RETURN);  // closes the title screen
    ASSERT_TRUE(program.Running());
    struct Spot {
        int x, y;
        uint32_t colour;
    };
    const Spot spots[] = {
        {0, 300, kBlack},      {2, 2, kBlack},          {3, 300, kWhite},      {300, 5, kWhite},
        {796, 3, kWhite},      {796, 4, kGrey},         {3, 596, kWhite},      {4, 596, kGrey},
        {300, 594, kGrey},     {794, 300, kGrey},       {6, 6, kLightGrey},    {62, 300, kLightGrey},
        {737, 300, kLightGrey}, {300, 62, kLightGrey},  {300, 537, kLightGrey}, {63, 300, kGrey},
        {300, 65, kGrey},      {736, 63, kWhite},       {735, 63, kGrey},      {63, 536, kGrey},
        {64, 536, kWhite},     {736, 300, kWhite},      {300, 534, kWhite},    {66, 66, kBlack},
        {69, 300, kBlack},     {730, 529, kBlack},      {300, 530, kBlack},
    };
    for (const Spot& s : spots) EXPECT_EQ(ClientPixel(program, s.x, s.y), s.colour) << s.x << "," << s.y;
    // The page inside the frame, edge to edge.
    EXPECT_EQ(ClientPixel(program, 70, 70), Crayon(PAPER_INDEX));
    EXPECT_EQ(ClientPixel(program, 729, 529), Crayon(PAPER_INDEX));
}

}  // namespace
