#include "plugins/SpiSupport.h"

#include <algorithm>
#include <cstring>

int copyInfoText(const char* text, char* buf, int buflen)
{
    if (text == nullptr || buf == nullptr || buflen <= 0)
        return 0;
    const size_t length = std::min(std::strlen(text), static_cast<size_t>(buflen - 1));
    std::memcpy(buf, text, length);
    buf[length] = '\0';
    return static_cast<int>(length);
}
