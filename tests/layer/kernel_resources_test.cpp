// Resources of the module: the shipped string table, LoadStringA's truncation, and
// FindResourceA's names, ids and types.
#include <gtest/gtest.h>

#include <cstring>

#include "kernel/kernel_internal.h"
#include "windows.h"

namespace {

TEST(KernelResources, ShippedStringTable) {
    char buf[512];
    HINSTANCE inst = GetModuleHandleA(nullptr);
    ASSERT_NE(inst, nullptr);
    EXPECT_EQ(LoadStringA(inst, 1, buf, 511), 8);
    EXPECT_STREQ(buf, "Start Up");
    EXPECT_GT(LoadStringA(inst, 3, buf, 511), 0);
    EXPECT_STREQ(buf,
                 "This program is designed to run full-screen at 800x600 resolution.  Change your display to this "
                 "setting and then restart the program.");
    LoadStringA(inst, 8, buf, 511);
    EXPECT_STREQ(buf, "The file %s is missing.");
    LoadStringA(inst, 9, buf, 511);
    EXPECT_STREQ(buf, "All of the tintwell pages are missing or damaged. The program is unusable.");
    // There is no string 6: the slot is left empty.
    std::strcpy(buf, "stale");
    EXPECT_EQ(LoadStringA(inst, 6, buf, 511), 0);
    EXPECT_STREQ(buf, "");
}

TEST(KernelResources, LoadStringTruncatesToBuffer) {
    static const char kLong[] = "0123456789abcdef";
    tw::kernel::RegisterResource("#6", "#900", kLong, 16);
    char buf[32];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(LoadStringA(nullptr, 900, buf, 8), 7);
    EXPECT_STREQ(buf, "0123456");
    EXPECT_EQ(buf[8], 'x');  // nothing written past the buffer
    EXPECT_EQ(LoadStringA(nullptr, 900, buf, 1), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(LoadStringA(nullptr, 900, buf, 0), 0);
    EXPECT_EQ(LoadStringA(nullptr, 900, nullptr, 10), 0);
    EXPECT_EQ(LoadStringA(nullptr, 900, buf, 17), 16);
    EXPECT_STREQ(buf, kLong);
}

TEST(KernelResources, FindByNameIdAndType) {
    static const unsigned char kWave[] = {'R', 'I', 'F', 'F', 1, 2, 3};
    tw::kernel::RegisterResource("TESTSND", "#3", kWave, sizeof kWave);
    tw::kernel::RegisterResource("#2", "SMALLPIC", kWave, 4);
    HMODULE mod = GetModuleHandleA(nullptr);

    HRSRC r = FindResourceA(mod, MAKEINTRESOURCE(3), "testsnd");  // type names ignore case
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r, FindResourceA(mod, "#3", "TESTSND"));
    EXPECT_EQ(SizeofResource(mod, r), sizeof kWave);
    HGLOBAL g = LoadResource(mod, r);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(LockResource(g), static_cast<const void*>(kWave));

    EXPECT_NE(FindResourceA(mod, "SmallPic", RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(mod, "SmallPic", "TESTSND"), nullptr);
    EXPECT_EQ(FindResourceA(mod, MAKEINTRESOURCE(4), "TESTSND"), nullptr);
    EXPECT_EQ(FindResourceA(mod, "#3x", "TESTSND"), nullptr);
    EXPECT_EQ(FindResourceA(mod, nullptr, "TESTSND"), nullptr);

    // Made-up handles fail quietly.
    HRSRC bogus = reinterpret_cast<HRSRC>(uintptr_t(0x51234567));
    EXPECT_EQ(LoadResource(mod, bogus), nullptr);
    EXPECT_EQ(SizeofResource(mod, bogus), 0u);
    EXPECT_EQ(LockResource(nullptr), nullptr);
    EXPECT_EQ(LockResource(reinterpret_cast<HGLOBAL>(uintptr_t(0x12345))), nullptr);
}

}  // namespace
