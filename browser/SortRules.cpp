#include "browser/SortRules.h"

#include <algorithm>

#include "browser/store/DrawerPaths.h"
#include "platform/text/ShiftJis.h"

namespace {

bool EndsInStar(std::string_view key) { return !key.empty() && key.back() == '*'; }

template <typename Matches>
const SortRule* FirstUsable(const std::vector<SortRule>& rules, Matches matches) {
  const auto found = std::find_if(rules.begin(), rules.end(), [&](const SortRule& rule) {
    return matches(rule.key) && IsValidDrawerName(rule.drawer);
  });
  return found == rules.end() ? nullptr : &*found;
}

// The marker, one blank and the kind's digit: the digit is the 20th byte.
constexpr size_t kMarkerDigit = 19;

}  // namespace

bool SubjectRuleMatches(std::string_view key, std::string_view subject) {
  if (!EndsInStar(key)) return key == subject;
  if (key.front() != '*') return subject.starts_with(key.substr(0, key.size() - 1));
  if (key.size() <= 2) return false;
  return platform::SjisContains(subject, key.substr(1, key.size() - 2));
}

const SortRule* FindAddressRule(const std::vector<SortRule>& rules, std::string_view text) {
  return FirstUsable(rules, [text](std::string_view key) { return key == text; });
}

const SortRule* FindSubjectRule(const std::vector<SortRule>& rules, std::string_view subject) {
  return FirstUsable(rules, [subject](std::string_view key) { return SubjectRuleMatches(key, subject); });
}

std::optional<std::string> MarkerDrawer(std::string_view header) {
  size_t at = header.find("X-PostPet-Message:");
  if (at == std::string_view::npos) at = header.find("X-Postpet-Message:");
  if (at == std::string_view::npos || header.size() <= at + kMarkerDigit) return std::nullopt;
  switch (header[at + kMarkerDigit]) {
    case '1': return "ひみつ日記";
    case '2': return "ペットメール";
    default: return std::nullopt;
  }
}
