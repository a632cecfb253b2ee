#include "BookThumbnail.h"

#include <utility>

#include "pipeline/Decoders.h"
#include "pipeline/ImageOperatorWrapper.h"
#include "platform/FileOps.h"
#include "platform/MemoryBlock.h"

std::string makeBookThumbnail(const std::string& path, int side, BookPicture& picture)
{
    // Only files and folders: a FIFO or a device named like an archive would block the read.
    if (!isDirectory(path)) {
        if (!pathExists(path))
            return "no such file or folder";
        if (!isRegularFile(path))
            return "not a regular file or a folder";
    }
    ImageOperatorWrapper book(path);
    if (!book.valid)
        return "not a book, or it cannot be read";
    filterPages(book.pages);
    sortPages(book.pages);
    if (book.pages.empty())
        return "has no pictures";
    MemoryBlock block;
    if (!book.extract(0, block))
        return "the first page (" + book.pages[0].name + ") cannot be read";
    BookPicture made;
    if (!get_thumbnail_fitted(side, false, block.data(), block.size(), book.pages[0].name,
                              &made.width, &made.height, made.pixels))
        return "the first page (" + book.pages[0].name + ") cannot be decoded";
    picture = std::move(made);
    return std::string();
}
