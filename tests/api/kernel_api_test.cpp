// KERNEL32 by its public behaviour: global memory blocks, the simple file calls, renames,
// wsprintfA, settings read from .ini files and the environment.
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

// What a program reads of a settings file: names of any case, blanks and quotes round values
// dropped, the first of two equal keys, the default for what is not there, truncation to the
// buffer, and the lists of keys and sections when no name is given.
TEST_F(KernelFiles, ProfileStringsAndNumbers) {
    std::ofstream("settings.ini", std::ios::binary) << "; what the parents chose\r\n"
                                                       "[Tintwell]\r\n"
                                                       "Quit = grownup \r\n"
                                                       "print=off\n"
                                                       "Quoted=\"two words\"\n"
                                                       "Single='x'\n"
                                                       "HalfQuoted=\"open\n"
                                                       "Empty=\n"
                                                       "  Indented=yes\n"
                                                       "[Numbers]\n"
                                                       "Plain=42\n"
                                                       "Negative=-7\n"
                                                       "Hex=0x1F\n"
                                                       "Wraps=4294967297\n"
                                                       "Leading=42A9\n"
                                                       "Word=B42\n"
                                                       "Nothing=\n";
    const std::string file = (dir_ / "settings.ini").string();
    struct Row {
        const char *section, *key, *expected;
    } rows[] = {
        {"Tintwell", "Quit", "grownup"},       {"TINTWELL", "PRINT", "off"},   {"Tintwell", "Quoted", "two words"},
        {"Tintwell", "Single", "x"},           {"Tintwell", "HalfQuoted", "\"open"},
        {"Tintwell", "Empty", ""},             {"Tintwell", "Indented", "yes"}, {" Tintwell ", " Quit ", "grownup"},
        {"Tintwell", "Missing", "the default"}, {"Nowhere", "Quit", "the default"},
    };
    char buf[64];
    for (const Row& row : rows) {
        DWORD n = GetPrivateProfileStringA(row.section, row.key, "the default", buf, sizeof buf, file.c_str());
        EXPECT_STREQ(buf, row.expected) << row.section << "/" << row.key;
        EXPECT_EQ(n, std::strlen(row.expected)) << row.section << "/" << row.key;
    }
    // The default loses its trailing blanks; no default is "".
    EXPECT_EQ(GetPrivateProfileStringA("Tintwell", "Missing", "  spaced   ", buf, sizeof buf, file.c_str()), 8u);
    EXPECT_STREQ(buf, "  spaced");
    EXPECT_EQ(GetPrivateProfileStringA("Tintwell", "Missing", nullptr, buf, sizeof buf, file.c_str()), 0u);
    EXPECT_STREQ(buf, "");
    // Too long for the buffer: cut short, and the size less one.
    EXPECT_EQ(GetPrivateProfileStringA("Tintwell", "Quit", "", buf, 5, file.c_str()), 4u);
    EXPECT_STREQ(buf, "grow");
    // No such file: the default.
    const std::string missing = (dir_ / "missing.ini").string();
    EXPECT_EQ(GetPrivateProfileStringA("Tintwell", "Quit", "child", buf, sizeof buf, missing.c_str()), 5u);
    EXPECT_STREQ(buf, "child");

    // The keys of a section, then the sections, each ended by a NUL and the list by one more.
    char list[128];
    auto names = [](const auto& literal) { return std::string(literal, sizeof literal - 1); };
    DWORD n = GetPrivateProfileStringA("Numbers", nullptr, "", list, sizeof list, file.c_str());
    EXPECT_EQ(std::string(list, n), names("Plain\0Negative\0Hex\0Wraps\0Leading\0Word\0Nothing\0"));
    EXPECT_EQ(list[n], 0);
    n = GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, file.c_str());
    EXPECT_EQ(std::string(list, n), names("Tintwell\0Numbers\0"));
    // A list that does not fit: the last name cut, two NULs, the size less two (Wine leaves out
    // the second NUL).
    n = GetPrivateProfileStringA(nullptr, nullptr, "", list, 12, file.c_str());
    EXPECT_EQ(n, 10u);
    const size_t written = tw::api::OnWine() ? 11 : 12;
    EXPECT_EQ(std::string(list, written), names("Tintwell\0N\0\0").substr(0, written));

    struct IntRow {
        const char* key;
        UINT expected;
    } numbers[] = {
        {"Plain", 42},   {"Negative", UINT(-7)}, {"Hex", 31}, {"Wraps", 1},
        {"Leading", 42}, {"Word", 0},            {"Nothing", 5}, {"Missing", 5},
    };
    for (const IntRow& row : numbers)
        EXPECT_EQ(GetPrivateProfileIntA("Numbers", row.key, 5, file.c_str()), row.expected) << row.key;
}

TEST_F(KernelStrings, EnvironmentVariables) {
    char buf[16];
    SetLastError(0);
    EXPECT_EQ(GetEnvironmentVariableA("TINTWELL_NO_SUCH_VARIABLE", buf, sizeof buf), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ENVVAR_NOT_FOUND));
#ifdef _WIN32
    SetEnvironmentVariableA("TINTWELL_API_TEST", "window");
#else
    ::setenv("TINTWELL_API_TEST", "window", 1);
#endif
    EXPECT_EQ(GetEnvironmentVariableA("TINTWELL_API_TEST", buf, sizeof buf), 6u);
    EXPECT_STREQ(buf, "window");
    // Too small: the size needed, the terminator counted.
    EXPECT_EQ(GetEnvironmentVariableA("TINTWELL_API_TEST", buf, 6), 7u);
}

}  // namespace
