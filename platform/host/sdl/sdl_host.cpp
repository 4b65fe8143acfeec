// The SDL2 host: owns the window, its renderer and the streaming texture the screen is shown
// through, the input queue, the cursors made for the layer, the rendezvous sockets of the
// window classes this process has published, and the optional diagnostic trace.
#include "host/sdl/sdl_host.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "host/posix/end_signals.h"
#include "host/posix/ini_file.h"
#include "host/sdl/keymap.h"
#include "host/sdl/x11.h"

namespace tw::sdl {

namespace {

// How often PollInput looks at SDL (it is called once per pixel by the fill).
constexpr uint64_t kPumpMicros = 1000;
// The shortest time between two presented frames.
constexpr uint64_t kFrameMicros = 16000;
// The longest the host sleeps waiting for input.
constexpr int64_t kLongestSleepMicros = 1000000;

int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

SDL_Cursor* MakeColorCursor(const host::CursorImage& image) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return nullptr;
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(static_cast<uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch,
                    image.argb + static_cast<size_t>(y) * image.width, static_cast<size_t>(image.width) * 4);
    }
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, Clamp(image.hotX, 0, image.width - 1),
                                               Clamp(image.hotY, 0, image.height - 1));
    SDL_FreeSurface(surface);
    if (!cursor) {
        // No colour cursors on this display: the nearest system shape.
        bool wait = image.name && std::strcmp(image.name, "IDC_WAIT") == 0;
        cursor = SDL_CreateSystemCursor(wait ? SDL_SYSTEM_CURSOR_WAIT : SDL_SYSTEM_CURSOR_ARROW);
    }
    return cursor;
}

// True when the renderer is GL rasterising on the CPU (Mesa's llvmpipe or softpipe: virtual
// screens, machines without a graphics driver). Such a GL spends several milliseconds and threads
// of its own on every frame; the software renderer shows the same frame for a fraction of that,
// which leaves the time to the fill and the clear, whose pacing runs on the same thread as the
// presenting.
bool GlDrawsOnCpu(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name || std::strncmp(info.name, "opengl", 6) != 0) {
        return false;  // opengl, opengles2 and opengles are the GL ones
    }
    if (!SDL_GL_GetCurrentContext()) return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned kGlRenderer = 0x1F01;
    const unsigned char* name = getString ? getString(kGlRenderer) : nullptr;
    if (!name) return false;
    std::string lower(reinterpret_cast<const char*>(name));
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* cpu : {"llvmpipe", "softpipe", "swrast", "software"}) {
        if (lower.find(cpu) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

SdlHost::SdlHost() : screen_(kScreenWidth, kScreenHeight), start_(std::chrono::steady_clock::now()) {
    // Presenting must never wait for the display's refresh.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Closing the window is the program's business (WM_CLOSE), not a request to quit.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The click that activates the window also reaches it, as on the desktop the program expects.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The software renderer draws into the window's own framebuffer (shared memory on X11), not
    // into yet another GL texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The desktop may drop files on the window only once the program takes them (AcceptDrops);
    // dropped text is never taken.
    AcceptDrops(false);
    SDL_EventState(SDL_DROPTEXT, SDL_DISABLE);
    if (const char* drops = std::getenv("TINTWELL_TEST_DROP")) dropScript_ = drops;

    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        desktopWidth_ = mode.w;
        desktopHeight_ = mode.h;
    }

    window_ = SDL_CreateWindow("Tintwell", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kScreenWidth,
                               kScreenHeight, SDL_WINDOW_HIDDEN);
    if (!window_) {
        std::fprintf(stderr, "tintwell: cannot create the window: %s\n", SDL_GetError());
        return;
    }
    // SDL's first choice, unless that would be a GL drawing on the CPU; a renderer asked for by
    // name (SDL_RENDER_DRIVER) is taken as it is. A display without direct rendering (a virtual
    // screen, a machine without a graphics driver) is not even asked for GL, so that no GL driver
    // is loaded (Mesa's software one keeps tens of megabytes mapped for the life of the process):
    // on X the screen is shown by a thread of its own there (host/sdl/x11_present), elsewhere by
    // SDL's software renderer. Where the display offers direct rendering, GL is tried and given up
    // if it turns out to draw on the CPU.
    const bool named = SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr;
    if (named || DisplayHasHardwareGl(window_)) {
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (renderer_ && !named && GlDrawsOnCpu(renderer_)) {
            SDL_DestroyRenderer(renderer_);
            renderer_ = nullptr;
        }
    }
    if (!renderer_ && !named) presenter_ = X11Presenter::Start(window_);
    if (!renderer_ && !presenter_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_) {
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kScreenWidth,
                                     kScreenHeight);
        // Scales the screen to whatever the window becomes, letterboxed, and maps mouse events back.
        if (texture_) SDL_RenderSetLogicalSize(renderer_, kScreenWidth, kScreenHeight);
    }
    if (!presenter_ && !texture_) {
        std::fprintf(stderr, "tintwell: cannot draw into the window: %s\n", SDL_GetError());
        Close();
        return;
    }
    // Characters come from the layer's TranslateMessage, not from SDL's text input.
    SDL_StopTextInput();

    Uint32 first = SDL_RegisterEvents(2);
    userEvents_ = first == static_cast<Uint32>(-1) ? 0 : first;
    instanceDir_ = DefaultInstanceDir();
    open_ = true;
    WatchDisplayLoss(window_);
    // The signals that end the session are noted and looked for at every wake (below), not
    // sent on through SDL: its wake-up travels on a connection of its own to the display, and
    // at a logout that connection breaks as the signal comes, which Xlib ends the process for
    // there and then, on the signal's thread, with nothing kept.
    posix::CatchEndSignals(nullptr);

    if (const char* path = std::getenv("TINTWELL_TRACE"); path && *path) {
        trace_ = std::fopen(path, "a");
        if (!trace_) std::fprintf(stderr, "tintwell: cannot open the trace file %s\n", path);
    }
}

