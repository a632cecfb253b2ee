#pragma once

// Reading PDF files back in tests with poppler's command-line tools (pdfinfo, pdfimages,
// pdftoppm), which read the printer's PJL-wrapped output too.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A fresh folder under /tmp, removed with everything in it when the holder goes.
class ScopedTempFolder {
  public:
    ScopedTempFolder()
    {
        char pattern[] = "/tmp/mekuri-print-XXXXXX";
        const char* dir = mkdtemp(pattern);
        path_ = dir ? dir : "";
    }
    ~ScopedTempFolder()
    {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Standard output of a shell command; empty when it cannot run.
inline std::string commandOutput(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

inline bool toolAvailable(const char* tool)
{
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The "Pages:" count pdfinfo reports, -1 when it reports none.
inline int pdfPageCount(const std::string& path)
{
    std::istringstream lines(commandOutput("pdfinfo '" + path + "' 2>/dev/null"));
    std::string line;
    while (std::getline(lines, line))
        if (line.compare(0, 6, "Pages:") == 0)
            return std::atoi(line.c_str() + 6);
    return -1;
}

// The "Page size:" text of pdfinfo for page `page`, such as "595.276 x 841.89 pts (A4)".
inline std::string pdfPageSize(const std::string& path, int page)
{
    const std::string p = std::to_string(page);
    std::istringstream lines(
        commandOutput("pdfinfo -f " + p + " -l " + p + " '" + path + "' 2>/dev/null"));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t at = line.find("size:");
        if (line.compare(0, 4, "Page") == 0 && at != std::string::npos) {
            const size_t start = line.find_first_not_of(' ', at + 5);
            return line.substr(start);
        }
    }
    return std::string();
}

// One row of `pdfimages -list`.
struct PdfImage {
    int page = 0;
    std::string type; // "image", "stencil", "smask", …
    int width = 0;
    int height = 0;
    std::string color; // "gray", "rgb", "-"
    int components = 0;
    int bitsPerComponent = 0;
};

inline std::vector<PdfImage> pdfImages(const std::string& path)
{
    std::vector<PdfImage> images;
    std::istringstream lines(commandOutput("pdfimages -list '" + path + "' 2>/dev/null"));
    std::string line;
    int skip = 2; // header and rule
    while (std::getline(lines, line)) {
        if (skip > 0) {
            --skip;
            continue;
        }
        std::istringstream fields(line);
        PdfImage image;
        int num = 0;
        if (fields >> image.page >> num >> image.type >> image.width >> image.height >>
            image.color >> image.components >> image.bitsPerComponent)
            images.push_back(image);
    }
    return images;
}

// A page rasterised in grey at `dpi` (pdftoppm), as rows of bytes top-down; empty on failure.
struct GrayRaster {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
    int at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline GrayRaster rasterise(const std::string& pdf, int page, int dpi, const std::string& stem)
{
    GrayRaster raster;
    const std::string p = std::to_string(page);
    const std::string command = "pdftoppm -gray -r " + std::to_string(dpi) + " -f " + p + " -l " +
                                p + " -singlefile '" + pdf + "' '" + stem + "'";
    if (std::system(command.c_str()) != 0)
        return raster;
    std::ifstream in(stem + ".pgm", std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> raster.width >> raster.height >> maxValue;
    in.get();
    if (magic != "P5" || maxValue != 255 || raster.width <= 0 || raster.height <= 0)
        return GrayRaster();
    raster.pixels.resize(static_cast<size_t>(raster.width) * raster.height);
    in.read(reinterpret_cast<char*>(raster.pixels.data()),
            static_cast<std::streamsize>(raster.pixels.size()));
    return raster;
}
