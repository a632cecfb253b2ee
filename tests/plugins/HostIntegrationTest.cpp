// The shipped plug-ins as the program uses them: loaded by the registry from the program's
// folder, chosen by name, pages decoded by get_image.
#include <gtest/gtest.h>

#include "pipeline/Decoders.h"
#include "pipeline/PluginRegistry.h"
#include "tools/BookMaker.h"

namespace {

class HostWithShippedPlugins : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { loadPluginsFrom(MEKURI_BIN_DIR); }
    static void TearDownTestSuite() { unloadPlugins(); }
};

} // namespace

TEST_F(HostWithShippedPlugins, RegistryRoutesNamesToTheShippedPlugins)
{
    for (const char* name :
         {"book.lzh", "BOOK.LHA", "a.rar", "b.7z", "c.tar", "d.cbr", "e.cb7", "f.cbt", "g.cbz"})
        EXPECT_GE(whichSpi(name, "AM"), 0) << name;
    EXPECT_EQ(whichSpi("book.zip", "AM"), -1) << "ZIP stays with the built-in reader";
    for (const char* name : {"p.png", "p.GIF", "p.webp", "p.bmp", "p.tif", "p.TIFF"})
        EXPECT_GE(whichSpi(name, "IN"), 0) << name;
    EXPECT_EQ(whichSpi("p.jpg", "IN"), -1) << "JPEG stays with the built-in codec";
}

TEST_F(HostWithShippedPlugins, PagesOfEveryPluginFormatDecodeThroughGetImage)
{
    const std::string folder = std::string(MEKURI_FIXTURES) + "/books/photobook_folder/";
    for (const char* name : {"Page10.png", "page2.png", "Page3.webp", "page11.webp", "Page5.bmp",
                             "page4.gif", "page6.tif"}) {
        SCOPED_TRACE(name);
        const auto bytes = readFile(folder + name);
        ASSERT_FALSE(bytes.empty());
        int w = 0, h = 0;
        EXPECT_EQ(get_image_info(bytes.size(), name, &w, &h, bytes.data()), 0);
        EXPECT_EQ(w, 600);
        EXPECT_EQ(h, 900);
        std::unique_ptr<unsigned char[]> pixels;
        ASSERT_EQ(get_image(&w, &h, pixels, name, bytes.data(), bytes.size()), 1);
        EXPECT_EQ(w, 600);
        EXPECT_EQ(h, 900);
    }
}
