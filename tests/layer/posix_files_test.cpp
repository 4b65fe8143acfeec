// Files opened and written so that nothing planted can hang or redirect them, files written whole
// on file systems with and without hard links, and the lock that keeps one program at a time
// writing into a child's folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/posix/child_folder.h"
#include "host/posix/files.h"

namespace {

namespace fs = std::filesystem;
using tw::posix::Fd;
using tw::posix::Publish;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// Names in the folder that start with a dot: what a write left behind.
int Hidden(const fs::path& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.path().filename().string()[0] == '.';
    return n;
}

class PosixFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/twfilesXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        folder_.Reset(tw::posix::OpenFolder(AT_FDCWD, dir_.c_str()));
        ASSERT_TRUE(folder_.Valid());
    }
    void TearDown() override {
        folder_.Reset();
        if (!mounted_.empty()) std::system(("fusermount -u " + mounted_.string()).c_str());
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    int D() const { return folder_.Get(); }

    fs::path dir_;
    Fd folder_;
    fs::path mounted_;  // unmounted when the test ends
};

TEST_F(PosixFiles, OnlyRegularFilesOpenAndNothingWrittenGoesThroughALink) {
    Write(dir_ / "page", "a page");
    Write(dir_ / "elsewhere", "not to be touched");
    fs::create_symlink(dir_ / "elsewhere", dir_ / "link");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir_ / "folder");
    struct Row {
        const char* name;
        int flags;
        int err;  // 0: opens
    } rows[] = {
        {"page", O_RDONLY, 0},
        {"page", O_RDWR, 0},
        {"link", O_RDONLY, 0},                       // reading may follow a link
        {"link", O_RDWR, ELOOP},                     // writing never does
        {"link", O_WRONLY | O_CREAT | O_TRUNC, ELOOP},
        {"fifo", O_RDONLY, EINVAL},                  // refused at once, not waited on
        {"fifo", O_WRONLY | O_CREAT | O_TRUNC, ENXIO},
        {"fifo", O_RDWR, EINVAL},
        {"folder", O_RDONLY, EINVAL},
        {"absent", O_RDONLY, ENOENT},
    };
    for (const Row& row : rows) {
        Fd fd(tw::posix::OpenFile(D(), row.name, row.flags));
        EXPECT_EQ(fd.Valid() ? 0 : errno, row.err) << row.name << " flags " << row.flags;
        if (fd.Valid()) {
            EXPECT_FALSE(::fcntl(fd.Get(), F_GETFL) & O_NONBLOCK) << row.name;
        }
    }
    EXPECT_EQ(Read(dir_ / "elsewhere"), "not to be touched");
    std::string bytes;
    EXPECT_EQ(tw::posix::ReadWhole(D(), "fifo", bytes), EINVAL);
    EXPECT_EQ(tw::posix::ReadWhole(D(), "page", bytes, 3), EFBIG);
}

// Publishing never replaces unless asked, leaves nothing hidden behind, and a file that was
// never published goes.
void ExpectWholeFiles(int dirfd, const fs::path& dir) {
    EXPECT_EQ(tw::posix::WriteWhole(dirfd, "new.pdf", "first", Publish::NoReplace), 0);
    EXPECT_EQ(Read(dir / "new.pdf"), "first");
    EXPECT_EQ(tw::posix::WriteWhole(dirfd, "new.pdf", "second", Publish::NoReplace), EEXIST);
    EXPECT_EQ(Read(dir / "new.pdf"), "first");
    EXPECT_EQ(tw::posix::WriteWhole(dirfd, "new.pdf", "third", Publish::Replace), 0);
    EXPECT_EQ(Read(dir / "new.pdf"), "third");
    {
        tw::posix::WholeFile unnamed;
        EXPECT_EQ(unnamed.Write(dirfd, "kept", "never published"), 0);
        EXPECT_EQ(Hidden(dir), 1);
    }
    {
        tw::posix::WholeFile named;
        ASSERT_EQ(named.Write(dirfd, "copy", "a copy"), 0);
        EXPECT_EQ(named.Publish("new.pdf", Publish::NoReplace), EEXIST);
        EXPECT_EQ(named.Publish("new (2).pdf", Publish::NoReplace), 0);  // then under another name
    }
    EXPECT_EQ(Read(dir / "new (2).pdf"), "a copy");
    EXPECT_EQ(Hidden(dir), 0);
}

TEST_F(PosixFiles, FilesAreWrittenWholeAndPublishedWithoutReplacing) { ExpectWholeFiles(D(), dir_); }

TEST_F(PosixFiles, OneProgramAtATimeHoldsAChildsFolder) {
    const fs::path child = dir_ / "child";
    tw::posix::ChildFolderLock first, second;
    EXPECT_EQ(tw::posix::PrepareChildFolder(child.string(), "", &first), "");
    EXPECT_TRUE(first.Held());
    const std::string refused = tw::posix::PrepareChildFolder(child.string(), "", &second);
    EXPECT_TRUE(second.InUse());
    EXPECT_FALSE(second.Held());
    EXPECT_NE(refused.find(child.string()), std::string::npos) << refused;
    // The same folder under another spelling is the same folder.
    fs::create_symlink(child, dir_ / "alias");
    tw::posix::ChildFolderLock third;
    tw::posix::PrepareChildFolder((dir_ / "alias").string(), "", &third);
    EXPECT_TRUE(third.InUse());
    EXPECT_EQ(third.Identity(), first.Identity());
    first = {};
    tw::posix::ChildFolderLock fourth;
    EXPECT_EQ(tw::posix::PrepareChildFolder(child.string(), "", &fourth), "");
    EXPECT_TRUE(fourth.Held());
}

// A FAT file system refuses hard links and renames that must not replace: the whole-file writes
// fall back on an exclusive create, and the lock holds there too. fusefat mounts one without a
// kernel module of its own; skipped where FUSE is not to be had.
TEST_F(PosixFiles, OnFatTooWithoutHardLinks) {
    const fs::path image = dir_ / "fat.img", mount = dir_ / "fat";
    fs::create_directory(mount);
    const std::string make =
        "PATH=\"$PATH:/usr/sbin:/sbin\" mkfs.fat -C " + image.string() + " 4096 >/dev/null 2>&1";
    const std::string attach = "fusefat -o rw+ " + image.string() + " " + mount.string() + " >/dev/null 2>&1";
    struct statfs st;
    if (std::system(make.c_str()) != 0 || std::system(attach.c_str()) != 0 || ::statfs(mount.c_str(), &st) != 0 ||
        st.f_type != 0x65735546 /* FUSE */)
        GTEST_SKIP() << "no FAT file system to be had here (mkfs.fat, fusefat, /dev/fuse)";
    mounted_ = mount;
    {
        Fd fat(tw::posix::OpenFolder(AT_FDCWD, mount.c_str()));
        ASSERT_TRUE(fat.Valid());
        Write(mount / "probe", "p");
        EXPECT_NE(::link((mount / "probe").c_str(), (mount / "x").c_str()), 0);  // no hard links here
        fs::remove(mount / "probe");
        ExpectWholeFiles(fat.Get(), mount);
        tw::posix::ChildFolderLock first, second;
        EXPECT_EQ(tw::posix::PrepareChildFolder((mount / "child").string(), "", &first), "");
        tw::posix::PrepareChildFolder((mount / "child").string(), "", &second);
        EXPECT_TRUE(second.InUse());
    }
}

}  // namespace
