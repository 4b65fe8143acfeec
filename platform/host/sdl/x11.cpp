// The SDL host's own dealings with X: the error handler, looking for a window manager (its check
// window on the root, as EWMH has it), and the server's extensions for direct rendering.
#include "host/sdl/x11.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#ifdef TW_HAVE_X11
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace tw::sdl {

namespace {
std::atomic<unsigned> xErrors{0};
std::atomic<bool> displayLost{false};
std::atomic<bool> ending{false};
std::atomic<int> endCode{0};
}  // namespace

unsigned XErrorsSurvived() { return xErrors.load(); }
bool DisplayLost() { return displayLost.load(); }

void EndOnDisplayLoss(int code) {
    endCode = code;
    ending = true;
}

#ifdef TW_HAVE_X11

namespace {

// Xlib's own handler prints the error and exits. An error here is a request about something the
// server no longer knows (a window closed under the program, as with an event sent to a window
// that has just gone): the request had nothing left to act on, so the program carries on.
int OnXError(Display* display, XErrorEvent* error) {
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "tintwell: X error ignored: %s (request %u.%u, resource 0x%lx)\n", text,
                 unsigned(error->request_code), unsigned(error->minor_code), error->resourceid);
    xErrors.fetch_add(1);
    return 0;
}

// The connection has broken. Xlib's own handler and its exit handler end the process; these
// return, and Xlib leaves the connection alone from then on.
int OnXIOError(Display* display) {
    (void)display;
    if (ending) std::_Exit(endCode);
    if (!displayLost.exchange(true)) std::fprintf(stderr, "tintwell: the connection to the display has gone\n");
    return 0;
}

void OnXIOErrorExit(Display* display, void* data) {
    (void)display;
    (void)data;
    displayLost = true;
}

}  // namespace

void InstallXErrorHandler() {
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
}

void WatchDisplayLoss(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
        XSetIOErrorExitHandler(info.info.x11.display, OnXIOErrorExit, nullptr);
}

bool WindowManagerPresent(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
    Display* display = info.info.x11.display;
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool present = false;
    if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success) {
        present = type == XA_WINDOW && format == 32 && count == 1 && *reinterpret_cast<Window*>(data) != None;
    }
    if (data) XFree(data);
    return present;
}

bool DisplayHasHardwareGl(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"}) {
        int opcode = 0, event = 0, error = 0;
        if (XQueryExtension(info.info.x11.display, extension, &opcode, &event, &error)) return true;
    }
    return false;
}

#else

void InstallXErrorHandler() {}

void WatchDisplayLoss(SDL_Window* window) { (void)window; }

bool WindowManagerPresent(SDL_Window* window) {
    (void)window;
    return true;
}

bool DisplayHasHardwareGl(SDL_Window* window) {
    (void)window;
    return true;
}

#endif

}  // namespace tw::sdl
