#pragma once

#include <string>

// File-name pattern matching with the toolkit's rules (fl_filename_match), taken character by
// character of UTF-8 text instead of byte by byte: `*` any run of characters, `?` any one
// character, `[...]` a set with ranges (a-z) and negation by a leading `^` or `!`, `{a,b|c}`
// alternatives, `\` quotes the next character; ASCII letters compare without case. The whole
// name must match. Ill-formed bytes count as characters of their own. Any thread.
bool matchNamePattern(const std::string& name, const std::string& pattern);
