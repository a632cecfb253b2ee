#include "plugins/archive/Utf8Locale.h"

#include <langinfo.h>

#include <cstring>

#include "platform/Diagnostics.h"

namespace {

// One UTF-8 character-type locale for the plug-in, made on first use and freed when the
// plug-in is unloaded (no call into the plug-in can be running then).
class SharedUtf8Locale {
  public:
    SharedUtf8Locale()
    {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            locale = newlocale(LC_CTYPE_MASK, name, nullptr);
            if (locale != nullptr)
                return;
        }
        debugPrint("mekuri_archive: no UTF-8 locale available\n");
    }
    ~SharedUtf8Locale()
    {
        if (locale != nullptr)
            freelocale(locale);
    }
    SharedUtf8Locale(const SharedUtf8Locale&) = delete;
    SharedUtf8Locale& operator=(const SharedUtf8Locale&) = delete;

    locale_t locale = nullptr;
};

locale_t utf8Locale()
{
    static SharedUtf8Locale shared;
    return shared.locale;
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
