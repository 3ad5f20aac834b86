#include "browser/store/PairAppender.h"

#include "browser/store/MailFile.h"
#include "platform/files/Files.h"

namespace {

constexpr size_t kPieceBytes = 256 << 10;   // texts are written in pieces about this big
constexpr size_t kRecordBytes = 4 << 20;    // records waiting for their texts to be made durable

// The file's length, or none when it cannot be told (or it lies past what a
// record's offsets reach, which no append may build on).
std::optional<uint64_t> LengthOf(platform::Stream& file) {
  const int64_t length = file.Length();
  if (length < 0 || static_cast<uint64_t>(length) > kMaxMailFileLength) return std::nullopt;
  return static_cast<uint64_t>(length);
}

// Where the ListFile's whole records end, and where the text of a record cut
// short after them begins when its bytes still tell.
struct TornTail {
  uint64_t wholeEnd = 0;
  uint64_t length = 0;
  uint64_t textsEnd = 0;              // the end of the last whole record's text
  std::optional<uint32_t> tornStart;  // mailStart of the record cut short
};

// Every record ends in its 4-byte trailer: a ListFile that ends in one is
// taken as whole without reading it. One that does not is walked piece by
// piece, holding no more than the record being read.
std::optional<TornTail> FindTornTail(const std::string& path) {
  constexpr size_t kPieceBytes = 1 << 20;
  constexpr size_t kMailStartEnd = 12;  // head, recordSize, mailStart
  constexpr std::string_view kTrailer = "EeE1";
  std::unique_ptr<platform::Stream> list = platform::OpenFile(path, "rb");
  TornTail tail;
  const int64_t length = list ? list->Length() : -1;
  if (length < 0) return std::nullopt;
  tail.length = tail.wholeEnd = static_cast<uint64_t>(length);
  if (length == 0 || (length >= 4 && ReadFileRange(*list, length - 4, 4) == kTrailer)) return tail;
  if (!list->Seek(0)) return std::nullopt;
  std::string bytes;
  uint64_t base = 0;
  MailEntry record;
  for (size_t got = 1; got > 0;) {
    const size_t kept = bytes.size();
    bytes.resize(kept + kPieceBytes);
    got = list->Read(bytes.data() + kept, kPieceBytes);
    bytes.resize(kept + got);
    size_t pos = 0;
    while (ParseListRecord(bytes, pos, record))
      tail.textsEnd = std::max<uint64_t>(tail.textsEnd, uint64_t{record.mailStart} + record.MailLength());
    bytes.erase(0, pos);
    base += pos;
  }
  tail.wholeEnd = base;
  if (bytes.size() >= kMailStartEnd) tail.tornStart = RecordMailStart(bytes);
  return tail;
}

}  // namespace

PairAppender::PairAppender(const DrawerFiles& drawer, AppendClaims* claims) : m_drawer(drawer), m_claims(claims) {
  m_created = !platform::PathExists(drawer.mailPath) || !platform::PathExists(drawer.listPath);
  m_mailFile = platform::OpenFile(drawer.mailPath, "ab");
  if (!m_mailFile) {
    m_opened = StoreResult::FromLastError(StoreFailure::CannotOpenMailFile, drawer.mailPath);
    return;
  }
  m_listFile = platform::OpenFile(drawer.listPath, "ab");
  if (!m_listFile) {
    m_opened = StoreResult::FromLastError(StoreFailure::CannotOpenListFile, drawer.listPath);
    return;
  }
  if (m_claims) m_opened = RepairTornTail();
  if (!m_opened.Ok()) return;
  const std::optional<uint64_t> mailLength = LengthOf(*m_mailFile);
  const std::optional<uint64_t> listLength = LengthOf(*m_listFile);
  if (!mailLength || !listLength) {
    m_opened = {StoreFailure::CannotOpenMailFile, drawer.mailPath};
    return;
  }
  m_mailBefore = m_mailEnd = *mailLength;
  m_listBefore = m_listEnd = *listLength;
}


PairAppender::~PairAppender() = default;

