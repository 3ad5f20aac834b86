#include "browser/store/SortJournal.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>
#include <set>

#include "browser/store/DrawerCommit.h"
#include "browser/store/DrawerRewrite.h"
#include "browser/store/ListFile.h"
#include "platform/files/Files.h"

namespace {

// The journal: a head naming the ListFile (its length, its checksum and a
// check of both, so that a head cut short or half written is never trusted),
// then one line per record that reached its target. A line cut short by a
// kill is not read: that mail stays doubled.
constexpr const char* kHeadFormat = "S %020llu %016llx %016llx\n";
constexpr size_t kHeadBytes = 57;
constexpr const char* kLineFormat = "%010zu\n";
constexpr size_t kLineBytes = 11;
constexpr uint64_t kHeadCheck = 0x5A17C0DE0F5E5EEDULL;

// FNV-1a over the bytes.
uint64_t Checksum(std::string_view bytes) {
  uint64_t hash = 0xCBF29CE484222325ULL;
  for (const char byte : bytes) hash = (hash ^ static_cast<unsigned char>(byte)) * 0x100000001B3ULL;
  return hash;
}

std::string Head(std::string_view listBytes) {
  const unsigned long long length = listBytes.size();
  const unsigned long long checksum = Checksum(listBytes);
  char text[kHeadBytes + 1];
  std::snprintf(text, sizeof text, kHeadFormat, length, checksum, length ^ checksum ^ kHeadCheck);
  return std::string(text, kHeadBytes);
}

// The records the journal notes; none when it is damaged or names another ListFile.
std::optional<std::set<size_t>> NotedRecords(std::string_view journal, std::string_view listBytes) {
  if (journal.substr(0, kHeadBytes) != Head(listBytes)) return std::nullopt;
  std::set<size_t> noted;
  for (size_t pos = kHeadBytes; pos + kLineBytes <= journal.size(); pos += kLineBytes) {
    const std::string line(journal.substr(pos, kLineBytes));
    size_t index = 0;
    char end = 0;
    if (std::sscanf(line.c_str(), "%10zu%c", &index, &end) != 2 || end != '\n') return std::nullopt;
    noted.insert(index);
  }
  return noted;
}

// Writes the drawer anew without the noted records. Refused (no record
// noted is listed, or a mail cannot be read back) counts as done: the
// drawer keeps its doubled mails, and nothing is lost.
bool LeaveOut(const DrawerFiles& drawer, std::string listBytes, const std::set<size_t>& noted) {
  std::unique_ptr<platform::Stream> mailFile = platform::OpenFile(drawer.mailPath, "rb");
  const DrawerListing listing = ReadListFile(std::move(listBytes), mailFile.get());
  mailFile.reset();
  if (listing.message == kOutOfMemory) return false;
  if (noted.empty() || *noted.rbegin() >= listing.entries.size()) return true;
  std::vector<const MailEntry*> keep;
  for (const MailEntry* row : listing.entries)
    if (!noted.count(listing.RecordIndex(*row))) keep.push_back(row);
  const StoreResult rewritten = RewriteRecoveredDrawer(drawer, listing, keep);
  return rewritten.Ok() || rewritten.message == kCannotOpenMailFile;
}

}  // namespace

SortJournal::SortJournal(const DrawerFiles& drawer) : m_path(ScratchFilesOf(drawer).sortJournalPath) {}

SortJournal::~SortJournal() = default;

bool SortJournal::Begin(std::string_view listBytes) {
  m_file = platform::OpenFile(m_path, "wb");
  return m_file && m_file->Write(Head(listBytes)) && m_file->Flush();
}

// A flush hands each line to the operating system, which keeps it across a
// kill of this process; only a power cut could lose it, and then the drawer
// keeps doubled mails, never loses one. A sync per mail would buy nothing more
// against a kill.
bool SortJournal::Note(size_t recordIndex) {
  char line[kLineBytes + 1];
  std::snprintf(line, sizeof line, kLineFormat, recordIndex);
  return m_file && m_file->Write(std::string_view(line, kLineBytes)) && m_file->Flush();
}

void SortJournal::Remove() {
  m_file.reset();
  platform::DeleteFile(m_path);
}

bool RecoverSortJournal(const DrawerFiles& drawer) {
  const std::string path = ScratchFilesOf(drawer).sortJournalPath;
  if (!platform::FileExists(path)) return true;
  std::string journal;
  std::string listBytes;
  if (!platform::ReadFileContents(path, journal)) return false;
  if (!platform::ReadFileContents(drawer.listPath, listBytes) && platform::PathExists(drawer.listPath))
    return false;
  try {
    const std::optional<std::set<size_t>> noted = NotedRecords(journal, listBytes);
    if (noted && !LeaveOut(drawer, std::move(listBytes), *noted)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return platform::DeleteFile(path) || !platform::FileExists(path);
}
