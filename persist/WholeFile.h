#pragma once

#include <cstddef>
#include <string>

// Whole-file reading and writing for the small files the program keeps between runs. A save
// never leaves a partly written file: it writes a private temporary beside the file, flushes it
// to the disk and renames it into place, so readers, and other programs saving the same file
// at the same time, only ever see one whole version (the last rename wins). Any thread.

// The largest file readWholeFile accepts.
constexpr size_t kMaxWholeFileBytes = 8 * 1024 * 1024;

enum class ReadResult {
    read,    // `content` holds the file
    missing, // no such file (or its folder is missing): nothing saved yet
    failed,  // unreadable, not a regular file, or larger than the limit; traced
};

// Reads the regular file at `path` whole into `content` (cleared on anything but `read`). A
// file above `maxBytes` is refused with a trace and never read into memory.
ReadResult readWholeFile(const std::string& path, std::string& content,
                         size_t maxBytes = kMaxWholeFileBytes);

// Replaces the file at `path` by `content`: the missing folders are made (mode 0700), a
// temporary file beside it is created exclusively (mode 0600, or the old file's mode), written,
// flushed with fsync and renamed over `path`; a symbolic link at `path` is followed, so the
// file it names is replaced. False, after a trace, when anything fails: the old file is then
// untouched and the temporary removed.
bool writeWholeFile(const std::string& path, const std::string& content);

// Makes `folder` and its missing parents with `mode`; true when it exists as a folder after.
bool makeFolders(const std::string& folder, unsigned mode);
