// The child's folder: which folder is chosen, where
// the shipped pages are found, and making and filling the folder without ever replacing a page.
//
// Built when the test program links the SDL host (TW_SDL_HOST_TESTS defined).
#ifdef TW_SDL_HOST_TESTS

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "host/posix/child_folder.h"
#include "host/sdl/cups_printers.h"

namespace {

namespace fs = std::filesystem;
using tw::posix::ChildFolder;
using tw::posix::FreshenPages;
using tw::posix::PrepareChildFolder;
using tw::posix::ShippedFolder;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

class ChildFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/twchildXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        shipped_ = dir_ / "share" / "tintwell";
        Write(shipped_ / "dogwood.TWP", "shipped dogwood");
        Write(shipped_ / "holly.TWP", "shipped holly");
        Write(shipped_ / "tintmus.mid", "tune");
        Write(shipped_ / ".hidden", "not a page");
        fs::create_directories(shipped_ / "subfolder");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_, shipped_;
};

TEST_F(ChildFolderTest, WhichFolder) {
    // Pages in the user's settings file (absent: no file), then in the machine's, which cannot
    // be made here: /etc/xdg/tintwell/tintwell.ini must not have one.
    struct Row {
        const char* commandLine;
        std::optional<std::string> pagesEnv, pagesSetting, dataHome;
        std::string expected;
    } rows[] = {
        {"/given", "/env", "/set", "/data", "/given"},
        {"", "/env", "/set", "/data", "/env"},
        {"", std::nullopt, "/set", "/data", "/set"},
        {"", "", "\"/quoted folder\"", "/data", "/quoted folder"},
        {"", std::nullopt, std::nullopt, "/data", "/data/tintwell"},
        {"", std::nullopt, "", "/data", "/data/tintwell"},
        // XDG_DATA_HOME counts only when it is an absolute path.
        {"", std::nullopt, std::nullopt, "relative", "/home/a/.local/share/tintwell"},
        {"", "", std::nullopt, "", "/home/a/.local/share/tintwell"},
    };
    auto set = [](const char* name, const std::optional<std::string>& v) {
        if (v) ::setenv(name, v->c_str(), 1);
        else ::unsetenv(name);
    };
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    const fs::path config = dir_ / "config";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("HOME", "/home/a", 1);
    int n = 0;
    for (const Row& row : rows) {
        set("TINTWELL_PAGES", row.pagesEnv);
        set("XDG_DATA_HOME", row.dataHome);
        fs::remove_all(config);
        // A new file each time (its own name, then renamed), so that it never passes for the
        // file read before.
        if (row.pagesSetting) {
            Write(config / ("new" + std::to_string(n++)), "[Tintwell]\nPages=" + *row.pagesSetting + "\n");
            fs::create_directories(config / "tintwell");
            fs::rename(config / ("new" + std::to_string(n - 1)), config / "tintwell" / "tintwell.ini");
        }
        EXPECT_EQ(ChildFolder(row.commandLine), row.expected) << row.commandLine << " " << row.pagesEnv.value_or("-")
                                                              << " " << row.pagesSetting.value_or("-");
    }
    ::unsetenv("TINTWELL_PAGES");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", savedHome.c_str(), 1);
}

// Without a usable HOME the user database gives the home folder: the pictures and the PDF files
// go there, never to "/".
TEST(StartOptions, WithoutHomeTheUserDatabaseSays) {
    const struct passwd* pw = ::getpwuid(::getuid());
    if (!pw || !pw->pw_dir || pw->pw_dir[0] != '/') GTEST_SKIP() << "no home in the user database";
    const std::string home = pw->pw_dir;
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::unsetenv("TINTWELL_PAGES");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/home"}) {
        if (value) ::setenv("HOME", value, 1);
        else ::unsetenv("HOME");
        EXPECT_EQ(tw::posix::HomeFolder(), home) << (value ? value : "(unset)");
        EXPECT_EQ(ChildFolder(""), home + "/.local/share/tintwell");
        EXPECT_EQ(tw::sdl::DocumentsFolder().rfind(home, 0), 0u) << tw::sdl::DocumentsFolder();
    }
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(ChildFolderTest, ShippedPagesAreFoundBesideTheProgram) {
    // Installed: bin/tintwell and share/tintwell.
    fs::create_directories(dir_ / "bin");
    EXPECT_EQ(fs::path(ShippedFolder((dir_ / "bin" / "tintwell").string())), dir_ / "bin" / ".." / "share" / "tintwell");
    // In its build folder: share/tintwell beside the program.
    EXPECT_EQ(fs::path(ShippedFolder((dir_ / "tintwell").string())), dir_ / "share" / "tintwell");
    EXPECT_EQ(ShippedFolder((shipped_ / "tintwell").string()), "");
}

TEST_F(ChildFolderTest, FilledOnceAndNeverOverwritten) {
    fs::path child = dir_ / "home" / ".local" / "share" / "tintwell";
    ASSERT_EQ(PrepareChildFolder(child.string(), shipped_.string()), "");
    EXPECT_EQ(Read(child / "dogwood.TWP"), "shipped dogwood");
    EXPECT_EQ(Read(child / "holly.TWP"), "shipped holly");
    EXPECT_EQ(Read(child / "tintmus.mid"), "tune");
    EXPECT_FALSE(fs::exists(child / ".hidden"));
    EXPECT_FALSE(fs::exists(child / "subfolder"));

    // The child coloured dogwood and deleted holly to start it afresh.
    Write(child / "dogwood.TWP", "coloured dogwood");
    fs::remove(child / "holly.TWP");
    ASSERT_EQ(PrepareChildFolder(child.string(), shipped_.string()), "");
    EXPECT_EQ(Read(child / "dogwood.TWP"), "coloured dogwood");
    EXPECT_EQ(Read(child / "holly.TWP"), "shipped holly");
    // Nothing else is left behind in the child's folder.
    int files = 0;
    for (const auto& e : fs::directory_iterator(child)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 3);
}

