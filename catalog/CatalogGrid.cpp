#include "CatalogGrid.h"

#include <algorithm>

#include "platform/Text.h"

int pageWidthFor(int windowWidth)
{
    return windowWidth - 20;
}

int gridColumns(int pageWidth)
{
    return std::max(1, pageWidth / kCellWidth);
}

int gridRows(int count, int columns)
{
    if (count <= 0)
        return 0;
    columns = std::max(1, columns);
    return (count + columns - 1) / columns;
}

int gridPageHeight(int count, int columns)
{
    const long height = static_cast<long>(std::max(gridRows(count, columns), 1)) * kCellHeight;
    return static_cast<int>(std::min<long>(height, kMaxPageHeight));
}

CellOrigin cellOrigin(int index, int columns, int scrollX, int scrollY)
{
    columns = std::max(1, columns);
    return {kPageLeft - scrollX + (index % columns) * kCellWidth,
            kPageTop - scrollY + (index / columns) * kCellHeight};
}

bool cellOnWindow(CellOrigin origin, int windowWidth, int windowHeight)
{
    return origin.x + kCellWidth > 0 && origin.y + kCellHeight > 0 && origin.x <= windowWidth &&
           origin.y <= windowHeight;
}

GridRect cellRepaintRect(CellOrigin origin, int windowHeight)
{
    const int top = std::max(origin.y, kPageTop);
    const int bottom = std::min(origin.y + kCellHeight, windowHeight - 2);
    return {origin.x, top, kCellWidth, std::max(0, bottom - top)};
}

GridRect selectionRect(CellOrigin origin)
{
    return {origin.x + 1, origin.y, 148, 179};
}

GridRect thumbnailBoxRect(CellOrigin origin)
{
    return {origin.x + 11, origin.y + 2, kThumbnailBox, kThumbnailBox};
}

GridRect thumbnailRect(CellOrigin origin, const CatalogEntry& entry)
{
    return {origin.x + 11 + entry.thumbOffsetX, origin.y + 2 + entry.thumbOffsetY, entry.thumbWidth,
            entry.thumbHeight};
}

GridRect emptyFrameRect(CellOrigin origin)
{
    return {origin.x + 11, origin.y + 1, kThumbnailBox, kThumbnailBox};
}

GridRect labelRect(CellOrigin origin, int line)
{
    return {origin.x + 5, origin.y + 115 + 16 * line, 140, 46};
}

std::vector<GridRect> thumbnailMargins(CellOrigin origin, const CatalogEntry& entry)
{
    const GridRect box = thumbnailBoxRect(origin);
    const GridRect pic = thumbnailRect(origin, entry);
    std::vector<GridRect> strips;
    if (entry.thumbOffsetX > 0)
        strips.push_back({box.x, box.y, entry.thumbOffsetX, box.h});
    if (entry.thumbOffsetX + entry.thumbWidth < kThumbnailBox)
        strips.push_back({pic.x + pic.w, box.y, box.x + box.w - (pic.x + pic.w), box.h});
    if (entry.thumbOffsetY > 0)
        strips.push_back({pic.x, box.y, pic.w, entry.thumbOffsetY});
    if (entry.thumbOffsetY + entry.thumbHeight < kThumbnailBox)
        strips.push_back({pic.x, pic.y + pic.h, pic.w, box.y + box.h - (pic.y + pic.h)});
    return strips;
}

std::vector<std::string> labelLines(const std::string& name)
{
    return cutByCp932Width(name.substr(0, name.find('\0')), kLabelLineBytes, kLabelLines);
}

GridHit hitTest(int ex, int ey, int scrollX, int scrollY, int pageWidth, int pageHeight,
                int columns, int count)
{
    GridHit hit;
    hit.pageX = ex + scrollX - kPageLeft;
    hit.pageY = ey + scrollY - kPageTop;
    if (hit.pageX < 0 || hit.pageX >= pageWidth || hit.pageY < 0 || hit.pageY >= pageHeight)
        return hit;
    hit.kind = GridHit::Empty;
    const int column = hit.pageX / kCellWidth;
    if (column >= columns)
        return hit;
    const long index = column + static_cast<long>(columns) * (hit.pageY / kCellHeight);
    if (index < count) {
        hit.kind = GridHit::Entry;
        hit.index = static_cast<int>(index);
    }
    return hit;
}

bool inNameArea(int pageX, int pageY)
{
    const int x = pageX % kCellWidth;
    const int y = pageY % kCellHeight;
    return x >= 5 && x <= 144 && y >= 131 && y <= 175;
}

bool verticalBarNeeded(int pageHeight, int scrollAreaHeight)
{
    return pageHeight > scrollAreaHeight - 4;
}

int maxVerticalScroll(int pageHeight, int scrollAreaHeight)
{
    return std::max(0, pageHeight - scrollAreaHeight + 4);
}

int scrollToShowEntry(int index, int columns, int scrollY, int windowHeight, int pageHeight,
                      int scrollAreaHeight)
{
    if (index < 0 || !verticalBarNeeded(pageHeight, scrollAreaHeight))
        return scrollY;
    const int y = kPageTop - scrollY + (index / std::max(1, columns)) * kCellHeight;
    int v = scrollY;
    if (y < kPageTop)
        v += y - kPageTop;
    if (y + 179 > windowHeight - 2)
        v += y + 179 - (windowHeight - 2);
    return std::clamp(v, 0, maxVerticalScroll(pageHeight, scrollAreaHeight));
}

int scrollAfterResize(int scrollY, int windowHeight, int pageHeight)
{
    const int scrollAreaHeight = windowHeight - 20;
    if (!verticalBarNeeded(pageHeight, scrollAreaHeight))
        return 0;
    return std::min(scrollY, pageHeight + 24 - windowHeight);
}
