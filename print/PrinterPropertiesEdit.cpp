#include "print/PrinterPropertiesEdit.h"

#include <algorithm>
#include <utility>

PrinterPropertiesEdit::PrinterPropertiesEdit(std::string printer, DeviceMode start,
                                             PrinterCapabilities caps)
    : printer_(std::move(printer)), mode_(std::move(start)), caps_(std::move(caps))
{
}

int PrinterPropertiesEdit::mediaIndex() const
{
    for (size_t i = 0; i < caps_.media.size(); ++i) {
        const MediaChoice& m = caps_.media[i];
        if (m.name == mode_.mediaName && m.left == mode_.marginLeft &&
            m.right == mode_.marginRight && m.top == mode_.marginTop &&
            m.bottom == mode_.marginBottom)
            return static_cast<int>(i);
    }
    return -1;
}

int PrinterPropertiesEdit::sidesIndex() const
{
    const auto at = std::find(caps_.sides.begin(), caps_.sides.end(), mode_.duplex);
    return at == caps_.sides.end() ? -1 : static_cast<int>(at - caps_.sides.begin());
}

int PrinterPropertiesEdit::resolutionIndex() const
{
    const auto at = std::find(caps_.resolutions.begin(), caps_.resolutions.end(),
                              std::make_pair(mode_.xResolution, mode_.yResolution));
    return at == caps_.resolutions.end() ? -1 : static_cast<int>(at - caps_.resolutions.begin());
}

bool PrinterPropertiesEdit::chooseMedia(int index)
{
    if (index < 0 || index >= static_cast<int>(caps_.media.size()))
        return false;
    const MediaChoice& m = caps_.media[index];
    mode_.mediaName = m.name;
    mode_.paperWidth = m.width;
    mode_.paperLength = m.length;
    mode_.marginLeft = m.left;
    mode_.marginRight = m.right;
    mode_.marginTop = m.top;
    mode_.marginBottom = m.bottom;
    return true;
}

bool PrinterPropertiesEdit::chooseSides(int index)
{
    if (index < 0 || index >= static_cast<int>(caps_.sides.size()))
        return false;
    mode_.duplex = caps_.sides[index];
    return true;
}

bool PrinterPropertiesEdit::chooseResolution(int index)
{
    if (index < 0 || index >= static_cast<int>(caps_.resolutions.size()))
        return false;
    mode_.xResolution = caps_.resolutions[index].first;
    mode_.yResolution = caps_.resolutions[index].second;
    mode_.resolutionNamed = true;
    return true;
}

bool PrinterPropertiesEdit::chooseColour(int color)
{
    if (color != 1 && !(color == 2 && caps_.colourSupported))
        return false;
    mode_.color = color;
    return true;
}

bool PrinterPropertiesEdit::chooseOrientation(int orientation)
{
    if (orientation != 1 && orientation != 2)
        return false;
    mode_.orientation = orientation;
    return true;
}
