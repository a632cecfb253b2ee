#include "app/AboutHelp.h"

#include <FL/Enumerations.H>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

TEST(About, ShowsCacheFiguresInUnitsOf1024000Bytes)
{
    const std::string text = aboutText({{"FLTK", "1.3.8"}}, " a.spi b.spi", 5120000, 102400000);
    EXPECT_NE(text.find("\n\n5 MB cache used. (max 100 MB)\n"), std::string::npos);
    EXPECT_EQ(text.rfind("5 MB cache used."),
              text.size() - std::string("5 MB cache used. (max 100 MB)\n").size());
}

TEST(About, ListsNameLibrariesAndPluginsInOrder)
{
    const std::string text =
        aboutText({{"FLTK", "1.3.8"}, {"zlib", "1.2.13"}}, " mekuri_archive.spi", 0, 64000000);
    EXPECT_EQ(text.find("Mekuri "), 0u);
    const size_t thanks = text.find("thanks to ...\n");
    const size_t fltk = text.find("   - FLTK 1.3.8\n");
    const size_t zlib = text.find("   - zlib 1.2.13\n");
    const size_t plugins = text.find("Loaded plug-ins:\n mekuri_archive.spi");
    ASSERT_NE(thanks, std::string::npos);
    EXPECT_LT(thanks, fltk);
    EXPECT_LT(fltk, zlib);
    EXPECT_LT(zlib, plugins);
}

TEST(About, NamesTheLinkedLibrariesWithVersions)
{
    const auto libraries = linkedLibraries();
    ASSERT_GE(libraries.size(), 4u);
    for (const LibraryVersion& lib : libraries) {
        EXPECT_FALSE(lib.name.empty());
        EXPECT_FALSE(lib.version.empty()) << lib.name;
    }
    // The toolkit first, with the version this program was built against.
    EXPECT_EQ(libraries[0].name, "FLTK");
    EXPECT_EQ(libraries[0].version, std::to_string(FL_MAJOR_VERSION) + "." +
                                        std::to_string(FL_MINOR_VERSION) + "." +
                                        std::to_string(FL_PATCH_VERSION));
}

TEST(Help, PrefersChmThenHtmlNextToTheProgram)
{
    char pattern[] = "/tmp/mekuri-help-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string program = dir + "/mekuri";
    EXPECT_EQ(helpFilePath(program), "");
    std::ofstream(dir + "/mekuri.html") << "<html></html>";
    EXPECT_EQ(helpFilePath(program), dir + "/mekuri.html");
    std::ofstream(dir + "/mekuri.chm") << "x";
    EXPECT_EQ(helpFilePath(program), dir + "/mekuri.chm");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(helpFilePath("/opt/app.d/mekuri"), "");
}
