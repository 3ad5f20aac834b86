#include "browser/store/TargetRepair.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "browser/store/ContentCheck.h"
#include "browser/store/ListRecord.h"
#include "browser/store/NewPair.h"
#include "platform/files/Files.h"

namespace {

constexpr uint64_t kWindowBytes = 1 << 20;  // a MailFile is read this much at a time
constexpr uint64_t kZeroHead = 4;            // no record begins with a zero head

// The bytes [start, start + count) of a file when they all exist.
using ByteSource = std::function<std::optional<std::string_view>(uint64_t start, uint64_t count)>;

// A MailFile read through a window, for claims checked page by page.
class FileWindow {
 public:
  explicit FileWindow(const std::string& path) : m_file(platform::OpenFile(path, "rb")) {
    if (m_file) m_length = static_cast<uint64_t>(std::max<int64_t>(m_file->Length(), 0));
  }
  bool Opened() const { return m_file != nullptr; }
  uint64_t Length() const { return m_length; }
  std::optional<std::string_view> Bytes(uint64_t start, uint64_t count) {
    if (start + count > m_length) return std::nullopt;
    if (start < m_start || start + count > m_start + m_window.size()) {
      m_start = start;
      m_window.resize(std::min(std::max(count, kWindowBytes), m_length - start));
      if (!m_file->Seek(static_cast<int64_t>(start)) || !ReadWhole(m_window)) {
        m_window.clear();
        return std::nullopt;
      }
    }
    return std::string_view(m_window).substr(start - m_start, count);
  }

 private:
  bool ReadWhole(std::string& bytes) {
    for (size_t got = 0; got < bytes.size();) {
      const size_t n = m_file->Read(bytes.data() + got, bytes.size() - got);
      if (n == 0) return false;
      got += n;
    }
    return true;
  }

  std::unique_ptr<platform::Stream> m_file;
  uint64_t m_length = 0;
  uint64_t m_start = 0;
  std::string m_window;
};

bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte == 0; });
}

template <typename Range>
bool Within(const std::vector<Range>& ranges, uint64_t begin, uint64_t end) {
  return std::any_of(ranges.begin(), ranges.end(), [&](const Range& range) { return range.begin <= begin && end <= range.end; });
}

bool CopyRange(platform::Stream& from, platform::Stream& to, uint64_t begin, uint64_t end) {
  std::string chunk;
  if (!from.Seek(static_cast<int64_t>(begin))) return false;
  for (uint64_t at = begin; at < end;) {
    chunk.resize(std::min(kWindowBytes, end - at));
    const size_t got = from.Read(chunk.data(), chunk.size());
    if (got == 0 || !to.Write(chunk.data(), got)) return false;
    at += got;
  }
  return true;
}

bool WriteDurably(const std::string& path, const std::function<bool(platform::Stream&)>& write) {
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "wb");
  return file && write(*file) && file->Sync() && file->Close();
}

}  // namespace

TargetRepair::TargetRepair(TargetClaims target) : m_target(std::move(target)) { Analyse(); }

