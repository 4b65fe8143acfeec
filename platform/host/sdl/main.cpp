// The process entry on SDL desktops: hands the command line to the program's settings (for --help,
// --version and mistakes before anything starts), starts SDL, makes the host current, reads the
// settings, makes and fills the child's folder and moves into it, runs the program's WinMain there
// with the same command line and exits with its result (-1 becomes status 255).
#define SDL_MAIN_HANDLED
#include <windows.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings.h"
#include "host/sdl/child_folder.h"
#include "host/sdl/sdl_host.h"
#include "host/sdl/tune.h"
#include "host/sdl/x11.h"

namespace {

// What --help adds to the program's own usage about this system.
const char kWhere[] =
    "The settings are read from /etc/xdg/tintwell/tintwell.ini for the whole machine,\n"
    "then from $XDG_CONFIG_HOME/tintwell/tintwell.ini (~/.config/tintwell/tintwell.ini),\n"
    "whose settings win. TINTWELL_WINDOWED=1 is the same as --window window.\n"
    "The pictures are kept in FOLDER, else in $TINTWELL_PAGES, else in Pages, else in\n"
    "$XDG_DATA_HOME/tintwell (~/.local/share/tintwell).\n";

// The arguments as one Windows command line, which the program splits again: each argument
// with a blank or a double quote in it is quoted, its double quotes and the backslashes before
// them escaped.
std::string CommandLine(char** argv, int argc) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i > 1) line += ' ';
        if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
            line += arg;
            continue;
        }
        line += '"';
        size_t slashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++slashes;
                continue;
            }
            line.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
            slashes = 0;
            line += c;
        }
        line.append(2 * slashes, '\\');
        line += '"';
    }
    return line;
}

std::string ExePath() {
    std::vector<char> buf(4096);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

// Into the child's folder, made and filled first, with fresh pages when the settings ask for them;
// false (with a message) when it cannot be used.
bool EnterChildFolder(const std::string& fromCommandLine, bool freshPages) {
    std::string folder = tw::sdl::ChildFolder(fromCommandLine);
    std::string problem;
    if (folder.empty()) {
        problem = "Tintwell cannot find a home folder to keep the pictures in. Start it with --pages FOLDER.";
    } else {
        const std::string shipped = tw::sdl::ShippedFolder(ExePath());
        problem = tw::sdl::PrepareChildFolder(folder, shipped);
        // Not under another Tintwell that is colouring there (this one will leave at once).
        if (problem.empty() && freshPages && !tw::host::Current().QueryInstance("TINTWIN").exists) {
            // The child can colour the pages as they are when no fresh ones can be put there.
            const std::string fresh = tw::sdl::FreshenPages(folder, shipped);
            if (!fresh.empty()) std::fprintf(stderr, "tintwell: %s\n", fresh.c_str());
        }
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
    std::string commandLine = CommandLine(argv, argc);
    switch (ReadCommandLine(commandLine.c_str())) {
    case SETTINGS_HELP:
        std::printf("%s%s", szSettingsText, kWhere);
        return 0;
    case SETTINGS_VERSION:
        std::fputs(szSettingsText, stdout);
        return 0;
    case SETTINGS_BAD:
        std::fprintf(stderr, "tintwell: %s\nSee tintwell --help.\n", szSettingsText);
        return 2;
    default:
        break;
    }
    // The tune's SoundFont loads while SDL starts and the window is made (unless the command line
    // has already said there is to be no tune).
    if (Settings.bMusic) tw::sdl::PreloadSoundFont();

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

    // The same again with the settings files, whose unreadable values are told here: the
    // program itself has nowhere to say so.
    ReadSettings(commandLine.c_str());
    std::fputs(szSettingsNotes, stderr);
    if (!Settings.bMusic) tw::sdl::CancelSoundFontPreload();
    int result = 1;
    if (EnterChildFolder(Settings.szPages, Settings.bFreshPages)) {
        result = WinMain(GetModuleHandleA(NULL), NULL, commandLine.data(), SW_SHOWDEFAULT);
    }

    host->Close();
    SDL_Quit();
    return result;
}
