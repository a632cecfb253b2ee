#include "persist/Settings.h"

#include <gtest/gtest.h>

#include "PersistTestSupport.h"
#include "persist/LineFormat.h"
#include "persist/ViewerOptions.h"
#include "persist/XdgFolders.h"

using namespace persisttest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(Settings, AMissingFileGivesTheDefaults)
{
    ScratchFolder scratch;
    Settings settings;
    CaptureStderr();
    EXPECT_FALSE(settings.load(scratch.file("settings")));
    EXPECT_NE(GetCapturedStderr().find("settings: no file"), std::string::npos);
    const ViewerOptions options = readViewerOptions(settings);
    EXPECT_TRUE(options.resume);
    EXPECT_FALSE(options.naturalOrder);
    EXPECT_EQ(options.binding, 0);
    EXPECT_EQ(options.spreadShift, 1);
    EXPECT_EQ(options.highQualityReduction, 1);
}

TEST(Settings, OptionsSurviveTheFileAndUnknownKeysAreKept)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("config/mekuri/settings");
    spit(scratch.file("seed"), "mekuri settings 1\nfutureKey=kept\\tas is\n");
    Settings settings;
    ASSERT_TRUE(settings.load(scratch.file("seed")));
    ViewerOptions options;
    options.resume = false;
    options.naturalOrder = true;
    options.binding = 1;
    options.spreadShift = 0;
    options.highQualityReduction = 0;
    writeViewerOptions(settings, options);
    ASSERT_TRUE(settings.save(file));

    Settings loaded;
    ASSERT_TRUE(loaded.load(file));
    const ViewerOptions back = readViewerOptions(loaded);
    EXPECT_FALSE(back.resume);
    EXPECT_TRUE(back.naturalOrder);
    EXPECT_EQ(back.binding, 1);
    EXPECT_EQ(back.spreadShift, 0);
    EXPECT_EQ(back.highQualityReduction, 0);
    EXPECT_EQ(loaded.getString("futureKey", ""), "kept\tas is");    // a newer program's setting
    EXPECT_NE(slurp(file).find("\nresume=0\n"), std::string::npos); // readable by a person
}

TEST(Settings, BadValuesFallBackToTheDefaultWithATrace)
{
    Settings settings;
    CaptureStderr();
    ASSERT_TRUE(settings.decode("mekuri settings 1\n"
                                "resume=yes\n"
                                "naturalOrder=1\n"
                                "binding=2\n"
                                "spreadShift=-1\n"
                                "highQualityReduction=99999999999999999999\n"
                                "no equals sign\n"
                                "bad key=1\n"
                                "=1\n"
                                "escape=\\z\n"));
    const ViewerOptions options = readViewerOptions(settings);
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(options.resume);
    EXPECT_TRUE(options.naturalOrder);
    EXPECT_EQ(options.binding, 0);
    EXPECT_EQ(options.spreadShift, 1);
    EXPECT_EQ(options.highQualityReduction, 1);
    EXPECT_NE(trace.find("settings: 4 garbled lines ignored"), std::string::npos);
    EXPECT_NE(trace.find("settings: bad value resume=yes, default used"), std::string::npos);
    EXPECT_NE(trace.find("settings: bad value binding=2"), std::string::npos);

    for (const char* number : {"1x", " 1", "", "+1", "0x1", "1.0", "--1"}) {
        settings.setString("n", number);
        CaptureStderr();
        EXPECT_EQ(settings.getInt("n", 7, -10, 10), 7) << number;
        GetCapturedStderr();
    }
    settings.setString("n", "-10");
    EXPECT_EQ(settings.getInt("n", 7, -10, 10), -10);
    settings.setString("n", "-9223372036854775808");
    EXPECT_EQ(settings.getInt("n", 7, INT64_MIN, 0), INT64_MIN);

    CaptureStderr();
    settings.setBool("white space", true);
    settings.setString("long", std::string(kMaxLineBytes, 'v'));
    EXPECT_NE(GetCapturedStderr().find("refused"), std::string::npos);
    EXPECT_FALSE(settings.has("white space"));
    EXPECT_FALSE(settings.has("long"));
    EXPECT_FALSE(settings.decode("mekuri settings 2\nresume=0\n")); // a later format: not read
    EXPECT_TRUE(settings.has("naturalOrder"));                      // and nothing changed
}

TEST(XdgFolders, AbsoluteVariablesWinOthersFallBackToHome)
{
    EnvironmentScope home("HOME", "/home/reader");
    {
        EnvironmentScope config("XDG_CONFIG_HOME", "/cfg");
        EnvironmentScope state("XDG_STATE_HOME", "/st/");
        EXPECT_EQ(configFolder(), "/cfg/mekuri");
        EXPECT_EQ(stateFolder(), "/st/mekuri");
        EXPECT_EQ(settingsFile(), "/cfg/mekuri/settings");
        EXPECT_EQ(positionsFile(), "/st/mekuri/positions");
        EXPECT_EQ(recentFile(), "/st/mekuri/recent");
    }
    for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/cfg", "./x"}) {
        EnvironmentScope config("XDG_CONFIG_HOME", ignored);
        EnvironmentScope state("XDG_STATE_HOME", ignored);
        EXPECT_EQ(configFolder(), "/home/reader/.config/mekuri");
        EXPECT_EQ(stateFolder(), "/home/reader/.local/state/mekuri");
    }
}

TEST(XdgFolders, WithoutAUsableHomeTheUserDatabaseDecides)
{
    EnvironmentScope config("XDG_CONFIG_HOME", nullptr);
    for (const char* home : {static_cast<const char*>(nullptr), "", "relative"}) {
        EnvironmentScope scope("HOME", home);
        const std::string folder = configFolder();
        // Every test machine's user has an absolute home in the user database.
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ(folder[0], '/');
        EXPECT_EQ(folder.substr(folder.size() - 15), "/.config/mekuri");
    }
}
