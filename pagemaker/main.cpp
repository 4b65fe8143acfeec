// tintwell-pages: makes Tintwell colouring pages from pictures and manages the six page slots of
// the child's folder. Every failure is one line on stderr and exit status 2, a picture that makes
// a poor page status 3; either way nothing is written or replaced.
#include "pagemaker/pagemaker.h"

#include "host/posix/child_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tw::pages;

const char kUsage[] =
    "Usage: tintwell-pages make PICTURE (-o FILE | --slot N) [--photo | --drawing] [--turn]\n"
    "                           [--detail low|medium|high] [--preview FILE.png] [--force]\n"
    "                           [--pages FOLDER]\n"
    "       tintwell-pages list [--pages FOLDER]\n"
    "       tintwell-pages restore N [--pages FOLDER]\n"
    "Makes Tintwell colouring pages from pictures (drawings and colouring sheets, scanned or\n"
    "photographed, and photos).\n"
    "  make      make a page from PICTURE; --slot N (1-6) puts it in place of page N of the\n"
    "            child's folder, keeping the page it replaces under replaced/; -o writes it to FILE\n"
    "  list      the six pages of the child's folder\n"
    "  restore   put the page Tintwell came with back into slot N\n"
    "  --photo, --drawing  how to read the picture (decided from the picture when not given); a\n"
    "            photographed sheet of paper is found and straightened unless --photo is given\n"
    "  --detail  how many areas the page has (medium when not given)\n"
    "  --turn    turn the picture a quarter when that fills more of the page\n"
    "  --preview also write the page as a PNG picture\n"
    "  --force   write a page even when it would be a poor one to colour\n"
    "  --pages   the child's folder (default: $TINTWELL_PAGES, else Pages in Tintwell's settings,\n"
    "            else $XDG_DATA_HOME/tintwell or ~/.local/share/tintwell)\n"
    "  --from-tintwell  Tintwell itself runs the command, having saved the page it shows, and\n"
    "            shows the new page after it: --slot is not refused while it runs\n"
    "Exit status: 0 done; 2 nothing done (a wrong command line, a picture that cannot be used, a\n"
    "folder that cannot be written); 3 nothing written, because the picture makes a poor page:\n"
    "fewer than 3 areas big enough to colour, one area over three quarters of it, or more than a\n"
    "fifth of it black (--force writes it all the same).\n";

// A picture that would make a poor page: exit status 3.
class PoorPage : public Failure {
public:
    using Failure::Failure;
};

struct Command {
    std::string verb;
    std::string picture;
    std::string output;
    std::string preview;
    std::string pages;
    int slot = 0;
    bool force = false;
    bool fromTintwell = false;  // the running Tintwell asked, and will not save over the slot
    MakeOptions make;
};

int SlotNumber(const std::string& text)
{
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '6')
        return text[0] - '0';
    throw Failure("there is no slot '" + text + "'; the slots are 1 to 6");
}

