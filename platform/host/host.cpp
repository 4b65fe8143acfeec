// The process's current Host, and what every host does alike.
#include "host/host.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace tw::host {

namespace {
Host* g_host = nullptr;
}

Host& Current() {
    if (!g_host) {
        std::fprintf(stderr, "tintwell: no host set before the Win32 layer was used\n");
        std::abort();
    }
    return *g_host;
}

void SetCurrent(Host* host) { g_host = host; }

void Host::EndProcess(int code) { std::exit(code); }

std::string Host::ProgramPath() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

}  // namespace tw::host
