#include "PatternMatch.h"

#include <vector>

#include "Text.h"

namespace {

std::u32string characters(const std::string& text)
{
    std::u32string out;
    for (size_t pos = 0; pos < text.size();) {
        size_t length = 1;
        out.push_back(decodeUtf8(text, pos, &length));
        pos += length;
    }
    return out;
}

char32_t lowerAscii(char32_t c)
{
    return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
}

// The toolkit's matcher, over characters. Its result depends only on where it stands in the
// name and in the pattern, so each pair is worked out once: patterns with many stars cannot
// take exponential time on long names.
class Matcher {
  public:
    Matcher(const std::string& name, const std::string& pattern)
        : s_(characters(name)), p_(characters(pattern)),
          memo_((s_.size() + 1) * (p_.size() + 1), kUnknown)
    {
    }

    bool match(size_t si, size_t pi)
    {
        signed char& known = memo_[si * (p_.size() + 1) + pi];
        if (known == kUnknown)
            known = walk(si, pi) ? 1 : 0;
        return known == 1;
    }

  private:
    static constexpr signed char kUnknown = -1;

    char32_t at(size_t pi) const { return pi < p_.size() ? p_[pi] : 0; }

    // One character set "[...]" starting after its "["; moves `pi` past its "]".
    bool inSet(char32_t c, size_t& pi) const
    {
        const bool reverse = at(pi) == U'^' || at(pi) == U'!';
        if (reverse)
            ++pi;
        bool matched = false;
        char32_t last = 0;
        while (pi < p_.size()) {
            if (p_[pi] == U'-' && last != 0 && pi + 1 < p_.size()) {
                ++pi;
                if (c <= p_[pi] && c >= last)
                    matched = true;
                last = 0;
            } else {
                if (c == p_[pi])
                    matched = true;
                last = p_[pi];
            }
            ++pi;
            if (at(pi) == U']') {
                ++pi;
                break;
            }
        }
        return matched != reverse;
    }

    // Skips to the end of the alternatives of a "{...}" the match went into.
    void skipAlternatives(size_t& pi) const
    {
        for (int depth = 0; pi < p_.size() && depth >= 0;) {
            const char32_t c = p_[pi++];
            if (c == U'\\' && pi < p_.size())
                ++pi;
            else if (c == U'{')
                ++depth;
            else if (c == U'}')
                --depth;
        }
    }

    // Tries each alternative of a "{...}" from the one starting at `pi`.
    bool alternatives(size_t si, size_t pi)
    {
        for (;;) {
            if (match(si, pi))
                return true;
            for (int depth = 0;;) {
                if (pi >= p_.size())
                    return false;
                const char32_t c = p_[pi++];
                if (c == U'\\') {
                    if (pi < p_.size())
                        ++pi;
                } else if (c == U'{') {
                    ++depth;
                } else if (c == U'}') {
                    if (depth-- == 0)
                        return false;
                } else if ((c == U'|' || c == U',') && depth == 0) {
                    break;
                }
            }
        }
    }

    bool walk(size_t si, size_t pi)
    {
        for (;;) {
            if (pi >= p_.size())
                return si == s_.size();
            const char32_t c = p_[pi++];
            switch (c) {
            case U'?':
                if (si == s_.size())
                    return false;
                ++si;
                break;
            case U'*':
                if (pi == p_.size())
                    return true;
                for (;; ++si) {
                    if (match(si, pi))
                        return true;
                    if (si == s_.size())
                        return false;
                }
            case U'[':
                if (si == s_.size() || !inSet(s_[si], pi))
                    return false;
                ++si;
                break;
            case U'{':
                return alternatives(si, pi);
            case U'|':
            case U',':
                skipAlternatives(pi);
                break;
            case U'}':
                break;
            case U'\\':
                if (pi < p_.size())
                    ++pi;
                [[fallthrough]];
            default:
                if (si == s_.size() || lowerAscii(s_[si]) != lowerAscii(p_[pi - 1]))
                    return false;
                ++si;
                break;
            }
        }
    }

    std::u32string s_;
    std::u32string p_;
    std::vector<signed char> memo_;
};

} // namespace

bool matchNamePattern(const std::string& name, const std::string& pattern)
{
    Matcher matcher(name, pattern);
    return matcher.match(0, 0);
}
