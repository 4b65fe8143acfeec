// The whole-program runner: WinMain on a thread of its own, passing a baton with the test thread
// so that exactly one of them runs at any time. The program hands the baton over when it waits
// for input with nothing due (it is idle); the test hands it back with an action to carry out.
#include "harness/program.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "harness/png.h"
#include "host/headless/headless_host.h"
#include "user/user_internal.h"

namespace tw::test {

namespace fs = std::filesystem;
using host::InputEvent;

namespace {

// Unwinds the program's thread when the test ends it or gives up on it. The program has no
// catch blocks, so nothing of it runs on the way out but destructors.
struct Unwind {};
// Unwinds it when the program ends the process (the session's end), with the status.
struct Exited {
    int code;
};

constexpr uint64_t kMs = 1000;
constexpr unsigned kGapMs = 5;         // between the parts of one click or key stroke
constexpr unsigned kDoubleClickMs = 100;  // between the two clicks of a double click

InputEvent Mouse(InputEvent::Kind kind, int x, int y) {
    InputEvent ev;
    ev.kind = kind;
    ev.x = x;
    ev.y = y;
    return ev;
}

InputEvent KeyEvent(InputEvent::Kind kind, unsigned vk, bool alt = false, bool repeat = false) {
    InputEvent ev;
    ev.kind = kind;
    ev.vk = vk;
    ev.alt = alt;
    ev.repeat = repeat;
    return ev;
}

// The key that types c on a US keyboard, and whether Shift is needed. 0: no such key here.
unsigned VirtualKeyOf(char c, bool& shift) {
    shift = false;
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return u - 'a' + 'A';
    if (u >= 'A' && u <= 'Z') {
        shift = true;
        return u;
    }
    if (u >= '0' && u <= '9') return u;
    switch (c) {
        case ' ': return VK_SPACE;
        case '\r':
        case '\n': return VK_RETURN;
        case '\t': return VK_TAB;
        case '\b': return VK_BACK;
        case '\x1b': return VK_ESCAPE;
        default: return 0;
    }
}

}  // namespace

struct Program::Impl : HeadlessHost::Driver {
    ProgramOptions options;
    HeadlessHost host;
    fs::path dir;
    bool ownDir = false;
    fs::path oldCwd;

    std::thread thread;
    std::mutex mutex;
    std::condition_variable cv;
    bool programTurn = false;  // who holds the baton (guarded by mutex)
    // Written only by the thread holding the baton.
    bool programRunning = false;
    bool started = false;
    bool finished = false;
    bool stopping = false;
    bool unwinding = false;
    int exitCode = 0;
    std::string failure;  // why the program's thread ended abnormally, reported once
    uint64_t giveUpAt = 0;
    uint64_t calls = 0;

    std::vector<BoxInfo> boxes;
    std::set<HWND> openBoxes;

    explicit Impl(ProgramOptions opts) : options(std::move(opts)) {
        host.SetDesktopSize(options.desktopWidth, options.desktopHeight);
        host.SetAppDataFolders(options.userSettings.string(), options.machineSettings.string());
        host.SetDriver(this);
    }

    // --- on the program's thread ---

    void Step() override {
        if (!programRunning || unwinding) return;
        ++calls;
        uint64_t now = host.PeekMicros();
        if (now <= giveUpAt && calls <= options.runawayHostCalls) return;
        unwinding = true;
        failure = "the program did not come back to idle: " +
                  (now > giveUpAt ? "still busy after " + std::to_string(options.runawayMs) + " ms of virtual time"
                                  : "still busy after " + std::to_string(calls) + " clock reads and polls") +
                  " (virtual time " + std::to_string(now / kMs) + " ms)";
        std::fprintf(stderr, "test harness: %s; ending it\n", failure.c_str());
        throw Unwind{};
    }

    void Observe() override { ObserveBoxes(); }

    void Exit(int code) override {
        ObserveBoxes();
        unwinding = true;
        throw Exited{code};
    }

    void Idle() override {
        ObserveBoxes();
        if (stopping) {
            unwinding = true;
            throw Unwind{};
        }
        {
            std::unique_lock lock(mutex);
            programRunning = false;
            programTurn = false;
            cv.notify_all();
            cv.wait(lock, [&] { return programTurn; });
        }
        if (stopping) {
            unwinding = true;
            throw Unwind{};
        }
    }

