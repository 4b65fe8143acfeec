// The process entry on SDL desktops: reads the command line, starts SDL, makes the host current,
// makes the child's folder, takes its lock, fills it and moves into it, runs the program's WinMain
// there and exits with its result (-1 becomes status 255).
#define SDL_MAIN_HANDLED
#include <windows.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/posix/child_folder.h"
#include "host/sdl/sdl_host.h"
#include "host/sdl/x11.h"

namespace {

// The class of the program's main window: another copy on the same folder is raised through it.
constexpr char kMainClass[] = "TINTWIN";
// What the program's window takes a picture's path as (WM_COPYDATA's dwData).
constexpr uintptr_t kPictureData = 0x54575043;

// Whether SDL has taken a video driver that shows nothing without having been asked for it.
bool DrawsOnNoScreen() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (!driver || (asked && *asked)) return false;
    return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

enum class Entered { Yes, No, InUse, Raised };

// Into the child's folder, made, locked and filled first; No (with a message) when it cannot be
// used, Raised when another copy has it and was raised, InUse when that copy cannot be reached
// (a message says so).
Entered EnterChildFolder(const std::string& fromCommandLine, tw::posix::ChildFolderLock& lock,
                         tw::sdl::SdlHost& host) {
    std::string folder = tw::posix::ChildFolder(fromCommandLine);
    std::string problem;
    if (folder.empty()) {
        problem = "Tintwell cannot find a home folder to keep the pictures in. Start it with --pages FOLDER.";
    } else {
        problem = tw::posix::PrepareChildFolder(folder, tw::posix::ShippedFolder(host.ProgramPath()), &lock);
        host.SetInstanceScope(lock.Identity());
        if (problem.empty() && ::chdir(folder.c_str()) != 0) {
            problem = "Tintwell cannot open the folder " + folder + ": " + std::strerror(errno) + ".";
        }
    }
    if (problem.empty()) return Entered::Yes;
    if (lock.InUse()) {
        tw::host::RemoteWindowOps other = host.QueryInstance(kMainClass);
        if (other.exists && host.RaiseInstance(kMainClass)) {
            if (other.iconic) host.RestoreInstance(kMainClass);
            return Entered::Raised;
        }
    }
    std::fprintf(stderr, "tintwell: %s\n", problem.c_str());
    MessageBoxA(NULL, problem.c_str(), "Tintwell", MB_OK | (lock.InUse() ? MB_ICONINFORMATION : MB_ICONHAND));
    return lock.InUse() ? Entered::InUse : Entered::No;
}

}  // namespace

int main(int argc, char** argv) {
    tw::posix::StartOptions opts = tw::posix::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (opts.help) {
        std::fputs(tw::posix::kUsage, stdout);
        return 0;
    }
    if (!opts.error.empty()) {
        std::fprintf(stderr, "tintwell: %s\n%s", opts.error.c_str(), tw::posix::kUsage);
        return 2;
    }

    SDL_SetMainReady();
    // The X window's class, which the desktop entry's StartupWMClass names, whatever the program
    // file is called.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "tintwell", 0);
    // Before SDL_Init, which passes X errors on to the handler it finds there.
    tw::sdl::InstallXErrorHandler();
    // The host catches the signals that end the session itself (the program keeps its page first).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "tintwell: cannot start SDL: %s\n", SDL_GetError());
        return 1;
    }
    // When no display can be reached SDL falls back to drawing on none: a copy nobody can see
    // would hold the child's folder against the next one started.
    if (DrawsOnNoScreen()) {
        std::fprintf(stderr, "tintwell: cannot open the display (DISPLAY or WAYLAND_DISPLAY)\n");
        SDL_Quit();
        return 1;
    }
    // Never deleted: the program's global objects release their GDI objects after WinMain has
    // returned, and the layer still reaches the host then.
    auto* host = new tw::sdl::SdlHost();
    tw::host::SetCurrent(host);
    if (!host->Ok()) {
        host->Close();
        SDL_Quit();
        return 1;
    }

    // The picture, named from where the program was started, is opened from the child's folder.
    std::string picture = opts.picture;
    if (!picture.empty() && picture[0] != '/') {
        char here[4096];
        if (::getcwd(here, sizeof here)) picture = std::string(here) + "/" + picture;
    }
    // The command line's tail as Windows gives it: the picture, quoted.
    std::string tail = picture.empty() ? std::string() : "\"" + picture + "\"";
    // Held while the program runs.
    tw::posix::ChildFolderLock lock;
    int result = 1;
    switch (EnterChildFolder(opts.pages, lock, *host)) {
    case Entered::Yes: {
        result = WinMain(GetModuleHandleA(NULL), NULL, tail.data(), SW_SHOWDEFAULT);
        break;
    }
    // As WinMain ends beside another copy, handing it the picture as WinMain does.
    case Entered::Raised: {
        intptr_t taken = 0;
        if (!picture.empty()) host->SendInstanceData(kMainClass, kPictureData, picture, taken);
        result = -1;
        break;
    }
    case Entered::InUse: result = -1; break;
    case Entered::No: break;
    }
    host->EndProcess(result);
}