Command Parse(int argc, char** argv)
{
    Command c;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        throw Failure("nothing to do; see tintwell-pages --help");
    c.verb = args[0];
    std::vector<std::string> plain;
    bool slotGiven = false;
    for (size_t i = 1; i < args.size(); i++) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size() || args[i + 1].empty())
                throw Failure(a + " needs a value");
            return args[++i];
        };
        if (a == "-o" || a == "--output")
            c.output = value();
        else if (a == "--slot")
            c.slot = SlotNumber(value()), slotGiven = true;
        else if (a == "--preview")
            c.preview = value();
        else if (a == "--pages")
            c.pages = value();
        else if (a == "--turn")
            c.make.turn = true;
        else if (a == "--force")
            c.force = true;
        else if (a == "--from-tintwell")
            c.fromTintwell = true;
        else if (a == "--photo" || a == "--drawing") {
            const Kind kind = a == "--photo" ? Kind::Photo : Kind::Drawing;
            if (c.make.kind != Kind::Decide && c.make.kind != kind)
                throw Failure("--photo and --drawing cannot both be given");
            c.make.kind = kind;
        } else if (a == "--detail") {
            const std::string d = value();
            if (d == "low")
                c.make.detail = Detail::Low;
            else if (d == "medium")
                c.make.detail = Detail::Medium;
            else if (d == "high")
                c.make.detail = Detail::High;
            else
                throw Failure("--detail is low, medium or high, not '" + d + "'");
        } else if (a.size() > 1 && a[0] == '-')
            throw Failure("unknown option '" + a + "'");
        else
            plain.push_back(a);
    }
    const bool makeOnly = slotGiven || !c.output.empty() || !c.preview.empty() || c.make.kind != Kind::Decide ||
                          c.make.detail != Detail::Medium || c.make.turn || c.force || c.fromTintwell;
    if (c.verb == "make") {
        if (plain.size() != 1)
            throw Failure("make needs one picture");
        c.picture = plain[0];
        if (slotGiven && !c.output.empty())
            throw Failure("give either -o FILE or --slot N, not both");
        if (!slotGiven && c.output.empty())
            throw Failure("make needs to know where the page goes: -o FILE or --slot N");
    } else if (c.verb == "restore") {
        if (plain.size() != 1)
            throw Failure("restore needs a slot number, 1 to 6");
        c.slot = SlotNumber(plain[0]);
    } else if (c.verb == "list") {
        if (!plain.empty())
            throw Failure("list takes no '" + plain[0] + "'");
    } else {
        throw Failure("unknown command '" + c.verb + "'; see tintwell-pages --help");
    }
    if (c.verb != "make" && makeOnly)
        throw Failure("those options belong to make");
    return c;
}

std::string ExePath()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

// The child's folder, made and filled with the shipped pages as Tintwell would at its start, and
// locked for as long as `lock` lives: Tintwell writes the page it shows back over its file when
// the child leaves it, so a page put in its place meanwhile would be lost.
std::string PreparedFolder(const Command& c, tw::posix::ChildFolderLock& lock)
{
    const std::string folder = tw::posix::ChildFolder(c.pages);
    if (folder.empty())
        throw Failure("there is no home folder for the pages; give one with --pages");
    std::string problem = tw::posix::PrepareChildFolder(folder, tw::posix::ShippedFolder(ExePath()), &lock);
    // Tintwell asking for the page itself has saved its page and shows the new one after it.
    if (lock.InUse() && c.fromTintwell)
        return folder;
    if (lock.InUse())
        throw Failure("Tintwell is running with the pictures in " + folder +
                      "; quit it first, or it could save its page over the new one");
    if (!problem.empty()) {
        if (problem.back() == '.')
            problem.pop_back();
        throw Failure(problem);
    }
    return folder;
}

std::string Where(int slot, const std::string& folder)
{
    const Slot& s = kSlots[slot - 1];
    return "slot " + std::to_string(slot) + " (" + s.file + ", " + s.caption + ") of " + folder;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return a == b;
}

std::string Extension(const std::string& path)
{
    const size_t slash = path.rfind('/'), dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
    return ext;
}

// The outputs that would lose the parent's pictures, or write what their names do not say.
void RefuseWrongOutputs(const Command& c)
{
    static const char* const kPictureExtensions[] = {"png", "jpg",  "jpeg", "jpe", "gif", "webp", "tif",
                                                     "tiff", "bmp", "svg", "heic", "heif", "avif", "jxl",
                                                     "jp2", "ppm", "pgm", "pbm", "pnm", "pdf"};
    if (!c.output.empty()) {
        if (SameFile(c.output, c.picture))
            throw Failure("-o " + c.output + " is the picture itself; give the page a name of its own, such as page.TWP");
        const std::string ext = Extension(c.output);
        if (std::any_of(std::begin(kPictureExtensions), std::end(kPictureExtensions),
                        [&](const char* e) { return ext == e; }))
            throw Failure("-o " + c.output + " names a picture, but a page is not one; name it with .TWP" +
                          " (--preview writes a PNG picture of the page)");
    }
    if (!c.preview.empty()) {
        if (SameFile(c.preview, c.picture))
            throw Failure("--preview " + c.preview + " is the picture itself; give the preview a name of its own");
        if (Extension(c.preview) != "png")
            throw Failure("--preview writes a PNG picture; give it a name ending in .png");
        if (!c.output.empty() && SameFile(c.preview, c.output))
            throw Failure("-o and --preview name the same file");
    }
}

