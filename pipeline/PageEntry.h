#pragma once

#include <cstdint>
#include <string>

// One page of a book.
struct PageEntry {
    // The bare file name in a folder; the entry name in a ZIP; path + name in a plug-in archive.
    std::string name;
    // name + "(WxH)" once decoded, empty before (see ImageOperatorWrapper::labelOf).
    std::string label;
    uint32_t size = 0;     // bytes of the encoded page
    uint32_t position = 0; // ZIP central-directory index, plug-in position, 0 in a folder
    int64_t time = 0;      // modification time, seconds since 1970 UTC
    // Where the ZIP entry's central-directory record lies, found while listing so that
    // extraction need not walk the directory; 0 when unknown.
    uint64_t zipOffset = 0;
};

// No page larger than this is read: its bytes could never make a picture within the size cap.
constexpr uint32_t kMaxPageBytes = uint32_t(1) << 30;
