#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "print/DeviceContext.h"
#include "print/DeviceMode.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

// A print job rendered as a PDF document with cairo, whose device pixels are the printer's
// dots: each page is the sheet of a DeviceMode (turned for landscape), and device pixel (0, 0)
// is the top-left corner of its printable area at the printer's resolution. 1-bit pictures
// go in as 1-bit stencil masks (black dots over white), grey ones as 8-bit grey images and
// colour ones as RGB, each compressed by cairo. UI thread only; owns its cairo objects.
class PdfDeviceContext : public DeviceContext {
  public:
    // Receives the document's bytes as cairo produces them; false stops the document.
    using Writer = std::function<bool(const unsigned char* data, size_t length)>;

    // A context for `mode`'s sheet; nothing is written until open.
    explicit PdfDeviceContext(const DeviceMode& mode);
    ~PdfDeviceContext() override;
    PdfDeviceContext(const PdfDeviceContext&) = delete;
    PdfDeviceContext& operator=(const PdfDeviceContext&) = delete;

    // Starts the document into a file (created or truncated) or into `writer`. False, with
    // errorText set, when the sheet has no printable area or cairo refuses.
    bool open(const std::string& path);
    bool open(Writer writer);
    // Ends the document (a page still open is ended). False, with errorText set, when any
    // drawing or writing failed on the way. The context draws nothing afterwards.
    bool finish();
    const std::string& errorText() const { return error_; }

    int printableWidth() const { return width_; }
    int printableHeight() const { return height_; }

    int drawBgr24(const BlitRect& dest, const BlitRect& source, const unsigned char* pixels,
                  int width, int height) override;
    int drawGray8(const BlitRect& dest, const BlitRect& source, const unsigned char* pixels,
                  int width, int height) override;
    int drawBits1(const BlitRect& dest, const BlitRect& source, const unsigned char* bits,
                  int width, int height) override;
    bool startPage() override;
    bool endPage() override;
    int bitsPerPixel() const override { return bitsPerPixel_; }

  private:
    struct SurfaceDeleter {
        void operator()(cairo_surface_t* s) const;
    };
    struct ContextDeleter {
        void operator()(cairo_t* c) const;
    };
    // False, with errorText set, when the context is used already or has no printable area.
    bool mayOpen();
    bool start(cairo_surface_t* surface);
    bool failed(const char* what);
    // Paints `image` stretched into the device rectangle (x, y, width, height) in dots; as a
    // mask of black dots when `mask` is set. Returns the image's rows, 0 on failure.
    int paintImage(cairo_surface_t* image, double x, double y, double width, double height,
                   bool mask);

    double pageWidthPt_ = 0;
    double pageHeightPt_ = 0;
    double originXPt_ = 0;
    double originYPt_ = 0;
    double ptPerDotX_ = 0;
    double ptPerDotY_ = 0;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 24;
    bool pageOpen_ = false;
    bool finished_ = false;
    Writer writer_;
    std::string error_;
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface_;
    std::unique_ptr<cairo_t, ContextDeleter> cr_;
};
