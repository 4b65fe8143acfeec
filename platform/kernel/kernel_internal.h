// What other parts of the layer use of KERNEL32 beyond the public API: the resource registry
// (filled by the compiled resource script at start-up) and the module handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "windows.h"

namespace tw::kernel {

// Registers one resource. type and name are "#<id>" for integer ids or strings (compared
// without regard to case). Registering a type and name again replaces the earlier data.
// The data must stay valid for the life of the process.
void RegisterResource(const char* type, const char* name, const void* data, std::size_t size);

struct ResourceBytes {
    const uint8_t* data = nullptr;
    std::size_t size = 0;
};

// The resource of the given type and name, as FindResourceA takes them (MAKEINTRESOURCE ids,
// "#123" strings or names). Null when there is none.
const ResourceBytes* FindResourceBytes(LPCSTR name, LPCSTR type);

// The resource of the given type whose data starts at `data` (what LockResource returned):
// its registry name ("#<id>" or upper-case text) and size. False when there is none.
bool FindResourceByData(const void* data, LPCSTR type, std::string& name, std::size_t& size);

// The one module of the process: what GetModuleHandleA(NULL) returns and WinMain receives.
HMODULE ModuleHandle();

// A command line split into its arguments the way Windows programs split theirs: at blanks outside
// double quotes; "" inside quotes is a quote, and backslashes are themselves except before a
// quote, where each pair is one backslash and an odd one makes the quote a character.
std::vector<std::string> SplitCommandLine(const char* line);

// A waitable object's state: 1 signalled (a process that has ended), 0 not yet, -1 not one.
int ObjectSignalled(HANDLE h);

// Converts a resource name argument to the registry's key ("#12" or upper-case text).
// Empty for a null pointer.
std::string ResourceKey(LPCSTR nameOrId);

}  // namespace tw::kernel
