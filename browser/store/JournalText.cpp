#include "browser/store/JournalText.h"

#include <algorithm>
#include <charconv>

#include "browser/store/ContentCheck.h"

namespace {

constexpr std::string_view kFirstLine = "marrowkit journal 2";
constexpr char kHexDigits[] = "0123456789abcdef";

std::string NumbersLine(std::string_view key, std::initializer_list<uint64_t> numbers) {
  std::string line(key);
  for (const uint64_t number : numbers) line.append(" ").append(std::to_string(number));
  return line;
}

std::string Hex(std::string_view bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char byte : bytes) {
    hex.push_back(kHexDigits[static_cast<unsigned char>(byte) >> 4]);
    hex.push_back(kHexDigits[static_cast<unsigned char>(byte) & 15]);
  }
  return hex;
}

std::string HexChecks(const std::vector<uint32_t>& checks) {
  std::string bytes;
  bytes.reserve(checks.size() * 4);
  for (const uint32_t check : checks)
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(check >> shift));
  return Hex(bytes);
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2) return std::nullopt;
  std::string bytes(hex.size() / 2, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, value, 16);
    if (error != std::errc() || end != hex.data() + 2 * i + 2) return std::nullopt;
    bytes[i] = static_cast<char>(value);
  }
  return bytes;
}

std::optional<std::vector<uint32_t>> ChecksFromHex(std::string_view hex) {
  const std::optional<std::string> bytes = FromHex(hex);
  if (!bytes || bytes->size() % 4) return std::nullopt;
  std::vector<uint32_t> checks(bytes->size() / 4);
  for (size_t i = 0; i < checks.size(); ++i)
    for (int b = 0; b < 4; ++b) checks[i] = checks[i] << 8 | static_cast<unsigned char>((*bytes)[4 * i + b]);
  return checks;
}

// A line added after the intent ends in a check of itself.
std::string Checked(std::string line) {
  const uint64_t check = CheckOf(line);
  return line + " " + std::to_string(check) + "\n";
}

std::string PlaceWord(JournalPlace place) { return place == JournalPlace::Here ? "here" : "other"; }

std::string DrawerRefWord(const JournalDrawerRef& drawer) {
  return drawer.target ? "t" + std::to_string(*drawer.target) : "s";
}

std::string DrawerLines(const NamedDrawer& drawer) { return drawer.listName + "\n" + drawer.mailName + "\n"; }

class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : m_bytes(bytes) {}
  size_t Position() const { return m_pos; }
  // The next line without its line feed; none at the end or for a line cut short.
  std::optional<std::string_view> Next() {
    const size_t end = m_bytes.find('\n', m_pos);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = m_bytes.substr(m_pos, end - m_pos);
    m_pos = end + 1;
    return line;
  }

 private:
  std::string_view m_bytes;
  size_t m_pos = 0;
};

// The words of a line, split at single blanks.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  for (size_t start = 0;;) {
    const size_t blank = line.find(' ', start);
    words.push_back(line.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start));
    if (blank == std::string_view::npos) return words;
    start = blank + 1;
  }
}

std::optional<uint64_t> Number(std::string_view word) {
  uint64_t number = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
  if (error != std::errc() || end != word.data() + word.size() || word.empty()) return std::nullopt;
  return number;
}

// "key n1 n2 ... place": the key, count numbers, and a place when asked for.
struct KeyedNumbers {
  std::vector<uint64_t> numbers;
  JournalPlace place = JournalPlace::Here;
};

std::optional<KeyedNumbers> KeyedLine(std::string_view line, std::string_view key, size_t count, bool withPlace) {
  const std::vector<std::string_view> words = Words(line);
  if (words.size() != 1 + count + (withPlace ? 1 : 0) || words[0] != key) return std::nullopt;
  KeyedNumbers keyed;
  for (size_t i = 1; i <= count; ++i) {
    const std::optional<uint64_t> number = Number(words[i]);
    if (!number) return std::nullopt;
    keyed.numbers.push_back(*number);
  }
  if (withPlace) {
    if (words.back() != "here" && words.back() != "other") return std::nullopt;
    keyed.place = words.back() == "here" ? JournalPlace::Here : JournalPlace::Other;
  }
  return keyed;
}

