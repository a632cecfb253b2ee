#include "Diagnostics.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Dialogs.h"

namespace {

void writeTrace(const char* text, size_t length)
{
    while (length > 0) {
        const ssize_t n = write(STDERR_FILENO, text, length);
        if (n <= 0)
            return;
        text += n;
        length -= static_cast<size_t>(n);
    }
}

} // namespace

void debugPrint(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return;
    writeTrace(buffer, strnlen(buffer, sizeof buffer));
}

void reportError(const void* owner, const char* format, ...)
{
    char buffer[1025];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return;
    messageBox(owner, "Error", buffer, BoxIcon::Warning);
    writeTrace(buffer, strlen(buffer));
}
