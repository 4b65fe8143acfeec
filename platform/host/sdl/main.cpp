// The process entry on SDL desktops: hands the command line to the program's settings (for --help,
// --version and mistakes before anything starts), starts SDL, makes the host current, reads the
// settings, makes the child's folder, takes its lock, fills it (with fresh pages when asked) and
// moves into it, runs the program's WinMain there with the same command line and exits with its
// result (-1 becomes status 255).
#define SDL_MAIN_HANDLED
#include <windows.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/settings.h"
#include "gdi/gdi_objects.h"
#include "host/posix/child_folder.h"
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

// An argument that names a file from where the program was started (the picture to make a page
// of), by its full path: the program itself runs in the child's folder.
std::string FromHere(const std::string& arg) {
    struct stat st;
    if (arg.empty() || arg[0] == '/' || arg[0] == '-' || ::stat(arg.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return arg;
    char here[4096];
    return ::getcwd(here, sizeof here) ? std::string(here) + "/" + arg : arg;
}

// The arguments as one Windows command line, which the program splits again: each argument
// with a blank or a double quote in it is quoted, its double quotes and the backslashes before
// them escaped.
std::string CommandLine(char** argv, int argc) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string arg = FromHere(argv[i]);
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

// Whether the session has no message bus: no address in the environment and none at the user's
// well-known place. SDL asks the session bus about the screensaver and input methods; without
// one, libdbus would start a bus of its own for the program, forking while the SoundFont and the
// fonts load on other threads (a child that can hang for ever on a lock one of them held at the
// fork, with the program waiting on it before any window shows) and leaving the bus running
// after the program has gone. SDL does without a bus; an address that cannot be reached tells
// libdbus there is none.
bool NoSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return false;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st;
    return !(runtime && *runtime && ::stat((std::string(runtime) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode));
}

enum class Entered { Yes, No, InUse, Raised };

// Into the child's folder, made, locked and filled first, with fresh pages when the settings ask
// for them; No (with a message) when it cannot be used, Raised when another copy has it and was
// raised, InUse when that copy cannot be reached (a message says so).
Entered EnterChildFolder(const std::string& fromCommandLine, bool freshPages,
                         tw::posix::ChildFolderLock& lock, tw::sdl::SdlHost& host) {
    std::string folder = tw::posix::ChildFolder(fromCommandLine);
    std::string problem;
    if (folder.empty()) {
        problem = "Tintwell cannot find a home folder to keep the pictures in. Start it with --pages FOLDER.";
    } else {
        const std::string shipped = tw::posix::ShippedFolder(host.ProgramPath());
        problem = tw::posix::PrepareChildFolder(folder, shipped, &lock);
        host.SetInstanceScope(lock.Identity());
        // Only under the folder's lock: never while another copy colours there.
        if (problem.empty() && freshPages) {
            // The child can colour the pages as they are when no fresh ones can be put there.
            const std::string fresh = tw::posix::FreshenPages(folder, shipped);
            if (!fresh.empty()) std::fprintf(stderr, "tintwell: %s\n", fresh.c_str());
        }
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
    // The environment is settled before any other thread runs: changing it while another thread
    // reads it (fontconfig and FluidSynth do) can pull it from under that thread.
    // The X window's class, which the desktop entry's StartupWMClass names, whatever the program
    // file is called.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "tintwell", 0);
    // Kept for the programs this one starts (the page maker), which need no bus either.
    if (NoSessionBus()) ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);

    // The tune's SoundFont loads, and fontconfig finds the fonts, while SDL starts and the window
    // is made (no SoundFont when the command line has already said there is to be no tune).
    if (Settings.bMusic) tw::sdl::PreloadSoundFont();
    tw::gdi::LookUpFontsAhead();

    SDL_SetMainReady();
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

    // The same again with the settings files, whose unreadable values are told here: the
    // program itself has nowhere to say so.
    ReadSettings(commandLine.c_str());
    std::fputs(szSettingsNotes, stderr);
    if (!Settings.bMusic) tw::sdl::CancelSoundFontPreload();
    // Held while the program runs.
    tw::posix::ChildFolderLock lock;
    int result = 1;
    switch (EnterChildFolder(Settings.szPages, Settings.bFreshPages, lock, *host)) {
    case Entered::Yes:
        result = WinMain(GetModuleHandleA(NULL), NULL, commandLine.data(), SW_SHOWDEFAULT);
        break;
    // As WinMain ends beside another copy, handing it the picture as WinMain does.
    case Entered::Raised: {
        intptr_t taken = 0;
        if (Settings.szPicture[0])
            host->SendInstanceData(kMainClass, kPictureData, Settings.szPicture, taken);
        result = -1;
        break;
    }
    case Entered::InUse: result = -1; break;
    case Entered::No: break;
    }
    host->EndProcess(result);
}
