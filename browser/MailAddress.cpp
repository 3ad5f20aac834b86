#include "browser/MailAddress.h"

namespace {

std::string BlankComments(std::string_view source) {
  std::string text(source);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '(') continue;
    const size_t close = text.find(')', i);
    const size_t end = close == std::string::npos ? text.size() : close + 1;
    text.replace(i, end - i, end - i, ' ');
    i = end - 1;
  }
  return text;
}

// The text from `start` up to the next '>', leading '>' characters skipped.
std::string UpToClosingBracket(const std::string& text, size_t start) {
  const size_t begin = text.find_first_not_of('>', start);
  if (begin == std::string::npos) return {};
  const size_t end = text.find('>', begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::string BracketedAddress(const std::string& text) {
  const size_t lastClose = text.rfind('>');
  const size_t open = text.rfind('<', lastClose);
  // With no '<' before the last '>', the text is taken from its second byte.
  const size_t start = open == std::string::npos ? 1 : open + 1;
  return UpToClosingBracket(text, start);
}

std::string FirstWord(const std::string& text) {
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find(' ', begin) - begin);
}

}  // namespace

std::string ExtractAddress(std::string_view source) {
  const std::string text = BlankComments(source);
  const bool bracketed = text.find('<') != std::string::npos && text.find('>') != std::string::npos;
  const std::string address = bracketed ? BracketedAddress(text) : FirstWord(text);
  return address.find_first_not_of(' ') == std::string::npos ? std::string() : address;
}
