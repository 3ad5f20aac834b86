#include "transport/ZnUUE.h"

#include <cstring>

namespace {

// Both tables have 64 entries; uuencode maps 0 to the grave accent so that no
// output character is a blank that mail transports might strip.
constexpr char kMimeAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUUAlphabet[] = "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";
static_assert(sizeof kMimeAlphabet == 65 && sizeof kUUAlphabet == 65);

constexpr size_t kBytesPerLine = 45;

}  // namespace

TZnUUProcessor::TZnUUProcessor(TComponent* AOwner) : TComponent(AOwner) {}

void TZnUUProcessor::SelectAlphabet() {
  if (Method == uuMime) std::memcpy(alphabet, kMimeAlphabet, 64);
  if (Method == uuCode) std::memcpy(alphabet, kUUAlphabet, 64);
}

char TZnUUProcessor::EncodeChar(uint8_t value) const { return alphabet[value & 63]; }

void TZnUUProcessor::Encode() {
  // The output is rewound and the end reported also after a failure, so that
  // the caller always finds the stream ready to copy.
  try {
    EncodeAll();
  } catch (...) {
    EndEncode();
    throw;
  }
  EndEncode();
}

void TZnUUProcessor::EncodeAll() {
  inputStream->SetPosition(0);
  if (OnBeginEncode) OnBeginEncode(this);
  SelectAlphabet();
  uint8_t block[kBytesPerLine];
  while (inputStream->Position() < inputStream->Size()) {
    int64_t count = inputStream->Read(block, kBytesPerLine);
    if (count <= 0) break;
    WriteLine(EncodeLine(block, static_cast<size_t>(count)));
  }
  if (Method == uuCode) WriteLine(std::string(1, EncodeChar(0)));
}

void TZnUUProcessor::EndEncode() {
  outputStream->SetPosition(0);
  if (OnEndEncode) OnEndEncode(this);
}

std::string TZnUUProcessor::EncodeLine(const uint8_t* bytes, size_t count) const {
  std::string line;
  line.reserve(64);
  if (Method == uuCode) line += EncodeChar(static_cast<uint8_t>(count));
  size_t i = 0;
  for (; i + 3 <= count; i += 3) {
    line += EncodeChar(bytes[i] >> 2);
    line += EncodeChar(((bytes[i] & 3) << 4) | (bytes[i + 1] >> 4));
    line += EncodeChar(((bytes[i + 1] & 15) << 2) | (bytes[i + 2] >> 6));
    line += EncodeChar(bytes[i + 2] & 63);
  }
  size_t rest = count - i;
  if (rest == 1) {
    line += EncodeChar(bytes[i] >> 2);
    line += EncodeChar((bytes[i] & 3) << 4);
    if (Method == uuMime) line += "==";
  } else if (rest == 2) {
    line += EncodeChar(bytes[i] >> 2);
    line += EncodeChar(((bytes[i] & 3) << 4) | (bytes[i + 1] >> 4));
    line += EncodeChar((bytes[i + 1] & 15) << 2);
    if (Method == uuMime) line += "=";
  }
  return line;
}

void TZnUUProcessor::WriteLine(const std::string& text) {
  outputStream->Write(text.data(), text.size());
  outputStream->Write("\r\n", 2);
}

std::string EncodedLines(std::string_view bytes, UUMethods method) {
  TMemoryStream input;
  TMemoryStream output;
  input.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  TZnUUProcessor encoder(nullptr);
  encoder.Method = method;
  encoder.inputStream = &input;
  encoder.outputStream = &output;
  encoder.Encode();
  return std::string(output.Memory(), static_cast<size_t>(output.Size()));
}

std::string Base64Text(std::string_view bytes) {
  std::string text;
  for (char c : EncodedLines(bytes, uuMime))
    if (c != '\r' && c != '\n') text += c;
  return text;
}
