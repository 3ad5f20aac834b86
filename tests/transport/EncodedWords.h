#pragma once
// The RFC 2047 "B" encoded-words of a header taken apart as a reader takes
// them: the bytes that each one carries, in order.

#include <string>
#include <string_view>
#include <vector>

inline std::string Base64Decoded(std::string_view text) {
  constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    const size_t value = kAlphabet.find(c);
    if (value == std::string_view::npos) continue;
    bits = bits << 6 | static_cast<unsigned>(value);
    if ((count += 6) >= 8) bytes += static_cast<char>(bits >> (count -= 8));
  }
  return bytes;
}

inline std::vector<std::string> EncodedWordPayloads(std::string_view header) {
  std::vector<std::string> payloads;
  for (size_t at = 0; (at = header.find("?B?", at)) != std::string_view::npos; at += 3)
    payloads.push_back(Base64Decoded(header.substr(at + 3, header.find("?=", at) - at - 3)));
  return payloads;
}

// All the bytes the encoded-words carry, joined.
inline std::string EncodedWordBytes(std::string_view header) {
  std::string bytes;
  for (const std::string& payload : EncodedWordPayloads(header)) bytes += payload;
  return bytes;
}