// A page file as far as fresh pages look at it: the magic, the blank flag, tintwell-pages' mark;
// `pixels` after the 1078 bytes of headers and colours, eight bits each.
std::string PageBytes(bool blank, bool made, const std::string& pixels = std::string(660 * 460, char(37))) {
    std::string b(1078, '\0');
    b[0] = 'T';
    b[1] = 'W';
    b[6] = blank ? 1 : 0;
    if (made) {
        b[8] = 0x50;
        b[9] = 0x4D;
    }
    b[10] = char(1078 & 0xFF);
    b[11] = char(1078 >> 8);
    b[28] = 8;
    return b + pixels;
}

std::vector<std::string> Kept(const fs::path& child) {
    std::vector<std::string> names;
    if (fs::is_directory(child / "replaced"))
        for (const auto& e : fs::directory_iterator(child / "replaced")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(ChildFolderTest, FreshPagesPutTheColouredOnesAside) {
    const fs::path child = dir_ / "child";
    const std::string shippedPage = PageBytes(true, false, "one-bit picture");
    for (const char* name : {"dogwood.TWP", "holly.TWP", "pansies.TWP", "prickly.TWP", "weeping.twp"})
        Write(shipped_ / name, shippedPage);
    std::string madePixels(660 * 460, char(37));
    madePixels[0] = 0;    // outline
    madePixels[1] = 5;    // crayon 5
    madePixels[2] = 36;   // crayon 36
    const std::string colouredDogwood = PageBytes(false, false);
    Write(child / "dogwood.TWP", colouredDogwood);           // coloured: the shipped copy again
    Write(child / "holly.TWP", PageBytes(true, false));      // not coloured: stays
    Write(child / "pansies.TWP", PageBytes(false, true, madePixels));  // made and coloured
    Write(child / "prickly.TWP", "not a page");              // stays for the program to report
    ASSERT_EQ(PrepareChildFolder(child.string(), shipped_.string()), "");  // weeping comes as shipped

    ASSERT_EQ(FreshenPages(child.string(), shipped_.string()), "");
    EXPECT_EQ(Read(child / "dogwood.TWP"), shippedPage);
    EXPECT_EQ(Read(child / "holly.TWP"), PageBytes(true, false));
    std::string cleanPixels = madePixels;
    cleanPixels[1] = cleanPixels[2] = char(37);
    EXPECT_EQ(Read(child / "pansies.TWP"), PageBytes(true, true, cleanPixels));
    EXPECT_EQ(Read(child / "prickly.TWP"), "not a page");
    EXPECT_EQ(Read(child / "weeping.twp"), shippedPage);
    std::vector<std::string> kept = Kept(child);
    ASSERT_EQ(kept.size(), 2u);
    // As tintwell-pages names what it replaces: the name, the time, the extension.
    EXPECT_EQ(kept[0].rfind("dogwood.", 0), 0u);
    EXPECT_EQ(kept[0].size(), std::string("dogwood.20261208-143000.TWP").size()) << kept[0];
    EXPECT_EQ(Read(child / "replaced" / kept[0]), colouredDogwood);
    EXPECT_EQ(Read(child / "replaced" / kept[1]), PageBytes(false, true, madePixels));

    // Coloured again within the same second: the next one is kept beside the first.
    Write(child / "dogwood.TWP", colouredDogwood);
    ASSERT_EQ(FreshenPages(child.string(), shipped_.string()), "");
    kept = Kept(child);
    ASSERT_EQ(kept.size(), 3u);
    // Nothing is left behind but the pages, the tune and what was put aside.
    for (const auto& e : fs::directory_iterator(child)) EXPECT_NE(e.path().filename().string()[0], '.');

    // Where nothing can be put aside the page stays as it is, and that is told.
    Write(child / "dogwood.TWP", colouredDogwood);
    fs::permissions(child / "replaced", fs::perms::owner_read | fs::perms::owner_exec);
    if (::access((child / "replaced").c_str(), W_OK) != 0) {  // not when the tests run as root
        std::string problem = FreshenPages(child.string(), shipped_.string());
        EXPECT_NE(problem.find("dogwood.TWP"), std::string::npos) << problem;
        EXPECT_EQ(Read(child / "dogwood.TWP"), colouredDogwood);
    }
    fs::permissions(child / "replaced", fs::perms::owner_all);
}

TEST_F(ChildFolderTest, AFolderThatCannotBeMadeIsReported) {
    Write(dir_ / "plain", "a file, not a folder");
    std::string problem = PrepareChildFolder((dir_ / "plain" / "pictures").string(), shipped_.string());
    EXPECT_NE(problem.find((dir_ / "plain" / "pictures").string()), std::string::npos) << problem;
    EXPECT_NE(problem.find("Not a directory"), std::string::npos) << problem;
    // Without shipped pages the folder is still made; the program reports the missing pages itself.
    EXPECT_EQ(PrepareChildFolder((dir_ / "empty").string(), ""), "");
    EXPECT_TRUE(fs::is_directory(dir_ / "empty"));
}

}  // namespace

#endif  // TW_SDL_HOST_TESTS
