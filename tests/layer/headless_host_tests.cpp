// The headless host on its own: the virtual clock, the input timeline and the waits built on
// them, injected faults, the pretend display, cursor and instances, the record, screenshots.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness/png.h"
#include "harness/program.h"
#include "host/headless/headless_host.h"

namespace tw::test {
namespace {

using host::Fault;
using host::InputEvent;
using Kind = InputEvent::Kind;

InputEvent Ev(Kind kind, int x = 0, int y = 0, unsigned vk = 0) {
    InputEvent ev;
    ev.kind = kind;
    ev.x = x;
    ev.y = y;
    ev.vk = vk;
    return ev;
}

TEST(HeadlessClock, MovesOnlyWhenReadOrWaitedOn) {
    HeadlessHost h;
    EXPECT_EQ(h.PeekMicros(), 0u);
    EXPECT_EQ(h.PeekMicros(), 0u) << "looking at the clock must not move it";
    EXPECT_EQ(h.NowMicros(), 1u);
    EXPECT_EQ(h.NowMicros(), 2u);

    h.SetQuantum(250);
    EXPECT_EQ(h.NowMicros(), 252u);
    h.SetQuantum(0);
    EXPECT_EQ(h.NowMicros(), 252u);

    h.AdvanceTo(5000);
    EXPECT_EQ(h.PeekMicros(), 5000u);
    h.AdvanceTo(10);
    EXPECT_EQ(h.PeekMicros(), 5000u) << "the clock never runs backwards";
}

TEST(HeadlessClock, BusyWaitTerminatesAfterItsVirtualTime) {
    HeadlessHost h;
    uint64_t start = h.NowMicros();
    uint64_t reads = 0;
    while (h.NowMicros() - start < 20000) ++reads;
    EXPECT_EQ(h.PeekMicros() - start, 20000u);
    EXPECT_EQ(reads, 19999u);
}

TEST(HeadlessWait, WithoutDriverTimeJumpsToWhatComesFirst) {
    HeadlessHost h;
    h.SetQuantum(0);
    h.WaitInput(30000);
    EXPECT_EQ(h.PeekMicros(), 30000u) << "nothing scheduled: to the deadline";

    h.Schedule(40000, Ev(Kind::MouseMove, 1, 2));
    h.WaitInput(90000);
    EXPECT_EQ(h.PeekMicros(), 40000u) << "input before the deadline: to the input";

    h.WaitInput(UINT64_MAX);
    EXPECT_EQ(h.PeekMicros(), 40000u) << "input due: no time passes";

    InputEvent ev;
    ASSERT_TRUE(h.PollInput(ev));
    EXPECT_THROW(h.WaitInput(UINT64_MAX), WaitForever);

    h.WaitInput(100);  // a deadline already past returns at once
    EXPECT_EQ(h.PeekMicros(), 40000u);

    h.Wake();
    h.WaitInput(1000000);
    EXPECT_EQ(h.PeekMicros(), 40000u) << "a wake ends the wait without time passing";
    h.WaitInput(50000);
    EXPECT_EQ(h.PeekMicros(), 50000u) << "a wake counts once";
}

TEST(HeadlessWait, TargetLetsTimePassInsteadOfIdling) {
    // Stands for the test's side of the harness: on idle it schedules a key and lets time pass.
    struct Acting : HeadlessHost::Driver {
        HeadlessHost* h = nullptr;
        int idles = 0, steps = 0;
        void Step() override { ++steps; }
        void Idle() override {
            ++idles;
            h->Schedule(h->PeekMicros() + 7000, Ev(Kind::KeyDown, 0, 0, 'A'));
            h->SetTarget(h->PeekMicros() + 20000);
        }
    } driver;
    HeadlessHost h;
    h.SetQuantum(0);
    driver.h = &h;
    h.SetDriver(&driver);

    h.SetTarget(25000);
    h.WaitInput(10000);  // a timer first
    EXPECT_EQ(h.PeekMicros(), 10000u);
    h.WaitInput(UINT64_MAX);
    EXPECT_EQ(h.PeekMicros(), 25000u);
    EXPECT_EQ(driver.idles, 0) << "not idle while time is to pass";

    // At the target with nothing due the program is idle: the clock stands still until the
    // test acts, and the wait then runs on to the scheduled key.
    h.WaitInput(UINT64_MAX);
    EXPECT_EQ(driver.idles, 1);
    EXPECT_EQ(h.PeekMicros(), 32000u);
    InputEvent ev;
    ASSERT_TRUE(h.PollInput(ev));
    EXPECT_EQ(ev.vk, unsigned('A'));
    EXPECT_GE(driver.steps, 4);
}

TEST(HeadlessInput, ArrivesInTimeOrderAndCarriesTheMouse) {
    HeadlessHost h;
    h.SetQuantum(0);
    h.Schedule(3000, Ev(Kind::KeyDown, 0, 0, 'B'));
    h.Schedule(1000, Ev(Kind::MouseMove, 10, 20));
    h.Schedule(3000, Ev(Kind::KeyUp, 0, 0, 'B'));
    h.Schedule(2000, Ev(Kind::MouseDown, 30, 40));
    EXPECT_EQ(h.NextInputTime(), 1000u);

    InputEvent ev;
    EXPECT_FALSE(h.PollInput(ev)) << "nothing due at time 0";
    h.AdvanceTo(2500);
    ASSERT_TRUE(h.PollInput(ev));
    EXPECT_EQ(ev.kind, Kind::MouseMove);
    ASSERT_TRUE(h.PollInput(ev));
    EXPECT_EQ(ev.kind, Kind::MouseDown);
    int x = 0, y = 0;
    h.GetCursorPos(x, y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
    EXPECT_FALSE(h.PollInput(ev));

    h.SetCursorPos(5, 6);  // the program moved the pointer
    h.AdvanceTo(3000);
    ASSERT_TRUE(h.PollInput(ev));
    EXPECT_EQ(ev.kind, Kind::KeyDown) << "events of one time keep the order they were scheduled in";
    EXPECT_EQ(ev.x, 5);
    EXPECT_EQ(ev.y, 6);
    ASSERT_TRUE(h.PollInput(ev));
    EXPECT_EQ(ev.kind, Kind::KeyUp);
    EXPECT_EQ(h.PendingInput(), 0u);
    EXPECT_EQ(h.NextInputTime(), UINT64_MAX);
}

TEST(HeadlessFaults, CountSkipForeverAndReplace) {
    HeadlessHost h;
    auto pattern = [&](Fault f, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += h.InjectFault(f) ? 'F' : '.';
        return s;
    };
    EXPECT_EQ(pattern(Fault::GlobalAlloc, 3), "...");
    h.Fail(Fault::GlobalAlloc, 2, 1);
    EXPECT_EQ(pattern(Fault::FileWrite, 2), "..") << "other kinds are untouched";
    EXPECT_EQ(pattern(Fault::GlobalAlloc, 5), ".FF..");
    h.Fail(Fault::FileRename, -1, 2);
    EXPECT_EQ(pattern(Fault::FileRename, 6), "..FFFF");
    h.Fail(Fault::FileRename, 0);
    EXPECT_EQ(pattern(Fault::FileRename, 2), "..") << "a later plan replaces the earlier";
    EXPECT_EQ(h.Record(), (std::vector<std::string>{"Fault GlobalAlloc", "Fault GlobalAlloc", "Fault FileRename",
                                                    "Fault FileRename", "Fault FileRename", "Fault FileRename"}));
}

TEST(HeadlessDisplay, ModeSwitchRestoreAndRefusal) {
    HeadlessHost h;
    h.SetDesktopSize(1280, 1024);
    EXPECT_EQ(h.DesktopWidth(), 1280);
    EXPECT_EQ(h.Screen().Width(), 800);
    EXPECT_EQ(h.Screen().Height(), 600);
    EXPECT_EQ(h.Screen().At(799, 599), 0u) << "the screen starts black";

    EXPECT_TRUE(h.SetDisplayMode(800, 600, 16));
    EXPECT_EQ(h.DisplayWidth(), 800);
    EXPECT_EQ(h.DisplayBpp(), 16);
    EXPECT_EQ(h.DesktopWidth(), 1280) << "the desktop is what the user left";
    h.RestoreDisplayMode();
    EXPECT_EQ(h.DisplayWidth(), 1280);

    h.Fail(Fault::SetDisplayMode);
    EXPECT_FALSE(h.SetDisplayMode(800, 600, 16));
    EXPECT_FALSE(h.DisplayModeSet());
    EXPECT_EQ(h.DisplayWidth(), 1280);
    EXPECT_EQ(h.Record(), (std::vector<std::string>{"DisplayMode 800 600 16", "DisplayMode restored",
                                                    "Fault SetDisplayMode", "DisplayMode 800 600 16 refused"}));
}

TEST(HeadlessCursor, NotedOnlyWhenTheImageChanges) {
    HeadlessHost h;
    host::CursorImage arrow, wait, edit;
    arrow.name = "IDC_ARROW";
    wait.name = "IDC_WAIT";
    edit.name = "EditCursor";
    h.SetCursorImage(&arrow);
    h.SetCursorImage(&arrow);
    h.SetCursorImage(&wait);
    EXPECT_EQ(h.CursorName(), "IDC_WAIT");
    h.SetCursorImage(&edit);
    h.SetCursorImage(nullptr);
    h.SetCursorImage(nullptr);
    EXPECT_TRUE(h.CursorHidden());
    EXPECT_EQ(h.CursorName(), "");
    h.SetCursorImage(&edit);
    EXPECT_EQ(h.Record(), (std::vector<std::string>{"SetCursor IDC_ARROW", "SetCursor IDC_WAIT", "SetCursor EditCursor",
                                                    "SetCursor (hidden)", "SetCursor EditCursor"}));
}

TEST(HeadlessInstances, OtherProcessesAndOurOwn) {
    HeadlessHost h;
    EXPECT_FALSE(h.QueryInstance("TINTWIN").exists);
    EXPECT_FALSE(h.RaiseInstance("TINTWIN")) << "nothing to raise";

    h.AddOtherInstance("TINTWIN", true);
    host::RemoteWindowOps ops = h.QueryInstance("TINTWIN");
    EXPECT_TRUE(ops.exists);
    EXPECT_TRUE(ops.iconic);
    EXPECT_FALSE(h.QueryInstance("OTHER").exists);
    EXPECT_TRUE(h.RestoreInstance("TINTWIN"));
    EXPECT_FALSE(h.QueryInstance("TINTWIN").iconic);
    EXPECT_TRUE(h.RaiseInstance("TINTWIN"));

    h.PublishInstance("TINTWIN");
    EXPECT_EQ(h.Published().count("TINTWIN"), 1u);
    h.UnpublishInstance("TINTWIN");
    EXPECT_TRUE(h.Published().empty());
    EXPECT_EQ(h.Record(), (std::vector<std::string>{"RaiseInstance TINTWIN", "RestoreInstance TINTWIN",
                                                    "RaiseInstance TINTWIN", "PublishInstance TINTWIN",
                                                    "UnpublishInstance TINTWIN"}));
}

TEST(HeadlessRecord, TimeStampedAndClearable) {
    HeadlessHost h;
    h.SetQuantum(0);
    h.Beep(0x30);
    h.AdvanceTo(12500);
    h.Note("PlaySound 3");
    auto entries = h.RecordTimes();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].line, "Beep 48");
    EXPECT_DOUBLE_EQ(entries[0].Ms(), 0.0);
    EXPECT_DOUBLE_EQ(entries[1].Ms(), 12.5);
    h.ClearRecord();
    EXPECT_TRUE(h.Record().empty());
}

// Decodes PNGs with Python's own zlib (checking every chunk's CRC on the way) into raw RGB
// files beside them (x.png -> x.png.rgb). One interpreter for all: it is slow to start.
bool DecodeWithPython(const std::vector<std::filesystem::path>& pngs) {
    if (pngs.empty()) return true;
    std::string script =
        "import sys,zlib,struct\n"
        "for f in sys.argv[1:]:\n"
        " d=open(f,'rb').read()\n"
        " assert d[:8]==b'\\x89PNG\\r\\n\\x1a\\n'\n"
        " p=8;idat=b'';w=h=0\n"
        " while p<len(d):\n"
        "  n,=struct.unpack('>I',d[p:p+4]);t=d[p+4:p+8];body=d[p+8:p+8+n]\n"
        "  assert struct.unpack('>I',d[p+8+n:p+12+n])[0]==zlib.crc32(t+body)\n"
        "  if t==b'IHDR': w,h,bd,ct=struct.unpack('>IIBB',body[:10]);assert (bd,ct)==(8,2)\n"
        "  if t==b'IDAT': idat+=body\n"
        "  p+=12+n\n"
        " r=zlib.decompress(idat);s=1+3*w;assert len(r)==s*h\n"
        " out=b''.join(r[y*s+1:(y+1)*s] for y in range(h) if r[y*s]==0)\n"
        " assert len(out)==3*w*h\n"
        " open(f+'.rgb','wb').write(out)\n";
    std::filesystem::path scriptFile = pngs[0].parent_path() / "decode.py";
    std::ofstream(scriptFile) << script;
    std::string cmd = "python3 '" + scriptFile.string() + "'";
    for (const auto& png : pngs) cmd += " '" + png.string() + "'";
    return std::system(cmd.c_str()) == 0;
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(HeadlessScreenshot, PngDecodesToTheSamePixels) {
    if (std::system("python3 -c 'import zlib' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3 to decode with";
    std::string dirName = (std::filesystem::temp_directory_path() / "tw-png-XXXXXX").string();
    ASSERT_NE(mkdtemp(dirName.data()), nullptr);
    std::filesystem::path dir = dirName;

    // Flat areas, rows repeating the row above, short runs and noise, plus sizes at the edges:
    // a single pixel and rows too long to be matched against the row above.
    std::vector<Surface> surfaces;
    std::vector<std::filesystem::path> files;
    for (auto [w, h] : {std::pair{800, 600}, std::pair{1, 1}, std::pair{11000, 3}, std::pair{7, 5}}) {
        Surface s(w, h, 0x00336699);
        uint32_t seed = 12345;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (y > h / 2 && x < w / 3) {
                    seed = seed * 1103515245u + 12345u;
                    s.Set(x, y, seed >> 8);
                } else if (x % 97 < 3) {
                    s.Set(x, y, 0x00ff0000u | uint32_t(y & 0xff));
                } else if (y < 10 && x > w / 2) {
                    s.Set(x, y, 0x0000ff00u + uint32_t(x & 7));
                }
            }
        files.push_back(dir / ("shot" + std::to_string(w) + ".png"));
        ASSERT_TRUE(WritePng(files.back(), s));
        surfaces.push_back(std::move(s));
    }
    ASSERT_TRUE(DecodeWithPython(files));
    for (size_t i = 0; i < files.size(); ++i) {
        const Surface& s = surfaces[i];
        std::vector<uint8_t> rgb = ReadAll(files[i].string() + ".rgb");
        ASSERT_EQ(rgb.size(), size_t(s.Width()) * s.Height() * 3) << files[i];
        int bad = 0;
        for (int y = 0; y < s.Height() && bad < 5; ++y)
            for (int x = 0; x < s.Width() && bad < 5; ++x) {
                const uint8_t* p = &rgb[(size_t(y) * s.Width() + x) * 3];
                uint32_t got = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
                if (got != s.At(x, y)) {
                    ++bad;
                    ADD_FAILURE() << files[i] << " pixel (" << x << ", " << y << ") " << std::hex << got
                                  << " != " << s.At(x, y);
                }
            }
    }
    EXPECT_LT(std::filesystem::file_size(files[0]), 800u * 600u) << "a mostly flat screen should compress";
    std::filesystem::remove_all(dir);
}

TEST(HeadlessScreenshot, UnwritablePathIsAFailure) {
    Surface s(4, 4);
    EXPECT_FALSE(WritePng("/nonexistent-folder/x.png", s));
    EXPECT_FALSE(WritePng(std::filesystem::temp_directory_path() / "empty.png", Surface()));
}

TEST(HeadlessHarness, SourceDirFindsTheRepository) {
    EXPECT_TRUE(std::filesystem::exists(SourceDir() / "tests" / "harness" / "program.h")) << SourceDir();
}

}  // namespace
}  // namespace tw::test
