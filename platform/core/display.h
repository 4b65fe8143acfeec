// The current display mode as the program sees it: the desktop as the user left it until
// DirectDraw switches the mode, then the mode it asked for until the mode is restored.
// USER (GetSystemMetrics) and GDI (GetDeviceCaps) both read it from here.
#pragma once

#include "host/host.h"

namespace tw::display {

struct ModeState {
    bool switched = false;
    int width = 0, height = 0, bitsPerPixel = 0;
};

inline ModeState& Mode() {
    static ModeState mode;
    return mode;
}

inline int Width() { return Mode().switched ? Mode().width : host::Current().DesktopWidth(); }
inline int Height() { return Mode().switched ? Mode().height : host::Current().DesktopHeight(); }
// The desktop runs in true colour; a switched mode reports the depth that was asked for.
inline int BitsPerPixel() { return Mode().switched ? Mode().bitsPerPixel : 32; }

// Called by DirectDraw after the host accepted or restored a mode.
inline void SetMode(int width, int height, int bitsPerPixel) { Mode() = {true, width, height, bitsPerPixel}; }
inline void RestoreMode() { Mode() = {}; }

}  // namespace tw::display
