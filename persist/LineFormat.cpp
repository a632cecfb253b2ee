#include "LineFormat.h"

#include "platform/Text.h"

#include <limits>

namespace {

bool isControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

} // namespace

std::string escapeField(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (isControl(c))
            out += std::string("\\x") + digits[c >> 4] + digits[c & 15];
        else
            out += ch;
    }
    return out;
}

bool unescapeField(const std::string& text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isControl(c))
            return false;
        if (c != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? hexDigitValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexDigitValue(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

bool splitRecordLines(const std::string& text, const std::string& header,
                      std::vector<std::string>& lines, size_t* dropped)
{
    lines.clear();
    *dropped = 0;
    const size_t headerEnd = text.find('\n');
    if (headerEnd == std::string::npos || text.compare(0, headerEnd, header) != 0 ||
        headerEnd != header.size())
        return false;
    size_t pos = headerEnd + 1;
    while (pos < text.size()) {
        const size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            ++*dropped; // cut short
            break;
        }
        if (end - pos > kMaxLineBytes)
            ++*dropped;
        else if (end > pos)
            lines.emplace_back(text, pos, end - pos);
        pos = end + 1;
    }
    return true;
}

bool splitFields(const std::string& line, char separator, size_t count,
                 std::vector<std::string>& fields)
{
    fields.clear();
    size_t pos = 0;
    for (;;) {
        if (fields.size() == count)
            return false; // more fields than asked for
        const size_t end = line.find(separator, pos);
        if (end == std::string::npos) {
            fields.emplace_back(line, pos);
            return fields.size() == count;
        }
        fields.emplace_back(line, pos, end - pos);
        pos = end + 1;
    }
}

bool parseInt64(const std::string& text, int64_t& value)
{
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const size_t digits = text.size() - i;
    if (digits == 0 || digits > 19)
        return false;
    const bool negative = i == 1;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (magnitude > limit + (negative ? 1 : 0))
        return false;
    value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}
