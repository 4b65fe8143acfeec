// Files opened and written so that nothing planted in a folder can hang or redirect them: a FIFO
// or a device where a file is expected is refused without waiting on it, a file written is never
// reached through a symbolic link, and a new file is written whole, under a unique hidden name
// first, flushed, then published under its own name, replacing nothing unless asked to. This
// works on file systems that refuse hard links too (FAT, exFAT, many FUSE and network mounts).
//
// Plain POSIX (and Linux's renameat2 where there is one); shared by the SDL host, the Win32
// layer's file calls and tintwell-pages.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>

namespace tw::posix {

// Owns one file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// Opens `path` (relative to the folder `dirfd`, or AT_FDCWD) with `flags` only if it is a regular
// file, without waiting on it if it is not (a FIFO, a device): -1 with errno then (EINVAL for
// something that is not a regular file). A file opened for writing is never reached through a
// symbolic link (O_NOFOLLOW; ELOOP). The descriptor blocks as usual and is closed on exec.
int OpenFile(int dirfd, const char* path, int flags, mode_t mode = 0644);

// A folder by path (following links, as the user may keep a folder elsewhere): -1 with errno.
int OpenFolder(int dirfd, const char* path);
// A subfolder that this program keeps, made when missing, never reached through a link.
int OpenOwnSubfolder(int dirfd, const char* name);

// The whole content of a regular file, up to `limit` bytes. 0, or an errno (EFBIG past limit).
int ReadWhole(int dirfd, const char* path, std::string& bytes, size_t limit = size_t(64) << 20);

enum class Publish {
    NoReplace,  // the name must be free; EEXIST otherwise, and nothing changes
    Replace,    // an old file of that name is replaced at once (rename)
};

// A file being written whole into a folder. Write puts the bytes in a new hidden file beside
// the name and flushes them to the disk; Publish gives it its name, as often as EEXIST asks for
// another. A file never published is removed.
class WholeFile {
public:
    WholeFile() = default;
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // 0 or an errno. `dirfd` must stay open until Publish.
    int Write(int dirfd, std::string_view name, std::string_view bytes, mode_t mode = 0644);
    // 0, EEXIST (NoReplace, and the name is taken) or another errno. Where the file system
    // refuses hard links, NoReplace falls back on renameat2(RENAME_NOREPLACE), and where that too
    // is refused, on an exclusive create of the name and a copy.
    int Publish(const std::string& name, posix::Publish how);

private:
    void Discard();

    int dirfd_ = -1;
    std::string temp_;
    std::string_view bytes_;
    mode_t mode_ = 0644;
};

// Write and Publish in one: 0 or an errno.
int WriteWhole(int dirfd, const std::string& name, std::string_view bytes, Publish how, mode_t mode = 0644);

// fsync, retried when interrupted; 0 or an errno.
int Sync(int fd);

}  // namespace tw::posix
