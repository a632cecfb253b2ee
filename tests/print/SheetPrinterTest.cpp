#include "print/SheetPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingDevice.h"
#include "platform/Dialogs.h"
#include "platform/UiHooks.h"
#include "print/PrintDocument.h"
#include "print/SheetLayout.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

constexpr int kW = 6415; // landscape A4 at 600 dpi
constexpr int kH = 4660;

PrintSettings colourPrinter()
{
    PrintSettings s;
    s.printerDevmode.color = 2;
    return s;
}

PrintSettings monoPrinter(int ditherMode)
{
    PrintSettings s;
    s.printerDevmode.color = 1;
    s.ditherMode = ditherMode;
    return s;
}

std::vector<FakePageSource::Page> pages(int n, int w = 100, int h = 140, bool colour = false)
{
    return std::vector<FakePageSource::Page>(n, FakePageSource::Page{w, h, colour, false});
}

// The draws of a recording, without the page brackets.
std::vector<RecordedDraw> draws(const RecordingDevice& dc)
{
    std::vector<RecordedDraw> out;
    for (const RecordedDraw& d : dc.calls)
        if (d.kind != "start" && d.kind != "end")
            out.push_back(d);
    return out;
}

std::string brackets(const RecordingDevice& dc)
{
    std::string out;
    for (const RecordedDraw& d : dc.calls)
        out += d.kind == "start" ? "[" : d.kind == "end" ? "]" : "d";
    return out;
}

} // namespace

TEST(SheetPrinter, RightBindingPutsThePairsFirstPageOnTheRight)
{
    FakePageSource source(pages(2));
    RecordingDevice dc;
    const PrintSettings s = colourPrinter();
    CaptureStderr();
    printSheetSideBySide({source, s, dc, kW, kH, true}, 0, 1);
    EXPECT_EQ(GetCapturedStderr(), "printing page 0, 1\n");
    const auto d = draws(dc);
    ASSERT_EQ(d.size(), 2u);
    const SheetRect right = sideBySideSlotRect(kW, kH, 100, 140, true);
    const SheetRect left = sideBySideSlotRect(kW, kH, 100, 140, false);
    EXPECT_EQ(d[0].dest.x, right.x);
    EXPECT_EQ(d[1].dest.x, left.x);
    EXPECT_EQ(d[0].dest.width, right.width);
    EXPECT_EQ(d[0].kind, "bgr24"); // colour printer, binarisation off
    EXPECT_EQ(brackets(dc), "[dd]");
}

TEST(SheetPrinter, LeftBindingPutsItOnTheLeft)
{
    FakePageSource source(pages(2));
    RecordingDevice dc;
    const PrintSettings s = colourPrinter();
    CaptureStderr();
    printSheetSideBySide({source, s, dc, kW, kH, false}, 0, 1);
    GetCapturedStderr();
    const auto d = draws(dc);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_LT(d[0].dest.x, kW / 2);
    EXPECT_GE(d[1].dest.x, kW / 2);
}

TEST(SheetPrinter, StackedPutsTheFirstPageOnTop)
{
    FakePageSource source(pages(2, 140, 100));
    RecordingDevice dc;
    const PrintSettings s = colourPrinter();
    CaptureStderr();
    printSheetStacked({source, s, dc, kH, kW, true}, 0, 1);
    GetCapturedStderr();
    const auto d = draws(dc);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].dest.y, stackedSlotRect(kH, kW, 140, 100, false).y);
    EXPECT_EQ(d[1].dest.y, stackedSlotRect(kH, kW, 140, 100, true).y);
    EXPECT_GE(d[1].dest.y, kW / 2);
}

TEST(SheetPrinter, SingleSheetTracesTheDeviceDepth)
{
    FakePageSource source(pages(1));
    RecordingDevice dc;
    const PrintSettings s = colourPrinter();
    CaptureStderr();
    printSheetSingle({source, s, dc, kH, kW, true}, 0);
    EXPECT_EQ(GetCapturedStderr(), "printing page 0 ... 24bpp\n");
    const auto d = draws(dc);
    ASSERT_EQ(d.size(), 1u);
    const SheetRect r = singleSlotRect(kH, kW, 100, 140);
    EXPECT_EQ(d[0].dest.x, r.x);
    EXPECT_EQ(d[0].dest.y, r.y);
    EXPECT_EQ(d[0].dest.width, r.width);
    EXPECT_EQ(d[0].dest.height, r.height);
    EXPECT_EQ(d[0].source.width, 100);
    EXPECT_EQ(d[0].source.height, 140);
}

TEST(SheetPrinter, BlankAndMissingSlotsLeaveTheirAreaEmpty)
{
    auto list = pages(3);
    list[2].missing = true;
    FakePageSource source(list);
    RecordingDevice dc;
    const PrintSettings s = colourPrinter();
    CaptureStderr();
    printSheetSideBySide({source, s, dc, kW, kH, true}, -1, 0);
    printSheetSideBySide({source, s, dc, kW, kH, true}, 2, 1);
    printSheetSingle({source, s, dc, kW, kH, true}, -1);
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(trace.find("page 2: no picture to print\n"), std::string::npos);
    EXPECT_EQ(brackets(dc), "[d][d][]");
    EXPECT_EQ(source.fetched, (std::vector<int>{0, 2, 1})); // blank slots are not fetched
}

