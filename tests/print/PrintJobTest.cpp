// The print job between ＯＫ and its end: its own copies of what was decided, the one-job rule
// the commands' guard asks, and cancellation from the events pumped between sheets.

#include "print/PrintJob.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "RecordingDevice.h"
#include "platform/UiHooks.h"
#include "print/SheetLayout.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

constexpr int kW = 600;
constexpr int kH = 420;

std::vector<FakePageSource::Page> pages(int n)
{
    return std::vector<FakePageSource::Page>(n, FakePageSource::Page{100, 140, false, false});
}

// Runs `pump` for every event pump of the test, and removes it at the end.
class PumpHook {
  public:
    explicit PumpHook(std::function<void()> pump) { setEventPump(std::move(pump)); }
    ~PumpHook() { setEventPump(nullptr); }
};

} // namespace

TEST(PrintJob, KeepsTheSettingsBindingAndPagesOfOkWhileEventsChangeThem)
{
    // A monochrome printer, two pages side by side, left to the printer's halftoning.
    PrintSettings s;
    s.printerDevmode.color = 1;
    s.printLayout = 1;
    bool rightBinding = true;
    std::vector<int> sequence{0, 1, 2, 3};
    PrintJob job(s, sequence, rightBinding);
    FakePageSource source(pages(4));
    RecordingDevice dc;
    // What the main window's commands do meanwhile: another layout, another method, a colour
    // printer, the other binding, another page list.
    PumpHook pump([&] {
        s.printLayout = 0;
        s.ditherMode = 1;
        s.printerDevmode.color = 2;
        rightBinding = false;
        sequence.assign({3});
    });
    CaptureStderr();
    EXPECT_EQ(job.printSheetsOn(source, dc, kW, kH), 2);
    GetCapturedStderr();
    EXPECT_EQ(source.fetched, (std::vector<int>{0, 1, 2, 3}));
    std::string kinds;
    for (const RecordedDraw& d : dc.calls)
        kinds += d.kind == "start" ? "[" : d.kind == "end" ? "]" : d.kind + " ";
    EXPECT_EQ(kinds, "[gray8 gray8 ][gray8 gray8 ]");
    // Each pair's first page stays on the right: calls are [, first, second, ], [, first, ...
    const int right = sideBySideSlotRect(kW, kH, 100, 140, true).x;
    ASSERT_EQ(dc.calls.size(), 8u);
    EXPECT_EQ(dc.calls[1].dest.x, right);
    EXPECT_EQ(dc.calls[5].dest.x, right);
}

TEST(PrintJob, OnlyOneJobAtATimeAndTheGuardSeesIt)
{
    EXPECT_FALSE(printJobRunning());
    EXPECT_FALSE(cancelRunningPrintJob());
    FakePageSource source(pages(2));
    {
        PrintJob first(PrintSettings(), {0, 1}, true);
        EXPECT_TRUE(first.accepted());
        EXPECT_TRUE(printJobRunning()); // from ＯＫ on, before a sheet is printed
        PrintJob second(PrintSettings(), {0}, true);
        EXPECT_FALSE(second.accepted());
        CaptureStderr();
        EXPECT_EQ(second.print(source, nullptr), 0);
        EXPECT_EQ(GetCapturedStderr(), "printDocument: a print job is running already\n");
        EXPECT_TRUE(source.fetched.empty());
        EXPECT_TRUE(printJobRunning());
    }
    EXPECT_FALSE(printJobRunning());
    PrintJob next(PrintSettings(), {0}, true);
    EXPECT_TRUE(next.accepted());
}

TEST(PrintJob, CancelFromThePumpedEventsStopsBeforeTheNextSheet)
{
    PrintSettings s;
    s.printerDevmode.color = 2;
    PrintJob job(s, {0, 1, 2, 3}, true);
    FakePageSource source(pages(4));
    RecordingDevice dc;
    std::vector<bool> answers;
    PumpHook pump([&answers] { answers.push_back(cancelRunningPrintJob()); });
    CaptureStderr();
    EXPECT_EQ(job.printSheetsOn(source, dc, kW, kH), 1);
    EXPECT_EQ(GetCapturedStderr(), "printing page 0 ... 24bpp\ncancelling the print job\n");
    EXPECT_EQ(answers, (std::vector<bool>{true}));
    EXPECT_TRUE(job.cancelled());
    EXPECT_EQ(source.fetched, (std::vector<int>{0}));
    EXPECT_EQ(source.held, 0);
    EXPECT_TRUE(printJobRunning()); // until the job has unwound
}

TEST(PrintJob, AJobCancelledBeforeItBeginsNeverReachesAPrinter)
{
    // No printer is named: a job that went on would fail at 2885 and show a box.
    PrintJob job(PrintSettings(), {0, 1}, true);
    EXPECT_TRUE(cancelRunningPrintJob());
    FakePageSource source(pages(2));
    CaptureStderr();
    EXPECT_EQ(job.run(source, nullptr), 0);
    EXPECT_EQ(GetCapturedStderr(), "print job cancelled before it began\n");
    EXPECT_TRUE(source.fetched.empty());
    EXPECT_EQ(job.cupsJobId(), 0);
}