SdlHost::~SdlHost() {
    Close();
    if (trace_) std::fclose(trace_);
}

void SdlHost::Trace(const char* what, const char* detail) {
    std::fprintf(trace_, "%.3f %s %s\n", static_cast<double>(NowMicros()) / 1000.0, what, detail);
    std::fflush(trace_);
}

void SdlHost::Close() {
    audio_.Shutdown();
    if (open_) posix::CatchEndSignals(nullptr);
    open_ = false;
    published_.clear();
    for (auto& [name, cursor] : cursors_) {
        if (cursor) SDL_FreeCursor(cursor);
    }
    cursors_.clear();
    currentCursor_ = nullptr;
    presenter_.reset();
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    shown_ = false;
    fullscreen_ = false;
    coveredByHand_ = false;
    queue_.clear();
}

uint64_t SdlHost::NowMicros() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count());
}

// --- screen ---

bool SdlHost::SetDisplayMode(int width, int height, int bpp) {
    (void)bpp;  // the screen is shown in the desktop's own depth
    if (!window_) return false;
    if (width != kScreenWidth || height != kScreenHeight) return false;
    if (WindowManagerPresent(window_)) {
        if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
    } else {
        // Fullscreen on X is the window manager's to grant; with none (a kiosk session started
        // by xinit) SDL would scale for the whole display while the window stays as it is. The
        // window is made to cover the display itself instead.
        SDL_Rect bounds;
        int display = SDL_GetWindowDisplayIndex(window_);
        if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return false;
        SDL_SetWindowBordered(window_, SDL_FALSE);
        SDL_SetWindowPosition(window_, bounds.x, bounds.y);
        SDL_SetWindowSize(window_, bounds.w, bounds.h);
        coveredByHand_ = true;
    }
    fullscreen_ = true;
    dirty_ = true;
    return true;
}

void SdlHost::RestoreDisplayMode() {
    if (!window_ || !fullscreen_) return;
    if (coveredByHand_) {
        SDL_SetWindowSize(window_, kScreenWidth, kScreenHeight);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        SDL_SetWindowBordered(window_, SDL_TRUE);
        coveredByHand_ = false;
    } else {
        SDL_SetWindowFullscreen(window_, 0);
    }
    fullscreen_ = false;
    dirty_ = true;
}

