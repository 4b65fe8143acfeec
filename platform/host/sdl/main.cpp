// The process entry on SDL desktops: starts SDL, makes the host current, runs the program's
// WinMain with the command-line tail and exits with its result (-1 becomes status 255).
#define SDL_MAIN_HANDLED
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/sdl/sdl_host.h"
#include "host/sdl/x11.h"

namespace {

// The command line after the program name, as Windows hands it to WinMain.
std::string CommandTail(int argc, char** argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (!tail.empty()) tail += ' ';
        std::string arg = argv[i];
        bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
        tail += quote ? "\"" + arg + "\"" : arg;
    }
    return tail;
}

}  // namespace

int main(int argc, char** argv) {
    SDL_SetMainReady();
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

    std::string tail = CommandTail(argc, argv);
    int result = WinMain(GetModuleHandleA(NULL), NULL, tail.data(), SW_SHOWDEFAULT);

    host->Close();
    SDL_Quit();
    return result;
}
