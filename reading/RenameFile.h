#pragma once

#include <string>

// Moves the file at `oldPath` to `newPath`, never replacing a file already there. Equal paths
// count as done without touching the file. On failure shows the rename-failure box with the
// system's reason, traces, and returns 0; 1 on success. Closing a book carries out its pending
// rename with it; the catalog window renames its archives with it too. UI thread.
int renameFile(const std::string& oldPath, const std::string& newPath);
