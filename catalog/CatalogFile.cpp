#include "CatalogFile.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "Rle.h"
#include "SortOrder.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"
#include "platform/SystemInfo.h"

const char* const kCatalogFileName = "_$mekuri.bin";

namespace {

struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

// A descriptor closed on every path.
class FdHandle {
  public:
    explicit FdHandle(int fd) : fd_(fd) {}
    ~FdHandle()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    FdHandle(const FdHandle&) = delete;
    FdHandle& operator=(const FdHandle&) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// Smallest file form of one record: its length and one escape item.
constexpr int64_t kMinRecordBytes = 8;
constexpr int64_t kHeaderBytes = 28;

bool writeInt32(FILE* file, int32_t value)
{
    const auto u = static_cast<uint32_t>(value);
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
        static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
    return fwrite(bytes, 1, 4, file) == 4;
}

bool readInt32(FILE* file, int32_t* value)
{
    unsigned char bytes[4];
    if (fread(bytes, 1, 4, file) != 4)
        return false;
    *value = static_cast<int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                  (static_cast<uint32_t>(bytes[3]) << 24));
    return true;
}

bool readHeader(FILE* file)
{
    unsigned char c[5] = {0, 0, 0, 0, 0};
    const int n = fscanf(file, "mekuri catalog %c%c%c%c%c", &c[0], &c[1], &c[2], &c[3], &c[4]);
    if (n == 5 && c[0] == '0' && c[1] == '0' && c[2] == '0' && c[3] == '0')
        return true;
    const uint32_t version =
        c[0] | (c[1] << 8) | (c[2] << 16) | (static_cast<uint32_t>(c[3]) << 24);
    debugPrint("loadCatalog(): magic number or version mismatch\n");
    debugPrint("   %02x %02x %02x %02x %02x, %d\n", c[0], c[1], c[2], c[3], c[4],
               static_cast<int32_t>(version - 0x30303030u));
    return false;
}

// Reads the count and checks it against what the rest of the file can hold.
bool readCount(FILE* file, int64_t fileSize, int32_t* count)
{
    if (!readInt32(file, count)) {
        debugPrint("loadCatalog(): file is truncated\n");
        return false;
    }
    const long position = ftell(file);
    const int64_t rest = position < 0 ? 0 : fileSize - position;
    if (*count < 0 || *count > rest / kMinRecordBytes ||
        static_cast<size_t>(*count) > maxCatalogEntries()) {
        debugPrint("loadCatalog(): bad entry count %d\n", *count);
        return false;
    }
    return true;
}

// Reads record `index` into a new entry; null (traced) when it is cut off or broken.
std::shared_ptr<CatalogEntry> readRecord(FILE* file, int index, std::vector<unsigned char>& work,
                                         std::vector<unsigned char>& record,
                                         const NameExists& exists)
{
    int32_t length = 0;
    if (!readInt32(file, &length)) {
        debugPrint("loadCatalog(): file is truncated\n");
        return nullptr;
    }
    if (length < 0 || length > kMaxCompressedRecord) {
        debugPrint("loadCatalog(): bad compressed length %d of record %d\n", length, index);
        return nullptr;
    }
    if (fread(work.data(), 1, static_cast<size_t>(length), file) != static_cast<size_t>(length)) {
        debugPrint("loadCatalog(): file is truncated\n");
        return nullptr;
    }
    // The writer stores whole records: anything else is a broken file.
    const long produced =
        rleDecode(static_cast<size_t>(length), record.data(), record.size(), work.data());
    if (produced != static_cast<long>(kCatalogEntrySize)) {
        debugPrint("loadCatalog(): record %d does not expand to one entry\n", index);
        return nullptr;
    }
    std::shared_ptr<CatalogEntry> entry = newCatalogEntry();
    if (!entry) {
        debugPrint("loadCatalog(): out of memory at record %d\n", index);
        return nullptr;
    }
    if (!deserializeEntry(record.data(), *entry, exists))
        debugPrint("loadCatalog(): thumbnail of %s is broken, made again\n", entry->fileName);
    return entry;
}

// Creates a file of a new name beside `path`; its name goes to `created`.
int createBeside(const std::string& path, std::string& created)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = path + ".new" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Writes the catalog into the file `fd` and makes it durable. Closes `fd` in every case.
bool writeAndSync(int fd, const CatalogEntries& entries, const void* owner)
{
    FdHandle holder(fd);
    FileHandle file(fdopen(fd, "wb"));
    if (!file)
        return false;
    holder.release();
    if (!writeCatalog(file.get(), entries, owner) || fflush(file.get()) != 0 ||
        fsync(fileno(file.get())) != 0)
        return false;
    return fclose(file.release()) == 0;
}

// Opens a regular file for reading. Without O_NONBLOCK a pipe of that name would block the
// open until some writer came along.
FileHandle openRegularFile(const std::string& path, struct stat* status)
{
    FdHandle fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0 || fstat(fd.get(), status) != 0 || !S_ISREG(status->st_mode))
        return nullptr;
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags < 0 || fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return nullptr;
    FileHandle file(fdopen(fd.get(), "rb"));
    if (file)
        fd.release();
    return file;
}

