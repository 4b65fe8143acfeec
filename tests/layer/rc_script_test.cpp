// The resource compiler: string tables with escapes, file resources, and error reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "rc/rc_script.h"

namespace {

using tw::rc::Resource;

std::string Text(const Resource& r) { return std::string(r.data.begin(), r.data.end()); }

const Resource* Find(const std::vector<Resource>& v, const std::string& type, const std::string& name) {
    for (const Resource& r : v)
        if (r.type == type && r.name == name) return &r;
    return nullptr;
}

class TempDir {
public:
    TempDir() {
        path_ = std::filesystem::temp_directory_path() / ("twrc_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path_ / "sub");
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string Path() const { return path_.string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path path_;
};

TEST(RcScript, StringTableEscapesAndQuoteDoubling) {
    const char* script =
        "// comment\n"
        "#include <windows.h>\n"
        "#define IDS_LAST 40\n"
        "/* a block\n comment */\n"
        "STRINGTABLE DISCARDABLE\n"
        "BEGIN\n"
        "    1, \"Plain text.\"\n"
        "    2 \"Tab\\there\\nnext \\\\ \\x41\\101\"\n"
        "    3, \"Say \"\"hi\"\"\"\n"
        "    0x10, \"hex id\"\n"
        "    IDS_LAST, \"\"\n"
        "END\n";
    std::vector<Resource> out;
    std::string error;
    ASSERT_TRUE(tw::rc::ParseScript(script, "t.rc", ".", out, error)) << error;
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(Text(*Find(out, "#6", "#1")), "Plain text.");
    EXPECT_EQ(Text(*Find(out, "#6", "#2")), "Tab\there\nnext \\ AA");
    EXPECT_EQ(Text(*Find(out, "#6", "#3")), "Say \"hi\"");
    EXPECT_EQ(Text(*Find(out, "#6", "#16")), "hex id");
    EXPECT_EQ(Text(*Find(out, "#6", "#40")), "");
}

TEST(RcScript, FileResourcesByNameAndNumber) {
    TempDir dir;
    // A minimal BMP: the resource keeps everything after the 14-byte file header.
    std::string bmp = "BM" + std::string(12, '\0') + std::string(40, 'i') + "pix";
    dir.Write("sub/pic.bmp", bmp);
    dir.Write("boom.wav", "RIFFdata");
    dir.Write("pen.cur", "CURFILE");
    dir.Write("app.ico", "ICOFILE");
    const char* script =
        "Picture BITMAP \"sub/pic.bmp\"\n"
        "1 WAVE DISCARDABLE \"boom.wav\"\n"
        "EditCursor CURSOR \"pen.cur\"\n"
        "TWLIcon ICON \"app.ico\"\n"
        "7 300 \"boom.wav\"\n";
    std::vector<Resource> out;
    std::string error;
    ASSERT_TRUE(tw::rc::ParseScript(script, "t.rc", dir.Path(), out, error)) << error;
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(Text(*Find(out, "#2", "PICTURE")), std::string(40, 'i') + "pix");
    EXPECT_EQ(Text(*Find(out, "WAVE", "#1")), "RIFFdata");
    EXPECT_EQ(Text(*Find(out, "#12", "EDITCURSOR")), "CURFILE");
    EXPECT_EQ(Text(*Find(out, "#14", "TWLICON")), "ICOFILE");
    EXPECT_NE(Find(out, "#300", "#7"), nullptr);

    // The generated source names every resource and holds its bytes.
    std::string src = tw::rc::EmitSource(out, "t.rc");
    EXPECT_NE(src.find("RegisterResource(\"WAVE\", \"#1\", kData1, 8)"), std::string::npos);
    EXPECT_NE(src.find("\\122\\111\\106\\106"), std::string::npos);  // "RIFF"
}

TEST(RcScript, ErrorsNameFileAndLine) {
    TempDir dir;
    std::vector<Resource> out;
    std::string error;
    EXPECT_FALSE(tw::rc::ParseScript("\n\nLogo BITMAP \"missing.bmp\"\n", "t.rc", dir.Path(), out, error));
    EXPECT_EQ(error.rfind("t.rc:3: ", 0), 0u) << error;
    EXPECT_NE(error.find("missing.bmp"), std::string::npos);

    EXPECT_FALSE(tw::rc::ParseScript("STRINGTABLE\nBEGIN\n 1, \"open\n END\n", "t.rc", ".", out, error));
    EXPECT_EQ(error.rfind("t.rc:3: ", 0), 0u) << error;

    EXPECT_FALSE(tw::rc::ParseScript("STRINGTABLE\nBEGIN\n 1, \"a\"\n", "t.rc", ".", out, error));
    EXPECT_NE(error.find("END"), std::string::npos) << error;

    EXPECT_FALSE(tw::rc::ParseScript("STRINGTABLE\nBEGIN\n 1, \"a\"\n 1, \"b\"\nEND\n", "t.rc", ".", out, error));
    EXPECT_EQ(error.rfind("t.rc:4: ", 0), 0u) << error;

    dir.Write("notbmp.bmp", "GIF89a and more bytes than a header would need");
    EXPECT_FALSE(tw::rc::ParseScript("X BITMAP \"notbmp.bmp\"\n", "t.rc", dir.Path(), out, error));

    EXPECT_FALSE(tw::rc::ParseScript("X BITMAP\n", "t.rc", ".", out, error));
    EXPECT_FALSE(tw::rc::CompileFile(dir.Path() + "/nope.rc", out, error));
}

TEST(RcScript, ShippedScriptCompiles) {
    const char* src = std::getenv("TW_SOURCE_DIR");
    std::string root = src ? src : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string();
    std::vector<Resource> out;
    std::string error;
    ASSERT_TRUE(tw::rc::CompileFile(root + "/resources/tintwell.rc", out, error)) << error;
    const Resource* r = Find(out, "#6", "#3");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(Text(*r),
              "This program is designed to run full-screen at 800x600 resolution.  Change your display to this "
              "setting and then restart the program.");
}

}  // namespace
