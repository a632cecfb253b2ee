#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A book as the position store knows it: its full path with its size and modification time,
// so that a book changed since (rewritten, pages added to its folder) opens at its start.
struct BookIdentity {
    std::string path; // full path, as the program opened it
    int64_t size = 0;
    int64_t mtime = 0; // seconds since 1970
};

// Names in a folder book that are not part of it (the catalog file the program saves there).
using NotOfTheBook = std::function<bool(const std::string& name)>;

// Fills `book` from the file or folder at `path` (kept as given); false when it has no status.
// A folder is told by its entries, those `notOfTheBook` names left out: their count as the size
// and the newest one's time. The store treats a path with trailing slashes as the same path
// without them.
bool identifyBook(const std::string& path, BookIdentity& book,
                  const NotOfTheBook& notOfTheBook = {});

// Where the reader stopped in each book: the spread's lower real page (currentPage −
// spreadShift, 0 for the first spread), for the most recently left books, least recently used
// dropped first. Kept in a text file ("mekuri positions 1", then one "page TAB size TAB mtime
// TAB path" line a book, most recent first). Owned by the caller; UI thread only. Another
// program may save the same file meanwhile: load just before a change and save right after it
// keeps both programs' books; the last save wins otherwise.
class PositionStore {
  public:
    static constexpr size_t kDefaultCapacity = 1000;
    explicit PositionStore(size_t capacity = kDefaultCapacity);

    // Replaces the records by the file's. A missing file gives an empty store; an unreadable,
    // corrupt or unversioned one too, after a trace; garbled lines are skipped with one trace.
    // True when the file was read.
    bool load(const std::string& file);
    // Writes the records whole (WholeFile.h). False, after a trace, on failure; the old file
    // is then unchanged.
    bool save(const std::string& file) const;

    // The file's text and the reverse (false, with nothing changed, for a wrong first line).
    std::string encode() const;
    bool decode(const std::string& text);

    // The page remembered for `book`; -1 when there is none, or when its size or time differ.
    int lookup(const BookIdentity& book) const;
    // Records `lowerPage` (negative counts as 0) for `book` as the most recently used, dropping
    // the least recently used past the capacity. A path a file line cannot hold (longer than
    // the line limit once escaped, or empty) is refused with a trace.
    void remember(const BookIdentity& book, int lowerPage);
    // Drops the record of `path`, if any.
    void forget(const std::string& path);
    // A book renamed: its record, if any, now belongs to `to` (replacing one already there).
    void rename(const std::string& from, const std::string& to);

    size_t size() const { return records_.size(); }

  private:
    struct Record {
        std::string path;
        int64_t size;
        int64_t mtime;
        int page;
    };
    std::vector<Record>::iterator find(const std::string& path);

    size_t capacity_;
    std::vector<Record> records_; // most recently used first
};
