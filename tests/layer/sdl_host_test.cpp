// The SDL host itself, on SDL's dummy video driver (no display needed): what it shows, the
// input it hands the layer, the display switch and its mouse mapping, waiting and waking, and
// answering another process while the program is idle.
//
// Built when the test program links the SDL host (TW_SDL_HOST_TESTS defined).
#ifdef TW_SDL_HOST_TESTS

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>
#include <vector>

#include <windows.h>

#include "host/sdl/sdl_host.h"

namespace {

using namespace std::chrono_literals;
using Kind = tw::host::InputEvent::Kind;
using tw::host::InputEvent;
using tw::sdl::SdlHost;

class SdlHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ::setenv("SDL_RENDER_DRIVER", "software", 1);  // no GL libraries for a test of the host's logic
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override {
        char tmpl[] = "/tmp/twsdlXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        runtimeDir_ = tmpl;
        ::setenv("XDG_RUNTIME_DIR", tmpl, 1);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        host_ = std::make_unique<SdlHost>();
        ASSERT_TRUE(host_->Ok());
    }
    void TearDown() override {
        host_.reset();
        std::error_code ec;
        std::filesystem::remove_all(runtimeDir_, ec);
    }

    // Everything the host has for the layer within `ms` milliseconds.
    std::vector<InputEvent> Drain(int ms = 20) {
        std::vector<InputEvent> out;
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        InputEvent ev;
        while (std::chrono::steady_clock::now() < until) {
            while (host_->PollInput(ev)) out.push_back(ev);
            std::this_thread::sleep_for(1ms);
        }
        return out;
    }

    Uint32 WindowId() { return SDL_GetWindowID(host_->Window()); }

    void PushKey(Uint32 type, SDL_Keycode sym, Uint16 mod = 0, Uint8 repeat = 0) {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = WindowId();
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
    }
    void PushMotion(int x, int y) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = WindowId();
        e.motion.x = x;
        e.motion.y = y;
        SDL_PushEvent(&e);
    }
    void PushButton(Uint32 type, Uint8 button, int x, int y) {
        SDL_Event e{};
        e.type = type;
        e.button.windowID = WindowId();
        e.button.button = button;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        SDL_PushEvent(&e);
    }

    std::string runtimeDir_;
    std::unique_ptr<SdlHost> host_;
};

TEST_F(SdlHostTest, WindowStaysHiddenUntilSomethingIsDrawnThenShowsTheScreen) {
    EXPECT_EQ(host_->Screen().Width(), 800);
    EXPECT_EQ(host_->Screen().Height(), 600);
    host_->WaitInput(host_->NowMicros() + 30000);
    EXPECT_FALSE(SDL_GetWindowFlags(host_->Window()) & SDL_WINDOW_SHOWN);

    host_->Screen().Set(10, 20, 0x00336699);
    host_->ScreenChanged();
    host_->WaitInput(host_->NowMicros() + 30000);
    EXPECT_TRUE(SDL_GetWindowFlags(host_->Window()) & SDL_WINDOW_SHOWN);

    SDL_Renderer* renderer = SDL_GetRenderer(host_->Window());
    ASSERT_NE(renderer, nullptr);
    Uint32 pixel = 0;
    SDL_Rect r{10, 20, 1, 1};
    ASSERT_EQ(SDL_RenderReadPixels(renderer, &r, SDL_PIXELFORMAT_RGB888, &pixel, 4), 0) << SDL_GetError();
    EXPECT_EQ(pixel & 0xffffff, 0x336699u);
}

