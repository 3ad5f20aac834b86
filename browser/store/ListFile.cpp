#include "browser/store/ListFile.h"

#include <algorithm>
#include <optional>
#include <new>

#include "browser/store/MailFile.h"
#include "browser/store/StoreResult.h"
#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"

namespace {

constexpr size_t kRecoveredCap = 127;  // a From or Date taken from the header

// The previous mail's body runs up to this mail's start; a start before the
// previous body keeps the stored length, which is never made negative.
void CorrectBodyLength(MailEntry& previous, const MailEntry& next) {
  if (next.mailStart >= previous.bodyStart) previous.bodyLength = next.mailStart - previous.bodyStart;
}

// The text after the first label in the header, up to CR, LF or the header's end.
std::optional<std::string_view> HeaderValue(std::string_view header, std::string_view label) {
  const size_t found = header.find(label);
  if (found == std::string_view::npos) return std::nullopt;
  std::string_view value = header.substr(found + label.size());
  value = value.substr(0, value.find_first_of("\r\n"));
  return value.substr(0, platform::SjisPrefixLength(value, kRecoveredCap));
}

std::optional<std::string_view> RecoveredFrom(std::string_view header) {
  if (auto from = HeaderValue(header, "From: ")) return from;
  return HeaderValue(header, "Reply-To: ");
}

void Recover(MailEntry& entry, MailField field, std::optional<std::string_view> value) {
  if (!value) return;
  entry.SetText(field, *value, true);
  entry.recordSize += static_cast<uint32_t>(entry.Text(field).size());
}

class HeaderRecovery {
 public:
  explicit HeaderRecovery(platform::Stream* mailFile)
      : m_mailFile(mailFile && mailFile->Length() > 0 ? mailFile : nullptr) {}
  const char* Message() const { return m_message; }

  void Apply(MailEntry& entry) {
    const bool needsFrom = entry.Text(MailField::From).empty();
    const bool needsDate = entry.Text(MailField::Date).empty();
    if (!needsFrom && !needsDate) return;
    if (!m_mailFile) {
      m_message = kCannotOpenMailFile;
      return;
    }
    const std::string header = ReadFileRange(*m_mailFile, entry.mailStart, entry.HeaderLength());
    if (needsFrom) Recover(entry, MailField::From, RecoveredFrom(header));
    if (needsDate) Recover(entry, MailField::Date, HeaderValue(header, "Date: "));
  }

 private:
  platform::Stream* m_mailFile;
  const char* m_message = nullptr;
};

// Rows up to kMaxRows or the first record cut short, From and Date
// recovered where missing; returns where the rows end.
size_t ReadRows(std::string_view listBytes, HeaderRecovery& recovery, std::vector<MailEntry>& rows) {
  constexpr size_t kSmallestRecord = 34;  // a short record with empty strings
  rows.reserve(std::min(kMaxRows, listBytes.size() / kSmallestRecord + 1));
  size_t pos = 0;
  MailEntry entry;
  while (rows.size() < kMaxRows && pos < listBytes.size() && ParseListRecord(listBytes, pos, entry)) {
    recovery.Apply(entry);
    if (!rows.empty()) CorrectBodyLength(rows.back(), entry);
    rows.push_back(std::move(entry));
  }
  return pos;
}

// The ListFile from its start to the end of the kMaxRows-th whole record, or
// all of it when it holds fewer: a drawer of any length costs no more memory
// than the rows it shows.
std::string ReadListedPart(platform::Stream& listFile) {
  constexpr size_t kPieceBytes = 1 << 20;
  std::string bytes;
  size_t pos = 0;
  size_t rows = 0;
  MailEntry entry;
  for (;;) {
    const size_t kept = bytes.size();
    bytes.resize(kept + kPieceBytes);
    const size_t got = listFile.Read(bytes.data() + kept, kPieceBytes);
    bytes.resize(kept + got);
    while (rows < kMaxRows && ParseListRecord(bytes, pos, entry)) ++rows;
    if (rows == kMaxRows) bytes.resize(pos);
    if (rows == kMaxRows || got == 0) return bytes;
  }
}

}  // namespace

std::string_view DrawerListing::LoadedBytes() const {
  return m_bytes ? std::string_view(*m_bytes).substr(0, m_loadedLength) : std::string_view();
}

DrawerListing ReadListFile(std::string listBytes, platform::Stream* mailFile) {
  DrawerListing listing;
  listing.hasMails = !listBytes.empty();
  try {
    listing.m_bytes = std::make_unique<const std::string>(std::move(listBytes));
    HeaderRecovery recovery(mailFile);
    listing.m_loadedLength = ReadRows(*listing.m_bytes, recovery, listing.m_rows);
    listing.message = recovery.Message();
    listing.entries.reserve(listing.m_rows.size());
    for (MailEntry& row : listing.m_rows) listing.entries.push_back(&row);
  } catch (const std::bad_alloc&) {
    // No rows, and nothing counted as loaded: a rewrite from this listing
    // carries every record over instead of dropping the unlisted ones.
    listing.entries.clear();
    listing.m_rows.clear();
    listing.m_loadedLength = 0;
    listing.message = kOutOfMemory;
  }
  return listing;
}

DrawerListing ReadDrawerFiles(const DrawerFiles& drawer) {
  std::unique_ptr<platform::Stream> listFile = platform::OpenFile(drawer.listPath, "rb");
  if (!listFile || listFile->Length() <= 0) return {};
  std::string listBytes;
  try {
    listBytes = ReadListedPart(*listFile);
  } catch (const std::bad_alloc&) {
    DrawerListing listing;
    listing.hasMails = true;
    listing.message = kOutOfMemory;
    return listing;
  }
  std::unique_ptr<platform::Stream> mailFile = platform::OpenFile(drawer.mailPath, "rb");
  return ReadListFile(std::move(listBytes), mailFile.get());
}

std::vector<MailEntry> ReadWholeRecords(std::string_view listBytes, size_t pos) {
  std::vector<MailEntry> records;
  MailEntry record;
  while (pos < listBytes.size() && ParseListRecord(listBytes, pos, record)) records.push_back(std::move(record));
  return records;
}
