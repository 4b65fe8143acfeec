// The child's folder: choosing it, locking it, and making and filling it before the program
// starts there.
#include "host/posix/child_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tw::posix {

namespace {

// Relative to the folder of an installed program (from the build's install layout); a program
// still in its build folder finds the build's copy in share/tintwell beside it.
#ifndef TW_SHIPPED_FROM_BINDIR
#define TW_SHIPPED_FROM_BINDIR "../share/tintwell"
#endif

constexpr char kLockName[] = ".tintwell.lock";

bool IsDir(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Problem(const std::string& folder, const std::string& what, int err) {
    return "Tintwell cannot keep the pictures in " + folder + ": " + what + ": " + std::strerror(err) + ".";
}

// mkdir -p; a folder made here is the user's alone (0700, as XDG asks of data folders).
int MakeFolders(const std::string& folder) {
    for (size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
        std::string part = folder.substr(0, at);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
        if (at == std::string::npos) break;
    }
    return IsDir(folder) ? 0 : ENOTDIR;
}

// Takes the lock without waiting: 0, EWOULDBLOCK when another has it, or an errno.
int TakeLock(int dirfd, Fd& fd) {
    fd.Reset(OpenFile(dirfd, kLockName, O_RDWR | O_CREAT, 0644));
    if (!fd.Valid()) return errno;
    while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        int err = errno;
        fd.Reset();
        return err;
    }
    return 0;
}

}  // namespace

const char kUsage[] =
    "Usage: tintwell [--pages FOLDER] [PICTURE]\n"
    "A colouring program for young children.\n"
    "  PICTURE         offer to make a colouring page of the picture in place of the page\n"
    "                  on screen (given to Tintwell when it is running already)\n"
    "  --pages FOLDER  keep the pictures in FOLDER (default: $TINTWELL_PAGES, else\n"
    "                  $XDG_DATA_HOME/tintwell or ~/.local/share/tintwell)\n"
    "  --help          show this and leave\n";

StartOptions ParseStartOptions(const std::vector<std::string>& args) {
    StartOptions opts;
    for (size_t i = 0; i < args.size() && opts.error.empty(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            opts.help = true;
        } else if (a == "--pages") {
            if (i + 1 < args.size() && !args[i + 1].empty()) opts.pages = args[++i];
            else opts.error = "--pages needs a folder";
        } else if (a.rfind("--pages=", 0) == 0) {
            opts.pages = a.substr(8);
            if (opts.pages.empty()) opts.error = "--pages needs a folder";
        } else if (a.empty() || a[0] == '-') {
            opts.error = "unknown argument '" + a + "'";
        } else if (!opts.picture.empty()) {
            opts.error = "one picture at a time, not '" + a + "' as well";
        } else {
            opts.picture = a;
        }
    }
    return opts;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    const struct passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : "";
}

std::string ChildFolder(const std::string& fromCommandLine) {
    if (!fromCommandLine.empty()) return fromCommandLine;
    if (const char* env = std::getenv("TINTWELL_PAGES"); env && *env) return env;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') return std::string(data) + "/tintwell";
    std::string home = HomeFolder();
    return home.empty() ? "" : home + "/.local/share/tintwell";
}

std::string ShippedFolder(const std::string& exePath) {
    size_t slash = exePath.rfind('/');
    if (slash == std::string::npos) return "";
    std::string bindir = exePath.substr(0, slash);
    for (const char* rel : {TW_SHIPPED_FROM_BINDIR, "share/tintwell"}) {
        std::string candidate = bindir + "/" + rel;
        if (IsDir(candidate)) return candidate;
    }
    return "";
}

std::string PrepareChildFolder(const std::string& folder, const std::string& shipped, ChildFolderLock* lock) {
    if (int err = MakeFolders(folder)) return Problem(folder, "the folder cannot be made", err);
    Fd dir(OpenFolder(AT_FDCWD, folder.c_str()));
    if (!dir.Valid()) return Problem(folder, "the folder cannot be opened", errno);
    if (lock) {
        struct stat st;
        if (::fstat(dir.Get(), &st) == 0)
            lock->identity_ = std::to_string(static_cast<unsigned long long>(st.st_dev)) + "-" +
                              std::to_string(static_cast<unsigned long long>(st.st_ino));
        int err = TakeLock(dir.Get(), lock->fd_);
        lock->inUse_ = err == EWOULDBLOCK;
        if (lock->inUse_)
            return "Tintwell is already open with the pictures in " + folder +
                   ". Only one Tintwell at a time can keep its pictures there.";
        // A folder where no file can be made cannot keep the child's colouring either.
        if (err) return Problem(folder, "nothing can be saved there", err);
    } else {
        WholeFile probe;
        if (int err = probe.Write(dir.Get(), "tintwell-probe", ""))
            return Problem(folder, "nothing can be saved there", err);
    }

    if (shipped.empty()) return "";
    DIR* list = ::opendir(shipped.c_str());
    if (!list) return "";  // nothing to copy: the program says so itself when it finds no page
    std::string problem;
    while (const dirent* e = ::readdir(list)) {
        if (e->d_name[0] == '.') continue;
        // Whatever is there under the name already stays, even a link or a folder.
        if (::faccessat(dir.Get(), e->d_name, F_OK, AT_SYMLINK_NOFOLLOW) == 0) continue;
        std::string bytes;
        if (ReadWhole(AT_FDCWD, (shipped + "/" + e->d_name).c_str(), bytes) != 0) continue;  // not a file
        int err = WriteWhole(dir.Get(), e->d_name, bytes, Publish::NoReplace);
        // Another copy of the program starting at the same moment may have put it there first.
        if (err && err != EEXIST) {
            problem = Problem(folder, std::string("cannot copy ") + e->d_name + " there", err);
            break;
        }
    }
    ::closedir(list);
    return problem;
}

}  // namespace tw::posix