TEST_F(SdlHostTest, KeysBecomeVirtualKeysWithAltRepeatAndTheMousePosition) {
    PushMotion(120, 80);
    PushKey(SDL_KEYDOWN, SDLK_q, KMOD_LALT, 1);
    PushKey(SDL_KEYUP, SDLK_q);
    PushKey(SDL_KEYDOWN, SDLK_CAPSLOCK);  // not passed on
    PushKey(SDL_KEYDOWN, SDLK_PAGEDOWN);
    auto evs = Drain();
    ASSERT_EQ(evs.size(), 4u);
    EXPECT_EQ(evs[0].kind, Kind::MouseMove);
    EXPECT_EQ(evs[1].kind, Kind::KeyDown);
    EXPECT_EQ(evs[1].vk, static_cast<unsigned>('Q'));
    EXPECT_TRUE(evs[1].alt);
    EXPECT_TRUE(evs[1].repeat);
    EXPECT_EQ(evs[1].x, 120);
    EXPECT_EQ(evs[1].y, 80);
    EXPECT_EQ(evs[2].kind, Kind::KeyUp);
    EXPECT_FALSE(evs[2].alt);
    EXPECT_FALSE(evs[2].repeat);
    EXPECT_EQ(evs[3].vk, static_cast<unsigned>(VK_NEXT));
    for (const auto& ev : evs) EXPECT_NE(ev.kind, Kind::Char);
}

TEST_F(SdlHostTest, MouseMovesCoalesceButtonsKeepTheirOrder) {
    PushMotion(5, 6);
    PushMotion(7, 8);
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 9, 10);
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1, 9, 10);  // not a button the program knows
    PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 11, 12);
    PushMotion(900, -4);  // beyond the screen's edges
    auto evs = Drain();
    ASSERT_EQ(evs.size(), 4u);
    EXPECT_EQ(evs[0].kind, Kind::MouseMove);
    EXPECT_EQ(evs[0].x, 7);
    EXPECT_EQ(evs[0].y, 8);
    EXPECT_EQ(evs[1].kind, Kind::MouseDown);
    EXPECT_EQ(evs[1].button, 1);
    EXPECT_EQ(evs[1].x, 9);
    EXPECT_EQ(evs[2].kind, Kind::MouseUp);
    EXPECT_EQ(evs[2].y, 12);
    EXPECT_EQ(evs[3].x, 799);
    EXPECT_EQ(evs[3].y, 0);
}

TEST_F(SdlHostTest, ClosingTheWindowAsksToCloseAndQuitOrAnEndingSignalEndsTheSession) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = WindowId();
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    auto evs = Drain();
    ASSERT_EQ(evs.size(), 2u);
    EXPECT_EQ(evs[0].kind, Kind::CloseRequest);
    EXPECT_EQ(evs[1].kind, Kind::EndSession);
    EXPECT_FALSE(evs[1].critical);
    // SIGTERM at logout, SIGHUP, SIGINT: caught, and told as the session's end, once each.
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        ASSERT_EQ(::raise(sig), 0);
        evs = Drain();
        ASSERT_EQ(evs.size(), 1u) << "signal " << sig;
        EXPECT_EQ(evs[0].kind, Kind::EndSession);
        EXPECT_FALSE(evs[0].critical);
    }
}

TEST_F(SdlHostTest, TheFilesOfOneDropArriveTogetherAndTextIsNotTaken) {
    host_->AcceptDrops(true);
    auto push = [](Uint32 type, const char* file) {
        SDL_Event e{};
        e.type = type;
        e.drop.file = file ? SDL_strdup(file) : nullptr;
        SDL_PushEvent(&e);
    };
    push(SDL_DROPBEGIN, nullptr);
    push(SDL_DROPFILE, "/home/me/a picture.png");
    push(SDL_DROPTEXT, "some text");
    push(SDL_DROPFILE, "/home/me/b.jpg");
    push(SDL_DROPCOMPLETE, nullptr);
    // A drop of nothing but text is no drop.
    push(SDL_DROPBEGIN, nullptr);
    push(SDL_DROPTEXT, "more text");
    push(SDL_DROPCOMPLETE, nullptr);
    auto evs = Drain();
    ASSERT_EQ(evs.size(), 1u);
    EXPECT_EQ(evs[0].kind, Kind::DropFiles);
    EXPECT_EQ(evs[0].files, (std::vector<std::string>{"/home/me/a picture.png", "/home/me/b.jpg"}));
    EXPECT_GE(evs[0].x, 0);
    EXPECT_LT(evs[0].x, 800);
    host_->AcceptDrops(false);
}

