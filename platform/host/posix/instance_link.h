// The single-instance rendezvous between processes of one user: one Unix-domain socket per
// window class. The process that owns a top-level window of the class listens on it; another
// process connects to ask whether that window exists and is minimised, or to have it raised or
// restored. A socket file nobody listens on (its owner died) counts as no instance and is
// replaced by the next process that publishes the class.
//
// Wire format: the asker sends one word and a newline ("query", "raise" or "restore"); the
// owner answers "ok 0\n" or "ok 1\n" (its window is minimised) after acting, and closes. Data
// for the window (WM_COPYDATA) goes as "copydata <number> <length>\n" and that many bytes; the
// owner answers "ok <the window's result>\n" once its window has taken them.
//
// Plain POSIX, free of any display, so that it can be exercised without one.
#pragma once

#include <sys/types.h>

#include <cstdint>

#include "host/posix/files.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tw::posix {

enum class InstanceRequest { Query, Raise, Restore };

struct InstanceReply {
    bool exists = false;    // a live process holds the class
    bool answered = false;  // and answered in time
    bool iconic = false;    // its window is minimised (after the request was carried out)
    long value = 0;         // the window's result for data sent to it
};

// The most data one message carries.
constexpr size_t kMaxInstanceData = 64 * 1024;

// The folder for this user's rendezvous sockets: $XDG_RUNTIME_DIR when it is a directory of
// ours, otherwise a private folder in /tmp. Empty when neither can be trusted.
std::string DefaultInstanceDir();

// The socket path of a window class in `dir`. The class name is kept readable where it is
// safe in a file name; anything else is replaced and a hash keeps distinct names distinct.
// Empty when the path would not fit a socket address.
std::string InstanceSocketPath(const std::string& dir, const std::string& className);

// Asks the owner of the socket at `path` and waits up to `timeoutMs` for its answer. A live
// owner that does not answer in time (it is busy) still exists.
InstanceReply AskInstance(const std::string& path, InstanceRequest request, int timeoutMs = 2000);
// Hands data to the owner's window and waits up to `timeoutMs` for the window's result.
InstanceReply SendInstanceData(const std::string& path, uintptr_t number, const std::string& bytes,
                               int timeoutMs = 2000);
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
    bool Listen(const std::string& path, Notify notify);

    // Stops listening and removes the socket file (if it is still ours).
    void Close();

    bool Listening() const { return listen_.Valid(); }
    const std::string& Path() const { return path_; }

    // Takes data sent to the window; the sender waits until `answer` is called (or dropped).
    using DataHandler = std::function<void(uintptr_t number, std::string bytes, std::function<void(long)> answer)>;

    // Carries out and answers the requests that have arrived, and hands on the data. Returns how
    // many.
    int ServePending(const Handler& handler, const DataHandler& data = nullptr);

private:
    struct Request {
        InstanceRequest request = InstanceRequest::Query;
        bool data = false;  // data for the window rather than a request
        uintptr_t number = 0;
        std::string bytes;
    };
    void Run();

    Fd listen_, wakeRead_, wakeWrite_;
    std::string path_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    Notify notify_;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::pair<Fd, Request>> pending_;
};

}  // namespace tw::posix