std::optional<NamedDrawer> DrawerFrom(LineReader& lines, JournalPlace place) {
  NamedDrawer drawer{place, {}, {}};
  for (std::string* name : {&drawer.listName, &drawer.mailName}) {
    const std::optional<std::string_view> line = lines.Next();
    if (!line || line->empty()) return std::nullopt;
    *name = *line;
  }
  return drawer;
}

std::optional<JournalDrawerRef> DrawerRefFrom(std::string_view word) {
  if (word == "s") return JournalDrawerRef{};
  if (!word.starts_with("t")) return std::nullopt;
  const std::optional<uint64_t> target = Number(word.substr(1));
  if (!target) return std::nullopt;
  return JournalDrawerRef{static_cast<size_t>(*target)};
}

// Reads the intent's lines up to the intent line; false when they are damaged.
bool ReadIntent(std::string_view bytes, LineReader& lines, ParsedJournal& journal) {
  if (lines.Next() != kFirstLine) return false;
  for (;;) {
    const size_t lineStart = lines.Position();
    const std::optional<std::string_view> line = lines.Next();
    if (!line) return false;
    if (const auto n = KeyedLine(*line, "intent", 1, false)) return n->numbers[0] == CheckOf(bytes.substr(0, lineStart));
    if (const auto n = KeyedLine(*line, "source", 2, true); n && !journal.source) {
      const std::optional<NamedDrawer> drawer = DrawerFrom(lines, n->place);
      if (!drawer) return false;
      journal.source = JournalSource{*drawer, n->numbers[0], n->numbers[1]};
    } else if (const auto n = KeyedLine(*line, "target", 2, true)) {
      const std::optional<NamedDrawer> drawer = DrawerFrom(lines, n->place);
      if (!drawer) return false;
      journal.targets.push_back({*drawer, n->numbers[0], n->numbers[1]});
    } else if (const auto n = KeyedLine(*line, "leave", 2, false)) {
      journal.leaves.push_back({static_cast<size_t>(n->numbers[0]), static_cast<size_t>(n->numbers[1])});
    } else {
      return false;
    }
  }
}

std::optional<JournalClaim> ClaimFrom(const std::vector<std::string_view>& words) {
  if (words.size() != 8 || (words[3] != "m" && words[3] != "l")) return std::nullopt;
  const std::optional<uint64_t> number = Number(words[1]), target = Number(words[2]), offset = Number(words[4]),
                                length = Number(words[5]);
  const std::optional<std::vector<uint32_t>> checks = ChecksFromHex(words[6] == "-" ? "" : words[6]);
  const std::optional<std::string> bytes = FromHex(words[7] == "-" ? "" : words[7]);
  if (!number || !target || !offset || !length || !checks || !bytes) return std::nullopt;
  const ClaimedFile file = words[3] == "m" ? ClaimedFile::Mail : ClaimedFile::List;
  return JournalClaim{*number, static_cast<size_t>(*target), file, *offset, *offset, *length, *length, *checks, *bytes};
}

// One line after the intent, its own check already taken off.
void ReadAddedLine(std::string_view line, ParsedJournal& journal) {
  const std::vector<std::string_view> words = Words(line);
  if (words[0] == "claim") {
    if (std::optional<JournalClaim> claim = ClaimFrom(words)) journal.claims.push_back(std::move(*claim));
  } else if (words[0] == "landed" && words.size() == 4) {
    const std::optional<uint64_t> number = Number(words[1]), offset = Number(words[2]), written = Number(words[3]);
    for (JournalClaim& claim : journal.claims) {
      if (!number || !offset || !written || claim.number != *number) continue;
      claim.offset = *offset;
      claim.written = std::min(*written, claim.length);
    }
  } else if (words[0] == "abandon" && words.size() == 1) {
    journal.abandoned = true;
  } else if (words[0] == "replace" && words.size() == 7 && (words[4] == "pair" || words[4] == "list")) {
    const std::optional<JournalDrawerRef> drawer = DrawerRefFrom(words[1]);
    const std::optional<uint64_t> covered = Number(words[2]), check = Number(words[3]), mail = Number(words[5]),
                                  list = Number(words[6]);
    if (drawer && covered && check && mail && list)
      journal.replaces.push_back({*drawer, *covered, *check, words[4] == "list", *mail, *list});
  } else if (words[0] == "carried" && words.size() == 5) {
    const std::optional<JournalDrawerRef> drawer = DrawerRefFrom(words[1]);
    const std::optional<uint64_t> read = Number(words[2]), mail = Number(words[3]), list = Number(words[4]);
    if (drawer && read && mail && list) journal.carried.push_back({*drawer, *read, *mail, *list});
  }
}

}  // namespace