TEST(SheetPrinter, MonochromePrinterBinarisesWithTheChosenMethod)
{
    FakePageSource source(pages(1));
    RecordingDevice dc;
    const PrintSettings s = monoPrinter(4);
    CaptureStderr();
    printSheetSingle({source, s, dc, 300, 420, true}, 0);
    GetCapturedStderr();
    const auto d = draws(dc);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].kind, "bits1");
    EXPECT_EQ(d[0].width, 300); // binarised at the device size
}

TEST(SheetPrinter, ExcludedColourPagesGoAsGreyAndGreyPagesAreStillBinarised)
{
    std::vector<FakePageSource::Page> list = pages(2);
    list[1].colour = true;
    FakePageSource source(list);
    RecordingDevice dc;
    PrintSettings s = monoPrinter(1);
    s.excludeColourPages = true;
    CaptureStderr();
    printSheetSideBySide({source, s, dc, 600, 420, false}, 0, 1);
    GetCapturedStderr();
    const auto d = draws(dc);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].kind, "bits1");
    EXPECT_EQ(d[1].kind, "gray8");
}

TEST(SheetPrinter, ColourPrinterWithoutBinarisingIgnoresTheDitherChoice)
{
    FakePageSource source(pages(1));
    RecordingDevice dc;
    PrintSettings s = colourPrinter();
    s.ditherMode = 2;
    CaptureStderr();
    printSheetSingle({source, s, dc, 300, 420, true}, 0);
    s.binariseOnColourPrinter = true;
    printSheetSingle({source, s, dc, 300, 420, true}, 0);
    GetCapturedStderr();
    const auto d = draws(dc);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].kind, "bgr24");
    EXPECT_EQ(d[1].kind, "bits1");
}

TEST(PrintSheets, OddSheetsOnlyWithEventsPumpedAfterEverySheet)
{
    FakePageSource source(pages(5));
    RecordingDevice dc;
    PrintSettings s = colourPrinter();
    s.sheetFilter = 1;
    int pumped = 0;
    setEventPump([&pumped] { ++pumped; });
    CaptureStderr();
    const int printed = printSheets({source, s, dc, 300, 420, true}, {0, 1, 2, 3, 4});
    GetCapturedStderr();
    setEventPump(nullptr);
    EXPECT_EQ(printed, 3);
    EXPECT_EQ(pumped, 5);
    EXPECT_EQ(source.fetched, (std::vector<int>{0, 2, 4}));
}

TEST(PrintSheets, EvenSheetsOfATwoUpJobHoldAtMostTwoPictures)
{
    FakePageSource source(pages(10));
    RecordingDevice dc;
    PrintSettings s = colourPrinter();
    s.printLayout = 1;
    s.sheetFilter = 2;
    CaptureStderr();
    const int printed =
        printSheets({source, s, dc, 600, 420, true}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    GetCapturedStderr();
    EXPECT_EQ(printed, 2);
    EXPECT_EQ(source.fetched, (std::vector<int>{2, 3, 6, 7}));
    EXPECT_EQ(source.mostHeld, 2);
    EXPECT_EQ(source.held, 0);
}

TEST(PrintSheets, TwoUpOfThreePagesPrintsTheLastAlone)
{
    FakePageSource source(pages(3));
    RecordingDevice dc;
    PrintSettings s = colourPrinter();
    s.printLayout = 2;
    CaptureStderr();
    printSheets({source, s, dc, 420, 600, true}, {0, 1, 2});
    const std::string trace = GetCapturedStderr();
    EXPECT_NE(trace.find("printing page 2, -1\n"), std::string::npos);
    EXPECT_EQ(brackets(dc), "[dd][d]");
}

TEST(PrintDocument, NothingToPrintShowsTheErrorBox)
{
    std::vector<DialogRequest> boxes;
    setDialogResponder([&boxes](const DialogRequest& r, DialogAnswer&) {
        boxes.push_back(r);
        return true;
    });
    FakePageSource source(pages(3));
    PrintSettings s = colourPrinter();
    CaptureStderr();
    EXPECT_EQ(printDocument(source, s, {}, true, nullptr), 0);
    EXPECT_EQ(printDocument(source, s, {-1}, true, nullptr), 0);
    EXPECT_EQ(printDocument(source, s, {-1, -1, -1, -1}, true, nullptr), 0);
    EXPECT_EQ(printDocument(source, s, {5}, true, nullptr), 0);
    GetCapturedStderr();
    setDialogResponder(nullptr);
    ASSERT_EQ(boxes.size(), 4u);
    for (const DialogRequest& box : boxes) {
        EXPECT_EQ(box.title, "Error");
        EXPECT_EQ(box.text, "印刷するページがありません。または印刷範囲が不正です\n");
    }
    EXPECT_TRUE(sequenceHasPages({-1, 2}, 3));
    EXPECT_FALSE(sequenceHasPages({-1, 3}, 3));
}
