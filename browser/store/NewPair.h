#pragma once
// A drawer written anew: the rows it keeps, copied with their texts into a
// pair of scratch files beside its own ("….new"), made durable, and later
// renamed over the drawer's files. The journal (DrawerJournal) decides when
// a new pair may be put in place; this unit only writes, extends, installs
// and removes it. Everything here runs with the book's folders locked.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/JournalText.h"
#include "browser/store/ListFile.h"
#include "browser/store/ListRecord.h"
#include "browser/store/StoreResult.h"

namespace platform {
class Stream;
}

// The drawer's MailFile as a rewrite reads it.
class MailSource {
 public:
  explicit MailSource(std::string_view path);
  ~MailSource();
  // Every row's text can be found in the file (CannotReadBack for none).
  bool CanReadBack(const std::vector<const MailEntry*>& rows) const;
  // The row's whole text lies in the file.
  bool HasWhole(const MailEntry& row) const;
  // The bytes of a row's text that exist: a text running past the file's end is cut there.
  uint64_t ExistingLength(const MailEntry& row) const;
  // Exactly count bytes from start, or none when the file gives fewer.
  std::optional<std::string> Read(uint64_t start, uint64_t count);
  // The row's text as a rewrite or a move copies it.
  std::optional<std::string> TextOf(const MailEntry& row) { return Read(row.mailStart, ExistingLength(row)); }

 private:
  std::unique_ptr<platform::Stream> m_file;
  uint64_t m_length = 0;
};

// Hands each row's text (as TextOf gives it) to each, in order; rows whose
// texts lie back to back in the file are read at once. CannotOpenMailFile
// when a text cannot be read; each's own failure stops it.
using EachText = std::function<StoreResult(size_t row, std::string_view text)>;
StoreResult ForEachText(const std::vector<const MailEntry*>& rows, MailSource& mails, const EachText& each);

// The drawer as found under its lock, checked against the part of its
// ListFile that was loaded (loadedBytes). Result(): DrawerChanged when the
// loaded part changed meanwhile, CannotOpenListFile when the file is there
// but cannot be read.
class CheckedDrawer {
 public:
  CheckedDrawer(const DrawerFiles& drawer, std::string_view loadedBytes);
  CheckedDrawer(const CheckedDrawer&) = delete;
  CheckedDrawer& operator=(const CheckedDrawer&) = delete;

  const StoreResult& Result() const { return m_result; }
  // The rows a new pair holds: keep (rows of the loaded part), then every
  // whole record after the loaded part (records appended since, and records
  // past kMaxRows). CannotOpenMailFile when one of them cannot be read back.
  StoreResult Keep(const std::vector<const MailEntry*>& keep);
  const std::vector<const MailEntry*>& Rows() const { return m_rows; }
  MailSource& Mails() { return m_mails; }
  // The ListFile's bytes as read under the lock: what the new pair replaces.
  std::string_view ListBytes() const { return m_listBytes; }

 private:
  const DrawerFiles& m_drawer;
  std::string m_listBytes;  // the carried records refer to these bytes
  size_t m_loadedLength = 0;
  std::vector<MailEntry> m_carried;
  std::vector<const MailEntry*> m_rows;
  MailSource m_mails;
  StoreResult m_result;
};

// The loaded part of a ListFile is still the start of listBytes.
bool LoadedPartUnchanged(std::string_view listBytes, std::string_view loadedBytes);

// The scratch names of a drawer's new pair.
DrawerFiles NewPairOf(const DrawerFiles& drawer);
// Writes the new pair from rows, texts from mails, and makes it durable:
// both files and their folder synced. The scratch files are removed again on
// failure: CannotCreateScratch, CannotOpenMailFile (a text cannot be read),
// CannotWriteMail, OutOfMemory.
StoreResult WriteNewPair(const DrawerFiles& drawer, const std::vector<const MailEntry*>& rows, MailSource& mails);
// Puts a drawer's new pair (or its new ListFile alone) in place, MailFile
// first, taking the records another program appended to the drawer since
// the pair was made (replace.coveredLength): before the MailFile is
// replaced, their texts are copied into the new one, which noteCarried
// notes in the journal; after it, the records whose texts went into the new
// MailFile itself are added to the new ListFile as they are. When the
// drawer's ListFile no longer starts with what the pair was made from
// (another program wrote it anew), the pair is removed and the drawer stays.
// False when a write or a rename fails: the next recovery finishes it. The
// renames are durable once the caller has synced the folder.
bool InstallReplacement(const DrawerFiles& drawer, const JournalReplace& replace, const JournalCarried* carried,
                        const std::function<bool(const JournalCarried&)>& noteCarried);
// Whether any scratch file of the drawer is there.
bool NewPairLeft(const DrawerFiles& drawer);
void RemoveNewPair(const DrawerFiles& drawer);
