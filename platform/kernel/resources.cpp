// The module's resources: a registry filled by the compiled resource script, and
// FindResourceA / LoadResource / LockResource / SizeofResource over it.
#include <cctype>
#include <string>
#include <vector>

#include "core/handles.h"
#include "kernel/kernel_internal.h"

namespace tw::kernel {

namespace {

struct Entry {
    std::string type;
    std::string name;
    ResourceBytes bytes;
};

// Built on first use: the registrar of the compiled script runs during static initialisation.
std::vector<Entry>& Registry() {
    static std::vector<Entry> entries;
    return entries;
}

// Resource handles (HRSRC and the HGLOBAL of LoadResource) are registry indices with the
// Resource tag; entries are never removed, so the generation stays 1.
uintptr_t HandleFor(size_t index) { return PackHandle(HandleKind::Resource, uint32_t(index), 1); }

const Entry* EntryFor(uintptr_t value) {
    uint32_t index, generation;
    if (!UnpackHandle(value, HandleKind::Resource, index, generation) || generation != 1) return nullptr;
    return index < Registry().size() ? &Registry()[index] : nullptr;
}

long FindIndex(LPCSTR name, LPCSTR type) {
    std::string n = ResourceKey(name), t = ResourceKey(type);
    if (n.empty() || t.empty()) return -1;
    const auto& entries = Registry();
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].type == t && entries[i].name == n) return long(i);
    return -1;
}

std::string IdKey(unsigned long id) {
    std::string key(1, '#');
    key += std::to_string(id);
    return key;
}

}  // namespace

std::string ResourceKey(LPCSTR nameOrId) {
    if (IS_INTRESOURCE(nameOrId)) {
        WORD id = LOWORD(nameOrId);
        return id == 0 ? std::string() : IdKey(id);
    }
    std::string key;
    if (nameOrId[0] == '#') {
        // "#123" names the integer id 123
        unsigned long v = 0;
        bool digits = nameOrId[1] != 0;
        for (const char* p = nameOrId + 1; *p; ++p) {
            if (!std::isdigit(static_cast<unsigned char>(*p))) {
                digits = false;
                break;
            }
            v = v * 10 + unsigned(*p - '0');
            if (v > 0xffff) {
                digits = false;
                break;
            }
        }
        if (digits) return IdKey(v);
    }
    for (const char* p = nameOrId; *p; ++p) key += char(std::toupper(static_cast<unsigned char>(*p)));
    return key;
}

void RegisterResource(const char* type, const char* name, const void* data, std::size_t size) {
    std::string t = ResourceKey(type), n = ResourceKey(name);
    ResourceBytes bytes{static_cast<const uint8_t*>(data), size};
    for (Entry& e : Registry()) {
        if (e.type == t && e.name == n) {
            e.bytes = bytes;
            return;
        }
    }
    Registry().push_back(Entry{t, n, bytes});
}

const ResourceBytes* FindResourceBytes(LPCSTR name, LPCSTR type) {
    long i = FindIndex(name, type);
    return i < 0 ? nullptr : &Registry()[size_t(i)].bytes;
}

bool FindResourceByData(const void* data, LPCSTR type, std::string& name, std::size_t& size) {
    std::string t = ResourceKey(type);
    for (const Entry& e : Registry()) {
        if (e.type == t && e.bytes.data == data) {
            name = e.name;
            size = e.bytes.size;
            return true;
        }
    }
    return false;
}

HMODULE ModuleHandle() { return reinterpret_cast<HMODULE>(uintptr_t(0x00400000)); }

}  // namespace tw::kernel

using namespace tw;

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    (void)hModule;  // one module: every instance handle names it
    if (!lpName || !lpType) return nullptr;
    long i = kernel::FindIndex(lpName, lpType);
    return i < 0 ? nullptr : ToHandle<HRSRC>(kernel::HandleFor(size_t(i)));
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
    (void)hModule;  // one module: every instance handle names it
    if (!kernel::EntryFor(reinterpret_cast<uintptr_t>(hResInfo))) return nullptr;
    return reinterpret_cast<HGLOBAL>(hResInfo);
}

LPVOID WINAPI LockResource(HGLOBAL hResData) {
    const kernel::Entry* e = kernel::EntryFor(reinterpret_cast<uintptr_t>(hResData));
    return e ? const_cast<uint8_t*>(e->bytes.data) : nullptr;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    (void)hModule;
    const kernel::Entry* e = kernel::EntryFor(reinterpret_cast<uintptr_t>(hResInfo));
    return e ? DWORD(e->bytes.size) : 0;
}
