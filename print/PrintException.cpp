#include "print/PrintException.h"

#include "platform/Diagnostics.h"

PrintException::PrintException(int location, const std::string& reason)
    : std::runtime_error(reason), location_(location), reason_(reason)
{
}

void tracePrintException(const PrintException& e)
{
    debugPrint("print exception! %s (at %d)\n", e.reason().c_str(), e.location());
}
