// The simple file calls (_lopen, _lcreat, _lread, _lwrite, _llseek, _lclose and the _h forms),
// MoveFileExA, DeleteFileA and GetFileAttributesA, on POSIX files. HFILEs are small numbers of our own, so a
// stale or made-up HFILE never reaches a descriptor someone else owns. Only regular files are
// opened (a FIFO or a device is refused without waiting on it), and a file opened to be written
// is never reached through a symbolic link. MOVEFILE_WRITE_THROUGH
// puts the file's data on the disk before the rename and the folder's entry after it, so a
// power cut leaves either the old file or the whole new one.
#include <cerrno>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/posix/files.h"
#include "host/probe.h"
#include "windows.h"

namespace {

struct Files {
    std::map<HFILE, int> open;  // HFILE -> descriptor
    HFILE next = 3;
};

Files& TheFiles() {
    static Files files;
    return files;
}

int Descriptor(HFILE h) {
    auto& open = TheFiles().open;
    auto it = open.find(h);
    return it == open.end() ? -1 : it->second;
}

// Program paths may use the system's separator.
std::string NativePath(LPCSTR path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

DWORD ErrorFromErrno(int e) {
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:   // a link where a file to write was expected
    case EINVAL:  // not a regular file
    case ENXIO: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC: return ERROR_DISK_FULL;
    default: return ERROR_GEN_FAILURE;
    }
}

HFILE Register(int fd) {
    Files& files = TheFiles();
    HFILE h = files.next;
    while (files.open.count(h) || h == HFILE_ERROR || h <= 0) h = (h <= 0 || h == 0x7fffffff) ? 3 : h + 1;
    files.next = h == 0x7fffffff ? 3 : h + 1;
    files.open[h] = fd;
    return h;
}

HFILE OpenWith(LPCSTR path, int flags) {
    if (!path) return HFILE_ERROR;
    int fd = tw::posix::OpenFile(AT_FDCWD, NativePath(path).c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return HFILE_ERROR;
    }
    return Register(fd);
}

LONG ReadAll(HFILE h, void* buffer, size_t n) {
    int fd = Descriptor(h);
    if (fd < 0 || (!buffer && n)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return HFILE_ERROR;
    }
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::read(fd, static_cast<char*>(buffer) + done, n - done);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            SetLastError(ErrorFromErrno(errno));
            return HFILE_ERROR;
        }
        if (r == 0) break;  // end of file: a short read returns what there was
        done += size_t(r);
    }
    return LONG(done);
}

LONG WriteAll(HFILE h, const void* buffer, size_t n) {
    int fd = Descriptor(h);
    if (fd < 0 || (!buffer && n)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return HFILE_ERROR;
    }
    if (tw::host::InjectFault(tw::host::Fault::FileWrite)) {
        SetLastError(ERROR_DISK_FULL);
        return HFILE_ERROR;
    }
    if (n == 0) {
        // Writing nothing cuts the file at the current position.
        off_t pos = ::lseek(fd, 0, SEEK_CUR);
        if (pos < 0 || ::ftruncate(fd, pos) != 0) return HFILE_ERROR;
        return 0;
    }
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(fd, static_cast<const char*>(buffer) + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            SetLastError(ErrorFromErrno(errno));
            return HFILE_ERROR;
        }
        done += size_t(w);
    }
    return LONG(done);
}

// The folder an entry of `path` lives in, for flushing that entry.
std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// fsync of a file or folder by name; sets the last error and returns false when it fails.
bool Flush(const std::string& path, bool folder, std::string_view what) {
    tw::host::Note([&] { return std::string(what) + " " + path; });
    if (tw::host::InjectFault(tw::host::Fault::FileFlush)) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    int fd = folder ? tw::posix::OpenFolder(AT_FDCWD, path.c_str())
                    : tw::posix::OpenFile(AT_FDCWD, path.c_str(), O_RDONLY);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    int e = tw::posix::Sync(fd);
    ::close(fd);
    if (e) {
        SetLastError(ErrorFromErrno(e));
        return false;
    }
    return true;
}

}  // namespace

