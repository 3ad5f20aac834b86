#include "platform/forms/ControlStrings.h"

#include "platform/base/Exception.h"
#include "platform/base/Format.h"
#include "platform/strings/StringList.h"
#include "platform/text/ShiftJis.h"

int TControlStrings::Add(const std::string& text) {
  int index = Count();
  Insert(index, text);
  return index;
}

void TControlStrings::AddStrings(const std::vector<std::string>& texts) {
  for (const std::string& text : texts) Add(text);
}

int TControlStrings::IndexOf(const std::string& text) const {
  for (int i = 0; i < Count(); ++i)
    if (platform::SameTextIgnoreCase(Strings(i), text)) return i;
  return -1;
}

std::vector<std::string> TControlStrings::ToVector() const {
  std::vector<std::string> texts;
  texts.reserve(Count());
  for (int i = 0; i < Count(); ++i) texts.push_back(Strings(i));
  return texts;
}

void TControlStrings::Assign(const std::vector<std::string>& texts) {
  Clear();
  AddStrings(texts);
}

void TControlStrings::Assign(const TStringList& list) {
  std::vector<std::string> texts;
  texts.reserve(list.Count());
  for (int i = 0; i < list.Count(); ++i) texts.push_back(list[i]);
  Assign(texts);
}

TStringList TControlStrings::ToStringList() const {
  TStringList list;
  for (int i = 0; i < Count(); ++i) list.Add(Strings(i));
  return list;
}

std::string TControlStrings::Text() const { return ToStringList().Text(); }

void TControlStrings::SetText(const std::string& text) {
  TStringList list;
  list.SetText(text);
  Assign(list);
}

void TControlStrings::LoadFromFile(const std::string& path) {
  TStringList list;
  list.LoadFromFile(path);
  Assign(list);
}

void TControlStrings::SaveToFile(const std::string& path) const { ToStringList().SaveToFile(path); }

void TControlStrings::CheckIndex(int index, int limit) {
  if (index < 0 || index >= limit)
    throw EStringListError(Format("リストのインデックスが範囲を超えています (%d)", index));
}
