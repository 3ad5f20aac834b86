#include "browser/store/FriendBook.h"

#include <iterator>
#include <memory>

#include "platform/base/Format.h"
#include "platform/files/Files.h"

namespace {

const char* const kPetKindNames[] = {"ポストマン", "テディベア", "ミニウサギ", "オカガメ",
                                     "雑種ネコ",   "?",          "ひみつメカ", "ハムスター",
                                     "ペンギン",   "イヌ"};
constexpr int32_t kUnknownPetKind = 5;

uint32_t DecodeU32(const unsigned char* b) {
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

bool ReadU32(platform::Stream& file, uint32_t& value) {
  unsigned char b[4];
  if (file.Read(b, 4) != 4) return false;
  value = DecodeU32(b);
  return true;
}

bool ReadCountedText(platform::Stream& file, std::string& text) {
  const int length = file.GetChar();
  if (length < 0) return false;
  text.resize(length);
  return file.Read(text.data(), text.size()) == text.size();
}

// Everything of a record after its petKind.
bool ReadRecordRest(platform::Stream& file, FriendRecord& record) {
  return ReadCountedText(file, record.petName) && ReadCountedText(file, record.ownerName) &&
         ReadCountedText(file, record.address) && ReadU32(file, record.count);
}

bool ReadRecord(platform::Stream& file, FriendRecord& record) {
  uint32_t kind = 0;
  if (!ReadU32(file, kind)) return false;
  record.petKind = static_cast<int32_t>(kind);
  return ReadRecordRest(file, record);
}

bool AtEnd(platform::Stream& file) {
  const int64_t position = file.Tell();
  const bool end = file.GetChar() < 0;
  file.Seek(position);
  return end;
}

}  // namespace

std::string FriendBookPath(std::string_view ppPath) {
  return Format("%s\\おともだち帳", std::string(ppPath).c_str());
}

std::string_view PetKindName(int32_t petKind) {
  const bool known = petKind >= 0 && petKind < static_cast<int32_t>(std::size(kPetKindNames));
  return kPetKindNames[known ? petKind : kUnknownPetKind];
}

FriendBook ReadFriendBookForRules(std::string_view path) {
  FriendBook book;
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "rb");
  if (!file) return book;
  book.opened = true;
  unsigned char kind[4];
  size_t got = 0;
  while ((got = file->Read(kind, sizeof kind)) > 0) {
    FriendRecord record;
    if (got < sizeof kind || !ReadRecordRest(*file, record)) {
      book.truncated = true;
      break;
    }
    record.petKind = static_cast<int32_t>(DecodeU32(kind));
    book.records.push_back(std::move(record));
  }
  return book;
}

FriendBook ReadFriendBookForPicker(std::string_view path) {
  FriendBook book;
  std::unique_ptr<platform::Stream> file = platform::OpenFile(path, "rb");
  if (!file) return book;
  book.opened = true;
  if (file->Length() <= 0) return book;
  do {
    FriendRecord record;
    if (!ReadRecord(*file, record)) {
      book.truncated = true;
      break;
    }
    book.records.push_back(std::move(record));
  } while (!AtEnd(*file));
  return book;
}
