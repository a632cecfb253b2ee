// The text a dialog-seam answer carries for the print dialog and the printer settings dialog.

#include "app/PrintDialogAnswer.h"

#include <gtest/gtest.h>

#include "print/PrinterSettings.h"

TEST(PrintDialogChoices, ReadsEveryKey)
{
    PrintDialogChoices c;
    std::string error;
    ASSERT_TRUE(parsePrintDialogChoices(
        "range=2;pages=1-3,8;layout=1;booklet=1;first=0;dither=1;nup=3;binarise=1;exclude=1;"
        "orient=2;filter=2;printer=office-pdf;properties",
        c, error))
        << error;
    EXPECT_EQ(c.printer.value(), "office-pdf");
    EXPECT_TRUE(c.properties);
    EXPECT_EQ(c.range.value(), 2);
    EXPECT_EQ(c.pages.value(), "1-3,8");
    EXPECT_EQ(c.layout.value(), 1);
    EXPECT_TRUE(c.booklet.value());
    EXPECT_FALSE(c.firstPageAlone.value());
    EXPECT_EQ(c.dither.value(), 1);
    EXPECT_EQ(c.nup.value(), 3);
    EXPECT_TRUE(c.binariseOnColourPrinter.value());
    EXPECT_TRUE(c.excludeColourPages.value());
    EXPECT_EQ(c.orientation.value(), 2);
    EXPECT_EQ(c.filter.value(), 2);
}

TEST(PrintDialogChoices, WhatIsNotNamedStaysUnset)
{
    PrintDialogChoices c;
    std::string error;
    ASSERT_TRUE(parsePrintDialogChoices("layout=2;;", c, error)) << error;
    EXPECT_EQ(c.layout.value(), 2);
    EXPECT_FALSE(c.range || c.pages || c.printer || c.dither || c.orientation || c.booklet);
    EXPECT_FALSE(c.properties);
    ASSERT_TRUE(parsePrintDialogChoices("", c, error));
    EXPECT_FALSE(c.layout);
    // An empty page list is a value of its own (the field emptied).
    ASSERT_TRUE(parsePrintDialogChoices("pages=", c, error));
    EXPECT_EQ(c.pages.value(), "");
    // The page list keeps what follows the first '=' as typed.
    ASSERT_TRUE(parsePrintDialogChoices("pages= 1 - 3", c, error));
    EXPECT_EQ(c.pages.value(), " 1 - 3");
}

TEST(PrintDialogChoices, RefusesUnknownKeysAndValuesOutOfRange)
{
    PrintDialogChoices c;
    std::string error;
    EXPECT_FALSE(parsePrintDialogChoices("layout=3", c, error));
    EXPECT_EQ(error, "bad value for \"layout\"");
    EXPECT_FALSE(parsePrintDialogChoices("dither=6", c, error));
    EXPECT_FALSE(parsePrintDialogChoices("nup=-1", c, error));
    EXPECT_FALSE(parsePrintDialogChoices("orient=0", c, error));
    EXPECT_FALSE(parsePrintDialogChoices("range=1x", c, error));
    EXPECT_FALSE(parsePrintDialogChoices("booklet=2", c, error));
    EXPECT_FALSE(parsePrintDialogChoices("booklet", c, error));
    EXPECT_FALSE(parsePrintDialogChoices("range=99999999999", c, error));
    EXPECT_FALSE(parsePrintDialogChoices("printer=", c, error));
    EXPECT_FALSE(parsePrintDialogChoices("layout=1;colour=1", c, error));
    EXPECT_EQ(error, "unknown choice \"colour\"");
    EXPECT_FALSE(parsePrintDialogChoices(" layout=1", c, error));
}

TEST(PrintDialogChoices, TheOpeningTextGivesTheSettingsBack)
{
    PrintSettings s;
    s.printerName = "mekuri-pdf";
    s.printRange = 2;
    s.pageSpec = "2-5,7";
    s.printLayout = 2;
    s.firstPageAlone = true;
    s.ditherMode = 4;
    s.nupIndex = 2;
    s.binariseOnColourPrinter = true;
    s.paperOrientation = 2;
    s.sheetFilter = 1;
    const std::string text = encodePrintDialogChoices(s);
    EXPECT_EQ(text, "printer=mekuri-pdf;range=2;pages=2-5,7;filter=1;layout=2;first=1;booklet=0;"
                    "dither=4;nup=2;exclude=0;binarise=1;orient=2");
    PrintDialogChoices c;
    std::string error;
    ASSERT_TRUE(parsePrintDialogChoices(text, c, error)) << error;
    EXPECT_EQ(c.printer.value(), s.printerName);
    EXPECT_EQ(c.pages.value(), s.pageSpec);
    EXPECT_EQ(c.layout.value(), 2);
    EXPECT_TRUE(c.firstPageAlone.value());
    EXPECT_FALSE(c.booklet.value());
    EXPECT_EQ(c.dither.value(), 4);
    EXPECT_EQ(c.orientation.value(), 2);
    // Without a printer chosen yet the key is left out.
    EXPECT_EQ(encodePrintDialogChoices(PrintSettings()).rfind("range=0;pages=;", 0), 0u);
}

