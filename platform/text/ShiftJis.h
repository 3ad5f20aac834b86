#pragma once
// Shift-JIS (code page 932) is the text of the programs: everything they hold,
// compare, store or send. These functions convert at the platform's edges.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Shift-JIS bytes -> UTF-8. Every character of code page 932 converts, with
// Windows' mappings for the single bytes 0x80 (U+0080), 0xA0 (U+F8F0) and
// 0xFD..0xFF (U+F8F1..U+F8F3). A byte that starts no valid character (a lone
// lead byte, or a lead and trail byte pair the code page leaves unassigned) is
// kept visible as U+F700 + byte (a private use code point) so that
// SjisFromUtf8 gives the same byte back; an ASCII trail byte of such a pair
// comes out as U+F740..U+F77E, so it is never read as "\" or another symbol.
std::string Utf8FromSjis(std::string_view sjis);
// UTF-8 -> Shift-JIS. A character the code page lacks, and malformed UTF-8,
// becomes "?" (Windows' best fit where it has one: U+00A5 gives 0x5C);
// U+F740..U+F7FF become the single bytes 0x40..0xFF.
std::string SjisFromUtf8(std::string_view utf8);

// Whole-text equality ignoring letter case in the user's locale (the list
// boxes' exact search and the string lists' IndexOf).
bool SameTextIgnoreCase(std::string_view a, std::string_view b);
// Locale order for sorting, case-insensitive: <0, 0 or >0.
int CompareTextIgnoreCase(std::string_view a, std::string_view b);

// The longest prefix of text of at most maxBytes bytes that does not split a
// double-byte character.
size_t SjisPrefixLength(std::string_view text, size_t maxBytes);
// part occurs in text starting on a character boundary, never on the second
// byte of a double-byte character; bytes compare exactly. An empty text or
// part contains nothing.
bool SjisContains(std::string_view text, std::string_view part);
// True when byte b starts a double-byte character.
inline bool IsSjisLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace platform
