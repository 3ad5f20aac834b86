#include "platform/registry/RegistryStore.h"

#include <cstdio>

#include "platform/text/ShiftJis.h"

namespace platform::registry {

namespace {

constexpr std::string_view kHeader = "MARROWKIT-REGISTRY 1";

bool NeedsEscape(unsigned char byte) { return byte < 0x20 || byte > 0x7E || byte == '"' || byte == '%'; }

std::string Quoted(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char byte : bytes) {
    if (!NeedsEscape(byte)) {
      out.push_back(static_cast<char>(byte));
      continue;
    }
    char escaped[4];
    std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
    out += escaped;
  }
  return out + "\"";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads one quoted field from the front of rest (after one blank).
bool TakeQuoted(std::string_view& rest, std::string& out) {
  if (rest.size() < 3 || rest[0] != ' ' || rest[1] != '"') return false;
  out.clear();
  size_t i = 2;
  for (; i < rest.size() && rest[i] != '"'; ++i) {
    if (rest[i] != '%') {
      out.push_back(rest[i]);
      continue;
    }
    if (i + 2 >= rest.size() || HexDigit(rest[i + 1]) < 0 || HexDigit(rest[i + 2]) < 0) return false;
    out.push_back(static_cast<char>(HexDigit(rest[i + 1]) * 16 + HexDigit(rest[i + 2])));
    i += 2;
  }
  if (i == rest.size()) return false;
  rest.remove_prefix(i + 1);
  return true;
}

bool ParseEntry(std::string_view line, Store& store) {
  if (line.empty()) return false;
  const char type = line[0];
  std::string_view rest = line.substr(1);
  std::string first, second;
  if (!TakeQuoted(rest, first)) return false;
  if (type == 'K') {
    std::string path = ResolveKeyPath("", "\\" + first);
    if (store.FindKey(path)) return false;  // a key appears once
    store.keys.push_back(Key{std::move(path), {}});
    return rest.empty();
  }
  if ((type != 'S' && type != 'B') || store.keys.empty() || !TakeQuoted(rest, second) || !rest.empty())
    return false;
  store.keys.back().SetValue(first, type == 'S' ? ValueKind::String : ValueKind::Binary, second);
  return true;
}

}  // namespace

const Value* Key::FindValue(std::string_view name) const {
  for (const Value& value : values)
    if (SameTextIgnoreCase(value.name, name)) return &value;
  return nullptr;
}

bool Key::SetValue(std::string_view name, ValueKind kind, std::string_view data) {
  for (Value& value : values) {
    if (!SameTextIgnoreCase(value.name, name)) continue;
    if (value.kind == kind && value.data == data) return false;
    value.kind = kind;
    value.data = data;
    return true;
  }
  values.push_back(Value{std::string(name), kind, std::string(data)});
  return true;
}

const Key* Store::FindKey(std::string_view path) const {
  for (const Key& key : keys)
    if (SameTextIgnoreCase(key.path, path)) return &key;
  return nullptr;
}

Key* Store::FindKey(std::string_view path) {
  return const_cast<Key*>(static_cast<const Store*>(this)->FindKey(path));
}

bool Store::AddKey(std::string_view path) {
  bool added = false;
  if (path.empty() && !FindKey(path)) {
    keys.push_back(Key{"", {}});  // the root itself, when values are written there
    return true;
  }
  std::string prefix;
  for (const std::string& component : SplitKeyPath(path)) {
    prefix += (prefix.empty() ? "" : "\\") + component;
    if (FindKey(prefix)) continue;
    keys.push_back(Key{prefix, {}});
    added = true;
  }
  return added;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> components(1);
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\') {
      components.emplace_back();
      continue;
    }
    components.back().push_back(path[i]);
    // A trail byte may be 0x5C; it belongs to its character.
    if (IsSjisLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
      components.back().push_back(path[++i]);
  }
  std::erase_if(components, [](const std::string& c) { return c.empty(); });
  return components;
}

std::string ResolveKeyPath(std::string_view base, std::string_view key) {
  const bool fromRoot = !key.empty() && key[0] == '\\';
  std::string joined = fromRoot ? std::string(key) : std::string(base) + "\\" + std::string(key);
  std::string path;
  for (const std::string& component : SplitKeyPath(joined)) path += (path.empty() ? "" : "\\") + component;
  return path;
}

std::string Serialize(const Store& store) {
  std::string text = std::string(kHeader) + "\n";
  for (const Key& key : store.keys) {
    text += "K " + Quoted(key.path) + "\n";
    for (const Value& value : key.values)
      text += (value.kind == ValueKind::String ? "S " : "B ") + Quoted(value.name) + " " +
              Quoted(value.data) + "\n";
  }
  return text;
}

bool Parse(std::string_view text, Store& store) {
  store.keys.clear();
  size_t lineEnd = text.find('\n');
  if (lineEnd == std::string_view::npos || text.substr(0, lineEnd) != kHeader) return false;
  for (size_t start = lineEnd + 1; start < text.size(); start = lineEnd + 1) {
    lineEnd = text.find('\n', start);
    if (lineEnd == std::string_view::npos) return false;  // a cut-off last line
    if (!ParseEntry(text.substr(start, lineEnd - start), store)) return false;
  }
  return true;
}

}  // namespace platform::registry