// Where the screen shows in the window, scaled and letterboxed as SDL's renderer does it for a
// logical size.
SDL_Rect SdlHost::Viewport() const {
    int w = kScreenWidth, h = kScreenHeight;
    if (window_) SDL_GetWindowSize(window_, &w, &h);
    if (w <= 0 || h <= 0) return SDL_Rect{0, 0, kScreenWidth, kScreenHeight};
    if (int64_t(w) * kScreenHeight == int64_t(h) * kScreenWidth) return SDL_Rect{0, 0, w, h};
    if (int64_t(w) * kScreenHeight < int64_t(h) * kScreenWidth) {
        const int vh = int(std::floor(double(kScreenHeight) * w / kScreenWidth));
        return SDL_Rect{0, (h - vh) / 2, w, vh};
    }
    const int vw = int(std::floor(double(kScreenWidth) * h / kScreenHeight));
    return SDL_Rect{(w - vw) / 2, 0, vw, h};
}

void SdlHost::ToLogical(int wx, int wy, int& x, int& y) const {
    if (renderer_) {
        float lx = 0, ly = 0;
        SDL_RenderWindowToLogical(renderer_, wx, wy, &lx, &ly);
        x = static_cast<int>(lx);
        y = static_cast<int>(ly);
    } else {
        const SDL_Rect v = Viewport();
        x = static_cast<int>(std::floor(double(wx - v.x) * kScreenWidth / v.w));
        y = static_cast<int>(std::floor(double(wy - v.y) * kScreenHeight / v.h));
    }
    x = Clamp(x, 0, kScreenWidth - 1);
    y = Clamp(y, 0, kScreenHeight - 1);
}

void SdlHost::Present(uint64_t now) {
    if (!renderer_ && !presenter_) return;
    if (!shown_) {
        SDL_ShowWindow(window_);
        shown_ = true;
    }
    if (presenter_) {
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        presenter_->Show(screen_.Data(), kScreenWidth, kScreenHeight, w, h, Viewport());
    } else {
        SDL_UpdateTexture(texture_, nullptr, screen_.Data(), kScreenWidth * 4);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }
    presentedVersion_ = screen_.Version();
    dirty_ = false;
    nextPresent_ = now + kFrameMicros;
}

// --- input ---

bool SdlHost::PollInput(host::InputEvent& ev) {
    if (queue_.empty() && window_) {
        uint64_t now = NowMicros();
        if (now - lastPump_ >= kPumpMicros) {
            Pump(now);
            if (NeedsPresent() && now >= nextPresent_) Present(now);
        }
    }
    if (queue_.empty()) return false;
    ev = queue_.front();
    queue_.pop_front();
    return true;
}

void SdlHost::WaitInput(uint64_t deadlineMicros) {
    if (!window_) {
        // No window any more: nothing can arrive; just let the time pass.
        uint64_t now = NowMicros();
        if (deadlineMicros != UINT64_MAX && deadlineMicros > now) {
            std::this_thread::sleep_for(std::chrono::microseconds(std::min<uint64_t>(deadlineMicros - now, 50000)));
        }
        return;
    }
    woken_ = false;
    uint64_t now = NowMicros();
    // A PollInput a moment ago has just asked the display; what SDL holds is enough then.
    if (now - lastPump_ >= kPumpMicros) {
        Pump(now);
    } else {
        TakeQueued();
    }
    for (;;) {
        if (NeedsPresent() && now >= nextPresent_) Present(now);
        if (!queue_.empty() || woken_) return;
        if (deadlineMicros != UINT64_MAX && now >= deadlineMicros) return;

        int64_t waitMicros = deadlineMicros == UINT64_MAX ? -1 : static_cast<int64_t>(deadlineMicros - now);
        if (NeedsPresent()) {
            int64_t due = static_cast<int64_t>(nextPresent_ - now);
            waitMicros = waitMicros < 0 ? due : std::min(waitMicros, due);
        }
        // SDL sleeps on the display connection (and our own wake events) and asks the display
        // itself before it returns.
        // Never asleep for long, so that a signal that ends the session is seen within a second.
        waitMicros = waitMicros < 0 ? kLongestSleepMicros : std::min(waitMicros, kLongestSleepMicros);
        // Rounded up: waking a little early would only mean waiting again.
        SDL_Event e;
        int got = SDL_WaitEventTimeout(&e, static_cast<int>((waitMicros + 999) / 1000));
        now = NowMicros();
        lastPump_ = now;
        if (got) Translate(e);
        TakeQueued();
    }
}

