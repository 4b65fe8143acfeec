// Handles are checked indices into typed tables: the handle value carries a type tag, a slot
// index and the slot's generation, so a stale, foreign or made-up handle is refused (the call
// fails the way Win32 fails) instead of touching freed memory.
#pragma once

#include <cstdint>
#include <deque>
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

// value = kind << 28 | generation(12 bits) << 16 | (index + 1)  (index < 2^16 - 1): a handle fits
// in 32 bits, as Win32 handles do.
constexpr unsigned kIndexBits = 16, kGenerationBits = 12;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1, kGenerationMask = (1u << kGenerationBits) - 1;

inline uintptr_t PackHandle(HandleKind kind, uint32_t index, uint32_t generation) {
    return (uintptr_t(kind) << 28) | (uintptr_t(generation & kGenerationMask) << kIndexBits) | uintptr_t(index + 1);
}

// The slot index and generation of a handle of that kind; false for anything else.
inline bool UnpackHandle(uintptr_t value, HandleKind kind, uint32_t& index, uint32_t& generation) {
    if ((uint64_t(value) >> 28) != uint64_t(kind) || !(value & kIndexMask)) return false;
    index = static_cast<uint32_t>(value & kIndexMask) - 1;
    generation = static_cast<uint32_t>((value >> kIndexBits) & kGenerationMask);
    return true;
}

// A freed slot goes to the back of the queue of free slots and its generation moves on, so a
// stale handle stays refused until the slot has been reused 4096 times (times the slots free).
template <typename T>
class HandleTable {
public:
    explicit HandleTable(HandleKind kind) : kind_(kind) {}

    // 0 when the table is full.
    uintptr_t Add(std::unique_ptr<T> object) {
        uint32_t index;
        if (!free_.empty()) {
            index = free_.front();
            free_.pop_front();
        } else {
            if (slots_.size() >= kMaxSlots) return 0;
            index = static_cast<uint32_t>(slots_.size());
            slots_.push_back({});
        }
        slots_[index].object = std::move(object);
        return PackHandle(kind_, index, slots_[index].generation);
    }

    T* Get(uintptr_t value) const {
        uint32_t index, generation;
        if (!UnpackHandle(value, kind_, index, generation) || index >= slots_.size()) return nullptr;
        const Slot& slot = slots_[index];
        if (!slot.object || (slot.generation & kGenerationMask) != generation) return nullptr;
        return slot.object.get();
    }
    template <typename H>
    T* Get(H handle) const {
        return Get(reinterpret_cast<uintptr_t>(handle));
    }

    // Removes the object; returns it so the caller decides when it dies.
    std::unique_ptr<T> Remove(uintptr_t value) {
        uint32_t index, generation;
        if (!Get(value) || !UnpackHandle(value, kind_, index, generation)) return nullptr;
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

    static constexpr size_t kMaxSlots = kIndexMask;  // index + 1 must fit in the index bits

private:
    struct Slot {
        std::unique_ptr<T> object;
        uint32_t generation = 1;
    };
    HandleKind kind_;
    std::vector<Slot> slots_;
    std::deque<uint32_t> free_;
};

template <typename H>
H ToHandle(uintptr_t value) {
    return reinterpret_cast<H>(value);
}

}  // namespace tw
