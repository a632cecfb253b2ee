#pragma once

// Test doubles for the printing code: a device context that records every call with a copy
// of the pixels it was given, and a page source over plain BGR24 buffers.

#include <memory>
#include <string>
#include <vector>

#include "print/DeviceContext.h"
#include "print/PrintPageSource.h"

struct RecordedDraw {
    std::string kind; // "bgr24", "gray8", "bits1", "start", "end"
    BlitRect dest;
    BlitRect source;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bytes; // the whole picture as passed
};

class RecordingDevice : public DeviceContext {
  public:
    int drawBgr24(const BlitRect& dest, const BlitRect& source, const unsigned char* pixels,
                  int width, int height) override
    {
        return record("bgr24", dest, source, pixels, ((width * 3 + 3) & ~3) * height, width,
                      height);
    }
    int drawGray8(const BlitRect& dest, const BlitRect& source, const unsigned char* pixels,
                  int width, int height) override
    {
        return record("gray8", dest, source, pixels, ((width + 3) & ~3) * height, width, height);
    }
    int drawBits1(const BlitRect& dest, const BlitRect& source, const unsigned char* bits,
                  int width, int height) override
    {
        return record("bits1", dest, source, bits, (width + 31) / 32 * 4 * height, width, height);
    }
    bool startPage() override
    {
        calls.push_back(RecordedDraw{"start", {}, {}, 0, 0, {}});
        return true;
    }
    bool endPage() override
    {
        calls.push_back(RecordedDraw{"end", {}, {}, 0, 0, {}});
        return true;
    }

    std::vector<RecordedDraw> calls;

  private:
    int record(const char* kind, const BlitRect& dest, const BlitRect& source,
               const unsigned char* pixels, int bytes, int width, int height)
    {
        RecordedDraw d{kind, dest, source, width, height, {}};
        d.bytes.assign(pixels, pixels + bytes);
        calls.push_back(d);
        return source.height;
    }
};

// A BGR24 picture (bottom-up, rows padded to 4 bytes) of one colour.
inline std::vector<unsigned char> solidPicture(int w, int h, unsigned char b, unsigned char g,
                                               unsigned char r)
{
    const int stride = (w * 3 + 3) & ~3;
    std::vector<unsigned char> bytes(stride * h, 0);
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            bytes[row * stride + x * 3] = b;
            bytes[row * stride + x * 3 + 1] = g;
            bytes[row * stride + x * 3 + 2] = r;
        }
    return bytes;
}

// Pages of given sizes and colours; counts how many pictures are held at once.
class FakePageSource : public PrintPageSource {
  public:
    struct Page {
        int width;
        int height;
        bool colour;
        bool missing; // fetch fails
    };

    explicit FakePageSource(std::vector<Page> pages) : pages_(std::move(pages)) {}

    int pageCount() const override { return static_cast<int>(pages_.size()); }
    std::unique_ptr<PrintPage> fetch(int page) override
    {
        fetched.push_back(page);
        const Page& p = pages_.at(page);
        if (p.missing)
            return nullptr;
        return std::make_unique<Held>(*this, p);
    }

    std::vector<int> fetched;
    int held = 0;
    int mostHeld = 0;

  private:
    class Held : public PrintPage {
      public:
        Held(FakePageSource& owner, const Page& p)
            : owner_(owner), w_(p.width), h_(p.height),
              bytes_(solidPicture(p.width, p.height, 90, p.colour ? 40 : 90, 90))
        {
            if (++owner_.held > owner_.mostHeld)
                owner_.mostHeld = owner_.held;
        }
        ~Held() override { --owner_.held; }
        const unsigned char* pixels() const override { return bytes_.data(); }
        int width() const override { return w_; }
        int height() const override { return h_; }

      private:
        FakePageSource& owner_;
        int w_, h_;
        std::vector<unsigned char> bytes_;
    };

    std::vector<Page> pages_;
};
