#include "plugins/archive/EntryReader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/Diagnostics.h"
#include "plugins/SpiSupport.h"

namespace {

// Two readers: the open book and, say, the catalog making a thumbnail of another archive,
// without the one throwing the other's position away. Each may hold a decompression
// dictionary of tens of megabytes, so not more.
constexpr size_t kMaxSlots = 2;
constexpr size_t kMaxNotes = 64;
// Internal result: the entry was reached but is not one to hand over.
constexpr int SPI_REFUSED = 1000;
// Bytes read between two calls of the progress callback.
constexpr size_t kChunkBytes = 1024 * 1024;
// What an entry's block starts with before its data shows it needs more.
constexpr size_t kFirstBlockBytes = 16 * 1024 * 1024;

struct FreeBlock {
    void operator()(unsigned char* p) const { std::free(p); }
};
using Block = std::unique_ptr<unsigned char, FreeBlock>;

bool stopAsked(SpiProgress progress, int done, int total, long user)
{
    return progress != nullptr && progress(done, total, user) != 0;
}

// Why the current entry cannot be handed over, or null when it can.
const char* refusal(archive_entry* entry)
{
    if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_hardlink(entry) != nullptr)
        return "not a regular file";
    if (archive_entry_is_encrypted(entry))
        return "encrypted";
    if (!archive_entry_size_is_set(entry) || archive_entry_size(entry) < 0)
        return "size unknown";
    if (static_cast<unsigned long long>(archive_entry_size(entry)) > kSpiMaxBlockBytes)
        return "larger than 1 GiB";
    return nullptr;
}

// Makes room for `capacity` bytes, keeping the block's contents. False (the block unchanged)
// when memory is short.
bool growBlock(Block& block, size_t capacity)
{
    void* grown = std::realloc(block.get(), capacity);
    if (grown == nullptr)
        return false;
    block.release();
    block.reset(static_cast<unsigned char*>(grown));
    return true;
}

// Reads the current entry's data: exactly `size` bytes and then the end of the entry, with
// no error or warning on the way (libarchive reports CRC mismatches only as it reaches the
// end, which is why the end is always read). The size comes from the header, which a broken
// or hostile archive makes up: the block grows with the data actually read (doubling, up to
// `size`) rather than being taken whole before the first byte, so a small file cannot make
// the plug-in reserve a gigabyte. A complete entry ends in a block of exactly `size` bytes.
int readEntryData(archive* a, size_t size, SpiProgress progress, long user, void** dest)
{
    size_t capacity = std::min(size, kFirstBlockBytes);
    Block block(static_cast<unsigned char*>(std::malloc(capacity > 0 ? capacity : 1)));
    if (!block)
        return SPI_NO_MEMORY;
    const int total = static_cast<int>(size);
    size_t got = 0;
    if (stopAsked(progress, 0, total, user))
        return SPI_ABORTED;
    while (got < size) {
        if (got == capacity) {
            capacity = size - capacity > capacity ? 2 * capacity : size;
            if (!growBlock(block, capacity))
                return SPI_NO_MEMORY;
        }
        const la_ssize_t n =
            archive_read_data(a, block.get() + got, std::min(kChunkBytes, capacity - got));
        if (n < 0) {
            debugPrint("mekuri_archive: read error: %s\n", archiveErrorText(a));
            return SPI_BROKEN_DATA;
        }
        if (n == 0) {
            debugPrint("mekuri_archive: entry ends after %zu of %zu bytes\n", got, size);
            return SPI_BROKEN_DATA;
        }
        got += static_cast<size_t>(n);
        if (stopAsked(progress, static_cast<int>(got), total, user))
            return SPI_ABORTED;
    }
    unsigned char extra[64];
    const la_ssize_t n = archive_read_data(a, extra, sizeof extra);
    if (n != 0) {
        debugPrint("mekuri_archive: entry %s\n",
                   n > 0 ? "longer than its header says" : archiveErrorText(a));
        return SPI_BROKEN_DATA;
    }
    *dest = block.release();
    return SPI_OK;
}

} // namespace

NameCharset EntryReader::charsetFor(const VolumeSet& volumes) const
{
    for (const CharsetNote& note : notes_) {
        if (note.volumes == volumes)
            return note.charset;
    }
    return NameCharset::Raw;
}

bool EntryReader::knowsCharset(const VolumeSet& volumes) const
{
    return std::any_of(notes_.begin(), notes_.end(),
                       [&](const CharsetNote& note) { return note.volumes == volumes; });
}

void EntryReader::rememberCharset(const VolumeSet& volumes, NameCharset charset)
{
    AutoLock lock(mutex_);
    notes_.erase(std::remove_if(notes_.begin(), notes_.end(),
                                [&](const CharsetNote& note) { return note.volumes == volumes; }),
                 notes_.end());
    if (notes_.size() >= kMaxNotes)
        notes_.erase(notes_.begin());
    notes_.push_back({volumes, charset});
}

void EntryReader::clear()
{
    AutoLock lock(mutex_);
    slots_.clear();
    notes_.clear();
}

