// Printing the page at 4800 x 6360 device pixels (a 600 dpi printer) by each method, PDF
// included: from StartDocA to EndDoc on the headless host's fake printer. The peak memory of the
// process is reported with each; run one method a process to read it for that method alone:
//   tw_bench --benchmark_filter='BM_PrintPage/0/'
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <string>

#include "gdi/gdi_internal.h"
#include "harness/program.h"
#include "host/headless/headless_host.h"
#include "page/page.h"
#include "print/print.h"
#include "support/support.h"

namespace {

void BM_PrintPage(benchmark::State& state) {
    tw::test::HeadlessHost host;
    tw::host::SetCurrent(&host);
    host.Printers().KeepPages(false);
    host.Printers().AddPrinter("Plotter", 4800, 6360, 600, true);
    AllocPageBuffers();
    CreateDisplayPalette();
    const std::string page = (tw::test::SourceDir() / "pages" / "dogwood.TWP").string();
    if (!LoadPage(page.c_str())) {
        state.SkipWithError("cannot load the page");
        return;
    }
    PrintMethod = int(state.range(0));
    const DOCINFOA doc = {sizeof(DOCINFOA), "Tintwell: Printing", nullptr, nullptr, 0};
    size_t pdfBytes = 0;
    for (auto _ : state) {
        std::string error;
        HDC dc = tw::gdi::CreatePrinterDC("Plotter", nullptr, error);
        StartDocA(dc, &doc);
        StartPage(dc);
        if (PrintMethod == 0)
            PrintDefault(dc, 4800, 6360);
        else
            PrintAlternate(dc, 4800, 6360);
        EndPage(dc);
        EndDoc(dc);
        DeleteDC(dc);
        pdfBytes = host.Printers().Jobs().back().pdf.size();
        host.Printers().ClearRecord();
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
    state.counters["pdf_KB"] = double(pdfBytes) / 1024.0;
    FreePageBuffers();
    DeleteObject(hPalette);
    hPalette = nullptr;
    tw::host::SetCurrent(&tw::test::ParkingHost());
}
BENCHMARK(BM_PrintPage)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
