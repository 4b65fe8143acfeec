// The single-instance rendezvous between processes of one user: one Unix-domain socket per
// window class. The process that owns a top-level window of the class listens on it; another
// process connects to ask whether that window exists and is minimised, or to have it raised or
// restored. A socket file nobody listens on (its owner died) counts as no instance and is
// replaced by the next process that publishes the class.
//
// Wire format: the asker sends one word and a newline ("query", "raise" or "restore"); the
// owner answers "ok 0\n" or "ok 1\n" (its window is minimised) after acting, and closes.
//
// Header-only and free of SDL so that it can be exercised without a display.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace tw::sdl {

enum class InstanceRequest { Query, Raise, Restore };

struct InstanceReply {
    bool exists = false;    // a live process holds the class
    bool answered = false;  // and answered in time
    bool iconic = false;    // its window is minimised (after the request was carried out)
};

namespace instance_detail {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL | MSG_DONTWAIT;
#else
constexpr int kSendFlags = MSG_DONTWAIT;
#endif

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
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

inline const char* RequestWord(InstanceRequest request) {
    switch (request) {
    case InstanceRequest::Query: return "query";
    case InstanceRequest::Raise: return "raise";
    case InstanceRequest::Restore: return "restore";
    }
    return "query";
}

inline bool ParseRequest(std::string_view line, InstanceRequest& request) {
    for (InstanceRequest r : {InstanceRequest::Query, InstanceRequest::Raise, InstanceRequest::Restore}) {
        if (line == RequestWord(r)) {
            request = r;
            return true;
        }
    }
    return false;
}

inline bool MakeAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

inline int SetNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    return flags < 0 ? -1 : ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// A close-on-exec Unix stream socket.
inline Fd NewSocket() {
    Fd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
    if (fd.Valid()) ::fcntl(fd.Get(), F_SETFD, FD_CLOEXEC);
    return fd;
}

enum class Connect { Connected, Busy, Nobody };

// Connects without blocking. Busy: a live listener whose backlog is full.
inline Connect ConnectTo(const std::string& path, Fd& out) {
    sockaddr_un addr;
    if (!MakeAddress(path, addr)) return Connect::Nobody;
    Fd fd = NewSocket();
    if (!fd.Valid() || SetNonBlocking(fd.Get()) != 0) return Connect::Nobody;
    int rc;
    do {
        rc = ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        out = std::move(fd);
        return Connect::Connected;
    }
    if (errno == EAGAIN || errno == EINPROGRESS) return Connect::Busy;
    return Connect::Nobody;  // ENOENT: no file; ECONNREFUSED: a stale file
}

// Reads one short line (without its newline) until the deadline; false on timeout, error, EOF
// before the newline, or a line too long to be one of ours. Gives up early when `cancel`
// becomes readable.
inline bool ReadLine(int fd, std::string& line, int timeoutMs, int cancel = -1) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    line.clear();
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd fds[2] = {{fd, POLLIN, 0}, {cancel, POLLIN, 0}};
        int n = ::poll(fds, cancel >= 0 ? 2 : 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (cancel >= 0 && fds[1].revents) return false;
        char buf[32];
        ssize_t got = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (got <= 0) return false;
        for (ssize_t i = 0; i < got; ++i) {
            if (buf[i] == '\n') return true;
            line.push_back(buf[i]);
        }
        if (line.size() > 16) return false;
    }
}

inline uint64_t Fnv1a(std::string_view s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

}  // namespace instance_detail

// The folder for this user's rendezvous sockets: $XDG_RUNTIME_DIR when it is a directory of
// ours, otherwise a private folder in /tmp. Empty when neither can be trusted.
inline std::string DefaultInstanceDir() {
    const uid_t uid = ::getuid();
    struct stat st;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR");
        xdg && xdg[0] == '/' && ::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid) {
        return xdg;
    }
    std::string dir = "/tmp/tintwell-" + std::to_string(uid);
    ::mkdir(dir.c_str(), 0700);
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid || (st.st_mode & 077) != 0) {
        return {};
    }
    return dir;
}

// The socket path of a window class in `dir`. The class name is kept readable where it is
// safe in a file name; anything else is replaced and a hash keeps distinct names distinct.
// Empty when the path would not fit a socket address.
inline std::string InstanceSocketPath(const std::string& dir, const std::string& className) {
    if (dir.empty()) return {};
    std::string name;
    bool changed = className.empty() || className.size() > 40;
    for (char c : className.substr(0, 40)) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        name.push_back(plain ? c : '_');
        changed |= !plain;
    }
    if (changed) {
        char hash[24];
        std::snprintf(hash, sizeof hash, "-%016llx",
                      static_cast<unsigned long long>(instance_detail::Fnv1a(className)));
        name += hash;
    }
    std::string path = dir + "/tintwell-" + std::to_string(::getuid()) + "-" + name + ".sock";
    if (path.size() >= sizeof(sockaddr_un::sun_path)) return {};
    return path;
}