void SdlHost::Wake() {
    if (!open_ || !userEvents_ || wakePending_.exchange(true)) return;
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = userEvents_;
    if (SDL_PushEvent(&e) <= 0) wakePending_ = false;
}

void SdlHost::Pump(uint64_t now) {
    lastPump_ = now;
    SDL_PumpEvents();
    TakeQueued();
}

// A drop as the desktop makes it, from a file of names (one a line) that a real-window check
// puts at TINTWELL_TEST_DROP: the same events in SDL's queue, where the pointer is.
void SdlHost::PushScriptedDrop() {
    std::FILE* f = std::fopen(dropScript_.c_str(), "r");
    if (!f) return;
    std::vector<std::string> names;
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
        std::string name(line);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        if (!name.empty()) names.push_back(name);
    }
    std::fclose(f);
    std::remove(dropScript_.c_str());
    auto push = [](Uint32 type, const std::string* file) {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = type;
        e.drop.file = file ? SDL_strdup(file->c_str()) : nullptr;
        if (SDL_PushEvent(&e) <= 0 && e.drop.file) SDL_free(e.drop.file);
    };
    push(SDL_DROPBEGIN, nullptr);
    for (const std::string& name : names) push(SDL_DROPFILE, &name);
    push(SDL_DROPCOMPLETE, nullptr);
}

void SdlHost::TakeQueued() {
    if (!dropScript_.empty()) {
        const uint64_t now = NowMicros();
        if (now - lastDropLook_ >= kDropLookMicros) {
            lastDropLook_ = now;
            PushScriptedDrop();
        }
    }
    SDL_Event events[32];
    for (;;) {
        int n = SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        for (int i = 0; i < n; ++i) Translate(events[i]);
        if (n < 32) break;
    }
    if (posix::TakeEndSignal()) PushEndSession(false);
    if (DisplayLost() && !displayLossTold_) {
        displayLossTold_ = true;
        PushEndSession(true);
    }
    ServeInstances();
    ServeSound();
}

void SdlHost::PushEndSession(bool critical) {
    host::InputEvent ev;
    ev.kind = host::InputEvent::Kind::EndSession;
    ev.critical = critical;
    ev.x = mouseX_;
    ev.y = mouseY_;
    queue_.push_back(ev);
}

void SdlHost::EndProcess(int code) {
    EndOnDisplayLoss(code);
    if (DisplayLost()) {
        // SDL would wait on the broken connection for the window to go: only the sound is stopped.
        audio_.Shutdown();
    } else {
        Close();
        SDL_Quit();
    }
    std::exit(code);
}

void SdlHost::ServeSound() {
    if (soundEvents_ && audio_.TakeMidiEnded()) soundEvents_->MidiFinished();
}

void SdlHost::Push(const host::InputEvent& ev) {
    // Mouse moves coalesce, as WM_MOUSEMOVE does: only the latest position matters.
    if (ev.kind == host::InputEvent::Kind::MouseMove && !queue_.empty() &&
        queue_.back().kind == host::InputEvent::Kind::MouseMove) {
        queue_.back() = ev;
        return;
    }
    queue_.push_back(ev);
}

