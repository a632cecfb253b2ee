// libFuzzer target: a ZIP book on arbitrary bytes. The input is written to a file named
// *.zip, listed by ImageOperatorWrapper, and every listed entry is extracted; then the pages are
// filtered and sorted as the opener does and the kept pages extracted again. Besides the
// sanitizers' checks it asserts what callers rely on: a block of exactly the listed size on
// success, nothing on failure, and no page lost or made up by filtering and sorting.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "pipeline/ImageOperatorWrapper.h"

namespace {

// A page table of a hostile archive can list tens of thousands of entries, each extraction
// opening the archive again; the first ones are enough to exercise the reader.
constexpr int kMaxExtracted = 64;

void extractChecked(ImageOperatorWrapper& book, int page)
{
    MemoryBlock block;
    if (book.extract(page, block) == 1) {
        if (!block.valid() && book.pages[static_cast<size_t>(page)].size != 0)
            std::abort();
        if (block.size() != book.pages[static_cast<size_t>(page)].size)
            std::abort();
    } else if (block.valid()) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::writeInput("book.zip", data, size);
    ImageOperatorWrapper book(path);
    if (!book.valid) {
        if (!book.pages.empty())
            std::abort();
        return 0;
    }
    const int listed = static_cast<int>(book.pages.size());
    for (int i = 0; i < listed && i < kMaxExtracted; ++i)
        extractChecked(book, i);
    // Out-of-range pages fail cleanly.
    extractChecked(book, -1);
    extractChecked(book, listed);

    std::vector<PageEntry> before = book.pages;
    filterPages(book.pages);
    sortPages(book.pages);
    if (book.pages.size() > before.size())
        std::abort();
    for (const PageEntry& page : book.pages) {
        bool found = false;
        for (const PageEntry& old : before)
            found = found || (old.name == page.name && old.position == page.position &&
                              old.size == page.size);
        if (!found)
            std::abort();
    }
    const int kept = static_cast<int>(book.pages.size());
    for (int i = 0; i < kept && i < kMaxExtracted; ++i)
        extractChecked(book, i);
    book.close();
    return 0;
}
