#include "platform/registry/Registry.h"

#include <algorithm>
#include <cstring>

#include "platform/base/Exception.h"
#include "platform/registry/RegistryFile.h"
#include "platform/registry/RegistryStore.h"

using platform::registry::IsKnownRoot;
using platform::registry::Key;
using platform::registry::RegistryFile;
using platform::registry::RegistryMessage;
using platform::registry::Store;
using platform::registry::Value;
using platform::registry::ValueKind;

namespace {

std::string ValueLabel(const std::string& keyPath, std::string_view name) {
  return (keyPath.empty() ? "\\" : "\\" + keyPath + "\\") + std::string(name);
}

std::string WriteFailure(const std::string& keyPath, std::string_view name) {
  return RegistryMessage("レジストリに書き込めません (%s)", ValueLabel(keyPath, name));
}

[[noreturn]] void WrongType(const std::string& keyPath, std::string_view name) {
  throw ERegistryException(
      RegistryMessage("レジストリの値 %s のデータ型が正しくありません", ValueLabel(keyPath, name)));
}

}  // namespace

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  if (!IsKnownRoot(RootKey)) return false;
  const std::string path = Resolve(key);
  const RegistryFile file(RootKey);
  const bool exists = path.empty() || file.Read().FindKey(path);
  if (!exists && !canCreate) return false;
  if (!exists) {
    try {
      file.Update([&path](Store& store) { return store.AddKey(path); },
                  RegistryMessage("レジストリのキー %s を作成できません", "\\" + path));
    } catch (const ERegistryException&) {
      return false;
    }
  }
  m_open = true;
  m_openRoot = RootKey;
  m_currentPath = path;
  return true;
}

bool TRegistry::CreateKey(std::string_view key) {
  const std::string path = Resolve(key);
  const std::string failure = RegistryMessage("レジストリのキー %s を作成できません", "\\" + path);
  if (!IsKnownRoot(RootKey)) throw ERegistryException(failure);
  RegistryFile(RootKey).Update([&path](Store& store) { return store.AddKey(path); }, failure);
  return true;
}

void TRegistry::CloseKey() {
  m_open = false;
  m_currentPath.clear();
}

bool TRegistry::KeyExists(std::string_view key) {
  if (!IsKnownRoot(RootKey)) return false;
  const std::string path = Resolve(key);
  return path.empty() || RegistryFile(RootKey).Read().FindKey(path) != nullptr;
}

std::string TRegistry::CurrentPath() const { return HasCurrentKey() ? m_currentPath : std::string(); }

bool TRegistry::ValueExists(std::string_view name) {
  if (!HasCurrentKey()) return false;
  const Store store = RegistryFile(RootKey).Read();
  const Key* key = store.FindKey(m_currentPath);
  return key && key->FindValue(name);
}

std::string TRegistry::ReadString(std::string_view name) {
  if (!HasCurrentKey()) return "";
  const Store store = RegistryFile(RootKey).Read();
  const Key* key = store.FindKey(m_currentPath);
  const Value* value = key ? key->FindValue(name) : nullptr;
  if (!value) return "";
  if (value->kind != ValueKind::String) WrongType(m_currentPath, name);
  return value->data;
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  WriteValue(name, ValueKind::String, value);
}

int TRegistry::ReadBinaryData(std::string_view name, void* buffer, int bufferSize) {
  if (!HasCurrentKey()) return 0;
  const Store store = RegistryFile(RootKey).Read();
  const Key* key = store.FindKey(m_currentPath);
  const Value* value = key ? key->FindValue(name) : nullptr;
  if (!value) return 0;
  if (value->kind != ValueKind::Binary || value->data.size() > static_cast<size_t>(std::max(bufferSize, 0)))
    WrongType(m_currentPath, name);
  std::memcpy(buffer, value->data.data(), value->data.size());
  return static_cast<int>(value->data.size());
}

void TRegistry::WriteBinaryData(std::string_view name, const void* buffer, int bufferSize) {
  const size_t size = bufferSize > 0 ? static_cast<size_t>(bufferSize) : 0;
  WriteValue(name, ValueKind::Binary, std::string_view(static_cast<const char*>(buffer), size));
}

void TRegistry::WriteValue(std::string_view name, ValueKind kind, std::string_view data) {
  const std::string path = CurrentPath();
  if (!HasCurrentKey()) throw ERegistryException(WriteFailure(path, name));
  RegistryFile(RootKey).Update(
      [&](Store& store) {
        const bool added = store.AddKey(path);
        return store.FindKey(path)->SetValue(name, kind, data) || added;
      },
      WriteFailure(path, name));
}

std::string TRegistry::Resolve(std::string_view key) const {
  return platform::registry::ResolveKeyPath(CurrentPath(), key);
}
