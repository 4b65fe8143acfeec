// The process's current Host.
#include "host/host.h"

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

}  // namespace tw::host
