#pragma once

// Helpers shared by the plug-ins shipped with the program (compiled into each of them).

// Results of the plug-in entry points. The program only tells zero from non-zero; the values
// follow the usual plug-in convention so that trace lines stay readable.
enum SpiResult {
    SPI_OK = 0,
    SPI_NOT_IMPLEMENTED = -1,
    SPI_ABORTED = 1, // the progress callback asked to stop
    SPI_UNKNOWN_FORMAT = 2,
    SPI_BROKEN_DATA = 3,
    SPI_NO_MEMORY = 4,
    SPI_FILE_READ_ERROR = 6,
    SPI_INTERNAL_ERROR = 8,
};

// The largest block a plug-in hands over: 1 GiB. Bigger entries and pictures are refused
// before anything is allocated, so a hostile file cannot make the program allocate without
// bound.
constexpr unsigned long long kSpiMaxBlockBytes = 1ull << 30;

// The GetPluginInfo answer for one text: copies `text` into `buf` (at most buflen - 1 bytes
// and a terminating zero) and returns the number of bytes copied; 0 when there is no room or
// no text. Any thread.
int copyInfoText(const char* text, char* buf, int buflen);
