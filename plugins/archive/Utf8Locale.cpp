#include "plugins/archive/Utf8Locale.h"

#include <langinfo.h>

#include <cstring>
#include <mutex>

#include "platform/Diagnostics.h"

namespace {

// One UTF-8 character-type locale for the whole process, made on first use and kept until
// exit (freeing it while another thread might use it would be unsafe).
locale_t utf8Locale()
{
    static std::once_flag once;
    static locale_t locale = nullptr;
    std::call_once(once, [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            locale = newlocale(LC_CTYPE_MASK, name, nullptr);
            if (locale != nullptr)
                return;
        }
        debugPrint("mekuri_archive: no UTF-8 locale available\n");
    });
    return locale;
}

bool currentLocaleIsUtf8()
{
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
}

} // namespace

Utf8LocaleScope::Utf8LocaleScope()
{
    if (currentLocaleIsUtf8())
        return;
    locale_t utf8 = utf8Locale();
    if (utf8 == nullptr)
        return;
    previous_ = uselocale(utf8);
    switched_ = previous_ != nullptr;
}

Utf8LocaleScope::~Utf8LocaleScope()
{
    if (switched_)
        uselocale(previous_);
}
