// Sounds and the tune in whole-program runs: when each effect starts and stops, the tune's
// life from start-up to shutdown, and running without the tune or with a folder name too long
// for it.
#include <algorithm>
#include <fstream>

#include "app/mainwnd.h"
#include "fill_pages.h"
#include "screen/screen.h"
#include "sound/sound.h"

namespace {

using namespace tooltest;
using tw::test::Program;

// What the record says when the program plays effect id with the given PlaySoundA flags.
std::string Sfx(int id, int flags) { return "PlaySoundA WAVE #" + std::to_string(id) + " " + std::to_string(flags); }
const std::string kStopSfx = "PlaySoundA null 0";
const std::string kSeek = "mciSendStringA seek MainMidi to start wait";
const std::string kPlay = "mciSendStringA play MainMidi notify";

// A page with a small box (361 pixels) and one large open area round it.
TestPage BoxPage() {
    TestPage page;
    page.Box(100, 100, 120, 120);
    return page;
}

void WriteTune(const std::filesystem::path& dir) {
    std::ofstream(dir / "tintmus.mid", std::ios::binary) << "MThd";
}

class SoundRun : public ::testing::Test {
protected:
    PageDir dir;
    std::unique_ptr<Program> program;

    void Start(bool withTune = true) {
        WritePages(dir.Path(), BoxPage());
        if (withTune) WriteTune(dir.Path());
        program = std::make_unique<Program>(OwnPages(dir));
        StartToPageScreen(*program);
    }
    Program& P() { return *program; }
    std::vector<std::string> Effects() { return P().Record("PlaySoundA"); }
    std::vector<std::string> Music() { return P().Record("mciSendStringA"); }
    // Virtual milliseconds of the first record line equal to line, or -1.
    double TimeOf(const std::string& line) {
        for (const auto& e : P().Host().RecordTimes())
            if (e.line == line) return e.Ms();
        return -1;
    }
    void ClickColour(int r) { ClickClient(P(), ColorButtons[r].x + 22, ColorButtons[r].y + 22); }
    void ClickClear() { ClickClient(P(), 403 + 40, 12 + 22); }
};

TEST_F(SoundRun, TheTuneStartsBeforeTheWindowShowsAndRepeatsUntilShutdown) {
    Start();
    const std::string open = "mciSendStringA open \"" + dir.Path().string() + "\\tintmus.mid\" alias MainMidi type sequencer";
    std::vector<std::string> record = P().Record();
    auto at = [&](const std::string& line) { return std::find(record.begin(), record.end(), line) - record.begin(); };
    ASSERT_LT(at(open), at(kSeek));
    EXPECT_LT(at("GlobalAlloc 312624"), at(open));
    EXPECT_LT(at(kSeek), at(kPlay));
    EXPECT_LT(at(kPlay), at("LoadBitmapA DotPattern"));
    EXPECT_LT(at("LoadBitmapA DotPattern"), at("ShowWindow TINTWIN 10"));
    EXPECT_TRUE(Effects().empty()) << "an effect played at start-up";

    // Each end of the piece starts it again from the top.
    for (int round = 0; round < 3; round++) {
        P().ClearRecord();
        P().FinishMusic();
        P().Wait(20);
        EXPECT_EQ(Music(), (std::vector<std::string>{kSeek, kPlay})) << "round " << round;
    }

    // Once the music has been stopped, a notification does not start it again.
    bMusicStopped = 1;
    P().ClearRecord();
    P().FinishMusic();
    P().Wait(20);
    EXPECT_TRUE(Music().empty());
    bMusicStopped = 0;

    P().ClearRecord();
    P().Type('q');
    ASSERT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    record = P().Record();
    EXPECT_LT(at("KillTimer 1"), at("mciSendStringA stop MainMidi"));
    EXPECT_LT(at("mciSendStringA stop MainMidi"), at("mciSendStringA close MainMidi"));
    EXPECT_LT(at("mciSendStringA close MainMidi"), at("DestroyCursor EditCursor"));
    EXPECT_EQ(std::count(record.begin(), record.end(), kPlay), 0) << "the tune started again on the way out";
}

TEST_F(SoundRun, WithoutTheTuneTheProgramRunsAndQuitsQuietly) {
    Start(false);
    P().FinishMusic();  // nothing is playing: no notification comes
    P().Wait(20);
    EXPECT_TRUE(P().Record("MM_MCINOTIFY").empty());
    ClickClient(P(), 400, 300);
    EXPECT_FALSE(PageIsBlank(bmfhead));
    P().Type('q');
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_TRUE(P().BoxesSeen().empty());
}

// Runs the program in a folder whose name is `extra` characters longer than the open command
// has room for (so 0 just fits); returns how many open commands it sent.
size_t OpenCommandsInAFolderOver(const std::filesystem::path& base, int extra) {
    // The open command holds 255 characters; the folder's share of it is 255 less the rest.
    const size_t rest = std::string("open \"\\tintmus.mid\" alias MainMidi type sequencer").size();
    const size_t want = 255 - rest + size_t(extra);
    std::filesystem::path deep = base;
    while (deep.string().size() + 1 < want) {
        const size_t room = want - deep.string().size() - 1;
        deep /= std::string(std::min<size_t>(room, 100), 'd');
    }
    EXPECT_EQ(deep.string().size(), want);
    std::filesystem::create_directories(deep);
    WritePages(deep, BoxPage());
    WriteTune(deep);
    tw::test::ProgramOptions options;
    options.copyPages = false;
    options.workDir = deep;
    Program run(options);
    StartToPageScreen(run);
    EXPECT_TRUE(run.BoxesSeen().empty());
    const size_t opens = run.Record("mciSendStringA open").size();
    run.Type('q');
    EXPECT_EQ(run.ExitCode(), 0);
    return opens;
}

// One program a process: each folder length is a test of its own.
TEST_F(SoundRun, AFolderNameThatJustFitsTheOpenCommandHasMusic) {
    EXPECT_EQ(OpenCommandsInAFolderOver(dir.Path(), 0), 1u);
}

TEST_F(SoundRun, AFolderNameTooLongForTheOpenCommandMeansNoMusic) {
    EXPECT_EQ(OpenCommandsInAFolderOver(dir.Path(), 1), 0u);
}

TEST_F(SoundRun, ALongFillStartsWithOneOfFourSoundsThenLoopsItsOwnUntilItEnds) {
    Start();
    P().ClearRecord();
    ClickClient(P(), 400, 300);  // the large area: several hundred redraws
    const std::vector<std::string> effects = Effects();
    ASSERT_EQ(effects.size(), 3u);
    const bool startSound = effects[0] == Sfx(1, 5) || effects[0] == Sfx(2, 5) || effects[0] == Sfx(3, 5) ||
                            effects[0] == Sfx(4, 5);
    EXPECT_TRUE(startSound) << effects[0];
    EXPECT_EQ(effects[1], Sfx(5, 13));
    EXPECT_EQ(effects[2], kStopSfx);
    // The loop takes over at the first redraw past 450 ms; redraws come every 10 ms.
    const double loopAfter = TimeOf(effects[1]) - TimeOf(effects[0]);
    EXPECT_GT(loopAfter, 450.0);
    EXPECT_LE(loopAfter, 462.0);
}

TEST_F(SoundRun, ASmallFillLeavesItsStartSoundToPlayOut) {
    Start();
    P().ClearRecord();
    ClickClient(P(), 180, 180);  // the small box: drawn once
    const std::vector<std::string> effects = Effects();
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_NE(effects[0].find(" 5"), std::string::npos) << effects[0];

    // A click that fills nothing makes no sound.
    P().ClearRecord();
    ClickClient(P(), 170, 170);  // outline
    ClickClient(P(), 180, 180);  // already the current colour
    EXPECT_TRUE(Effects().empty());
}

TEST_F(SoundRun, ClearPlaysItsStartSoundThenLoopsItsOwnUntilItEnds) {
    Start();
    ClickClient(P(), 180, 180);
    P().ClearRecord();
    ClickClear();
    EXPECT_EQ(Effects(), (std::vector<std::string>{Sfx(7, 5), Sfx(6, 13), kStopSfx}));
    const double loopAfter = TimeOf(Sfx(6, 13)) - TimeOf(Sfx(7, 5));
    EXPECT_GT(loopAfter, 450.0);
    EXPECT_LE(loopAfter, 482.0);  // frames come every 30 ms

    P().ClearRecord();
    ClickClear();  // blank now: not cleared, no sound
    EXPECT_TRUE(Effects().empty());
}

TEST_F(SoundRun, APickClicksBeforeTheColourChangesAndNotWhileBusy) {
    Start();
    P().ClearRecord();
    ClickColour(10);
    EXPECT_EQ(Effects(), std::vector<std::string>{Sfx(8, 5)});
    EXPECT_EQ(CurrentColorIndex, 11);

    P().ClearRecord();
    BusyFlag = 1;
    ClickColour(20);
    BusyFlag = 0;
    EXPECT_TRUE(Effects().empty());
}

}  // namespace
