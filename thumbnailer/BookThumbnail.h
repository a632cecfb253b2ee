#pragma once

#include <memory>
#include <string>

// The thumbnail of a whole book, as file managers show it: the first page in reading order,
// the same page the catalog shows, fitted into a square. No widgets; the plug-ins must be
// loaded already. The calling thread only; books are opened and read on it.

// A BGR24 picture (see pipeline/Bgr24.h) owned by its holder.
struct BookPicture {
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char[]> pixels;
};

// Opens the book at `path` (an archive or a folder), keeps the pages a decoder can open,
// sorts them by name and decodes the first one into `picture`, fitted into side × side with
// its proportions kept. A picture already smaller than the square keeps its size. Returns an
// empty text on success, else why it failed ("no such file or folder", "not a book or cannot
// be read", "has no pictures", "the first page cannot be read/decoded").
std::string makeBookThumbnail(const std::string& path, int side, BookPicture& picture);
