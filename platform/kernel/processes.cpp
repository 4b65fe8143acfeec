// Child processes and anonymous pipes: CreateProcessA, GetExitCodeProcess, CreatePipe, ReadFile
// and CloseHandle, on POSIX processes and pipes behind checked kernel
// object handles. A child's command line is split the way Windows programs split theirs; its
// standard handles are the pipe ends the caller passes (or /dev/null), and it inherits no other
// descriptor of ours. A process handle is signalled once the child has ended; a child whose
// handles are all closed before it ends is still collected when it does.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/handles.h"
#include "host/probe.h"
#include "kernel/kernel_internal.h"

extern char** environ;

namespace tw::kernel {

namespace {

// A child and how it ended, shared by its process and thread handles.
struct Child {
    pid_t pid = 0;
    bool ended = false;
    int status = 0;
    ~Child();
    // Collects the child if it has ended; true when it has.
    bool Poll() {
        if (!ended) {
            int st = 0;
            pid_t r;
            do r = ::waitpid(pid, &st, WNOHANG);
            while (r < 0 && errno == EINTR);
            if (r == pid || (r < 0 && errno == ECHILD)) {
                ended = true;
                status = st;
            }
        }
        return ended;
    }
};

struct Object {
    enum class Kind { Process, Thread, PipeRead, PipeWrite } kind = Kind::Process;
    std::shared_ptr<Child> child;  // Process, Thread
    int fd = -1;                   // pipe ends
    bool inherit = false;          // may become a child's standard handle
    ~Object() {
        if (fd >= 0) ::close(fd);
    }
};

struct Objects {
    HandleTable<Object> table{HandleKind::Kernel};
    std::vector<pid_t> orphans;  // children whose handles are all closed, not yet collected
};

// Never destroyed: a child's last handle may go while the process exits.
Objects& O() {
    static Objects* objects = new Objects;
    return *objects;
}

Child::~Child() {
    if (!ended) O().orphans.push_back(pid);
}

void CollectOrphans() {
    auto& orphans = O().orphans;
    std::erase_if(orphans, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

Object* Find(HANDLE h, Object::Kind kind) {
    Object* o = O().table.Get(h);
    return o && o->kind == kind ? o : nullptr;
}

HANDLE Add(Object::Kind kind, std::shared_ptr<Child> child, int fd = -1, bool inherit = false) {
    auto o = std::make_unique<Object>();
    o->kind = kind;
    o->child = std::move(child);
    o->fd = fd;
    o->inherit = inherit;
    return ToHandle<HANDLE>(O().table.Add(std::move(o)));
}

DWORD ErrorFromErrno(int e) {
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
    }
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// The descriptor a child gets for one of its standard handles: the pipe end passed (when
// handles are inherited and it may be), else -1 for /dev/null.
int StandardFd(HANDLE h, bool inherit) {
    Object* o = O().table.Get(h);
    if (!inherit || !o || o->fd < 0 || !o->inherit) return -1;
    return o->fd;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const char* line) {
    std::vector<std::string> args;
    const char* p = line ? line : "";
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) return args;
        std::string arg;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '\\') {
                size_t slashes = 0;
                for (; *p == '\\'; ++p) ++slashes;
                // Before a double quote, each pair is one backslash and an odd one makes the quote
                // a character; anywhere else backslashes are themselves.
                arg.append(*p == '"' ? slashes / 2 : slashes, '\\');
                if (*p == '"' && slashes % 2) arg += *p++;
            } else if (*p == '"') {
                if (quoted && p[1] == '"') {
                    arg += '"';
                    ++p;
                } else {
                    quoted = !quoted;
                }
                ++p;
            } else {
                arg += *p++;
            }
        }
        args.push_back(std::move(arg));
    }
}

int ObjectSignalled(HANDLE h) {
    Object* o = O().table.Get(h);
    if (!o || !o->child) return -1;
    return o->child->Poll() ? 1 : 0;
}

}  // namespace tw::kernel

