#include "CatalogSearch.h"

#include "platform/PatternMatch.h"
#include "platform/Text.h"

std::string searchTextFromField(const std::string& field)
{
    return cutToBytes(field.substr(0, field.find('\0')), kSearchTextMax);
}

bool entryMatches(const std::string& name, const std::string& text, int mode)
{
    const std::string lowerName = mbslwr(name);
    const std::string lowerText = mbslwr(text);
    if (mode == kSearchPattern)
        return matchNamePattern(lowerName, lowerText);
    // UTF-8 is self-synchronising: a byte match of well-formed text starts on a character.
    return lowerName.find(lowerText) != std::string::npos;
}

int searchForward(int count, int position, const std::function<bool(int)>& matches)
{
    if (count < 1 || position < -1 || position > count - 2)
        return -1;
    for (int i = position + 1; i < count; ++i) {
        if (matches(i))
            return i;
    }
    return -1;
}

int searchBackward(int count, int position, const std::function<bool(int)>& matches)
{
    if (count < 1 || position < -1 || position > count - 1)
        return -1;
    for (int i = position == -1 ? count - 1 : position - 1; i >= 0; --i) {
        if (matches(i))
            return i;
    }
    return -1;
}

namespace {

std::function<bool(int)> matcher(const CatalogEntries& entries, const std::string& text, int mode)
{
    return
        [&entries, &text, mode](int i) { return entryMatches(entryName(*entries[i]), text, mode); };
}

} // namespace

int searchForward(const CatalogEntries& entries, const std::string& text, int mode, int position)
{
    if (text.empty() || entries.empty())
        return kSearchNotRun;
    return searchForward(static_cast<int>(entries.size()), position, matcher(entries, text, mode));
}

int searchBackward(const CatalogEntries& entries, const std::string& text, int mode, int position)
{
    if (text.empty() || entries.empty())
        return kSearchNotRun;
    return searchBackward(static_cast<int>(entries.size()), position, matcher(entries, text, mode));
}
