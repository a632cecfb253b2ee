// Printing through a real CUPS scheduler started by the test itself (PrivateCupsd.h): the
// printer list, defaults and settings of a colour and a monochrome printer, and whole print
// jobs read back from the PDF the file printer writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PdfTools.h"
#include "PrivateCupsd.h"
#include "RecordingDevice.h"
#include "platform/Dialogs.h"
#include "platform/UiHooks.h"
#include "print/PixelOutput.h"
#include "print/PrintDocument.h"
#include "print/PrintJob.h"
#include "print/PrintSequence.h"
#include "print/PrinterSettings.h"
#include "print/SheetLayout.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const char* const kColour = "mekuri-pdf";
const char* const kMono = "mekuri-mono";
const char* const kPdfPpd = "lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd";
const char* const kMonoPpd = "lsb/usr/cupsfilters/pxlmono.ppd";

class BoxCatcher {
  public:
    BoxCatcher()
    {
        setDialogResponder([this](const DialogRequest& r, DialogAnswer&) {
            boxes.push_back(r);
            return true;
        });
    }
    ~BoxCatcher() { setDialogResponder(nullptr); }
    std::vector<DialogRequest> boxes;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

class CupsPrinting : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        daemon_ = new PrivateCupsd;
        if (!daemon_->start(skipReason_) || !addPrinters(skipReason_)) {
            delete daemon_;
            daemon_ = nullptr;
        }
    }

    static void TearDownTestSuite()
    {
        delete daemon_;
        daemon_ = nullptr;
    }

    void SetUp() override
    {
        if (!daemon_)
            GTEST_SKIP() << "no private cupsd on this machine: " << skipReason_;
    }

    static bool addPrinters(std::string& why)
    {
        return daemon_->addPrinter(kMono, kMonoPpd, "mono.out", why) &&
               daemon_->addPrinter(kColour, kPdfPpd, "book.pdf", why);
    }

    // Waits up to a minute for the job to end; its final state, or 0 when it did not end.
    static int waitForJob(int id, std::string* title)
    {
        for (int i = 0; i < 600; ++i) {
            cups_job_t* jobs = nullptr;
            const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
            int state = 0;
            for (int j = 0; j < n; ++j)
                if (jobs[j].id == id) {
                    state = jobs[j].state;
                    if (title)
                        *title = jobs[j].title ? jobs[j].title : "";
                }
            cupsFreeJobs(n, jobs);
            if (state >= IPP_JSTATE_CANCELED)
                return state;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return 0;
    }

    static PrivateCupsd* daemon_;
    static std::string skipReason_;
};

PrivateCupsd* CupsPrinting::daemon_ = nullptr;
std::string CupsPrinting::skipReason_;

TEST_F(CupsPrinting, ListsTheInstalledPrinters)
{
    const PrinterList list = listPrinters();
    EXPECT_TRUE(list.serverAnswered);
    EXPECT_EQ(list.names, (std::vector<std::string>{kMono, kColour}));
}

TEST_F(CupsPrinting, DefaultIsTheServersDefaultElseTheFirstPrinter)
{
    CaptureStderr();
    EXPECT_EQ(getDefaultPrinter(), kMono);
    EXPECT_EQ(GetCapturedStderr(), "(CUPS) default printer=mekuri-mono\n");
    ASSERT_TRUE(daemon_->run(std::string("lpadmin -d ") + kColour));
    CaptureStderr();
    EXPECT_EQ(getDefaultPrinter(), kColour);
    EXPECT_EQ(GetCapturedStderr(), "(CUPS) default printer=mekuri-pdf\n");
}