namespace {

// How far a claim's bytes are found where it says. Bytes it held are
// compared byte for byte; a part of them counts only where a write cut
// short leaves it: at the file's end, or at a page's end. Page checks count each
// page that matches, and a zero-filled one (a page of the call's a power cut
// lost), up to the first that is neither. A write the call itself saw cut
// short says how far it went: that far is the call's, however it ends.
template <typename Reach, typename Range>
Reach Verify(const JournalClaim& claim, const ByteSource& bytes, uint64_t fileLength) {
  Reach reach{claim.offset, claim.offset, {}};
  const auto add = [&reach](Range range, bool good) {
    if (good && !reach.good.empty() && reach.good.back().end == range.begin) reach.good.back().end = range.end;
    else if (good) reach.good.push_back(range);
    reach.reachEnd = range.end;
  };
  const uint64_t arrived = claim.offset + claim.written;
  if (!claim.bytes.empty()) {
    const uint64_t present = claim.offset < fileLength ? std::min(claim.length, fileLength - claim.offset) : 0;
    const std::optional<std::string_view> found = bytes(claim.offset, present);
    const uint64_t matched =
        found ? static_cast<uint64_t>(std::mismatch(found->begin(), found->end(), claim.bytes.begin()).first - found->begin()) : 0;
    const uint64_t end = claim.offset + matched;
    const bool zeroedAfter = found && matched < present && AllZero(found->substr(matched));
    if (matched > 0 && (matched == claim.length || end == fileLength || end % kCheckedPage == 0))
      add({claim.offset, end}, true);
    if (zeroedAfter && (present == claim.length || claim.offset + present == fileLength)) {
      if (matched > 0) add({claim.offset, end}, true);
      reach.reachEnd = claim.offset + present;
    }
  } else if (PagesOfWrite(claim.checkedAt, claim.length) == claim.pageChecks.size()) {
    for (size_t page = 0; page < claim.pageChecks.size(); ++page) {
      const PageSpan span = PageOfWrite(claim.checkedAt, claim.length, page);
      const Range range{claim.offset + span.begin, claim.offset + span.end};
      const std::optional<std::string_view> found = range.end <= arrived ? bytes(range.begin, range.end - range.begin)
                                                                         : std::nullopt;
      if (!found) break;
      const bool good = PageCheckOf(*found) == claim.pageChecks[page];
      if (!good && !AllZero(*found)) break;
      add(range, good);
    }
  }
  if (claim.written < claim.length && claim.offset + claim.written <= fileLength)
    reach.reachEnd = std::max(reach.reachEnd, arrived);
  return reach;
}

}  // namespace

void TargetRepair::Analyse() {
  const DrawerFiles& drawer = m_target.drawer;
  if (!platform::ReadFileContents(drawer.listPath, m_list) && platform::PathExists(drawer.listPath)) return;
  FileWindow mail(drawer.mailPath);
  if (!mail.Opened() && platform::PathExists(drawer.mailPath)) return;
  m_mailLength = mail.Length();
  if (m_list.size() < m_target.listLength || m_mailLength < m_target.mailLength) return;
  const ByteSource listBytes = [this](uint64_t start, uint64_t count) -> std::optional<std::string_view> {
    if (start + count > m_list.size()) return std::nullopt;
    return std::string_view(m_list).substr(start, count);
  };
  const ByteSource mailBytes = [&mail](uint64_t start, uint64_t count) { return mail.Bytes(start, count); };
  std::vector<Reach> mailReaches;
  std::vector<std::pair<Range, Reach>> listClaims;
  for (const JournalClaim* claim : m_target.claims) {
    if (claim->file == ClaimedFile::Mail) {
      mailReaches.push_back(Verify<Reach, Range>(*claim, mailBytes, m_mailLength));
    } else {
      listClaims.emplace_back(Range{claim->offset, claim->offset + claim->length},
                              Verify<Reach, Range>(*claim, listBytes, m_list.size()));
    }
  }
  std::sort(listClaims.begin(), listClaims.end(),
            [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });
  WalkList(listClaims);
  KeepWholeMails(mailReaches);
  FindMailCuts(mailReaches);
  CutZeroTail(mailBytes);
  Decide();
  m_found = true;
}

