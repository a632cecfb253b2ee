#include "pipeline/PluginRegistry.h"

#include <gtest/gtest.h>

#include <string>

#include "PipelineTestSupport.h"

namespace {

std::string pluginName(int index)
{
    const SpiPlugin* plugin = pluginAt(index);
    return plugin != nullptr ? plugin->fileName : std::string("(none)");
}

// Loads the registry folder and returns what loading traced.
std::string loadRegistryFolder()
{
    TraceCapture trace;
    loadPluginsFrom(fakePluginFolder("registry"));
    return trace.text();
}

} // namespace

TEST(PluginRegistry, LoadsInCaseInsensitiveNumericOrder)
{
    RegistryScope scope;
    const std::string trace = loadRegistryFolder();
    // Byte order would put img10 before img2 and Zeta/UPPER before the lower-case names.
    const char* expected[] = {"alpha.spi",  "arc.spi",    "broken.spi", "img2.spi", "img10.spi",
                              "lhasad.spi", "noinfo.spi", "UPPER.SPI",  "Zeta.spi"};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(pluginName(i), expected[i]) << "index " << i;
    EXPECT_EQ(pluginAt(9), nullptr);
    EXPECT_EQ(pluginAt(-1), nullptr);
    EXPECT_NE(trace.find("img2.spi 00IN\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("arc.spi 00AM\n"), std::string::npos) << trace;
    EXPECT_NE(
        trace.find("Loading plugin " + fakePluginFolder("registry") + "/broken.spi is failed\n"),
        std::string::npos)
        << trace;
    EXPECT_EQ(trace.find("readme.txt"), std::string::npos);
}

TEST(PluginRegistry, ReadsVersionPatternsAndEntryPoints)
{
    RegistryScope scope("registry");
    const SpiPlugin* arc = pluginAt(1);
    ASSERT_NE(arc, nullptr);
    EXPECT_STREQ(arc->apiVersion, "00AM");
    // Texts 2 and 4, each split at ";".
    EXPECT_EQ(arc->patterns, (std::vector<std::string>{"*.arc", "*.zip", "*.pic"}));
    EXPECT_NE(arc->GetArchiveInfo, nullptr);
    EXPECT_NE(arc->GetFile, nullptr);
    // Blanks around a pattern are dropped, and so is the empty piece after a final ";".
    const SpiPlugin* upper = pluginAt(7);
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(upper->patterns, (std::vector<std::string>{"*.UP", "*.ＦＷ"}));
    const SpiPlugin* broken = pluginAt(2);
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(broken->module, nullptr);
    EXPECT_TRUE(broken->patterns.empty());
    const SpiPlugin* noinfo = pluginAt(6);
    ASSERT_NE(noinfo, nullptr);
    EXPECT_NE(noinfo->module, nullptr);
    EXPECT_EQ(noinfo->GetPluginInfo, nullptr);
    EXPECT_STREQ(noinfo->apiVersion, "");
}

TEST(PluginRegistry, FirstPluginInListingOrderWins)
{
    RegistryScope scope("registry");
    EXPECT_EQ(pluginName(whichSpi("page.pic", "IN")), "img2.spi");
    EXPECT_EQ(pluginName(whichSpi("page.zz", "IN")), "alpha.spi");
    EXPECT_EQ(pluginName(whichSpi("page.tag10", "IN")), "img10.spi");
}

TEST(PluginRegistry, MatchesOnlyPluginsOfTheAskedType)
{
    RegistryScope scope("registry");
    // arc.spi claims *.pic too, but it is an archive plug-in.
    EXPECT_EQ(pluginName(whichSpi("page.pic", "AM")), "arc.spi");
    EXPECT_EQ(whichSpi("book.arc", "IN"), -1);
    EXPECT_EQ(pluginName(whichSpi("book.arc", "AM")), "arc.spi");
    EXPECT_EQ(pluginName(whichSpi("book.zip", "AM")), "arc.spi");
    EXPECT_EQ(whichSpi("page.pic", "XX"), -1);
    EXPECT_EQ(whichSpi("page.pic", ""), -1);
    EXPECT_EQ(whichSpi("page.pic", nullptr), -1);
}

TEST(PluginRegistry, MatchesTheWholeNameWithoutCase)
{
    RegistryScope scope("registry");
    EXPECT_EQ(pluginName(whichSpi("/home/user/books/Vol 1.LZH", "AM")), "lhasad.spi");
    EXPECT_EQ(pluginName(whichSpi("inner/dir/PAGE.Pic", "IN")), "img2.spi");
    EXPECT_EQ(pluginName(whichSpi("x.up", "IN")), "UPPER.SPI");
    // Full-width letters fold too, in the name and in the pattern.
    EXPECT_EQ(pluginName(whichSpi("x.ｆｗ", "IN")), "UPPER.SPI");
    EXPECT_EQ(pluginName(whichSpi("x.ＦＷ", "IN")), "UPPER.SPI");
    EXPECT_EQ(whichSpi("x.pic.txt", "IN"), -1);
    EXPECT_EQ(whichSpi("", "IN"), -1);
}

TEST(PluginRegistry, PluginsThatDidNotLoadOrGaveNoInfoNeverMatch)
{
    RegistryScope scope("registry");
    EXPECT_EQ(whichSpi("a.none", "IN"), -1);
    EXPECT_EQ(whichSpi("broken.spi", "IN"), -1);
}

TEST(PluginRegistry, ListTextGroupsLoadedPluginsByFour)
{
    RegistryScope scope("registry");
    EXPECT_EQ(pluginListText(), " alpha.spi arc.spi img2.spi img10.spi\n"
                                " lhasad.spi noinfo.spi UPPER.SPI Zeta.spi");
    unloadPlugins();
    EXPECT_EQ(pluginListText(), "");
}

TEST(PluginRegistry, UnloadEmptiesTheRegistryAndTraces)
{
    RegistryScope scope("registry");
    TraceCapture trace;
    unloadPlugins();
    const std::string text = trace.text();
    EXPECT_NE(text.find("img2.spi destructed\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("broken.spi destructed"), std::string::npos) << text;
    EXPECT_NE(text.find("Explicit elease mutex success"), std::string::npos) << text;
    EXPECT_EQ(pluginAt(0), nullptr);
    EXPECT_EQ(whichSpi("page.pic", "IN"), -1);
}

TEST(PluginRegistry, FoldersLoadOneAfterAnotherAndAppend)
{
    RegistryScope scope("jpegclaim");
    EXPECT_EQ(pluginName(whichSpi("a.jpg", "IN")), "jpg.spi");
    loadPluginsFrom(fakePluginFolder("registry") + "/"); // a trailing "/" is fine
    EXPECT_EQ(pluginName(0), "jpg.spi");
    EXPECT_EQ(pluginName(1), "alpha.spi");
    EXPECT_EQ(pluginName(whichSpi("a.pic", "IN")), "img2.spi");
    // Reloading the same folder after a reset gives the same order again.
    unloadPlugins();
    loadPluginsFrom(fakePluginFolder("registry"));
    EXPECT_EQ(pluginName(0), "alpha.spi");
}

TEST(PluginRegistry, MissingFolderLoadsNothing)
{
    RegistryScope scope;
    TraceCapture trace;
    loadPluginsFrom("/nonexistent/mekuri/plugins");
    EXPECT_NE(trace.text().find("Cannot list plug-in folder"), std::string::npos);
    EXPECT_EQ(pluginAt(0), nullptr);
}

TEST(PluginRegistry, AdoptedBlocksKnowTheirAllocatedSize)
{
    void* bytes = std::malloc(100);
    const MemoryBlock block = adoptPluginBlock(bytes);
    EXPECT_EQ(block.data(), bytes);
    EXPECT_GE(block.size(), 100u);
    EXPECT_FALSE(adoptPluginBlock(nullptr).valid());
}