void syncFolder(const std::string& folder)
{
    FdHandle dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        fsync(dir.get());
}

} // namespace

bool isCatalogFileName(const std::string& name)
{
    return strcasecmp(name.c_str(), kCatalogFileName) == 0;
}

bool acceptableBookName(const std::string& name)
{
    return acceptableFileName(name) && !isCatalogFileName(name);
}

std::string catalogFilePath(const std::string& folder)
{
    return joinPath(folder, kCatalogFileName);
}

size_t maxCatalogEntries()
{
    return static_cast<size_t>(physicalMemorySize() / 2) / kCatalogEntrySize;
}

bool writeCatalog(FILE* file, const CatalogEntries& entries, const void* owner)
{
    if (fprintf(file, "mekuri catalog %04d\n", kCatalogVersion) != 20)
        return false;
    if (!writeInt32(file, static_cast<int32_t>(kCatalogEntrySize)) ||
        !writeInt32(file, static_cast<int32_t>(entries.size())))
        return false;
    std::vector<unsigned char> record(kCatalogEntrySize);
    std::vector<unsigned char> work(rleBound(kCatalogEntrySize));
    for (const auto& entry : entries) {
        serializeEntry(*entry, record.data());
        const size_t length = rleEncode(work.data(), record.data(), record.size(), owner);
        // A reader refuses anything longer than 149088 bytes (2.5 times is the worst case).
        if (length == 0 || length > static_cast<size_t>(kMaxCompressedRecord) ||
            !writeInt32(file, static_cast<int32_t>(length)) ||
            fwrite(work.data(), 1, length, file) != length)
            return false;
    }
    return true;
}

bool readCatalog(FILE* file, int64_t fileSize, const NameExists& exists, CatalogEntries& entries)
{
    entries.clear();
    if (!readHeader(file))
        return false;
    int32_t recordSize = 0;
    if (!readInt32(file, &recordSize)) {
        debugPrint("loadCatalog(): file is truncated\n");
        return false;
    }
    if (recordSize != static_cast<int32_t>(kCatalogEntrySize)) {
        debugPrint("loadCatalog(): ??? entry size mismatch. %d,%d\n", recordSize,
                   static_cast<int>(kCatalogEntrySize));
        return false;
    }
    int32_t count = 0;
    if (!readCount(file, fileSize, &count))
        return false;
    std::vector<unsigned char> work(static_cast<size_t>(kMaxCompressedRecord));
    std::vector<unsigned char> record(kCatalogEntrySize);
    CatalogEntries loaded;
    loaded.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        std::shared_ptr<CatalogEntry> entry = readRecord(file, i, work, record, exists);
        if (!entry)
            return false;
        loaded.push_back(std::move(entry));
    }
    entries = std::move(loaded);
    return true;
}

bool saveCatalog(CatalogModel& model, const void* owner)
{
    if (model.folderPath.empty() || !model.modified)
        return true;
    const std::string path = catalogFilePath(model.folderPath);
    std::string created;
    const int fd = createBeside(path, created);
    bool saved = false;
    if (fd >= 0) {
        struct stat old;
        if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
            fchmod(fd, old.st_mode & 07777);
        saved =
            writeAndSync(fd, model.entries, owner) && rename(created.c_str(), path.c_str()) == 0;
        if (!saved)
            unlink(created.c_str());
    }
    if (!saved) {
        debugPrint("warning: can't save catalog\n");
        return false;
    }
    syncFolder(model.folderPath);
    model.modified = false;
    return true;
}

bool loadCatalog(CatalogModel& model)
{
    if (model.folderPath.empty())
        return false;
    model.entries.clear();
    model.selectedIndex = -1;
    struct stat status;
    FileHandle file = openRegularFile(catalogFilePath(model.folderPath), &status);
    if (!file) {
        debugPrint("warning: can't load catalog\n");
        return false;
    }
    const std::string folder = model.folderPath;
    const NameExists exists = [&folder](const std::string& name) {
        return pathExists(joinPath(folder, name));
    };
    if (!readCatalog(file.get(), static_cast<int64_t>(status.st_size), exists, model.entries))
        return false;
    applySortOrder(model);
    return true;
}
