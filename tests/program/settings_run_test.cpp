// The settings for parents and classrooms in whole-program runs: the grown-up's Quit by the
// button and by Q, printing, the tune and the sounds off, a window, the user's settings file over
// the machine's, the environment and the command line over both, and files the program cannot
// use. Then the command line by itself.
#include <algorithm>
#include <fstream>

#include "app/mainwnd.h"
#include "app/settings.h"
#include "fill_pages.h"
#include "harness/layer_env.h"
#include "screen/screen.h"

namespace {

using namespace tooltest;
using tw::test::Program;
namespace fs = std::filesystem;

class SettingsRun : public ::testing::Test {
protected:
    PageDir dir, config;
    std::unique_ptr<Program> program;

    // The settings file of "user" or "machine".
    void WriteSettings(const std::string& who, const std::string& text) {
        fs::create_directories(config.Path() / who / "tintwell");
        std::ofstream(config.Path() / who / "tintwell" / "tintwell.ini", std::ios::binary) << text;
    }
    void Start(const std::string& commandLine = "") {
        TestPage page;
        page.Box(100, 100, 120, 120);
        WritePages(dir.Path(), page);
        std::ofstream(dir.Path() / "tintmus.mid", std::ios::binary) << "MThd";
        auto options = OwnPages(dir);
        options.commandLine = commandLine;
        options.userSettings = config.Path() / "user";
        options.machineSettings = config.Path() / "machine";
        program = std::make_unique<Program>(options);
        StartToPageScreen(*program);
    }
    Program& P() { return *program; }
    POINT ButtonMiddle(int row) {
        return P().Client(CommandButtons[row].x + CommandButtons[row].width / 2,
                          CommandButtons[row].y + CommandButtons[row].height / 2);
    }
    void ClickButton(int row) {
        POINT pt = ButtonMiddle(row);
        P().Click(pt.x, pt.y);
    }
    // A pixel of the Quit button, in the button's coordinates.
    uint32_t QuitPixel(int x, int y) {
        POINT pt = P().Client(CommandButtons[0].x + x, CommandButtons[0].y + y);
        return P().Pixel(pt.x, pt.y);
    }
    bool PageSavedColoured() {
        TestPage page;
        WORD blank = 1;
        return ReadPage(dir.Path() / PageFileNames[0], page, blank) && blank == 0;
    }
    bool PrintDialogOpen() { return FindWindowA("#32770", "Print") != nullptr; }
    size_t Count(const std::string& prefix) { return P().Record(prefix).size(); }
};

TEST_F(SettingsRun, GrownupQuitNeedsTheButtonHeldForTwoSeconds) {
    WriteSettings("user", "[Tintwell]\nQuit=grownup\n");
    Start();
    ClickClient(P(), 400, 300);  // something to save

    // What a child does: a tap on Q, a click on Quit, Q held a little while.
    P().Type('q');
    P().Wait(500);
    ClickButton(0);
    P().Wait(500);
    P().KeyDown('Q');
    P().Wait(1500);
    P().KeyUp('Q');
    P().Wait(1000);
    ASSERT_TRUE(P().Running());
    EXPECT_FALSE(PageSavedColoured());

    // Held: the bar under QUIT fills from the left, and at two seconds the page is saved and the
    // program ends.
    POINT quit = ButtonMiddle(0);
    P().MouseDown(quit.x, quit.y);
    P().Wait(1000);
    ASSERT_TRUE(P().Running());
    const int y = (QUIT_BAR_TOP + QUIT_BAR_BOTTOM) / 2;
    EXPECT_EQ(QuitPixel(QUIT_BAR_LEFT + 4, y), 0xFFFFFFu) << "the held half";
    EXPECT_EQ(QuitPixel(QUIT_BAR_RIGHT - 4, y), 0u) << "the half still to hold";
    P().Wait(1100);
    EXPECT_FALSE(P().Running());
    EXPECT_EQ(P().ExitCode(), 0);
    EXPECT_TRUE(PageSavedColoured());
}

TEST_F(SettingsRun, GrownupQuitByHoldingQ) {
    Start("--quit=grownup");
    ClickClient(P(), 400, 300);
    P().KeyDown('Q');
    for (int i = 0; i < 4; i++) {  // the key's own repeats change nothing
        P().Wait(450);
        P().KeyDown('Q', true);
    }
    ASSERT_TRUE(P().Running());
    P().Wait(300);
    EXPECT_FALSE(P().Running());
    EXPECT_TRUE(PageSavedColoured());
}

TEST_F(SettingsRun, NoPrintingNoTuneNoSoundsTheUserFileWinsOverTheMachines) {
    WriteSettings("machine", "[Tintwell]\nPrint=off\nMusic=off\nSounds=no\nQuit=grownup\n");
    WriteSettings("user", "[tintwell]\nquit = child ; Q quits\n");
    Start();
    EXPECT_EQ(Count("mciSendStringA open"), 0u) << "a music device was opened";

    ClickClient(P(), 400, 300);
    P().Type('p');
    EXPECT_FALSE(PrintDialogOpen());
    ClickButton(1);
    EXPECT_FALSE(PrintDialogOpen());
    EXPECT_EQ(Count("PlaySoundA WAVE"), 0u) << "an effect played";

    P().Type('q');
    EXPECT_FALSE(P().Running());
    EXPECT_TRUE(PageSavedColoured());
}

TEST_F(SettingsRun, TheCommandLineWinsOverTheFile) {
    WriteSettings("user", "[Tintwell]\nPrint=off\nWindow=window\nMusic=off\n");
    Start("--print on --music=on");
    EXPECT_EQ(Count("DirectDrawCreate"), 0u) << "Window=window still switched the display";
    EXPECT_FALSE(P().Host().DisplayModeSet());
    EXPECT_EQ(Count("mciSendStringA open"), 1u);
    P().Type('p');
    EXPECT_TRUE(PrintDialogOpen());
    P().Key(VK_ESCAPE);
    EXPECT_FALSE(PrintDialogOpen());
}

// Who wins, read without running the program: the user's file over the machine's key by key,
// TINTWELL_WINDOWED (as Window=window) over both, the command line over everything.
class SettingsOrder : public tw::test::LayerEnv {
protected:
    PageDir config;
    void WriteSettings(const std::string& who, const std::string& text) {
        fs::create_directories(config.Path() / who / "tintwell");
        std::ofstream(config.Path() / who / "tintwell" / "tintwell.ini", std::ios::binary) << text;
    }
};

TEST_F(SettingsOrder, UserOverMachineEnvironmentOverBothCommandLineOverAll) {
    Host().SetAppDataFolders((config.Path() / "user").string(), (config.Path() / "machine").string());
    struct Row {
        const char *machine, *user;
        const char* env;  // TINTWELL_WINDOWED; null: not set
        const char* commandLine;
        BOOL windowed, print;
    } rows[] = {
        {"", "", nullptr, "", FALSE, TRUE},
        {"Window=window\nPrint=off", "Print=on", nullptr, "", TRUE, TRUE},
        {"", "Window=window", "0", "", FALSE, TRUE},
        {"", "", "1", "", TRUE, TRUE},
        {"", "Window=fullscreen", "yes", "", TRUE, TRUE},
        {"Print=off", "", "1", "--window fullscreen --print=on", FALSE, TRUE},
        {"", "Print=OFF", nullptr, "", FALSE, FALSE},
    };
    for (const Row& row : rows) {
        WriteSettings("machine", std::string("[Tintwell]\n") + row.machine + "\n");
        WriteSettings("user", std::string("[Tintwell]\n") + row.user + "\n\n");  // never the same size
        if (row.env) ::setenv("TINTWELL_WINDOWED", row.env, 1);
        else ::unsetenv("TINTWELL_WINDOWED");
        std::string where = std::string(row.machine) + "|" + row.user + "|" + (row.env ? row.env : "-") + "|" +
                            row.commandLine;
        EXPECT_EQ(ReadSettings(row.commandLine), SETTINGS_RUN) << where;
        EXPECT_EQ(Settings.bWindowed, row.windowed) << where;
        EXPECT_EQ(Settings.bPrint, row.print) << where;
    }
    ::unsetenv("TINTWELL_WINDOWED");
}

TEST_F(SettingsRun, SettingsItCannotUseLeaveTheDefaults) {
    std::string garbage(1 << 20, 0);
    uint32_t seed = 3;
    for (char& c : garbage) c = char((seed = seed * 1664525u + 1013904223u) >> 24);
    WriteSettings("user", garbage);
    WriteSettings("machine", "[Tintwell]\nPrint=maybe\nQuit=grown-up\nMusic=\n");
    testing::internal::CaptureStderr();
    Start();
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find((config.Path() / "user" / "tintwell" / "tintwell.ini").string() + " is damaged"),
              std::string::npos)
        << told;
    const std::string machine = (config.Path() / "machine" / "tintwell" / "tintwell.ini").string();
    EXPECT_EQ(std::string(szSettingsNotes), machine + ": Quit=grown-up is neither child nor grownup, so it stays child\n" +
                                                machine + ": Print=maybe is neither off nor on, so it stays on\n");
    EXPECT_EQ(Count("mciSendStringA open"), 1u);
    P().Type('q');
    EXPECT_FALSE(P().Running());
}

