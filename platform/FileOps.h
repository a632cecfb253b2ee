#pragma once

#include <cstdint>
#include <string>

// File-system helpers. Paths are UTF-8 byte strings joined with "/". Any thread.

// Moves `from` to `to` without ever replacing an existing file at `to`.
// Returns 0 on success, else an errno value (EEXIST when `to` exists).
int renameNoReplace(const std::string& from, const std::string& to);

// True when both paths name the same file (same device and inode).
bool sameFile(const std::string& a, const std::string& b);

bool pathExists(const std::string& path);
bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);

// Size and modification time (seconds since 1970) of a path; false when it cannot be read.
bool fileStatus(const std::string& path, int64_t* size, int64_t* mtime);

// The absolute form of a path ("." and ".." resolved textually, symbolic links kept).
std::string fullPath(const std::string& path);
// The last component of a path (after the last "/"), ignoring one trailing "/".
std::string lastComponent(const std::string& path);
// The folder part of a path, ending in "/" ("./" when there is none).
std::string folderOf(const std::string& path);
// Joins a folder and a name with exactly one "/".
std::string joinPath(const std::string& folder, const std::string& name);

// True when `name` may become a file name in a folder: not empty, not "." or "..", no "/" and no
// control characters (a newline pasted into a field included), at most 255 bytes.
bool acceptableFileName(const std::string& name);

// The system's text for an errno value, in the user's language.
std::string errorText(int error);
