#include "print/PrintDocument.h"

#include "platform/Diagnostics.h"
#include "print/CupsJob.h"
#include "print/PdfDeviceContext.h"
#include "print/PrintException.h"
#include "print/SheetPrinter.h"

namespace {

int ratio(int along, int across)
{
    return across > 0 ? static_cast<int>(1000LL * along / across) : 0;
}

void traceDevice(const DeviceMode& m)
{
    const int w = m.printableWidth();
    const int h = m.printableHeight();
    debugPrint("プリンタ解像度 %dx%d  アスペクト比=%d\n", w, h, ratio(h, w));
    debugPrint("プリンタ 物理サイズ %dx%d+%d+%d パレット数=%d アスペクト比=%d\n", m.physicalWidth(),
               m.physicalHeight(), m.offsetX(), m.offsetY(), 0,
               ratio(m.physicalHeight(), m.physicalWidth()));
    debugPrint("   DEVMODE mm %dx%d  color=%d アスペクト比=%d\n", m.paperWidth / 10,
               m.paperLength / 10, m.color, ratio(m.paperLength, m.paperWidth));
}

// Set while a job runs: events pumped between sheets could start a second print command,
// which must not begin a job inside the first.
bool jobRunning = false;

class RunningJob {
  public:
    RunningJob() { jobRunning = true; }
    ~RunningJob() { jobRunning = false; }
    RunningJob(const RunningJob&) = delete;
    RunningJob& operator=(const RunningJob&) = delete;
};

} // namespace

bool sequenceHasPages(const std::vector<int>& sequence, int pageCount)
{
    for (int page : sequence)
        if (page >= 0 && page < pageCount)
            return true;
    return false;
}

int printDocument(PrintPageSource& source, const PrintSettings& settings,
                  const std::vector<int>& sequence, bool rightBinding, const void* owner)
{
    // Besides an empty list or a lone blank slot, a list of blank slots only (a booklet of
    // nothing) would print empty sheets: refused the same way.
    if (!sequenceHasPages(sequence, source.pageCount())) {
        reportError(owner, "印刷するページがありません。または印刷範囲が不正です\n");
        return 0;
    }
    if (jobRunning) {
        debugPrint("printDocument: a print job is running already\n");
        return 0;
    }
    const RunningJob running;
    const DeviceMode& mode = settings.printerDevmode;
    CupsJob job(settings.printerName);
    if (mode.empty() || mode.printerName != settings.printerName)
        throw PrintException(2885, settings.printerName + ": no settings record");
    PdfDeviceContext dc(mode);
    if (dc.printableWidth() <= 0 || dc.printableHeight() <= 0)
        throw PrintException(2885, settings.printerName + ": no printable area");
    traceDevice(mode);

    job.start("mekuri", mode);
    if (!dc.open(
            [&job](const unsigned char* data, size_t length) { return job.write(data, length); }))
        throw PrintException(2929, dc.errorText());
    const SheetJob sheets{source,      settings, dc, dc.printableWidth(), dc.printableHeight(),
                          rightBinding};
    const int printed = printSheets(sheets, sequence);
    const bool complete = dc.finish();
    job.finish(complete, dc.errorText());
    debugPrint("print job %d: %d sheets\n", job.id(), printed);
    return job.id();
}

int runPrintJob(PrintPageSource& source, const PrintSettings& settings,
                const std::vector<int>& sequence, bool rightBinding, const void* owner)
{
    try {
        return printDocument(source, settings, sequence, rightBinding, owner);
    } catch (const PrintException& e) {
        tracePrintException(e);
        reportError(owner, "印刷できませんでした。\n%s\n", e.reason().c_str());
        return 0;
    }
}
