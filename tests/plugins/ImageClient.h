#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "tests/plugins/PluginLoader.h"
#include "tools/BookMaker.h"

// The image plug-in seen through its entry points, as the program calls them.
class ImageClient {
  public:
    // A decoded picture, rows top-down, 3 bytes a pixel in red, green, blue order.
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> rgb;
        Rgb at(int x, int y) const
        {
            const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            return Rgb{p[0], p[1], p[2]};
        }
    };

    ImageClient() : loader_("mekuri_image.spi")
    {
        getPluginInfo_ = loader_.entry<GetPluginInfoFn>("GetPluginInfo");
        getPicture_ = loader_.entry<GetPictureFn>("GetPicture");
        getPictureInfo_ = loader_.entry<GetPictureInfoFn>("GetPictureInfo");
    }
    bool ready() const { return getPluginInfo_ && getPicture_ && getPictureInfo_; }
    const std::string& loadError() const { return loader_.error(); }

    std::string info(int infono) const
    {
        char buf[512];
        const int n = getPluginInfo_(infono, buf, sizeof buf);
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    }

    int size(const std::vector<unsigned char>& bytes, int* width, int* height) const
    {
        SpiPictureInfo info{};
        const int rc = getPictureInfo_(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<long>(bytes.size()), SPI_INPUT_MEMORY, &info);
        PluginBlock text(info.hInfo);
        *width = info.width;
        *height = info.height;
        return rc;
    }

    // GetPicture on the bytes; checks the handed-over header as the program reads it and
    // turns the rows into `picture`. Returns the result code (-100 for a malformed answer).
    int decode(const std::vector<unsigned char>& bytes, Picture& picture, SpiProgress cb = nullptr,
               long user = 0, unsigned flag = SPI_INPUT_MEMORY) const
    {
        void* info = nullptr;
        void* bits = nullptr;
        const int rc = getPicture_(reinterpret_cast<const char*>(bytes.data()),
                                   static_cast<long>(bytes.size()), flag, &info, &bits, cb, user);
        PluginBlock infoBlock(info), bitsBlock(bits);
        if (rc != 0)
            return (info == nullptr && bits == nullptr) ? rc : -200;
        if (info == nullptr || bits == nullptr)
            return -100;
        SpiBitmapInfoHeader header;
        std::memcpy(&header, info, sizeof header);
        if (header.biSize != 40 || header.biBitCount != 24 || header.biCompression != 0 ||
            header.biWidth <= 0 || header.biHeight <= 0 || header.biPlanes != 1)
            return -100;
        const size_t stride = (static_cast<size_t>(header.biWidth) * 3 + 3) / 4 * 4;
        if (header.biSizeImage != stride * static_cast<size_t>(header.biHeight))
            return -100;
        picture.width = header.biWidth;
        picture.height = header.biHeight;
        picture.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
        const auto* rows = static_cast<const unsigned char*>(bits);
        for (int y = 0; y < picture.height; ++y) {
            const unsigned char* row = rows + (picture.height - 1 - y) * stride; // bottom-up
            for (int x = 0; x < picture.width; ++x) {
                unsigned char* out = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
                out[0] = row[3 * x + 2];
                out[1] = row[3 * x + 1];
                out[2] = row[3 * x];
            }
        }
        return 0;
    }

    int decodeFile(const std::string& path, Picture& picture) const
    {
        return decode(readFile(path), picture);
    }

  private:
    PluginLoader loader_;
    GetPluginInfoFn getPluginInfo_ = nullptr;
    GetPictureFn getPicture_ = nullptr;
    GetPictureInfoFn getPictureInfo_ = nullptr;
};
