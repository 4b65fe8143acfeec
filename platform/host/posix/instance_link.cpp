// The single-instance rendezvous over Unix-domain sockets (see instance_link.h).
#include "host/posix/instance_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace tw::posix {

namespace instance_detail {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL | MSG_DONTWAIT;
#else
constexpr int kSendFlags = MSG_DONTWAIT;
#endif

const char* RequestWord(InstanceRequest request) {
    switch (request) {
    case InstanceRequest::Query: return "query";
    case InstanceRequest::Raise: return "raise";
    case InstanceRequest::Restore: return "restore";
    }
    return "query";
}

bool ParseRequest(std::string_view line, InstanceRequest& request) {
    for (InstanceRequest r : {InstanceRequest::Query, InstanceRequest::Raise, InstanceRequest::Restore}) {
        if (line == RequestWord(r)) {
            request = r;
            return true;
        }
    }
    return false;
}

bool MakeAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.data(), path.size());
    return true;
}

int SetNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    return flags < 0 ? -1 : ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// A close-on-exec Unix stream socket.
Fd NewSocket() {
    Fd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
    if (fd.Valid()) ::fcntl(fd.Get(), F_SETFD, FD_CLOEXEC);
    return fd;
}

enum class Connect { Connected, Busy, Nobody };

// Connects without blocking. Busy: a live listener whose backlog is full.
Connect ConnectTo(const std::string& path, Fd& out) {
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

using Clock = std::chrono::steady_clock;

// Waits until `fd` is readable before the deadline; false on timeout or error, or when `cancel`
// becomes readable first.
bool WaitReadable(int fd, Clock::time_point deadline, int cancel) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd fds[2] = {{fd, POLLIN, 0}, {cancel, POLLIN, 0}};
        int n = ::poll(fds, cancel >= 0 ? 2 : 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (cancel >= 0 && fds[1].revents) return false;
        return true;
    }
}

// Reads exactly `n` bytes into `out` until the deadline.
bool ReadExactly(int fd, size_t n, std::string& out, Clock::time_point deadline, int cancel) {
    out.clear();
    char buf[4096];
    while (out.size() < n) {
        if (!WaitReadable(fd, deadline, cancel)) return false;
        ssize_t got = ::recv(fd, buf, std::min(sizeof buf, n - out.size()), MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (got <= 0) return false;
        out.append(buf, static_cast<size_t>(got));
    }
    return true;
}

// Reads one short line (without its newline) until the deadline; false on timeout, error, EOF
// before the newline, or a line too long to be one of ours. Reads a byte at a time, so that what
// follows the line stays unread. Gives up early when `cancel` becomes readable.
bool ReadLine(int fd, std::string& line, int timeoutMs, int cancel = -1) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    line.clear();
    for (;;) {
        std::string c;
        if (!ReadExactly(fd, 1, c, deadline, cancel)) return false;
        if (c[0] == '\n') return true;
        line += c;
        if (line.size() > 64) return false;
    }
}

// Sends all of `bytes` until the deadline.
bool SendAll(int fd, const std::string& bytes, Clock::time_point deadline) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, kSendFlags);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd p{fd, POLLOUT, 0};
            if (left > 0 && ::poll(&p, 1, static_cast<int>(left)) > 0) continue;
        }
        return false;
    }
    return true;
}

// "copydata <number> <length>": the data's number and length, within bounds.
bool ParseDataLine(const std::string& line, uintptr_t& number, size_t& length) {
    unsigned long long n = 0, len = 0;
    char tail = 0;
    if (std::sscanf(line.c_str(), "copydata %llu %llu%c", &n, &len, &tail) != 2) return false;
    if (len > kMaxInstanceData || n > UINTPTR_MAX) return false;
    number = static_cast<uintptr_t>(n);
    length = static_cast<size_t>(len);
    return true;
}

// "ok <value>"
bool ParseAnswer(const std::string& line, long& value) {
    char tail = 0;
    return std::sscanf(line.c_str(), "ok %ld%c", &value, &tail) == 1;
}

uint64_t Fnv1a(std::string_view s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

}  // namespace instance_detail

std::string DefaultInstanceDir() {
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

std::string InstanceSocketPath(const std::string& dir, const std::string& className) {
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

namespace {

// Sends one message to the owner and reads its answer.
InstanceReply Ask(const std::string& path, const std::string& message, int timeoutMs) {
    using namespace instance_detail;
    InstanceReply reply;
    Fd fd;
    switch (ConnectTo(path, fd)) {
    case Connect::Nobody: return reply;
    case Connect::Busy: reply.exists = true; return reply;
    case Connect::Connected: reply.exists = true; break;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!SendAll(fd.Get(), message, deadline)) return reply;
    std::string line;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left > 0 && ReadLine(fd.Get(), line, static_cast<int>(left)) && ParseAnswer(line, reply.value)) {
        reply.answered = true;
    }
    return reply;
}

}  // namespace

InstanceReply AskInstance(const std::string& path, InstanceRequest request, int timeoutMs) {
    InstanceReply reply = Ask(path, std::string(instance_detail::RequestWord(request)) + "\n", timeoutMs);
    reply.answered = reply.answered && (reply.value == 0 || reply.value == 1);
    reply.iconic = reply.answered && reply.value == 1;
    return reply;
}

InstanceReply SendInstanceData(const std::string& path, uintptr_t number, const std::string& bytes, int timeoutMs) {
    if (bytes.size() > kMaxInstanceData) return InstanceReply{};
    char head[64];
    std::snprintf(head, sizeof head, "copydata %llu %zu\n", static_cast<unsigned long long>(number), bytes.size());
    return Ask(path, head + bytes, timeoutMs);
}

bool InstanceServer::Listen(const std::string& path, Notify notify) {
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

void InstanceServer::Close() {
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

int InstanceServer::ServePending(const Handler& handler, const DataHandler& data) {
    std::vector<std::pair<Fd, Request>> batch;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (pending_.empty()) return 0;
        batch.swap(pending_);
    }
    for (auto& [fd, request] : batch) {
        if (request.data) {
            if (!data) continue;  // closed unanswered: nobody takes data here
            // The asker waits for the answer; the connection goes with it.
            auto connection = std::make_shared<Fd>(std::move(fd));
            data(request.number, std::move(request.bytes), [connection](long value) {
                std::string answer = "ok " + std::to_string(value) + "\n";
                (void)::send(connection->Get(), answer.data(), answer.size(), instance_detail::kSendFlags);
            });
            continue;
        }
        bool iconic = handler ? handler(request.request) : false;
        const char* answer = iconic ? "ok 1\n" : "ok 0\n";
        (void)::send(fd.Get(), answer, 5, instance_detail::kSendFlags);
    }
    return static_cast<int>(batch.size());
}

void InstanceServer::Run() {
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
        Request request;
        if (!ReadLine(client.Get(), line, 1000, wakeRead_.Get())) continue;
        size_t length = 0;
        if (ParseDataLine(line, request.number, length)) {
            request.data = true;
            const auto deadline = Clock::now() + std::chrono::milliseconds(1000);
            if (!ReadExactly(client.Get(), length, request.bytes, deadline, wakeRead_.Get())) continue;
        } else if (!ParseRequest(line, request.request)) {
            continue;
        }
        {
            std::lock_guard<std::mutex> guard(mutex_);
            pending_.emplace_back(std::move(client), request);
        }
        if (notify_) notify_();
    }
}

}  // namespace tw::posix
