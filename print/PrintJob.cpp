#include "print/PrintJob.h"

#include "platform/Diagnostics.h"
#include "print/CupsJob.h"
#include "print/PdfDeviceContext.h"
#include "print/PrintDocument.h"
#include "print/PrintException.h"
#include "print/SheetPrinter.h"

namespace {

// The job that holds the program's one job place, or null.
PrintJob* currentJob = nullptr;

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

} // namespace

PrintJob::PrintJob(const PrintSettings& settings, const std::vector<int>& sequence,
                   bool rightBinding)
    : settings_(settings), sequence_(sequence), rightBinding_(rightBinding)
{
    if (!currentJob) {
        currentJob = this;
        accepted_ = true;
    }
}

PrintJob::~PrintJob()
{
    if (currentJob == this)
        currentJob = nullptr;
}

int PrintJob::printSheetsOn(PrintPageSource& source, DeviceContext& dc, int width, int height)
{
    const SheetJob sheets{source, settings_, dc, width, height, rightBinding_, &cancelled_};
    return printSheets(sheets, sequence_);
}

int PrintJob::print(PrintPageSource& source, const void* owner)
{
    // Besides an empty list or a lone blank slot, a list of blank slots only (a booklet of
    // nothing) would print empty sheets: refused the same way.
    if (!sequenceHasPages(sequence_, source.pageCount())) {
        reportError(owner, "印刷するページがありません。または印刷範囲が不正です\n");
        return 0;
    }
    if (!accepted_) {
        debugPrint("printDocument: a print job is running already\n");
        return 0;
    }
    if (cancelled_) {
        debugPrint("print job cancelled before it began\n");
        return 0;
    }
    const DeviceMode& mode = settings_.printerDevmode;
    CupsJob job(settings_.printerName);
    if (mode.empty() || mode.printerName != settings_.printerName)
        throw PrintException(2885, settings_.printerName + ": no settings record");
    PdfDeviceContext dc(mode);
    if (dc.printableWidth() <= 0 || dc.printableHeight() <= 0)
        throw PrintException(2885, settings_.printerName + ": no printable area");
    traceDevice(mode);

    job.start("mekuri", mode);
    cupsJobId_ = job.id();
    if (!dc.open(
            [&job](const unsigned char* data, size_t length) { return job.write(data, length); }))
        throw PrintException(2929, dc.errorText());
    const int printed = printSheetsOn(source, dc, dc.printableWidth(), dc.printableHeight());
    if (cancelled_) {
        // The rest of the document is never made: the server drops what it received.
        job.abandon();
        debugPrint("print job %d: cancelled after %d sheets\n", job.id(), printed);
        return 0;
    }
    const bool complete = dc.finish();
    job.finish(complete, dc.errorText());
    debugPrint("print job %d: %d sheets\n", job.id(), printed);
    return job.id();
}

int PrintJob::run(PrintPageSource& source, const void* owner)
{
    try {
        return print(source, owner);
    } catch (const PrintException& e) {
        tracePrintException(e);
        reportError(owner, "印刷できませんでした。\n%s\n", e.reason().c_str());
        return 0;
    }
}

bool printJobRunning()
{
    return currentJob != nullptr;
}

bool cancelRunningPrintJob()
{
    if (!currentJob)
        return false;
    if (!currentJob->cancelled())
        debugPrint("cancelling the print job\n");
    currentJob->cancel();
    return true;
}
