// The process entry on SDL desktops: reads the command line, starts SDL, makes the host current,
// makes and fills the child's folder and moves into it, runs the program's WinMain there and exits
// with its result (-1 becomes status 255).
#define SDL_MAIN_HANDLED
#include <windows.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/sdl/child_folder.h"
#include "host/sdl/sdl_host.h"
#include "host/sdl/x11.h"

namespace {

// Into the child's folder, made and filled first; false (with a message) when it cannot be used.
bool EnterChildFolder(const std::string& fromCommandLine) {
    std::string folder = tw::sdl::ChildFolder(fromCommandLine);
    std::string problem;
    if (folder.empty()) {
        problem = "Tintwell cannot find a home folder to keep the pictures in. Start it with --pages FOLDER.";
    } else {
        problem = tw::sdl::PrepareChildFolder(folder, tw::sdl::ShippedFolder(tw::host::Current().ProgramPath()));
        if (problem.empty() && ::chdir(folder.c_str()) != 0) {
            problem = "Tintwell cannot open the folder " + folder + ": " + std::strerror(errno) + ".";
        }
    }
    if (problem.empty()) return true;
    std::fprintf(stderr, "tintwell: %s\n", problem.c_str());
    MessageBoxA(NULL, problem.c_str(), "Tintwell", MB_OK | MB_ICONHAND);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    tw::sdl::StartOptions opts = tw::sdl::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (opts.help) {
        std::fputs(tw::sdl::kUsage, stdout);
        return 0;
    }
    if (!opts.error.empty()) {
        std::fprintf(stderr, "tintwell: %s\n%s", opts.error.c_str(), tw::sdl::kUsage);
        return 2;
    }

    SDL_SetMainReady();
    // The X window's class, which the desktop entry's StartupWMClass names, whatever the program
    // file is called.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "tintwell", 0);
    // Before SDL_Init, which passes X errors on to the handler it finds there.
    tw::sdl::InstallXErrorHandler();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "tintwell: cannot start SDL: %s\n", SDL_GetError());
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
    int result = 1;
    if (EnterChildFolder(opts.pages)) {
        // The command line's tail as Windows gives it: the picture, quoted.
        std::string tail = picture.empty() ? std::string() : "\"" + picture + "\"";
        result = WinMain(GetModuleHandleA(NULL), NULL, tail.data(), SW_SHOWDEFAULT);
    }

    host->Close();
    SDL_Quit();
    return result;
}
