#pragma once

#include <string>

// Files made to hurt a book viewer, written into `folder` (which must exist):
//   zip_claims_4gib.zip        a ZIP whose one entry says it holds 4 GiB
//   jpeg_60000.jpg             a JPEG whose header declares 60000 × 60000 pixels
//   png_bomb.png               a PNG declaring 40000 × 40000, with little compressed data
//   ten_thousand_entries.zip   10,000 tiny JPEG pages
//   "\xff\xfe-not-utf8.zip"    a good ZIP whose file name is not valid UTF-8
//   odd_pages/                 a folder book with a FIFO, a dangling link, a locked file, a
//                              subfolder named like a picture, and a good page
//   negative_catalog/          a folder with a ZIP and a catalog file with a negative count
void makeHostileFiles(const std::string& folder);