TEST_F(SdlHostTest, DisplaySwitchScalesTheScreenAndMapsTheMouseBack) {
    EXPECT_FALSE(host_->SetDisplayMode(640, 480, 16));
    int w = 0, h = 0;
    SDL_GetWindowSize(host_->Window(), &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);

    ASSERT_TRUE(host_->SetDisplayMode(800, 600, 16));
    host_->Screen().Touch();
    host_->WaitInput(host_->NowMicros() + 30000);
    SDL_GetWindowSize(host_->Window(), &w, &h);
    EXPECT_EQ(w, host_->DesktopWidth());
    EXPECT_EQ(h, host_->DesktopHeight());
    Drain();

    // The middle of the window is the middle of the screen; the far corner is its last pixel.
    PushMotion(w / 2, h / 2);
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, w - 1, h - 1);
    auto evs = Drain();
    ASSERT_EQ(evs.size(), 2u);
    EXPECT_NEAR(evs[0].x, 400, 1);
    EXPECT_NEAR(evs[0].y, 300, 1);
    EXPECT_EQ(evs[1].x, 799);
    EXPECT_EQ(evs[1].y, 599);

    host_->RestoreDisplayMode();
    EXPECT_FALSE(SDL_GetWindowFlags(host_->Window()) & SDL_WINDOW_FULLSCREEN);
}

// The picture follows the window's real size whatever made it that size: scaled by the same
// factor both ways, centred between bars, and the mouse mapped back through the same scaling.
TEST_F(SdlHostTest, ScalingFollowsTheWindowSize) {
    struct Case {
        int w, h;         // the window
        int x, y, sw, sh; // where the 800 x 600 screen shows in it
    } cases[] = {
        {800, 600, 0, 0, 800, 600},      {1280, 1024, 0, 32, 1280, 960}, {1920, 1080, 240, 0, 1440, 1080},
        {1366, 768, 171, 0, 1024, 768}, {1024, 768, 0, 0, 1024, 768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        SDL_SetWindowSize(host_->Window(), c.w, c.h);
        host_->Screen().Touch();
        host_->WaitInput(host_->NowMicros() + 30000);
        Drain();
        auto at = [&](int sx, int sy) {  // window point of screen point (sx, sy), at its middle
            PushMotion(c.x + (2 * sx + 1) * c.sw / 1600, c.y + (2 * sy + 1) * c.sh / 1200);
        };
        at(0, 0);
        PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, c.x + c.sw / 5, c.y + c.sh / 5);  // (160, 120)
        at(799, 599);
        auto evs = Drain();
        ASSERT_EQ(evs.size(), 3u);
        EXPECT_EQ(evs[0].x, 0);
        EXPECT_EQ(evs[0].y, 0);
        EXPECT_NEAR(evs[1].x, 160, 1);
        EXPECT_NEAR(evs[1].y, 120, 1);
        EXPECT_EQ(evs[2].x, 799);
        EXPECT_EQ(evs[2].y, 599);
    }
}

TEST_F(SdlHostTest, WaitKeepsItsDeadlineAndWakesForInputOrAWake) {
    uint64_t start = host_->NowMicros();
    host_->WaitInput(start + 60000);
    uint64_t took = host_->NowMicros() - start;
    EXPECT_GE(took, 60000u);
    EXPECT_LT(took, 1000000u);

    auto waker = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(30ms);
        host_->Wake();
    });
    start = host_->NowMicros();
    host_->WaitInput(UINT64_MAX);
    EXPECT_LT(host_->NowMicros() - start, 2000000u);
    waker.get();

    auto typist = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(30ms);
        PushKey(SDL_KEYDOWN, SDLK_c);
    });
    host_->WaitInput(UINT64_MAX);
    typist.get();
    InputEvent ev;
    ASSERT_TRUE(host_->PollInput(ev));
    EXPECT_EQ(ev.vk, static_cast<unsigned>('C'));
}

