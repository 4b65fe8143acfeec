// What USER needs of GDI beyond the public API: device contexts that draw onto the screen
// framebuffer at a window's origin, clipped to what of the window is visible.
#pragma once

#include "core/region.h"
#include "windows.h"

namespace tw::gdi {

// A clip region in screen coordinates.
using Region = tw::Region;

// A DC on the screen with logical (0, 0) at screen point (originX, originY), drawing only
// inside visible. USER creates these for GetDC, GetWindowDC-like uses and BeginPaint.
HDC CreateScreenDC(int originX, int originY, const Region& visible);
// Changes where a screen DC draws (a window moved or was uncovered while the DC is held).
void SetScreenDCGeometry(HDC hdc, int originX, int originY, const Region& visible);
// Releases a DC made by CreateScreenDC. FALSE for any other handle.
BOOL DeleteScreenDC(HDC hdc);
// True when hdc is a live screen DC made by CreateScreenDC.
bool IsScreenDC(HDC hdc);

}  // namespace tw::gdi
