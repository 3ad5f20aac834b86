#pragma once
// A sorting rule file (dorvnadw.cfg, dorvnsdw.cfg, dorvnsad.cfg): one rule a
// line, the key and the drawer name, in text mode. Read whole by a sorting
// run, appended to when the run learns a rule, rewritten whole by the rule
// editor.
//
// A rule whose texts are single words is written "key drawer" as PostPet's
// users' files always held it. A key or drawer holding a blank or a tab, or
// an empty key, is written key TAB drawer, and a line holding a tab splits at
// its last tab, so such rules come back as they were written; drawer names
// never hold a tab.

#include <string>
#include <string_view>
#include <vector>

struct SortRule {
  std::string key;
  std::string drawer;
  bool operator==(const SortRule&) const = default;
};

// The file names, in the program's folder.
inline constexpr const char* kAddressRuleFileName = "dorvnadw.cfg";
inline constexpr const char* kSubjectRuleFileName = "dorvnsdw.cfg";
inline constexpr const char* kSendRuleFileName = "dorvnsad.cfg";

// A file holds at most this many rules: reading stops there, and a rule
// learned once a table holds as many is used but not stored.
inline constexpr size_t kMaxStoredRules = 2000;

// The first kMaxStoredRules rules, in file order. A missing or unreadable
// file gives none; a line that holds no drawer name is no rule and is passed
// over. Lines are read whole; a last line without its line end is read too.
std::vector<SortRule> ReadSortRuleFile(std::string_view path);

// Appends one rule (the file is created when missing). False when the file
// cannot be opened or written.
bool AppendSortRule(std::string_view path, const SortRule& rule);

// Replaces the file whole with rules, crash-safely (the rule editor's save).
// Throws the file layer's exception and leaves the old file on failure.
void SaveSortRuleFile(std::string_view path, const std::vector<SortRule>& rules);
