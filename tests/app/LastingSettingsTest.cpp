#include "app/LastingSettings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>

#include "persist/Settings.h"

namespace {

std::string freshFile()
{
    char folder[] = "/tmp/mekuri-lasting-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    return std::string(folder) + "/mekuri/settings";
}

Settings read(const std::string& file)
{
    Settings settings;
    settings.load(file);
    return settings;
}

} // namespace

TEST(LastingSettings, CommandLineOptionsRuleTheRunAndAreNeverSaved)
{
    const std::string file = freshFile();
    {
        LastingSettings first(file);
        first.load();
        first.keepOption(kBindingKey, 1); // the user chose 左綴じ in an earlier run
    }
    LastingSettings run(file);
    run.load();
    StartOptions command;
    command.binding = RIGHT_BINDING;
    command.bindingGiven = true; // -right
    const ViewerOptions start = startingOptions(run.saved(), command);
    EXPECT_EQ(start.binding, RIGHT_BINDING);
    EXPECT_EQ(start.spreadShift, 1); // not given: the saved (default) unit
    // Another option changed in this run: the binding in the file stays the saved one.
    run.keepOption(kHighQualityReductionKey, 0);
    const ViewerOptions after = readViewerOptions(read(file));
    EXPECT_EQ(after.binding, 1);
    EXPECT_EQ(after.highQualityReduction, 0);
}

TEST(LastingSettings, TwoProgramsKeepEachOthersChangesAndAnUnchangedValueWritesNothing)
{
    const std::string file = freshFile();
    LastingSettings a(file), b(file);
    a.load();
    b.load();
    a.keepOption(kResumeKey, 0);
    b.keepOption(kSpreadShiftKey, 0);
    // b read resume as on: keeping that value again must not undo a's change.
    b.keepOption(kResumeKey, 1);
    const ViewerOptions both = readViewerOptions(read(file));
    EXPECT_FALSE(both.resume);
    EXPECT_EQ(both.spreadShift, 0);
    // The same key: the last to save wins.
    b.keepOption(kResumeKey, 0);
    a.keepOption(kResumeKey, 1);
    EXPECT_TRUE(readViewerOptions(read(file)).resume);
}

TEST(LastingSettings, CorruptFileGivesDefaultsAndIsReplacedAtTheNextSave)
{
    const std::string file = freshFile();
    {
        LastingSettings make(file);
        make.load();
        make.keepOption(kNaturalOrderKey, 1);
    }
    std::ofstream(file, std::ios::trunc) << "\x01\x02garbage\nnot a settings file";
    LastingSettings run(file);
    run.load();
    EXPECT_FALSE(run.saved().naturalOrder);
    EXPECT_TRUE(run.saved().resume);
    run.keepOption(kBindingKey, 1);
    Settings replaced;
    ASSERT_TRUE(replaced.load(file));
    EXPECT_EQ(readViewerOptions(replaced).binding, 1);
}

TEST(LastingSettings, PrintSettingsLastAndNoFileKeepsNothing)
{
    const std::string file = freshFile();
    PrintSettings print;
    print.printerName = "office";
    print.printLayout = 2;
    print.pageSpec = "1-3,8";
    {
        LastingSettings run(file);
        run.load();
        run.keepPrintSettings(print);
    }
    LastingSettings next(file);
    next.load();
    EXPECT_EQ(next.printSettings().printerName, "office");
    EXPECT_EQ(next.printSettings().printLayout, 2);
    EXPECT_EQ(next.printSettings().pageSpec, "1-3,8");

    LastingSettings nowhere(""); // no home: nothing read, nothing written, no failure
    nowhere.load();
    nowhere.keepOption(kBindingKey, 1);
    EXPECT_EQ(nowhere.saved().binding, 0);
}