    void ThreadMain() {
        {
            std::unique_lock lock(mutex);
            cv.wait(lock, [&] { return programTurn; });
        }
        if (!stopping) {
            try {
                std::string cmdLine = options.commandLine;
                exitCode = options.entry ? options.entry()
                                         : WinMain(GetModuleHandleA(nullptr), nullptr, cmdLine.data(), SW_SHOWDEFAULT);
            } catch (const Unwind&) {
            } catch (const Exited& e) {
                exitCode = e.code;
            } catch (const std::exception& e) {
                failure = std::string("the program's thread ended with an exception: ") + e.what();
            } catch (...) {
                failure = "the program's thread ended with an unknown exception";
            }
        }
        std::unique_lock lock(mutex);
        programRunning = false;
        finished = true;
        programTurn = false;
        cv.notify_all();
    }

    // Every message box seen open, in the order they opened.
    void ObserveBoxes() {
        std::set<HWND> now;
        for (const user::MessageBoxRecord& r : user::OpenMessageBoxes()) {
            now.insert(r.hwnd);
            if (!openBoxes.count(r.hwnd)) boxes.push_back(BoxInfo{r.hwnd, r.owner, r.text, r.caption, r.type});
        }
        openBoxes = std::move(now);
    }

    // --- on the test's thread ---

    // Lets the program run until it is idle again with the clock at or past the target.
    void Resume() {
        if (!started || finished) return;
        uint64_t now = host.PeekMicros();
        giveUpAt = std::max(now, host.Target()) + uint64_t(options.runawayMs) * kMs;
        calls = 0;
        std::unique_lock lock(mutex);
        programRunning = true;
        programTurn = true;
        cv.notify_all();
        if (!cv.wait_for(lock, std::chrono::seconds(options.runawayRealSeconds), [&] { return !programTurn; })) {
            std::fprintf(stderr,
                         "test harness: the program has not come back to idle within %u s of real time "
                         "(it may loop without reading the clock or polling input); aborting\n",
                         options.runawayRealSeconds);
            std::fflush(stderr);
            std::abort();
        }
        lock.unlock();
        if (!failure.empty() && !stopping) {
            ADD_FAILURE() << failure;
            failure.clear();
        }
    }

    void RunUntil(uint64_t targetMicros) {
        host.SetTarget(targetMicros);
        Resume();
        if (!started || finished) host.AdvanceTo(targetMicros);
    }

