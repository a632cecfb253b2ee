#include "print/PrintSettingsStore.h"

#include <gtest/gtest.h>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Every option away from its default, with a whole settings record for its printer.
PrintSettings chosen()
{
    PrintSettings p;
    p.printerName = "Office & Home";
    p.printRange = 2;
    p.pageSpec = "1-3,8";
    p.printLayout = 1;
    p.firstPageAlone = p.booklet = p.excludeColourPages = p.binariseOnColourPrinter = true;
    p.ditherMode = 3;
    p.nupIndex = 2;
    p.paperOrientation = 2;
    p.sheetFilter = 1;
    p.printerDevmode = {
        p.printerName, "jis_b5_182x257mm",    18200, 25700, 423, 424, 500, 501, 2, 2, 1200, 600,
        true,          "two-sided-short-edge"};
    return p;
}

Settings stored(const PrintSettings& p)
{
    Settings settings;
    storePrintSettings(p, settings);
    return settings;
}

// The settings as the next run reads them back from the file's text.
PrintSettings reloaded(const Settings& settings)
{
    Settings file;
    EXPECT_TRUE(file.decode(settings.encode()));
    return loadPrintSettings(file);
}

} // namespace

TEST(PrintSettingsStore, EveryChoiceAndTheSettingsRecordSurvive)
{
    const PrintSettings back = reloaded(stored(chosen()));
    EXPECT_EQ(stored(back).encode(), stored(chosen()).encode());
    EXPECT_EQ(back.printerDevmode.duplex, "two-sided-short-edge");
    EXPECT_EQ(back.printerDevmode.marginBottom, 501);
    EXPECT_EQ(back.pageSpec, "1-3,8");
    EXPECT_EQ(stored(loadPrintSettings(Settings())).encode(), stored(PrintSettings()).encode());

    PrintSettings changed = chosen();
    changed.paperOrientation = 1; // out of step with the record's landscape: the record decides
    EXPECT_EQ(reloaded(stored(changed)).paperOrientation, 2);
    Settings settings = stored(chosen());
    storePrintSettings(PrintSettings(), settings); // no record now: the old one's keys go
    EXPECT_FALSE(settings.has("devmode.printer") || settings.has("devmode.paperWidth"));
}

TEST(PrintSettingsStore, BadChoicesKeepTheirDefaultsAndABadRecordIsDroppedWhole)
{
    Settings settings = stored(chosen());
    settings.setInt("print.range", 3);
    settings.setInt("print.nup", -1);
    settings.setString("print.pages", std::string(300, '1'));
    PrintSettings p = reloaded(settings);
    EXPECT_EQ(p.printRange, 0);
    EXPECT_EQ(p.nupIndex, 0);
    EXPECT_EQ(p.pageSpec, "");
    EXPECT_EQ(p.printLayout, 1);
    EXPECT_FALSE(p.printerDevmode.empty());

    const std::vector<std::pair<std::string, std::string>> breaks = {
        {"devmode.marginLeft", "17800"},   // with the right margin, past the paper's width
        {"devmode.paperLength", "0"},      // no paper
        {"devmode.xResolution", "100000"}, // far past any printer
        {"devmode.duplex", "sideways"},    {"devmode.printer", "Another"}, // not the printer kept
        {"devmode.yResolution", ""},                                       // missing
    };
    for (const auto& [key, value] : breaks) {
        settings = stored(chosen());
        settings.setString(key, value);
        CaptureStderr();
        p = reloaded(settings);
        EXPECT_NE(GetCapturedStderr().find("printer settings record dropped"), std::string::npos);
        EXPECT_TRUE(p.printerDevmode.empty()) << key;
        EXPECT_EQ(p.printerName, "Office & Home") << key; // the choice of printer stays
    }
}
