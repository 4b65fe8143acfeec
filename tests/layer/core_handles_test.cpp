// Handles: a handle dies with its object and stays dead while its slot serves other objects.
#include <gtest/gtest.h>

#include <memory>

#include "core/handles.h"
#include "gdi_test_host.h"
#include "windows.h"

namespace {

using tw::HandleKind;
using tw::HandleTable;

TEST(Handles, AStaleHandleStaysRefusedForThousandsOfReusesOfItsSlot) {
    HandleTable<int> table(HandleKind::Gdi);
    uintptr_t stale = table.Add(std::make_unique<int>(0));
    table.Remove(stale);
    // One free slot, taken and freed again and again: the worst case.
    for (int i = 1; i < 4096; ++i) {
        uintptr_t h = table.Add(std::make_unique<int>(i));
        ASSERT_NE(h, stale) << "after " << i << " reuses";
        ASSERT_EQ(table.Get(stale), nullptr);
        ASSERT_EQ(*table.Get(h), i);
        table.Remove(h);
    }
    EXPECT_EQ(table.Remove(stale), nullptr);
}

TEST(Handles, TheSlotFreedFirstIsReusedFirst) {
    HandleTable<int> table(HandleKind::Window);
    uintptr_t a = table.Add(std::make_unique<int>(1));
    uintptr_t b = table.Add(std::make_unique<int>(2));
    uintptr_t c = table.Add(std::make_unique<int>(3));
    table.Remove(b);
    table.Remove(a);
    // The slot index is the handle's low bits: b's slot comes back before a's, c's stays taken.
    auto slot = [](uintptr_t h) { return h & tw::kIndexMask; };
    EXPECT_EQ(slot(table.Add(std::make_unique<int>(4))), slot(b));
    EXPECT_EQ(slot(table.Add(std::make_unique<int>(5))), slot(a));
    EXPECT_EQ(*table.Get(c), 3);
    EXPECT_EQ(table.Get(a), nullptr);
    EXPECT_EQ(table.Get(b), nullptr);
    // Handles fit in 32 bits, as the system's do, and are never taken for a resource id.
    EXPECT_LE(c, uintptr_t(0xFFFFFFFFu));
    EXPECT_FALSE(IS_INTRESOURCE(c));
}

// What painting does all day: a brush for a rectangle, made and deleted. A brush deleted long
// ago is not brought back to life by it.
TEST(Handles, ADeletedBrushStaysDeletedWhilePaintingMakesAndDeletesBrushes) {
    tw::test::ScopedTestHost host;
    HBRUSH stale = CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_TRUE(DeleteObject(stale));
    for (int i = 0; i < 4000; ++i) {
        HBRUSH brush = CreateSolidBrush(RGB(i & 0xFF, 0, 0));
        ASSERT_NE(brush, stale);
        ASSERT_EQ(GetObjectType(stale), 0u) << "after " << i << " brushes";
        DeleteObject(brush);
    }
    EXPECT_FALSE(DeleteObject(stale));
}

}  // namespace