// The ListFile after the noted length: the call's records where its claims
// say and the bytes are still its own, another program's records elsewhere,
// and what cannot be read as records kept as it is.
void TargetRepair::WalkList(const std::vector<std::pair<Range, Reach>>& ourLists) {
  size_t next = 0;
  for (uint64_t pos = m_target.listLength; pos < m_list.size();) {
    // Claims behind the walk, or whose bytes are not found, name nothing here.
    while (next < ourLists.size() &&
           (ourLists[next].first.begin < pos || (ourLists[next].first.begin == pos && ourLists[next].second.reachEnd == pos)))
      ++next;
    if (next < ourLists.size() && ourLists[next].first.begin == pos) {
      TakeOursFrom(ourLists[next].first, ourLists[next].second);
      pos = ourLists[next++].second.reachEnd;
      continue;
    }
    const uint64_t limit = next < ourLists.size() ? ourLists[next].first.begin : m_list.size();
    // Zeros where a record would begin are what a power cut left of some
    // write no sync made durable: they hold no mail, whoever wrote them.
    const uint64_t zeros = ZerosFrom(pos, limit);
    if (zeros >= kZeroHead) {
      m_listCuts.push_back({pos, pos + zeros});
      pos += zeros;
      continue;
    }
    size_t end = pos;
    MailEntry record;
    if (limit > pos && ParseListRecord(std::string_view(m_list).substr(0, limit), end, record)) {
      m_items.push_back({{pos, end}, ItemKind::Record, false});
      pos = end;
    } else {
      if (limit > pos) m_items.push_back({{pos, limit}, ItemKind::Unparsed, false});
      pos = std::max(limit, pos + 1);
    }
  }
}

// The call's whole records lie in what it wrote; from the first that does
// not, what it claimed is cut.
void TargetRepair::TakeOursFrom(const Range& claimed, const Reach& reach) {
  size_t pos = claimed.begin;
  for (MailEntry record;;) {
    size_t end = pos;
    if (pos >= reach.reachEnd || !ParseListRecord(std::string_view(m_list).substr(0, reach.reachEnd), end, record) ||
        !Within(reach.good, pos, end))
      break;
    m_items.push_back({{pos, end}, ItemKind::Record, true});
    pos = end;
  }
  if (pos < reach.reachEnd) m_listCuts.push_back({pos, reach.reachEnd});
}

