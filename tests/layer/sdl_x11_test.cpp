// The SDL host on a real X server (a private Xvfb): an X error, such as an event sent to a window
// that has gone, is logged and survived instead of ending the process as Xlib's own handler
// would.
#if defined(TW_SDL_HOST_TESTS) && defined(TW_HAVE_X11)

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/sdl/sdl_host.h"
#include "host/sdl/x11.h"

// SDL on X talks to D-Bus, whose library keeps a buffer to the end of the process (as in
// tests/soak/lsan_system.supp).
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

// An Xvfb of this process's own on a free display; empty display name when there is none.
class PrivateXvfb {
public:
    PrivateXvfb() {
        std::snprintf(log_, sizeof log_, "/tmp/tw-xvfb-%d.log", int(::getpid()));
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            ::dup2(fds[1], 3);
            int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            // The server's own words, for a skip to show.
            int log = ::open(log_, O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(log >= 0 ? log : null, 2);
            // -noreset: the server would write its number again when the last client leaves.
            ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-noreset", "-screen", "0", "1024x768x24", "-nolisten",
                     "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // The server writes the number, then a newline, and dies if the pipe has been closed
        // between the two: read up to the newline.
        char buf[16] = {};
        ssize_t n = 0;
        while (pid_ > 0 && n < ssize_t(sizeof buf - 1) && (n == 0 || buf[n - 1] != '\n')) {
            ssize_t got = ::read(fds[0], buf + n, sizeof buf - 1 - size_t(n));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            n += got;
        }
        ::close(fds[0]);
        if (n <= 0) return;
        // The number comes as the server starts listening; it answers a little later (seconds
        // later on a busy machine).
        const std::string name = ":" + std::string(buf, size_t(n - (buf[n - 1] == '\n')));
        for (int i = 0; i < 600; ++i) {
            if (::Display* d = XOpenDisplay(name.c_str())) {
                XCloseDisplay(d);
                display_ = name;
                return;
            }
            ::usleep(50000);
        }
    }
    ~PrivateXvfb() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        ::unlink(log_);
    }
    const std::string& Display() const { return display_; }
    // What the server said, and whether it still runs.
    std::string Said() {
        const bool running = pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0;
        if (!running) pid_ = -1;
        std::string said = running ? "running; " : "ended; ";
        if (std::FILE* f = std::fopen(log_, "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, f)) said += line;
            std::fclose(f);
        }
        return said;
    }

private:
    pid_t pid_ = -1;
    std::string display_;
    char log_[64] = {};
};

TEST(SdlHostOnX, AnErrorAboutAWindowThatHasGoneIsLoggedAndSurvived) {
    PrivateXvfb xvfb;
    if (xvfb.Display().empty()) GTEST_SKIP() << "no Xvfb to run an X server: " << xvfb.Said();
    ::setenv("DISPLAY", xvfb.Display().c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::setenv("SDL_RENDER_DRIVER", "software", 1);

    tw::sdl::InstallXErrorHandler();  // as the process entry does, before SDL_Init
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
    {
        tw::sdl::SdlHost host;
        ASSERT_TRUE(host.Ok());
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_TRUE(SDL_GetWindowWMInfo(host.Window(), &info));
        ::Display* display = info.info.x11.display;

        // A window that existed a moment ago, then an event sent to it on SDL's own connection.
        Window gone = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
        XDestroyWindow(display, gone);
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = gone;
        ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        ev.xclient.format = 32;
        const unsigned before = tw::sdl::XErrorsSurvived();
        testing::internal::CaptureStderr();
        XSendEvent(display, gone, False, 0, &ev);
        XSync(display, False);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(tw::sdl::XErrorsSurvived(), before + 1);
        EXPECT_NE(log.find("X error ignored: BadWindow"), std::string::npos) << log;

        // The host goes on working on the same connection.
        host.Screen().Touch();
        host.WaitInput(host.NowMicros() + 30000);
        EXPECT_TRUE(SDL_GetWindowFlags(host.Window()) & SDL_WINDOW_SHOWN);
    }
    SDL_Quit();
}

}  // namespace

#endif
