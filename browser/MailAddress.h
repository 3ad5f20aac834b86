#pragma once
// The bare mail address of a From (or To) text, as the sorting rules and the
// reply hand-over key on it.

#include <string>
#include <string_view>

// Comments in parentheses are blanked first (an unclosed one runs to the
// end); then the text inside the last angle-bracket pair is taken, or else
// the first blank-delimited word. Only the blank separates words. Gives ""
// when nothing is left. Bytes below 0x40 never occur as the second byte of a
// Shift-JIS character, so the byte-wise scan is safe on Japanese names.
std::string ExtractAddress(std::string_view source);
