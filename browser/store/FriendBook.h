#pragma once
// PostPet's friend book おともだち帳 in the PostPet folder: FriendRecords back
// to back, no header. A record: petKind (s32), then petName, ownerName and
// address, each a length byte and that many Shift-JIS bytes, then count (u32);
// little-endian. Both programs read it, neither writes it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct FriendRecord {
  int32_t petKind = 0;
  std::string petName;
  std::string ownerName;
  std::string address;
  uint32_t count = 0;
};

// The friend book of the PostPet folder ppPath.
std::string FriendBookPath(std::string_view ppPath);

// PetKindNames: the kind's name; a kind outside 0 to 9 shows as kind 5's "?".
std::string_view PetKindName(int32_t petKind);

struct FriendBook {
  bool opened = false;     // false: the book is missing
  std::vector<FriendRecord> records;
  bool truncated = false;  // the file ends inside a record; the records before it are read
};

// Dorvane's walk (rule editor import): a record is read while a petKind can be read.
FriendBook ReadFriendBookForRules(std::string_view path);
// Quillet's walk (address picker): after each record one byte is looked at;
// the walk goes on while there is one.
FriendBook ReadFriendBookForPicker(std::string_view path);
