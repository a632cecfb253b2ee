// The archive plug-in's entry points: LZH/LHA, RAR 4 and 5, 7z, tar and the comic-book
// names of those (and of ZIP, as *.cbz) through libarchive. Plain *.zip stays with the
// program's own ZIP reader.

#include <cstdlib>

#include "platform/Diagnostics.h"
#include "plugins/SpiAbi.h"
#include "plugins/SpiSupport.h"
#include "plugins/archive/ArchiveListing.h"
#include "plugins/archive/EntryReader.h"
#include "plugins/archive/Utf8Locale.h"
#include "plugins/archive/VolumeSet.h"

#define SPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const char* const kInfoTexts[] = {
    "00AM",
    "mekuri archive plug-in: LZH, RAR, 7z, tar (libarchive)",
    "*.lzh;*.lha;*.rar;*.7z;*.tar;*.cbr;*.cb7;*.cbt;*.cbz",
    "LZH, RAR, 7z, tar and comic-book archives",
};

// Source: bits 0-2 of the flag (0 = a file named by the path). Destination: bits 8-10
// (1 = a new memory block).
bool readsFromFile(unsigned flag)
{
    return (flag & 7u) == 0;
}

EntryReader& entryReader()
{
    static EntryReader reader;
    return reader;
}

} // namespace

SPI_EXPORT int GetPluginInfo(int infono, char* buf, int buflen)
{
    if (infono < 0 || infono >= static_cast<int>(sizeof kInfoTexts / sizeof kInfoTexts[0]))
        return 0;
    return copyInfoText(kInfoTexts[infono], buf, buflen);
}

SPI_EXPORT int GetArchiveInfo(const char* path, long len, unsigned flag, void** info)
{
    if (info == nullptr)
        return SPI_INTERNAL_ERROR;
    *info = nullptr;
    // Only whole files named by a path; an archive starting at an offset is not supported.
    if (path == nullptr || !readsFromFile(flag) || len != 0)
        return SPI_NOT_IMPLEMENTED;
    VolumeSet volumes;
    if (!findVolumes(path, volumes))
        return SPI_FILE_READ_ERROR;
    Utf8LocaleScope locale;
    Listing listing;
    if (!listArchive(volumes, listing))
        return SPI_UNKNOWN_FORMAT;
    entryReader().rememberCharset(volumes, listing.charset);
    *info = makeRecordBlock(listing);
    if (*info == nullptr)
        return SPI_NO_MEMORY;
    if (!listing.complete)
        debugPrint("mekuri_archive: %s listed in part (%zu entries)\n", path,
                   listing.entries.size());
    return SPI_OK;
}

SPI_EXPORT int GetFile(const char* path, long pos, void** dest, unsigned flag, SpiProgress cb,
                       long user)
{
    if (dest == nullptr)
        return SPI_INTERNAL_ERROR;
    *dest = nullptr;
    if (path == nullptr || !readsFromFile(flag) || (flag & 0x700u) != SPI_FILE_TO_MEMORY)
        return SPI_NOT_IMPLEMENTED;
    VolumeSet volumes;
    if (!findVolumes(path, volumes))
        return SPI_FILE_READ_ERROR;
    Utf8LocaleScope locale;
    return entryReader().extract(volumes, pos, cb, user, dest);
}
