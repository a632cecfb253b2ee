#pragma once

// Helpers shared by the fuzz targets: the input written to a file of a chosen name (the book
// sources and the archive plug-in read files, not memory), and a copy of a byte range in a
// block of exactly its size (so AddressSanitizer sees a read past the end of the input).

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace fuzz {

// A folder of this process's own under the temporary folder, made once and removed at exit.
inline const std::string& scratchFolder()
{
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/mekuri-fuzz-XXXXXX";
        if (mkdtemp(&pattern[0]) == nullptr)
            std::abort();
        static std::string toRemove = pattern;
        std::atexit([] {
            // The targets write plain files only, never subfolders.
            if (DIR* dir = opendir(toRemove.c_str())) {
                while (dirent* entry = readdir(dir)) {
                    if (std::strcmp(entry->d_name, ".") != 0 &&
                        std::strcmp(entry->d_name, "..") != 0)
                        unlink((toRemove + "/" + entry->d_name).c_str());
                }
                closedir(dir);
            }
            rmdir(toRemove.c_str());
        });
        return pattern;
    }();
    return folder;
}

// Writes `size` bytes to scratchFolder()/name, replacing the file (a new inode every time,
// since the old one is unlinked first), and returns its path.
inline std::string writeInput(const std::string& name, const uint8_t* data, size_t size)
{
    const std::string path = scratchFolder() + "/" + name;
    unlink(path.c_str());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    return path;
}

struct FreeBytes {
    void operator()(unsigned char* p) const { std::free(p); }
};
using Bytes = std::unique_ptr<unsigned char, FreeBytes>;

// A malloc'ed copy of `size` bytes (at least one byte is allocated, so an empty range still
// has an address ASan guards).
inline Bytes exactCopy(const uint8_t* data, size_t size)
{
    Bytes copy(static_cast<unsigned char*>(std::malloc(size > 0 ? size : 1)));
    if (!copy)
        std::abort();
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    return copy;
}

// Reads the input front to back: small numbers first, whatever is left as a tail.
class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    uint32_t u32() { return static_cast<uint32_t>(u16() | static_cast<uint32_t>(u16()) << 16); }
    const uint8_t* rest() const { return data_ + pos_; }
    size_t restSize() const { return size_ - pos_; }
    // Takes up to `n` bytes from the front.
    size_t take(size_t n)
    {
        const size_t taken = n < size_ - pos_ ? n : size_ - pos_;
        pos_ += taken;
        return taken;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

} // namespace fuzz
