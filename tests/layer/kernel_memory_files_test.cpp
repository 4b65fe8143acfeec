// KERNEL32: global memory blocks, the simple file calls, renames, wsprintfA and the clocks.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

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

TEST(KernelGlobal, FixedBlocksAndNestedLocks) {
    ScopedTestHost host;
    HGLOBAL fixed = GlobalAlloc(GPTR, 16);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(GlobalLock(fixed), fixed);  // a fixed block's handle is its address
    EXPECT_EQ(GlobalHandle(fixed), fixed);
    EXPECT_EQ(GlobalFree(fixed), nullptr);

    HGLOBAL h = GlobalAlloc(GHND, 8);
    void* a = GlobalLock(h);
    EXPECT_EQ(GlobalLock(h), a);
    EXPECT_TRUE(GlobalUnlock(h));   // still locked once
    EXPECT_FALSE(GlobalUnlock(h));  // now unlocked
    EXPECT_FALSE(GlobalUnlock(h));  // not locked at all
    EXPECT_EQ(GlobalFree(h), nullptr);
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

class KernelFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("tw_kernel_files_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        std::filesystem::remove_all(dir_);
    }
    static std::string Contents(const char* name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    ScopedTestHost host_;
    std::filesystem::path dir_, old_;
};

TEST_F(KernelFiles, CreateWriteSeekAndShortRead) {
    HFILE f = _lcreat("page.TWP", 0);
    ASSERT_NE(f, HFILE_ERROR);
    EXPECT_EQ(_lwrite(f, "0123456789", 10), 10u);
    EXPECT_EQ(_hwrite(f, "abc", 3), 3);
    EXPECT_EQ(_llseek(f, 0, FILE_END), 13);
    EXPECT_EQ(_llseek(f, 2, FILE_BEGIN), 2);
    char buf[32] = {};
    EXPECT_EQ(_lread(f, buf, 4), 4u);
    EXPECT_STREQ(buf, "2345");
    EXPECT_EQ(_llseek(f, -2, FILE_CURRENT), 4);
    EXPECT_EQ(_lclose(f), 0);
    EXPECT_EQ(_lclose(f), HFILE_ERROR);  // closed twice

    f = _lopen("page.TWP", OF_READ | OF_SHARE_DENY_WRITE);
    ASSERT_NE(f, HFILE_ERROR);
    EXPECT_EQ(_hread(f, buf, 20), 13);  // a short read returns what there was
    EXPECT_EQ(_lread(f, buf, 20), 0u);  // at the end
    EXPECT_EQ(_lwrite(f, "x", 1), UINT(HFILE_ERROR));  // read-only
    EXPECT_EQ(_llseek(f, -1, FILE_BEGIN), HFILE_ERROR);
    _lclose(f);

    // _lcreat truncates an existing file.
    f = _lcreat("page.TWP", 0);
    _lclose(f);
    EXPECT_EQ(Contents("page.TWP"), "");

    EXPECT_EQ(_lopen("absent.TWP", OF_READ), HFILE_ERROR);
    EXPECT_EQ(_lread(12345, buf, 1), UINT(HFILE_ERROR));
    EXPECT_EQ(_llseek(12345, 0, FILE_BEGIN), HFILE_ERROR);
}

TEST_F(KernelFiles, ReadWriteOpenAndZeroLengthWriteTruncates) {
    { std::ofstream("f.bin") << "hello world"; }
    HFILE f = _lopen("f.bin", OF_READWRITE);
    ASSERT_NE(f, HFILE_ERROR);
    EXPECT_EQ(_lwrite(f, "HELLO", 5), 5u);
    EXPECT_EQ(_lwrite(f, "", 0), 0u);
    _lclose(f);
    EXPECT_EQ(Contents("f.bin"), "HELLO");
}

TEST_F(KernelFiles, InjectedFaults) {
    host_->faults.insert(Fault::FileCreate);
    EXPECT_EQ(_lcreat("new.TWP", 0), HFILE_ERROR);
    EXPECT_FALSE(std::filesystem::exists("new.TWP"));
    host_->faults.clear();

    HFILE f = _lcreat("new.TWP", 0);
    host_->faults.insert(Fault::FileWrite);
    EXPECT_EQ(_lwrite(f, "data", 4), UINT(HFILE_ERROR));
    EXPECT_EQ(_hwrite(f, "data", 4), HFILE_ERROR);
    _lclose(f);
    EXPECT_EQ(Contents("new.TWP"), "");  // nothing was written

    { std::ofstream("a") << "A"; }
    host_->faults.insert(Fault::FileRename);
    EXPECT_FALSE(MoveFileExA("a", "b", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Contents("a"), "A");
}

TEST_F(KernelFiles, MoveFileReplacesOnlyWhenAsked) {
    { std::ofstream("new") << "new"; }
    { std::ofstream("old") << "old"; }
    EXPECT_FALSE(MoveFileExA("new", "old", 0));
    EXPECT_EQ(GetLastError(), 183u);
    EXPECT_EQ(Contents("old"), "old");
    EXPECT_EQ(Contents("new"), "new");
    EXPECT_TRUE(MoveFileExA("new", "old", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(Contents("old"), "new");
    EXPECT_FALSE(std::filesystem::exists("new"));
    EXPECT_TRUE(MoveFileExA("old", "third", 0));
    EXPECT_FALSE(MoveFileExA("missing", "x", MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(DeleteFileA("third"));
    EXPECT_FALSE(DeleteFileA("third"));

    char cwd[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(std::string(cwd, n), std::filesystem::current_path().string());
    EXPECT_EQ(GetCurrentDirectoryA(2, cwd), n + 1);  // too small: the size needed
}

TEST(KernelStrings, WsprintfFormats) {
    char buf[1100];
    EXPECT_EQ(wsprintfA(buf, "The file %s is missing.", "holly.TWP"), 30);
    EXPECT_STREQ(buf, "The file holly.TWP is missing.");
    wsprintfA(buf, "at line %u in file %s: \"%s\": OK to continue.", 20u, "Gmem", "lpDib");
    EXPECT_STREQ(buf, "at line 20 in file Gmem: \"lpDib\": OK to continue.");
    wsprintfA(buf, "[%d|%i|%5d|%-5d|%05d|%x|%X|%#x|%c|%ld|%lu|%.3d|%%]", -42, 7, 3, 3, -12, 255, 255, 255, 'q', -1L, 4000000000UL, 5);
    EXPECT_STREQ(buf, "[-42|7|    3|3    |-0012|ff|FF|0xff|q|-1|4000000000|005|%]");
    wsprintfA(buf, "[%.2s|%6s|%-4s|%s]", "abcdef", "ab", "c", (const char*)nullptr);
    EXPECT_STREQ(buf, "[ab|    ab|c   |(null)]");
    wsprintfA(buf, "%i:  ", -2147483647 - 1);
    EXPECT_STREQ(buf, "-2147483648:  ");
}

TEST(KernelStrings, WsprintfTruncatesAt1024) {
    std::string big(2000, 'z');
    char buf[1100];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(wsprintfA(buf, "ab%s", big.c_str()), 1023);
    EXPECT_EQ(buf[1023], 0);
    EXPECT_EQ(buf[1024], '#');
    EXPECT_EQ(std::strlen(buf), 1023u);
    EXPECT_EQ(wsprintfA(buf, "%1500d", 1), 1023);
    EXPECT_EQ(lstrlenA(buf), 1023);
    EXPECT_EQ(lstrlenA(nullptr), 0);
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
