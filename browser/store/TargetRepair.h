#pragma once
// A drawer an interrupted call appended to, as recovery finds it. Only the
// bytes the call claimed in its journal, and that are still what it claimed
// (byte for byte or page by page, or zero-filled where a power cut lost a
// page), count as the call's: everything else after the drawer's noted
// lengths is another program's and stays as it is. Of the call's mails,
// those whose record and text are both whole stay; what is left of the
// others is cut away; and records out of the MailFile's order (another
// program's appended while the call ran) are put in order, so that the
// reader's body lengths stay right. Cuts at the files' ends are made in
// place; anything else is a replacement of the drawer (its new pair written
// beside it), which the journal then puts in place.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/JournalText.h"
#include "browser/store/StoreResult.h"

struct TargetClaims {
  DrawerFiles drawer;
  uint64_t mailLength = 0;  // noted before the call appended
  uint64_t listLength = 0;
  std::vector<const JournalClaim*> claims;  // the call's, in order
  bool abandoned = false;                   // the call failed: nothing it appended stays
};

class TargetRepair {
 public:
  explicit TargetRepair(TargetClaims target);

  const DrawerFiles& Drawer() const { return m_target.drawer; }
  // The drawer's files could be read.
  bool Found() const { return m_found; }
  // Cuts inside the files, or records to put in order: only a new pair does.
  bool NeedsReplacement() const { return m_found && (m_spliceMail || m_rewriteList); }
  // Makes the drawer whole in place: the cuts at its files' ends made, both
  // files synced. Not NeedsReplacement(). False also when another program
  // appended since the drawer was looked at: it must be looked at again.

  bool RepairInPlace();
  // Writes the drawer's new pair (or new ListFile alone) durably beside it,
  // and what the journal notes of it. NeedsReplacement().
  StoreResult WriteReplacement(JournalReplace& replace);

 private:
  struct Range {
    uint64_t begin = 0;
    uint64_t end = 0;
  };
  // A claim as found: the bytes from its offset up to reachEnd are the call's;
  // good holds the parts among them that are what it wrote.
  struct Reach {
    uint64_t begin = 0;
    uint64_t reachEnd = 0;
    std::vector<Range> good;
  };
  enum class ItemKind : uint8_t { Record, Unparsed };
  struct Item {
    Range bytes;  // in the ListFile
    ItemKind kind = ItemKind::Record;
    bool ours = false;
  };

  void Analyse();
  // The files still have the lengths they were looked at with.
  bool Unchanged() const;
  void WalkList(const std::vector<std::pair<Range, Reach>>& ourLists);
  void TakeOursFrom(const Range& claimed, const Reach& reach);
  void KeepWholeMails(const std::vector<Reach>& mailReaches);
  void FindMailCuts(const std::vector<Reach>& mailReaches);
  uint64_t ZerosFrom(uint64_t pos, uint64_t limit) const;
  // The bytes [start, start + count) of the MailFile when they all exist.
  using MailBytes = std::function<std::optional<std::string_view>(uint64_t start, uint64_t count)>;
  void CutZeroTail(const MailBytes& mail);
  void Decide();
  std::vector<std::string> FinalRecords(bool shifted) const;
  uint64_t CutBefore(uint64_t offset) const;

  TargetClaims m_target;
  bool m_found = false;
  std::string m_list;
  uint64_t m_mailLength = 0;
  std::vector<Item> m_items;        // what stays of the ListFile after the noted length
  std::vector<Range> m_listCuts;    // ascending
  std::vector<Range> m_keptTexts;   // texts of the records that stay, ascending
  std::vector<Range> m_mailCuts;    // ascending: the call's bytes no record that stays points into
  bool m_outOfOrder = false;
  bool m_spliceMail = false;
  bool m_rewriteList = false;
};
