#include "persist/RecentBooks.h"

#include <gtest/gtest.h>

#include "PersistTestSupport.h"

using namespace persisttest;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::vector<std::string> pathsOf(const RecentBooks& recent)
{
    std::vector<std::string> paths;
    for (const RecentEntry& e : recent.entries())
        paths.push_back((e.kind == RecentKind::book ? "B " : "C ") + e.path);
    return paths;
}

} // namespace

TEST(RecentBooks, MostRecentFirstWithoutRepeatsAndAtMostTen)
{
    RecentBooks recent;
    for (int i = 0; i < 12; ++i)
        recent.add("/b/" + std::to_string(i) + ".zip", RecentKind::book);
    ASSERT_EQ(recent.entries().size(), 10u);
    EXPECT_EQ(recent.entries().front().path, "/b/11.zip");
    EXPECT_EQ(recent.entries().back().path, "/b/2.zip");
    recent.add("/b/5.zip", RecentKind::book); // opened again: moves up, no second entry
    EXPECT_EQ(recent.entries().size(), 10u);
    EXPECT_EQ(recent.entries().front().path, "/b/5.zip");
    EXPECT_EQ(recent.entries().back().path, "/b/2.zip");

    RecentBooks kinds;
    kinds.add("/shelf", RecentKind::book);
    kinds.add("/shelf/", RecentKind::catalogFolder); // the same folder, in the catalog window
    kinds.add("/shelf//", RecentKind::book);
    EXPECT_EQ(pathsOf(kinds), (std::vector<std::string>{"B /shelf", "C /shelf"}));
    EXPECT_TRUE(kinds.remove("/shelf", RecentKind::catalogFolder)); // gone when chosen
    EXPECT_FALSE(kinds.remove("/shelf", RecentKind::catalogFolder));
    EXPECT_EQ(pathsOf(kinds), (std::vector<std::string>{"B /shelf"}));
}

TEST(RecentBooks, ARenameFollowsTheBookAndMergesWithTheNewName)
{
    RecentBooks recent;
    recent.add("/b/new.zip", RecentKind::book);
    recent.add("/b/x", RecentKind::catalogFolder);
    recent.add("/b/old.zip", RecentKind::book);
    recent.rename("/b/old.zip", "/b/new.zip");
    EXPECT_EQ(pathsOf(recent), (std::vector<std::string>{"B /b/new.zip", "C /b/x"}));
    recent.rename("/b/x", "/b/y/");
    EXPECT_EQ(pathsOf(recent), (std::vector<std::string>{"B /b/new.zip", "C /b/y"}));
}

TEST(RecentBooks, LabelsShowTheFolderOnlyForSharedNamesAndAreSafeForMenus)
{
    RecentBooks recent;
    recent.add("/comics/A&B/vol1.zip", RecentKind::book);
    recent.add("/comics/C@D/vol1.zip", RecentKind::book);
    recent.add("/comics/me@home & co.zip", RecentKind::book);
    recent.add("/comics/shelf", RecentKind::catalogFolder);
    recent.add("/comics/line\nbreak\t.zip", RecentKind::book);
    recent.add("/", RecentKind::catalogFolder);
    EXPECT_EQ(recent.menuLabels(),
              (std::vector<std::string>{"/", "line?break?.zip", "shelf", "me@@home && co.zip",
                                        "vol1.zip (/comics/C@@D)", "vol1.zip (/comics/A&&B)"}));
    EXPECT_EQ(menuItemLabel("@->&x/y\\z_"), "@@->&&x/y\\z_");
}

TEST(RecentBooks, SurvivesTheFileAndIgnoresGarbledLines)
{
    ScratchFolder scratch;
    RecentBooks recent;
    recent.add("/b/tab\tand\nnewline.zip", RecentKind::book);
    recent.add("/b/漢字", RecentKind::catalogFolder);
    ASSERT_TRUE(recent.save(scratch.file("recent")));
    RecentBooks loaded;
    ASSERT_TRUE(loaded.load(scratch.file("recent")));
    EXPECT_EQ(pathsOf(loaded), pathsOf(recent));

    CaptureStderr();
    ASSERT_TRUE(loaded.decode("mekuri recent 1\n"
                              "book\t/b/one.zip\n"
                              "shelf\t/b/unknown-kind\n"
                              "book\n"
                              "book\t\n"
                              "catalog\t/b/bad\\escape\n"
                              "book\t/b/one.zip\n"
                              "catalog\t/b/one.zip\n"
                              "book\t/b/cut"));
    EXPECT_EQ(GetCapturedStderr(), "recent: 5 garbled lines ignored\n");
    EXPECT_EQ(pathsOf(loaded), (std::vector<std::string>{"B /b/one.zip", "C /b/one.zip"}));

    // Far more lines than the list holds: the ten most recent are kept.
    std::string many = "mekuri recent 1\n";
    for (int i = 0; i < 100000; ++i)
        many += "book\t/b/" + std::to_string(i % 50) + "\n";
    ASSERT_TRUE(loaded.decode(many));
    EXPECT_EQ(loaded.entries().size(), 10u);
    EXPECT_EQ(loaded.entries().back().path, "/b/9");

    spit(scratch.file("foreign"), "mekuri positions 1\n");
    CaptureStderr();
    EXPECT_FALSE(loaded.load(scratch.file("foreign")));
    EXPECT_NE(GetCapturedStderr().find("is not a recent list"), std::string::npos);
    EXPECT_TRUE(loaded.entries().empty());
}
