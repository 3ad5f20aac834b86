#pragma once
// The class library's string list: the programs' name, rule, history and
// signature files are loaded and saved whole through it, and the transport
// keeps its header and recipient lists in it. Items are Shift-JIS text.

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Exception.h"

// The lines SetText makes of text, as views into it: the bytes up to the
// first NUL, split at CR LF, a lone LF or a lone CR; a last line needs no
// line end.
std::vector<std::string_view> TextLines(std::string_view text);
// The bytes of the file at path, as LoadFromFile reads them. EFOpenError
// "ファイル %s は開けません" with the path as given when it cannot be read.
std::string LoadFileBytes(std::string_view path);
// That error for the file at path.
EFOpenError FileOpenError(std::string_view path);
// The string list's range error for index:
// "リストのインデックスが範囲を超えています (%d)".
EStringListError ListIndexError(int index);

class TStringList {
 public:
  TStringList() = default;
  virtual ~TStringList() = default;
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;

  int Count() const { return static_cast<int>(m_items.size()); }
  // Item index; EStringListError "リストのインデックスが範囲を超えています (%d)"
  // when index is outside 0..Count()-1.
  const std::string& operator[](int index) const { return Strings(index); }
  const std::string& Strings(int index) const;
  // Replaces item index; the same range error. Refused on a sorted list.
  void SetString(int index, std::string text);

  // Appends text (on a sorted list: at its place in the order, after equal
  // items) and returns its index.
  int Add(std::string text);
  // Puts text before item index; index may equal Count(). Range error
  // otherwise; refused on a sorted list.
  void Insert(int index, std::string text);
  void Delete(int index);  // range error when index is outside the list
  void Clear();
  void Assign(const TStringList& source);  // copies the items and the sorted state

  // The first item equal to text, compared whole and case-insensitively in
  // the user's locale; -1 when none.
  int IndexOf(std::string_view text) const;
  // Orders the items case-insensitively in the user's locale; equal items
  // keep their order.
  void Sort();
  bool Sorted() const { return m_sorted; }
  // Setting true sorts the list; Add then keeps the order.
  void SetSorted(bool sorted);

  // Every item followed by CR LF.
  std::string Text() const;
  // Replaces the items by the lines of text up to its first NUL byte, split
  // at CR LF, a lone LF or a lone CR; a last line needs no line end.
  void SetText(std::string_view text);

  // Replaces the items by the lines of the file (as SetText). EFOpenError
  // "ファイル %s は開けません" with the path as given when it cannot be read.
  void LoadFromFile(std::string_view path);
  // Writes Text() as the whole file, replacing it crash-safely. EFCreateError
  // when it cannot be written; the old file then stays as it was.
  void SaveToFile(std::string_view path) const;

 private:
  void CheckIndex(int index, int highest) const;
  void RefuseWhenSorted() const;
  int SortedPosition(std::string_view text) const;

  std::vector<std::string> m_items;
  bool m_sorted = false;
};
