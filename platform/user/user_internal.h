// What other parts of the platform (the headless test harness above all) may ask of USER
// beyond the public API.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace tw::user {

struct MessageBoxRecord {
    HWND hwnd = nullptr;   // the box's own window
    HWND owner = nullptr;  // the hWnd passed to MessageBoxA
    std::string text;
    std::string caption;
    UINT type = 0;  // the uType passed to MessageBoxA
};

// The message boxes open right now, the innermost (topmost) last.
std::vector<MessageBoxRecord> OpenMessageBoxes();

// The modal dialogs open right now, the innermost (topmost) last.
std::vector<HWND> OpenDialogs();

// Forgets every window, class, timer and queued message without sending any message, so a
// new program can start in the same process (tests). Handles of the old windows stay invalid.
void ResetState();

}  // namespace tw::user
