// The child's folder: choosing it, locking it, and making and filling it before the program
// starts there.
#include "host/posix/child_folder.h"

#include "host/posix/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

// A page file's header: the "TW" magic, the blank flag (bfReserved1) and the mark tintwell-pages
// leaves in bfReserved2 of a page it made from a picture.
constexpr size_t kHeaderBytes = 14;
constexpr uint16_t kMadeMark = 0x4D50;
// A page as the program saves it: eight bits a pixel, 38 colours used of 256 (0 outline, 1 to 36
// the crayons, 37 paper), 660 x 460 pixels after the headers and the colour table.
constexpr size_t kPixelsAt = kHeaderBytes + 40 + 256 * 4;
constexpr size_t kSavedBytes = kPixelsAt + 660 * 460;
constexpr uint8_t kPaper = 37;

uint16_t Word(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

// A saved page without its colouring: every crayon pixel paper again, the blank flag set. Empty
// when the page is not one the program saved.
std::string Uncoloured(std::string page) {
    if (page.size() != kSavedBytes || Word(page, 10) != kPixelsAt || Word(page, 28) != 8) return "";
    for (size_t i = kPixelsAt; i < page.size(); ++i)
        if (uint8_t(page[i]) >= 1 && uint8_t(page[i]) < kPaper) page[i] = char(kPaper);
    page[6] = 1;
    page[7] = 0;
    return page;
}

bool IsPageName(const std::string& name) {
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".twp") == 0;
}

}  // namespace

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    const struct passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : "";
}

std::string ChildFolder(const std::string& fromCommandLine) {
    if (!fromCommandLine.empty()) return fromCommandLine;
    if (const char* env = std::getenv("TINTWELL_PAGES"); env && *env) return env;
    for (const std::string& settings : {XdgConfigHome(), std::string(kXdgConfigMachine)}) {
        if (settings.empty()) continue;
        auto file = IniFile::Read(settings + "/tintwell/tintwell.ini");
        const std::string* pages = file->Find("Tintwell", "Pages");
        std::string_view folder = pages ? IniUnquoted(*pages) : std::string_view();
        if (!folder.empty()) return std::string(folder);
    }
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

int KeepReplacedPage(int dirfd, const std::string& name, std::string_view bytes, std::string& kept) {
    const Fd keepDir(OpenOwnSubfolder(dirfd, "replaced"));
    if (!keepDir.Valid()) return errno;
    WholeFile copy;
    if (int err = copy.Write(keepDir.Get(), name, bytes)) return err;
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const size_t dot = std::min(name.rfind('.'), name.size());
    const std::string base = name.substr(0, dot) + "." + stamp;
    for (int n = 1;; n++) {
        std::string candidate = base + (n > 1 ? "-" + std::to_string(n) : "") + name.substr(dot);
        const int err = copy.Publish(candidate, Publish::NoReplace);
        if (!err) {
            kept = std::move(candidate);
            return 0;
        }
        if (err != EEXIST || n > 99) return err;
    }
}

std::string FreshenPages(const std::string& folder, const std::string& shipped) {
    DIR* list = shipped.empty() ? nullptr : ::opendir(shipped.c_str());
    if (!list) return "";
    const Fd dir(OpenFolder(AT_FDCWD, folder.c_str()));
    std::string problem;
    while (dir.Valid() && problem.empty()) {
        const dirent* e = ::readdir(list);
        if (!e) break;
        const std::string name = e->d_name;
        if (name[0] == '.' || !IsPageName(name)) continue;
        std::string page, clean;
        if (ReadWhole(dir.Get(), name.c_str(), page, kSavedBytes) != 0 || page.size() < kHeaderBytes ||
            page.compare(0, 2, "TW") != 0 || Word(page, 6) != 0)
            continue;  // missing, not a page (the program says so) or not coloured
        // A page made from a picture has no shipped copy: it comes back without its colouring.
        if (Word(page, 8) == kMadeMark) clean = Uncoloured(page);
        else if (ReadWhole(AT_FDCWD, (shipped + "/" + name).c_str(), clean) != 0) clean.clear();
        if (clean.empty()) continue;
        WholeFile fresh;
        std::string kept;
        int err = fresh.Write(dir.Get(), name, clean);
        if (!err) err = KeepReplacedPage(dir.Get(), name, page, kept);
        if (!err && (err = fresh.Publish(name, Publish::Replace)) != 0)
            ::unlinkat(dir.Get(), ("replaced/" + kept).c_str(), 0);  // the page stays where it was
        if (err) problem = Problem(folder, "the coloured " + name + " cannot be put aside", err);
    }
    ::closedir(list);
    return problem;
}

}  // namespace tw::posix
