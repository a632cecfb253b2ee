#pragma once

#include <locale.h>

// Makes the calling thread's character type UTF-8 for the lifetime of the object and puts
// the thread's previous locale back afterwards. libarchive 3.6 turns names into multibyte
// text through the C library's current locale, and in a non-UTF-8 locale it gives no name at
// all for non-ASCII entries; a per-thread locale keeps the host's global locale untouched.
// Does nothing when the thread's locale already is UTF-8 or C.UTF-8 is unavailable.
class Utf8LocaleScope {
  public:
    Utf8LocaleScope();
    ~Utf8LocaleScope();
    Utf8LocaleScope(const Utf8LocaleScope&) = delete;
    Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;

  private:
    locale_t previous_ = nullptr;
    bool switched_ = false;
};