int Make(const Command& c)
{
    RefuseWrongOutputs(c);
    const Page page = MakePage(c.picture, c.make);
    if (!page.poor.empty() && !c.force)
        throw PoorPage(c.picture + " makes a poor page: " + page.poor + " (--force makes it all the same)");
    // Everything encoded, and the preview written beside its place, before the page is written:
    // either every output is written or none is.
    const std::vector<uint8_t> bytes = EncodePage(page);
    std::optional<Draft> preview;
    if (!c.preview.empty())
        preview.emplace(c.preview, EncodePreview(page));
    std::string where, kept;
    tw::posix::ChildFolderLock lock;
    if (c.slot) {
        const std::string folder = PreparedFolder(c, lock);
        kept = ReplaceSlot(folder, c.slot, bytes);
        where = Where(c.slot, folder);
    } else {
        WriteWhole(c.output, bytes);
        where = c.output;
    }
    if (preview) {
        try {
            preview->Publish();
        } catch (const Failure& e) {
            throw Failure(std::string("the page is made, but ") + e.what());
        }
    }
    const char* kind = page.kind == Kind::Photo ? "a photo"
                       : page.sheet             ? "a drawing on a photographed sheet"
                                                : "a drawing";
    if (page.decided)
        std::printf("%s looks like %s (--photo or --drawing says otherwise)\n", c.picture.c_str(), kind);
    std::printf("made a page with %d areas to colour%s%s: %s\n", page.regions,
                page.sheet ? ", the sheet straightened" : "", page.turned ? ", the picture turned a quarter" : "",
                where.c_str());
    if (!page.poor.empty())
        std::printf("it is a poor page: %s\n", page.poor.c_str());
    if (!kept.empty())
        std::printf("the page it replaced is kept as %s\n", kept.c_str());
    return 0;
}

int List(const Command& c)
{
    const std::string folder = tw::posix::ChildFolder(c.pages);
    if (folder.empty())
        throw Failure("there is no home folder for the pages; give one with --pages");
    std::printf("The pages in %s:\n", folder.c_str());
    for (const SlotState& s : ListSlots(folder)) {
        std::string state = !s.present ? "missing" : !s.page ? "not a page" : s.coloured ? "coloured" : "not coloured";
        std::string origin = !s.page ? "" : s.made ? "made from a picture" : "as shipped";
        if (s.kept)
            origin += (origin.empty() ? "" : ", ") + std::to_string(s.kept) + " replaced kept";
        std::printf("  %d  %-12s %-15s %-13s %s\n", s.number, s.file.c_str(), s.caption.c_str(), state.c_str(),
                    origin.c_str());
    }
    return 0;
}

int Restore(const Command& c)
{
    tw::posix::ChildFolderLock lock;
    const std::string shipped = tw::posix::ShippedFolder(ExePath());
    if (shipped.empty())
        throw Failure("the pages Tintwell came with cannot be found beside this program");
    const std::vector<uint8_t> bytes = ReadFile(shipped + "/" + kSlots[c.slot - 1].file);
    const std::string folder = PreparedFolder(c, lock);
    const std::string kept = ReplaceSlot(folder, c.slot, bytes);
    std::printf("restored %s\n", Where(c.slot, folder).c_str());
    if (!kept.empty())
        std::printf("the page it replaced is kept as %s\n", kept.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    try {
        StartImaging(argv[0]);
        const Command c = Parse(argc, argv);
        if (c.verb == "make")
            return Make(c);
        if (c.verb == "list")
            return List(c);
        return Restore(c);
    } catch (const PoorPage& e) {
        std::fprintf(stderr, "tintwell-pages: %s\n", e.what());
        return 3;
    } catch (const std::exception& e) {  // Failure, or running out of memory
        std::fprintf(stderr, "tintwell-pages: %s\n", e.what());
        return 2;
    }
}