void SdlHost::Translate(const SDL_Event& e) {
    using Kind = host::InputEvent::Kind;
    host::InputEvent ev;
    switch (e.type) {
    case SDL_MOUSEMOTION:
        // The renderer has already mapped the position onto the logical 800 x 600 screen;
        // the letterbox bars lie outside it.
        MouseFromWindow(e.motion.x, e.motion.y);
        ev.kind = Kind::MouseMove;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        switch (e.button.button) {
        case SDL_BUTTON_LEFT: ev.button = 0; break;
        case SDL_BUTTON_RIGHT: ev.button = 1; break;
        case SDL_BUTTON_MIDDLE: ev.button = 2; break;
        default: return;
        }
        MouseFromWindow(e.button.x, e.button.y);
        ev.kind = e.type == SDL_MOUSEBUTTONDOWN ? Kind::MouseDown : Kind::MouseUp;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        ev.vk = VirtualKeyFromSdl(e.key.keysym.sym);
        if (ev.vk == 0) return;
        ev.kind = e.type == SDL_KEYDOWN ? Kind::KeyDown : Kind::KeyUp;
        ev.repeat = e.type == SDL_KEYDOWN && e.key.repeat != 0;
        ev.alt = (e.key.keysym.mod & KMOD_ALT) != 0;
        break;
    case SDL_QUIT:
        // The system asks the application to end (its session is ending).
        PushEndSession(false);
        return;
    // The files of one drop come one by one between its begin and its end; the layer gets them
    // together, where the pointer is when the drop ends.
    case SDL_DROPBEGIN:
        dropping_.clear();
        return;
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
        if (e.drop.file) {
            if (e.type == SDL_DROPFILE) dropping_.emplace_back(e.drop.file);
            SDL_free(e.drop.file);
        }
        return;
    case SDL_DROPCOMPLETE:
        if (dropping_.empty()) return;
        ev.kind = Kind::DropFiles;
        ev.files = std::move(dropping_);
        dropping_.clear();
        PointerPosition(mouseX_, mouseY_);
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            ev.kind = Kind::CloseRequest;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (shown_) dirty_ = true;  // what the window showed may be gone
            return;
        default:
            return;
        }
        break;
    default:
        if (userEvents_ && e.type == userEvents_) {
            wakePending_ = false;
            woken_ = true;
        } else if (userEvents_ && e.type == userEvents_ + 1) {
            ServeInstances();
        }
        return;
    }
    ev.x = mouseX_;
    ev.y = mouseY_;
    Push(ev);
}

// --- cursor ---

void SdlHost::SetCursorImage(const host::CursorImage* image) {
    if (trace_) Trace("cursor", image && image->name && *image->name ? image->name : image ? "(unnamed)" : "(hidden)");
    if (!window_) return;
    if (!image || !image->argb || image->width <= 0 || image->height <= 0) {
        if (!cursorHidden_) SDL_ShowCursor(SDL_DISABLE);
        cursorHidden_ = true;
        return;
    }
    std::string key;
    if (image->name && *image->name) {
        key = image->name;
    } else {
        char buf[64];
        std::snprintf(buf, sizeof buf, "#%p:%dx%d", static_cast<const void*>(image->argb), image->width, image->height);
        key = buf;
    }
    auto it = cursors_.find(key);
    SDL_Cursor* cursor = it != cursors_.end() ? it->second : (cursors_[key] = MakeColorCursor(*image));
    if (cursor && cursor != currentCursor_) {
        SDL_SetCursor(cursor);
        currentCursor_ = cursor;
    }
    if (cursorHidden_) SDL_ShowCursor(SDL_ENABLE);
    cursorHidden_ = false;
}

// An event's position: already on the logical screen where a renderer maps it, in the window's
// pixels otherwise.
void SdlHost::MouseFromWindow(int x, int y) {
    if (renderer_) {
        mouseX_ = Clamp(x, 0, kScreenWidth - 1);
        mouseY_ = Clamp(y, 0, kScreenHeight - 1);
    } else {
        ToLogical(x, y, mouseX_, mouseY_);
    }
}

void SdlHost::GetCursorPos(int& x, int& y) {
    if (window_ && shown_ && SDL_GetMouseFocus() == window_) {
        int wx = 0, wy = 0;
        SDL_GetMouseState(&wx, &wy);
        ToLogical(wx, wy, mouseX_, mouseY_);
    }
    x = mouseX_;
    y = mouseY_;
}

void SdlHost::PointerPosition(int& x, int& y) {
    int gx = 0, gy = 0, wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    SDL_GetWindowPosition(window_, &wx, &wy);
    float lx = 0, ly = 0;
    SDL_RenderWindowToLogical(renderer_, gx - wx, gy - wy, &lx, &ly);
    x = Clamp(static_cast<int>(lx), 0, kScreenWidth - 1);
    y = Clamp(static_cast<int>(ly), 0, kScreenHeight - 1);
}

void SdlHost::SetCursorPos(int x, int y) {
    mouseX_ = Clamp(x, 0, kScreenWidth - 1);
    mouseY_ = Clamp(y, 0, kScreenHeight - 1);
    if (!window_ || !shown_) return;
    int wx = 0, wy = 0;
    if (renderer_) {
        SDL_RenderLogicalToWindow(renderer_, mouseX_ + 0.5f, mouseY_ + 0.5f, &wx, &wy);
    } else {
        const SDL_Rect v = Viewport();
        wx = v.x + static_cast<int>((mouseX_ + 0.5) * v.w / kScreenWidth);
        wy = v.y + static_cast<int>((mouseY_ + 0.5) * v.h / kScreenHeight);
    }
    SDL_WarpMouseInWindow(window_, wx, wy);
}

