// The whole-program runner, driving small stand-in programs that talk to the host directly:
// the lock-step with idle detection, virtual time, the scripted user's timing, the end of a
// program, and giving up on a runaway one.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness/program.h"
#include "host/headless/headless_host.h"

namespace tw::test {
namespace {

using host::InputEvent;
using Kind = InputEvent::Kind;

const char* KindName(Kind k) {
    switch (k) {
        case Kind::MouseMove: return "move";
        case Kind::MouseDown: return "down";
        case Kind::MouseUp: return "up";
        case Kind::KeyDown: return "keydown";
        case Kind::KeyUp: return "keyup";
        case Kind::Char: return "char";
        case Kind::CloseRequest: return "close";
        case Kind::EndSession: return "endsession";
        case Kind::DropFiles: return "drop";
    }
    return "?";
}

std::string Describe(const InputEvent& ev) {
    std::string s = KindName(ev.kind);
    if (ev.kind == Kind::KeyDown || ev.kind == Kind::KeyUp)
        s += " " + std::to_string(ev.vk) + (ev.alt ? " alt" : "");
    else
        s += " " + std::to_string(ev.x) + " " + std::to_string(ev.y);
    return s;
}

// A program with a 50 ms timer that notes every tick and every input. Keys make it misbehave:
// 'B' keeps it busy for 300 ms (polling input meanwhile, like a fill), 'L' loops for ever
// reading the clock, 'P' loops for ever polling input with the clock stopped, 'X' throws.
// A close request ends it with exit code 7.
struct StandIn {
    bool timer = true;
    bool* cleanedUp = nullptr;  // set by a destructor on the program's stack
    bool* ranOnAfterWait = nullptr;

