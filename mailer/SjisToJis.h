#pragma once
// Shift-JIS -> ISO-2022-JP (RFC 1468) for the text Quillet sends.

#include <string>
#include <string_view>

// Full-width characters go out as JIS X 0208 between ESC "$" "B" and
// ESC "(" "B"; half-width katakana become blanks (ISO-2022-JP has none); a
// lead byte without a valid second byte is copied as it stands, in JIS mode.
// The text ends at its end or at its first NUL, always back in ASCII mode.
std::string SjisToJis(std::string_view sjis);
