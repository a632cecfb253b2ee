#include "PageList.h"

#include "ViewerState.h"

PageList::PageList(int x, int y, int w, int h, ViewerState* owner)
    : Fl_Hold_Browser(x, y, w, h), owner_(owner)
{
}
