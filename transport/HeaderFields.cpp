#include "transport/HeaderFields.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/strings/StringList.h"
#include "transport/ZnUUE.h"

namespace {

constexpr size_t kFoldWidth = 78;
// 36 bytes give 48 base64 characters: with "=?ISO-2022-JP?B?" and "?=" an
// encoded-word takes 66 characters, within the 75 RFC 2047 allows and, after
// any field name the message uses, within a line of 78.
constexpr size_t kMaxEncodedWordBytes = 36;
constexpr std::string_view kToAscii = "\x1b(B";

// The words of a value in order: the first follows "Name: ", each other is
// parted from the one before by one blank, where the line may be folded.
using Words = std::vector<std::string>;

bool HoldsIso2022Jp(std::string_view text) { return text.find('\x1b') != std::string_view::npos; }

// Pieces of ISO-2022-JP text of at most maxBytes each, cut between
// characters; each piece starts and ends in ASCII, as every encoded-word must
// (RFC 1468).
std::vector<std::string> SplitJisText(std::string_view text, size_t maxBytes) {
  std::vector<std::string> pieces;
  std::string piece;
  std::string designation;  // the two-byte escape in force; empty in ASCII
  for (size_t i = 0; i < text.size();) {
    bool escape = text[i] == '\x1b';
    size_t length = escape ? 3 : designation.empty() ? 1 : 2;
    std::string_view unit = text.substr(i, length);
    std::string after = escape ? (unit.substr(1, 1) == "$" ? std::string(unit) : "") : designation;
    // Room to return to ASCII, and after an escape into two-byte text room for
    // its first character too, so that no piece ends in an empty run.
    size_t closing = after.empty() ? 0 : kToAscii.size() + (escape ? 2 : 0);
    if (piece.size() > designation.size() && piece.size() + unit.size() + closing > maxBytes) {
      if (!designation.empty()) piece += kToAscii;
      pieces.push_back(piece);
      piece = designation;
    }
    piece += unit;
    designation = after;
    i += length;
  }
  if (!designation.empty()) piece += kToAscii;
  if (!piece.empty()) pieces.push_back(piece);
  return pieces;
}

// The pieces between single blanks, empty ones included: joined again with
// one blank each they give the text back, whatever its spacing.
Words BlankSeparated(std::string_view text) {
  Words words(1);
  for (char c : text) {
    if (c == ' ')
      words.emplace_back();
    else
      words.back() += c;
  }
  return words;
}

Words EncodedWords(std::string_view text) {
  const std::string charset = HoldsIso2022Jp(text) ? "ISO-2022-JP" : "US-ASCII";
  Words words;
  for (const std::string& piece : SplitJisText(text, kMaxEncodedWordBytes))
    words.push_back("=?" + charset + "?B?" + Base64Text(piece) + "?=");
  return words;
}

bool NeedsEncoding(std::string_view text) {
  const Words plain = BlankSeparated(text);
  return HoldsIso2022Jp(text) || std::any_of(plain.begin(), plain.end(), [](const std::string& run) {
           return run.size() >= kFoldWidth;  // not even a line of its own could hold it
         });
}

// All of the text encoded or none of it: a reader drops the blanks between
// encoded-words, so a text split among them comes back exactly.
Words TextWords(std::string_view text) { return NeedsEncoding(text) ? EncodedWords(text) : BlankSeparated(text); }

void Append(Words& words, Words more) {
  words.insert(words.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

Words MailboxWords(std::string_view displayName, std::string_view angleAddress) {
  if (!NeedsEncoding(displayName)) return BlankSeparated(std::string(displayName) + std::string(angleAddress));
  Words words = EncodedWords(displayName.substr(0, displayName.find_last_not_of(' ') + 1));
  Append(words, BlankSeparated(angleAddress));
  return words;
}

Words EntryWords(std::string_view entry) {
  const size_t open = FindOutsideJis(entry, '<');
  if (open != std::string_view::npos) return MailboxWords(entry.substr(0, open), entry.substr(open));
  return HoldsIso2022Jp(entry) ? EncodedWords(entry) : BlankSeparated(entry);
}

std::string Folded(std::string_view fieldName, const Words& words) {
  std::string value;
  size_t lineLength = fieldName.size() + 2;  // "Name: "
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (i > 0) {
      // The fold goes before the blank, which unfolding keeps. None before an
      // empty word: it could leave a line of blanks alone.
      if (!word.empty() && lineLength + 1 + word.size() > kFoldWidth) {
        value += "\r\n";
        lineLength = 0;
      }
      value += ' ';
      ++lineLength;
    }
    value += word;
    lineLength += word.size();
  }
  return value;
}

}  // namespace

std::string OneLine(std::string_view text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    bool breaks = text[i] == '\r' || text[i] == '\n' || text[i] == '\0';
    line += breaks ? ' ' : text[i];
  }
  return line;
}

size_t FindOutsideJis(std::string_view text, char c) {
  bool twoByte = false;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\x1b') {
      twoByte = text.substr(i + 1, 1) == "$";
      i += 3;
    } else if (twoByte) {
      i += 2;
    } else if (text[i] == c) {
      return i;
    } else {
      ++i;
    }
  }
  return std::string_view::npos;
}

std::string FoldedText(std::string_view fieldName, std::string_view text) {
  return text.empty() ? "" : Folded(fieldName, TextWords(OneLine(text)));
}

std::string FoldedAtBlanks(std::string_view fieldName, std::string_view text) {
  return Folded(fieldName, BlankSeparated(OneLine(text)));
}

std::string FoldedMailbox(std::string_view fieldName, std::string_view displayName,
                          std::string_view address) {
  return Folded(fieldName, MailboxWords(OneLine(displayName), std::string("<").append(OneLine(address)).append(">")));
}

std::string FoldedRecipients(std::string_view fieldName, const TStringList& entries) {
  Words words;
  for (int i = 0; i < entries.Count(); ++i) {
    if (i > 0) words.back() += ',';
    Append(words, EntryWords(OneLine(entries[i])));
  }
  return Folded(fieldName, words);
}
