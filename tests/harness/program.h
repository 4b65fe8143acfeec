// Runs the whole program (WinMain) in-process on the headless host while a scripted user moves
// the mouse, clicks, types and answers message boxes. The program runs on a thread of its own in
// lock-step with the test: every action returns once the program has nothing left to do and
// waits for input again (it is idle), or has ended. Time is virtual: it moves only when the
// program reads the clock or waits, and when the test calls Wait.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/probe.h"

namespace tw::test {

class HeadlessHost;

struct ProgramOptions {
    int desktopWidth = 1024;
    int desktopHeight = 768;
    // The program's current directory. Empty: a fresh temporary folder, removed afterwards.
    std::filesystem::path workDir;
    // Copy the shipped page files (and tune) from the repository's pages/ folder into workDir.
    bool copyPages = true;
    // A runaway program fails the test instead of hanging it: an action gives up when the program
    // has not come back to idle within this much virtual time after the time it was to reach
    // (milliseconds), within this many clock reads and input polls, or within this much real time
    // (seconds; the process then aborts, as the program's thread cannot be stopped).
    unsigned runawayMs = 120000;
    uint64_t runawayHostCalls = 2000000000;
    unsigned runawayRealSeconds = 240;
    // WinMain's command line.
    std::string commandLine;
    // The settings folders the host names (SHGetFolderPathA's CSIDL_APPDATA and
    // CSIDL_COMMON_APPDATA); none when empty, so that no settings file is read.
    std::filesystem::path userSettings, machineSettings;
    // Runs instead of WinMain when set: a stand-in program for tests of the harness itself.
    std::function<int()> entry;
};

struct BoxInfo {
    HWND hwnd = nullptr;
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    unsigned type = 0;  // MB_ flags as passed to MessageBoxA
};

class Program {
public:
    explicit Program(ProgramOptions options = {});
    ~Program();  // a program still running is ended without running any more of its code
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HeadlessHost& Host();
    const std::filesystem::path& Dir() const;

    // Starts WinMain and returns at the first idle (or when it has already returned).
    void Start();
    bool Running() const;
    int ExitCode() const;  // WinMain's result, once it has returned

    // --- time ---
    void Wait(unsigned ms);  // lets virtual time pass; timers and scheduled input happen meanwhile
    DWORD Ticks();           // the tick count now

    // --- the user (screen coordinates; the main window covers the screen from (0, 0)) ---
    void MoveTo(int x, int y);
    void Click(int x, int y);        // press and release the left button
    void DoubleClick(int x, int y);  // two clicks within the double-click time
    void MouseDown(int x, int y);
    void MouseUp(int x, int y);
    void Key(unsigned vk);                         // key down, then key up
    void KeyDown(unsigned vk, bool repeat = false);
    void KeyUp(unsigned vk);
    void Type(char c);  // the key for c down (TranslateMessage makes the WM_CHAR), then up
    void AltF4();
    // Files dragged from the desktop and dropped at screen point (x, y).
    void Drop(const std::vector<std::string>& files, int x, int y);
    // Input that arrives msFromNow milliseconds of virtual time later, possibly while the
    // program is busy (in a fill, a delay or a modal loop).
    void Schedule(unsigned msFromNow, const host::InputEvent& event);
    void ScheduleClick(unsigned msFromNow, int x, int y);
    void ScheduleKey(unsigned msFromNow, unsigned vk);
    void ScheduleType(unsigned msFromNow, char c);

    // --- sound ---
    // The tune that is playing reaches its end now (the device then notifies the program);
    // returns once the program is idle again. False when no tune was playing.
    bool FinishMusic();

    // --- message boxes (MessageBoxA) ---
    std::optional<BoxInfo> Box();           // the open box on top, if any
    const std::vector<BoxInfo>& BoxesSeen();  // every box opened so far, in order
    void Answer(int id);                    // clicks the open box's button IDOK, IDCANCEL, IDRETRY...

    // --- modal dialogs (DialogBoxIndirectParamA) ---
    HWND Dialog();           // the open dialog on top, if any
    HWND Item(int id);       // a control of that dialog
    void ClickItem(int id);  // clicks the middle of that control
    std::string ItemText(int id);

    // --- what the user sees ---
    uint32_t Pixel(int x, int y);  // screen pixel, 0x00RRGGBB
    bool Screenshot(const std::filesystem::path& png);
    std::string CursorName();  // name of the cursor image shown: "IDC_ARROW", "IDC_WAIT", "EditCursor"
    HWND MainWindow();         // the top-level window of class "TINTWIN", or null
    // The screen point of the main window's client point (x, y). The main window is a pop-up
    // with a one-pixel border, as on Windows, so its client area starts at screen (1, 1).
    POINT Client(int x, int y);

    // --- what the program asked of the host, in order (see HeadlessHost::Record) ---
    std::vector<std::string> Record();
    std::vector<std::string> Record(const std::string& prefix);  // the lines starting with prefix
    void ClearRecord();

    // --- faults: the next `count` calls of that kind fail, after `skip` that succeed ---
    void Fail(host::Fault fault, int count = 1, int skip = 0);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The repository's root (for pages/ and resources/), from TW_SOURCE_DIR or the build's knowledge.
std::filesystem::path SourceDir();

}  // namespace tw::test
