#pragma once
// Reading a drawer's ListFile into the rows of the open drawer, with the
// corrections that make PostPet's records usable: the short form's id, body
// lengths taken from the next mail's start, and From or Date recovered from
// the mail's header when the record holds none.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/ListRecord.h"

namespace platform {
class Stream;
}

inline constexpr size_t kMaxRows = 10010;  // rows one drawer shows

// The open drawer's rows, read from its ListFile. entries is the window's row
// table: a slot the caller empties (nullptr) is a removed row, and the slots
// may be reordered. The rows themselves stay owned by the listing and refer
// to the bytes it read, which it keeps to tell later whether they changed.
class DrawerListing {
 public:
  std::vector<MailEntry*> entries;  // at most kMaxRows
  bool hasMails = false;            // the ListFile exists and is not empty
  const char* message = nullptr;    // to show once: kCannotOpenMailFile or kOutOfMemory

  // The ListFile bytes the rows were read from, up to the end of the last row.
  std::string_view LoadedBytes() const;
  // Where a row of entries stands among the ListFile's records, counted from 0.
  size_t RecordIndex(const MailEntry& row) const { return static_cast<size_t>(&row - m_rows.data()); }

 private:
  friend DrawerListing ReadListFile(std::string listBytes, platform::Stream* mailFile);
  std::unique_ptr<const std::string> m_bytes;
  size_t m_loadedLength = 0;
  std::vector<MailEntry> m_rows;
};

// Reads up to kMaxRows rows from a ListFile's bytes. mailFile, when open,
// gives the headers that From and Date are recovered from; when it is missing
// or empty and a row needs it, the field stays empty and message says so once.
// A record cut short at the end of the bytes ends the reading before it.
DrawerListing ReadListFile(std::string listBytes, platform::Stream* mailFile);

// Reads a drawer's ListFile as it stands, with its MailFile for the headers
// (ReadDrawer locks and recovers the book first). A missing or empty ListFile
// gives an empty drawer without a message.
DrawerListing ReadDrawerFiles(const DrawerFiles& drawer);

// The records from pos to the end of listBytes, as read (no corrections),
// referring to listBytes; a last record cut short is left out, as the reader
// leaves it.
std::vector<MailEntry> ReadWholeRecords(std::string_view listBytes, size_t pos);