// A crash of any writer can leave the last record cut short: nothing may be
// appended after it, or the reader would take the next record's bytes for
// its missing ones. The text of the torn record goes too when it ends the
// MailFile, so that no earlier mail's body runs on into it; the MailFile is
// cut first, so that a crash in between leaves the record to repair again.
StoreResult PairAppender::RepairTornTail() {
  const std::optional<TornTail> found = FindTornTail(m_drawer.listPath);
  if (!found) return StoreResult::FromLastError(StoreFailure::CannotOpenListFile, m_drawer.listPath);
  const TornTail& tail = *found;
  if (tail.wholeEnd == tail.length) return {};
  // Another program appending meanwhile: its bytes are not cut with the tail.
  if (platform::FileSize(m_drawer.listPath) != static_cast<int64_t>(tail.length))
    return {StoreFailure::CannotOpenListFile, m_drawer.listPath};
  const int64_t mailLength = m_mailFile->Length();
  const bool textEndsMailFile = tail.tornStart && *tail.tornStart >= tail.textsEnd &&
                                mailLength >= 0 && *tail.tornStart <= static_cast<uint64_t>(mailLength);
  if (textEndsMailFile && (!m_mailFile->Truncate(*tail.tornStart) || !m_mailFile->Sync()))
    return StoreResult::FromLastError(StoreFailure::CannotOpenMailFile, m_drawer.mailPath);
  if (!m_listFile->Truncate(static_cast<int64_t>(tail.wholeEnd)) || !m_listFile->Sync())
    return StoreResult::FromLastError(StoreFailure::CannotOpenListFile, m_drawer.listPath);
  return {};
}

StoreResult PairAppender::WriteMail(const MailEntry& entry, std::string_view text) {
  if (!m_opened.Ok()) return m_opened;
  if (m_stopped) return {StoreFailure::CannotWriteMail, m_drawer.mailPath};
  if (m_mailEnd + m_piece.size() + text.size() > kMaxMailFileLength) return {StoreFailure::MailFileFull, m_drawer.mailPath};
  if (!m_piece.empty() && m_piece.size() + text.size() > kPieceBytes) {
    const StoreResult written = WriteGathered();
    if (!written.Ok()) return written;
  }
  m_pieceStarts.push_back(m_pieceRecords.size());
  m_pieceRecords += EncodeListRecord(entry, static_cast<uint32_t>(m_piece.size()), text.size());
  // A long text is written from the caller's bytes: a mail is never held twice.
  if (text.size() >= kPieceBytes) {
    const StoreResult written = WritePiece(text);
    if (!written.Ok()) return written;
  } else {
    m_piece.append(text);
  }
  return m_pendingRecords.size() < kRecordBytes ? StoreResult{} : Sync();
}

StoreResult PairAppender::WriteGathered() {
  if (!m_opened.Ok()) return m_opened;
  if (m_stopped) return {StoreFailure::CannotWriteMail, m_drawer.mailPath};
  if (m_pieceStarts.empty()) return {};
  // The piece keeps its room for the next one.
  const StoreResult written = WritePiece(m_piece);
  m_piece.clear();
  return written;
}

// The piece's offsets are taken from the file's real end, claimed, and
// checked against where the write landed.
StoreResult PairAppender::WritePiece(std::string_view texts) {
  const std::optional<uint64_t> end = LengthOf(*m_mailFile);
  if (!end) return Stopped(StoreFailure::CannotWriteMail, m_drawer.mailPath);
  if (*end != m_mailEnd) m_othersAppended = true;
  if (*end + texts.size() > kMaxMailFileLength) return Stopped(StoreFailure::MailFileFull, m_drawer.mailPath);
  StoreResult failure;
  const std::optional<uint64_t> start = AppendClaimed(*m_mailFile, ClaimedFile::Mail, *end, texts, failure);
  if (!start) return Stopped(failure.failure, failure.path);
  if (*start + texts.size() > kMaxMailFileLength) return Stopped(StoreFailure::MailFileFull, m_drawer.mailPath);
  for (const size_t recordStart : m_pieceStarts) ShiftRecordOffsets(m_pieceRecords, recordStart, static_cast<int64_t>(*start));
  // Room for all the records a sync waits for, taken once they are many: a
  // long import's memory does not grow past its first syncs.
  const size_t needed = m_pendingRecords.size() + m_pieceRecords.size();
  if (needed > m_pendingRecords.capacity() && needed > kRecordBytes / 64)
    m_pendingRecords.reserve(std::max(needed, kRecordBytes + kRecordBytes / 4));
  m_pendingRecords += m_pieceRecords;
  m_pieceRecords.clear();
  m_pieceStarts.clear();
  m_mailEnd = *start + texts.size();
  return {};
}