    int operator()() {
        struct Cleanup {
            bool* flag;
            ~Cleanup() {
                if (flag) *flag = true;
            }
        } cleanup{cleanedUp};
        host::Host& h = host::Current();
        host::Probe& probe = *h.Diagnostics();
        probe.Note("start");
        uint64_t nextTick = h.NowMicros() + 50000;
        for (;;) {
            InputEvent ev;
            while (h.PollInput(ev)) {
                probe.Note(Describe(ev));
                if (ev.kind == Kind::CloseRequest) return 7;
                if (ev.kind != Kind::KeyDown) continue;
                if (ev.vk == 'B') {
                    uint64_t end = h.NowMicros() + 300000;
                    while (h.NowMicros() < end) {
                        InputEvent inner;
                        if (h.PollInput(inner)) probe.Note("busy " + Describe(inner));
                    }
                    probe.Note("busy done");
                } else if (ev.vk == 'L') {
                    for (;;) h.NowMicros();
                } else if (ev.vk == 'P') {
                    static_cast<HeadlessHost&>(h).SetQuantum(0);
                    for (;;) h.PollInput(ev);
                } else if (ev.vk == 'X') {
                    throw std::runtime_error("stand-in failure");
                }
            }
            if (timer && h.NowMicros() >= nextTick) {
                probe.Note("tick");
                nextTick += 50000;
                continue;
            }
            h.WaitInput(timer ? nextTick : UINT64_MAX);
            if (ranOnAfterWait) *ranOnAfterWait = true;
        }
    }
};

ProgramOptions Options(StandIn standIn = {}) {
    ProgramOptions o;
    o.copyPages = false;
    o.entry = standIn;
    return o;
}

// The record lines with their virtual times in whole milliseconds, "12 down 5 6".
std::vector<std::string> Timed(Program& p) {
    std::vector<std::string> lines;
    for (const HeadlessHost::Entry& e : p.Host().RecordTimes())
        lines.push_back(std::to_string(e.micros / 1000) + " " + e.line);
    return lines;
}

TEST(HeadlessProgram, StartsToIdleAndTimePassesOnlyWhenAsked) {
    Program p(Options());
    p.Start();
    EXPECT_TRUE(p.Running());
    EXPECT_EQ(p.Record(), std::vector<std::string>{"start"});
    EXPECT_LT(p.Host().PeekMicros(), 1000u) << "idle at once: no timer tick may have happened";

    p.Wait(120);
    EXPECT_EQ(p.Record("tick").size(), 2u);
    p.Wait(80);
    EXPECT_EQ(Timed(p), (std::vector<std::string>{"0 start", "50 tick", "100 tick", "150 tick", "200 tick"}));
    EXPECT_EQ(p.Host().PeekMicros() / 1000, 200u);
    EXPECT_EQ(p.Ticks(), 200u);
}

TEST(HeadlessProgram, ScriptedUserTiming) {
    StandIn s;
    s.timer = false;
    Program p(Options(s));
    p.Start();
    p.ClearRecord();

    p.Click(30, 40);
    EXPECT_EQ(Timed(p), (std::vector<std::string>{"0 move 30 40", "5 down 30 40", "10 up 30 40"}));
    EXPECT_EQ(p.Host().PeekMicros() / 1000, 10u) << "the action returns once its last event is handled";
    int x = 0, y = 0;
    p.Host().GetCursorPos(x, y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);

    p.ClearRecord();
    p.DoubleClick(1, 2);
    EXPECT_EQ(Timed(p), (std::vector<std::string>{"10 move 1 2", "15 down 1 2", "20 up 1 2", "110 move 1 2",
                                                  "115 down 1 2", "120 up 1 2"}));

    p.ClearRecord();
    p.Type('a');
    p.Type('Q');
    p.AltF4();
    p.Key(VK_RETURN);
    EXPECT_EQ(p.Record(), (std::vector<std::string>{"keydown 65", "keyup 65",                              // a
                                                    "keydown 16", "keydown 81", "keyup 81", "keyup 16",    // Q
                                                    "keydown 115 alt", "keyup 115 alt", "keydown 13", "keyup 13"}));

    p.ClearRecord();
    EXPECT_NONFATAL_FAILURE(p.Type('~'), "no key for character");
    EXPECT_TRUE(p.Record().empty());

    p.MouseDown(7, 8);
    p.MoveTo(9, 10);
    p.MouseUp(9, 10);
    p.KeyDown('Z', true);
    p.KeyUp('Z');
    EXPECT_EQ(p.Record(), (std::vector<std::string>{"down 7 8", "move 9 10", "up 9 10", "keydown 90", "keyup 90"}));
}

TEST(HeadlessProgram, ScheduledInputArrivesWhileTheProgramIsBusy) {
    StandIn s;
    s.timer = false;
    Program p(Options(s));
    p.Start();
    p.ClearRecord();

    p.ScheduleClick(100, 5, 5);
    p.ScheduleKey(1000, 'K');
    p.Key('B');  // busy for 300 ms from here
    EXPECT_EQ(Timed(p), (std::vector<std::string>{"0 keydown 66", "5 busy keyup 66", "100 busy move 5 5",
                                                  "105 busy down 5 5", "110 busy up 5 5", "300 busy done"}));
    EXPECT_EQ(p.Host().PendingInput(), 2u) << "the key at 1000 ms has not come yet";
    p.Wait(800);
    EXPECT_EQ(p.Record().back(), "keyup 75");
    EXPECT_EQ(p.Host().PeekMicros() / 1000, 1100u);
}

TEST(HeadlessProgram, EndsWithItsExitCode) {
    Program p(Options());
    p.Start();
    InputEvent close;
    close.kind = Kind::CloseRequest;
    p.Schedule(70, close);
    p.Wait(100);
    EXPECT_FALSE(p.Running());
    EXPECT_EQ(p.ExitCode(), 7);
    EXPECT_EQ(p.Record(), (std::vector<std::string>{"start", "tick", "close 0 0"}));

    // Actions after the end are harmless; time still passes for the test.
    p.Click(1, 1);
    p.Wait(50);
    EXPECT_EQ(p.Host().PeekMicros() / 1000, 160u);
}

TEST(HeadlessProgram, DestroyingARunningProgramUnwindsItsThread) {
    bool cleanedUp = false, ranOn = false;
    StandIn s;
    s.cleanedUp = &cleanedUp;
    s.ranOnAfterWait = &ranOn;
    {
        Program p(Options(s));
        p.Start();
        EXPECT_TRUE(p.Running());
    }
    EXPECT_TRUE(cleanedUp) << "the program's stack must be unwound";
    EXPECT_FALSE(ranOn) << "none of the program's own code may run once it is ended";
}

TEST(HeadlessProgram, RunawayProgramsFailTheTestInsteadOfHangingIt) {
    {
        ProgramOptions o = Options();
        o.runawayMs = 2000;
        Program p(o);
        p.Start();
        EXPECT_NONFATAL_FAILURE(p.Key('L'), "2000 ms of virtual time");
        EXPECT_FALSE(p.Running());
    }
    {
        ProgramOptions o = Options();
        o.runawayHostCalls = 100000;
        Program p(o);
        p.Start();
        EXPECT_NONFATAL_FAILURE(p.Key('P'), "clock reads and polls");
        EXPECT_FALSE(p.Running());
    }
    {
        Program p(Options());
        p.Start();
        EXPECT_NONFATAL_FAILURE(p.Key('X'), "stand-in failure");
        EXPECT_FALSE(p.Running());
    }
}

TEST(HeadlessProgram, RunsInItsOwnFolder) {
    auto before = std::filesystem::current_path();
    std::filesystem::path dir;
    {
        Program p(Options());
        p.Start();
        dir = p.Dir();
        EXPECT_TRUE(std::filesystem::is_directory(dir));
        EXPECT_EQ(std::filesystem::current_path(), dir);
        EXPECT_NE(dir, before);
    }
    EXPECT_FALSE(std::filesystem::exists(dir)) << "a temporary folder is removed afterwards";
    EXPECT_EQ(std::filesystem::current_path(), before);

    // A folder of the test's choosing is kept, and shipped pages do not overwrite its files.
    std::string kept = (std::filesystem::temp_directory_path() / "tw-kept-XXXXXX").string();
    ASSERT_NE(mkdtemp(kept.data()), nullptr);
    std::ofstream(std::filesystem::path(kept) / "dogwood.TWP") << "mine";
    {
        ProgramOptions o = Options();
        o.workDir = kept;
        o.copyPages = true;
        Program p(o);
        p.Start();
        EXPECT_EQ(p.Dir(), kept);
    }
    std::ifstream in(std::filesystem::path(kept) / "dogwood.TWP");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "mine");
    std::filesystem::remove_all(kept);
}

TEST(HeadlessProgram, ScreenAndRecordAreReadableWhilePaused) {
    Program p(Options());
    p.Start();
    p.Host().Screen().Set(3, 4, 0x00abcdef);
    EXPECT_EQ(p.Pixel(3, 4), 0x00abcdefu);
    EXPECT_NONFATAL_FAILURE(p.Pixel(800, 0), "off the screen");
    p.Fail(host::Fault::FileWrite, 1);
    EXPECT_TRUE(p.Host().InjectFault(host::Fault::FileWrite));
    EXPECT_EQ(p.Record("Fault"), std::vector<std::string>{"Fault FileWrite"});
}

// A windowed stand-in on the real USER layer: a pop-up "TINTWIN" with a border and a 50 ms
// timer; 'm' asks a question in a message box, the close command ends it with code 3.
int g_timerTicks = 0;

LRESULT CALLBACK StandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    host::Probe& probe = *host::CurrentProbe();
    switch (msg) {
        case WM_LBUTTONDOWN:
            probe.Note("click " + std::to_string(short(LOWORD(lParam))) + " " + std::to_string(short(HIWORD(lParam))));
            return 0;
        case WM_CHAR:
            probe.Note("char " + std::string(1, char(wParam)));
            if (wParam == 'm') {
                int answer = MessageBoxA(hwnd, "Keep it?", "Tintwell", MB_YESNOCANCEL);
                probe.Note("answer " + std::to_string(answer));
            }
            return 0;
        case WM_TIMER: ++g_timerTicks; return 0;
        case WM_DESTROY: PostQuitMessage(3); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int WindowedStandIn() {
    g_timerTicks = 0;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = inst;
    wc.lpszClassName = "TINTWIN";
    if (!RegisterClassA(&wc)) return -10;
    HWND hwnd = CreateWindowExA(0, "TINTWIN", "", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                nullptr, inst, nullptr);
    if (!hwnd) return -11;
    SetTimer(hwnd, 1, 50, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}

TEST(HeadlessProgram, DrivesAWindowedProgramThroughTheLayer) {
    ProgramOptions o;
    o.copyPages = false;
    o.entry = WindowedStandIn;
    Program p(o);
    p.Start();
    ASSERT_TRUE(p.Running()) << "exit code " << p.ExitCode();
    ASSERT_NE(p.MainWindow(), nullptr);
    POINT origin = p.Client(0, 0);
    EXPECT_EQ(origin.x, 1);
    EXPECT_EQ(origin.y, 1);

    p.Wait(500);
    EXPECT_GE(g_timerTicks, 9);
    EXPECT_LE(g_timerTicks, 10);

    p.ClearRecord();
    POINT pt = p.Client(10, 20);
    p.Click(pt.x, pt.y);
    EXPECT_EQ(p.Record("click"), std::vector<std::string>{"click 10 20"});

    // The box stays open, the program idle inside it, until the test answers.
    p.Type('m');
    std::optional<BoxInfo> box = p.Box();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Keep it?");
    EXPECT_EQ(box->caption, "Tintwell");
    EXPECT_EQ(box->type, unsigned(MB_YESNOCANCEL));
    EXPECT_EQ(box->owner, p.MainWindow());
    EXPECT_TRUE(p.Record("answer").empty());
    p.Answer(IDNO);
    EXPECT_FALSE(p.Box().has_value());
    EXPECT_EQ(p.Record("answer"), std::vector<std::string>{"answer " + std::to_string(IDNO)});
    EXPECT_NONFATAL_FAILURE(p.Answer(IDOK), "no message box is open");

    // A box that opens and is answered while time passes, without the program ever idling,
    // is still in the history.
    p.Type('m');
    ASSERT_TRUE(p.Box().has_value());
    RECT r{};
    ASSERT_TRUE(GetWindowRect(GetDlgItem(p.Box()->hwnd, IDYES), &r));
    p.Answer(IDCANCEL);
    size_t idleBoxesBefore = p.BoxesSeen().size();
    p.ScheduleType(0, 'm');
    p.ScheduleClick(30, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    p.Wait(100);
    EXPECT_FALSE(p.Box().has_value());
    EXPECT_EQ(idleBoxesBefore, 2u);
    EXPECT_EQ(p.BoxesSeen().size(), 3u);
    EXPECT_EQ(p.Record("answer"), (std::vector<std::string>{"answer " + std::to_string(IDNO),
                                                            "answer " + std::to_string(IDCANCEL),
                                                            "answer " + std::to_string(IDYES)}));

    p.AltF4();
    EXPECT_FALSE(p.Running());
    EXPECT_EQ(p.ExitCode(), 3);
}

}  // namespace
}  // namespace tw::test
