// Reading a settings file with inih, and the cache of files already read.
#include "host/posix/ini_file.h"

#include <errno.h>
#include <fcntl.h>
#include <ini.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace tw::posix {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Hands inih one line of the file at a time. A line inih could misread is handed over as an
// empty line and counted as left out: one too long for inih's line buffer (inih would read its
// tail as a line of its own) or holding a NUL byte (binary). Leading blanks are dropped, as
// Windows drops them; inih would otherwise take an indented line for the continuation of the
// value before it.
struct Lines {
    const char* at;
    const char* end;
    int line = 0;
    int firstBad = 0;

    static char* Next(char* out, int room, void* self) {
        Lines& s = *static_cast<Lines*>(self);
        if (s.at >= s.end) return nullptr;
        const char* newline = static_cast<const char*>(std::memchr(s.at, '\n', static_cast<size_t>(s.end - s.at)));
        const char* stop = newline ? newline : s.end;
        const char* start = s.at;
        s.at = newline ? newline + 1 : s.end;
        ++s.line;
        while (start < stop && (*start == ' ' || *start == '\t')) ++start;
        size_t length = static_cast<size_t>(stop - start);
        // Room for the line, its newline and the terminator.
        if (length + 2 > static_cast<size_t>(room) || std::memchr(start, 0, length)) {
            if (!s.firstBad) s.firstBad = s.line;
            length = 0;
        }
        std::memcpy(out, start, length);
        out[length] = '\n';
        out[length + 1] = 0;
        return out;
    }
};

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNanos = 0;
    bool operator==(const Identity&) const = default;
};

struct Cached {
    Identity identity;
    std::shared_ptr<const IniFile> file;
};

std::mutex g_cacheLock;
std::map<std::string, Cached> g_cache;

void Report(const std::string& path, int line) {
    std::fprintf(stderr, "%s: the settings file %s is damaged (line %d cannot be read); only its readable settings are used\n",
                 program_invocation_short_name, path.c_str(), line);
}

}  // namespace

IniFile IniFile::Parse(std::string_view bytes) {
    IniFile file;
    file.exists_ = true;
    Lines lines{bytes.data(), bytes.data() + bytes.size()};
    auto keep = [](void* user, const char* section, const char* key, const char* value) -> int {
        auto& sections = *static_cast<std::vector<Section>*>(user);
        auto s = std::find_if(sections.begin(), sections.end(), [&](const Section& x) { return SameName(x.name, section); });
        if (s == sections.end()) s = sections.insert(sections.end(), Section{section, {}});
        auto k = std::find_if(s->keys.begin(), s->keys.end(), [&](const Key& x) { return SameName(x.name, key); });
        if (k == s->keys.end()) s->keys.push_back(Key{key, value});
        return 1;
    };
    int bad = ini_parse_stream(&Lines::Next, &lines, keep, &file.sections_);
    if (bad < 0) bad = lines.line ? lines.line : 1;  // inih ran out of memory: whatever it read still counts
    if (lines.firstBad && (!bad || lines.firstBad < bad)) bad = lines.firstBad;
    file.firstBadLine_ = bad;
    return file;
}

std::shared_ptr<const IniFile> IniFile::Read(const std::string& path) {
    // O_NONBLOCK: a FIFO put in the file's place must not hold the program up.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        std::lock_guard lock(g_cacheLock);
        g_cache.erase(path);
        return std::make_shared<const IniFile>();
    }
    Identity identity{st.st_dev, st.st_ino, st.st_size, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    {
        std::lock_guard lock(g_cacheLock);
        auto it = g_cache.find(path);
        if (it != g_cache.end() && it->second.identity == identity) {
            ::close(fd);
            return it->second.file;
        }
    }
    std::string bytes;
    bytes.resize(static_cast<size_t>(std::min<off_t>(st.st_size, off_t(kIniMaxBytes))));
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    auto file = std::make_shared<IniFile>(Parse(bytes));
    // What lies past the part read is not settings.
    if (!file->firstBadLine_ && st.st_size > off_t(kIniMaxBytes))
        file->firstBadLine_ = int(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    if (file->firstBadLine_) Report(path, file->firstBadLine_);
    std::lock_guard lock(g_cacheLock);
    g_cache[path] = Cached{identity, file};
    return file;
}

const std::string* IniFile::Find(std::string_view section, std::string_view key) const {
    for (const Section& s : sections_) {
        if (!SameName(s.name, section)) continue;
        for (const Key& k : s.keys)
            if (SameName(k.name, key)) return &k.value;
        return nullptr;
    }
    return nullptr;
}

std::string_view IniUnquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string XdgConfigHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') return config;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const struct passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || !*home) return "";
    return std::string(home) + "/.config";
}

}  // namespace tw::posix