// Asks the owner of the socket at `path` and waits up to `timeoutMs` for its answer. A live
// owner that does not answer in time (it is busy) still exists.
inline InstanceReply AskInstance(const std::string& path, InstanceRequest request, int timeoutMs = 2000) {
    using namespace instance_detail;
    InstanceReply reply;
    Fd fd;
    switch (ConnectTo(path, fd)) {
    case Connect::Nobody: return reply;
    case Connect::Busy: reply.exists = true; return reply;
    case Connect::Connected: reply.exists = true; break;
    }
    std::string msg = std::string(RequestWord(request)) + "\n";
    if (::send(fd.Get(), msg.data(), msg.size(), kSendFlags) != static_cast<ssize_t>(msg.size())) return reply;
    std::string line;
    if (!ReadLine(fd.Get(), line, timeoutMs)) return reply;
    if (line == "ok 0" || line == "ok 1") {
        reply.answered = true;
        reply.iconic = line == "ok 1";
    }
    return reply;
}

// The owner's side. A listening thread accepts connections and reads their requests; the thread
// that owns the windows answers them in ServePending, so the handler may touch window state.
class InstanceServer {
public:
    using Notify = std::function<void()>;                // a request is waiting (listening thread)
    using Handler = std::function<bool(InstanceRequest)>;  // carries it out; returns "minimised"

    InstanceServer() = default;
    ~InstanceServer() { Close(); }
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    // Listens at `path`. Fails when another live process listens there or the path is unusable.
    bool Listen(const std::string& path, Notify notify) {
        using namespace instance_detail;
        Close();
        sockaddr_un addr;
        if (!MakeAddress(path, addr)) return false;

        // Two processes replacing the same stale file must not both win.
        Fd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!lock.Valid()) return false;
        while (::flock(lock.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) return false;
        }

        Fd fd = NewSocket();
        if (!fd.Valid()) return false;
        if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            if (errno != EADDRINUSE) return false;
            Fd probe;
            if (ConnectTo(path, probe) != Connect::Nobody) return false;  // a live owner
            struct stat st;
            if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
            ::unlink(path.c_str());
            if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return false;
        }
        struct stat st;
        if (::listen(fd.Get(), 8) != 0 || SetNonBlocking(fd.Get()) != 0 || ::stat(path.c_str(), &st) != 0) {
            ::unlink(path.c_str());
            return false;
        }
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            ::unlink(path.c_str());
            return false;
        }
        wakeRead_.Reset(pipeFds[0]);
        wakeWrite_.Reset(pipeFds[1]);
        ::fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(pipeFds[1], F_SETFD, FD_CLOEXEC);

        path_ = path;
        dev_ = st.st_dev;
        ino_ = st.st_ino;
        listen_ = std::move(fd);
        notify_ = std::move(notify);
        thread_ = std::thread([this] { Run(); });
        return true;
    }

    // Stops listening and removes the socket file (if it is still ours).
    void Close() {
        if (thread_.joinable()) {
            char c = 'x';
            while (::write(wakeWrite_.Get(), &c, 1) < 0 && errno == EINTR) {
            }
            thread_.join();
        }
        wakeRead_.Reset();
        wakeWrite_.Reset();
        {
            std::lock_guard<std::mutex> guard(mutex_);
            pending_.clear();
        }
        if (listen_.Valid()) {
            struct stat st;
            if (::stat(path_.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_) ::unlink(path_.c_str());
            listen_.Reset();
        }
        path_.clear();
    }

    bool Listening() const { return listen_.Valid(); }
    const std::string& Path() const { return path_; }

    // Carries out and answers the requests that have arrived. Returns how many.
    int ServePending(const Handler& handler) {
        std::vector<std::pair<instance_detail::Fd, InstanceRequest>> batch;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (pending_.empty()) return 0;
            batch.swap(pending_);
        }
        for (auto& [fd, request] : batch) {
            bool iconic = handler ? handler(request) : false;
            const char* answer = iconic ? "ok 1\n" : "ok 0\n";
            (void)::send(fd.Get(), answer, 5, instance_detail::kSendFlags);
        }
        return static_cast<int>(batch.size());
    }

private:
    void Run() {
        using namespace instance_detail;
        for (;;) {
            pollfd fds[2] = {{listen_.Get(), POLLIN, 0}, {wakeRead_.Get(), POLLIN, 0}};
            int n = ::poll(fds, 2, -1);
            if (n < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents) return;
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
            if (!(fds[0].revents & POLLIN)) continue;
            Fd client(::accept(listen_.Get(), nullptr, nullptr));
            if (!client.Valid()) continue;
            ::fcntl(client.Get(), F_SETFD, FD_CLOEXEC);
            std::string line;
            InstanceRequest request;
            if (!ReadLine(client.Get(), line, 1000, wakeRead_.Get()) || !ParseRequest(line, request)) continue;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                pending_.emplace_back(std::move(client), request);
            }
            if (notify_) notify_();
        }
    }

    instance_detail::Fd listen_, wakeRead_, wakeWrite_;
    std::string path_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    Notify notify_;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::pair<instance_detail::Fd, InstanceRequest>> pending_;
};

}  // namespace tw::sdl
