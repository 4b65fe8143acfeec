// KERNEL32 by its public behaviour: global memory blocks, the simple file calls, renames and
// wsprintfA.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "api/api_test.h"

namespace {

class KernelGlobal : public tw::api::ApiTest {};
class KernelStrings : public tw::api::ApiTest {};

using KernelFiles = tw::api::ApiFilesTest;
using tw::api::Contents;

TEST_F(KernelGlobal, FixedBlocksAndNestedLocks) {
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

TEST_F(KernelFiles, MoveFileReplacesOnlyWhenAsked) {
    { std::ofstream("new") << "new"; }
    { std::ofstream("old") << "old"; }
    EXPECT_FALSE(MoveFileExA("new", "old", 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
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

TEST_F(KernelStrings, WsprintfFormats) {
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

TEST_F(KernelStrings, WsprintfTruncatesAt1024) {
    std::string big(2000, 'z');
    char buf[1100];
    std::memset(buf, '#', sizeof buf);
    // The characters stored, not counting the null, as documented; Wine answers 1024.
    int stored = tw::api::OnWine() ? 1024 : 1023;
    EXPECT_EQ(wsprintfA(buf, "ab%s", big.c_str()), stored);
    EXPECT_EQ(buf[1023], 0);
    EXPECT_EQ(buf[1024], '#');
    EXPECT_EQ(std::strlen(buf), 1023u);
    EXPECT_EQ(wsprintfA(buf, "%1500d", 1), stored);
    EXPECT_EQ(lstrlenA(buf), 1023);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

}  // namespace
