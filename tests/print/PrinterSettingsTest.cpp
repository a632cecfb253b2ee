#include "print/PrinterSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Dialogs.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

DeviceMode letter(const std::string& printer, int color)
{
    DeviceMode m;
    m.printerName = printer;
    m.mediaName = "na_letter_8.5x11in";
    m.paperWidth = 21590;
    m.paperLength = 27940;
    m.marginLeft = m.marginRight = 635;
    m.marginTop = m.marginBottom = 1270;
    m.color = color;
    return m;
}

PrintSettings settingsFor(const std::string& printer, int color)
{
    PrintSettings s;
    s.printerName = printer;
    s.printerDevmode = letter(printer, color);
    return s;
}

PrinterCapabilities caps(bool colour)
{
    PrinterCapabilities c;
    c.media.push_back({"na_letter_8.5x11in", "Letter", 21590, 27940, 635, 635, 1270, 1270});
    c.media.push_back({"iso_a4_210x297mm", "A4", 20990, 29704, 635, 635, 1270, 1270});
    c.media.push_back({"iso_a4_210x297mm", "A4 (フチなし)", 20990, 29704, 0, 0, 0, 0});
    c.colourSupported = colour;
    c.sides = {"one-sided", "two-sided-long-edge"};
    c.resolutions = {{300, 300}, {600, 600}, {1200, 1200}};
    return c;
}

// Collects the boxes shown while it lives, answering each with its first button.
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

} // namespace

TEST(ShowPrinterInfo, MonochromeColourAndRawValues)
{
    PrintSettings s = settingsFor("p", 1);
    // Letter less margins at 600 dpi: 8 × 10 inches, 4800 × 6000 dots.
    EXPECT_EQ(showPrinterInfo(s).value(), "プリンタの解像度: 4800 x 6000\n色: モノクロ");
    s.printerDevmode.color = 2;
    EXPECT_EQ(showPrinterInfo(s).value(), "プリンタの解像度: 4800 x 6000\n色: カラー");
    s.printerDevmode.color = 5;
    EXPECT_EQ(showPrinterInfo(s).value(), "プリンタの解像度: 4800 x 6000\n色: 5");
    s.printerDevmode.orientation = 2;
    s.printerDevmode.xResolution = s.printerDevmode.yResolution = 300;
    EXPECT_EQ(showPrinterInfo(s).value(), "プリンタの解像度: 3000 x 2400\n色: 5");
}

TEST(ShowPrinterInfo, NoRecordLeavesTheTextAlone)
{
    PrintSettings s;
    EXPECT_FALSE(showPrinterInfo(s).has_value());
}

TEST(BinarisationGroup, ActiveForMonochromeOrWhenAskedOnColour)
{
    EXPECT_TRUE(binarisationGroupActive(settingsFor("m", 1), false));
    EXPECT_FALSE(binarisationGroupActive(settingsFor("c", 2), false));
    EXPECT_TRUE(binarisationGroupActive(settingsFor("c", 2), true));
}

TEST(SetPaperOrientation, TurnsTheRecord)
{
    PrintSettings s = settingsFor("p", 2);
    CaptureStderr();
    setPaperOrientation(s, 2, nullptr);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(s.paperOrientation, 2);
    EXPECT_EQ(s.printerDevmode.orientation, 2);
    setPaperOrientation(s, 1, nullptr);
    EXPECT_EQ(s.printerDevmode.orientation, 1);
}

TEST(SetPaperOrientation, WithoutARecordOnlyTheSettingChanges)
{
    PrintSettings s;
    s.printerName = "p";
    CaptureStderr();
    setPaperOrientation(s, 2, nullptr);
    EXPECT_EQ(GetCapturedStderr(), "print exception! p: no settings record (at 2816)\n");
    EXPECT_EQ(s.paperOrientation, 2);
}

