// Catching the signals that end the session (see end_signals.h).
#include "host/posix/end_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

namespace tw::posix {

namespace {

std::atomic<int> arrivedSignal{0};
int wakeWrite = -1;
std::mutex listenerLock;
std::function<void()> listener;

// Only what a signal handler may do: note the signal, write a byte.
void OnEndSignal(int sig) {
    const int saved = errno;
    arrivedSignal.store(sig);
    char byte = 0;
    [[maybe_unused]] ssize_t n = ::write(wakeWrite, &byte, 1);  // a full pipe has said it already
    errno = saved;
}

}  // namespace

void CatchEndSignals(std::function<void()> arrived) {
    {
        std::lock_guard<std::mutex> guard(listenerLock);
        listener = std::move(arrived);
    }
    static std::once_flag once;
    std::call_once(once, [] {
        int fds[2];
        if (::pipe(fds) != 0) return;
        for (int fd : fds) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK);
        wakeWrite = fds[1];
        std::thread([fd = fds[0]] {
            char bytes[16];
            for (;;) {
                ssize_t n = ::read(fd, bytes, sizeof bytes);
                if (n > 0) {
                    std::lock_guard<std::mutex> guard(listenerLock);
                    if (listener) listener();
                } else if (n == 0 || errno != EINTR) {
                    return;
                }
            }
        }).detach();
        struct sigaction sa = {};
        sa.sa_handler = OnEndSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &sa, nullptr);
    });
}

int TakeEndSignal() { return arrivedSignal.exchange(0); }

}  // namespace tw::posix
