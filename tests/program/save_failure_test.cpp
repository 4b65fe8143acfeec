// A page that cannot be saved: the child's colouring is never thrown away without a word. On
// leaving the page a box says so; on Quit a box asks, and No keeps the picture on the screen.
// Once with the host's injected faults, once on a real full disk (a small tmpfs of its own).
#include "pages_fixture.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include <sched.h>
#include <sys/mount.h>

namespace tintwell_test {
namespace {

using tw::host::Fault;
const unsigned kQuitBox = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;

// Colours one cell of made-up page 0 (page point (5, 5)) with the current crayon.
void ColourACell(tw::test::Program& p)
{
    const POINT pt = p.Client(75, 75);
    p.Click(pt.x, pt.y);
    p.Wait(200);
}

// The colouring at page point (5, 5) in a saved eight-bit page file.
int SavedPixelAt55(const Bytes& file)
{
    return file.size() == kEightBitFileSize ? file[1078 + size_t(kHeight - 1 - 5) * kWidth + 5] : -1;
}

class SaveFailure : public TintwellRun {
protected:
    // Leaving, staying and quitting with a disk that takes nothing, then space again.
    void FullDiskStory(const std::function<void(bool)>& diskFull);
};

void SaveFailure::FullDiskStory(const std::function<void(bool)>& diskFull)
{
    tw::test::Program& p = P();
    diskFull(true);
    p.Key(VK_NEXT);
    ASSERT_TRUE(p.Box());
    EXPECT_EQ(p.Box()->caption, "Tintwell");
    EXPECT_NE(p.Box()->text.find("could not be saved in dogwood.TWP"), std::string::npos) << p.Box()->text;
    EXPECT_EQ(p.Box()->type, unsigned(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(CurrentPage, 0) << "the box shows while the picture is still on the screen";
    p.Answer(IDOK);
    p.Wait(20);
    EXPECT_FALSE(p.Box()) << "told once";
    EXPECT_EQ(CurrentPage, 1);
    EXPECT_TRUE(PageFileIsShipped(0)) << "the file on disk stays whole";

    ColourACell(p);
    p.Type('q');
    ASSERT_TRUE(p.Box());
    EXPECT_NE(p.Box()->text.find("holly.TWP"), std::string::npos);
    EXPECT_NE(p.Box()->text.find("Quit anyway"), std::string::npos);
    EXPECT_EQ(p.Box()->type, kQuitBox);
    p.Answer(IDNO);  // stay
    p.Wait(20);
    ASSERT_TRUE(p.Running());
    EXPECT_FALSE(p.Box());
    EXPECT_EQ(CurrentPage, 1);
    EXPECT_TRUE(PageFileIsShipped(1));

    // Room again: the picture kept on the screen is saved by the next Quit.
    diskFull(false);
    p.Type('q');
    p.Wait(20);
    EXPECT_FALSE(p.Box());
    EXPECT_FALSE(p.Running());
    EXPECT_EQ(SavedPixelAt55(PageFile(1)), 2);
    for (const auto& entry : fs::directory_iterator(Dir()))
        EXPECT_NE(entry.path().extension(), ".new") << entry.path();
}

TEST_F(SaveFailure, InjectedFullDiskIsToldAndQuitOffersToStay)
{
    Make();
    StartToPageScreen();
    FullDiskStory([this](bool full) { P().Fail(Fault::FileWrite, full ? -1 : 0); });
}

// The folder of the pages deleted while the program runs: the first page turn tells what it can
// (the page left could not be saved, each page is missing, none is left); page turns after it
// say nothing more, and Quit has nothing left to save.
TEST_F(SaveFailure, AFolderGoneIsToldOnceNotAtEveryTurn)
{
    Make();
    StartToPageScreen();
    ColourACell(P());
    fs::remove_all(Dir());
    P().Key(VK_NEXT);
    const std::vector<std::string> told = AnswerAll();
    ASSERT_EQ(told.size(), 8u);
    EXPECT_NE(told[0].find("could not be saved in dogwood.TWP"), std::string::npos) << told[0];
    EXPECT_EQ(told[1], "The file holly.TWP is missing.");
    EXPECT_EQ(told[7], "All of the tintwell pages are missing or damaged. The program is unusable.");
    EXPECT_EQ(CurrentPage, 0) << "the picture stays on the screen";
    for (unsigned vk : {VK_NEXT, VK_PRIOR, VK_NEXT}) {
        P().Key(vk);
        EXPECT_FALSE(P().Box()) << P().Box()->text;
    }
    P().Type('q');
    EXPECT_FALSE(P().Box());
    EXPECT_FALSE(P().Running());
}

// A private mount namespace (so nothing shows outside this process and the mount goes with it)
// with a tmpfs of `kilobytes` on dir. Empty when the machine does not allow it, else the reason.
std::string MountSmallTmpfs(const fs::path& dir, int kilobytes)
{
    if (::geteuid() != 0) {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return std::string("no user namespace: ") + std::strerror(errno);
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    } else if (::unshare(CLONE_NEWNS) != 0) {
        return std::string("no mount namespace: ") + std::strerror(errno);
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("cannot make the mounts private: ") + std::strerror(errno);
    const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0755";
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0)
        return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    return "";
}

TEST_F(SaveFailure, RealFullDiskIsToldAndNothingIsLost)
{
    // 640 KB: the six shipped pages (40 KB each) and one saved page (300 KB) fit; a filler
    // takes the rest until it goes.
    std::string refused;
    prepareDir_ = [&](const fs::path& dir) { refused = MountSmallTmpfs(dir, 640); };
    Make();
    if (!refused.empty())
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (" << refused << ")";
    StartToPageScreen();
    const fs::path filler = Dir() / "filler";
    FullDiskStory([&](bool full) {
        if (!full) {
            fs::remove(filler);
            return;
        }
        std::ofstream out(filler, std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 1024 && out.write(block.data(), std::streamsize(block.size())) && out.flush(); i++) {
        }
    });
}

}  // namespace
}  // namespace tintwell_test
