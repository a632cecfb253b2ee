#include "print/PrintSettingsStore.h"

#include <gtest/gtest.h>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

PrintSettings chosen()
{
    PrintSettings p;
    p.printerName = "Office & Home";
    p.printRange = 2;
    p.pageSpec = "1-3,8";
    p.printLayout = 1;
    p.firstPageAlone = true;
    p.booklet = true;
    p.ditherMode = 3;
    p.nupIndex = 2;
    p.excludeColourPages = true;
    p.binariseOnColourPrinter = true;
    p.paperOrientation = 2;
    p.sheetFilter = 1;
    DeviceMode& m = p.printerDevmode;
    m.printerName = p.printerName;
    m.mediaName = "jis_b5_182x257mm";
    m.paperWidth = 18200;
    m.paperLength = 25700;
    m.marginLeft = 423;
    m.marginRight = 424;
    m.marginTop = 500;
    m.marginBottom = 501;
    m.orientation = 2;
    m.color = 2;
    m.xResolution = 1200;
    m.yResolution = 600;
    m.resolutionNamed = true;
    m.duplex = "two-sided-short-edge";
    return p;
}

// Every field, so that a field added to either record and forgotten here shows up.
std::string describe(const PrintSettings& p)
{
    const DeviceMode& m = p.printerDevmode;
    char text[1024];
    snprintf(text, sizeof text,
             "%s|%d|%s|%d|%d|%d|%d|%d|%d|%d|%d|%d|%s|%s|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%d|%s",
             p.printerName.c_str(), p.printRange, p.pageSpec.c_str(), p.printLayout,
             p.firstPageAlone, p.booklet, p.ditherMode, p.nupIndex, p.excludeColourPages,
             p.binariseOnColourPrinter, p.paperOrientation, p.sheetFilter, m.printerName.c_str(),
             m.mediaName.c_str(), m.paperWidth, m.paperLength, m.marginLeft, m.marginRight,
             m.marginTop, m.marginBottom, m.orientation, m.color, m.xResolution, m.yResolution,
             m.resolutionNamed, m.duplex.c_str());
    return text;
}

PrintSettings roundTrip(const Settings& settings)
{
    Settings loaded;
    EXPECT_TRUE(loaded.decode(settings.encode()));
    return loadPrintSettings(loaded);
}

} // namespace

TEST(PrintSettingsStore, EveryChoiceAndTheSettingsRecordSurvive)
{
    Settings settings;
    storePrintSettings(chosen(), settings);
    EXPECT_EQ(describe(roundTrip(settings)), describe(chosen()));
    EXPECT_EQ(describe(loadPrintSettings(Settings())), describe(PrintSettings()));
}

TEST(PrintSettingsStore, OutOfRangeChoicesKeepTheirDefaults)
{
    Settings settings;
    storePrintSettings(chosen(), settings);
    settings.setInt("print.range", 3);
    settings.setInt("print.dither", -1);
    settings.setInt("print.nup", 5);
    settings.setString("print.booklet", "2");
    settings.setString("print.pages", std::string(300, '1'));
    CaptureStderr();
    const PrintSettings p = roundTrip(settings);
    EXPECT_NE(GetCapturedStderr().find("settings: bad value print.range=3"), std::string::npos);
    const PrintSettings defaults;
    EXPECT_EQ(p.printRange, defaults.printRange);
    EXPECT_EQ(p.ditherMode, defaults.ditherMode);
    EXPECT_EQ(p.nupIndex, defaults.nupIndex);
    EXPECT_EQ(p.booklet, defaults.booklet);
    EXPECT_EQ(p.pageSpec, defaults.pageSpec);
    EXPECT_EQ(p.printLayout, 1); // the good values stay
    EXPECT_FALSE(p.printerDevmode.empty());
}

TEST(PrintSettingsStore, ARecordThatDoesNotHoldTogetherIsDroppedWhole)
{
    const std::vector<std::pair<std::string, std::string>> breaks = {
        {"devmode.marginLeft", "17800"},   // with the right margin, past the paper's width
        {"devmode.paperLength", "0"},      // no paper
        {"devmode.xResolution", "100000"}, // far past any printer
        {"devmode.color", "7"},
        {"devmode.duplex", "sideways"},
        {"devmode.printer", "Another printer"}, // not the printer kept
    };
    for (const auto& [key, value] : breaks) {
        Settings settings;
        storePrintSettings(chosen(), settings);
        settings.setString(key, value);
        CaptureStderr();
        const PrintSettings p = roundTrip(settings);
        EXPECT_NE(GetCapturedStderr().find("printer settings record dropped"), std::string::npos)
            << key;
        EXPECT_TRUE(p.printerDevmode.empty()) << key;
        EXPECT_EQ(p.printerName, "Office & Home") << key; // the choice of printer stays
    }
    Settings missing;
    storePrintSettings(chosen(), missing);
    missing.remove("devmode.yResolution");
    EXPECT_TRUE(roundTrip(missing).printerDevmode.empty());
}

TEST(PrintSettingsStore, AnEmptyRecordRemovesTheOldOneAndTheRecordDecidesTheOrientation)
{
    Settings settings;
    storePrintSettings(chosen(), settings);
    PrintSettings none = chosen();
    none.printerDevmode = DeviceMode();
    storePrintSettings(none, settings);
    EXPECT_FALSE(settings.has("devmode.printer"));
    EXPECT_FALSE(settings.has("devmode.paperWidth"));
    EXPECT_TRUE(roundTrip(settings).printerDevmode.empty());

    PrintSettings turned = chosen();
    turned.paperOrientation = 1; // out of step with the record's landscape
    storePrintSettings(turned, settings);
    EXPECT_EQ(roundTrip(settings).paperOrientation, 2);
}
