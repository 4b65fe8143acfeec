// A light fixture for tests of the Win32 layer: a fresh headless host made current, and no
// program thread. The test itself creates windows and pumps messages on its own thread.
//
// Waiting never blocks here: a GetMessageA with nothing queued lets virtual time jump to its
// next timer or scheduled input, and throws WaitForever when there is neither (the test would
// otherwise hang). RunFor steps time a millisecond at a time, so timers fire at their rate.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "host/headless/headless_host.h"
#include "user/user_internal.h"

namespace tw::test {

class LayerEnv : public ::testing::Test {
protected:
    LayerEnv() { host::SetCurrent(&host_); }
    // Windows, classes, timers and messages a test leaves behind go with its host.
    ~LayerEnv() override {
        user::ResetState();
        host::SetCurrent(&ParkingHost());
    }

    HeadlessHost& Host() { return host_; }
    uint64_t NowMs() const { return host_.PeekMicros() / 1000; }

    // Input arriving msFromNow milliseconds from now (0: due at once).
    void Input(const host::InputEvent& ev, unsigned msFromNow = 0) {
        host_.Schedule(host_.PeekMicros() + uint64_t(msFromNow) * 1000, ev);
    }
    void Mouse(host::InputEvent::Kind kind, int x, int y, unsigned msFromNow = 0, int button = 0) {
        host::InputEvent ev;
        ev.kind = kind;
        ev.x = x;
        ev.y = y;
        ev.button = button;
        Input(ev, msFromNow);
    }
    void KeyEv(host::InputEvent::Kind kind, unsigned vk, unsigned msFromNow = 0, bool alt = false) {
        host::InputEvent ev;
        ev.kind = kind;
        ev.vk = vk;
        ev.alt = alt;
        Input(ev, msFromNow);
    }
    // Move, press, release at (x, y), 5 ms apart, then run until all three are handled.
    void Click(int x, int y) {
        Mouse(host::InputEvent::Kind::MouseMove, x, y, 0);
        Mouse(host::InputEvent::Kind::MouseDown, x, y, 5);
        Mouse(host::InputEvent::Kind::MouseUp, x, y, 10);
        RunFor(10);
    }

    // Dispatches every message ready now (translating keys); returns how many. Stops at WM_QUIT,
    // which sets Quit() and QuitCode(). Gives up (and fails) after `limit` messages: a window
    // that never validates its paint would otherwise loop here for ever.
    int Pump(int limit = 100000) {
        MSG msg;
        int n = 0;
        while (!quit_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit_ = true;
                quitCode_ = static_cast<int>(msg.wParam);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (++n >= limit) {
                ADD_FAILURE() << "more than " << limit << " messages without the queue emptying";
                break;
            }
        }
        return n;
    }

    // Runs a message loop for ms of virtual time (or until WM_QUIT); returns false on WM_QUIT.
    bool RunFor(unsigned ms) {
        const uint64_t end = host_.PeekMicros() + uint64_t(ms) * 1000;
        for (;;) {
            Pump();
            if (quit_) return false;
            uint64_t now = host_.PeekMicros();
            if (now >= end) return true;
            host_.WaitInput(std::min(end, now + 1000));
        }
    }

    bool Quit() const { return quit_; }
    int QuitCode() const { return quitCode_; }

private:
    HeadlessHost host_;
    bool quit_ = false;
    int quitCode_ = 0;
};

}  // namespace tw::test
