// Damaged settings files through GetPrivateProfileStringA: each is read as far as it goes, what
// cannot be read is left out (never misread, never read past a buffer), and the file is named
// once on stderr, again only when it changes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "harness/layer_env.h"
#include "host/posix/ini_file.h"

namespace {

namespace fs = std::filesystem;

class DamagedSettings : public tw::test::LayerEnv {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/twiniXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    static std::string Get(const std::string& file, const char* key) {
        char buf[64];
        GetPrivateProfileStringA("Tintwell", key, "(default)", buf, sizeof buf, file.c_str());
        return buf;
    }
    fs::path dir_;
};

std::string Garbage(size_t bytes, uint32_t seed) {
    std::string s(bytes, 0);
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = char(seed >> 24);
    }
    return s;
}

std::string Repeated(const std::string& piece, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; i++) s += piece;
    return s;
}

TEST_F(DamagedSettings, ReadAsFarAsTheyGoAndToldOnce) {
    struct Row {
        const char* name;
        std::string bytes;
        std::string quit, print;
        int badLine;  // 0: some line
    } rows[] = {
        {"binary", Repeated(std::string("\0\1\2\x7f\xff[Tintwell]\n\x80=\x81\n", 17), 200), "(default)", "(default)", 1},
        // A line too long for the parser, made of settings: its tail must not be read as one.
        {"long-line", "[Tintwell]\n" + Repeated("Quit=child ", 2000) + "\nQuit=grownup\r\nPrint=off\n", "grownup", "off",
         2},
        {"no-value", "[Tintwell]\nQuit\nPrint=off\n", "(default)", "off", 2},
        {"megabyte", Garbage(1 << 20, 7), "(default)", "(default)", 0},
        {"after-garbage", "[Tintwell]\nQuit=grownup\n" + Garbage(4096, 9) + "\n[Tintwell]\nPrint=off\n", "grownup", "off",
         0},
        {"too-big", "[Tintwell]\nQuit=grownup\n" + std::string(tw::posix::kIniMaxBytes, '\n'), "grownup", "(default)", 0},
    };
    for (const Row& row : rows) {
        const std::string file = Write(row.name, row.bytes);
        testing::internal::CaptureStderr();
        EXPECT_EQ(Get(file, "Quit"), row.quit) << row.name;
        EXPECT_EQ(Get(file, "Print"), row.print) << row.name;
        const int badLine = tw::posix::IniFile::Read(file)->FirstBadLine();
        if (row.badLine) {
            EXPECT_EQ(badLine, row.badLine) << row.name;
        }
        const std::string told = testing::internal::GetCapturedStderr();
        EXPECT_NE(told.find(file + " is damaged (line " + std::to_string(badLine) + " "), std::string::npos)
            << row.name << ": " << told;
        EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << row.name << ": " << told;
    }

    // A mended file is read afresh, and nothing more is said.
    const std::string file = Write("no-value", "[Tintwell]\nQuit=grownup\n\n; mended\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(Get(file, "Quit"), "grownup");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(DamagedSettings, NotAFileReadsAsNone) {
    const std::string fifo = (dir_ / "fifo.ini").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(dir_ / "folder.ini");
    testing::internal::CaptureStderr();
    EXPECT_EQ(Get(fifo, "Quit"), "(default)");  // and no wait for a writer
    EXPECT_EQ(Get((dir_ / "folder.ini").string(), "Quit"), "(default)");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
