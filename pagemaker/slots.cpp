// Page files and the child's folder: a page written as the shipped pages are, files written
// whole, and the six slots with the pages they replaced kept under replaced/.
#include "pagemaker/pagemaker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

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

// The bytes in a new hidden file in `folder`, flushed to the disk; returns its path.
std::string WriteHidden(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes,
                        const std::string& target)
{
    std::string temp = folder + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw Failure(Why("cannot write " + target, errno));
    int err = 0;
    for (size_t done = 0; done < bytes.size() && !err;) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            err = n < 0 ? errno : EIO;
        else
            done += static_cast<size_t>(n);
    }
    if (!err && (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0))
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (err) {
        ::unlink(temp.c_str());
        throw Failure(Why("cannot write " + target, err));
    }
    return temp;
}

std::string TimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
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

std::string WriteBeside(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return WriteHidden(Folder(path), Name(path), bytes, path);
}

void Publish(const std::string& draft, const std::string& path)
{
    if (::rename(draft.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(draft.c_str());
        throw Failure(Why("cannot write " + path, err));
    }
}

void WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes)
{
    Publish(WriteBeside(path, bytes), path);
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Failure(Why("cannot read " + path, errno));
    std::vector<uint8_t> bytes;
    uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw Failure(Why("cannot read " + path, err));
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return bytes;
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
        const int fd = ::open((folder + "/" + s.file).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            s.present = true;
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
    const std::string temp = WriteHidden(folder, file, bytes, target);

    std::string kept;
    if (::access(target.c_str(), F_OK) == 0) {
        const std::string keep = folder + "/replaced";
        if (::mkdir(keep.c_str(), 0700) != 0 && errno != EEXIST) {
            const int err = errno;
            ::unlink(temp.c_str());
            throw Failure(Why("cannot keep the old " + file + " in " + keep, err));
        }
        // A hard link keeps the old page under its new name without copying it, and never
        // overwrites a page kept before.
        const auto [stem, ext] = SplitName(file);
        const std::string base = keep + "/" + stem + "." + TimeStamp();
        for (int n = 1; kept.empty(); n++) {
            std::string name = base;
            if (n > 1)
                name += "-" + std::to_string(n);
            name += ext;
            if (::link(target.c_str(), name.c_str()) == 0)
                kept = name;
            else if (errno != EEXIST || n > 99) {
                const int err = errno;
                ::unlink(temp.c_str());
                throw Failure(Why("cannot keep the old " + file + " in " + keep, err));
            }
        }
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        if (!kept.empty())
            ::unlink(kept.c_str());
        throw Failure(Why("cannot write " + target, err));
    }
    return kept;
}

}  // namespace tw::pages
