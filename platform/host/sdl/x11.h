// What the SDL host needs of X itself, beyond what SDL offers: an error handler that keeps a
// stale-window error from ending the process, handlers that keep the display's loss from ending
// it before the program has kept what it holds, whether a window manager is there to make a
// window fullscreen, and whether the display can draw GL in hardware. On other displays (or
// builds without Xlib) these do nothing.
#pragma once

#include <SDL.h>

namespace tw::sdl {

// Installs the process's X error handler. Call before SDL_Init: SDL keeps the handler it finds
// and passes every error on to it. Errors are logged on stderr and survived.
void InstallXErrorHandler();
// How many X errors the handler has logged and survived.
unsigned XErrorsSurvived();

// Xlib ends the process when the connection to the display breaks (the X server has gone). For
// the window's display, it is noted instead: Xlib does nothing on a broken connection from then
// on, and the host ends the program itself.
void WatchDisplayLoss(SDL_Window* window);
// True once the window's display has gone.
bool DisplayLost();
// The program has kept what it holds and is only closing its windows: should the display go
// meanwhile, the process ends at once with CODE instead (SDL would wait on the broken connection
// for the windows to go, for ever).
void EndOnDisplayLoss(int code);

// False only when the window is on an X display that no EWMH window manager looks after, so
// that a request for fullscreen would reach no one.
bool WindowManagerPresent(SDL_Window* window);

// False only when the window is on an X display that offers no direct rendering (neither DRI3,
// DRI2 nor NVIDIA's own GLX), where GL could only draw on the CPU. Asks the server, without
// loading a GL driver.
bool DisplayHasHardwareGl(SDL_Window* window);

}  // namespace tw::sdl
