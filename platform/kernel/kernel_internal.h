// What other parts of the layer use of KERNEL32 beyond the public API: the resource registry
// (filled by the compiled resource script at start-up) and the module handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// Converts a resource name argument to the registry's key ("#12" or upper-case text).
// Empty for a null pointer.
std::string ResourceKey(LPCSTR nameOrId);

}  // namespace tw::kernel
