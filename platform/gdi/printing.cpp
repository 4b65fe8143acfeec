// Printer DCs and the print job: a printer DC draws into a raster of its destination's printable
// page; EndPage turns the raster into a PDF page (calling the abort procedure as it goes), and
// EndDoc hands the document to the host (a job on a printer, or a new file). Whatever keeps a
// document from arriving is told to the user in a message box, as a print spooler would.
#include <algorithm>
#include <new>

#include "gdi/gdi_internal.h"
#include "gdi/gdi_objects.h"
#include "gdi/pdf.h"
#include "host/host.h"
#include "host/printers.h"

namespace tw::gdi {

void InitDCSelections(DC& dc);

// Device coordinates are 16-bit in the program's world: no page is wider or taller than this.
constexpr int kMaxDevicePixels = 32767;
// Nor is a page's raster larger than a bitmap may be (256 MB).
constexpr int64_t kMaxPagePixels = int64_t(1) << 26;

struct PrinterJob {
    std::string destination;
    bool pdfFile = false;
    HWND owner = nullptr;
    host::PrintPage page;  // after lowering the resolution to fit
    PdfSheet sheet;
    ABORTPROC abortProc = nullptr;

    bool inDoc = false, inPage = false;
    std::string title;
    PdfDocument document;
    Surface raster;
};

namespace {

int g_nextJob = 1;

void Tell(const PrinterJob& job, const std::string& reason) {
    std::string what = job.pdfFile ? "saved" : "printed on \"" + job.destination + "\"";
    std::string text = "\"" + job.title + "\" could not be " + what + ".";
    if (!reason.empty()) text += "\n\n" + reason;
    MessageBoxA(job.owner, text.c_str(), "Printing", MB_OK | MB_ICONEXCLAMATION);
}

// The job's state back to no document.
void EndJob(PrinterJob& job) {
    job.inDoc = job.inPage = false;
    job.document = PdfDocument();
    job.raster = Surface();
}

std::shared_ptr<PrinterJob> JobOf(HDC hdc) {
    DC* dc = GetDCPtr(hdc);
    return dc ? dc->printer : nullptr;
}

// Lowers the resolution of a page beyond 16-bit device coordinates, or of more pixels than a
// bitmap may hold, until it fits.
void FitPage(host::PrintPage& page) {
    int k = 1;
    while (page.width / k > kMaxDevicePixels || page.height / k > kMaxDevicePixels ||
           int64_t(page.width / k) * (page.height / k) > kMaxPagePixels)
        ++k;
    page.width /= k;
    page.height /= k;
    page.dpiX = std::max(1, page.dpiX / k);
    page.dpiY = std::max(1, page.dpiY / k);
}

}  // namespace

HDC CreatePrinterDC(const std::string& destination, HWND owner, std::string& error) {
    host::Printers* printers = host::Current().GetPrinters();
    if (!printers) {
        error = "There is nowhere to print.";
        return nullptr;
    }
    auto job = std::make_shared<PrinterJob>();
    job->destination = destination;
    job->owner = owner;
    job->pdfFile = destination == host::kPdfDestination;
    if (!printers->Page(destination, job->page, error)) return nullptr;
    host::PrintPage& p = job->page;
    if (p.width < 0 || p.height < 0 || p.dpiX <= 0 || p.dpiY <= 0) {
        error = "The printer \"" + destination + "\" reports no page size.";
        return nullptr;
    }
    // The raster covers the printable area, whatever resolution it ends up at.
    job->sheet = PdfSheet{p.sheetWidth, p.sheetHeight, p.areaLeft, p.areaBottom, p.width * 72.0 / p.dpiX,
                          p.height * 72.0 / p.dpiY};
    FitPage(p);
    auto dc = std::make_unique<DC>();
    InitDCSelections(*dc);
    dc->printer = std::move(job);
    return static_cast<HDC>(AddObject(std::move(dc)));
}

Surface* PrinterPage(DC* dc) {
    PrinterJob* job = dc->printer.get();
    return job && job->inPage ? &job->raster : nullptr;
}

int PrinterDeviceCaps(const DC* dc, int index) {
    const host::PrintPage& p = dc->printer->page;
    switch (index) {
    case HORZRES: return p.width;
    case VERTRES: return p.height;
    case HORZSIZE: return int(p.width * 254LL / (p.dpiX * 10LL));  // millimetres
    case VERTSIZE: return int(p.height * 254LL / (p.dpiY * 10LL));
    case BITSPIXEL: return 24;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return kRasterCaps;
    case LOGPIXELSX: return p.dpiX;
    case LOGPIXELSY: return p.dpiY;
    case SIZEPALETTE: return 0;
    }
    return 0;
}

}  // namespace tw::gdi