TEST_F(CupsPrinting, DefaultsOfAColourAndAMonochromePrinter)
{
    PrintSettings s;
    s.printerName = kColour;
    s.paperOrientation = 2;
    CaptureStderr();
    loadDefaultDevmode(s);
    GetCapturedStderr();
    const DeviceMode& c = s.printerDevmode;
    EXPECT_EQ(c.printerName, kColour);
    EXPECT_EQ(c.color, 2);
    EXPECT_EQ(c.orientation, 2);
    EXPECT_FALSE(c.mediaName.empty());
    EXPECT_GT(c.paperWidth, 10000);
    EXPECT_GT(c.paperLength, c.paperWidth);
    EXPECT_EQ(c.marginLeft, 635); // the generic PDF printer's 1/4 inch and 1/2 inch
    EXPECT_EQ(c.marginTop, 1270);
    EXPECT_EQ(c.xResolution, 600);
    EXPECT_TRUE(c.resolutionNamed);
    EXPECT_EQ(c.duplex, "one-sided");
    EXPECT_EQ(showPrinterInfo(s).value().rfind("プリンタの解像度: ", 0), 0u);
    EXPECT_TRUE(contains(showPrinterInfo(s).value(), "色: カラー"));

    s.printerName = kMono;
    CaptureStderr();
    loadDefaultDevmode(s);
    GetCapturedStderr();
    EXPECT_EQ(s.printerDevmode.printerName, kMono);
    EXPECT_EQ(s.printerDevmode.color, 1);
    EXPECT_TRUE(contains(showPrinterInfo(s).value(), "色: モノクロ"));
}

TEST_F(CupsPrinting, AnUnknownPrinterIsTracedAndKeepsTheRecord)
{
    PrintSettings s;
    s.printerName = kColour;
    CaptureStderr();
    loadDefaultDevmode(s);
    s.printerName = "no-such-printer";
    loadDefaultDevmode(s);
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(contains(trace, "print exception! no-such-printer: ")) << trace;
    EXPECT_TRUE(contains(trace, " (at 2673)\n")) << trace;
    EXPECT_EQ(s.printerDevmode.printerName, kColour);
}

TEST_F(CupsPrinting, ChoosingAPrinterLoadsItsDefaultsAndKeepsLandscape)
{
    PrintSettings s;
    s.printerName = kColour;
    s.paperOrientation = 2;
    CaptureStderr();
    loadDefaultDevmode(s);
    EXPECT_FALSE(binarisationGroupActive(s, false));
    EXPECT_TRUE(printerChosen(s, kMono));
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(contains(trace, "Mekuri::printerChosen(mekuri-mono) called\n"));
    EXPECT_EQ(s.printerName, kMono);
    EXPECT_EQ(s.printerDevmode.printerName, kMono);
    EXPECT_EQ(s.printerDevmode.orientation, 2);
    EXPECT_EQ(s.paperOrientation, 2);
    // A monochrome printer activates binarisation even with the colour-printer box off.
    EXPECT_TRUE(binarisationGroupActive(s, false));
}

TEST_F(CupsPrinting, PrinterPropertiesStartFromTheRecordOrTheDefaults)
{
    PrintSettings s;
    s.printerName = kColour;
    CaptureStderr();
    loadDefaultDevmode(s);
    s.printerDevmode.duplex = "two-sided-long-edge"; // an edit made earlier
    std::unique_ptr<PrinterPropertiesEdit> current = editPrinterProperties(s, kColour);
    std::unique_ptr<PrinterPropertiesEdit> other = editPrinterProperties(s, kMono);
    std::unique_ptr<PrinterPropertiesEdit> none = editPrinterProperties(s, "no-such-printer");
    const std::string trace = GetCapturedStderr();
    ASSERT_TRUE(current);
    ASSERT_TRUE(other);
    EXPECT_FALSE(none);
    EXPECT_TRUE(contains(trace, " (at 2713)\n")) << trace;
    EXPECT_EQ(current->mode().duplex, "two-sided-long-edge");
    EXPECT_EQ(other->mode().duplex, "one-sided");
    EXPECT_TRUE(current->capabilities().colourSupported);
    EXPECT_FALSE(other->capabilities().colourSupported);
    EXPECT_EQ(current->capabilities().sides.size(), 3u);
    EXPECT_GE(current->capabilities().resolutions.size(), 2u);
    EXPECT_GE(current->mediaIndex(), 0);

    // Choose A4 with margins on the colour printer, then OK.
    const auto& media = current->capabilities().media;
    const auto a4 = std::find_if(media.begin(), media.end(), [](const MediaChoice& m) {
        return m.name.compare(0, 7, "iso_a4_") == 0 && m.left > 0;
    });
    ASSERT_NE(a4, media.end());
    EXPECT_EQ(a4->label, "A4");
    ASSERT_TRUE(current->chooseMedia(static_cast<int>(a4 - media.begin())));
    // Cancel of the other printer's dialog: nothing changes.
    other.reset();
    EXPECT_EQ(s.printerName, kColour);
    CaptureStderr();
    applyPrinterProperties(s, *current);
    EXPECT_TRUE(contains(GetCapturedStderr(), "変更DEVMODE 1 9 2970x2099 "));
    EXPECT_EQ(s.printerDevmode.mediaName, a4->name);
}

