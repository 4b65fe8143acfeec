// GlobalAlloc and friends: blocks of memory behind checked handles. A moveable block's handle
// is a table handle; a fixed block's handle is its address, as the system's are.
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "core/handles.h"
#include "host/probe.h"
#include "windows.h"

namespace {

struct Block {
    explicit Block(void* p, size_t n, bool f) : data(p), size(n), fixed(f) {}
    ~Block() { std::free(data); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    void* data;
    size_t size;
    bool fixed;
    unsigned locks = 0;
};

struct Heap {
    tw::HandleTable<Block> blocks{tw::HandleKind::Global};
    std::unordered_map<const void*, uintptr_t> byAddress;  // block address -> table handle
};

Heap& TheHeap() {
    static Heap heap;
    return heap;
}

// The table handle for a handle as the program holds it (a fixed block's address works too).
uintptr_t TableHandle(HGLOBAL h) {
    Heap& heap = TheHeap();
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (heap.blocks.Get(v)) return v;
    auto it = heap.byAddress.find(h);
    if (it != heap.byAddress.end() && heap.blocks.Get(it->second)->fixed) return it->second;
    return 0;
}

}  // namespace

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    tw::host::Note([&] { return "GlobalAlloc " + std::to_string(dwBytes); });
    if (tw::host::InjectFault(tw::host::Fault::GlobalAlloc)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    size_t n = dwBytes ? dwBytes : 1;
    void* p = (uFlags & GMEM_ZEROINIT) ? std::calloc(1, n) : std::malloc(n);
    if (!p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    bool fixed = !(uFlags & GMEM_MOVEABLE);
    Heap& heap = TheHeap();
    uintptr_t h = heap.blocks.Add(std::make_unique<Block>(p, dwBytes, fixed));
    if (!h) {  // the block (and p with it) is already freed
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    heap.byAddress[p] = h;
    return fixed ? p : reinterpret_cast<HGLOBAL>(h);
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    Block* b = TheHeap().blocks.Get(TableHandle(hMem));
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (b->fixed) return b->data;
    if (b->size == 0) return nullptr;  // a zero-byte moveable block has no memory to lock
    ++b->locks;
    return b->data;
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    Block* b = TheHeap().blocks.Get(TableHandle(hMem));
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (b->fixed || b->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    --b->locks;
    if (b->locks == 0) SetLastError(ERROR_SUCCESS);
    return b->locks != 0;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    if (!hMem) return nullptr;
    Heap& heap = TheHeap();
    uintptr_t h = TableHandle(hMem);
    if (!h) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;  // failure: the handle comes back
    }
    std::unique_ptr<Block> b = heap.blocks.Remove(h);
    heap.byAddress.erase(b->data);
    tw::host::Note([&] { return "GlobalFree " + std::to_string(b->size); });
    return nullptr;
}

HGLOBAL WINAPI GlobalHandle(LPCVOID pMem) {
    Heap& heap = TheHeap();
    auto it = heap.byAddress.find(pMem);
    if (!pMem || it == heap.byAddress.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Block* b = heap.blocks.Get(it->second);
    return b->fixed ? const_cast<void*>(pMem) : reinterpret_cast<HGLOBAL>(it->second);
}

SIZE_T WINAPI GlobalSize(HGLOBAL hMem) {
    Block* b = TheHeap().blocks.Get(TableHandle(hMem));
    return b ? b->size : 0;
}
