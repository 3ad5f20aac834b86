#include "browser/SortRuleFile.h"

#include <optional>

#include "platform/files/Files.h"

namespace {

bool IsSingleWord(std::string_view text) {
  return !text.empty() && text.find_first_of(" \t") == std::string_view::npos;
}

// One line without its line end.
std::string RuleLine(const SortRule& rule) {
  const char separator = IsSingleWord(rule.key) && IsSingleWord(rule.drawer) ? ' ' : '\t';
  return rule.key + separator + rule.drawer;
}

std::string_view NextWord(std::string_view line, size_t& pos) {
  const size_t begin = line.find_first_not_of(' ', pos);
  if (begin == std::string_view::npos) return {};
  const size_t end = std::min(line.find(' ', begin), line.size());
  pos = end;
  return line.substr(begin, end - begin);
}

std::optional<SortRule> ParseRuleLine(std::string_view line) {
  const size_t tab = line.rfind('\t');
  if (tab != std::string_view::npos) {
    if (tab + 1 == line.size()) return std::nullopt;
    return SortRule{std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))};
  }
  size_t pos = 0;
  const std::string_view key = NextWord(line, pos);
  const std::string_view drawer = NextWord(line, pos);
  if (drawer.empty()) return std::nullopt;
  return SortRule{std::string(key), std::string(drawer)};
}

}  // namespace

std::vector<SortRule> ReadSortRuleFile(std::string_view path) {
  std::vector<SortRule> rules;
  const std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "rt");
  if (!file) return rules;
  std::string line;
  while (rules.size() < kMaxStoredRules && file->ReadLine(line)) {
    if (std::optional<SortRule> rule = ParseRuleLine(line)) rules.push_back(std::move(*rule));
  }
  return rules;
}

bool AppendSortRule(std::string_view path, const SortRule& rule) {
  const std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "at");
  if (!file) return false;
  const bool written = file->Write(RuleLine(rule) + "\n");
  return file->Close() && written;
}

void SaveSortRuleFile(std::string_view path, const std::vector<SortRule>& rules) {
  std::string bytes;
  for (const SortRule& rule : rules) bytes += RuleLine(rule) + "\r\n";
  platform::ReplaceFileContents(path, bytes);
}
