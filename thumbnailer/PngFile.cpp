#include "PngFile.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "pipeline/Bgr24.h"
#include "platform/FileOps.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

// Owns libpng's write and info structures.
class PngWriter {
  public:
    PngWriter()
    {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
        if (png_ != nullptr)
            info_ = png_create_info_struct(png_);
    }
    ~PngWriter() { png_destroy_write_struct(&png_, info_ != nullptr ? &info_ : nullptr); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    bool ready() const { return png_ != nullptr && info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    const char* message() const { return message_; }

  private:
    static void onError(png_structp png, png_const_charp text)
    {
        auto* self = static_cast<PngWriter*>(png_get_error_ptr(png));
        std::snprintf(self->message_, sizeof self->message_, "%s", text);
        png_longjmp(png, 1);
    }
    static void onWarning(png_structp, png_const_charp) {}

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    char message_[200] = "";
};

// The libpng calls, apart so that nothing with a destructor lives across its longjmp.
bool encode(PngWriter& writer, FILE* file, int width, int height, png_bytep* rows)
{
    png_structp png = writer.png();
    png_infop info = writer.info();
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png); // the picture's bytes are blue, green, red
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

std::string writePng(const std::string& path, int width, int height, const unsigned char* pixels)
{
    if (pixels == nullptr || !pictureSizeAllowed(width, height))
        return "no picture to write";
    // PNG rows run top-down: the last row in memory comes first.
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[static_cast<size_t>(y)] =
            const_cast<png_bytep>(pixels + rowStride(width) * static_cast<size_t>(height - 1 - y));

    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return "cannot create a file beside " + path + ": " + errorText(errno);
    FileHandle file(fdopen(fd, "wb"));
    if (!file) {
        close(fd);
        unlink(temporary.c_str());
        return "cannot write " + temporary;
    }
    PngWriter writer;
    std::string problem;
    if (!writer.ready())
        problem = "libpng cannot start";
    else if (!encode(writer, file.get(), width, height, rows.data()))
        problem = std::string("libpng: ") + writer.message();
    else if (std::fflush(file.get()) != 0)
        problem = "cannot write " + temporary + ": " + errorText(errno);
    if (std::fclose(file.release()) != 0 && problem.empty())
        problem = "cannot write " + temporary + ": " + errorText(errno);
    if (problem.empty() && std::rename(temporary.c_str(), path.c_str()) != 0)
        problem = "cannot rename " + temporary + " to " + path + ": " + errorText(errno);
    if (!problem.empty())
        unlink(temporary.c_str());
    return problem;
}