namespace {

PrinterPropertiesEdit sampleEdit()
{
    PrinterCapabilities caps;
    caps.media = {{"na_letter_8.5x11in", "Letter", 21590, 27940, 635, 635, 1270, 1270},
                  {"iso_a4_210x297mm", "A4", 21000, 29700, 635, 635, 1270, 1270},
                  {"iso_a4_210x297mm", "A4 (フチなし)", 21000, 29700, 0, 0, 0, 0}};
    caps.colourSupported = false;
    caps.sides = {"one-sided", "two-sided-long-edge"};
    caps.resolutions = {{300, 300}, {600, 600}};
    DeviceMode start;
    start.printerName = "mono";
    start.mediaName = "na_letter_8.5x11in";
    start.paperWidth = 21590;
    start.paperLength = 27940;
    start.marginLeft = start.marginRight = 635;
    start.marginTop = start.marginBottom = 1270;
    return PrinterPropertiesEdit("mono", start, caps);
}

} // namespace

TEST(PrinterPropertiesChoices, ChoosesByIndexOrByName)
{
    PrinterPropertiesChoices c;
    std::string error;
    ASSERT_TRUE(parsePrinterPropertiesChoices(
        "media=iso_a4_210x297mm;sides=1;resolution=300x300;orient=2;color=1", c, error))
        << error;
    PrinterPropertiesEdit edit = sampleEdit();
    ASSERT_TRUE(applyPrinterPropertiesChoices(edit, c, error)) << error;
    EXPECT_EQ(edit.mediaIndex(), 1); // the first A4, the one with margins
    EXPECT_EQ(edit.mode().duplex, "two-sided-long-edge");
    EXPECT_EQ(edit.mode().xResolution, 300);
    EXPECT_EQ(edit.mode().orientation, 2);
    EXPECT_EQ(edit.mode().color, 1);

    ASSERT_TRUE(parsePrinterPropertiesChoices("media=2;sides=one-sided;resolution=1", c, error));
    ASSERT_TRUE(applyPrinterPropertiesChoices(edit, c, error)) << error;
    EXPECT_EQ(edit.mediaIndex(), 2);
    EXPECT_EQ(edit.mode().marginLeft, 0);
    EXPECT_EQ(edit.mode().duplex, "one-sided");
    EXPECT_EQ(edit.mode().xResolution, 600);
}

TEST(PrinterPropertiesChoices, RefusesWhatThePrinterDoesNotOffer)
{
    PrinterPropertiesChoices c;
    std::string error;
    PrinterPropertiesEdit edit = sampleEdit();
    ASSERT_TRUE(parsePrinterPropertiesChoices("color=2", c, error));
    EXPECT_FALSE(applyPrinterPropertiesChoices(edit, c, error)); // a monochrome printer
    EXPECT_EQ(error, "the printer has no colour mode 2");
    ASSERT_TRUE(parsePrinterPropertiesChoices("media=3", c, error));
    EXPECT_FALSE(applyPrinterPropertiesChoices(edit, c, error));
    ASSERT_TRUE(parsePrinterPropertiesChoices("media=iso_a3_297x420mm", c, error));
    EXPECT_FALSE(applyPrinterPropertiesChoices(edit, c, error));
    ASSERT_TRUE(parsePrinterPropertiesChoices("resolution=1200x1200", c, error));
    EXPECT_FALSE(applyPrinterPropertiesChoices(edit, c, error));
    ASSERT_TRUE(parsePrinterPropertiesChoices("sides=two-sided-short-edge", c, error));
    EXPECT_FALSE(applyPrinterPropertiesChoices(edit, c, error));
    EXPECT_EQ(edit.mediaIndex(), 0);
    EXPECT_EQ(edit.mode().duplex, "one-sided");
    EXPECT_FALSE(parsePrinterPropertiesChoices("color=3", c, error));
    EXPECT_FALSE(parsePrinterPropertiesChoices("paper=a4", c, error));
}
