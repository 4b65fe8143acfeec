// However the program ends, the colouring on the screen reaches its page file: the window's close
// (the window manager's button, Alt+F4) and the session's end (logout, a signal, the display's
// loss) keep it as Quit does, with the same question when it cannot be saved.
#include "pages_fixture.h"

namespace tintwell_test {
namespace {

using tw::host::Fault;
using Kind = tw::host::InputEvent::Kind;

int SavedPixelAt55(const Bytes& file)
{
    return file.size() == kEightBitFileSize ? file[1078 + size_t(kHeight - 1 - 5) * kWidth + 5] : -1;
}

class Ending : public TintwellRun {
protected:
    // Colours the cell of made-up page 0 at page point (5, 5) with the current crayon (2).
    void ColourACell()
    {
        const POINT pt = P().Client(75, 75);
        P().Click(pt.x, pt.y);
        P().Wait(200);
    }
    void Arrive(Kind kind, bool critical = false)
    {
        tw::host::InputEvent ev;
        ev.kind = kind;
        ev.critical = critical;
        P().Schedule(0, ev);
        P().Wait(20);
    }
};

// One way of ending a program that has coloured a cell, each run in a process of its own.
struct Way {
    const char* name;
    Kind kind;
    bool critical;
};

void PrintTo(const Way& way, std::ostream* os)
{
    *os << way.name;
}

class EndingWay : public Ending, public ::testing::WithParamInterface<Way> {};

TEST_P(EndingWay, KeepsTheColouring)
{
    const Way way = GetParam();
    Make();
    StartToPageScreen();
    ColourACell();
    if (way.kind == Kind::KeyDown)
        P().AltF4();
    else
        Arrive(way.kind, way.critical);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_TRUE(P().BoxesSeen().empty());
    EXPECT_EQ(SavedPixelAt55(PageFile(0)), 2);
    for (int n = 1; n < 6; n++)
        EXPECT_TRUE(PageFileIsShipped(n)) << "page " << n;
    // The session's end ends the process with the page buffers still there; the window's close
    // goes through the shutdown.
    const bool sessionEnd = way.kind == Kind::EndSession;
    EXPECT_EQ(Count("EndProcess 0"), sessionEnd ? 1 : 0);
    EXPECT_EQ(Count("GlobalFree 303600"), sessionEnd ? 0 : 2);
}

INSTANTIATE_TEST_SUITE_P(Ways, EndingWay,
                         ::testing::Values(Way{"AltF4", Kind::KeyDown, false},
                                           Way{"WindowManagersClose", Kind::CloseRequest, false},
                                           Way{"SessionsEnd", Kind::EndSession, false},
                                           Way{"DisplaysLoss", Kind::EndSession, true}),
                         [](const ::testing::TestParamInfo<Way>& info) { return std::string(info.param.name); });

TEST_F(Ending, TheSessionsEndDuringTheTitleScreenEndsTheProgram)
{
    Make();
    P().Start();
    ASSERT_NE(P().Dialog(), nullptr);
    Arrive(Kind::EndSession);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_NE(ScreenState, SCREEN_RUNNING) << "the page screen was not built";
    for (int n = 0; n < 6; n++)
        EXPECT_TRUE(PageFileIsShipped(n)) << "page " << n;
}

TEST_F(Ending, ASaveThatFailsIsAskedAboutUnlessNobodyCanBeAsked)
{
    Make();
    StartToPageScreen();
    ColourACell();
    P().Fail(Fault::FileWrite, -1);

    // The window's close and the session's end ask as Quit does; No keeps the picture.
    for (Kind kind : {Kind::CloseRequest, Kind::EndSession}) {
        Arrive(kind);
        ASSERT_TRUE(P().Box());
        EXPECT_NE(P().Box()->text.find("Quit anyway"), std::string::npos) << P().Box()->text;
        EXPECT_EQ(P().Box()->type, unsigned(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
        P().Answer(IDNO);
        P().Wait(20);
        ASSERT_TRUE(P().Running());
        EXPECT_FALSE(P().Box());
    }
    EXPECT_EQ(Count("EndSession refused"), 1);
    EXPECT_TRUE(PageFileIsShipped(0));

    // With the display gone there is no one to ask: the program ends without a box.
    const size_t boxes = P().BoxesSeen().size();
    Arrive(Kind::EndSession, true);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().BoxesSeen().size(), boxes);
    EXPECT_TRUE(PageFileIsShipped(0)) << "the file on disk stays whole";
}

}  // namespace
}  // namespace tintwell_test
