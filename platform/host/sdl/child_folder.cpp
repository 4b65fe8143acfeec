// The child's folder: choosing it, and making and filling it before the program starts there.
#include "host/sdl/child_folder.h"

#include "host/posix/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace tw::sdl {

namespace {

// Relative to the folder of an installed program (from the build's install layout); a program
// still in its build folder finds the build's copy in share/tintwell beside it.
#ifndef TW_SHIPPED_FROM_BINDIR
#define TW_SHIPPED_FROM_BINDIR "../share/tintwell"
#endif

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

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The whole of a file, up to `limit` bytes. Returns 0 or an errno.
int ReadBytes(const std::string& path, std::string& bytes, size_t limit) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    bytes.clear();
    int err = 0;
    char buf[1 << 16];
    while (bytes.size() < limit) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return err;
}

// The bytes in a new hidden file in `dir`, on the disk before it is named anywhere else; sets
// `tmp` to its path. Returns 0 or an errno.
int WriteHidden(const std::string& dir, const std::string& name, const std::string& bytes, std::string& tmp) {
    tmp = dir + "/." + name + ".XXXXXX";
    int out = ::mkstemp(tmp.data());
    if (out < 0) return errno;
    int err = 0;
    if (!WriteAll(out, bytes.data(), bytes.size())) err = errno ? errno : EIO;
    if (!err && (::fchmod(out, 0644) != 0 || ::fsync(out) != 0)) err = errno;
    if (::close(out) != 0 && !err) err = errno;
    if (err) ::unlink(tmp.c_str());
    return err;
}

// Copies `from` to dir/name only when there is no such file: the bytes go to a hidden file beside
// it, which is then linked under the real name (link never replaces a file) and removed.
// Returns 0 or an errno.
int CopyIfAbsent(const std::string& from, const std::string& dir, const std::string& name) {
    std::string to = dir + "/" + name;
    if (::access(to.c_str(), F_OK) == 0) return 0;
    std::string bytes, tmp;
    if (int err = ReadBytes(from, bytes, SIZE_MAX)) return err;
    if (int err = WriteHidden(dir, name, bytes, tmp)) return err;
    int err = 0;
    // Another copy of the program starting at the same moment may have put it there first.
    if (::link(tmp.c_str(), to.c_str()) != 0 && errno != EEXIST) err = errno;
    ::unlink(tmp.c_str());
    return err;
}

// --- fresh pages ---

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

// Puts `bytes` in place of dir/name, keeping the file it replaces in dir/replaced as
// tintwell-pages keeps the page it replaces: "dogwood.20261208-143000.TWP" (with "-2" and on
// before the extension when that name is taken). Returns 0 or an errno.
int KeepAndReplace(const std::string& dir, const std::string& name, const std::string& bytes) {
    const std::string target = dir + "/" + name;
    std::string tmp;
    if (int err = WriteHidden(dir, name, bytes, tmp)) return err;
    const std::string keep = dir + "/replaced";
    int err = ::mkdir(keep.c_str(), 0700) != 0 && errno != EEXIST ? errno : 0;
    std::string kept;
    if (!err) {
        const size_t dot = name.rfind('.');
        char stamp[32];
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        ::localtime_r(&now, &local);
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        const std::string base = keep + "/" + name.substr(0, dot) + "." + stamp;
        for (int n = 1; kept.empty() && !err; n++) {
            std::string candidate = base + (n > 1 ? "-" + std::to_string(n) : "") + name.substr(dot);
            if (::link(target.c_str(), candidate.c_str()) == 0) kept = candidate;
            else if (errno != EEXIST || n > 99) err = errno;
        }
    }
    if (!err && ::rename(tmp.c_str(), target.c_str()) != 0) {
        err = errno;
        ::unlink(kept.c_str());  // the page stays where it was
    }
    if (err) ::unlink(tmp.c_str());
    return err;
}

bool IsPageName(const std::string& name) {
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".twp") == 0;
}

}  // namespace

std::string ChildFolder(const std::string& fromCommandLine) {
    if (!fromCommandLine.empty()) return fromCommandLine;
    if (const char* env = std::getenv("TINTWELL_PAGES"); env && *env) return env;
    for (const std::string& settings : {posix::XdgConfigHome(), std::string(posix::kXdgConfigMachine)}) {
        if (settings.empty()) continue;
        auto file = posix::IniFile::Read(settings + "/tintwell/tintwell.ini");
        const std::string* pages = file->Find("Tintwell", "Pages");
        std::string_view folder = pages ? posix::IniUnquoted(*pages) : std::string_view();
        if (!folder.empty()) return std::string(folder);
    }
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') return std::string(data) + "/tintwell";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const struct passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || !*home) return "";
    return std::string(home) + "/.local/share/tintwell";
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

std::string PrepareChildFolder(const std::string& folder, const std::string& shipped) {
    if (int err = MakeFolders(folder)) return Problem(folder, "the folder cannot be made", err);
    // A folder the program cannot write into would lose every page the child colours.
    std::string probe = folder + "/.tintwell-probe.XXXXXX";
    int fd = ::mkstemp(probe.data());
    if (fd < 0) return Problem(folder, "nothing can be saved there", errno);
    ::close(fd);
    ::unlink(probe.c_str());

    if (shipped.empty()) return "";
    DIR* dir = ::opendir(shipped.c_str());
    if (!dir) return "";  // nothing to copy: the program says so itself when it finds no page
    std::string problem;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::string from = shipped + "/" + e->d_name;
        struct stat st;
        if (::stat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (int err = CopyIfAbsent(from, folder, e->d_name)) {
            problem = Problem(folder, std::string("cannot copy ") + e->d_name + " there", err);
            break;
        }
    }
    ::closedir(dir);
    return problem;
}

}  // namespace tw::sdl

namespace tw::sdl {

std::string FreshenPages(const std::string& folder, const std::string& shipped) {
    DIR* dir = shipped.empty() ? nullptr : ::opendir(shipped.c_str());
    if (!dir) return "";
    std::string problem;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name[0] == '.' || !IsPageName(name)) continue;
        std::string page, clean;
        if (ReadBytes(folder + "/" + name, page, kSavedBytes + 1) != 0 || page.size() < kHeaderBytes ||
            page.compare(0, 2, "TW") != 0 || Word(page, 6) != 0)
            continue;  // missing, not a page (the program says so) or not coloured
        // A page made from a picture has no shipped copy: it comes back without its colouring.
        if (Word(page, 8) == kMadeMark) clean = Uncoloured(page);
        else if (ReadBytes(shipped + "/" + name, clean, SIZE_MAX) != 0) clean.clear();
        if (clean.empty()) continue;
        if (int err = KeepAndReplace(folder, name, clean)) {
            problem = Problem(folder, "the coloured " + name + " cannot be put aside", err);
            break;
        }
    }
    ::closedir(dir);
    return problem;
}

}  // namespace tw::sdl
