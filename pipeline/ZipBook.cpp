#include "ZipBook.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>

#include "platform/Diagnostics.h"
#include "platform/FileOps.h"
#include "platform/Text.h"
#include "platform/UiHooks.h"

namespace {

constexpr unsigned long kUtf8NameFlag = 1ul << 11;
constexpr int kMaxNameBytes = 255;
constexpr unsigned kReadPiece = 8192;

// Owns an open archive.
class ZipArchive {
  public:
    explicit ZipArchive(const std::string& path) : file_(unzOpen64(path.c_str())) {}
    ~ZipArchive()
    {
        if (file_ != nullptr)
            unzClose(file_);
    }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    explicit operator bool() const { return file_ != nullptr; }
    unzFile get() const { return file_; }

  private:
    unzFile file_;
};

// Owns the open current entry of an archive; close() reports the CRC check.
class OpenEntry {
  public:
    explicit OpenEntry(unzFile file) : file_(file) {}
    ~OpenEntry()
    {
        if (file_ != nullptr)
            unzCloseCurrentFile(file_);
    }
    OpenEntry(const OpenEntry&) = delete;
    OpenEntry& operator=(const OpenEntry&) = delete;

    int close()
    {
        const int result = unzCloseCurrentFile(file_);
        file_ = nullptr;
        return result;
    }

  private:
    unzFile file_;
};

std::string replaceInvalidUtf8(const std::string& text)
{
    std::string out;
    for (size_t pos = 0; pos < text.size();) {
        size_t length = 0;
        const char32_t c = decodeUtf8(text, pos, &length);
        if (length == 1 && c >= 0xDC00 && c <= 0xDCFF)
            appendUtf8(out, U'\uFFFD');
        else
            out.append(text, pos, length);
        pos += length;
    }
    return out;
}

uint32_t listedSize(uint64_t size)
{
    // A Zip64 entry past 4 GB keeps a size that extract refuses rather than one cut to 32 bits.
    return size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
}

// minizip 1.1 on a 64-bit system never applies the Zip64 extra field (it compares the 32-bit
// 0xFFFFFFFF marker with a 64-bit -1), so an entry whose sizes live there would list as 4 GB.
// The sizes are taken from the field here.
void applyZip64Sizes(const std::string& extra, unz_file_info64* info)
{
    const uint64_t marker = 0xFFFFFFFFu;
    for (size_t pos = 0; pos + 4 <= extra.size();) {
        const unsigned id = static_cast<unsigned char>(extra[pos]) |
                            static_cast<unsigned char>(extra[pos + 1]) << 8;
        const size_t length = static_cast<unsigned char>(extra[pos + 2]) |
                              static_cast<unsigned char>(extra[pos + 3]) << 8;
        pos += 4;
        if (pos + length > extra.size())
            return;
        if (id == 0x0001) {
            size_t at = pos;
            ZPOS64_T* sizes[] = {&info->uncompressed_size, &info->compressed_size};
            for (ZPOS64_T* size : sizes) {
                if (*size != marker)
                    continue;
                if (at + 8 > pos + length)
                    return;
                uint64_t value = 0;
                for (int b = 7; b >= 0; --b)
                    value = value << 8 | static_cast<unsigned char>(extra[at + size_t(b)]);
                *size = value;
                at += 8;
            }
            return;
        }
        pos += length;
    }
}

// Reads the current entry's record: the name at full length, the sizes with the Zip64 field
// applied. `minizipSize` gets the uncompressed size minizip itself works with.
int currentEntry(unzFile zip, unz_file_info64* info, std::string* rawName,
                 uint64_t* minizipSize = nullptr)
{
    int err = unzGetCurrentFileInfo64(zip, info, nullptr, 0, nullptr, 0, nullptr, 0);
    if (err != UNZ_OK)
        return err;
    rawName->assign(info->size_filename + 1, '\0');
    std::string extra(info->size_file_extra + 1, '\0');
    err = unzGetCurrentFileInfo64(zip, info, &(*rawName)[0], info->size_filename + 1, &extra[0],
                                  info->size_file_extra + 1, nullptr, 0);
    if (err != UNZ_OK)
        return err;
    rawName->resize(info->size_filename);
    extra.resize(info->size_file_extra);
    if (minizipSize != nullptr)
        *minizipSize = info->uncompressed_size;
    applyZip64Sizes(extra, info);
    return UNZ_OK;
}

// Places the archive on the entry: straight to its directory record when the listing found
// it, else by walking from the first entry.
bool seekEntry(unzFile zip, const PageEntry& entry)
{
    if (entry.zipOffset != 0) {
        if (unzSetOffset64(zip, entry.zipOffset) == UNZ_OK)
            return true;
        debugPrint("unzip_file(): unzSetOffset64() failed\n");
        return false;
    }
    for (uint32_t i = 0; i < entry.position; ++i) {
        if (unzGoToNextFile(zip) != UNZ_OK) {
            debugPrint("unzip_file(): unzGoToNextFile() failed\n");
            return false;
        }
    }
    return true;
}

// Reads the open entry into `bytes`, which holds exactly the listed size; fewer bytes fail, and
// so do more when minizip knows the entry's true size (`probe`). Returns 0 or the minizip error
// (1 for a size mismatch).
int readEntry(unzFile zip, MemoryBlock& bytes, const PageEntry& entry, bool probe)
{
    const size_t size = bytes.size();
    size_t total = 0;
    for (;;) {
        const unsigned want = static_cast<unsigned>(std::min<size_t>(kReadPiece, size - total));
        if (want == 0 && !probe)
            break;
        unsigned char extra;
        const int n =
            unzReadCurrentFile(zip, want > 0 ? bytes.data() + total : &extra, want > 0 ? want : 1);
        if (n < 0) {
            debugPrint("error %d with zipfile in unzReadCurrentFile\n", n);
            return n;
        }
        if (n == 0)
            break;
        if (want == 0) {
            debugPrint("unzip_file(): %s holds more than %u bytes\n", entry.name.c_str(),
                       entry.size);
            return 1;
        }
        total += static_cast<size_t>(n);
    }
    if (total != size) {
        debugPrint("unzip_file(): %s holds %zu of %u bytes\n", entry.name.c_str(), total,
                   entry.size);
        return 1;
    }
    return 0;
}

} // namespace

