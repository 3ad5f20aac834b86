#include "browser/DateSort.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "browser/store/ListRecord.h"

namespace {

constexpr std::string_view kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov"};
constexpr long kNumberLimit = 1000000000;  // more digits change no order that matters

bool IsScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The date's fields as "%s %d %s %d %s %s" reads them: each %s a run of
// non-blank bytes, each %d an optional sign and digits ending at any other byte.
class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : m_text(text) {}

  bool Token(std::string_view& token) {
    SkipSpace();
    const size_t start = m_pos;
    while (m_pos < m_text.size() && !IsScanSpace(m_text[m_pos])) ++m_pos;
    token = m_text.substr(start, m_pos - start);
    return m_pos > start;
  }

  bool Number(long& value) {
    SkipSpace();
    const bool negative = m_pos < m_text.size() && m_text[m_pos] == '-';
    if (m_pos < m_text.size() && (m_text[m_pos] == '-' || m_text[m_pos] == '+')) ++m_pos;
    const size_t digits = m_pos;
    long magnitude = 0;
    for (; m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9'; ++m_pos)
      magnitude = std::min(magnitude * 10 + (m_text[m_pos] - '0'), kNumberLimit);
    value = negative ? -magnitude : magnitude;
    return m_pos > digits;
  }

 private:
  void SkipSpace() {
    while (m_pos < m_text.size() && IsScanSpace(m_text[m_pos])) ++m_pos;
  }

  std::string_view m_text;
  size_t m_pos = 0;
};

bool IsBlankDate(std::string_view date) { return date.empty() || date.substr(0, 3) == "   "; }

// A row's key (none for a blank date) and where the row stood.
struct SortItem {
  bool blank;
  std::string key;
  size_t row;
};

SortItem ItemOf(const MailEntry& entry, size_t row) {
  const std::string_view date = entry.Text(MailField::Date);
  return IsBlankDate(date) ? SortItem{true, {}, row} : SortItem{false, NormalizeDate(date), row};
}

int CompareItems(const SortItem& a, const SortItem& b, SortDirection direction) {
  if (a.blank || b.blank) return a.blank == b.blank ? 0 : (a.blank ? 1 : -1);
  const int order = a.key.compare(b.key);
  return (order < 0 ? -1 : order > 0 ? 1 : 0) * direction;
}

// Quicksort with Hoare's partition around the middle item; the smaller side
// is sorted by recursion and the larger by the loop, so the depth stays small.
void SortItems(std::vector<SortItem>& items, long lo, long hi, SortDirection direction) {
  while (lo < hi) {
    const SortItem pivot = items[(lo + hi) / 2];
    long i = lo - 1, j = hi + 1;
    for (;;) {
      do ++i; while (CompareItems(items[i], pivot, direction) < 0);
      do --j; while (CompareItems(items[j], pivot, direction) > 0);
      if (j <= i) break;
      std::swap(items[i], items[j]);
    }
    if (i - 1 - lo < hi - (j + 1)) {
      SortItems(items, lo, i - 1, direction);
      lo = j + 1;
    } else {
      SortItems(items, j + 1, hi, direction);
      hi = i - 1;
    }
  }
}

}  // namespace

int MonthFromName(std::string_view token) {
  for (int month = 1; month <= 11; ++month)
    if (token.substr(0, 3) == kMonthNames[month - 1]) return month;
  return 12;
}

std::string NormalizeDate(std::string_view date) {
  std::string_view weekday, month, time, zone;
  long day = 0, year = 0;
  DateScanner scan(date);
  if (scan.Token(weekday) && scan.Number(day) && scan.Token(month) && scan.Number(year) && scan.Token(time))
    scan.Token(zone);
  if (year < 1900) year += 1900;
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, "%ld/%02d/%02ld ", year, MonthFromName(month), day);
  std::string key(numbers);
  key.append(time).append(1, ' ').append(zone);
  return key;
}

int CompareMailDates(const MailEntry& a, const MailEntry& b, SortDirection direction) {
  return CompareItems(ItemOf(a, 0), ItemOf(b, 1), direction);
}

void SortMailsByDate(std::vector<MailEntry*>& entries, SortDirection direction) {
  std::vector<SortItem> items;
  items.reserve(entries.size());
  for (size_t row = 0; row < entries.size(); ++row) items.push_back(ItemOf(*entries[row], row));
  SortItems(items, 0, static_cast<long>(items.size()) - 1, direction);
  const std::vector<MailEntry*> unsorted = entries;
  for (size_t i = 0; i < items.size(); ++i) entries[i] = unsorted[items[i].row];
}
