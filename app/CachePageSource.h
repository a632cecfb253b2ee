#pragma once

#include <memory>

#include "print/PrintPageSource.h"

class CacheObject;
class ViewerState;

// A page picture for printing held from the image cache: the full-size filtered picture of the
// page, with one reference given back when the object is destroyed. UI thread only.
class CachePrintPage : public PrintPage {
  public:
    // Takes over the reference the caller obtained for `object`.
    CachePrintPage(ViewerState& viewer, CacheObject* object);
    ~CachePrintPage() override;
    CachePrintPage(const CachePrintPage&) = delete;
    CachePrintPage& operator=(const CachePrintPage&) = delete;

    const unsigned char* pixels() const override { return pixels_; }
    int width() const override { return width_; }
    int height() const override { return height_; }

  private:
    ViewerState& viewer_;
    CacheObject* object_;
    const unsigned char* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// The open book's pages for a print job, fetched through the main window's cache at the
// filtered level, 100 percent, with the window's filter parameters. The viewer must outlive
// the source and every page it handed out. UI thread only.
class CachePageSource : public PrintPageSource {
  public:
    explicit CachePageSource(ViewerState& viewer) : viewer_(viewer) {}

    int pageCount() const override;
    // Null when the page is outside the book or the cache has no picture for it.
    std::unique_ptr<PrintPage> fetch(int page) override;

  private:
    ViewerState& viewer_;
};
