// Opening, reading and writing files whole (see files.h).
#include "host/posix/files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace tw::posix {

namespace {

int Fail(int err) {
    errno = err;
    return -1;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        bytes.remove_prefix(size_t(n));
    }
    return 0;
}

// The folder's new entry on the disk. Some file systems cannot sync a folder; the file's own data
// is there already.
int SyncFolder(int dirfd) {
    int err = Sync(dirfd);
    return err == EINVAL || err == ENOTSUP || err == EOPNOTSUPP ? 0 : err;
}

// The file system refuses hard links (or the call) altogether, as FAT does.
bool Refused(int err) { return err == EPERM || err == EOPNOTSUPP || err == ENOTSUP || err == ENOSYS || err == EMLINK; }

}  // namespace

void Fd::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

int OpenFile(int dirfd, const char* path, int flags, mode_t mode) {
    if ((flags & O_ACCMODE) != O_RDONLY || (flags & O_CREAT)) flags |= O_NOFOLLOW;
    Fd fd(::openat(dirfd, path, flags | O_NONBLOCK | O_CLOEXEC, mode));
    if (!fd.Valid()) return -1;
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) return Fail(EINVAL);
    const int status = ::fcntl(fd.Get(), F_GETFL);
    if (status < 0 || ::fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK) != 0) return -1;
    return fd.Release();
}

int OpenFolder(int dirfd, const char* path) { return ::openat(dirfd, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

int OpenOwnSubfolder(int dirfd, const char* name) {
    if (::mkdirat(dirfd, name, 0700) != 0 && errno != EEXIST) return -1;
    return ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int ReadWhole(int dirfd, const char* path, std::string& bytes, size_t limit) {
    Fd fd(OpenFile(dirfd, path, O_RDONLY));
    if (!fd.Valid()) return errno;
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        if (bytes.size() + size_t(n) > limit) return EFBIG;
        bytes.append(buffer, size_t(n));
    }
}

int Sync(int fd) {
    int r;
    do r = ::fsync(fd);
    while (r != 0 && errno == EINTR);
    return r == 0 ? 0 : errno;
}

WholeFile::~WholeFile() { Discard(); }

void WholeFile::Discard() {
    if (!temp_.empty()) ::unlinkat(dirfd_, temp_.c_str(), 0);
    temp_.clear();
}

int WholeFile::Write(int dirfd, std::string_view name, std::string_view bytes, mode_t mode) {
    Discard();
    dirfd_ = dirfd;
    bytes_ = bytes;
    mode_ = mode;
    // A hidden name beside the real one that nobody else has: created exclusively.
    Fd fd;
    std::string temp;
    for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
        unsigned long long r = 0;
        if (::getrandom(&r, sizeof r, 0) != sizeof r) r = (unsigned long long)::getpid() * 7919 + unsigned(attempt);
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx", r & 0xFFFFFFFFFFFFull);
        temp = "." + std::string(name.substr(0, 200)) + suffix;
        // Made with its mode (under the umask): FAT and many FUSE file systems cannot change it.
        fd.Reset(::openat(dirfd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!fd.Valid() && errno != EEXIST) return errno;
    }
    if (!fd.Valid()) return EEXIST;
    temp_ = temp;
    int err = WriteAll(fd.Get(), bytes);
    if (!err) err = Sync(fd.Get());
    if (::close(fd.Release()) != 0 && !err) err = errno;
    if (err) Discard();
    return err;
}

int WholeFile::Publish(const std::string& name, posix::Publish how) {
    if (temp_.empty()) return EBADF;
    int err = 0;
    if (how == posix::Publish::Replace) {
        if (::renameat(dirfd_, temp_.c_str(), dirfd_, name.c_str()) != 0) return errno;
        temp_.clear();
        return SyncFolder(dirfd_);
    }
    // A hard link never replaces a file; then the hidden name goes.
    if (::linkat(dirfd_, temp_.c_str(), dirfd_, name.c_str(), 0) == 0) {
        Discard();
        return SyncFolder(dirfd_);
    }
    err = errno;
    if (!Refused(err)) return err;
#ifdef RENAME_NOREPLACE
    if (::renameat2(dirfd_, temp_.c_str(), dirfd_, name.c_str(), RENAME_NOREPLACE) == 0) {
        temp_.clear();
        return SyncFolder(dirfd_);
    }
    err = errno;
    if (err != EINVAL && !Refused(err)) return err;
#endif
    // Neither: the name is taken exclusively and the bytes copied into it. Only here can a crash
    // leave a part of the file under its name.
    Fd fd(::openat(dirfd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_));
    if (!fd.Valid()) return errno;
    err = WriteAll(fd.Get(), bytes_);
    if (!err) err = Sync(fd.Get());
    if (::close(fd.Release()) != 0 && !err) err = errno;
    if (err) {
        ::unlinkat(dirfd_, name.c_str(), 0);
        return err;
    }
    Discard();
    return SyncFolder(dirfd_);
}

int WriteWhole(int dirfd, const std::string& name, std::string_view bytes, Publish how, mode_t mode) {
    WholeFile file;
    int err = file.Write(dirfd, name, bytes, mode);
    return err ? err : file.Publish(name, how);
}

}  // namespace tw::posix
