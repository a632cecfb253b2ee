#pragma once

#include <cstdint>
#include <map>
#include <string>

// The program's settings as keys and text values, kept in one text file:
//     mekuri settings 1
//     key=value
// Keys are letters, digits, '.', '_' and '-'; values are escaped like every field of these
// files (LineFormat.h). Keys the program does not know are kept and written back, so that two
// versions of the program can share the file. Owned by the caller; UI thread only.
class Settings {
  public:
    // Replaces every value by the file's. A missing file leaves the settings empty (every
    // getter gives its default); an unreadable, corrupt or unversioned one too, after a trace.
    // Garbled lines are skipped with one trace line. True when the file was read.
    bool load(const std::string& path);
    // Writes every value to `path` whole (WholeFile.h). False, after a trace, on failure; the
    // old file is then unchanged.
    bool save(const std::string& path) const;

    // The file's text, and the reverse (false, with nothing changed, for a wrong first line).
    std::string encode() const;
    bool decode(const std::string& text);

    // A value read as "0" or "1"; `fallback` when missing, or after a trace when it is neither.
    bool getBool(const std::string& key, bool fallback) const;
    // A decimal value within [low, high]; `fallback` when missing, or after a trace when it is
    // not a number or out of the range.
    int64_t getInt(const std::string& key, int64_t fallback, int64_t low, int64_t high) const;
    // The text value; `fallback` when missing, or after a trace when longer than `maxBytes`.
    std::string getString(const std::string& key, const std::string& fallback,
                          size_t maxBytes = 1024) const;

    // Setters; a key that is not acceptableKey, or a line longer than kMaxLineBytes, is refused
    // with a trace (the old value stays).
    void setBool(const std::string& key, bool value);
    void setInt(const std::string& key, int64_t value);
    void setString(const std::string& key, const std::string& value);
    void remove(const std::string& key);
    bool has(const std::string& key) const { return values_.count(key) != 0; }

    // True for 1 to 64 letters, digits, '.', '_' and '-'.
    static bool acceptableKey(const std::string& key);

  private:
    std::map<std::string, std::string> values_;
};
