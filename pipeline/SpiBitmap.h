#pragma once

#include <cstddef>
#include <memory>
#include <string>

// Turns what an image plug-in's GetPicture hands back — an info block (a 40-byte bitmap
// information header, then a colour table or bit masks) and a block of pixel rows — into a
// BGR24 picture. Neither block's size is known from the interface, so the caller passes the
// sizes the allocator reports; nothing outside them is ever read. Pure; any thread.

struct SpiBitmap {
    int width = 0;
    int height = 0; // always positive: the picture comes out bottom-up whatever the source order
    int bitCount = 0;
    std::unique_ptr<unsigned char[]> pixels; // owned by the caller
};

// Converts 24-bit, 8- and 4-bit with a colour table, 32-bit, 16-bit (5-5-5) and 16/32-bit
// bit-field pictures, bottom-up (positive height) or top-down (negative height). Returns an
// empty text on success, else why the picture was refused (malformed header, a block shorter
// than the header implies, an unsupported depth or compression, a picture past the size cap).
std::string convertSpiBitmap(const unsigned char* info, size_t infoSize, const unsigned char* bits,
                             size_t bitsSize, SpiBitmap* out);

// Widens a channel of `bits` bits (1 to 32) to 8 bits: wider channels keep their top 8 bits,
// narrower ones repeat their bit pattern (5-bit 0x1F gives 0xFF, 0x10 gives 0x84).
unsigned char widenChannel(unsigned value, int bits);
