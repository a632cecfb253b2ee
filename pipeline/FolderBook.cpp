#include "FolderBook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "pipeline/FolderList.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

} // namespace

int scanFolder(const std::string& folderName, int64_t* bookTime, std::vector<PageEntry>& pages)
{
    std::string folder = folderName;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    std::vector<FolderName> names;
    if (!listFolder(folder, names)) {
        reportError(nullptr, "scan directory failed\n");
        return 0;
    }
    for (const FolderName& entry : names) {
        int64_t size = 0, mtime = 0;
        if (!fileStatus(folder + entry.name, &size, &mtime))
            size = mtime = 0; // vanished or unreadable: reading the page will fail and say so
        PageEntry page;
        page.name = entry.name;
        // A file past 4 GB keeps a size that extract refuses rather than one cut to 32 bits.
        page.size = size > int64_t(UINT32_MAX) ? UINT32_MAX : static_cast<uint32_t>(size);
        page.time = mtime;
        pages.push_back(std::move(page));
    }
    int64_t folderSize = 0;
    if (!fileStatus(folderName, &folderSize, bookTime))
        *bookTime = 0;
    return 1;
}

bool readFolderPage(const std::string& path, uint32_t size, MemoryBlock& block)
{
    // Opened without blocking and checked before reading: a FIFO named like a picture would
    // otherwise wait for a writer for ever.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        debugPrint("Cannot open %s\n", path.c_str());
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        debugPrint("%s is not a regular file\n", path.c_str());
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FileHandle file(fdopen(fd, "rb"));
    if (!file) {
        close(fd);
        debugPrint("Cannot open %s\n", path.c_str());
        return false;
    }
    posix_fadvise(fileno(file.get()), 0, 0, POSIX_FADV_SEQUENTIAL);
    MemoryBlock bytes = MemoryBlock::allocate(size);
    if (!bytes.valid()) {
        debugPrint("No memory for %u bytes of %s\n", size, path.c_str());
        return false;
    }
    // A file that shrank since the listing (or a folder named like a picture) reads short: the
    // rest of the block would be garbage, so the page fails instead.
    const size_t got = size > 0 ? std::fread(bytes.data(), 1, size, file.get()) : 0;
    if (got != size) {
        debugPrint("%s: read %zu of %u bytes\n", path.c_str(), got, size);
        return false;
    }
    block = std::move(bytes);
    return true;
}
