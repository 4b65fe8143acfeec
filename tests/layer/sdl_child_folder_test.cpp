// The desktop process entry's command line and the child's folder: which folder is chosen, where
// the shipped pages are found, and making and filling the folder without ever replacing a page.
//
// Built when the test program links the SDL host (TW_SDL_HOST_TESTS defined).
#ifdef TW_SDL_HOST_TESTS

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <pwd.h>
#include <unistd.h>

#include "host/posix/child_folder.h"
#include "host/sdl/cups_printers.h"

namespace {

namespace fs = std::filesystem;
using tw::posix::ChildFolder;
using tw::posix::ParseStartOptions;
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

TEST(StartOptions, CommandLines) {
    struct Row {
        std::vector<std::string> args;
        std::string pages;
        bool help;
        bool error;
    } rows[] = {
        {{}, "", false, false},
        {{"--pages", "/x/y"}, "/x/y", false, false},
        {{"--pages=/x/z"}, "/x/z", false, false},
        {{"--help"}, "", true, false},
        {{"--pages"}, "", false, true},
        {{"--pages="}, "", false, true},
        {{"--pages", ""}, "", false, true},
        {{"-x"}, "", false, true},
        {{"a.png", "b.png"}, "", false, true},
    };
    for (const Row& row : rows) {
        auto opts = ParseStartOptions(row.args);
        std::string line = row.args.empty() ? "(none)" : row.args[0];
        EXPECT_EQ(opts.pages, row.pages) << line;
        EXPECT_EQ(opts.help, row.help) << line;
        EXPECT_EQ(!opts.error.empty(), row.error) << line;
    }
    auto opts = ParseStartOptions({"--pages", "/p", "cat photo.jpg"});
    EXPECT_EQ(opts.picture, "cat photo.jpg");
    EXPECT_EQ(opts.pages, "/p");
}

TEST(StartOptions, WhichFolder) {
    struct Row {
        const char* commandLine;
        std::optional<std::string> pagesEnv, dataHome, home;
        std::string expected;
    } rows[] = {
        {"/given", "/env", "/data", "/home/a", "/given"},
        {"", "/env", "/data", "/home/a", "/env"},
        {"", std::nullopt, "/data", "/home/a", "/data/tintwell"},
        // XDG_DATA_HOME counts only when it is an absolute path.
        {"", std::nullopt, "relative", "/home/a", "/home/a/.local/share/tintwell"},
        {"", "", "", "/home/a", "/home/a/.local/share/tintwell"},
    };
    auto set = [](const char* name, const std::optional<std::string>& v) {
        if (v) ::setenv(name, v->c_str(), 1);
        else ::unsetenv(name);
    };
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    for (const Row& row : rows) {
        set("TINTWELL_PAGES", row.pagesEnv);
        set("XDG_DATA_HOME", row.dataHome);
        set("HOME", row.home);
        EXPECT_EQ(ChildFolder(row.commandLine), row.expected) << row.commandLine << " " << row.pagesEnv.value_or("-");
    }
    ::unsetenv("TINTWELL_PAGES");
    ::unsetenv("XDG_DATA_HOME");
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
