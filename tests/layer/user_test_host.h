// A small in-memory host for the window-manager tests: a virtual clock that moves only when
// the test or a wait moves it, queued input, a record of notes, beeps and instance calls.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "api/api_test.h"
#include "core/surface.h"
#include "host/probe.h"
#include "user/user_internal.h"

namespace tw::usertest {

class TestHost : public host::Host, public host::Probe {
public:
    explicit TestHost(int width = 800, int height = 600) : desktopW(width), desktopH(height), screen(width, height) {
        host::SetCurrent(this);
        user::ResetState();
    }
    ~TestHost() override { user::ResetState(); }

    uint64_t NowMicros() override {
        ++clockReads;
        return now;
    }
    int DesktopWidth() override { return desktopW; }
    int DesktopHeight() override { return desktopH; }
    Surface& Screen() override { return screen; }
    void ScreenChanged() override {}
    bool SetDisplayMode(int width, int height, int) override {
        if (refuseMode) return false;
        screen.Resize(width, height);
        return true;
    }
    void RestoreDisplayMode() override {
        ++restores;
        screen.Resize(desktopW, desktopH);
    }
    bool PollInput(host::InputEvent& ev) override {
        ++polls;
        if (input.empty()) return false;
        ev = input.front();
        input.pop_front();
        return true;
    }
    void WaitInput(uint64_t deadline) override {
        ++waits;
        lastDeadline = deadline;
        if (onIdle) {
            auto idle = onIdle;  // it may replace itself
            idle();
        }
        if (!input.empty()) return;
        if (deadline == UINT64_MAX)
            now += 1000000;  // nothing would ever come: let the test see it rather than hang
        else if (deadline > now)
            now = deadline;
    }
    void SetCursorImage(const host::CursorImage* image) override { cursor = image ? image->name : ""; }
    void GetCursorPos(int& x, int& y) override { x = cursorX, y = cursorY; }
    void SetCursorPos(int x, int y) override { cursorX = x, cursorY = y; }
    void PublishInstance(const std::string& cls) override { published.insert(cls); }
    void UnpublishInstance(const std::string& cls) override { published.erase(cls); }
    host::RemoteWindowOps QueryInstance(const std::string& cls) override {
        auto it = remote.find(cls);
        return it == remote.end() ? host::RemoteWindowOps{} : it->second;
    }
    bool RaiseInstance(const std::string& cls) override {
        calls.push_back("raise " + cls);
        return remote.count(cls) > 0;
    }
    bool RestoreInstance(const std::string& cls) override {
        calls.push_back("restore " + cls);
        if (remote.count(cls)) remote[cls].iconic = false;
        return remote.count(cls) > 0;
    }
    void SetInstanceRequests(InstanceRequests* handler) override { requests = handler; }
    void Beep(unsigned) override { ++beeps; }
    host::Probe* Diagnostics() override { return this; }
    bool InjectFault(host::Fault fault) override { return faults.erase(fault) > 0; }
    void Note(std::string_view line) override { notes.emplace_back(line); }

    // --- the user ---
    void Move(int x, int y) { Push(host::InputEvent::Kind::MouseMove, x, y); }
    void Down(int x, int y, int button = 0) { Push(host::InputEvent::Kind::MouseDown, x, y, button); }
    void Up(int x, int y, int button = 0) { Push(host::InputEvent::Kind::MouseUp, x, y, button); }
    void Click(int x, int y) {
        Down(x, y);
        Up(x, y);
    }
    void KeyDown(unsigned vk, bool alt = false, bool repeat = false) {
        host::InputEvent ev;
        ev.kind = host::InputEvent::Kind::KeyDown;
        ev.vk = vk;
        ev.alt = alt;
        ev.repeat = repeat;
        input.push_back(ev);
    }
    void KeyUp(unsigned vk, bool alt = false) {
        host::InputEvent ev;
        ev.kind = host::InputEvent::Kind::KeyUp;
        ev.vk = vk;
        ev.alt = alt;
        input.push_back(ev);
    }
    void Key(unsigned vk, bool alt = false) {
        KeyDown(vk, alt);
        KeyUp(vk, alt);
    }
    void Advance(unsigned ms) { now += uint64_t(ms) * 1000; }

    bool Noted(const std::string& line) const {
        for (auto& n : notes)
            if (n == line) return true;
        return false;
    }

    int desktopW, desktopH;
    Surface screen;
    uint64_t now = 1000000;
    int clockReads = 0, polls = 0, waits = 0, beeps = 0, restores = 0;
    uint64_t lastDeadline = 0;
    bool refuseMode = false;
    std::deque<host::InputEvent> input;
    std::function<void()> onIdle;
    std::string cursor;
    int cursorX = 0, cursorY = 0;
    std::set<std::string> published;
    std::map<std::string, host::RemoteWindowOps> remote;
    std::vector<std::string> calls;
    InstanceRequests* requests = nullptr;
    std::multiset<host::Fault> faults;
    std::vector<std::string> notes;

private:
    void Push(host::InputEvent::Kind kind, int x, int y, int button = 0) {
        host::InputEvent ev;
        ev.kind = kind;
        ev.x = x;
        ev.y = y;
        ev.button = button;
        input.push_back(ev);
    }
};

// Runs everything that is ready now, as a program's loop would between waits. Returns the
// quit code when WM_QUIT came out of the queue, -1 otherwise.
inline int Pump(TestHost& host) {
    host.Advance(2);
    MSG msg;
    for (int idle = 0; idle < 40;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            idle = 0;
        } else {
            ++idle;
        }
    }
    return -1;
}

// The test window class and its message log are the public-API tests' own.
using api::CurrentHandler;
using api::CurrentLog;
using api::Handler;
using api::Log;
using api::MakeChild;
using api::MakeTop;
using api::RegisterTestClasses;
using api::TestProc;

}  // namespace tw::usertest
