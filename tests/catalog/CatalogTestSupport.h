#pragma once

// Helpers shared by the catalog tests: a temporary folder, file bytes, and records.

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "catalog/CatalogModel.h"

namespace catalogtest {

// A fresh folder under /tmp, removed with its files when the holder goes.
class TempFolder {
  public:
    TempFolder()
    {
        char pattern[] = "/tmp/catalogtest-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? made : "";
    }
    ~TempFolder() { removeTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // The names in the folder, without "." and "..".
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        if (DIR* dir = opendir(path_.c_str())) {
            while (dirent* e = readdir(dir)) {
                if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                    out.push_back(e->d_name);
            }
            closedir(dir);
        }
        return out;
    }

  private:
    static void removeTree(const std::string& path)
    {
        if (path.empty())
            return;
        chmod(path.c_str(), 0755);
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* e = readdir(dir)) {
                if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
                    continue;
                const std::string child = path + "/" + e->d_name;
                struct stat st;
                if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                    removeTree(child);
                else
                    unlink(child.c_str());
            }
            closedir(dir);
        }
        rmdir(path.c_str());
    }
    std::string path_;
};

inline std::vector<unsigned char> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void writeText(const std::string& path, const std::string& text)
{
    writeBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

// A record with the given fields; with a thumbnail its pixels are a pattern seeded by `seed`,
// and every byte past the picture (and the padding) holds 0xFF, which a writer must not keep.
inline std::shared_ptr<CatalogEntry> makeEntry(const std::string& name, int32_t size, int64_t time,
                                               int width = 0, int height = 0, int seed = 0)
{
    auto entry = newCatalogEntry();
    std::memset(entry.get(), 0xFF, sizeof(CatalogEntry));
    setEntryName(*entry, name);
    entry->fileSize = size;
    entry->modifiedTime = time;
    entry->hasThumbnail = width > 0 ? 1 : 0;
    entry->thumbWidth = static_cast<int16_t>(width);
    entry->thumbHeight = static_cast<int16_t>(height);
    entry->thumbOffsetX = static_cast<int16_t>(width > 0 ? (128 - width) / 2 : 0);
    entry->thumbOffsetY = static_cast<int16_t>(height > 0 ? (128 - height) / 2 : 0);
    const size_t used = width > 0 ? thumbRowStride(width) * static_cast<size_t>(height) : 0;
    for (size_t i = 0; i < used; ++i)
        entry->thumbPixels[i] =
            static_cast<unsigned char>((i * 31 + static_cast<size_t>(seed)) % 251);
    return entry;
}

inline std::vector<std::string> namesOf(const CatalogEntries& entries)
{
    std::vector<std::string> out;
    for (const auto& e : entries)
        out.push_back(entryName(*e));
    return out;
}

} // namespace catalogtest