EntryReader::Slot* EntryReader::reusableSlot(const VolumeSet& volumes, NameCharset charset,
                                             long index)
{
    for (Slot& slot : slots_) {
        if (slot.charset != charset || !(slot.volumes == volumes))
            continue;
        if (slot.index < index || (slot.index == index && !slot.consumed))
            return &slot;
    }
    return nullptr;
}

EntryReader::Slot* EntryReader::openSlot(const VolumeSet& volumes, NameCharset charset)
{
    ArchiveHandle handle = openArchive(volumes, charset);
    if (!handle)
        return nullptr;
    // A reader of the same archive that stands past the wanted entry is of no more use.
    slots_.erase(
        std::remove_if(slots_.begin(), slots_.end(),
                       [&](const Slot& s) { return s.charset == charset && s.volumes == volumes; }),
        slots_.end());
    if (slots_.size() >= kMaxSlots) {
        auto oldest =
            std::min_element(slots_.begin(), slots_.end(),
                             [](const Slot& a, const Slot& b) { return a.lastUse < b.lastUse; });
        slots_.erase(oldest);
    }
    Slot slot;
    slot.volumes = volumes;
    slot.charset = charset;
    slot.handle = std::move(handle);
    slots_.push_back(std::move(slot));
    return &slots_.back();
}

void EntryReader::dropSlot(Slot* slot)
{
    slots_.erase(
        std::remove_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return &s == slot; }),
        slots_.end());
}

// Walks the headers up to entry `index`; libarchive skips (and in solid archives decodes) the
// data of the entries passed over.
int EntryReader::advance(Slot& slot, long index, SpiProgress progress, long user)
{
    archive* a = slot.handle.get();
    while (slot.index < index) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF || r < ARCHIVE_WARN || entry == nullptr) {
            debugPrint("mekuri_archive: entry %ld not reached (stopped at %ld): %s\n", index,
                       slot.index + 1, r == ARCHIVE_EOF ? "end of archive" : archiveErrorText(a));
            return SPI_BROKEN_DATA;
        }
        ++slot.index;
        slot.entry = entry;
        slot.consumed = false;
        if (slot.index < index && stopAsked(progress, 0, 0, user))
            return SPI_ABORTED;
    }
    return SPI_OK;
}

int EntryReader::readFrom(Slot& slot, long index, SpiProgress progress, long user, void** dest,
                          bool* reached)
{
    const int result = advance(slot, index, progress, user);
    if (result != SPI_OK)
        return result;
    *reached = true;
    slot.consumed = true;
    if (const char* reason = refusal(slot.entry)) {
        // Never read the data of links or folders: libarchive 3.6 does not return from
        // reading a RAR 5 symbolic link's data. The header walk skips it safely.
        debugPrint("mekuri_archive: entry %ld refused: %s\n", index, reason);
        return SPI_REFUSED;
    }
    const size_t size = static_cast<size_t>(archive_entry_size(slot.entry));
    return readEntryData(slot.handle.get(), size, progress, user, dest);
}

int EntryReader::extractWith(const VolumeSet& volumes, NameCharset charset, long index,
                             SpiProgress progress, long user, void** dest, bool* reached)
{
    *reached = false;
    if (inside_) {
        // Called again from inside a progress callback (the program lets its event loop run
        // there): the kept readers are in use further up the stack, so this call reads with
        // a reader of its own and leaves them alone.
        Slot own;
        own.handle = openArchive(volumes, charset);
        if (!own.handle)
            return SPI_UNKNOWN_FORMAT;
        const int result = readFrom(own, index, progress, user, dest, reached);
        return result == SPI_REFUSED ? SPI_BROKEN_DATA : result;
    }
    Slot* slot = reusableSlot(volumes, charset, index);
    if (slot == nullptr)
        slot = openSlot(volumes, charset);
    if (slot == nullptr)
        return SPI_UNKNOWN_FORMAT;
    slot->lastUse = ++useCounter_;
    inside_ = true;
    const int result = readFrom(*slot, index, progress, user, dest, reached);
    inside_ = false;
    if (result == SPI_REFUSED)
        return SPI_BROKEN_DATA; // refused before reading: the reader stays usable
    if (result != SPI_OK)
        dropSlot(slot); // the stream's state after a failure is not worth trusting
    return result;
}

int EntryReader::extract(const VolumeSet& volumes, long index, SpiProgress progress, long user,
                         void** dest)
{
    *dest = nullptr;
    if (index < 0)
        return SPI_BROKEN_DATA;
    AutoLock lock(mutex_);
    const NameCharset charset = charsetFor(volumes);
    bool reached = false;
    int result = extractWith(volumes, charset, index, progress, user, dest, &reached);
    if (!reached && result == SPI_BROKEN_DATA && !knowsCharset(volumes)) {
        // Not listed in this process: the headers may only be walkable as cp932.
        result = extractWith(volumes, NameCharset::Cp932, index, progress, user, dest, &reached);
    }
    return result;
}
