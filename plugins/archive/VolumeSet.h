#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// What tells one file from another between two calls: a file replaced or rewritten under the
// same name gets a different identity, so a reader kept open on the old one is not reused.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    int64_t size = 0;
    int64_t mtimeSeconds = 0;
    int64_t mtimeNanoseconds = 0;

    bool operator==(const FileIdentity& other) const;
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The files an archive is read from, in order: the file itself, or every volume of a
// multi-volume RAR set ("name.part1.rar", "name.part2.rar", … or with zero-padded numbers).
struct VolumeSet {
    std::vector<std::string> paths;
    std::vector<FileIdentity> identities;

    bool operator==(const VolumeSet& other) const;
};

// Finds the volumes of the archive named `path`: when the name is the first volume of a
// "partN.rar" set, the following volumes that exist are added in order. False (and a trace
// line) when `path` is not a readable regular file. Any thread.
bool findVolumes(const std::string& path, VolumeSet& volumes);
