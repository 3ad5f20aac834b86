#pragma once
// Matching one mail against the learned sorting rules. Rules compare bytes;
// a rule naming a drawer that cannot become a file name never matches.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/SortRuleFile.h"

// A Subject pattern: "*text*" contains text (a key of one or two stars
// matches nothing), "text*" begins with text, anything else is the whole
// Subject. A leading star alone is an ordinary character.
bool SubjectRuleMatches(std::string_view key, std::string_view subject);

// The first rule whose key equals the text (an address, or a whole To
// field), or nullptr.
const SortRule* FindAddressRule(const std::vector<SortRule>& rules, std::string_view text);
// The first rule whose pattern matches the Subject, or nullptr.
const SortRule* FindSubjectRule(const std::vector<SortRule>& rules, std::string_view subject);

// PostPet's message marker in a mail's header: "ひみつ日記" for kind 1,
// "ペットメール" for kind 2, none otherwise. Only the header is looked at.
std::optional<std::string> MarkerDrawer(std::string_view header);
