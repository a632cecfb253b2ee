#include "Rle.h"

#include <cstring>

#include "platform/Diagnostics.h"

namespace {

constexpr size_t kMaxRun = 65535;

} // namespace

size_t rleEncode(unsigned char* output, const unsigned char* input, size_t length,
                 const void* owner)
{
    const size_t bound = rleBound(length);
    size_t written = 0;
    size_t pos = 0;
    while (pos < length) {
        const unsigned char value = input[pos];
        size_t run = 1;
        while (pos + run < length && input[pos + run] == value && run < kMaxRun)
            ++run;
        const bool escape = run >= 5 || value == kRleEscape;
        const size_t itemSize = escape ? 4 : run;
        if (written + itemSize > bound) {
            reportError(owner, "致命的 圧縮失敗\n");
            return 0;
        }
        if (escape) {
            output[written++] = kRleEscape;
            output[written++] = value;
            output[written++] = static_cast<unsigned char>(run & 0xFF);
            output[written++] = static_cast<unsigned char>(run >> 8);
        } else {
            std::memset(output + written, value, run);
            written += run;
        }
        pos += run;
    }
    return written;
}

long rleDecode(size_t length, unsigned char* record, size_t capacity, const unsigned char* input)
{
    size_t produced = 0;
    size_t pos = 0;
    while (pos < length) {
        if (input[pos] != kRleEscape) {
            if (produced >= capacity)
                return -1;
            record[produced++] = input[pos++];
            continue;
        }
        if (length - pos < 4)
            return -1;
        const unsigned char value = input[pos + 1];
        const size_t count = static_cast<size_t>(input[pos + 2]) | (input[pos + 3] << 8);
        if (count > capacity - produced)
            return -1;
        std::memset(record + produced, value, count);
        produced += count;
        pos += 4;
    }
    return static_cast<long>(produced);
}
