#pragma once
// Shift-JIS -> ISO-2022-JP (RFC 1468) for the text Quillet sends.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Full-width characters go out as JIS X 0208 (with NEC's row 13) between
// ESC "$" "B" and ESC "(" "B"; half-width katakana become blanks
// (ISO-2022-JP has none). No byte above 0x7F ever comes out: the IBM
// extensions that duplicate a JIS X 0208 or row-13 character go out as that
// character, and anything else ISO-2022-JP cannot carry (other extensions,
// user-defined characters, stray bytes) as the customary substitute "〓".
// The text ends at its end or at its first NUL, always back in ASCII mode.
std::string SjisToJis(std::string_view sjis);

// As SjisToJis, cut between characters into lines of at most maxOctets
// bytes, each ending back in ASCII mode, so that every line stands alone on
// the wire. An empty text gives one empty line.
std::vector<std::string> SjisToJisLines(std::string_view sjis, size_t maxOctets);