TEST_F(CupsPrinting, FirstDialogChoosesTheDefaultPrinter)
{
    PrintSettings s;
    std::vector<std::string> printers;
    CaptureStderr();
    EXPECT_TRUE(preparePrintDialog(s, printers, nullptr));
    GetCapturedStderr();
    EXPECT_EQ(printers.size(), 2u);
    EXPECT_FALSE(s.printerName.empty());
    EXPECT_EQ(s.printerDevmode.printerName, s.printerName);

    // A printer chosen before but removed since is replaced by the default.
    s.printerName = "gone-printer";
    s.printerDevmode.printerName = "gone-printer";
    CaptureStderr();
    EXPECT_TRUE(preparePrintDialog(s, printers, nullptr));
    EXPECT_TRUE(contains(GetCapturedStderr(), "printer gone-printer is gone\n"));
    EXPECT_NE(s.printerName, "gone-printer");
    EXPECT_EQ(s.printerDevmode.printerName, s.printerName);
}

TEST_F(CupsPrinting, WithoutPrintersTheDialogSaysNoneIsInstalled)
{
    ASSERT_TRUE(daemon_->run(std::string("lpadmin -x ") + kColour));
    ASSERT_TRUE(daemon_->run(std::string("lpadmin -x ") + kMono));
    PrintSettings s;
    std::vector<std::string> printers;
    bool prepared = true;
    bool answered = false;
    std::string trace;
    std::vector<DialogRequest> boxes;
    {
        BoxCatcher catcher;
        CaptureStderr();
        answered = listPrinters().serverAnswered;
        prepared = preparePrintDialog(s, printers, nullptr);
        trace = GetCapturedStderr();
        boxes = catcher.boxes;
    }
    std::string why;
    ASSERT_TRUE(addPrinters(why)) << why;
    EXPECT_TRUE(answered); // a server with no printers is not a missing server
    EXPECT_FALSE(contains(trace, "(at 2588)")) << trace;
    EXPECT_FALSE(prepared);
    EXPECT_TRUE(printers.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "プリンタがインストールされていません\n");
}

TEST_F(CupsPrinting, WithoutAServerTheDialogSaysNoneIsInstalled)
{
    const std::string missing = daemon_->socket() + ".missing";
    setenv("CUPS_SERVER", missing.c_str(), 1);
    cupsSetServer(missing.c_str());
    PrintSettings s;
    std::vector<std::string> printers;
    BoxCatcher catcher;
    CaptureStderr();
    const PrinterList list = listPrinters();
    const bool prepared = preparePrintDialog(s, printers, nullptr);
    const std::string trace = GetCapturedStderr();
    setenv("CUPS_SERVER", daemon_->socket().c_str(), 1);
    cupsSetServer(daemon_->socket().c_str());
    EXPECT_FALSE(list.serverAnswered);
    EXPECT_FALSE(list.error.empty());
    EXPECT_FALSE(prepared);
    EXPECT_TRUE(contains(trace, " (at 2588)\n")) << trace;
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].text, "プリンタがインストールされていません\n");
}

