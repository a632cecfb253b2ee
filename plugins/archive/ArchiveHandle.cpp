#include "plugins/archive/ArchiveHandle.h"

#include <archive.h>

#include <vector>

#include "platform/Diagnostics.h"

namespace {

// Read-ahead of the file reader; large enough that reading is not dominated by system calls.
constexpr size_t kReadBlockBytes = 256 * 1024;

void enableFormats(archive* a)
{
    archive_read_support_format_7zip(a);
    archive_read_support_format_lha(a);
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    archive_read_support_format_tar(a);
    archive_read_support_format_zip(a);
    // Only decompressors built into the library: "all" would also run external programs.
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_bzip2(a);
    archive_read_support_filter_xz(a);
}

} // namespace

void ArchiveFree::operator()(archive* a) const
{
    archive_read_free(a);
}

const char* archiveErrorText(archive* a)
{
    const char* text = a != nullptr ? archive_error_string(a) : nullptr;
    return text != nullptr ? text : "unknown error";
}

ArchiveHandle openArchive(const VolumeSet& volumes, NameCharset charset)
{
    ArchiveHandle handle(archive_read_new());
    if (!handle) {
        debugPrint("mekuri_archive: archive_read_new failed\n");
        return handle;
    }
    enableFormats(handle.get());
    // The option only reaches formats with unmarked names; the others ignore it, and a
    // warning that no format took it is harmless.
    if (charset == NameCharset::Cp932)
        archive_read_set_options(handle.get(), "hdrcharset=CP932");
    std::vector<const char*> names;
    for (const std::string& path : volumes.paths)
        names.push_back(path.c_str());
    names.push_back(nullptr);
    if (archive_read_open_filenames(handle.get(), names.data(), kReadBlockBytes) != ARCHIVE_OK) {
        debugPrint("mekuri_archive: cannot open %s: %s\n",
                   volumes.paths.empty() ? "" : volumes.paths.front().c_str(),
                   archiveErrorText(handle.get()));
        handle.reset();
    }
    return handle;
}