const JournalReplace* ParsedJournal::ReplaceOf(const JournalDrawerRef& drawer) const {
  for (const JournalReplace& replace : replaces)
    if (replace.drawer == drawer) return &replace;
  return nullptr;
}

const JournalCarried* ParsedJournal::CarriedOf(const JournalDrawerRef& drawer) const {
  const JournalCarried* last = nullptr;
  for (const JournalCarried& entry : carried)
    if (entry.drawer == drawer) last = &entry;
  return last;
}

std::string IntentText(const std::optional<JournalSource>& source, const std::vector<JournalTarget>& targets,
                       const std::vector<JournalLeave>& leaves) {
  std::string text = std::string(kFirstLine) + "\n";
  if (source)
    text += NumbersLine("source", {source->loadedLength, source->loadedCheck}) + " " + PlaceWord(source->drawer.place) +
            "\n" + DrawerLines(source->drawer);
  for (const JournalTarget& target : targets)
    text += NumbersLine("target", {target.mailLength, target.listLength}) + " " + PlaceWord(target.drawer.place) + "\n" +
            DrawerLines(target.drawer);
  for (const JournalLeave& leave : leaves) text += NumbersLine("leave", {leave.target, leave.record}) + "\n";
  return text + NumbersLine("intent", {CheckOf(text)}) + "\n";
}

std::string ClaimLine(const JournalClaim& claim) {
  return Checked(NumbersLine("claim", {claim.number, claim.target}) + (claim.file == ClaimedFile::Mail ? " m " : " l ") +
                 std::to_string(claim.checkedAt) + " " + std::to_string(claim.length) + " " +
                 (claim.pageChecks.empty() ? std::string("-") : HexChecks(claim.pageChecks)) + " " +
                 (claim.bytes.empty() ? std::string("-") : Hex(claim.bytes)));
}

std::string LandedLine(uint64_t number, uint64_t offset, uint64_t written) {
  return Checked(NumbersLine("landed", {number, offset, written}));
}

std::string AbandonLine() { return Checked("abandon"); }

std::string ReplaceLine(const JournalReplace& replace) {
  return Checked("replace " + DrawerRefWord(replace.drawer) + " " + std::to_string(replace.coveredLength) + " " +
                 std::to_string(replace.coveredCheck) + (replace.listOnly ? " list " : " pair ") +
                 std::to_string(replace.newMailLength) + " " + std::to_string(replace.newListLength));
}

std::string CarriedLine(const JournalCarried& carried) {
  return Checked("carried " + DrawerRefWord(carried.drawer) + " " + std::to_string(carried.listLengthRead) + " " +
                 std::to_string(carried.newMailLength) + " " + std::to_string(carried.newListLength));
}

std::optional<ParsedJournal> ParseJournal(std::string_view bytes) {
  LineReader lines(bytes);
  ParsedJournal journal;
  if (!ReadIntent(bytes, lines, journal)) return std::nullopt;
  while (const std::optional<std::string_view> line = lines.Next()) {
    const size_t blank = line->rfind(' ');
    if (blank == std::string_view::npos) continue;
    const std::string_view content = line->substr(0, blank);
    if (Number(line->substr(blank + 1)) == CheckOf(content)) ReadAddedLine(content, journal);
  }
  return journal;
}
