// A tiny host for the GDI and KERNEL tests: a memory screen, a clock that moves only when a
// test moves it (or the layer waits), injectable faults and a record of the notes and the
// cursor images the layer handed over.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "core/surface.h"
#include "host/probe.h"

namespace tw::test {

class GdiTestHost : public host::Host, public host::Probe {
public:
    GdiTestHost(int width = 800, int height = 600) : screen_(width, height, 0) {}

    uint64_t NowMicros() override { return now; }
    int DesktopWidth() override { return desktopWidth; }
    int DesktopHeight() override { return desktopHeight; }
    Surface& Screen() override { return screen_; }
    void ScreenChanged() override { ++screenChanges; }
    bool SetDisplayMode(int, int, int) override { return false; }
    void RestoreDisplayMode() override {}
    bool PollInput(host::InputEvent&) override { return false; }
    void WaitInput(uint64_t deadline) override {
        if (deadline != UINT64_MAX && deadline > now) now = deadline;
    }
    void SetCursorImage(const host::CursorImage* image) override {
        ++cursorSets;
        if (!image) {
            cursorName = "";
            cursorPixels.clear();
            return;
        }
        cursorName = image->name;
        cursorWidth = image->width;
        cursorHeight = image->height;
        cursorHotX = image->hotX;
        cursorHotY = image->hotY;
        cursorPixels.assign(image->argb, image->argb + image->width * image->height);
    }
    void GetCursorPos(int& x, int& y) override {
        x = cursorX;
        y = cursorY;
    }
    void SetCursorPos(int x, int y) override {
        cursorX = x;
        cursorY = y;
    }
    void PublishInstance(const std::string&) override {}
    void UnpublishInstance(const std::string&) override {}
    host::RemoteWindowOps QueryInstance(const std::string&) override { return {}; }
    bool RaiseInstance(const std::string&) override { return false; }
    bool RestoreInstance(const std::string&) override { return false; }
    void SetInstanceRequests(InstanceRequests*) override {}
    host::Probe* Diagnostics() override { return this; }
    bool InjectFault(host::Fault fault) override { return faults.count(fault) != 0; }
    void Note(std::string_view line) override { notes.emplace_back(line); }

    uint64_t now = 1'000'000;
    int desktopWidth = 1024, desktopHeight = 768;
    int screenChanges = 0;
    std::set<host::Fault> faults;
    std::vector<std::string> notes;
    int cursorSets = 0;
    std::string cursorName;
    int cursorWidth = 0, cursorHeight = 0, cursorHotX = 0, cursorHotY = 0;
    std::vector<uint32_t> cursorPixels;
    int cursorX = 0, cursorY = 0;

private:
    Surface screen_;
};

// Installs a fresh GdiTestHost for the life of the object.
class ScopedTestHost {
public:
    explicit ScopedTestHost(int width = 800, int height = 600) : host_(width, height) { host::SetCurrent(&host_); }
    ~ScopedTestHost() { host::SetCurrent(nullptr); }
    GdiTestHost& operator*() { return host_; }
    GdiTestHost* operator->() { return &host_; }

private:
    GdiTestHost host_;
};

}  // namespace tw::test