TEST(SettingsCommandLine, SplitAsWindowsSplitsIt) {
    struct Row {
        const char* commandLine;
        int result;
        const char* pages;  // the folder, or what szSettingsText says
    } rows[] = {
        {"", SETTINGS_RUN, ""},
        {"--pages \"/a folder/x\" --music=off", SETTINGS_RUN, "/a folder/x"},
        {"  \"--pages\"\t/p\\q\\  ", SETTINGS_RUN, "/p\\q\\"},
        {"--pages \"say \\\"cheese\\\"\"", SETTINGS_RUN, "say \"cheese\""},
        {"--pages \"\\\\server\\share\\\\\"", SETTINGS_RUN, "\\\\server\\share\\"},
        {"--pages=a\"\"b", SETTINGS_RUN, "ab"},
        {"--print maybe", SETTINGS_BAD, "--print takes off or on"},
        {"--sounds", SETTINGS_BAD, "--sounds takes off or on"},
        {"--colour red", SETTINGS_BAD, "unknown argument '--colour'"},
        {"--quit=grownup --colour=red", SETTINGS_BAD, "unknown argument '--colour=red'"},
        {"--pages", SETTINGS_BAD, "--pages needs a folder"},
        {"--help --colour", SETTINGS_HELP, nullptr},
        {"--version", SETTINGS_VERSION, nullptr},
    };
    for (const Row& row : rows) {
        Settings.szPages[0] = 0;
        EXPECT_EQ(ReadCommandLine(row.commandLine), row.result) << row.commandLine;
        if (!row.pages) continue;
        EXPECT_STREQ(row.result == SETTINGS_RUN ? Settings.szPages : szSettingsText, row.pages) << row.commandLine;
    }
    EXPECT_FALSE(Settings.bMusic);
    EXPECT_EQ(std::string(szSettingsText).rfind("tintwell 1.", 0), 0u) << szSettingsText;  // from --version
    ReadCommandLine("--help");
    EXPECT_NE(std::string(szSettingsText).find("--quit child|grownup"), std::string::npos);

    // One picture to make a page of, anywhere among the options; a second is a mistake.
    Settings.szPicture[0] = 0;
    EXPECT_EQ(ReadCommandLine("--pages /p \"/home/me/cat photo.jpg\" --music on"), SETTINGS_RUN);
    EXPECT_STREQ(Settings.szPicture, "/home/me/cat photo.jpg");
    EXPECT_STREQ(Settings.szPages, "/p");
    Settings.szPicture[0] = 0;
    EXPECT_EQ(ReadCommandLine("a.png b.png"), SETTINGS_BAD);
    EXPECT_STREQ(szSettingsText, "one picture at a time, not 'b.png' as well");
    Settings.szPicture[0] = 0;
}

}  // namespace
