#include "TouchInput.h"

bool isTouchMouse()
{
    // X11 core and XInput 1 events carry no touch origin, and FLTK 1.3 reads no XInput 2.
    return false;
}