TEST_F(CupsPrinting, PrintsAFivePageBookletTwoUpWithFloydSteinberg)
{
    PrintSettings s;
    s.printerName = kColour;
    s.paperOrientation = 2;
    CaptureStderr();
    loadDefaultDevmode(s);
    GetCapturedStderr();
    ASSERT_EQ(s.printerDevmode.color, 2);
    s.printLayout = 1;
    s.booklet = true;
    s.ditherMode = 1;
    s.binariseOnColourPrinter = true; // a colour printer binarises only when asked
    const int pageW = 600, pageH = 850;
    std::vector<FakePageSource::Page> pages(5, FakePageSource::Page{pageW, pageH, false, false});
    pages[3].colour = true;
    FakePageSource source(pages);
    const std::vector<int> sequence = buildPrintSequence(s, 5, 0, 0);
    ASSERT_EQ(sequence, (std::vector<int>{-1, 0, 1, -1, -1, 2, 3, 4}));

    const std::string out = daemon_->outputPath("book.pdf");
    std::remove(out.c_str());
    CaptureStderr();
    const int job = runPrintJob(source, s, sequence, true, nullptr);
    const std::string trace = GetCapturedStderr();
    ASSERT_GT(job, 0) << trace;
    EXPECT_TRUE(contains(trace, "printing page -1, 0\n"));
    EXPECT_TRUE(contains(trace, "printing page 3, 4\n"));
    EXPECT_TRUE(contains(trace, "プリンタ解像度 "));
    EXPECT_EQ(source.mostHeld, 2);
    std::string title;
    ASSERT_EQ(waitForJob(job, &title), IPP_JSTATE_COMPLETED);
    EXPECT_EQ(title, "mekuri");

    // The file printer's output: a PJL header naming the job, then the PDF.
    std::ifstream in(out, std::ios::binary);
    std::string head(4096, '\0');
    in.read(&head[0], static_cast<std::streamsize>(head.size()));
    EXPECT_TRUE(contains(head, "@PJL JOB NAME = \"mekuri\""));
    EXPECT_TRUE(contains(head, "%PDF-"));
    if (!toolAvailable("pdfinfo") || !toolAvailable("pdfimages"))
        GTEST_SKIP() << "poppler-utils is not installed: the PDF cannot be read back";
    EXPECT_EQ(pdfPageCount(out), 4);

    // Every page is binarised at the printer's dots for its slot, as a 1-bit image.
    const DeviceMode& m = s.printerDevmode;
    const SheetRect slot =
        sideBySideSlotRect(m.printableWidth(), m.printableHeight(), pageW, pageH, true);
    const PrintBlitPlan plan =
        planPrintBlit(slot.width, slot.height, pageW, pageH, pageW, pageH, s.nupIndex);
    const std::vector<PdfImage> images = pdfImages(out);
    ASSERT_EQ(images.size(), 5u);
    const int expectedPages[] = {1, 2, 3, 4, 4};
    for (size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(images[i].page, expectedPages[i]) << i;
        EXPECT_EQ(images[i].width, plan.width) << i;
        EXPECT_EQ(images[i].height, plan.height) << i;
        EXPECT_EQ(images[i].bitsPerComponent, 1) << i;
        EXPECT_EQ(images[i].type, "stencil") << i;
    }
}

TEST_F(CupsPrinting, AJobThePrinterRefusesIsReportedWithTheReason)
{
    PrintSettings s;
    s.printerName = kMono;
    CaptureStderr();
    loadDefaultDevmode(s);
    GetCapturedStderr();
    FakePageSource source(std::vector<FakePageSource::Page>(1, {50, 70, false, false}));
    ASSERT_TRUE(daemon_->run(std::string("cupsreject ") + kMono));
    BoxCatcher catcher;
    CaptureStderr();
    const int job = runPrintJob(source, s, {0}, true, nullptr);
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(daemon_->run(std::string("cupsaccept ") + kMono));
    EXPECT_EQ(job, 0);
    EXPECT_TRUE(contains(trace, "print exception! cupsCreateDestJob: ")) << trace;
    EXPECT_TRUE(contains(trace, " (at 2929)\n")) << trace;
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].title, "Error");
    EXPECT_TRUE(contains(catcher.boxes[0].text, "印刷できませんでした。\ncupsCreateDestJob: "));
}

TEST_F(CupsPrinting, AnUnknownPrinterFailsBeforeAnyJob)
{
    PrintSettings s;
    s.printerName = "no-such-printer";
    FakePageSource source(std::vector<FakePageSource::Page>(1, {50, 70, false, false}));
    BoxCatcher catcher;
    CaptureStderr();
    const int job = runPrintJob(source, s, {0}, true, nullptr);
    const std::string trace = GetCapturedStderr();
    EXPECT_EQ(job, 0);
    EXPECT_TRUE(contains(trace, " (at 2885)\n")) << trace;
    EXPECT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(source.fetched.size(), 0u);
}

