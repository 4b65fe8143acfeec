// A picture dropped on the window becomes a page in place of the page on screen, made by the page
// maker beside the program (here a stand-in script that says what it was asked and answers as the
// real one does): taken only when the page maker is there and on the page screen, asked about
// first, its reason told when no page is made, the new page shown when one is.
#include "pages_fixture.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace tintwell_test {
namespace {

class PictureDrop : public TintwellRun {
protected:
    // A stand-in page maker beside the program: records its arguments one a line, then runs `body`.
    void PageMakerBeside(tw::test::Program& p, const std::string& body)
    {
        bin_ = fs::temp_directory_path() / ("tintwell-bin-" + std::to_string(::getpid()));
        fs::create_directories(bin_);
        const fs::path script = bin_ / "tintwell-pages";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (bin_ / "args").string() << "'\n" << body << "\n";
        ::chmod(script.c_str(), 0755);
        p.Host().SetProgramPath((bin_ / "tintwell").string());
    }
    std::string Args()
    {
        std::ifstream in(bin_ / "args");
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    void DropOnPage(const std::vector<std::string>& files)
    {
        const POINT pt = P().Client(PAGE_LEFT + 100, PAGE_TOP + 100);
        P().Drop(files, pt.x, pt.y);
        P().Wait(50);
    }
    // Waits, in real time, for the page maker to end and the program to tell or show the result.
    void AwaitPageMaker()
    {
        for (int i = 0; i < 400 && !P().Box() && P().CursorName() == "IDC_WAIT"; i++) {
            P().Wait(20);
            ::usleep(5000);
        }
        P().Wait(50);
    }
    void TearDown() override
    {
        std::error_code ec;
        if (!bin_.empty())
            fs::remove_all(bin_, ec);
    }
    fs::path bin_;
};

TEST_F(PictureDrop, WithoutThePageMakerBesideTheWindowTakesNoFiles)
{
    Make();
    StartToPageScreen();
    EXPECT_TRUE(P().Record("AcceptDrops 1").empty());
    DropOnPage({"/pictures/cat.png"});
    EXPECT_FALSE(P().Box());
    EXPECT_FALSE(P().Record("Drop refused").empty());
}

TEST_F(PictureDrop, AskedOnThePageScreenOnlyAndTheReasonToldWhenNoPageIsMade)
{
    tw::test::Program& p = Make();
    PageMakerBeside(p, "echo 'tintwell-pages: cat.png makes a poor page: too few areas; try --detail high "
                       "(--force makes it all the same)' >&2\nexit 3");
    p.Start();
    EXPECT_FALSE(p.Record("AcceptDrops 1").empty());
    // The title screen takes nothing.
    DropOnPage({"/pictures/cat.png"});
    EXPECT_FALSE(p.Box());
    PassTitleScreen();
    p.Wait(50);
    ASSERT_EQ(ScreenState, SCREEN_RUNNING);
    const Bytes before = ReadFile(P().Dir() / kPageNames[0]);

    // Of several files, the first; No runs nothing.
    const std::string picture = "/my pictures\\\\ 2/the \"best\" cat.png";
    DropOnPage({picture, "/pictures/other.png"});
    ASSERT_TRUE(p.Box());
    EXPECT_EQ(p.Box()->caption, "New Page");
    EXPECT_EQ(p.Box()->type, unsigned(MB_YESNO | MB_ICONQUESTION));
    EXPECT_NE(p.Box()->text.find("the \"best\" cat.png in place of the page Dogwood?"), std::string::npos)
        << p.Box()->text;
    p.Answer(IDNO);
    p.Wait(50);
    EXPECT_FALSE(p.Box());
    EXPECT_FALSE(fs::exists(bin_ / "args"));
    EXPECT_EQ(ReadFile(P().Dir() / kPageNames[0]), before);

    // Yes: the page maker gets the picture as it is named, the page's slot and the folder; its
    // reason is told without the advice meant for its own command line, and the page stays.
    DropOnPage({picture});
    ASSERT_TRUE(p.Box());
    p.Answer(IDYES);
    AwaitPageMaker();
    ASSERT_TRUE(p.Box());
    EXPECT_EQ(p.Box()->text,
              "No page was made: cat.png makes a poor page: too few areas; try --detail high.  The page on screen is as it was.");
    EXPECT_EQ(Args(), "make\n" + picture + "\n--slot\n1\n--pages\n" + fs::current_path().string() + "\n--from-tintwell\n");
    p.Answer(IDOK);
    p.Wait(50);
    EXPECT_EQ(PageMismatches(0), 0);
    EXPECT_NE(p.CursorName(), "IDC_WAIT");

    // The window takes clicks again.
    const POINT pt = p.Client(PAGE_LEFT + 5, PAGE_TOP + 5);
    p.Click(pt.x, pt.y);
    p.Wait(3000);
    EXPECT_NE(ClientPixel(PAGE_LEFT + 5, PAGE_TOP + 5), kPaperColour);
}

TEST_F(PictureDrop, TheNewPageIsShownOnceMadeAndThePageReplacedWasSavedFirst)
{
    tw::test::Program& p = Make();
    // The stand-in keeps the slot's file as the real one does, and puts made-up page 3 in its place.
    PageMakerBeside(p, "mkdir -p \"$6/replaced\" && cp \"$6/holly.TWP\" \"$6/replaced/holly.kept.TWP\" && "
                       "cp \"$(dirname \"$0\")/new.TWP\" \"$6/holly.TWP\"");
    WriteFile(bin_ / "new.TWP", MadeUpPage(3));
    StartToPageScreen();
    p.Key(VK_NEXT);
    p.Wait(500);
    ASSERT_EQ(CurrentPage, 1);
    const POINT pt = p.Client(PAGE_LEFT + 5, PAGE_TOP + 5);
    p.Click(pt.x, pt.y);
    p.Wait(3000);

    DropOnPage({"/pictures/cat.png"});
    ASSERT_TRUE(p.Box());
    EXPECT_NE(p.Box()->text.find("in place of the page Holly?"), std::string::npos) << p.Box()->text;
    p.Answer(IDYES);
    // Closing the window is ignored while the page is made, as during a fill.
    tw::host::InputEvent close;
    close.kind = tw::host::InputEvent::Kind::CloseRequest;
    p.Schedule(1, close);
    p.AltF4();
    AwaitPageMaker();
    EXPECT_TRUE(p.Running());
    EXPECT_FALSE(p.Box());
    EXPECT_EQ(PageMismatches(3), 0) << "the new page is on screen";
    // The copy kept holds the colouring done before the drop.
    const Bytes kept = ReadFile(P().Dir() / "replaced" / "holly.kept.TWP");
    ASSERT_EQ(kept.size(), kEightBitFileSize);
    EXPECT_NE(kept[1078 + size_t(kHeight - 1 - 5) * kWidth + 5], PAPER_INDEX);
}

}  // namespace
}  // namespace tintwell_test