// A record of the call's stays when its text is whole in what the call
// wrote; none does when the call failed.
void TargetRepair::KeepWholeMails(const std::vector<Reach>& mailReaches) {
  std::vector<Item> kept;
  for (const Item& item : m_items) {
    size_t pos = item.bytes.begin;
    MailEntry record;
    const bool parsed = item.kind == ItemKind::Record && ParseListRecord(m_list, pos, record);
    const Range text{record.mailStart, uint64_t{record.mailStart} + record.MailLength()};
    const bool whole = text.begin == text.end || std::any_of(mailReaches.begin(), mailReaches.end(), [&](const Reach& reach) {
                         return Within(reach.good, text.begin, text.end);
                       });
    if (item.ours && (m_target.abandoned || !whole)) {
      m_listCuts.push_back(item.bytes);
      continue;
    }
    if (parsed) m_keptTexts.push_back(text);
    kept.push_back(item);
  }
  m_items = std::move(kept);
  std::sort(m_listCuts.begin(), m_listCuts.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
  std::sort(m_keptTexts.begin(), m_keptTexts.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
}

// The call's bytes that no record that stays points into.
void TargetRepair::FindMailCuts(const std::vector<Reach>& mailReaches) {
  for (const Reach& reach : mailReaches) {
    uint64_t at = reach.begin;
    for (const Range& text : m_keptTexts) {
      if (text.end <= at || text.begin >= reach.reachEnd) continue;
      if (text.begin > at) m_mailCuts.push_back({at, text.begin});
      at = std::max(at, text.end);
    }
    if (at < reach.reachEnd) m_mailCuts.push_back({at, reach.reachEnd});
  }
  std::sort(m_mailCuts.begin(), m_mailCuts.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
  // Bytes no record points at yet may be a text another program is writing:
  // a cut before them would move it from where its record will say it is.
  std::vector<Range> cuts;
  for (auto cut = m_mailCuts.rbegin(); cut != m_mailCuts.rend(); ++cut) {
    const uint64_t end = cut->end;
    const bool followed = end == m_mailLength || (!cuts.empty() && cuts.back().begin == end) ||
                          std::any_of(m_keptTexts.begin(), m_keptTexts.end(), [end](const Range& text) { return text.begin == end; });
    if (followed) cuts.push_back(*cut);
  }
  m_mailCuts.assign(cuts.rbegin(), cuts.rend());
}

uint64_t TargetRepair::ZerosFrom(uint64_t pos, uint64_t limit) const {
  uint64_t end = pos;
  while (end < limit && m_list[end] == 0) ++end;
  return end - pos;
}

// Zeros at the MailFile's end, after every text that stays: a power cut's.
void TargetRepair::CutZeroTail(const MailBytes& mail) {
  uint64_t floor = std::max(m_target.mailLength, m_mailCuts.empty() ? 0 : m_mailCuts.back().end);
  for (const Range& text : m_keptTexts) floor = std::max(floor, text.end);
  uint64_t start = m_mailLength;
  while (start > floor) {
    const uint64_t step = std::min<uint64_t>(kWindowBytes, start - floor);
    const std::optional<std::string_view> bytes = mail(start - step, step);
    if (!bytes) return;
    const size_t last = bytes->find_last_not_of('\0');
    if (last != std::string_view::npos) {
      start -= step - (last + 1);
      break;
    }
    start -= step;
  }
  if (start == m_mailLength) return;
  if (!m_mailCuts.empty() && m_mailCuts.back().end == start) m_mailCuts.back().end = m_mailLength;
  else m_mailCuts.push_back({start, m_mailLength});
}

void TargetRepair::Decide() {
  uint64_t lastStart = 0;
  bool unparsedBefore = false;
  for (const Item& item : m_items) {
    if (item.kind == ItemKind::Unparsed) {
      unparsedBefore = true;
      continue;
    }
    const uint32_t mailStart = RecordMailStart(std::string_view(m_list).substr(item.bytes.begin));
    // A record after bytes that cannot be read is lost to every reader.
    m_outOfOrder = m_outOfOrder || mailStart < lastStart || unparsedBefore;
    lastStart = mailStart;
  }
  const uint64_t itemsEnd = m_items.empty() ? m_target.listLength : m_items.back().bytes.end;
  const bool listCutsAtEnd = m_listCuts.empty() || m_listCuts.front().begin >= itemsEnd;
  uint64_t textsEnd = 0;
  for (const Range& text : m_keptTexts) textsEnd = std::max(textsEnd, text.end);
  // Cut in place only when the call's bytes run to the file's end with
  // nothing kept after them. Bytes of the ListFile that cannot be read may
  // point anywhere: no text is moved under them.
  const bool tailCut = m_mailCuts.size() == 1 && m_mailCuts[0].end == m_mailLength && m_mailCuts[0].begin >= textsEnd;
  if (unparsedBefore && !tailCut) m_mailCuts.clear();
  m_spliceMail = !m_mailCuts.empty() && !tailCut;
  m_rewriteList = m_outOfOrder || !listCutsAtEnd || m_spliceMail;
}

bool TargetRepair::Unchanged() const {
  return platform::FileSize(m_target.drawer.listPath) == static_cast<int64_t>(m_list.size()) &&
         std::max<int64_t>(platform::FileSize(m_target.drawer.mailPath), 0) == static_cast<int64_t>(m_mailLength);
}

bool TargetRepair::RepairInPlace() {
  const DrawerFiles& drawer = m_target.drawer;
  if (!m_listCuts.empty() || !m_mailCuts.empty()) {
    if (!Unchanged()) return false;
    std::unique_ptr<platform::Stream> list = platform::OpenFile(drawer.listPath, "ab");
    std::unique_ptr<platform::Stream> mail = platform::OpenFile(drawer.mailPath, "ab");
    if (!list || !mail) return false;
    // The list goes first: no record ever points at text that is gone.
    const uint64_t listEnd = m_listCuts.empty() ? m_list.size() : m_listCuts.front().begin;
    const uint64_t mailEnd = m_mailCuts.empty() ? m_mailLength : m_mailCuts.front().begin;
    if (!list->Truncate(static_cast<int64_t>(listEnd)) || !list->Sync() ||
        !mail->Truncate(static_cast<int64_t>(mailEnd)) || !mail->Sync())
      return false;
  }
  const auto synced = [](const std::string& path) {
    if (!platform::PathExists(path)) return true;
    std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "r+b");
    return file && file->Sync() && file->Close();
  };
  return synced(drawer.mailPath) && synced(drawer.listPath) && platform::SyncFolder(drawer.folder);
}

uint64_t TargetRepair::CutBefore(uint64_t offset) const {
  uint64_t cut = 0;
  for (const Range& range : m_mailCuts)
    if (range.end <= offset) cut += range.end - range.begin;
  return cut;
}

// The records that stay, in the MailFile's order when they were not, and
// moved to where their texts lie once the cuts are made; bytes that cannot
// be read as records go last, where they hide nothing.
std::vector<std::string> TargetRepair::FinalRecords(bool shifted) const {
  std::vector<std::string> records, unparsed;
  for (const Item& item : m_items) {
    const std::string bytes = m_list.substr(item.bytes.begin, item.bytes.end - item.bytes.begin);
    (item.kind == ItemKind::Record ? records : unparsed).push_back(bytes);
  }
  if (m_outOfOrder)
    std::stable_sort(records.begin(), records.end(),
                     [](const std::string& a, const std::string& b) { return RecordMailStart(a) < RecordMailStart(b); });
  if (shifted)
    for (std::string& record : records) ShiftRecordOffsets(record, 0, -static_cast<int64_t>(CutBefore(RecordMailStart(record))));
  records.insert(records.end(), unparsed.begin(), unparsed.end());
  return records;
}

StoreResult TargetRepair::WriteReplacement(JournalReplace& replace) {
  const DrawerFiles& drawer = m_target.drawer;
  const DrawerFiles scratch = NewPairOf(drawer);
  RemoveNewPair(drawer);
  const StoreResult failed = StoreResult::FromLastError(StoreFailure::CannotCreateScratch, scratch.listPath);
  uint64_t newMailLength = m_mailLength;
  if (m_spliceMail) {
    std::unique_ptr<platform::Stream> from = platform::OpenFile(drawer.mailPath, "rb");
    const bool copied = from && WriteDurably(scratch.mailPath, [&](platform::Stream& to) {
                          uint64_t at = 0;
                          for (const Range& cut : m_mailCuts) {
                            if (!CopyRange(*from, to, at, cut.begin)) return false;
                            at = cut.end;
                          }
                          return CopyRange(*from, to, at, m_mailLength);
                        });
    if (!copied) {
      RemoveNewPair(drawer);
      return StoreResult::FromLastError(StoreFailure::CannotCreateScratch, scratch.mailPath);
    }
    newMailLength -= CutBefore(m_mailLength);
  } else if (!m_mailCuts.empty()) {
    std::unique_ptr<platform::Stream> mail = Unchanged() ? platform::OpenFile(drawer.mailPath, "ab") : nullptr;
    if (!mail || !mail->Truncate(static_cast<int64_t>(m_mailCuts.front().begin)) || !mail->Sync()) return failed;
    newMailLength = m_mailCuts.front().begin;
  }
  const std::vector<std::string> records = FinalRecords(m_spliceMail);
  const bool written = WriteDurably(scratch.listPath, [&](platform::Stream& to) {
    if (!to.Write(std::string_view(m_list).substr(0, m_target.listLength))) return false;
    return std::all_of(records.begin(), records.end(), [&](const std::string& record) { return to.Write(record); });
  });
  if (!written || !platform::SyncFolder(drawer.folder)) {
    RemoveNewPair(drawer);
    return failed;
  }
  replace.coveredLength = m_list.size();
  replace.coveredCheck = CheckOf(m_list);
  replace.listOnly = !m_spliceMail;
  replace.newMailLength = newMailLength;
  replace.newListLength = m_target.listLength;
  for (const std::string& record : records) replace.newListLength += record.size();
  return {};
}
