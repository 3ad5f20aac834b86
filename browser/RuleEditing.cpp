#include "browser/RuleEditing.h"

#include <cstdint>

#include "browser/store/DrawerPaths.h"
#include "browser/store/FriendBook.h"
#include "platform/base/Exception.h"
#include "platform/base/Format.h"
#include "platform/text/ShiftJis.h"

std::vector<SortRule> ReadEditedRules(std::string_view path) { return ReadSortRuleFile(path, SIZE_MAX); }

bool SaveEditedRules(std::string_view path, const std::vector<SortRule>& rows) {
  std::vector<SortRule> rules;
  for (const SortRule& row : rows)
    if (!row.drawer.empty()) rules.push_back(row);
  try {
    SaveSortRuleFile(path, rules);
  } catch (const EFCreateError&) {
    return false;
  }
  return true;
}

std::string FriendRuleDrawer(const FriendRecord& record) {
  return UsableDrawerName(Format("%sと%s", record.ownerName.c_str(), record.petName.c_str()));
}

size_t CountNewAddresses(const std::vector<FriendRecord>& friends, CaseInsensitiveSet keys) {
  size_t count = 0;
  for (const FriendRecord& record : friends) count += keys.Insert(record.address);
  return count;
}

bool CaseInsensitiveSet::Contains(std::string_view text) const {
  return m_keys.count(platform::CaseFoldedKey(text)) > 0;
}

bool CaseInsensitiveSet::Insert(std::string_view text) { return m_keys.insert(platform::CaseFoldedKey(text)).second; }