TEST_F(SdlHostTest, ManyWakesBeforeAWaitLeaveNothingBehind) {
    for (int i = 0; i < 10000; ++i) host_->Wake();
    host_->WaitInput(host_->NowMicros() + 1000);
    // The wakes collapsed into one: the next wait runs to its deadline.
    uint64_t start = host_->NowMicros();
    host_->WaitInput(start + 40000);
    EXPECT_GE(host_->NowMicros() - start, 40000u);
    EXPECT_LT(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_USEREVENT, SDL_LASTEVENT), 2);
}

struct FakeRequests : SdlHost::InstanceRequests {
    std::vector<std::string> calls;
    bool iconic = true;
    bool IsIconic() override { return iconic; }
    void Raise() override { calls.push_back("raise"); }
    void Restore() override {
        calls.push_back("restore");
        iconic = false;
    }
    // Data is answered later, as the layer answers it once the window has taken it.
    std::vector<tw::host::IncomingData> data;
    void CopyData(tw::host::IncomingData d) override {
        calls.push_back("data " + std::to_string(d.dwData) + " " + d.bytes);
        data.push_back(std::move(d));
    }
};

TEST_F(SdlHostTest, AnswersAnotherProcessWhileIdleAndForgetsTheClassWhenClosed) {
    FakeRequests requests;
    host_->SetInstanceRequests(&requests);
    host_->PublishInstance("TWTEST");
    const std::string path = tw::sdl::InstanceSocketPath(runtimeDir_, "TWTEST");
    ASSERT_TRUE(std::filesystem::exists(path));
    // Its own window is not another process's.
    EXPECT_FALSE(host_->QueryInstance("TWTEST").exists);

    for (auto request : {tw::sdl::InstanceRequest::Query, tw::sdl::InstanceRequest::Restore}) {
        auto reply = std::async(std::launch::async, [&] { return tw::sdl::AskInstance(path, request); });
        auto start = std::chrono::steady_clock::now();
        while (reply.wait_for(0ms) != std::future_status::ready) host_->WaitInput(host_->NowMicros() + 100000);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
        auto r = reply.get();
        EXPECT_TRUE(r.answered);
        EXPECT_EQ(r.iconic, request == tw::sdl::InstanceRequest::Query);
    }
    EXPECT_EQ(requests.calls, std::vector<std::string>{"restore"});

    // Data for the window waits for the window's answer, which reaches the sender.
    const std::string bytes("/home/me/a picture\n.png\0", 24);
    auto sent = std::async(std::launch::async, [&] { return tw::posix::SendInstanceData(path, 7, bytes); });
    while (requests.data.empty() && sent.wait_for(0ms) != std::future_status::ready)
        host_->WaitInput(host_->NowMicros() + 100000);
    ASSERT_EQ(requests.data.size(), 1u);
    EXPECT_EQ(requests.data[0].bytes, bytes);
    EXPECT_EQ(requests.data[0].dwData, 7u);
    EXPECT_NE(sent.wait_for(50ms), std::future_status::ready);
    requests.data[0].answer(-5);
    auto r = sent.get();
    EXPECT_TRUE(r.answered);
    EXPECT_EQ(r.value, -5);

    host_->Close();
    EXPECT_FALSE(std::filesystem::exists(path));
    // A closed host is still safe to use.
    InputEvent ev;
    EXPECT_FALSE(host_->PollInput(ev));
    host_->WaitInput(host_->NowMicros() + 1000);
    host_->Wake();
    host_->SetCursorImage(nullptr);
}

}  // namespace

#endif  // TW_SDL_HOST_TESTS
