// The presenting thread: its own X connection, a shared-memory image the size of the window, and
// SDL's linear stretch (as its software renderer scales) into that image.
#include "host/sdl/x11_present.h"

#ifdef TW_HAVE_X11

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tw::sdl {

namespace {

class ShmPresenter final : public X11Presenter {
public:
    ShmPresenter(Display* display, Window window, Visual* visual, int depth)
        : display_(display), window_(window), visual_(visual), depth_(depth) {
        gc_ = XCreateGC(display_, window_, 0, nullptr);
        thread_ = std::thread([this] { Run(); });
    }

    ~ShmPresenter() override {
        {
            std::lock_guard lock(lock_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
        DropImage();
        XFreeGC(display_, gc_);
        XCloseDisplay(display_);
    }

    void Show(const uint32_t* pixels, int width, int height, int windowWidth, int windowHeight,
              const SDL_Rect& viewport) override {
        std::lock_guard lock(lock_);
        next_.pixels.assign(pixels, pixels + size_t(width) * height);
        next_.width = width;
        next_.height = height;
        next_.windowWidth = windowWidth;
        next_.windowHeight = windowHeight;
        next_.viewport = viewport;
        pending_ = true;
        wake_.notify_all();
    }

private:
    // The screen as the program's thread last gave it, and where it goes in the window.
    struct Frame {
        std::vector<uint32_t> pixels;
        int width = 0, height = 0, windowWidth = 0, windowHeight = 0;
        SDL_Rect viewport{};
    };

    void Run() {
        Frame frame;
        for (;;) {
            {
                std::unique_lock lock(lock_);
                wake_.wait(lock, [this] { return pending_ || stop_; });
                if (stop_) return;
                std::swap(frame, next_);
                pending_ = false;
            }
            auto& [pixels, width, height, windowWidth, windowHeight, viewport] = frame;
            if (!FitImage(windowWidth, windowHeight)) continue;
            SDL_Surface* from = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), width, height, 32, width * 4,
                                                                   SDL_PIXELFORMAT_RGB888);
            SDL_Surface* to = SDL_CreateRGBSurfaceWithFormatFrom(image_->data, image_->width, image_->height, 32,
                                                                 image_->bytes_per_line, SDL_PIXELFORMAT_RGB888);
            if (from && to) {
                if (viewport.w == width && viewport.h == height) {
                    SDL_BlitSurface(from, nullptr, to, &viewport);
                } else {
                    SDL_SoftStretchLinear(from, nullptr, to, &viewport);
                }
                XShmPutImage(display_, window_, gc_, image_, 0, 0, 0, 0, unsigned(image_->width),
                             unsigned(image_->height), False);
                // The image is written again only once the server has taken this one.
                XSync(display_, False);
            }
            SDL_FreeSurface(from);
            SDL_FreeSurface(to);
        }
    }

    // An image of the window's size, black where the screen does not cover it.
    bool FitImage(int width, int height) {
        if (image_ && image_->width == width && image_->height == height) return true;
        DropImage();
        image_ = XShmCreateImage(display_, visual_, unsigned(depth_), ZPixmap, nullptr, &shm_, unsigned(width),
                                 unsigned(height));
        if (!image_) return false;
        shm_.shmid = shmget(IPC_PRIVATE, size_t(image_->bytes_per_line) * image_->height, IPC_CREAT | 0600);
        void* at = shm_.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(shm_.shmid, nullptr, 0);
        if (at == reinterpret_cast<void*>(-1)) {
            if (shm_.shmid >= 0) shmctl(shm_.shmid, IPC_RMID, nullptr);
            XDestroyImage(image_);
            image_ = nullptr;
            return false;
        }
        shm_.shmaddr = image_->data = static_cast<char*>(at);
        shm_.readOnly = False;
        XShmAttach(display_, &shm_);
        XSync(display_, False);
        // Gone with the last of the two that have it attached.
        shmctl(shm_.shmid, IPC_RMID, nullptr);
        std::memset(image_->data, 0, size_t(image_->bytes_per_line) * image_->height);
        return true;
    }

    void DropImage() {
        if (!image_) return;
        XShmDetach(display_, &shm_);
        XSync(display_, False);
        shmdt(shm_.shmaddr);
        image_->data = nullptr;
        XDestroyImage(image_);
        image_ = nullptr;
    }

    Display* display_;
    Window window_;
    Visual* visual_;
    int depth_;
    GC gc_;
    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};

    std::mutex lock_;
    std::condition_variable wake_;
    Frame next_;
    bool pending_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<X11Presenter> X11Presenter::Start(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
    // Shared memory needs the server on this machine: a display forwarded from elsewhere (ssh -X)
    // would take the segment and show nothing. SDL's software renderer draws there instead.
    const char* name = DisplayString(info.info.x11.display);
    if (!name || !(name[0] == ':' || std::strncmp(name, "unix:", 5) == 0)) return nullptr;
    // A connection of its own: this one is the presenting thread's alone.
    Display* display = XOpenDisplay(name);
    if (!display) return nullptr;
    XWindowAttributes attrs;
    int major = 0, minor = 0;
    Bool pixmaps = False;
    // Shared memory works only beside the server, in the layout the screen's pixels have.
    if (!XShmQueryVersion(display, &major, &minor, &pixmaps) ||
        !XGetWindowAttributes(display, info.info.x11.window, &attrs) || attrs.depth != 24 ||
        attrs.visual->red_mask != 0xff0000 || attrs.visual->green_mask != 0xff00 || attrs.visual->blue_mask != 0xff) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<ShmPresenter>(display, info.info.x11.window, attrs.visual, attrs.depth);
}

}  // namespace tw::sdl

#else

namespace tw::sdl {

std::unique_ptr<X11Presenter> X11Presenter::Start(SDL_Window* window) {
    (void)window;
    return nullptr;
}

}  // namespace tw::sdl

#endif
