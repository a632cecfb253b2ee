#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pipeline/PluginRegistry.h"

// Helpers shared by the thumbnailer tests.

// The shipped plug-ins (archive and image), loaded for the scope of one test.
class ShippedPlugins {
  public:
    ShippedPlugins()
    {
        unloadPlugins();
        loadPluginsFrom(MEKURI_BIN_DIR);
    }
    ~ShippedPlugins() { unloadPlugins(); }
    ShippedPlugins(const ShippedPlugins&) = delete;
    ShippedPlugins& operator=(const ShippedPlugins&) = delete;
};

// A fresh empty folder, removed with its contents at the end of the scope.
class ScratchFolder {
  public:
    ScratchFolder()
    {
        char pattern[] = "/tmp/mekuri-thumbnailer-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~ScratchFolder()
    {
        if (!path_.empty() && std::system(("rm -rf '" + path_ + "'").c_str()) != 0)
            ADD_FAILURE() << "cannot remove " << path_;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// A PNG read back with libpng's simplified reader, as top-down RGB.
struct PngPicture {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* at(int x, int y) const
    {
        return rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
    }
};

inline PngPicture readPng(const std::string& path)
{
    PngPicture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return picture;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    picture.ok = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return picture;
}
