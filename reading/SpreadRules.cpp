#include "SpreadRules.h"

#include <cstdio>

std::vector<std::string> spreadListLines(int n, int s, int binding)
{
    std::vector<std::string> lines;
    const bool right = binding == 0;
    char line[64];
    if (s == 1) {
        std::snprintf(line, sizeof line, right ? "1%c" : "%c  1", '|');
        lines.push_back(line);
    }
    for (int i = s + 1; i - 1 < n; i += 2) {
        if (i < n) {
            if (right)
                std::snprintf(line, sizeof line, "%3d%c%3d", i + 1, '|', i);
            else
                std::snprintf(line, sizeof line, "%3d%c%3d", i, '|', i + 1);
        } else if (right) {
            std::snprintf(line, sizeof line, "%c%3d", '|', i);
        } else {
            std::snprintf(line, sizeof line, "%3d%c", i, '|');
        }
        lines.push_back(line);
    }
    return lines;
}

int forwardStep(int c, int n, int s)
{
    if (c + 2 < n)
        return 2;
    if (s == 1 && c + 1 < n)
        return 1;
    return 0;
}

int spreadHolding(int page, int n, int s)
{
    const int last = n - 1 + s > 0 ? 2 * ((n - 1 + s) / 2) : 0;
    if (page > n)
        page = n; // a remembered page past the end; also keeps page + s from overflowing
    if (page + s <= 0)
        return 0;
    const int c = 2 * ((page + s) / 2);
    return c < last ? c : last;
}

std::vector<int> prefetchPages(int page, int n)
{
    std::vector<int> pages;
    for (int p = page; p <= page + 1; ++p) {
        if (p >= 0 && p < n)
            pages.push_back(p);
    }
    return pages;
}

const char* zoomRefusal(float percent)
{
    if (percent > 400)
        return "デカ過ぎ\nメモリなくなっちゃうよ\n";
    if (percent < 1)
        return "小さ過ぎ\n";
    return nullptr;
}

int spreadAfterUnitChange(int c, int n, int s)
{
    // Without pages c = n = 0 would match the pseudo last page and step to -2, a spread
    // before the first one.
    return s == 1 && c == n && c >= 2 ? c - 2 : c;
}
