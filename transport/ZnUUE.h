#pragma once
// Unit ZnUUE: the attachment encoder. It turns the bytes of an input stream
// into text lines in an output stream, in base64 or in uuencode form; there
// is no decoder.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/Classes.h"

// The encoding of attachments: base64 (RFC 2045) or uuencode.
enum UUMethods : std::uint8_t { uuMime, uuCode };

class TZnUUProcessor : public TComponent {
 public:
  explicit TZnUUProcessor(TComponent* AOwner);

  // Encodes all of inputStream, from its start, into outputStream as lines of
  // at most 45 input bytes, each ended by CR LF; uuencode ends with a line
  // holding only the grave accent. outputStream is left at its start and
  // OnEndEncode fires also when encoding fails. Both streams must be set.
  void Encode();
  // Copies the alphabet of Method into alphabet; another value keeps it.
  void SelectAlphabet();
  // The alphabet character for the low six bits of value.
  char EncodeChar(std::uint8_t value) const;

  UUMethods Method = uuMime;
  TNotifyEvent OnBeginEncode;
  TNotifyEvent OnEndEncode;
  TNotifyEvent OnBeginDecode;             // declared only: there is no decoder
  TNotifyEvent OnEndDecode;               // declared only
  TStream* inputStream = nullptr;         // borrowed
  TMemoryStream* outputStream = nullptr;  // borrowed

 private:
  void EncodeAll();
  void EndEncode();
  std::string EncodeLine(const std::uint8_t* bytes, std::size_t count) const;
  void WriteLine(const std::string& text);

  char alphabet[64] = {};
};

// The encoder's lines, each ended by CR LF, for bytes held in memory.
std::string EncodedLines(std::string_view bytes, UUMethods method);

// The base64 form of bytes as one run of characters with fill, no line ends
// (for encoded-words in header values).
std::string Base64Text(std::string_view bytes);
