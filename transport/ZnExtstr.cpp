#include "transport/ZnExtstr.h"

#include "platform/text/ShiftJis.h"

namespace {

// The text before the first ":"; a line without one has no name.
bool HeaderName(std::string_view line, std::string_view& name) {
  size_t colon = line.find(':');
  name = line.substr(0, colon == std::string_view::npos ? 0 : colon);
  return colon != std::string_view::npos;
}

}  // namespace

int TExStringList::IndexOfHeader(std::string_view Name) const {
  return Sorted() ? FindByBisection(Name) : FindInOrder(Name);
}

void TExStringList::SetHeader(std::string_view Name, std::string_view Value) {
  int index = IndexOfHeader(Name);
  if (Value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line = std::string(Name) + ": " + std::string(Value);
  if (index < 0) {
    Add(std::move(line));
  } else if (Sorted()) {
    // A sorted list takes no item in place; re-adding keeps its order.
    Delete(index);
    Add(std::move(line));
  } else {
    SetString(index, std::move(line));
  }
}

int TExStringList::FindInOrder(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string_view lineName;
    if (HeaderName(Strings(i), lineName) && platform::CompareTextIgnoreCase(lineName, name) == 0)
      return i;
  }
  return -1;
}

int TExStringList::FindByBisection(std::string_view name) const {
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    int probe = low + (high - low) / 2;
    std::string_view lineName;
    HeaderName(Strings(probe), lineName);
    int order = platform::CompareTextIgnoreCase(lineName, name);
    if (order == 0) return probe;
    if (order < 0)
      low = probe + 1;
    else
      high = probe - 1;
  }
  return -1;
}