TEST(SetPaperOrientation, ARecordOfAnotherPrinterIsReported)
{
    PrintSettings s = settingsFor("p", 2);
    s.printerName = "q";
    BoxCatcher catcher;
    CaptureStderr();
    setPaperOrientation(s, 2, nullptr);
    const std::string trace = GetCapturedStderr();
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].text, "異常 printerDevmode.size() mismatch.\n");
    EXPECT_NE(trace.find("(at 2820)\n"), std::string::npos) << trace;
    EXPECT_EQ(s.printerDevmode.orientation, 1);
}

TEST(PrinterChosen, TheCurrentPrinterIsNotReloaded)
{
    PrintSettings s = settingsFor("p", 2);
    s.printerDevmode.mediaName = "marker";
    CaptureStderr();
    EXPECT_FALSE(printerChosen(s, "p"));
    EXPECT_EQ(GetCapturedStderr(), "Mekuri::printerChosen(p) called\n");
    EXPECT_EQ(s.printerDevmode.mediaName, "marker");
}

TEST(PrinterPropertiesEdit, ChoicesChangeOnlyTheCopy)
{
    const PrintSettings s = settingsFor("p", 1);
    PrinterPropertiesEdit edit("p", s.printerDevmode, caps(false));
    EXPECT_EQ(edit.mediaIndex(), 0);
    EXPECT_EQ(edit.sidesIndex(), 0);
    EXPECT_EQ(edit.resolutionIndex(), 1);
    EXPECT_TRUE(edit.chooseMedia(2));
    EXPECT_EQ(edit.mode().mediaName, "iso_a4_210x297mm");
    EXPECT_EQ(edit.mode().marginLeft, 0);
    EXPECT_EQ(edit.mediaIndex(), 2); // the borderless A4, not the one with margins
    EXPECT_TRUE(edit.chooseSides(1));
    EXPECT_EQ(edit.mode().duplex, "two-sided-long-edge");
    EXPECT_TRUE(edit.chooseResolution(2));
    EXPECT_EQ(edit.mode().xResolution, 1200);
    EXPECT_TRUE(edit.chooseOrientation(2));
    EXPECT_FALSE(edit.chooseColour(2)); // the printer has no colour
    EXPECT_TRUE(edit.chooseColour(1));
    EXPECT_FALSE(edit.chooseMedia(3));
    EXPECT_FALSE(edit.chooseSides(-1));
    EXPECT_FALSE(edit.chooseResolution(3));
    EXPECT_FALSE(edit.chooseOrientation(0));
    // Cancel: the edit is dropped and the settings never saw it.
    EXPECT_EQ(s.printerDevmode.mediaName, "na_letter_8.5x11in");
}

TEST(PrinterPropertiesEdit, OkStoresTheRecordAndTracesIt)
{
    PrintSettings s = settingsFor("p", 2);
    PrinterPropertiesEdit edit("q", letter("q", 2), caps(true));
    edit.chooseMedia(1);
    edit.chooseOrientation(2);
    edit.chooseColour(1);
    CaptureStderr();
    applyPrinterProperties(s, edit);
    // Landscape A4 (209.9 × 297.04 mm) less margins at 600 dpi: 6416 × 4658 dots.
    EXPECT_EQ(GetCapturedStderr(), "変更DEVMODE 2 9 2970x2099 6416x4658\n");
    EXPECT_EQ(s.printerName, "q");
    EXPECT_EQ(s.printerDevmode.mediaName, "iso_a4_210x297mm");
    EXPECT_EQ(s.paperOrientation, 2);
    EXPECT_EQ(s.printerDevmode.color, 1);
    EXPECT_TRUE(binarisationGroupActive(s, false));
}

TEST(SidesLabel, NamesTheThreeDuplexModes)
{
    EXPECT_EQ(sidesLabel("one-sided"), "片面");
    EXPECT_EQ(sidesLabel("two-sided-long-edge"), "両面 (長辺とじ)");
    EXPECT_EQ(sidesLabel("two-sided-short-edge"), "両面 (短辺とじ)");
    EXPECT_EQ(sidesLabel("other"), "other");
}