void SdlHost::SetWindowIcon(const host::CursorImage& image) {
    if (!window_ || !image.argb || image.width <= 0 || image.height <= 0) return;
    // SDL copies the pixels (into _NET_WM_ICON on X11).
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(image.argb), image.width,
                                                              image.height, 32, image.width * 4,
                                                              SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
}

void SdlHost::AcceptDrops(bool accept) {
    // SDL marks its windows as drop targets (XdndAware on X11) while either event is wanted.
    const int state = accept ? SDL_ENABLE : SDL_DISABLE;
    for (Uint32 type : {SDL_DROPBEGIN, SDL_DROPFILE, SDL_DROPCOMPLETE}) SDL_EventState(type, state);
}

// --- settings ---

std::string SdlHost::AppDataFolder(bool common) { return common ? posix::kXdgConfigMachine : posix::XdgConfigHome(); }

// --- single instance ---

std::string SdlHost::SocketPath(const std::string& className) const {
    return InstanceSocketPath(instanceDir_, instanceScope_.empty() ? className : className + "@" + instanceScope_);
}

void SdlHost::PublishInstance(const std::string& className) {
    if (!open_ || published_.count(className)) return;
    auto server = std::make_unique<InstanceServer>();
    Uint32 type = userEvents_ ? userEvents_ + 1 : 0;
    // Runs on the server's listening thread: only wakes this one, which answers.
    auto notify = [type] {
        if (!type) return;
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = type;
        SDL_PushEvent(&e);
    };
    if (server->Listen(SocketPath(className), notify)) published_[className] = std::move(server);
}

void SdlHost::UnpublishInstance(const std::string& className) { published_.erase(className); }

host::RemoteWindowOps SdlHost::QueryInstance(const std::string& className) {
    host::RemoteWindowOps ops;
    // Our own windows are not another process's; asking ourselves would wait for ourselves.
    if (published_.count(className)) return ops;
    InstanceReply reply = AskInstance(SocketPath(className), InstanceRequest::Query);
    ops.exists = reply.exists;
    ops.iconic = reply.iconic;
    return ops;
}

bool SdlHost::RaiseInstance(const std::string& className) {
    if (published_.count(className)) return false;
    return AskInstance(SocketPath(className), InstanceRequest::Raise).answered;
}

bool SdlHost::RestoreInstance(const std::string& className) {
    if (published_.count(className)) return false;
    return AskInstance(SocketPath(className), InstanceRequest::Restore).answered;
}

bool SdlHost::SendInstanceData(const std::string& className, uintptr_t dwData, const std::string& bytes,
                               intptr_t& result) {
    if (published_.count(className)) return false;
    InstanceReply reply = posix::SendInstanceData(SocketPath(className), dwData, bytes);
    result = reply.value;
    return reply.answered;
}

void SdlHost::ServeInstances() {
    for (auto& [name, server] : published_) {
        server->ServePending([this](InstanceRequest request) { return AnswerInstance(request); },
                             [this](uintptr_t number, std::string bytes, std::function<void(long)> answer) {
                                 if (!requests_) return;
                                 requests_->CopyData(host::IncomingData{
                                     number, std::move(bytes),
                                     [answer](intptr_t value) { answer(static_cast<long>(value)); }});
                             });
    }
}

bool SdlHost::AnswerInstance(InstanceRequest request) {
    bool visible = window_ && shown_;
    switch (request) {
    case InstanceRequest::Query:
        break;
    case InstanceRequest::Raise:
        if (requests_) requests_->Raise();
        if (visible) SDL_RaiseWindow(window_);
        break;
    case InstanceRequest::Restore:
        if (visible && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED)) SDL_RestoreWindow(window_);
        if (requests_) requests_->Restore();
        if (visible) SDL_RaiseWindow(window_);
        break;
    }
    bool iconic = requests_ && requests_->IsIconic();
    // The window manager may have minimised the window behind the layer's back; a restore asked
    // for just now is still on its way there, so it does not count.
    if (request != InstanceRequest::Restore && visible && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED)) {
        iconic = true;
    }
    return iconic;
}

}  // namespace tw::sdl
