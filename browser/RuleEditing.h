#pragma once
// The rule editor's work that shows no window: the rules of its grid to and
// from a rule file, the rules it proposes from PostPet's friend book, and the
// case-insensitive look-ups of keys and drawer names.

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "browser/SortRuleFile.h"

struct FriendRecord;

// Every rule of the file, beyond the sorting run's limit, so that a save
// loses none. A missing file gives none.
std::vector<SortRule> ReadEditedRules(std::string_view path);

// Replaces the file crash-safely with the rows that name a drawer, in row
// order (no rows: an empty file). False, with the old file intact, when the
// file cannot be written.
bool SaveEditedRules(std::string_view path, const std::vector<SortRule>& rows);

// The drawer proposed for a friend: "owner と pet", with what a drawer name
// cannot hold mended, since other people chose those names.
std::string FriendRuleDrawer(const FriendRecord& record);

// Texts compared ignoring letter case as the string lists' search does, in
// constant time, for imports and loads of thousands of rows.
class CaseInsensitiveSet {
 public:
  bool Contains(std::string_view text) const;
  // False when the set held the text already.
  bool Insert(std::string_view text);

 private:
  std::unordered_set<std::string> m_keys;
};

// How many rules an import of the friends would add: the addresses, each
// once, that keys does not hold.
size_t CountNewAddresses(const std::vector<FriendRecord>& friends, CaseInsensitiveSet keys);
