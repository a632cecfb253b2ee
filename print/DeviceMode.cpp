#include "print/DeviceMode.h"

#include <algorithm>
#include <cstring>

namespace {

struct PaperCode {
    const char* prefix; // PWG media name up to the size part
    int code;
};

// The media with a paper code of their own, by the start of their PWG name.
const PaperCode kPaperCodes[] = {
    {"na_letter_", 1}, {"na_ledger_", 3},   {"na_legal_", 5}, {"na_executive_", 7},
    {"iso_a3_", 8},    {"iso_a4_", 9},      {"iso_a5_", 11},  {"jis_b4_", 12},
    {"jis_b5_", 13},   {"jpn_hagaki_", 43}, {"iso_a6_", 70},
};

bool landscape(const DeviceMode& mode)
{
    return mode.orientation == 2;
}

} // namespace

int mm100ToDots(long long mm100, int dpi)
{
    if (mm100 <= 0 || dpi <= 0)
        return 0;
    return static_cast<int>(mm100 * dpi / 2540);
}

int DeviceMode::paperSizeCode() const
{
    for (const PaperCode& p : kPaperCodes)
        if (mediaName.compare(0, std::strlen(p.prefix), p.prefix) == 0)
            return p.code;
    return 0;
}

int DeviceMode::horizontalDpi() const
{
    return landscape(*this) ? yResolution : xResolution;
}

int DeviceMode::verticalDpi() const
{
    return landscape(*this) ? xResolution : yResolution;
}

// Turned a quarter to the left, the upright top margin becomes the left one and the upright
// right margin the top one.
int DeviceMode::sheetWidthMm100() const
{
    return std::max(0, landscape(*this) ? paperLength : paperWidth);
}

int DeviceMode::sheetHeightMm100() const
{
    return std::max(0, landscape(*this) ? paperWidth : paperLength);
}

int DeviceMode::leftMarginMm100() const
{
    return std::max(0, landscape(*this) ? marginTop : marginLeft);
}

int DeviceMode::topMarginMm100() const
{
    return std::max(0, landscape(*this) ? marginRight : marginTop);
}

int DeviceMode::physicalWidth() const
{
    return mm100ToDots(sheetWidthMm100(), horizontalDpi());
}

int DeviceMode::physicalHeight() const
{
    return mm100ToDots(sheetHeightMm100(), verticalDpi());
}

int DeviceMode::offsetX() const
{
    return mm100ToDots(leftMarginMm100(), horizontalDpi());
}

int DeviceMode::offsetY() const
{
    return mm100ToDots(topMarginMm100(), verticalDpi());
}

int DeviceMode::printableWidth() const
{
    const int right = std::max(0, landscape(*this) ? marginBottom : marginRight);
    return mm100ToDots(static_cast<long long>(sheetWidthMm100()) - leftMarginMm100() - right,
                       horizontalDpi());
}

int DeviceMode::printableHeight() const
{
    const int bottom = std::max(0, landscape(*this) ? marginLeft : marginBottom);
    return mm100ToDots(static_cast<long long>(sheetHeightMm100()) - topMarginMm100() - bottom,
                       verticalDpi());
}
