#pragma once
// The class library's registry accessor over a file-backed store: one file
// per root, shared by every program of the user. Key and value names compare
// without regard to case; values are typed (string or binary). Nothing is
// cached: every call reads the store anew, so another program's writes are
// seen at once. Texts are Shift-JIS.

#include <string>
#include <string_view>

namespace platform::registry {
enum class ValueKind;
}

using HKEY = unsigned long;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;

class TRegistry {
 public:
  // The current key belongs to the root it was opened under: with another
  // RootKey no key is open.
  HKEY RootKey = HKEY_CURRENT_USER;

  // Makes key the current key. A key starting with "\" is taken from the root,
  // any other relative to the current key. A missing key is created (with its
  // parents) when canCreate; false when it is missing otherwise or cannot be
  // created. Throws ERegistryException when the store is corrupt.
  bool OpenKey(std::string_view key, bool canCreate);
  // Creates key (and its parents) without opening it; true when it exists
  // afterwards. Throws ERegistryException when it cannot be created.
  bool CreateKey(std::string_view key);
  void CloseKey();
  bool KeyExists(std::string_view key);
  // The current key's path from the root, without the leading "\".
  std::string CurrentPath() const;

  // Values of the current key; the empty name is the key's unnamed value.
  bool ValueExists(std::string_view name);
  // An absent value (or no current key) reads as "". A binary value raises
  // ERegistryException.
  std::string ReadString(std::string_view name);
  // Creates or replaces a string value. Throws ERegistryException when there
  // is no current key or the store cannot be written; other values are kept.
  void WriteString(std::string_view name, std::string_view value);
  // Copies a binary value into buffer and returns its size; 0 when absent.
  // A string value, or one larger than bufferSize, raises ERegistryException.
  int ReadBinaryData(std::string_view name, void* buffer, int bufferSize);
  void WriteBinaryData(std::string_view name, const void* buffer, int bufferSize);

 private:
  bool HasCurrentKey() const { return m_open && m_openRoot == RootKey; }
  std::string Resolve(std::string_view key) const;
  void WriteValue(std::string_view name, platform::registry::ValueKind kind, std::string_view data);

  bool m_open = false;
  HKEY m_openRoot = 0;
  std::string m_currentPath;
};
