// The child's folder: choosing it, and making and filling it before the program starts there.
#include "host/sdl/child_folder.h"

#include "host/posix/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

// Copies `from` to `to` only when `to` does not exist: the bytes go to a hidden file beside it,
// which is then linked under the real name (link never replaces a file) and removed.
// Returns 0 or an errno.
int CopyIfAbsent(const std::string& from, const std::string& dir, const std::string& name) {
    std::string to = dir + "/" + name;
    if (::access(to.c_str(), F_OK) == 0) return 0;
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    std::string tmp = dir + "/." + name + ".XXXXXX";
    int out = ::mkstemp(tmp.data());
    if (out < 0) {
        int err = errno;
        ::close(in);
        return err;
    }
    int err = 0;
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        if (!WriteAll(out, buf, static_cast<size_t>(n))) {
            err = errno ? errno : EIO;
            break;
        }
    }
    if (!err && (::fchmod(out, 0644) != 0 || ::fsync(out) != 0)) err = errno;
    if (::close(out) != 0 && !err) err = errno;
    ::close(in);
    // Another copy of the program starting at the same moment may have put it there first.
    if (!err && ::link(tmp.c_str(), to.c_str()) != 0 && errno != EEXIST) err = errno;
    ::unlink(tmp.c_str());
    return err;
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
