#include "persist/Settings.h"

#include <gtest/gtest.h>

#include "PersistTestSupport.h"
#include "persist/ViewerOptions.h"
#include "persist/XdgFolders.h"

using namespace persisttest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(Settings, DefaultsWithoutAFileAndEveryOptionSurvivesIt)
{
    ScratchFolder scratch;
    const std::string file = scratch.file("config/mekuri/settings");
    Settings settings;
    EXPECT_FALSE(settings.load(file));
    ViewerOptions options = readViewerOptions(settings);
    EXPECT_TRUE(options.resume && !options.naturalOrder);
    EXPECT_EQ(options.binding * 100 + options.spreadShift * 10 + options.highQualityReduction, 11);

    ASSERT_TRUE(settings.decode("mekuri settings 1\nfutureKey=kept\\tas is\n"));
    options = {false, true, 1, 0, 0};
    writeViewerOptions(settings, options);
    ASSERT_TRUE(settings.save(file));
    Settings loaded;
    ASSERT_TRUE(loaded.load(file));
    options = readViewerOptions(loaded);
    EXPECT_TRUE(!options.resume && options.naturalOrder);
    EXPECT_EQ(options.binding * 100 + options.spreadShift * 10 + options.highQualityReduction, 100);
    EXPECT_EQ(loaded.getString("futureKey", ""), "kept\tas is"); // a newer program's key stays
}

TEST(Settings, BadValuesAndLinesFallBackToTheDefaultsWithATrace)
{
    Settings settings;
    CaptureStderr();
    ASSERT_TRUE(settings.decode("mekuri settings 1\nresume=yes\nnaturalOrder=1\nbinding=2\n"
                                "spreadShift=-1\nhighQualityReduction=99999999999999999999\n"
                                "no equals sign\nbad key=1\n=1\nescape=\\z\n"));
    const ViewerOptions options = readViewerOptions(settings);
    const std::string trace = GetCapturedStderr();
    EXPECT_TRUE(options.resume && options.naturalOrder);
    EXPECT_EQ(options.binding * 100 + options.spreadShift * 10 + options.highQualityReduction, 11);
    EXPECT_NE(trace.find("settings: 4 garbled lines ignored"), std::string::npos);
    EXPECT_NE(trace.find("settings: bad value resume=yes, default used"), std::string::npos);
    for (const char* number : {"1x", " 1", "", "+1", "0x1", "--1"}) {
        settings.setString("n", number);
        EXPECT_EQ(settings.getInt("n", 7, -10, 10), 7) << number;
    }
    settings.setString("n", "-9223372036854775808");
    EXPECT_EQ(settings.getInt("n", 7, INT64_MIN, 0), INT64_MIN);
    settings.setBool("white space", true); // refused keys
    settings.setString("long", std::string(20000, 'v'));
    EXPECT_FALSE(settings.has("white space") || settings.has("long"));
    EXPECT_FALSE(settings.decode("mekuri settings 2\nresume=0\n")); // a later format: not read
    EXPECT_TRUE(settings.has("naturalOrder"));
}

TEST(XdgFolders, AbsoluteVariablesWinOthersFallBackToHome)
{
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", "/home/reader", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("XDG_STATE_HOME", "/st/", 1);
    EXPECT_EQ(settingsFile(), "/cfg/mekuri/settings");
    EXPECT_EQ(positionsFile(), "/st/mekuri/positions");
    EXPECT_EQ(recentFile(), "/st/mekuri/recent");
    for (const char* ignored : {"", "relative/cfg"}) {
        setenv("XDG_CONFIG_HOME", ignored, 1);
        setenv("XDG_STATE_HOME", ignored, 1);
        EXPECT_EQ(configFolder(), "/home/reader/.config/mekuri");
        EXPECT_EQ(stateFolder(), "/home/reader/.local/state/mekuri");
    }
    unsetenv("XDG_STATE_HOME");
    setenv("HOME", "relative", 1); // then the user database gives the home
    const std::string state = stateFolder();
    EXPECT_TRUE(state[0] == '/' && state.find("/.local/state/mekuri") != std::string::npos);
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", oldHome.c_str(), 1);
}
