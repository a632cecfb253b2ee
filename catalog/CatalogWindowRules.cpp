#include "CatalogWindowRules.h"

#include <algorithm>

GridRect renameFieldRect(CellOrigin origin)
{
    return {origin.x + 5, origin.y + 130, kRenameFieldWidth, kRenameFieldHeight};
}

bool fitRenameField(CellOrigin origin, int lines, int lastLines, int windowHeight, GridRect& field)
{
    if (lines == lastLines || lines < 3)
        return false;
    const int top = origin.y + 130;
    int height = kRenameLineHeight * lines + 4;
    if (top + height > windowHeight - 2)
        height = windowHeight - 2 - top;
    field = {origin.x + 5, std::max(top, kRenameFieldMinTop), kRenameFieldWidth,
             std::max(height, 1)};
    return true;
}

namespace {

bool isBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// Where the line starting at `start` ends (the index of its newline, or where the next line
// starts when it wraps).
size_t lineEnd(const std::string& text, size_t start, int wrapWidth,
               const std::function<int(const char*, int)>& measure, bool& wrapped)
{
    wrapped = false;
    size_t wordStart = start;
    int words = 0;
    size_t i = start;
    for (;;) {
        const bool atEnd = i >= text.size() || text[i] == '\n';
        if (atEnd || isBlank(static_cast<unsigned char>(text[i]))) {
            // A word (and what precedes it on the line) ends here.
            if (i > wordStart) {
                const int width = measure(text.data() + start, static_cast<int>(i - start));
                if (words > 0 && width > wrapWidth) {
                    wrapped = true;
                    return wordStart;
                }
                ++words;
            }
            if (atEnd)
                return i;
            wordStart = i + 1;
        }
        ++i;
    }
}

} // namespace

int wrappedLineCount(const std::string& text, int wrapWidth,
                     const std::function<int(const char*, int)>& measure)
{
    int lines = 1;
    size_t start = 0;
    while (start < text.size()) {
        bool wrapped = false;
        const size_t end = lineEnd(text, start, wrapWidth, measure, wrapped);
        if (end >= text.size())
            break;
        ++lines;
        start = wrapped ? end : end + 1;
    }
    return lines;
}

int nextRenameTarget(int selected, int count, bool backwards)
{
    if (backwards)
        return selected > 0 && selected <= count ? selected - 1 : -1;
    return selected >= -1 && selected + 1 < count ? selected + 1 : -1;
}

int wheelScrollPosition(int scrollY, int d, int pageHeight, int scrollAreaHeight)
{
    if (!verticalBarNeeded(pageHeight, scrollAreaHeight))
        return scrollY;
    const int target = scrollY - (d / 120) * kCellHeight;
    return std::clamp(target, 0, maxVerticalScroll(pageHeight, scrollAreaHeight));
}

HideRuleAction hideRuleAction(bool catalogStillShown, bool beingDeleted, bool closingCatalog,
                              bool mainShown, bool mainIconified)
{
    HideRuleAction action;
    if (catalogStillShown || beingDeleted || closingCatalog || !mainShown)
        return action;
    action.restoreMain = mainIconified;
    action.closeMain = true;
    return action;
}