using namespace tw;
using namespace tw::gdi;

int WINAPI SetAbortProc(HDC hdc, ABORTPROC proc) {
    std::shared_ptr<PrinterJob> job = JobOf(hdc);
    if (!job) return SP_ERROR;
    job->abortProc = proc;
    return 1;
}

int WINAPI StartDocA(HDC hdc, const DOCINFOA* lpdi) {
    std::shared_ptr<PrinterJob> job = JobOf(hdc);
    if (!job || !lpdi || job->inDoc) return SP_ERROR;
    job->title = lpdi->lpszDocName ? lpdi->lpszDocName : "";
    host::Printers* printers = host::Current().GetPrinters();
    std::string error;
    if (job->page.width == 0 || job->page.height == 0) {
        Tell(*job, "The printer \"" + job->destination + "\" reports no page size.");
        return SP_ERROR;
    }
    if (!printers || !printers->Open(job->destination, error)) {
        Tell(*job, error);
        return SP_ERROR;
    }
    job->inDoc = true;
    return g_nextJob++;
}

int WINAPI StartPage(HDC hdc) {
    std::shared_ptr<PrinterJob> job = JobOf(hdc);
    if (!job || !job->inDoc || job->inPage) return SP_ERROR;
    try {
        job->raster.Resize(job->page.width, job->page.height, 0xffffff);
    } catch (const std::bad_alloc&) {
        Tell(*job, "There is not enough memory for the page.");
        EndJob(*job);
        return SP_OUTOFMEMORY;
    }
    job->inPage = true;
    return 1;
}

int WINAPI EndPage(HDC hdc) {
    // The job is held here: the abort procedure may run anything, even DeleteDC of this DC.
    std::shared_ptr<PrinterJob> job = JobOf(hdc);
    if (!job || !job->inPage) return SP_ERROR;
    bool aborted = false;
    auto goOn = [&] {
        if (job->abortProc && !job->abortProc(hdc, 0)) aborted = true;
        return !aborted && job->inPage;
    };
    bool made = job->document.AddPage(job->raster, job->sheet, goOn);
    if (aborted || !job->inPage) {
        EndJob(*job);
        return SP_APPABORT;
    }
    if (!made) {
        Tell(*job, "There is not enough memory for the page.");
        EndJob(*job);
        return SP_OUTOFMEMORY;
    }
    job->inPage = false;
    std::string error;
    host::Printers* printers = host::Current().GetPrinters();
    if (printers && !printers->PageProduced(std::move(job->raster), error)) {
        Tell(*job, error);
        EndJob(*job);
        return SP_ERROR;
    }
    job->raster = Surface();
    return 1;
}

int WINAPI EndDoc(HDC hdc) {
    std::shared_ptr<PrinterJob> job = JobOf(hdc);
    if (!job || !job->inDoc) return SP_ERROR;
    if (job->inPage) {
        int ended = EndPage(hdc);
        if (ended <= 0) return ended;
    }
    std::string error;
    host::Printers* printers = host::Current().GetPrinters();
    bool delivered = printers && job->document.PageCount() > 0 &&
                     printers->Deliver(job->destination, job->title, job->document.Finish(job->title), error);
    if (!delivered && job->document.PageCount() == 0) error = "The document has no pages.";
    EndJob(*job);
    if (!delivered) {
        Tell(*job, error);
        return SP_ERROR;
    }
    return 1;
}
