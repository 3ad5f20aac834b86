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
// The characters RFC 5322 reserves: outside a quoted string or a comment
// they end a display name.
constexpr std::string_view kSpecials = "()<>[]:;@\\,.\"";

// The words of a value in order: the first follows "Name: ", each other is
// parted from the one before by one blank, where the line may be folded.
using Words = std::vector<std::string>;

bool HoldsIso2022Jp(std::string_view text) { return text.find('\x1b') != std::string_view::npos; }

// Where c stands in text outside ISO-2022-JP's two-byte runs; npos when
// nowhere. Text without escape sequences is searched byte by byte.
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

void Append(Words& words, Words more) {
  words.insert(words.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
}

std::string_view Trimmed(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

// Where the quoted string or comment that opens at text[start] ends, just
// past its closing character; npos when it never closes. A backslash takes
// the next character as it stands; comments nest.
size_t PastQuotedOrComment(std::string_view text, size_t start) {
  const bool quoted = text[start] == '"';
  int depth = 1;
  for (size_t i = start + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\')
      ++i;
    else if (quoted ? c == '"' : c == ')') {
      if (--depth == 0) return i + 1;
    } else if (!quoted && c == '(') {
      ++depth;
    }
  }
  return std::string_view::npos;
}

bool IsAtomCharacter(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte > ' ' && byte < 0x7F && kSpecials.find(c) == std::string_view::npos;
}

// Atoms, quoted strings and comments between blanks: a reader takes the
// text as a display name (or, in "(name)", as a comment) as it stands.
bool IsWellFormedPhrase(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '"' || text[i] == '(') {
      i = PastQuotedOrComment(text, i);
      if (i == std::string_view::npos) return false;
    } else if (text[i] == ' ' || IsAtomCharacter(text[i])) {
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

// The text as one quoted string, its backslashes and double quotes escaped;
// the blanks around it stay outside. The text holds more than blanks.
std::string Quoted(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  const size_t end = text.find_last_not_of(' ') + 1;
  std::string quoted(text.substr(0, start));
  quoted += '"';
  for (const char c : text.substr(start, end - start)) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted.append("\"").append(text.substr(end));
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

// True when no line of the field, "Name: " included, passes 78 characters.
bool FitsFolded(std::string_view fieldName, const Words& words) {
  const std::string field = std::string(fieldName) + ": " + Folded(fieldName, words);
  for (size_t start = 0;;) {
    const size_t end = field.find("\r\n", start);
    if ((end == std::string::npos ? field.size() : end) - start > kFoldWidth) return false;
    if (end == std::string::npos) return true;
    start = end + 2;
  }
}

// Unstructured text, all of it encoded or none: a reader drops the blanks
// between encoded-words, so a text split among them comes back exactly.
Words TextWords(std::string_view fieldName, std::string_view text) {
  Words plain = BlankSeparated(text);
  return HoldsIso2022Jp(text) || !FitsFolded(fieldName, plain) ? EncodedWords(text) : plain;
}

// A value built piece by piece: plain pieces join as they were typed;
// encoded-words are parted from what stands beside them by one blank.
class ValueWords {
 public:
  explicit ValueWords(std::string_view fieldName) : m_fieldName(fieldName) {}

  void Plain(std::string_view text) { Add(BlankSeparated(text), false); }
  // A display name: as typed (quoted when it holds a special), or in
  // encoded-words when it holds ISO-2022-JP or would not fold within a line.
  void Phrase(std::string_view text) {
    if (!HoldsIso2022Jp(text)) {
      Words plain = BlankSeparated(IsWellFormedPhrase(text) ? std::string(text) : Quoted(text));
      if (FitsFolded(m_fieldName, plain)) return Add(std::move(plain), false);
    }
    Add(EncodedWords(Trimmed(text)), true);
  }
  // Ends an entry with a comma; the next one starts a word of its own, where
  // the line may fold.
  void Comma() {
    m_words.back() += ',';
    m_newWord = true;
  }
  const Words& All() const { return m_words; }

 private:
  void Add(Words more, bool encoded) {
    const bool touches = !m_words.empty() && !m_newWord;
    if (touches && (encoded || m_encoded)) {
      while (!m_words.empty() && m_words.back().empty()) m_words.pop_back();
      while (!more.empty() && more.front().empty()) more.erase(more.begin());
    } else if (touches && !more.empty()) {
      m_words.back() += more.front();
      more.erase(more.begin());
    }
    if (more.empty()) return;
    Append(m_words, std::move(more));
    m_encoded = encoded;
    m_newWord = false;
  }

  std::string_view m_fieldName;
  Words m_words;
  bool m_encoded = false;  // the last word is an encoded-word
  bool m_newWord = false;  // the next piece starts a word of its own
};

void AddEntry(ValueWords& words, std::string_view entry) {
  const EntryParts parts = SplitEntry(entry);
  if (parts.separator == '\0') {
    if (HoldsIso2022Jp(entry))
      words.Phrase(entry);
    else
      words.Plain(entry);
    return;
  }
  words.Phrase(parts.before);
  words.Plain(parts.separator == '<' ? "<" + std::string(parts.address) + ">" : ":" + std::string(parts.address));
  words.Phrase(parts.after);
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

EntryParts SplitEntry(std::string_view entry) {
  if (const size_t open = FindOutsideJis(entry, '<'); open != std::string_view::npos) {
    const std::string_view rest = entry.substr(open + 1);
    const size_t end = std::min(FindOutsideJis(rest, '<'), FindOutsideJis(rest, '>'));
    if (end == std::string_view::npos) return {'<', entry.substr(0, open), rest, {}};
    return {'<', entry.substr(0, open), rest.substr(0, end), rest.substr(rest[end] == '>' ? end + 1 : end)};
  }
  if (const size_t colon = FindOutsideJis(entry, ':'); colon != std::string_view::npos) {
    const std::string_view rest = entry.substr(colon + 1);
    const size_t end = std::min(FindOutsideJis(rest, ':'), rest.size());
    return {':', entry.substr(0, colon), rest.substr(0, end), rest.substr(end)};
  }
  return {'\0', {}, entry, {}};
}

std::string FoldedText(std::string_view fieldName, std::string_view text) {
  return text.empty() ? "" : Folded(fieldName, TextWords(fieldName, OneLine(text)));
}

std::string FoldedAtBlanks(std::string_view fieldName, std::string_view text) {
  return Folded(fieldName, BlankSeparated(OneLine(text)));
}

std::string FoldedMailbox(std::string_view fieldName, std::string_view displayName,
                          std::string_view address) {
  ValueWords words(fieldName);
  words.Phrase(OneLine(displayName));
  words.Plain("<" + OneLine(address) + ">");
  return Folded(fieldName, words.All());
}

std::string FoldedRecipients(std::string_view fieldName, const TStringList& entries) {
  ValueWords words(fieldName);
  for (int i = 0; i < entries.Count(); ++i) {
    if (i > 0) words.Comma();
    AddEntry(words, OneLine(entries[i]));
  }
  return Folded(fieldName, words.All());
}
