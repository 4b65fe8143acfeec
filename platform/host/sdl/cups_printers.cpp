// CUPS destinations and the PDF file destination of the SDL host.
#include "host/sdl/cups_printers.h"

#include "host/posix/child_folder.h"
#include "host/posix/files.h"

#include <cups/cups.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>

namespace tw::sdl {

namespace {

// The print system's library, loaded the first time the program asks about printers rather than
// at start: it brings a dozen more (TLS, Kerberos, service discovery) that a child who never
// prints need not wait for. Without it there are no printers, only "Save as PDF".
#define TW_CUPS_FUNCTIONS(F) \
    F(httpConnect2) F(cupsServer) F(ippPort) F(cupsEncryption) F(httpSetTimeout) F(httpClose) F(httpShutdown) \
    F(cupsLastErrorString) F(cupsLastError) F(cupsGetDests2) F(cupsFreeDests) F(cupsGetOption) \
    F(cupsGetNamedDest) F(cupsCopyDestInfo) F(cupsFreeDestInfo) F(cupsGetDestMediaDefault) \
    F(cupsFindDestDefault) F(ippGetResolution) F(cupsCreateJob) F(cupsStartDocument) F(cupsWriteRequestData) \
    F(cupsFinishDocument) F(cupsCancelJob2)

struct CupsLibrary {
    bool loaded = false;
#define TW_CUPS_POINTER(name) decltype(&::name) name = nullptr;
    TW_CUPS_FUNCTIONS(TW_CUPS_POINTER)
#undef TW_CUPS_POINTER
};

const CupsLibrary& Cups() {
    static const CupsLibrary library = [] {
        CupsLibrary l;
        void* handle = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!handle) return l;
        bool all = true;
#define TW_CUPS_LOOKUP(name) all = (l.name = reinterpret_cast<decltype(l.name)>(dlsym(handle, #name))) && all;
        TW_CUPS_FUNCTIONS(TW_CUPS_LOOKUP)
#undef TW_CUPS_LOOKUP
        l.loaded = all;
        return l;
    }();
    return library;
}

constexpr int kPdfDpi = 300;
constexpr int kFallbackDpi = 300;
// How long the print system may take: to answer the dialog's questions (what printers there are,
// what their pages are), all of them together; and to answer at each step of handing a job over.
// A scheduler that takes the connection and never answers would otherwise keep the program
// waiting for minutes with nothing painted.
constexpr int kQuestionsMs = 2000;
constexpr int kJobSilenceMs = 15000;

// A connection of its own to the print system, which gives up on it when it takes too long. Once
// given up on, the connection is shut, so that whatever else is asked of it fails at once.
class Connection {
public:
    enum class Limit { Total, Silence };

