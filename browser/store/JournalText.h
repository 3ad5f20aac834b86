#pragma once
// The journal's bytes: what a store call notes before it changes anything,
// and the lines it and recovery add while they work. Text, one item a line,
// so that a person can read it:
//
//   marrowkit journal 2
//   source <loaded length> <loaded check> <place>   then the source's ListFile and MailFile names, a line each
//   target <mail length> <list length> <place>      then the target's two names; once per target
//   leave <target> <record>                         once per leaving mail, in the order of the appends
//   intent <check of every byte above>
//
// and after it, each line ending in a check of itself, so that a line cut
// short is known and passed over:
//
//   claim <n> <target> <m|l> <offset> <length> <page checks> <bytes>
//       bytes about to be appended to a target's MailFile (m) or ListFile
//       (l) at offset: a check per page, or the bytes themselves when they
//       are few, so that a write cut short at any byte is still told
//   landed <n> <offset> <written>  claim n landed elsewhere (another program appended
//                                  first), or only written of its bytes did
//   abandon                        the call failed: everything it appended goes
//   replace <s|t> <covered length> <covered check> <pair|list> <new mail length> <new list length>
//       a drawer's new pair (or new ListFile alone) is complete and durable:
//       it replaces the drawer; the source's replace line is the commit
//   carried <s|t> <list length read> <new mail length> <new list length>
//       records appended to the drawer since were carried into its new pair
//
// Drawers are named by file name alone, beside the journal (place "here") or
// in the book's other folder ("other"), so that a book copied or moved with a
// journal in it recovers itself only. A path never holds a line feed: 0x0A
// is no byte of a Shift-JIS character, and no drawer name holds a control
// character.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/PairAppender.h"

enum class JournalPlace : uint8_t { Here, Other };

// A drawer as a journal names it.
struct NamedDrawer {
  JournalPlace place = JournalPlace::Here;
  std::string listName;
  std::string mailName;
};

struct JournalTarget {
  NamedDrawer drawer;
  uint64_t mailLength = 0;  // the files' lengths before the first append
  uint64_t listLength = 0;
};

// A mail that leaves the source for targets[target]; record counts the
// records of the source's ListFile from 0.
struct JournalLeave {
  size_t target = 0;
  size_t record = 0;
};

struct JournalClaim {
  uint64_t number = 0;
  size_t target = 0;
  ClaimedFile file = ClaimedFile::Mail;
  uint64_t offset = 0;     // where the bytes landed
  uint64_t checkedAt = 0;  // where they were about to go: the pages of the checks
  uint64_t length = 0;
  uint64_t written = 0;    // the bytes that landed, as far as the call saw
  std::vector<uint32_t> pageChecks;  // of the pages from checkedAt, or none
  std::string bytes;                 // the bytes themselves when they are few
};

// Claims of up to this many bytes hold the bytes.
inline constexpr uint64_t kExactClaimBytes = 4096;

// Which drawer a replace or carried line is about: the source, or a target.
struct JournalDrawerRef {
  std::optional<size_t> target;  // none: the source
  bool operator==(const JournalDrawerRef&) const = default;
};

struct JournalReplace {
  JournalDrawerRef drawer;
  uint64_t coveredLength = 0;  // the part of the drawer's ListFile the new pair was made from
  uint64_t coveredCheck = 0;
  bool listOnly = false;       // a new ListFile alone: the MailFile stays as it is
  uint64_t newMailLength = 0;  // the new pair's lengths when it was made
  uint64_t newListLength = 0;
};

struct JournalCarried {
  JournalDrawerRef drawer;
  uint64_t listLengthRead = 0;  // the drawer's ListFile as far as the carried records reached
  uint64_t newMailLength = 0;   // the new pair's lengths with them
  uint64_t newListLength = 0;
};

struct JournalSource {
  NamedDrawer drawer;
  uint64_t loadedLength = 0;
  uint64_t loadedCheck = 0;
};

struct ParsedJournal {
  std::optional<JournalSource> source;
  std::vector<JournalTarget> targets;
  std::vector<JournalLeave> leaves;
  std::vector<JournalClaim> claims;
  std::vector<JournalReplace> replaces;
  std::vector<JournalCarried> carried;
  bool abandoned = false;  // the call failed: nothing it appended stays

  const JournalReplace* ReplaceOf(const JournalDrawerRef& drawer) const;
  const JournalCarried* CarriedOf(const JournalDrawerRef& drawer) const;
};

// The intent: everything up to and including the intent line.
std::string IntentText(const std::optional<JournalSource>& source, const std::vector<JournalTarget>& targets,
                       const std::vector<JournalLeave>& leaves);
std::string ClaimLine(const JournalClaim& claim);
std::string LandedLine(uint64_t number, uint64_t offset, uint64_t written);
std::string AbandonLine();
std::string ReplaceLine(const JournalReplace& replace);
std::string CarriedLine(const JournalCarried& carried);

// The journal as written; none when it is cut short or damaged before its
// intent line ends, or is of another version. Lines after the intent that
// are cut short or damaged are passed over.
std::optional<ParsedJournal> ParseJournal(std::string_view bytes);
