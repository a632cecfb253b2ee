#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The text form every file of the program's memory shares: a first line naming the file and
// its version ("mekuri positions 1"), then one record a line, fields apart by tabs, each field
// escaped so that any byte string (a path holding a newline or a tab) fits on one line.
// Pure functions; any thread.

// The longest line a reader accepts; longer ones are dropped as garbled.
constexpr size_t kMaxLineBytes = 16 * 1024;

// Writes backslash as "\\", newline, carriage return and tab as "\n", "\r", "\t" and every
// other control byte (below 0x20, and 0x7F) as "\xHH". Other bytes, UTF-8 or not, stay.
std::string escapeField(const std::string& text);

// The reverse of escapeField. False, with `out` unspecified, for a malformed escape or a raw
// control byte (a garbled line).
bool unescapeField(const std::string& text, std::string& out);

// The record lines of `text` when its first line is exactly `header`; false (and no lines)
// otherwise. A last line without its line feed was cut short and is dropped, as is any line
// longer than kMaxLineBytes; `dropped` counts them. Empty lines are skipped.
bool splitRecordLines(const std::string& text, const std::string& header,
                      std::vector<std::string>& lines, size_t* dropped);

// Splits `line` at `separator`; false when the count of fields is not `count`.
bool splitFields(const std::string& line, char separator, size_t count,
                 std::vector<std::string>& fields);

// Strict decimal integers: an optional '-', then 1 to 19 digits, nothing else, within the type.
bool parseInt64(const std::string& text, int64_t& value);
