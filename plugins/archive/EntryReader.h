#pragma once

#include <cstdint>
#include <vector>

#include "platform/Mutex.h"
#include "plugins/SpiAbi.h"
#include "plugins/archive/ArchiveHandle.h"
#include "plugins/archive/VolumeSet.h"

struct archive_entry;

// Gets entries out of archives, keeping readers open between calls.
//
// libarchive reads an archive as a stream: in a solid archive (7z by default, solid RAR) an
// entry can only be reached by decompressing everything before it. Opening the archive again
// for every page would make reading a book cost O(pages²), so the last few readers stay open
// with their position; a request for a later entry of the same file (same path, device,
// inode, size and modification time) goes on from there, an earlier one reopens the archive.
// Reading a book front to back therefore costs about one pass over it.
//
// Every method may be called from any thread; an internal mutex serialises them. A call made
// again from inside the progress callback of another (same thread) is served by a reader of
// its own, so it cannot pull a kept reader away from under the outer call.
class EntryReader {
  public:
    EntryReader() = default;
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // Reads the entry at header index `index` into a new malloc'ed block of exactly the
    // entry's size (*dest; the caller frees it). Fails, with no block, for an entry that is no
    // regular file, is encrypted, is above 1 GiB, gives more or fewer bytes than its header
    // says, or whose reading ends in any libarchive error or warning (such as a CRC
    // mismatch). `progress` (may be null) is called now and then; a non-zero answer stops the
    // read. Returns SPI_OK or another SpiResult.
    int extract(const VolumeSet& volumes, long index, SpiProgress progress, long user, void** dest);

    // Records how the listing read this archive's names, so that extraction walks the headers
    // the same way (some LZH archives can only be walked with cp932 names).
    void rememberCharset(const VolumeSet& volumes, NameCharset charset);

    // Closes every kept reader (tests and shutdown).
    void clear();

  private:
    struct Slot {
        VolumeSet volumes;
        NameCharset charset = NameCharset::Raw;
        ArchiveHandle handle;
        long index = -1;                // header index of the current entry, -1 before the first
        archive_entry* entry = nullptr; // its header, owned by the handle
        bool consumed = false;          // the current entry's data was read or refused
        uint64_t lastUse = 0;
    };
    struct CharsetNote {
        VolumeSet volumes;
        NameCharset charset;
    };

    NameCharset charsetFor(const VolumeSet& volumes) const;
    bool knowsCharset(const VolumeSet& volumes) const;
    Slot* reusableSlot(const VolumeSet& volumes, NameCharset charset, long index);
    Slot* openSlot(const VolumeSet& volumes, NameCharset charset);
    void dropSlot(Slot* slot);
    int advance(Slot& slot, long index, SpiProgress progress, long user);
    int readFrom(Slot& slot, long index, SpiProgress progress, long user, void** dest,
                 bool* reached);
    int extractWith(const VolumeSet& volumes, NameCharset charset, long index, SpiProgress progress,
                    long user, void** dest, bool* reached);

    Mutex mutex_;
    std::vector<Slot> slots_;        // at most kMaxSlots
    std::vector<CharsetNote> notes_; // at most kMaxNotes, oldest first
    uint64_t useCounter_ = 0;
    bool inside_ = false; // a kept reader is being used further up this thread's stack
};