    uint64_t Now() const { return host.PeekMicros(); }
};

Program::Program(ProgramOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Program::~Program() {
    Impl& p = *impl_;
    if (p.started) {
        if (!p.finished) {
            p.stopping = true;
            p.Resume();
        }
        if (p.thread.joinable()) p.thread.join();
        // Windows, timers and queued messages of this program go, so another can start afresh.
        user::ResetState();
        host::SetCurrent(&ParkingHost());
    }
    std::error_code ec;
    if (!p.oldCwd.empty()) fs::current_path(p.oldCwd, ec);
    if (p.ownDir && !p.dir.empty()) fs::remove_all(p.dir, ec);
}

HeadlessHost& Program::Host() { return impl_->host; }
const fs::path& Program::Dir() const { return impl_->dir; }

void Program::Start() {
    Impl& p = *impl_;
    if (p.started) {
        ADD_FAILURE() << "Program::Start called twice";
        return;
    }
    std::error_code ec;
    if (p.options.workDir.empty()) {
        std::string pattern = (fs::temp_directory_path() / "tintwell-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            ADD_FAILURE() << "cannot make a temporary folder for the program";
            return;
        }
        p.dir = pattern;
        p.ownDir = true;
    } else {
        p.dir = p.options.workDir;
        fs::create_directories(p.dir, ec);
    }
    if (p.options.copyPages) {
        fs::path pages = SourceDir() / "pages";
        if (!fs::is_directory(pages)) ADD_FAILURE() << "no pages folder at " << pages;
        for (const fs::directory_entry& e : fs::directory_iterator(pages, ec)) {
            if (!e.is_regular_file()) continue;
            fs::copy_file(e.path(), p.dir / e.path().filename(), fs::copy_options::skip_existing, ec);
            if (ec) ADD_FAILURE() << "cannot copy " << e.path() << ": " << ec.message();
        }
    }
    p.oldCwd = fs::current_path(ec);
    fs::current_path(p.dir, ec);
    if (ec) ADD_FAILURE() << "cannot change to " << p.dir << ": " << ec.message();

    host::SetCurrent(&p.host);
    p.started = true;
    p.thread = std::thread([&p] { p.ThreadMain(); });
    p.host.SetTarget(0);
    p.Resume();
}

bool Program::Running() const { return impl_->started && !impl_->finished; }
int Program::ExitCode() const { return impl_->exitCode; }

// --- time ---

void Program::Wait(unsigned ms) { impl_->RunUntil(impl_->Now() + ms * kMs); }

DWORD Program::Ticks() { return GetTickCount(); }

// --- sound ---

bool Program::FinishMusic() {
    bool ended = impl_->host.FinishMusic();
    impl_->RunUntil(impl_->Now());
    return ended;
}

// --- the user ---

void Program::MoveTo(int x, int y) {
    uint64_t t = impl_->Now();
    impl_->host.Schedule(t, Mouse(InputEvent::Kind::MouseMove, x, y));
    impl_->RunUntil(t);
}

void Program::Click(int x, int y) {
    uint64_t t = impl_->Now();
    ScheduleClick(0, x, y);
    impl_->RunUntil(t + 2 * kGapMs * kMs);
}

void Program::DoubleClick(int x, int y) {
    uint64_t t = impl_->Now();
    ScheduleClick(0, x, y);
    ScheduleClick(kDoubleClickMs, x, y);
    impl_->RunUntil(t + (kDoubleClickMs + 2 * kGapMs) * kMs);
}

void Program::MouseDown(int x, int y) {
    uint64_t t = impl_->Now();
    impl_->host.Schedule(t, Mouse(InputEvent::Kind::MouseDown, x, y));
    impl_->RunUntil(t);
}

void Program::MouseUp(int x, int y) {
    uint64_t t = impl_->Now();
    impl_->host.Schedule(t, Mouse(InputEvent::Kind::MouseUp, x, y));
    impl_->RunUntil(t);
}

void Program::Key(unsigned vk) {
    uint64_t t = impl_->Now();
    ScheduleKey(0, vk);
    impl_->RunUntil(t + kGapMs * kMs);
}

void Program::KeyDown(unsigned vk, bool repeat) {
    uint64_t t = impl_->Now();
    impl_->host.Schedule(t, KeyEvent(InputEvent::Kind::KeyDown, vk, false, repeat));
    impl_->RunUntil(t);
}

void Program::KeyUp(unsigned vk) {
    uint64_t t = impl_->Now();
    impl_->host.Schedule(t, KeyEvent(InputEvent::Kind::KeyUp, vk));
    impl_->RunUntil(t);
}

void Program::Type(char c) {
    uint64_t t = impl_->Now();
    ScheduleType(0, c);
    impl_->RunUntil(t + 3 * kGapMs * kMs);
}

void Program::AltF4() {
    uint64_t t = impl_->Now();
    impl_->host.Schedule(t, KeyEvent(InputEvent::Kind::KeyDown, VK_F4, true));
    impl_->host.Schedule(t + kGapMs * kMs, KeyEvent(InputEvent::Kind::KeyUp, VK_F4, true));
    impl_->RunUntil(t + kGapMs * kMs);
}

void Program::Drop(const std::vector<std::string>& files, int x, int y) {
    uint64_t t = impl_->Now();
    impl_->host.ScheduleDrop(t, files, x, y);
    impl_->RunUntil(t);
}

void Program::Schedule(unsigned msFromNow, const InputEvent& event) {
    impl_->host.Schedule(impl_->Now() + msFromNow * kMs, event);
}

void Program::ScheduleClick(unsigned msFromNow, int x, int y) {
    uint64_t t = impl_->Now() + msFromNow * kMs;
    impl_->host.Schedule(t, Mouse(InputEvent::Kind::MouseMove, x, y));
    impl_->host.Schedule(t + kGapMs * kMs, Mouse(InputEvent::Kind::MouseDown, x, y));
    impl_->host.Schedule(t + 2 * kGapMs * kMs, Mouse(InputEvent::Kind::MouseUp, x, y));
}

void Program::ScheduleKey(unsigned msFromNow, unsigned vk) {
    uint64_t t = impl_->Now() + msFromNow * kMs;
    impl_->host.Schedule(t, KeyEvent(InputEvent::Kind::KeyDown, vk));
    impl_->host.Schedule(t + kGapMs * kMs, KeyEvent(InputEvent::Kind::KeyUp, vk));
}

void Program::ScheduleType(unsigned msFromNow, char c) {
    bool shift = false;
    unsigned vk = VirtualKeyOf(c, shift);
    if (!vk) {
        ADD_FAILURE() << "the scripted keyboard has no key for character " << int(static_cast<unsigned char>(c));
        return;
    }
    uint64_t t = impl_->Now() + msFromNow * kMs;
    if (shift) impl_->host.Schedule(t, KeyEvent(InputEvent::Kind::KeyDown, VK_SHIFT));
    impl_->host.Schedule(t + kGapMs * kMs, KeyEvent(InputEvent::Kind::KeyDown, vk));
    impl_->host.Schedule(t + 2 * kGapMs * kMs, KeyEvent(InputEvent::Kind::KeyUp, vk));
    if (shift) impl_->host.Schedule(t + 3 * kGapMs * kMs, KeyEvent(InputEvent::Kind::KeyUp, VK_SHIFT));
}

// --- message boxes ---

std::optional<BoxInfo> Program::Box() {
    impl_->ObserveBoxes();
    std::vector<user::MessageBoxRecord> open = user::OpenMessageBoxes();
    if (open.empty()) return std::nullopt;
    const user::MessageBoxRecord& r = open.back();
    return BoxInfo{r.hwnd, r.owner, r.text, r.caption, r.type};
}

const std::vector<BoxInfo>& Program::BoxesSeen() {
    impl_->ObserveBoxes();
    return impl_->boxes;
}

void Program::Answer(int id) {
    std::optional<BoxInfo> box = Box();
    if (!box) {
        ADD_FAILURE() << "no message box is open to answer with " << id;
        return;
    }
    HWND button = GetDlgItem(box->hwnd, id);
    RECT r{};
    if (!button || !GetWindowRect(button, &r)) {
        ADD_FAILURE() << "the message box \"" << box->text << "\" has no button " << id;
        return;
    }
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// --- what the user sees ---

uint32_t Program::Pixel(int x, int y) {
    const Surface& screen = impl_->host.Screen();
    if (!screen.Contains(x, y)) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is off the screen";
        return 0;
    }
    return screen.At(x, y);
}

bool Program::Screenshot(const fs::path& png) { return WritePng(png, impl_->host.Screen()); }

std::string Program::CursorName() { return impl_->host.CursorName(); }

HWND Program::Dialog() {
    std::vector<HWND> open = user::OpenDialogs();
    return open.empty() ? nullptr : open.back();
}

HWND Program::Item(int id) { return GetDlgItem(Dialog(), id); }

void Program::ClickItem(int id) {
    RECT r{};
    if (!GetWindowRect(Item(id), &r)) {
        ADD_FAILURE() << "no dialog control " << id << " to click";
        return;
    }
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

std::string Program::ItemText(int id) {
    char text[256] = "";
    GetWindowTextA(Item(id), text, sizeof text);
    return text;
}

HWND Program::MainWindow() { return FindWindowA("TINTWIN", nullptr); }

POINT Program::Client(int x, int y) {
    POINT pt{x, y};
    HWND main = MainWindow();
    if (!main || !ClientToScreen(main, &pt)) ADD_FAILURE() << "no main window to place a client point on";
    return pt;
}

// --- the record ---

std::vector<std::string> Program::Record() { return impl_->host.Record(); }

std::vector<std::string> Program::Record(const std::string& prefix) {
    std::vector<std::string> lines;
    for (std::string& line : impl_->host.Record())
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(std::move(line));
    return lines;
}

void Program::ClearRecord() { impl_->host.ClearRecord(); }

void Program::Fail(host::Fault fault, int count, int skip) { impl_->host.Fail(fault, count, skip); }

}  // namespace tw::test
