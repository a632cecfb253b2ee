// Inputs the ZIP book fuzz target (fuzz/zip_book_fuzz.cpp) found faults with, kept as files
// under tests/data/fuzz/zip_book/, each opened the way the program opens a book.
#include "pipeline/ImageOperatorWrapper.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PipelineTestSupport.h"

namespace {

const std::string kCases = std::string(MEKURI_TEST_DATA) + "/fuzz/zip_book/";

// Copies a kept input into a fresh folder as book.zip (the name decides that the built-in ZIP
// reader lists it).
std::string placeAsZip(const TempFolder& folder, const std::string& name)
{
    std::ifstream in(kCases + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    const std::string path = folder.file("book.zip");
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

} // namespace

// The central directory's second record cannot be read: minizip lists the first entry, then
// fails. The book used to come back not valid but still holding the first page, which a
// caller that looks at the pages before `valid` would show and try to read.
TEST(ZipBookRegressionTest, UnreadableDirectoryRecordLeavesNoPages)
{
    RegistryScope noPlugins;
    TempFolder folder;
    const std::string path = placeAsZip(folder, "unreadable_directory_record.zip");
    TraceCapture trace;
    ImageOperatorWrapper book(path);
    const std::string traced = trace.text();
    EXPECT_EQ(book.valid, 0);
    EXPECT_TRUE(book.pages.empty());
    EXPECT_NE(traced.find("with zipfile in unzGetCurrentFileInfo"), std::string::npos) << traced;
    MemoryBlock block;
    EXPECT_EQ(book.extract(0, block), 0);
    EXPECT_FALSE(block.valid());
}
