// The page screen: the first page that loads, previous and next with wrap-around, missing pages
// skipped in the direction of travel, saving on leaving and on Quit, and a search that finds no
// page at all.
#include "pages_fixture.h"

#include "support/support.h"

namespace tintwell_test {
namespace {

using tw::host::Fault;
using Pages = TintwellRun;

std::string Missing(int page)
{
    return std::string("The file ") + kPageNames[page] + " is missing.";
}
const char* const kAllMissing = "All of the tintwell pages are missing or damaged. The program is unusable.";

// The eight-bit file SavePage makes of made-up page n (uncoloured).
Bytes SavedForm(int page)
{
    Bytes b = Headers(8, 1078, kPixels, uint32_t(kEightBitFileSize), 1);
    for (int k = 0; k < 256; k++) {
        const uint8_t q[4] = {0, 0, 0, 0};
        b.insert(b.end(), q, q + 4);
    }
    for (int r = 0; r < kHeight; r++)
        for (int x = 0; x < kWidth; x++)
            b.push_back(PagePaper(page, x, kHeight - 1 - r) ? 37 : 0);
    return b;
}

// A saved page: the layout, the pixels and the colours of the display palette.
void ExpectSavedPage(const Bytes& file, int page)
{
    ASSERT_EQ(file.size(), kEightBitFileSize);
    const Bytes expected = SavedForm(page);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 54, expected.begin())) << "headers";
    EXPECT_TRUE(std::equal(file.begin() + 1078, file.end(), expected.begin() + 1078)) << "pixels";
    EXPECT_EQ(file[54 + 4 * 37 + 2], 239);  // paper's red
    EXPECT_EQ(file[54 + 4 * 2 + 2], 255);   // crayon 2's red
}

TEST_F(Pages, TheFirstPageAndItsCaptionAreShown)
{
    Make();
    StartToPageScreen();
    ExpectPageShown(0);
}

TEST_F(Pages, NextAndPreviousWrapRound)
{
    Make();
    StartToPageScreen();
    P().Key(VK_PRIOR);
    P().Wait(20);
    ExpectPageShown(5);  // caption 0: the top rows of the Titles bitmap
    P().Key(VK_NEXT);
    P().Wait(20);
    ExpectPageShown(0);
    for (int n = 1; n <= 5; n++) {
        P().Key(VK_DOWN);
        P().Wait(20);
        ASSERT_EQ(CurrentPage, n);
    }
    ExpectPageShown(5);
    P().Key(VK_NEXT);
    P().Wait(20);
    ExpectPageShown(0);
    P().Key(VK_UP);
    P().Wait(20);
    ExpectPageShown(5);
    EXPECT_TRUE(P().BoxesSeen().empty());
}

TEST_F(Pages, LeavingAPageSavesIt)
{
    Make();
    StartToPageScreen();
    P().Key(VK_NEXT);
    P().Wait(20);
    ExpectSavedPage(PageFile(0), 0);
    EXPECT_TRUE(PageFileIsShipped(1));  // not saved until it is left
}

TEST_F(Pages, AMissingPageIsSkippedInTheDirectionOfTravel)
{
    Make({1, 4});
    StartToPageScreen();
    P().Key(VK_NEXT);
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, Missing(1));
    EXPECT_EQ(P().Box()->caption, "Tintwell");
    EXPECT_EQ(P().Box()->type, unsigned(MB_ICONWARNING));
    P().Answer(IDOK);
    P().Wait(20);
    ExpectPageShown(2);
    ExpectSavedPage(PageFile(0), 0);

    // And backwards from page 2, holly.TWP is skipped down to page 0.
    P().Key(VK_PRIOR);
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, Missing(1));
    P().Answer(IDOK);
    P().Wait(20);
    ExpectPageShown(0);
}

TEST_F(Pages, AMissingFifthPageIsNamedAsWritten)
{
    Make({4});
    StartToPageScreen();
    P().Key(VK_PRIOR);  // to page 5
    P().Wait(20);
    ASSERT_EQ(CurrentPage, 5);
    P().Key(VK_PRIOR);
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, "The file weeping.twp is missing.");
    P().Answer(IDOK);
    P().Wait(20);
    ExpectPageShown(3);
}

TEST_F(Pages, AMissingFirstPageAtStartUpIsSkipped)
{
    Make({0});
    P().Start();
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, Missing(0));
    P().Answer(IDOK);
    P().Wait(50);
    ASSERT_EQ(ScreenState, SCREEN_RUNNING);
    ExpectPageShown(1);
}

TEST_F(Pages, ADamagedPageIsSkippedLikeAMissingOne)
{
    Make();
    Bytes damaged = MadeUpPage(1);
    damaged.resize(5000);
    WriteFile(Dir() / kPageNames[1], damaged);
    StartToPageScreen();
    P().Key(VK_NEXT);
    ASSERT_TRUE(P().Box());
    EXPECT_EQ(P().Box()->text, "This is not a tintwell page.");
    EXPECT_EQ(P().Box()->type, unsigned(MB_OK));
    P().Answer(IDOK);
    P().Wait(20);
    ExpectPageShown(2);
    EXPECT_EQ(PageFile(1), damaged);  // never written over
}