using namespace tw;
using namespace tw::kernel;

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                           LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                           LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
    (void)lpProcessAttributes;
    (void)lpThreadAttributes;
    (void)dwCreationFlags;  // there is no console to make or not
    if (!lpStartupInfo || !lpProcessInformation || lpEnvironment) return Fail(ERROR_INVALID_PARAMETER);
    CollectOrphans();
    std::vector<std::string> args = SplitCommandLine(lpCommandLine);
    std::string program = lpApplicationName ? std::string(lpApplicationName) : args.empty() ? "" : args[0];
    if (program.empty()) return Fail(ERROR_INVALID_PARAMETER);
    if (args.empty()) args.push_back(program);
    tw::host::Note([&] {
        std::string line = "CreateProcessA";
        for (const std::string& a : args) line += " " + a;
        return line;
    });

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    const bool useStd = (lpStartupInfo->dwFlags & STARTF_USESTDHANDLES) != 0;
    const HANDLE std[3] = {lpStartupInfo->hStdInput, lpStartupInfo->hStdOutput, lpStartupInfo->hStdError};
    for (int n = 0; n < 3; ++n) {
        if (!useStd) continue;  // the child shares ours
        int fd = StandardFd(std[n], bInheritHandles);
        if (fd >= 0)
            posix_spawn_file_actions_adddup2(&actions, fd, n);
        else
            posix_spawn_file_actions_addopen(&actions, n, "/dev/null", n == 0 ? O_RDONLY : O_WRONLY, 0);
    }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    if (lpCurrentDirectory) posix_spawn_file_actions_addchdir_np(&actions, lpCurrentDirectory);
    // The child starts with every signal in its default state and none blocked.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const bool search = program.find('/') == std::string::npos;
    int err = search ? posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ)
                     : posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (err != 0) return Fail(ErrorFromErrno(err));

    auto child = std::make_shared<Child>();
    child->pid = pid;
    lpProcessInformation->hProcess = Add(Object::Kind::Process, child);
    lpProcessInformation->hThread = Add(Object::Kind::Thread, child);
    lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
    lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
    Object* o = Find(hProcess, Object::Kind::Process);
    if (!o || !lpExitCode) return Fail(ERROR_INVALID_HANDLE);
    if (!o->child->Poll()) {
        *lpExitCode = STILL_ACTIVE;
    } else {
        const int st = o->child->status;
        // A child ended by a signal reports it as a shell does.
        *lpExitCode = WIFEXITED(st) ? DWORD(WEXITSTATUS(st)) : WIFSIGNALED(st) ? DWORD(128 + WTERMSIG(st)) : 1;
    }
    return TRUE;
}

BOOL WINAPI CreatePipe(PHANDLE hReadPipe, PHANDLE hWritePipe, LPSECURITY_ATTRIBUTES lpPipeAttributes, DWORD nSize) {
    (void)nSize;  // the system's pipe size
    if (!hReadPipe || !hWritePipe) return Fail(ERROR_INVALID_PARAMETER);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return Fail(ErrorFromErrno(errno));
    const bool inherit = lpPipeAttributes && lpPipeAttributes->bInheritHandle;
    *hReadPipe = Add(Object::Kind::PipeRead, nullptr, fds[0], inherit);
    *hWritePipe = Add(Object::Kind::PipeWrite, nullptr, fds[1], inherit);
    return TRUE;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
    Object* o = Find(hFile, Object::Kind::PipeRead);
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    if (!o) return Fail(ERROR_INVALID_HANDLE);
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead)) return Fail(ERROR_INVALID_PARAMETER);
    ssize_t n;
    do n = ::read(o->fd, lpBuffer, nNumberOfBytesToRead);
    while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(ErrorFromErrno(errno));
    if (n == 0 && nNumberOfBytesToRead) return Fail(ERROR_BROKEN_PIPE);  // every writer has gone
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (!O().table.Remove(hObject)) return Fail(ERROR_INVALID_HANDLE);
    return TRUE;
}
