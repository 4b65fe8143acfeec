// Handles are checked indices into typed tables: the handle value carries a type tag, a slot
// index and the slot's generation, so a stale, foreign or made-up handle is refused (the call
// fails the way Win32 fails) instead of touching freed memory.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tw {

enum class HandleKind : uint32_t {
    Window = 1,
    Gdi = 2,      // DCs, bitmaps, pens, brushes, fonts, palettes share one table, as in GDI
    Global = 3,   // GlobalAlloc blocks
    Cursor = 4,   // cursors and icons
    Resource = 5, // HRSRC / resource data
    Remote = 6,   // another process's top-level window
    Kernel = 7,   // processes, their threads and pipe ends
};

// value = kind << 28 | generation(8 bits) << 20 | (index + 1)  (index < 2^20 - 1)
inline uintptr_t PackHandle(HandleKind kind, uint32_t index, uint32_t generation) {
    return (uintptr_t(kind) << 28) | (uintptr_t(generation & 0xff) << 20) | uintptr_t(index + 1);
}

template <typename T>
class HandleTable {
public:
    explicit HandleTable(HandleKind kind) : kind_(kind) {}

    // 0 when the table is full.
    uintptr_t Add(std::unique_ptr<T> object) {
        uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kMaxSlots) return 0;
            index = static_cast<uint32_t>(slots_.size());
            slots_.push_back({});
        }
        slots_[index].object = std::move(object);
        return PackHandle(kind_, index, slots_[index].generation);
    }

    T* Get(uintptr_t value) const {
        if ((uint64_t(value) >> 28) != uint64_t(kind_)) return nullptr;
        uint32_t index = static_cast<uint32_t>(value & 0xfffff);
        uint32_t generation = static_cast<uint32_t>((value >> 20) & 0xff);
        if (index == 0 || index > slots_.size()) return nullptr;
        const Slot& slot = slots_[index - 1];
        if (!slot.object || (slot.generation & 0xff) != generation) return nullptr;
        return slot.object.get();
    }
    template <typename H>
    T* Get(H handle) const {
        return Get(reinterpret_cast<uintptr_t>(handle));
    }

    // Removes the object; returns it so the caller decides when it dies.
    std::unique_ptr<T> Remove(uintptr_t value) {
        if (!Get(value)) return nullptr;
        uint32_t index = static_cast<uint32_t>(value & 0xfffff) - 1;
        std::unique_ptr<T> object = std::move(slots_[index].object);
        ++slots_[index].generation;
        free_.push_back(index);
        return object;
    }
    template <typename H>
    std::unique_ptr<T> Remove(H handle) {
        return Remove(reinterpret_cast<uintptr_t>(handle));
    }

    // Removes every object; the handles given out stay invalid.
    void Clear() {
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object) Remove(PackHandle(kind_, uint32_t(i), slots_[i].generation));
    }

    template <typename F>
    void ForEach(F&& f) const {
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].object) f(PackHandle(kind_, uint32_t(i), slots_[i].generation), *slots_[i].object);
    }

private:
    static constexpr size_t kMaxSlots = (size_t(1) << 20) - 1;  // index + 1 must fit in 20 bits
    struct Slot {
        std::unique_ptr<T> object;
        uint32_t generation = 1;
    };
    HandleKind kind_;
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
};

template <typename H>
H ToHandle(uintptr_t value) {
    return reinterpret_cast<H>(value);
}

}  // namespace tw
