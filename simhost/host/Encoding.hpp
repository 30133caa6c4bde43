// The simulator's one home for Base64, hex digits and UTF-8, shared by the tests, the benchmarks
// and the fuzz targets. The module keeps its own decoder: it depends on nothing but the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// Standard alphabet, padded with '='.
std::string EncodeBase64(std::string_view bytes);

// Forgiving, as stored files need: both alphabets, anything else (line breaks, blanks) skipped,
// the first '=' ends the text.
std::string DecodeBase64(std::string_view text);

// 0 to 15, or -1 for a character that is no hex digit.
int HexDigitValue(char c) noexcept;

// "0x1A2B": the form the loader's messages show words in.
std::string HexWord(std::uint32_t value);

// One code point of UTF-8 at `position`, which moves past it. A byte that starts no well-formed
// sequence (overlong, surrogate, beyond U+10FFFF, cut short) yields U+FFFD and moves one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& position) noexcept;

// Appends one code point as UTF-16: one unit, or a surrogate pair beyond U+FFFF.
void AppendUtf16(char32_t codePoint, std::u16string& units);

// UTF-8 to UTF-16 in one pass, ASCII eight bytes at a time; ill-formed bytes as NextCodePoint.
std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace sim
