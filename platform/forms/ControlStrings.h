#pragma once
// The lines or items of a control as a string list (a list box's Items, a
// memo's Lines). Texts are Shift-JIS; an index outside the list raises
// EStringListError with the class library's message.

#include <string>
#include <vector>

class TStringList;

class TControlStrings {
 public:
  virtual ~TControlStrings() = default;

  virtual int Count() const = 0;
  virtual std::string Strings(int index) const = 0;
  virtual void Put(int index, const std::string& text) = 0;
  virtual void Insert(int index, const std::string& text) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  std::string operator[](int index) const { return Strings(index); }
  int Add(const std::string& text);  // returns the new index
  // Adds every text at the end; a control may do it in one step.
  virtual void AddStrings(const std::vector<std::string>& texts);
  // The first index whose text equals text ignoring case in the user's locale; -1 when none.
  int IndexOf(const std::string& text) const;
  std::vector<std::string> ToVector() const;
  void Assign(const std::vector<std::string>& texts);
  void Assign(const TStringList& list);  // Clear, then AddStrings
  TStringList ToStringList() const;
  // The lines joined, each ended by CR LF; SetText splits at CR LF, LF or CR.
  virtual std::string Text() const;
  virtual void SetText(const std::string& text);
  // With the string list's rules and messages (EFOpenError, EFCreateError).
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;

 protected:
  // Throws EStringListError unless 0 <= index < limit.
  static void CheckIndex(int index, int limit);
};
