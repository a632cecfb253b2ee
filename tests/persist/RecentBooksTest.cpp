#include "persist/RecentBooks.h"

#include <gtest/gtest.h>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::vector<std::string> listed(const RecentBooks& recent)
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
    recent.add("/b/5.zip", RecentKind::book); // opened again: moves up, no second entry
    ASSERT_EQ(recent.entries().size(), 10u);
    EXPECT_EQ(recent.entries().front().path, "/b/5.zip");
    EXPECT_EQ(recent.entries().back().path, "/b/2.zip");

    RecentBooks kinds; // one folder as a book and in the catalog window: two entries
    kinds.add("/shelf", RecentKind::book);
    kinds.add("/shelf/", RecentKind::catalogFolder);
    kinds.add("/old.zip", RecentKind::book);
    kinds.add("/shelf//", RecentKind::book);
    kinds.rename("/old.zip", "/shelf"); // merged into the newer entry of that name
    EXPECT_EQ(listed(kinds), (std::vector<std::string>{"B /shelf", "C /shelf"}));
    EXPECT_TRUE(kinds.remove("/shelf", RecentKind::catalogFolder)); // gone when chosen
    EXPECT_FALSE(kinds.remove("/shelf", RecentKind::catalogFolder));
}

TEST(RecentBooks, LabelsShowTheFolderOnlyForSharedNames)
{
    RecentBooks recent;
    recent.add("/comics/A&B/vol1.zip", RecentKind::book);
    recent.add("/comics/C@D/vol1.zip", RecentKind::book);
    recent.add("/comics/me@home & co.zip", RecentKind::book);
    recent.add("/comics/line\nbreak\t.zip", RecentKind::book);
    recent.add("/", RecentKind::catalogFolder);
    EXPECT_EQ(recent.menuLabels(),
              (std::vector<std::string>{"/", "line?break?.zip", "me@@home && co.zip",
                                        "vol1.zip (/comics/C@@D)", "vol1.zip (/comics/A&&B)"}));
}

TEST(RecentBooks, ReadsBackItsTextAndSkipsGarbledLines)
{
    RecentBooks recent, loaded;
    recent.add("/b/tab\tand\nnewline.zip", RecentKind::book);
    recent.add("/b/漢字", RecentKind::catalogFolder);
    ASSERT_TRUE(loaded.decode(recent.encode()));
    EXPECT_EQ(listed(loaded), listed(recent));

    CaptureStderr();
    ASSERT_TRUE(loaded.decode("mekuri recent 1\nbook\t/b/1\nshelf\t/b/2\nbook\nbook\t\n"
                              "catalog\t/b/\\e\nbook\t/b/1\ncatalog\t/b/1\nbook\t/b/cut"));
    EXPECT_EQ(GetCapturedStderr(), "recent: 5 garbled lines ignored\n");
    EXPECT_EQ(listed(loaded), (std::vector<std::string>{"B /b/1", "C /b/1"}));
    EXPECT_FALSE(loaded.decode("mekuri positions 1\n"));

    std::string many = "mekuri recent 1\n"; // far more lines than the list holds
    for (int i = 0; i < 100000; ++i)
        many += "book\t/b/" + std::to_string(i % 50) + "\n";
    ASSERT_TRUE(loaded.decode(many));
    EXPECT_EQ(loaded.entries().size(), 10u);
    EXPECT_EQ(loaded.entries().back().path, "/b/9");
}
