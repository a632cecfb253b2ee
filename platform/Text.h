#pragma once

#include <string>
#include <vector>

// Text helpers that keep the behaviour of the Shift-JIS (code page 932) program while every
// string here is UTF-8. All functions are pure and safe from any thread.

// True when `text` is well-formed UTF-8 (no overlongs, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(const std::string& text);

// Decodes the character at `pos` of UTF-8 text; sets `length` to its byte count. An ill-formed
// byte decodes as itself (0xDC00 + byte, a lone-surrogate marker) with length 1.
char32_t decodeUtf8(const std::string& text, size_t pos, size_t* length);
void appendUtf8(std::string& out, char32_t c);

// The cp932 value of a character: its single byte, or lead × 256 + trail; 0 when cp932
// has no such character.
unsigned cp932Code(char32_t c);

// Case-insensitive name comparison with the semantics of _mbsicmp in code page 932:
// character by character, key = cp932 value (else 0x10000 + code point), a–z and ａ–ｚ
// folded to upper case first; a prefix sorts first. Returns <0, 0 or >0.
int mbsicmp(const std::string& a, const std::string& b);

// The key mbsicmp compares one character by: its cp932 value after the a–z / ａ–ｚ fold, else
// 0x10000 + its code point. Name orders built on mbsicmp's character rules use it.
unsigned mbsicmpKey(char32_t c);

// Lower-cases A–Z and full-width Ａ–Ｚ (the effect of _mbslwr in code page 932).
std::string mbslwr(const std::string& text);

// UTF-8 → cp932 bytes. False when a character has no cp932 form (out is then unspecified).
bool utf8ToCp932(const std::string& utf8, std::string& cp932);
// cp932 bytes → UTF-8. False when the bytes are not valid cp932.
bool cp932ToUtf8(const std::string& cp932, std::string& utf8);

// Width of one character as cp932 counts bytes: 1 for ASCII and half-width kana, else 2.
int cp932Width(char32_t c);

// Cuts UTF-8 text into at most `maxLines` lines of at most `lineWidth` cp932 bytes each,
// never splitting a character; text past the last line is dropped.
std::vector<std::string> cutByCp932Width(const std::string& text, int lineWidth, int maxLines);

// The value of a hexadecimal digit, or -1 for any other character.
int hexDigitValue(char c);
