#pragma once
// The SMTP client's header list: a string list whose lines are
// "Name: value", with lookup and replacement by header name.

#include <string>
#include <string_view>

#include "platform/strings/StringList.h"

class TExStringList : public TStringList {
 public:
  // The index of the line whose header name (the text before its first ":")
  // equals name, compared case-insensitively in the user's locale; -1 when
  // none. A sorted list is searched by bisection.
  int IndexOfHeader(std::string_view Name) const;
  // Sets the header's line to "Name: Value" (in place when present, appended
  // otherwise); an empty Value removes the line, so no empty header is kept.
  void SetHeader(std::string_view Name, std::string_view Value);

 private:
  int FindInOrder(std::string_view name) const;
  int FindByBisection(std::string_view name) const;
};
