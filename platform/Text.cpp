#include "Text.h"

#include <iconv.h>

#include <memory>
#include <mutex>

namespace {

// RAII holder for an iconv descriptor.
struct IconvHandle {
    iconv_t cd;
    IconvHandle(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

bool convert(const char* to, const char* from, const std::string& in, std::string& out)
{
    IconvHandle h(to, from);
    out.clear();
    if (!h.ok())
        return false;
    std::string buffer(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = &buffer[0];
    size_t dstLeft = buffer.size();
    if (iconv(h.cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1))
        return false;
    if (iconv(h.cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1))
        return false;
    out.assign(buffer.data(), buffer.size() - dstLeft);
    return true;
}

// cp932 value of every BMP code point, built once from iconv's CP932 table.
class Cp932Table {
  public:
    static const Cp932Table& instance()
    {
        static Cp932Table table;
        return table;
    }
    unsigned code(char32_t c) const { return c < 0x10000 ? codes_[c] : 0; }

  private:
    Cp932Table() : codes_(new unsigned short[0x10000]())
    {
        IconvHandle h("CP932", "UTF-32LE");
        for (char32_t c = 0; c < 0x10000; ++c) {
            if (c >= 0xD800 && c < 0xE000)
                continue;
            if (c < 0x80) {
                codes_[c] = static_cast<unsigned short>(c);
                continue;
            }
            if (!h.ok())
                continue;
            unsigned char in[4] = {static_cast<unsigned char>(c & 0xFF),
                                   static_cast<unsigned char>((c >> 8) & 0xFF), 0, 0};
            char outBytes[8];
            char* src = reinterpret_cast<char*>(in);
            size_t srcLeft = 4;
            char* dst = outBytes;
            size_t dstLeft = sizeof outBytes;
            iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(h.cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1))
                continue;
            const size_t n = sizeof outBytes - dstLeft;
            const auto* b = reinterpret_cast<const unsigned char*>(outBytes);
            if (n == 1)
                codes_[c] = b[0];
            else if (n == 2)
                codes_[c] = static_cast<unsigned short>(b[0] * 256 + b[1]);
        }
    }
    std::unique_ptr<unsigned short[]> codes_;
};

char32_t foldUpper(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 'A';
    if (c >= 0xFF41 && c <= 0xFF5A) // full-width ａ–ｚ
        return c - 0xFF41 + 0xFF21;
    return c;
}

unsigned sortKey(char32_t c)
{
    const unsigned code = cp932Code(c);
    if (code != 0 || c == 0)
        return code;
    return 0x10000u + static_cast<unsigned>(c);
}

} // namespace

bool isValidUtf8(const std::string& text)
{
    size_t pos = 0;
    while (pos < text.size()) {
        size_t len = 0;
        const char32_t c = decodeUtf8(text, pos, &len);
        if (c >= 0xDC00 && c <= 0xDCFF && len == 1)
            return false;
        pos += len;
    }
    return true;
}

char32_t decodeUtf8(const std::string& text, size_t pos, size_t* length)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    const unsigned char b0 = s[pos];
    *length = 1;
    if (b0 < 0x80)
        return b0;
    int extra;
    char32_t c;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        c = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        c = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0xDC00 + b0;
    }
    if (pos + static_cast<size_t>(extra) >= n)
        return 0xDC00 + b0;
    for (int i = 1; i <= extra; ++i) {
        const unsigned char b = s[pos + i];
        if ((b & 0xC0) != 0x80)
            return 0xDC00 + b0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return 0xDC00 + b0;
    *length = static_cast<size_t>(extra) + 1;
    return c;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

unsigned cp932Code(char32_t c)
{
    return Cp932Table::instance().code(c);
}

unsigned mbsicmpKey(char32_t c)
{
    return sortKey(foldUpper(c));
}

int mbsicmp(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
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
    return 0;
}

std::string mbslwr(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t len = 0;
        char32_t c = decodeUtf8(text, pos, &len);
        if (len == 1 && c >= 0xDC00 && c <= 0xDCFF) {
            out += text[pos]; // keep ill-formed bytes as they are
        } else {
            if (c >= 'A' && c <= 'Z')
                c = c - 'A' + 'a';
            else if (c >= 0xFF21 && c <= 0xFF3A)
                c = c - 0xFF21 + 0xFF41;
            appendUtf8(out, c);
        }
        pos += len;
    }
    return out;
}

bool utf8ToCp932(const std::string& utf8, std::string& cp932)
{
    return convert("CP932", "UTF-8", utf8, cp932);
}

bool cp932ToUtf8(const std::string& cp932, std::string& utf8)
{
    return convert("UTF-8", "CP932", cp932, utf8);
}

int cp932Width(char32_t c)
{
    if (c < 0x80)
        return 1;
    if (c >= 0xFF61 && c <= 0xFF9F) // half-width katakana
        return 1;
    return 2;
}

std::vector<std::string> cutByCp932Width(const std::string& text, int lineWidth, int maxLines)
{
    std::vector<std::string> lines;
    std::string line;
    int width = 0;
    size_t pos = 0;
    while (pos < text.size() && static_cast<int>(lines.size()) < maxLines) {
        size_t len = 0;
        const char32_t c = decodeUtf8(text, pos, &len);
        const int w = (len == 1 && c >= 0xDC00 && c <= 0xDCFF) ? 1 : cp932Width(c);
        if (width + w > lineWidth) {
            lines.push_back(line);
            line.clear();
            width = 0;
            continue; // the character starts the next line
        }
        line.append(text, pos, len);
        width += w;
        pos += len;
    }
    if (!line.empty() && static_cast<int>(lines.size()) < maxLines)
        lines.push_back(line);
    return lines;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
