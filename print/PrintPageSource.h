#pragma once

#include <memory>

// Where a print job gets its page pictures, so that printing needs no knowledge of the image
// cache. The program implements it over the cache (the full-size filtered picture of a page,
// given back when the PrintPage is destroyed); tests implement it over plain buffers.
// UI thread only.

// One page picture held for one sheet: BGR24, bottom-up, rows padded to 4 bytes. The pixels
// stay valid until the object is destroyed, which gives the picture back.
class PrintPage {
  public:
    virtual ~PrintPage() = default;
    virtual const unsigned char* pixels() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

class PrintPageSource {
  public:
    virtual ~PrintPageSource() = default;
    // Pages of the book.
    virtual int pageCount() const = 0;
    // The picture of page `page` (0-based), or null when it cannot be had. The printing code
    // holds at most two at a time and destroys them after each sheet.
    virtual std::unique_ptr<PrintPage> fetch(int page) = 0;
};
