#pragma once

#include <memory>

#include "plugins/archive/VolumeSet.h"

struct archive;

// How entry names are read from the archive headers: as they are stored (UTF-8 or Unicode
// formats, and raw bytes elsewhere), or taking unmarked names as code page 932 (archives
// made on Japanese Windows). The choice also decides whether libarchive can walk the headers
// at all: an LZH whose names are not valid in the chosen encoding stops at that entry.
enum class NameCharset { Raw, Cp932 };

struct ArchiveFree {
    void operator()(archive* a) const;
};

// Owner of a libarchive reader; archive_read_free on destruction.
using ArchiveHandle = std::unique_ptr<archive, ArchiveFree>;

// Opens the volumes for reading with the formats the plug-in claims (LZH, RAR 4 and 5, 7z,
// tar, ZIP for *.cbz) and the usual tar compressions. Call inside a Utf8LocaleScope. Null and
// a trace line when the files cannot be opened or are no archive libarchive knows.
ArchiveHandle openArchive(const VolumeSet& volumes, NameCharset charset);

// The text of libarchive's last error for `a`, never null.
const char* archiveErrorText(archive* a);
