#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pipeline/PluginRegistry.h"
#include "plugins/SpiAbi.h"

// Helpers shared by the pipeline tests.

// Folders of fake plug-ins built for the tests.
inline std::string fakePluginFolder(const std::string& set)
{
    return std::string(MEKURI_FAKE_SPI) + "/" + set;
}

// The registry is process-wide: each test that needs plug-ins starts from an empty registry,
// loads one folder, and empties the registry again when it ends, so tests never see each
// other's plug-ins.
class RegistryScope {
  public:
    explicit RegistryScope(const std::string& set = std::string())
    {
        unloadPlugins();
        if (!set.empty())
            loadPluginsFrom(fakePluginFolder(set));
    }
    ~RegistryScope() { unloadPlugins(); }
    RegistryScope(const RegistryScope&) = delete;
    RegistryScope& operator=(const RegistryScope&) = delete;
};

// Collects what the code under test traces (trace lines go to standard error).
class TraceCapture {
  public:
    TraceCapture() { testing::internal::CaptureStderr(); }
    ~TraceCapture()
    {
        if (!taken_)
            testing::internal::GetCapturedStderr();
    }
    std::string text()
    {
        taken_ = true;
        return testing::internal::GetCapturedStderr();
    }

  private:
    bool taken_ = false;
};

// A fresh empty folder under the system's temporary folder, removed with its contents at the
// end of the scope.
class TempFolder {
  public:
    TempFolder()
    {
        char pattern[] = "/tmp/mekuri-pipeline-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~TempFolder()
    {
        if (!path_.empty()) {
            const std::string command = "rm -rf '" + path_ + "'";
            if (std::system(command.c_str()) != 0)
                ADD_FAILURE() << "cannot remove " << path_;
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// A bitmap information block: the 40-byte header (biSize may be set larger, the rest of the
// header is then zero) followed by `extra` 32-bit words (colour table or bit masks).
inline std::vector<unsigned char> bitmapInfo(int width, int height, int bitCount,
                                             uint32_t compression,
                                             const std::vector<uint32_t>& extra = {},
                                             uint32_t headerSize = 40, uint32_t colorsUsed = 0)
{
    SpiBitmapInfoHeader header;
    std::memset(&header, 0, sizeof header);
    header.biSize = headerSize;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<uint16_t>(bitCount);
    header.biCompression = compression;
    header.biClrUsed = colorsUsed;
    std::vector<unsigned char> bytes(std::max<size_t>(headerSize, sizeof header), 0);
    std::memcpy(bytes.data(), &header, sizeof header);
    for (uint32_t word : extra) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&word);
        bytes.insert(bytes.end(), p, p + 4);
    }
    return bytes;
}

// The input that makes a fake image plug-in hand back exactly these blocks and this result.
inline std::vector<unsigned char> pictureRecipe(int32_t result,
                                                const std::vector<unsigned char>& info,
                                                const std::vector<unsigned char>& bits)
{
    std::vector<unsigned char> bytes = {'F', 'A', 'K', 'E', 'P', 'I', 'C', 0};
    auto put32 = [&bytes](uint32_t value) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&value);
        bytes.insert(bytes.end(), p, p + 4);
    };
    put32(static_cast<uint32_t>(result));
    put32(static_cast<uint32_t>(info.size()));
    bytes.insert(bytes.end(), info.begin(), info.end());
    put32(static_cast<uint32_t>(bits.size()));
    bytes.insert(bytes.end(), bits.begin(), bits.end());
    return bytes;
}

// The pixel at column x, row y counted from the bottom, of a BGR24 picture.
inline const unsigned char* bgrAt(const unsigned char* pixels, int width, int x, int y)
{
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    return pixels + stride * static_cast<size_t>(y) + static_cast<size_t>(x) * 3;
}