TEST_F(CupsPrinting, APrintCommandDuringAJobIsRefused)
{
    PrintSettings s;
    s.printerName = kColour;
    CaptureStderr();
    loadDefaultDevmode(s);
    GetCapturedStderr();
    FakePageSource source(std::vector<FakePageSource::Page>(2, {60, 80, false, false}));
    std::vector<int> nested;
    setEventPump([&] { nested.push_back(runPrintJob(source, s, {0}, true, nullptr)); });
    CaptureStderr();
    const int job = runPrintJob(source, s, {0, 1}, true, nullptr);
    const std::string trace = GetCapturedStderr();
    setEventPump(nullptr);
    ASSERT_GT(job, 0) << trace;
    EXPECT_EQ(nested, (std::vector<int>{0, 0})); // one attempt after each sheet
    EXPECT_TRUE(contains(trace, "printDocument: a print job is running already\n"));
    EXPECT_EQ(waitForJob(job, nullptr), IPP_JSTATE_COMPLETED);
}

TEST_F(CupsPrinting, SettingsChangedWhileTheJobRunsChangeNothingPrinted)
{
    PrintSettings s;
    s.printerName = kColour;
    CaptureStderr();
    loadDefaultDevmode(s);
    GetCapturedStderr();
    ASSERT_EQ(s.printerDevmode.color, 2); // one colour page a sheet
    FakePageSource source(std::vector<FakePageSource::Page>(3, {120, 170, true, false}));
    const std::string out = daemon_->outputPath("book.pdf");
    std::remove(out.c_str());
    // The print dialog's next ＯＫ would store these into the same settings.
    setEventPump([&s] {
        s.printLayout = 1;
        s.binariseOnColourPrinter = true;
        s.ditherMode = 1;
    });
    CaptureStderr();
    const int job = runPrintJob(source, s, {0, 1, 2}, true, nullptr);
    const std::string trace = GetCapturedStderr();
    setEventPump(nullptr);
    ASSERT_GT(job, 0) << trace;
    ASSERT_EQ(waitForJob(job, nullptr), IPP_JSTATE_COMPLETED);
    if (!toolAvailable("pdfinfo") || !toolAvailable("pdfimages"))
        GTEST_SKIP() << "poppler-utils is not installed: the PDF cannot be read back";
    EXPECT_EQ(pdfPageCount(out), 3);
    const std::vector<PdfImage> images = pdfImages(out);
    ASSERT_EQ(images.size(), 3u);
    for (size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(images[i].page, static_cast<int>(i) + 1);
        EXPECT_EQ(images[i].type, "image") << i; // in colour, not binarised
        EXPECT_EQ(images[i].color, "rgb") << i;
    }
}

TEST_F(CupsPrinting, ACancelledJobEndsAfterItsSheetAndIsCancelledOnTheServer)
{
    PrintSettings s;
    s.printerName = kColour;
    CaptureStderr();
    loadDefaultDevmode(s);
    GetCapturedStderr();
    FakePageSource source(std::vector<FakePageSource::Page>(4, {120, 170, false, false}));
    const std::string out = daemon_->outputPath("book.pdf");
    std::remove(out.c_str());
    PrintJob job(s, {0, 1, 2, 3}, true);
    int pumps = 0;
    setEventPump([&pumps] {
        if (++pumps == 1)
            cancelRunningPrintJob(); // as quit does from an event the job pumps
    });
    BoxCatcher catcher;
    CaptureStderr();
    const int result = job.run(source, nullptr);
    const std::string trace = GetCapturedStderr();
    setEventPump(nullptr);
    EXPECT_EQ(result, 0);
    const int id = job.cupsJobId();
    ASSERT_GT(id, 0) << trace;
    const std::string number = std::to_string(id);
    EXPECT_TRUE(contains(trace, "print job " + number + ": cancelled after 1 sheets\n")) << trace;
    EXPECT_TRUE(contains(trace, "job " + number + " cancelled\n")) << trace;
    EXPECT_EQ(pumps, 1);
    EXPECT_EQ(source.fetched, (std::vector<int>{0}));
    EXPECT_TRUE(catcher.boxes.empty());
    EXPECT_EQ(waitForJob(id, nullptr), IPP_JSTATE_CANCELED);
    EXPECT_NE(access(out.c_str(), F_OK), 0); // the printer never got a document
}
