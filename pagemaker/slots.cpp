// Page files and the child's folder: a page written as the shipped pages are, files written
// whole, and the six slots with the pages they replaced kept under replaced/.
#include "pagemaker/pagemaker.h"

#include "host/posix/child_folder.h"
#include "host/posix/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tw::pages {

const Slot kSlots[kSlotCount] = {
    {"dogwood.TWP", "DOGWOOD"}, {"holly.TWP", "HOLLY"},         {"pansies.TWP", "PANSIES"},
    {"prickly.TWP", "PRICKLY PEAR"}, {"weeping.twp", "WEEPING WILLOW"}, {"buy_me4.TWP", "SUNFLOWER"},
};

namespace {

constexpr int kMonoRowBytes = (kPageWidth + 31) / 32 * 4;  // 84
constexpr int kMonoOffBits = 14 + 40 + 2 * 4;              // 62

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = uint8_t(v >> (8 * i));
}

std::string Why(const std::string& what, int err)
{
    return what + ": " + std::strerror(err);
}

std::string Folder(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Name(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder by its path, for writing into.
tw::posix::Fd OpenFolder(const std::string& folder, const std::string& target)
{
    tw::posix::Fd dir(tw::posix::OpenFolder(AT_FDCWD, folder.c_str()));
    if (!dir.Valid())
        throw Failure(Why("cannot write " + target, errno));
    return dir;
}

// "dogwood.TWP" -> "dogwood" and ".TWP".
std::pair<std::string, std::string> SplitName(const std::string& file)
{
    const size_t dot = file.rfind('.');
    return {file.substr(0, dot), file.substr(dot)};
}

}  // namespace

std::vector<uint8_t> EncodePage(const Page& page)
{
    std::vector<uint8_t> b(kMonoOffBits + kMonoRowBytes * kPageHeight, 0);
    b[0] = 'T';
    b[1] = 'W';
    Put32(b, 2, uint32_t(b.size()));
    Put16(b, 6, 1);  // blank: nothing coloured yet
    Put16(b, 8, kMadeMark);
    Put32(b, 10, kMonoOffBits);
    Put32(b, 14, 40);
    Put32(b, 18, kPageWidth);
    Put32(b, 22, kPageHeight);
    Put16(b, 26, 1);
    Put16(b, 28, 1);
    Put32(b, 34, kMonoRowBytes * kPageHeight);
    Put32(b, 38, 2835);  // 72 dots an inch
    Put32(b, 42, 2835);
    Put32(b, 46, 2);
    Put32(b, 50, 2);
    // Black outline, white paper; a set bit is paper.
    Put32(b, 58, 0x00FFFFFF);
    for (int y = 0; y < kPageHeight; y++) {
        uint8_t* row = &b[kMonoOffBits + size_t(kPageHeight - 1 - y) * kMonoRowBytes];
        const uint8_t* ink = &page.ink[size_t(y) * kPageWidth];
        for (int x = 0; x < kPageWidth; x++)
            if (!ink[x])
                row[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    return b;
}

void WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes)
{
    Draft(path, bytes).Publish();
}

Draft::Draft(const std::string& path, std::vector<uint8_t> bytes)
    : path_(path), bytes_(std::move(bytes)), dir_(OpenFolder(Folder(path), path))
{
    const std::string_view data(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
    if (const int err = file_.Write(dir_.Get(), Name(path_), data))
        throw Failure(Why("cannot write " + path_, err));
}

void Draft::Publish()
{
    if (const int err = file_.Publish(Name(path_), tw::posix::Publish::Replace))
        throw Failure(Why("cannot write " + path_, err));
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::string bytes;
    if (const int err = tw::posix::ReadWhole(AT_FDCWD, path.c_str(), bytes))
        throw Failure(Why("cannot read " + path, err == EINVAL ? EISDIR : err));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<SlotState> ListSlots(const std::string& folder)
{
    std::vector<SlotState> slots;
    std::vector<std::string> kept;
    if (DIR* dir = ::opendir((folder + "/replaced").c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.')
                kept.emplace_back(e->d_name);
        ::closedir(dir);
    }
    for (int i = 0; i < kSlotCount; i++) {
        SlotState s;
        s.number = i + 1;
        s.file = kSlots[i].file;
        s.caption = kSlots[i].caption;
        const std::string stem = SplitName(s.file).first + ".";
        for (const std::string& k : kept)
            s.kept += k.compare(0, stem.size(), stem) == 0;
        const int fd = tw::posix::OpenFile(AT_FDCWD, (folder + "/" + s.file).c_str(), O_RDONLY);
        s.present = fd >= 0 || errno != ENOENT;
        if (fd >= 0) {
            uint8_t head[14];
            if (::read(fd, head, sizeof head) == ssize_t(sizeof head) && head[0] == 'T' && head[1] == 'W') {
                s.page = true;
                s.coloured = (head[6] | head[7] << 8) == 0;
                s.made = (head[8] | head[9] << 8) == kMadeMark;
            }
            ::close(fd);
        }
        slots.push_back(s);
    }
    return slots;
}

std::string ReplaceSlot(const std::string& folder, int number, const std::vector<uint8_t>& bytes)
{
    if (number < 1 || number > kSlotCount)
        throw Failure("there is no slot " + std::to_string(number) + "; the slots are 1 to 6");
    const std::string file = kSlots[number - 1].file;
    const std::string target = folder + "/" + file;
    const tw::posix::Fd dir = OpenFolder(folder, target);
    tw::posix::WholeFile page;
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (const int err = page.Write(dir.Get(), file, data))
        throw Failure(Why("cannot write " + target, err));

    // The old page is kept in replaced/ under a name of its own: a copy that never overwrites a
    // page kept before, in a folder of ours that is never reached through a link.
    std::string kept;
    std::string old;
    const int readErr = tw::posix::ReadWhole(dir.Get(), file.c_str(), old);
    if (readErr != ENOENT) {
        const std::string keep = folder + "/replaced";
        if (readErr)
            throw Failure(Why("cannot keep the old " + file + " in " + keep, readErr == EINVAL ? EISDIR : readErr));
        std::string name;
        if (const int err = tw::posix::KeepReplacedPage(dir.Get(), file, old, name))
            throw Failure(Why("cannot keep the old " + file + " in " + keep, err));
        kept = keep + "/" + name;
    }
    if (const int err = page.Publish(file, tw::posix::Publish::Replace)) {
        if (!kept.empty())
            ::unlink(kept.c_str());
        throw Failure(Why("cannot write " + target, err));
    }
    return kept;
}

}  // namespace tw::pages
