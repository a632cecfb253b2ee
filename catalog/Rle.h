#pragma once

#include <cstddef>

// The run-length code of catalog records. A compressed stream is a sequence of items: a byte
// other than 0x88 stands for itself; the four bytes 0x88, v, c-low, c-high stand for c copies
// of v. Pure functions, any thread.

constexpr unsigned char kRleEscape = 0x88;

// Room rleEncode may use for `length` input bytes: three times the input (the worst case of a
// record is 2.5 times), plus one item for inputs too short for that rule.
constexpr size_t rleBound(size_t length)
{
    return 3 * length + 4;
}

// Compresses `length` bytes of `input` into `output`, which holds rleBound(length) bytes. Runs
// of 5 or more and every run of 0x88 become escape items, shorter runs stay literal; runs
// longer than 65535 (impossible within one record) are cut into several items. Returns the
// bytes written, or 0 after the "致命的 圧縮失敗" error box (owner: `owner`) if the output would
// pass its bound.
size_t rleEncode(unsigned char* output, const unsigned char* input, size_t length,
                 const void* owner);

// Expands `length` bytes of `input` into `record`, which holds `capacity` bytes. Returns the
// bytes produced, or -1 when an item is cut off by the end of the input or the output would
// pass `capacity`; nothing is ever written past `capacity` nor read past `length`.
long rleDecode(size_t length, unsigned char* record, size_t capacity, const unsigned char* input);
