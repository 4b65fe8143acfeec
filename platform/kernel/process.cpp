// KERNEL32's process-wide odds and ends: the module handle and file, the tick count and Sleep on
// the host's clock, the last-error value, the current directory and the environment.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <unistd.h>

#include "host/host.h"
#include "kernel/kernel_internal.h"

namespace {
DWORD g_lastError = 0;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    // Only the process's own module exists.
    return lpModuleName ? nullptr : tw::kernel::ModuleHandle();
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    if (hModule && hModule != tw::kernel::ModuleHandle()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::string path = tw::host::Current().ProgramPath();
    if (!lpFilename || nSize == 0) return 0;
    // Cut short, the name still ends with a zero, and the result is the buffer's size.
    const DWORD n = static_cast<DWORD>(std::min<size_t>(path.size(), nSize - 1));
    std::memcpy(lpFilename, path.data(), n);
    lpFilename[n] = '\0';
    return path.size() >= nSize ? nSize : n;
}

DWORD WINAPI GetTickCount(void) { return DWORD(tw::host::Current().NowMicros() / 1000); }

void WINAPI Sleep(DWORD dwMilliseconds) {
    tw::host::Host& host = tw::host::Current();
    uint64_t deadline = host.NowMicros() + uint64_t(dwMilliseconds) * 1000;
    for (;;) {
        uint64_t now = host.NowMicros();
        if (now >= deadline) return;
        host.WaitInput(deadline);
        if (host.NowMicros() == now) {
            // Input is pending, so the host returns at once: sleep out the rest here.
            std::this_thread::sleep_for(std::chrono::microseconds(deadline - now));
            return;
        }
    }
}

DWORD WINAPI GetLastError(void) { return g_lastError; }
void WINAPI SetLastError(DWORD dwErrCode) { g_lastError = dwErrCode; }

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    char path[PATH_MAX];
    if (!getcwd(path, sizeof path)) return 0;
    size_t len = std::strlen(path);
    if (!lpBuffer || nBufferLength <= len) return DWORD(len + 1);  // the size needed, terminator included
    std::memcpy(lpBuffer, path, len + 1);
    return DWORD(len);
}

DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    const char* value = lpName ? std::getenv(lpName) : nullptr;
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    size_t len = std::strlen(value);
    if (!lpBuffer || nSize <= len) return DWORD(len + 1);  // the size needed, terminator included
    std::memcpy(lpBuffer, value, len + 1);
    return DWORD(len);
}
