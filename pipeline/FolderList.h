#pragma once

#include <string>
#include <vector>

// One name of a folder listing.
struct FolderName {
    std::string name; // bare name; "." and ".." included
    bool isFolder;    // the toolkit marked it as a folder
};

// Lists every name of `folder` in the toolkit's order (case-insensitive, runs of digits by
// value). The toolkit's trailing "/" on folder names is taken off and reported in isFolder.
// False when the folder cannot be listed. Any thread.
bool listFolder(const std::string& folder, std::vector<FolderName>& names);