    Connection(int ms, Limit limit) : limit_(limit), ms_(ms), start_(std::chrono::steady_clock::now()) {
        const CupsLibrary& cups = Cups();
        if (!cups.loaded) return;
        int cancel = 0;
        http_ = cups.httpConnect2(cups.cupsServer(), cups.ippPort(), nullptr, AF_UNSPEC, cups.cupsEncryption(), 1, ms,
                                  &cancel);
        if (http_) {
            cups.httpSetTimeout(http_, limit == Limit::Total ? 0.25 : ms / 1000.0, Waited, this);
        } else {
            // Refused at once: nobody there. Only a connection that never completed is silence.
            silent_ = Elapsed() >= std::chrono::milliseconds(ms);
        }
    }
    ~Connection() {
        if (http_) Cups().httpClose(http_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Null when the print system could not be reached.
    http_t* Get() const { return http_; }
    // The print system was there but did not answer in time.
    bool Silent() const { return silent_; }

private:
    std::chrono::steady_clock::duration Elapsed() const { return std::chrono::steady_clock::now() - start_; }

    // Called while an answer is awaited: 1 to go on waiting, 0 to give up.
    static int Waited(http_t* http, void* self) {
        auto* c = static_cast<Connection*>(self);
        if (c->limit_ == Limit::Total && c->Elapsed() < std::chrono::milliseconds(c->ms_)) return 1;
        c->silent_ = true;
        // Whatever else is asked of it (the library may connect again) gives up at once.
        Cups().httpShutdown(http);
        Cups().httpSetTimeout(http, 0.001, Waited, self);
        return 0;
    }

    Limit limit_;
    int ms_;
    std::chrono::steady_clock::time_point start_;
    http_t* http_ = nullptr;
    bool silent_ = false;
};

std::string LastError() {
    return Cups().loaded ? Cups().cupsLastErrorString() : "the print system's library, libcups, cannot be loaded";
}

std::string Unavailable(const std::string& name, const Connection& cups) {
    if (cups.Silent()) return "The printer \"" + name + "\" is not available: the print system does not answer.";
    return "The printer \"" + name + "\" is not available (" + LastError() + ").";
}

std::string PrintSystemSays(const Connection& cups) {
    if (cups.Silent()) return "The print system does not answer.";
    return "The print system says: " + LastError();
}

struct DestDeleter {
    void operator()(cups_dest_t* d) const { Cups().cupsFreeDests(1, d); }
};
using DestPtr = std::unique_ptr<cups_dest_t, DestDeleter>;
struct InfoDeleter {
    void operator()(cups_dinfo_t* i) const { Cups().cupsFreeDestInfo(i); }
};
using InfoPtr = std::unique_ptr<cups_dinfo_t, InfoDeleter>;

// Hundredths of a millimetre to points.
double Points(int hundredthsMm) { return hundredthsMm * 72.0 / 2540.0; }

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string DocumentsFolder() {
    std::string home = posix::HomeFolder();
    if (home.empty()) return "";
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string file = (config && *config ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        // XDG_DOCUMENTS_DIR="$HOME/Documents" or an absolute path, in double quotes.
        const std::string key = "XDG_DOCUMENTS_DIR=\"";
        if (line.rfind(key, 0) != 0) continue;
        size_t end = line.find('"', key.size());
        if (end == std::string::npos) continue;
        std::string value = line.substr(key.size(), end - key.size());
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        else if (value.empty() || value[0] != '/') continue;
        while (value.size() > 1 && value.back() == '/') value.pop_back();
        // "$HOME/" means the folder is switched off: home it is.
        return value;
    }
    return home;
}

host::PrintPage LocalePaper() {
    int widthMm = 210, heightMm = 297;
    if (locale_t loc = newlocale(LC_PAPER_MASK, "", locale_t(0))) {
        int w = int(reinterpret_cast<intptr_t>(nl_langinfo_l(_NL_PAPER_WIDTH, loc)));
        int h = int(reinterpret_cast<intptr_t>(nl_langinfo_l(_NL_PAPER_HEIGHT, loc)));
        freelocale(loc);
        if (w == 216 && h == 279) widthMm = 216, heightMm = 279;  // Letter
    }
    host::PrintPage page;
    double widthIn = widthMm == 216 ? 8.5 : widthMm / 25.4, heightIn = widthMm == 216 ? 11.0 : heightMm / 25.4;
    page.dpiX = page.dpiY = kPdfDpi;
    page.width = int(std::lround(widthIn * kPdfDpi));
    page.height = int(std::lround(heightIn * kPdfDpi));
    page.sheetWidth = widthIn * 72;
    page.sheetHeight = heightIn * 72;
    return page;
}

std::string PdfFileName(const std::string& title, long long unixTime, int attempt) {
    std::string name;
    for (char c : title) {
        bool unsafe = c == '/' || c == ':' || c == '\\' || static_cast<unsigned char>(c) < 32;
        if (unsafe) c = ' ';
        if (c == ' ' && (name.empty() || name.back() == ' ')) continue;
        name += c;
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    if (name.empty() || name[0] == '.') name = "Printed page" + name;
    time_t t = time_t(unixTime);
    struct tm local;
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, " %Y-%m-%d %H.%M.%S", &local);
    name += stamp;
    if (attempt > 1) name += " (" + std::to_string(attempt) + ")";
    return name + ".pdf";
}

std::vector<host::PrintDestination> CupsPrinters::Destinations(bool& reachable) {
    std::vector<host::PrintDestination> list;
    cups_dest_t* dests = nullptr;
    Connection cups(kQuestionsMs, Connection::Limit::Total);
    int count = cups.Get() ? Cups().cupsGetDests2(cups.Get(), &dests) : 0;
    reachable = cups.Get() && !cups.Silent() && (count > 0 || Cups().cupsLastError() <= IPP_STATUS_OK_CONFLICTING);
    silent_ = cups.Silent();
    for (int i = 0; i < count; ++i) {
        const cups_dest_t& d = dests[i];
        if (d.instance) continue;  // instances are the same queue with other options
        host::PrintDestination dest;
        dest.name = d.name;
        dest.isDefault = d.is_default != 0;
        const char* state = Cups().cupsGetOption("printer-state", d.num_options, d.options);
        const char* reasons = Cups().cupsGetOption("printer-state-reasons", d.num_options, d.options);
        if (reasons && std::strstr(reasons, "offline")) dest.state = host::PrintDestination::State::Offline;
        else if (state && std::atoi(state) == IPP_PSTATE_STOPPED) dest.state = host::PrintDestination::State::Stopped;
        list.push_back(dest);
    }
    if (dests) Cups().cupsFreeDests(count, dests);
    host::PrintDestination pdf;
    pdf.name = host::kPdfDestination;
    pdf.kind = host::PrintDestination::Kind::PdfFile;
    list.push_back(pdf);
    return list;
}

std::string CupsPrinters::Unreachable() const {
    return silent_ ? "No printers: the print system does not answer." : Printers::Unreachable();
}

bool CupsPrinters::Page(const std::string& destination, host::PrintPage& page, std::string& error) {
    if (destination == host::kPdfDestination) {
        page = LocalePaper();
        return true;
    }
    Connection cups(kQuestionsMs, Connection::Limit::Total);
    DestPtr dest(cups.Get() ? Cups().cupsGetNamedDest(cups.Get(), destination.c_str(), nullptr) : nullptr);
    if (!dest) {
        error = Unavailable(destination, cups);
        return false;
    }
    InfoPtr info(Cups().cupsCopyDestInfo(cups.Get(), dest.get()));
    cups_size_t size{};
    if (!info || !Cups().cupsGetDestMediaDefault(cups.Get(), dest.get(), info.get(), 0, &size)) {
        // A queue that names no paper prints on the locale's.
        page = LocalePaper();
        size.width = int(std::lround(page.sheetWidth * 2540 / 72));
        size.length = int(std::lround(page.sheetHeight * 2540 / 72));
    }
    int dpiX = kFallbackDpi, dpiY = kFallbackDpi;
    if (info) {
        ipp_attribute_t* res = Cups().cupsFindDestDefault(cups.Get(), dest.get(), info.get(), "printer-resolution");
        ipp_res_t units;
        int y = 0;
        int x = res ? Cups().ippGetResolution(res, 0, &y, &units) : 0;
        if (x > 0 && y > 0) {
            if (units == IPP_RES_PER_CM) x = int(std::lround(x * 2.54)), y = int(std::lround(y * 2.54));
            dpiX = x, dpiY = y;
        }
    }
    int areaWidth = std::max(0, size.width - size.left - size.right);
    int areaLength = std::max(0, size.length - size.top - size.bottom);
    page.dpiX = dpiX;
    page.dpiY = dpiY;
    page.width = int(int64_t(areaWidth) * dpiX / 2540);
    page.height = int(int64_t(areaLength) * dpiY / 2540);
    page.sheetWidth = Points(size.width);
    page.sheetHeight = Points(size.length);
    page.areaLeft = Points(size.left);
    page.areaBottom = Points(size.bottom);
    return true;
}

bool CupsPrinters::Open(const std::string& destination, std::string& error) {
    if (destination == host::kPdfDestination) {
        std::string folder = DocumentsFolder();
        if (folder.empty()) {
            error = "There is no home folder to keep the PDF file in.";
            return false;
        }
        if (!IsFolder(folder) && ::mkdir(folder.c_str(), 0755) != 0) {
            error = "The folder " + folder + " cannot be made: " + std::strerror(errno) + ".";
            return false;
        }
        if (::access(folder.c_str(), W_OK | X_OK) != 0) {
            error = "The folder " + folder + " cannot be written: " + std::strerror(errno) + ".";
            return false;
        }
        return true;
    }
    Connection cups(kQuestionsMs, Connection::Limit::Total);
    DestPtr dest(cups.Get() ? Cups().cupsGetNamedDest(cups.Get(), destination.c_str(), nullptr) : nullptr);
    if (!dest) {
        error = Unavailable(destination, cups);
        return false;
    }
    return true;
}

bool CupsPrinters::Deliver(const std::string& destination, const std::string& title, const std::string& pdf,
                           std::string& error) {
    if (destination != host::kPdfDestination) {
        const char* name = destination.c_str();
        Connection cups(kJobSilenceMs, Connection::Limit::Silence);
        int job = cups.Get() ? Cups().cupsCreateJob(cups.Get(), name, title.c_str(), 0, nullptr) : 0;
        if (job <= 0) {
            error = PrintSystemSays(cups);
            return false;
        }
        bool sent = Cups().cupsStartDocument(cups.Get(), name, job, title.c_str(), CUPS_FORMAT_PDF, 1) ==
                        HTTP_STATUS_CONTINUE &&
                    Cups().cupsWriteRequestData(cups.Get(), pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
        ipp_status_t finished = Cups().cupsFinishDocument(cups.Get(), name);
        if (!sent || finished > IPP_STATUS_OK_CONFLICTING) {
            error = PrintSystemSays(cups);
            if (!cups.Silent()) Cups().cupsCancelJob2(cups.Get(), name, job, 0);
            return false;
        }
        return true;
    }

    // A new file: written in full under a hidden name, then given a name nobody has taken, so
    // the folder never shows half a file or loses one.
    std::string folder = DocumentsFolder();
    posix::Fd dir(folder.empty() ? -1 : posix::OpenFolder(AT_FDCWD, folder.c_str()));
    if (!dir.Valid()) {
        error = "The file cannot be made in " + folder + ": " + std::strerror(folder.empty() ? ENOENT : errno) + ".";
        return false;
    }
    posix::WholeFile file;
    if (int err = file.Write(dir.Get(), "tintwell-print", pdf)) {
        error = "The file cannot be written in " + folder + ": " + std::strerror(err) + ".";
        return false;
    }
    long long now = (long long)std::time(nullptr);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        std::string name = PdfFileName(title, now, attempt);
        int err = file.Publish(name, posix::Publish::NoReplace);
        if (!err) return true;
        if (err != EEXIST) {
            error = "The file " + folder + "/" + name + " cannot be made: " + std::strerror(err) + ".";
            return false;
        }
    }
    error = "There are too many files of that name in " + folder + ".";
    return false;
}

}  // namespace tw::sdl
