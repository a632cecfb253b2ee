// libFuzzer target: the shipped archive plug-in (LZH, RAR, 7z, tar, CBZ through libarchive)
// on arbitrary bytes, called in-process the way the program calls it: GetArchiveInfo on the
// input written to a file, then GetFile for every listed entry in order, a few again out of
// order (which reopens the kept reader), and one from inside a progress callback (which must
// not disturb the outer read). Asserted besides the sanitizers' checks: a record block ends
// with its closing record inside the block, names end inside their fields, and GetFile hands
// over exactly the listed number of bytes or nothing.
#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
// The entry points and the plug-in's reader cache, in this file so the cache can be emptied
// after every input (each input is a new file, and nothing may carry over between inputs).
#include "plugins/archive/ArchivePlugin.cpp"

namespace {

constexpr size_t kMaxFetched = 64;

const char* const kNames[] = {"book.lzh", "book.rar", "book.7z",
                              "book.tar", "book.cbz", "book.part1.rar"};

struct Record {
    uint32_t position;
    uint32_t size;
};

std::string currentPath;
long nestedPosition = -1; // fetched from inside the progress callback, once
int callsBeforeStop = -1; // the callback asks to stop after this many calls (-1 never)

void checkFetched(int result, void* block, uint32_t size)
{
    if (result == SPI_OK) {
        // Under AddressSanitizer the usable size is exactly what was asked for.
        if (block == nullptr || malloc_usable_size(block) != (size > 0 ? size : 1))
            std::abort();
    } else if (block != nullptr) {
        std::abort();
    }
    std::free(block);
}

int progress(int, int, long)
{
    if (nestedPosition >= 0) {
        const long position = nestedPosition;
        nestedPosition = -1;
        void* block = nullptr;
        const int result =
            GetFile(currentPath.c_str(), position, &block, SPI_FILE_TO_MEMORY, nullptr, 0);
        if (result == SPI_OK && block == nullptr)
            std::abort();
        std::free(block);
    }
    if (callsBeforeStop == 0)
        return 1;
    if (callsBeforeStop > 0)
        --callsBeforeStop;
    return 0;
}

// The records of a block, checked against the interface's promises.
std::vector<Record> readRecords(void* block)
{
    const size_t capacity = malloc_usable_size(block) / sizeof(SpiFileInfo);
    const auto* records = static_cast<const SpiFileInfo*>(block);
    std::vector<Record> out;
    for (size_t i = 0;; ++i) {
        if (i >= capacity)
            std::abort(); // no closing record
        const SpiFileInfo& r = records[i];
        if (r.method[0] == 0)
            break;
        if (memchr(r.path, 0, sizeof r.path) == nullptr ||
            memchr(r.filename, 0, sizeof r.filename) == nullptr)
            std::abort();
        out.push_back({r.position, r.filesize});
    }
    return out;
}

void fetch(const Record& record)
{
    void* block = nullptr;
    const int result = GetFile(currentPath.c_str(), static_cast<long>(record.position), &block,
                               SPI_FILE_TO_MEMORY, progress, 0);
    checkFetched(result, block, record.size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* name = kNames[size % (sizeof kNames / sizeof kNames[0])];
    currentPath = fuzz::writeInput(name, data, size);
    void* block = nullptr;
    const int listed = GetArchiveInfo(currentPath.c_str(), 0, 0, &block);
    if (listed != SPI_OK) {
        if (block != nullptr)
            std::abort();
        entryReader().clear();
        return 0;
    }
    if (block == nullptr)
        std::abort();
    const std::vector<Record> records = readRecords(block);
    std::free(block);

    const size_t count = records.size() < kMaxFetched ? records.size() : kMaxFetched;
    for (size_t i = 0; i < count; ++i)
        fetch(records[i]);
    // Backwards over the last few: each one reopens the archive.
    for (size_t i = count; i > 0 && i + 3 > count; --i)
        fetch(records[i - 1]);
    if (count > 0) {
        // A nested GetFile from the callback, and a callback that stops the read.
        nestedPosition = static_cast<long>(records[count - 1].position);
        fetch(records[0]);
        nestedPosition = -1;
        callsBeforeStop = static_cast<int>(data[0] % 3);
        fetch(records[count / 2]);
        callsBeforeStop = -1;
    }
    // Positions no record has fail cleanly.
    void* none = nullptr;
    checkFetched(GetFile(currentPath.c_str(), -1, &none, SPI_FILE_TO_MEMORY, nullptr, 0), none, 0);
    none = nullptr;
    checkFetched(GetFile(currentPath.c_str(), 1L << 30, &none, SPI_FILE_TO_MEMORY, nullptr, 0),
                 none, 0);
    entryReader().clear();
    return 0;
}