HFILE WINAPI _lopen(LPCSTR lpPathName, int iReadWrite) {
    int access = iReadWrite & 3;
    int flags = access == OF_WRITE ? O_WRONLY : access == OF_READWRITE ? O_RDWR : O_RDONLY;
    if (access == 3) return HFILE_ERROR;
    // The sharing flags have no meaning here; files are not locked against other processes.
    return OpenWith(lpPathName, flags);
}

HFILE WINAPI _lcreat(LPCSTR lpPathName, int iAttribute) {
    (void)iAttribute;
    if (tw::host::InjectFault(tw::host::Fault::FileCreate)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return HFILE_ERROR;
    }
    return OpenWith(lpPathName, O_RDWR | O_CREAT | O_TRUNC);
}

UINT WINAPI _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes) { return UINT(ReadAll(hFile, lpBuffer, uBytes)); }

LONG WINAPI _hread(HFILE hFile, LPVOID lpBuffer, LONG lBytes) {
    if (lBytes < 0) return HFILE_ERROR;
    return ReadAll(hFile, lpBuffer, size_t(lBytes));
}

UINT WINAPI _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes) { return UINT(WriteAll(hFile, lpBuffer, uBytes)); }

LONG WINAPI _hwrite(HFILE hFile, LPCSTR lpBuffer, LONG lBytes) {
    if (lBytes < 0) return HFILE_ERROR;
    return WriteAll(hFile, lpBuffer, size_t(lBytes));
}

LONG WINAPI _llseek(HFILE hFile, LONG lOffset, int iOrigin) {
    int fd = Descriptor(hFile);
    int whence = iOrigin == FILE_BEGIN ? SEEK_SET : iOrigin == FILE_CURRENT ? SEEK_CUR : iOrigin == FILE_END ? SEEK_END : -1;
    if (fd < 0 || whence < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return HFILE_ERROR;
    }
    off_t pos = ::lseek(fd, lOffset, whence);
    if (pos < 0 || pos > 0x7fffffff) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return HFILE_ERROR;
    }
    return LONG(pos);
}

HFILE WINAPI _lclose(HFILE hFile) {
    auto& open = TheFiles().open;
    auto it = open.find(hFile);
    if (it == open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return HFILE_ERROR;
    }
    int fd = it->second;
    open.erase(it);
    return ::close(fd) == 0 ? 0 : HFILE_ERROR;
}

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    if (!lpExistingFileName || !lpNewFileName) return FALSE;
    if (tw::host::InjectFault(tw::host::Fault::FileRename)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string from = NativePath(lpExistingFileName), to = NativePath(lpNewFileName);
    struct stat st;
    if (::stat(from.c_str(), &st) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    const bool writeThrough = (dwFlags & MOVEFILE_WRITE_THROUGH) != 0;
    // The data first: a rename that reached the disk before the data would leave an empty or
    // partial file under the old name.
    if (writeThrough && !S_ISDIR(st.st_mode) && !Flush(from, false, "FlushFile")) return FALSE;
    tw::host::Note([&] { return "MoveFileExA " + from + " " + to; });
    bool moved = false;
    if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) {
        // link() refuses an existing target, so no file can appear between test and rename.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            moved = true;
        } else if (errno == EEXIST || ::access(to.c_str(), F_OK) == 0) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
    }
    if (!moved && ::rename(from.c_str(), to.c_str()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    // The new entry itself, and the old one's removal when the folders differ.
    if (writeThrough) {
        if (!Flush(FolderOf(to), true, "FlushFolder")) return FALSE;
        if (FolderOf(from) != FolderOf(to) && !Flush(FolderOf(from), true, "FlushFolder")) return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    if (!lpFileName) return FALSE;
    if (::unlink(NativePath(lpFileName).c_str()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    struct stat st;
    if (!lpFileName || ::lstat(NativePath(lpFileName).c_str(), &st) != 0) {
        SetLastError(ErrorFromErrno(lpFileName ? errno : ENOENT));
        return INVALID_FILE_ATTRIBUTES;
    }
    // A symbolic link is reported as itself, a reparse point, with what it leads to.
    DWORD attributes = 0;
    if (S_ISLNK(st.st_mode)) {
        attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
        if (::stat(NativePath(lpFileName).c_str(), &st) != 0) return attributes | FILE_ATTRIBUTE_NORMAL;
    }
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (::access(NativePath(lpFileName).c_str(), W_OK) != 0 && errno == EACCES) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