std::string zipEntryName(const std::string& rawName, unsigned long flags)
{
    const std::string raw = rawName.substr(0, rawName.find('\0'));
    std::string name;
    if ((flags & kUtf8NameFlag) != 0 || isValidUtf8(raw))
        name = raw;
    else if (!cp932ToUtf8(raw, name))
        name = raw;
    name = replaceInvalidUtf8(name);
    const std::vector<std::string> cut = cutByCp932Width(name, kMaxNameBytes, 1);
    return cut.empty() ? std::string() : cut.front();
}

int64_t zipEntryTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = 0;
    return static_cast<int64_t>(std::mktime(&t));
}

int unzip_list(const std::string& archive, int64_t* bookTime, std::vector<PageEntry>& pages)
{
    pumpEvents();
    ZipArchive zip(archive);
    if (!zip) {
        debugPrint("Cannot open %s\n", archive.c_str());
        return 0;
    }
    pumpEvents();
    unz_global_info64 global;
    if (unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK) {
        debugPrint("Cannot open %s\n", archive.c_str());
        return 0;
    }
    for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
        pumpEvents();
        unz_file_info64 info;
        std::string raw;
        const int err = currentEntry(zip.get(), &info, &raw);
        if (err != UNZ_OK) {
            debugPrint("error %d with zipfile in unzGetCurrentFileInfo\n", err);
            return 0;
        }
        PageEntry page;
        page.name = zipEntryName(raw, info.flag);
        page.size = listedSize(info.uncompressed_size);
        page.position = static_cast<uint32_t>(i);
        const tm_unz& d = info.tmu_date;
        page.time = zipEntryTime(static_cast<int>(d.tm_year), static_cast<int>(d.tm_mon),
                                 static_cast<int>(d.tm_mday), static_cast<int>(d.tm_hour),
                                 static_cast<int>(d.tm_min), static_cast<int>(d.tm_sec));
        page.zipOffset = unzGetOffset64(zip.get());
        pages.push_back(std::move(page));
        if (i + 1 < global.number_entry) {
            const int step = unzGoToNextFile(zip.get());
            if (step != UNZ_OK) {
                debugPrint("error %d with zipfile in unzGoToNextFile\n", step);
                break;
            }
        }
    }
    if (!fileStatus(archive, nullptr, bookTime))
        *bookTime = 0;
    return 1;
}

int unzip_file(const std::string& archive, const PageEntry& entry, MemoryBlock& destination)
{
    ZipArchive zip(archive);
    if (!zip) {
        debugPrint("Cannot open %s\n", archive.c_str());
        return 1;
    }
    if (!seekEntry(zip.get(), entry))
        return 1;
    unz_file_info64 info;
    std::string raw;
    uint64_t minizipSize = 0;
    int err = currentEntry(zip.get(), &info, &raw, &minizipSize);
    if (err != UNZ_OK) {
        debugPrint("error %d with zipfile in unzGetCurrentFileInfo\n", err);
        return 1;
    }
    if (entry.size > kMaxPageBytes) {
        debugPrint("unzip_file(): %s is past the page size cap\n", entry.name.c_str());
        return 1;
    }
    MemoryBlock bytes = MemoryBlock::allocate(entry.size);
    if (!bytes.valid()) {
        debugPrint("unzip_file(): no memory for %u bytes\n", entry.size);
        return 1;
    }
    err = unzOpenCurrentFilePassword(zip.get(), nullptr);
    if (err != UNZ_OK) {
        debugPrint("error %d with zipfile in unzOpenCurrentFilePassword\n", err);
        return 1;
    }
    OpenEntry open(zip.get());
    if (readEntry(zip.get(), bytes, entry, minizipSize == info.uncompressed_size) != 0)
        return 1;
    err = open.close();
    if (err != UNZ_OK) {
        debugPrint("error %d with zipfile in unzCloseCurrentFile\n", err);
        return 1;
    }
    // minizip checks the CRC only when it knew the true size; check it in every case.
    if (crc32(0, bytes.data(), static_cast<uInt>(bytes.size())) != info.crc) {
        debugPrint("unzip_file(): CRC error in %s\n", entry.name.c_str());
        return 1;
    }
    debugPrint("miniunzip extractor called(idx=%lu)\n", static_cast<unsigned long>(entry.position));
    destination = std::move(bytes);
    return 0;
}
