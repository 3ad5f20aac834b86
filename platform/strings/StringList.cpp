#include "platform/strings/StringList.h"

#include <algorithm>

#include "platform/base/Exception.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Where the line end starting at i ends: CR LF counts as one.
size_t SkipLineEnd(std::string_view text, size_t i) {
  if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return i + 2;
  return i + 1;
}

bool OrderedBefore(const std::string& a, const std::string& b) {
  return platform::CompareTextIgnoreCase(a, b) < 0;
}

}  // namespace

std::vector<std::string_view> TextLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && !IsLineEnd(text[end])) ++end;
    lines.push_back(text.substr(start, end - start));
    start = end < text.size() ? SkipLineEnd(text, end) : end;
  }
  return lines;
}

std::string LoadFileBytes(std::string_view path) {
  std::string bytes;
  if (!platform::ReadFileContents(path, bytes)) throw FileOpenError(path);
  return bytes;
}

EFOpenError FileOpenError(std::string_view path) { return EFOpenError(platform::CannotOpenFileText(path)); }

EStringListError ListIndexError(int index) {
  return EStringListError(
      Format(platform::SjisFromUtf8("リストのインデックスが範囲を超えています (%d)").c_str(), index));
}

const std::string& TStringList::Strings(int index) const {
  CheckIndex(index, Count() - 1);
  return m_items[index];
}

void TStringList::SetString(int index, std::string text) {
  RefuseWhenSorted();
  CheckIndex(index, Count() - 1);
  m_items[index] = std::move(text);
}

int TStringList::Add(std::string text) {
  const int index = m_sorted ? SortedPosition(text) : Count();
  m_items.insert(m_items.begin() + index, std::move(text));
  return index;
}

void TStringList::Insert(int index, std::string text) {
  RefuseWhenSorted();
  CheckIndex(index, Count());
  m_items.insert(m_items.begin() + index, std::move(text));
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count() - 1);
  m_items.erase(m_items.begin() + index);
}

void TStringList::Clear() { m_items.clear(); }

void TStringList::Assign(const TStringList& source) { *this = source; }

int TStringList::IndexOf(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (platform::SameTextIgnoreCase(m_items[i], text)) return i;
  return -1;
}

void TStringList::Sort() { std::stable_sort(m_items.begin(), m_items.end(), OrderedBefore); }

void TStringList::SetSorted(bool sorted) {
  if (sorted && !m_sorted) Sort();
  m_sorted = sorted;
}

std::string TStringList::Text() const {
  std::string text;
  for (const std::string& item : m_items) text.append(item).append("\r\n");
  return text;
}

void TStringList::SetText(std::string_view text) {
  std::vector<std::string> lines;
  for (std::string_view line : TextLines(text)) lines.emplace_back(line);
  m_items = std::move(lines);
  if (m_sorted) Sort();
}

void TStringList::LoadFromFile(std::string_view path) { SetText(LoadFileBytes(path)); }

void TStringList::SaveToFile(std::string_view path) const {
  platform::ReplaceFileContents(path, Text());
}

void TStringList::CheckIndex(int index, int highest) const {
  if (index < 0 || index > highest) throw ListIndexError(index);
}

// The class library refuses to place an item by index in a sorted list.
void TStringList::RefuseWhenSorted() const {
  if (m_sorted) throw EStringListError(platform::SjisFromUtf8("ソートされたリストには実行できません"));
}

// After every item that does not order after text.
int TStringList::SortedPosition(std::string_view text) const {
  const std::string key(text);
  const auto place = std::upper_bound(m_items.begin(), m_items.end(), key, OrderedBefore);
  return static_cast<int>(place - m_items.begin());
}
