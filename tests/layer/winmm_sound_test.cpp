// WinMM's sounds: PlaySoundA's checks of the wave image and what reaches the host, the MCI
// string parser and its errors, and the MM_MCINOTIFY notifications of the sequencer (the end of
// the piece, stops, superseded and closed plays), on the headless host; the SDL host's mixer on
// SDL's disk audio driver.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <mmsystem.h>

#include "harness/program.h"
#include "host/headless/headless_host.h"
#include "kernel/kernel_internal.h"
#include "user/user_internal.h"
#include "winmm/winmm_internal.h"

#ifdef TW_SDL_HOST_TESTS
#include <SDL.h>

#include "host/sdl/sdl_audio.h"
#endif

namespace {

namespace fs = std::filesystem;
using tw::test::HeadlessHost;

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}
void Add(std::vector<uint8_t>& v, const char* tag, uint32_t size) {
    v.insert(v.end(), tag, tag + 4);
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(size >> (8 * i)));
}

// A canonical PCM 16-bit mono 22050 Hz image of a tone (`samples` long).
std::vector<uint8_t> Wave(uint32_t samples, double amplitude = 8000) {
    std::vector<uint8_t> v;
    Add(v, "RIFF", 36 + samples * 2);
    v.insert(v.end(), {'W', 'A', 'V', 'E'});
    Add(v, "fmt ", 16);
    const uint8_t fmt[16] = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
    v.insert(v.end(), fmt, fmt + 16);
    Add(v, "data", samples * 2);
    for (uint32_t i = 0; i < samples; ++i) {
        auto s = int16_t(amplitude * std::sin(i * 2 * 3.14159265 * 440 / 22050));
        v.push_back(uint8_t(s));
        v.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return v;
}

std::vector<std::string> Lines(HeadlessHost& host, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : host.Record())
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

// The headless host made current, with a window that logs the notifications it receives.
class Sound : public ::testing::Test {
protected:
    struct Notice {
        HWND hwnd;
        WPARAM code;
        LPARAM id;
        bool operator==(const Notice&) const = default;
    };
    static std::vector<Notice>& Notices() {
        static std::vector<Notice> notices;
        return notices;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == MM_MCINOTIFY) Notices().push_back({hwnd, wParam, lParam});
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    void SetUp() override {
        tw::host::SetCurrent(&host_);
        tw::user::ResetState();
        tw::winmm::ResetMci();
        Notices().clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "SoundTest";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, "SoundTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(hwnd_, nullptr);
        char tmpl[] = "/tmp/tw sound XXXXXX";  // a blank, so that the path needs its quotes
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::ofstream(dir_ / "tintmus.mid") << "MThd";
        // As the program names it: the current directory joined with a backslash.
        open_ = "open \"" + dir_.string() + "\\tintmus.mid\" alias MainMidi type sequencer";
        host_.ClearRecord();
    }
    void TearDown() override {
        tw::winmm::ResetMci();
        tw::user::ResetState();
        tw::host::SetCurrent(&tw::test::ParkingHost());
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    MCIERROR Send(const std::string& command) { return mciSendStringA(command.c_str(), nullptr, 0, hwnd_); }

    // Runs the message loop until nothing more comes, as the program's loop does.
    void Pump() {
        MSG msg;
        for (int i = 0; i < 64; ++i) {
            host_.AdvanceTo(host_.PeekMicros() + 2000);
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
    }
    std::vector<WPARAM> Notified() {
        Pump();
        std::vector<WPARAM> codes;
        for (const Notice& n : Notices()) {
            EXPECT_EQ(n.hwnd, hwnd_);
            EXPECT_EQ(n.id, 1);
            codes.push_back(n.code);
        }
        Notices().clear();
        return codes;
    }
    void OpenAndPlay() {
        ASSERT_EQ(Send(open_), 0u);
        ASSERT_EQ(Send("seek MainMidi to start wait"), 0u);
        ASSERT_EQ(Send("play MainMidi notify"), 0u);
    }

    HeadlessHost host_;
    HWND hwnd_ = nullptr;
    fs::path dir_;
    std::string open_;
};

using Codes = std::vector<WPARAM>;

TEST_F(Sound, PlaySoundChecksTheImageAndPlaysOneEffect) {
    std::vector<uint8_t> good = Wave(100);
    const char* p = reinterpret_cast<const char*>(good.data());
    EXPECT_TRUE(PlaySoundA(p, nullptr, SND_ASYNC | SND_MEMORY));
    EXPECT_TRUE(PlaySoundA(p, nullptr, SND_ASYNC | SND_MEMORY | SND_LOOP));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    // Looping needs SND_ASYNC; names (files, aliases) are not played.
    EXPECT_FALSE(PlaySoundA(p, nullptr, SND_MEMORY | SND_LOOP));
    EXPECT_FALSE(PlaySoundA(p, nullptr, SND_ASYNC | SND_FILENAME));
    EXPECT_EQ(Lines(host_, ""), (std::vector<std::string>{
                                    "PlaySoundA memory 5", "Wave 244 once", "PlaySoundA memory 13", "Wave 244 loop",
                                    "PlaySoundA null 0", "WaveStop", "PlaySoundA memory 12",
                                    "PlaySoundA memory 131073"}));

    // Malformed images play nothing. Each case spoils one thing of the good image.
    struct Case {
        const char* what;
        void (*spoil)(std::vector<uint8_t>&);
    };
    const Case cases[] = {
        {"not RIFF", [](std::vector<uint8_t>& v) { v[0] = 'X'; }},
        {"not WAVE", [](std::vector<uint8_t>& v) { v[8] = 'X'; }},
        {"not PCM", [](std::vector<uint8_t>& v) { v[20] = 3; }},
        {"24 bits", [](std::vector<uint8_t>& v) { v[34] = 24; }},
        {"block align", [](std::vector<uint8_t>& v) { v[32] = 4; }},
        {"data past the RIFF size", [](std::vector<uint8_t>& v) { Put32(v, 40, 202); }},
        {"RIFF size cuts the data", [](std::vector<uint8_t>& v) { Put32(v, 4, 100); }},
        {"huge RIFF size", [](std::vector<uint8_t>& v) { Put32(v, 4, 0xFFFFFFF0u); }},
        {"no data chunk", [](std::vector<uint8_t>& v) { std::memcpy(&v[36], "junk", 4); }},
        {"data before fmt", [](std::vector<uint8_t>& v) { std::memcpy(&v[12], "data", 4); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        c.spoil(bad);
        host_.ClearRecord();
        EXPECT_FALSE(PlaySoundA(reinterpret_cast<const char*>(bad.data()), nullptr, SND_ASYNC | SND_MEMORY)) << c.what;
        EXPECT_EQ(Lines(host_, "Wave"), std::vector<std::string>{}) << c.what;
    }
    // Other chunks are passed over, odd ones with their pad byte.
    std::vector<uint8_t> extra(good.begin(), good.begin() + 36);
    Add(extra, "LIST", 3);
    extra.insert(extra.end(), {'a', 'b', 'c', 0});
    extra.insert(extra.end(), good.begin() + 36, good.end());
    Put32(extra, 4, uint32_t(extra.size() - 8));
    EXPECT_TRUE(PlaySoundA(reinterpret_cast<const char*>(extra.data()), nullptr, SND_ASYNC | SND_MEMORY));
}

TEST_F(Sound, WaveResourcesAreNamedAndBoundedByTheirSize) {
    static std::vector<uint8_t> image = Wave(50);
    tw::kernel::RegisterResource("WAVE", "#4001", image.data(), image.size());
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(4001), "WAVE");
    auto* locked = static_cast<const char*>(LockResource(LoadResource(nullptr, res)));
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(PlaySoundA(locked, nullptr, SND_ASYNC | SND_MEMORY | SND_LOOP));
    EXPECT_EQ(Lines(host_, ""), (std::vector<std::string>{"PlaySoundA WAVE #4001 13", "Wave 144 loop"}));

    static std::vector<uint8_t> copy = image;
    tw::kernel::RegisterResource("WAVE", "CUT", copy.data(), copy.size() - 1);
    host_.ClearRecord();
    EXPECT_FALSE(PlaySoundA(reinterpret_cast<const char*>(copy.data()), nullptr, SND_ASYNC | SND_MEMORY));
    EXPECT_EQ(Lines(host_, ""), std::vector<std::string>{"PlaySoundA WAVE CUT 5"});
}

TEST_F(Sound, MciParsesCommandsAndRefusesWhatItCannotDo) {
    char buf[16] = "junk";
    EXPECT_EQ(mciSendStringA(open_.c_str(), buf, sizeof buf, hwnd_), 0u);
    EXPECT_STREQ(buf, "1");  // the device id
    EXPECT_EQ(Lines(host_, "MidiOpen"), std::vector<std::string>{"MidiOpen " + (dir_ / "tintmus.mid").string()});
    EXPECT_EQ(Lines(host_, "mciSendStringA").front(), "mciSendStringA " + open_);
    EXPECT_EQ(Send(open_), MCIERROR(MCIERR_DUPLICATE_ALIAS));

    EXPECT_EQ(mciSendStringA("SEEK mainmidi TO START WAIT", buf, sizeof buf, hwnd_), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(Send("Play MainMidi"), 0u);
    EXPECT_TRUE(host_.MidiPlaying());
    EXPECT_EQ(Send("stop MainMidi"), 0u);
    EXPECT_FALSE(host_.MidiPlaying());

    EXPECT_EQ(Send(""), MCIERROR(MCIERR_MISSING_COMMAND_STRING));
    EXPECT_EQ(Send("frobnicate MainMidi"), MCIERROR(MCIERR_UNRECOGNIZED_COMMAND));
    EXPECT_EQ(Send("play"), MCIERROR(MCIERR_MISSING_DEVICE_NAME));
    EXPECT_EQ(Send("play MainMidi loudly"), MCIERROR(MCIERR_UNRECOGNIZED_KEYWORD));
    EXPECT_EQ(Send("play MainMidi notify notify"), MCIERROR(MCIERR_DUPLICATE_FLAGS));
    EXPECT_EQ(Send("seek MainMidi"), MCIERROR(MCIERR_MISSING_PARAMETER));
    EXPECT_EQ(Send("seek MainMidi to"), MCIERROR(MCIERR_MISSING_STRING_ARGUMENT));
    EXPECT_EQ(Send("play OtherMidi"), MCIERROR(MCIERR_INVALID_DEVICE_NAME));
    EXPECT_EQ(Send("open \"" + dir_.string() + "/tintmus.mid alias X"), MCIERROR(MCIERR_NO_CLOSING_QUOTE));
    EXPECT_EQ(Send("close MainMidi"), 0u);
    EXPECT_EQ(Lines(host_, "Midi"), (std::vector<std::string>{"MidiOpen " + (dir_ / "tintmus.mid").string(),
                                                              "MidiSeek", "MidiPlay", "MidiStop", "MidiClose"}));
    EXPECT_EQ(Notified(), Codes{});
}

TEST_F(Sound, AMissingTuneFailsToOpenAndTheAliasStaysUnknown) {
    fs::remove(dir_ / "tintmus.mid");
    EXPECT_EQ(Send(open_), MCIERROR(MCIERR_FILE_NOT_FOUND));
    for (const char* command : {"seek MainMidi to start wait", "play MainMidi notify", "stop MainMidi",
                                "close MainMidi"})
        EXPECT_EQ(Send(command), MCIERROR(MCIERR_INVALID_DEVICE_NAME)) << command;
    EXPECT_EQ(Lines(host_, "Midi"), std::vector<std::string>{});
    EXPECT_EQ(Notified(), Codes{});
}

TEST_F(Sound, TheEndOfThePieceIsNotifiedAndStopsAbortTheNotify) {
    OpenAndPlay();
    EXPECT_EQ(Notified(), Codes{}) << "nothing before the end";
    EXPECT_TRUE(host_.FinishMusic());
    EXPECT_EQ(Notified(), Codes{MCI_NOTIFY_SUCCESSFUL});
    EXPECT_EQ(Lines(host_, "MM_MCINOTIFY"), std::vector<std::string>{"MM_MCINOTIFY 1"});
    // At the end, a play without a seek has nothing left to play.
    EXPECT_EQ(Send("play MainMidi notify"), 0u);
    EXPECT_EQ(Notified(), Codes{MCI_NOTIFY_SUCCESSFUL});

    // Stop, seek and close each end a pending notify as aborted; a stop is never an end.
    for (const char* command : {"stop MainMidi", "seek MainMidi to start", "close MainMidi"}) {
        ASSERT_EQ(Send("seek MainMidi to start wait"), 0u);
        ASSERT_EQ(Send("play MainMidi notify"), 0u);
        EXPECT_EQ(Send(command), 0u);
        EXPECT_FALSE(host_.FinishMusic()) << command;
        EXPECT_EQ(Notified(), Codes{MCI_NOTIFY_ABORTED}) << command;
    }
    // Closed: nothing more comes, and the alias is gone.
    EXPECT_EQ(Send("play MainMidi notify"), MCIERROR(MCIERR_INVALID_DEVICE_NAME));
    EXPECT_EQ(Notified(), Codes{});
}

TEST_F(Sound, ANewPlayNotifySupersedesThePendingOne) {
    OpenAndPlay();
    EXPECT_EQ(Send("play MainMidi notify"), 0u);
    EXPECT_EQ(Notified(), Codes{MCI_NOTIFY_SUPERSEDED});
    EXPECT_EQ(Send("play MainMidi"), 0u);  // without notify: the pending one stays
    EXPECT_TRUE(host_.FinishMusic());
    EXPECT_EQ(Notified(), Codes{MCI_NOTIFY_SUCCESSFUL});
    // A stop with notify of its own: the play is aborted, the stop succeeds.
    ASSERT_EQ(Send("seek MainMidi to start wait"), 0u);
    ASSERT_EQ(Send("play MainMidi notify"), 0u);
    EXPECT_EQ(Send("stop MainMidi notify"), 0u);
    EXPECT_EQ(Notified(), (Codes{MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUCCESSFUL}));
}

// The whole path in the lock-step harness: the program idles in GetMessage while the tune plays,
// the end wakes it, and its window procedure starts the tune again.
TEST(SoundProgram, FinishMusicWakesTheProgramWithTheNotification) {
    static int notices = 0;
    tw::test::ProgramOptions o;
    o.copyPages = false;
    o.entry = [] {
        WNDCLASSA wc{};
        wc.lpszClassName = "TuneWin";
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == MM_MCINOTIFY && w == MCI_NOTIFY_SUCCESSFUL) {
                ++notices;
                mciSendStringA("seek Tune to start wait", nullptr, 0, nullptr);
                mciSendStringA("play Tune notify", nullptr, 0, h);
            }
            if (m == WM_DESTROY) PostQuitMessage(0);
            return DefWindowProcA(h, m, w, l);
        };
        RegisterClassA(&wc);
        HWND hwnd = CreateWindowExA(0, "TuneWin", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                    nullptr, nullptr);
        std::ofstream("tune.mid") << "MThd";
        char cwd[512];
        GetCurrentDirectoryA(sizeof cwd, cwd);
        mciSendStringA(("open " + std::string(cwd) + "\\tune.mid alias Tune").c_str(), nullptr, 0, hwnd);
        mciSendStringA("play Tune notify", nullptr, 0, hwnd);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        return 0;
    };
    tw::test::Program program(o);
    program.Start();
    EXPECT_EQ(program.Record("Midi").size(), 2u);
    EXPECT_TRUE(program.FinishMusic());
    EXPECT_TRUE(program.FinishMusic());
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(program.Record("MidiPlay").size(), 3u);
    EXPECT_EQ(program.Record("MM_MCINOTIFY"), (std::vector<std::string>{"MM_MCINOTIFY 1", "MM_MCINOTIFY 1"}));
}

#ifdef TW_SDL_HOST_TESTS

// A format-0 MIDI file of one quarter-second note.
std::vector<uint8_t> Tune() {
    std::vector<uint8_t> track = {0x00, 0xC0, 0x00,              // piano
                                  0x00, 0x90, 60,   100,         // note on
                                  0x81, 0x70, 0x80, 60,   0,     // 240 ticks later: off
                                  0x00, 0xFF, 0x2F, 0x00};       // end of track
    std::vector<uint8_t> v = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                              'M', 'T', 'r', 'k', 0, 0, 0, uint8_t(track.size())};
    v.insert(v.end(), track.begin(), track.end());
    return v;
}

// Largest absolute sample of the disk driver's raw output (signed 16-bit).
int Peak(const fs::path& raw) {
    std::ifstream in(raw, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int peak = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        int16_t s = int16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
        peak = std::max(peak, std::abs(int(s)));
    }
    return peak;
}

// Effects and the tune are heard (SDL's disk driver writes the mix to a file), the tune's end is
// reported once, and a halt is never taken for the end.
TEST(SdlSound, EffectsAndTuneReachTheDiskDriver) {
    char tmpl[] = "/tmp/twaudioXXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    fs::path dir = tmpl;
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", (dir / "wave.raw").c_str(), 1);
    std::atomic<int> wakes{0};
    {
        tw::sdl::SdlAudio audio([&] { ++wakes; });
        std::vector<uint8_t> wave = Wave(22050 / 4);
        audio.PlayWave(wave.data(), wave.size(), false);
        if (!audio.DeviceOpen()) GTEST_SKIP() << "no disk audio driver: " << SDL_GetError();
        wave.assign(wave.size(), 0);  // the host has its own copy
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        audio.Shutdown();
    }
    EXPECT_GT(Peak(dir / "wave.raw"), 4000) << "the effect is not in the mix";

    ::setenv("SDL_DISKAUDIOFILE", (dir / "tune.raw").c_str(), 1);
    std::vector<uint8_t> tune = Tune();
    std::ofstream(dir / "tune.mid", std::ios::binary).write(reinterpret_cast<const char*>(tune.data()), tune.size());
    {
        tw::sdl::SdlAudio audio([&] { ++wakes; });
        ASSERT_TRUE(audio.OpenMidi((dir / "tune.mid").string())) << SDL_GetError();
        audio.PlayMidi();
        audio.SeekMidiStart();  // a halt
        audio.PlayMidi();
        audio.StopMidi();
        EXPECT_FALSE(audio.TakeMidiEnded());
        EXPECT_EQ(wakes, 0);
        audio.PlayMidi();  // on from where it stopped
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!audio.TakeMidiEnded() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(wakes, 1) << "the end of the tune was not reported";
        audio.Shutdown();
    }
    EXPECT_GT(Peak(dir / "tune.raw"), 1000) << "the tune is silent";
    std::error_code ec;
    fs::remove_all(dir, ec);
}

#endif  // TW_SDL_HOST_TESTS

}  // namespace