// Bytes the disk took only in part are cut back while nothing follows them;
// otherwise the journal says how far they went, for recovery to cut.
std::optional<uint64_t> PairAppender::AppendClaimed(platform::Stream& file, ClaimedFile which, uint64_t end,
                                                    std::string_view bytes, StoreResult& failure) {
  const std::string& path = which == ClaimedFile::Mail ? m_drawer.mailPath : m_drawer.listPath;
  uint64_t claim = 0;
  if (m_claims) {
    failure = m_claims->Claim(*this, which, end, bytes, claim);
    if (!failure.Ok()) return std::nullopt;
  }
  const platform::Stream::Appended appended = file.Append(bytes);
  const bool whole = appended.written == bytes.size();
  if (!whole) failure = StoreResult::FromLastError(StoreFailure::CannotWriteMail, path);
  if (appended.start < 0) return std::nullopt;
  const uint64_t start = static_cast<uint64_t>(appended.start);
  if (start != end) m_othersAppended = true;
  // The stream's own length fails after a failed write: the file's is asked.
  const bool takenBack = !whole && platform::FileSize(path) == static_cast<int64_t>(start + appended.written) &&
                         file.Truncate(static_cast<int64_t>(start));
  if ((start != end || (!whole && !takenBack)) && m_claims) {
    const StoreResult noted = m_claims->Landed(claim, start, takenBack ? 0 : appended.written);
    if (!noted.Ok() && whole) failure = noted;
  }
  if (!failure.Ok()) return std::nullopt;
  return start;
}

StoreResult PairAppender::Sync() {
  if (!m_opened.Ok()) return m_opened;
  if (m_syncFailed) return {StoreFailure::CannotWriteMail, m_drawer.mailPath};
  if (!m_stopped) {
    const StoreResult written = WriteGathered();
    if (!written.Ok()) return written;
  }
  const StoreResult claimsKept = m_claims ? m_claims->MakeDurable() : StoreResult{};
  if (!claimsKept.Ok()) return LostDurability(claimsKept.failure, claimsKept.path);
  if (!m_mailFile->Sync()) return LostDurability(StoreFailure::CannotWriteMail, m_drawer.mailPath);
  const StoreResult recorded = WriteRecords();
  if (!recorded.Ok()) return recorded;
  if (!m_listFile->Sync()) return LostDurability(StoreFailure::CannotWriteMail, m_drawer.listPath);
  if (m_created && !platform::SyncFolder(m_drawer.folder)) return LostDurability(StoreFailure::CannotWriteMail, m_drawer.folder);
  m_created = false;
  return {};
}

StoreResult PairAppender::WriteRecords() {
  if (m_pendingRecords.empty()) return {};
  const int64_t end = m_listFile->Length();
  if (end < 0) return LostDurability(StoreFailure::CannotWriteMail, m_drawer.listPath);
  if (static_cast<uint64_t>(end) != m_listEnd) m_othersAppended = true;
  StoreResult failure;
  const std::optional<uint64_t> start =
      AppendClaimed(*m_listFile, ClaimedFile::List, static_cast<uint64_t>(end), m_pendingRecords, failure);
  if (!start) return LostDurability(failure.failure, failure.path);
  m_listEnd = *start + m_pendingRecords.size();
  m_pendingRecords.clear();
  return {};
}

// A failed piece ends the pair's writing; the pieces before it can still be
// made durable.
StoreResult PairAppender::Stopped(StoreFailure failure, const std::string& path) {
  m_stopped = true;
  m_piece.clear();
  m_pieceRecords.clear();
  m_pieceStarts.clear();
  return failure == StoreFailure::MailFileFull ? StoreResult{failure, path} : StoreResult::FromLastError(failure, path);
}

// What a sync failed on may be lost whatever a later sync says.
StoreResult PairAppender::LostDurability(StoreFailure failure, const std::string& path) {
  m_syncFailed = true;
  return Stopped(failure, path);
}
