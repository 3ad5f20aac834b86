#pragma once
// The registry's data in memory and its text form on disk.
//
// The file is text, one entry per line, each field in double quotes with
// every byte outside printable ASCII, and every '"' and '%', written as %XX,
// so Shift-JIS and binary data survive unchanged:
//   MARROWKIT-REGISTRY 1
//   K "Software\Ostrel\Marrowkit"
//   S "PPPATH" "/home/user/PostPet"
//   B "EditFlags" "%02%00%00%00"
// Values belong to the key line above them.

#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

enum class ValueKind { String, Binary };

struct Value {
  std::string name;
  ValueKind kind;
  std::string data;
};

struct Key {
  std::string path;  // from the root, components joined by "\", no leading "\"
  std::vector<Value> values;

  const Value* FindValue(std::string_view name) const;
  // True when it changed anything.
  bool SetValue(std::string_view name, ValueKind kind, std::string_view data);
};

struct Store {
  std::vector<Key> keys;

  const Key* FindKey(std::string_view path) const;
  Key* FindKey(std::string_view path);
  // Adds path and its missing parents; true when a key was added.
  bool AddKey(std::string_view path);
};

std::string Serialize(const Store& store);
// False when text is not a store file.
bool Parse(std::string_view text, Store& store);

// The components of a key path, split at "\" characters (never at a trail
// byte 0x5C); empty components are dropped.
std::vector<std::string> SplitKeyPath(std::string_view path);

// Joins key to base ("" for the root) unless key starts with "\", and
// normalises separators.
std::string ResolveKeyPath(std::string_view base, std::string_view key);

}  // namespace platform::registry