TEST_F(Pages, WithNoPageAtAllTheProgramEnds)
{
    Make({0, 1, 2, 3, 4, 5});
    P().Start();
    std::vector<std::string> texts = AnswerAll();
    ASSERT_EQ(texts.size(), 7u);
    for (int n = 0; n < 6; n++)
        EXPECT_EQ(texts[n], Missing(n));
    EXPECT_EQ(texts[6], kAllMissing);
    EXPECT_EQ(P().BoxesSeen().back().caption, "Tintwell");
    EXPECT_EQ(P().BoxesSeen().back().type, unsigned(MB_OK));
    P().Wait(50);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_GE(Count("RestoreDisplayMode"), 1);
    EXPECT_EQ(Count("GlobalFree 303600"), 2);
    EXPECT_FALSE(fs::exists(Dir() / kPageNames[0]));
}

// Quit by key: the Quit button is shown pressed for 125 ms, a pause of 125 ms follows, then the
// page on screen is saved and the program ends.
void QuitByKey(tw::test::Program& p, char key, int page)
{
    while (CurrentPage != page) {
        p.Key(VK_NEXT);
        p.Wait(20);
    }
    p.ClearRecord();
    const DWORD before = p.Ticks();
    p.Type(key);
    p.Wait(20);
    EXPECT_FALSE(p.Running());
    EXPECT_GE(p.Ticks() - before, 250u);
}

TEST_F(Pages, QuitByLowerCaseQSavesTheCurrentPage)
{
    Make();
    StartToPageScreen();
    QuitByKey(P(), 'q', 1);
    ExpectSavedPage(PageFile(1), 1);
}

TEST_F(Pages, QuitByCapitalQSavesTheCurrentPage)
{
    Make();
    StartToPageScreen();
    QuitByKey(P(), 'Q', 2);
    ExpectSavedPage(PageFile(2), 2);
}

TEST_F(Pages, TheQuitCommandSavesAndTheSavedPageComesBack)
{
    Make();
    StartToPageScreen();
    PostMessageA(P().MainWindow(), WM_COMMAND, CMD_QUIT, 0);
    P().Wait(20);
    EXPECT_FALSE(P().Running());
    const Bytes saved = PageFile(0);
    ExpectSavedPage(saved, 0);

    // The saved eight-bit page loads again and saves to the same bytes.
    ASSERT_EQ(AllocPageBuffers(), 1);
    const std::string path = (Dir() / kPageNames[0]).string();
    const std::string copy = (Dir() / "copy.TWP").string();
    EXPECT_EQ(LoadPage(path.c_str()), 1);
    EXPECT_EQ(SavePage(copy.c_str()), 1);
    FreePageBuffers();
    EXPECT_EQ(ReadFile(copy), saved);
}

TEST_F(Pages, AFailedSaveOnQuitKeepsTheOldFile)
{
    Make();
    StartToPageScreen();
    P().Fail(Fault::FileRename);
    P().Type('q');
    P().Wait(20);
    EXPECT_FALSE(P().Running());
    EXPECT_TRUE(PageFileIsShipped(0));
    EXPECT_FALSE(fs::exists(Dir() / "dogwood.TWP.new"));
}

TEST_F(Pages, NoPageInAFullRoundKeepsThePageAndSavesNothing)
{
    // Only page 0 exists; then its file goes and cannot be written again: Next finds nothing.
    Make({1, 2, 3, 4, 5});
    StartToPageScreen();
    fs::remove(Dir() / kPageNames[0]);
    P().Fail(Fault::FileCreate);
    P().Key(VK_NEXT);
    std::vector<std::string> texts = AnswerAll();
    ASSERT_EQ(texts.size(), 7u);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(texts[i], Missing(i + 1));
    EXPECT_EQ(texts[5], Missing(0));
    EXPECT_EQ(texts[6], kAllMissing);
    P().Wait(20);
    EXPECT_TRUE(P().Running());
    ExpectPageShown(0);  // the page stays with the child
    EXPECT_FALSE(P().Box());

    // Nothing is written while the page in memory belongs to no file that loaded...
    P().Type('q');
    P().Wait(20);
    EXPECT_FALSE(P().Running());
    EXPECT_FALSE(fs::exists(Dir() / kPageNames[0]));
}

TEST_F(Pages, SavingStartsAgainOnceAPageLoads)
{
    Make({1, 2, 3, 4, 5});
    StartToPageScreen();
    fs::remove(Dir() / kPageNames[0]);
    P().Fail(Fault::FileCreate);
    P().Key(VK_NEXT);
    AnswerAll();
    P().Wait(20);

    WriteFile(Dir() / kPageNames[1], MadeUpPage(1));
    P().Key(VK_NEXT);
    P().Wait(20);
    ExpectPageShown(1);
    EXPECT_FALSE(fs::exists(Dir() / kPageNames[0]));  // the page left was not saved
    P().Type('q');
    P().Wait(20);
    ExpectSavedPage(PageFile(1), 1);
}

}  // namespace
}  // namespace tintwell_test
