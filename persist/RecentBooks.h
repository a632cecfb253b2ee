#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What a recent entry opens: a book (archive or folder of pages), or a folder in the catalog
// window. One folder may be both, as two entries.
enum class RecentKind { book, catalogFolder };

struct RecentEntry {
    std::string path; // full path
    RecentKind kind;
};

// The books and catalog folders opened last, most recent first, without repeats, for the
// "最近開いたﾌｧｲﾙ" submenu. Kept in a text file ("mekuri recent 1", then one "book|catalog TAB
// path" line an entry). Owned by the caller; UI thread only. Another program may save the
// same file: load before a change and save right after it; the last save wins otherwise.
class RecentBooks {
  public:
    static constexpr size_t kDefaultCapacity = 10;
    explicit RecentBooks(size_t capacity = kDefaultCapacity);

    // Replaces the entries by the file's. A missing file gives an empty list; an unreadable,
    // corrupt or unversioned one too, after a trace; garbled lines are skipped with one trace.
    // True when the file was read.
    bool load(const std::string& file);
    // Writes the entries whole (WholeFile.h). False, after a trace, on failure; the old file
    // is then unchanged.
    bool save(const std::string& file) const;

    // The file's text and the reverse (false, with nothing changed, for a wrong first line).
    std::string encode() const;
    bool decode(const std::string& text);

    // Puts the entry first, removing an equal one (same path and kind) and the oldest past the
    // capacity. Trailing slashes of `path` are dropped. An empty path, or one too long for a
    // file line, is refused with a trace.
    void add(const std::string& path, RecentKind kind);
    // Removes the entry (one that has gone, say); false when there was none.
    bool remove(const std::string& path, RecentKind kind);
    // A book or folder renamed: entries of `from` now name `to`, merged with equal ones.
    void rename(const std::string& from, const std::string& to);

    const std::vector<RecentEntry>& entries() const { return entries_; }

    // The menu label of each entry, in order: its file name, followed by " (folder)" when
    // another entry has the same file name, made safe with menuItemLabel.
    std::vector<std::string> menuLabels() const;

  private:
    size_t capacity_;
    std::vector<RecentEntry> entries_; // most recent first
};

// `text` as the label of a menu item whose text the program sets directly (an Fl_Menu_Item
// array, such as the one an FL_SUBMENU_POINTER item points to): "&" becomes "&&" (else it
// marks a shortcut letter), "@" becomes "@@" (else it starts a symbol or cuts the label), and
// control characters, a newline or tab among them, become "?". "/" and "\" stay: only
// Fl_Menu_::add() reads them (as a submenu separator and an escape), and it must not be used
// for these labels. Pure; any thread.
std::string menuItemLabel(const std::string& text);
