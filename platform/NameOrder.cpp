#include "NameOrder.h"

#include <atomic>
#include <cstring>

#include "Text.h"

namespace {

std::atomic<bool> naturalOrderOn{false};

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One run of ASCII digits: `zeros` leading zeros, then the significant digits [first, end).
struct DigitRun {
    size_t zeros;
    size_t first;
    size_t end;
};

DigitRun scanDigitRun(const std::string& s, size_t pos)
{
    size_t first = pos;
    while (first < s.size() && s[first] == '0')
        ++first;
    size_t end = first;
    while (end < s.size() && isAsciiDigit(s[end]))
        ++end;
    return {first - pos, first, end};
}

// Compares the values of two runs: more significant digits is larger, else the first digit
// that differs decides.
int compareRunValues(const std::string& a, const DigitRun& ra, const std::string& b,
                     const DigitRun& rb)
{
    const size_t lengthA = ra.end - ra.first;
    const size_t lengthB = rb.end - rb.first;
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    const int c = std::memcmp(a.data() + ra.first, b.data() + rb.first, lengthA);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

int naturalCompare(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    int zerosDecide = 0; // the first difference in leading zeros, used when all else is equal
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            const DigitRun ra = scanDigitRun(a, i);
            const DigitRun rb = scanDigitRun(b, j);
            const int c = compareRunValues(a, ra, b, rb);
            if (c != 0)
                return c;
            if (zerosDecide == 0 && ra.zeros != rb.zeros)
                zerosDecide = ra.zeros < rb.zeros ? -1 : 1;
            i = ra.end;
            j = rb.end;
            continue;
        }
        size_t la = 0, lb = 0;
        const unsigned ka = mbsicmpKey(decodeUtf8(a, i, &la));
        const unsigned kb = mbsicmpKey(decodeUtf8(b, j, &lb));
        if (ka != kb)
            return ka < kb ? -1 : 1;
        i += la;
        j += lb;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return zerosDecide;
}

void setNaturalNameOrder(bool natural)
{
    naturalOrderOn.store(natural, std::memory_order_relaxed);
}

bool naturalNameOrder()
{
    return naturalOrderOn.load(std::memory_order_relaxed);
}

int compareNames(const std::string& a, const std::string& b, bool natural)
{
    return natural ? naturalCompare(a, b) : mbsicmp(a, b);
}

int compareNames(const std::string& a, const std::string& b)
{
    return compareNames(a, b, naturalNameOrder());
}
