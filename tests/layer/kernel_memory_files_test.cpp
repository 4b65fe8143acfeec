// KERNEL32: global memory blocks, the simple file calls, renames, wsprintfA and the clocks.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "api/api_test.h"
#include "gdi_test_host.h"
#include "mmsystem.h"
#include "windows.h"

namespace {

using tw::host::Fault;
using tw::test::ScopedTestHost;

TEST(KernelGlobal, MoveableBlockLifecycleAndNotes) {
    ScopedTestHost host;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 303600);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 303600u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[303599], 0);
    EXPECT_EQ(GlobalHandle(p), h);  // the handle of a locked pointer
    EXPECT_FALSE(GlobalUnlock(GlobalHandle(p)));  // lock count back to 0
    EXPECT_EQ(GlobalFree(GlobalHandle(p)), nullptr);
    ASSERT_EQ(host->notes.size(), 2u);
    EXPECT_EQ(host->notes[0], "GlobalAlloc 303600");
    EXPECT_EQ(host->notes[1], "GlobalFree 303600");

    // Freed, stale and made-up handles fail by handing the handle back, without a crash.
    EXPECT_EQ(GlobalFree(h), h);
    EXPECT_EQ(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalHandle(p), nullptr);
    HGLOBAL bogus = reinterpret_cast<HGLOBAL>(uintptr_t(0x3abcdef0));
    EXPECT_EQ(GlobalFree(bogus), bogus);
    EXPECT_FALSE(GlobalUnlock(bogus));
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(host->notes.size(), 2u);  // failed frees note nothing
}

TEST(KernelGlobal, InjectedFaultFailsTheAllocation) {
    ScopedTestHost host;
    host->faults.insert(Fault::GlobalAlloc);
    EXPECT_EQ(GlobalAlloc(GHND, 100), nullptr);
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
    host->faults.clear();
    HGLOBAL h = GlobalAlloc(GHND, 100);
    EXPECT_NE(h, nullptr);
    GlobalFree(h);
    EXPECT_EQ(host->notes.front(), "GlobalAlloc 100");
}

using KernelFiles = tw::api::ApiFilesTest;
using tw::api::Contents;

TEST_F(KernelFiles, InjectedFaults) {
    Host().Fail(Fault::FileCreate);
    EXPECT_EQ(_lcreat("new.TWP", 0), HFILE_ERROR);
    EXPECT_FALSE(std::filesystem::exists("new.TWP"));

    HFILE f = _lcreat("new.TWP", 0);
    Host().Fail(Fault::FileWrite, 2);
    EXPECT_EQ(_lwrite(f, "data", 4), UINT(HFILE_ERROR));
    EXPECT_EQ(_hwrite(f, "data", 4), HFILE_ERROR);
    _lclose(f);
    EXPECT_EQ(Contents("new.TWP"), "");  // nothing was written

    { std::ofstream("a") << "A"; }
    Host().Fail(Fault::FileRename);
    EXPECT_FALSE(MoveFileExA("a", "b", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Contents("a"), "A");
}

TEST(KernelClock, TickCountFollowsTheHostAndWraps) {
    ScopedTestHost host;
    host->now = 5'000'999;
    EXPECT_EQ(GetTickCount(), 5000u);
    EXPECT_EQ(timeGetTime(), 5000u);
    host->now = (uint64_t(1) << 32) * 1000 + 7000;
    EXPECT_EQ(GetTickCount(), 7u);
    DWORD start = GetTickCount();
    Sleep(125);
    EXPECT_GE(GetTickCount() - start, 125u);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    SetLastError(1234);
    EXPECT_EQ(GetLastError(), 1234u);
}

}  // namespace
