// Showing the screen on an X display without hardware GL, off the program's thread. There the
// screen is scaled on the processor, and on a large full screen scaling it and handing the
// picture to the X server takes longer than a frame of the fill (tens of milliseconds at
// 3840 x 2160), which would hold up the fill's paced frames. A thread of its own, with its own
// connection to the server and memory shared with it, does that work: the program's thread only
// copies the 800 x 600 screen and goes on. A frame not yet shown is replaced by the next.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>

namespace tw::sdl {

class X11Presenter {
public:
    // Null when the window is not on an X display that shares memory with this process in the
    // 32-bit XRGB layout (the caller then draws through an SDL renderer).
    static std::unique_ptr<X11Presenter> Start(SDL_Window* window);
    virtual ~X11Presenter() = default;
    // Hands over a frame of the width x height screen, to be shown scaled into a window of
    // windowWidth x windowHeight as `viewport` says; returns at once.
    virtual void Show(const uint32_t* pixels, int width, int height, int windowWidth, int windowHeight,
                      const SDL_Rect& viewport) = 0;
};

}  // namespace tw::sdl
