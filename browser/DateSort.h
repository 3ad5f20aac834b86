#pragma once
// Sorting the open drawer's rows by their Date text. A date is turned into a
// key "yyyy/mm/dd time zone" by a fixed scan of its parts, as
// "%s %d %s %d %s %s" reads it (weekday, day, month, year, time, zone), and
// keys compare as bytes. Blank dates (three blanks first, or no text at all)
// sort after every other mail in both directions.

#include <string>
#include <string_view>
#include <vector>

class MailEntry;

enum SortDirection { kDateDown = -1, kDateUp = +1 };

// 1 to 11 for a month token beginning "Jan" .. "Nov" (case-sensitive); 12 for
// anything else (Dec, a lower-case or misspelt name, a number, nothing).
int MonthFromName(std::string_view token);

// The key of a date. A field the scan does not reach is 0 (day, year) or
// empty (month, time, zone tokens); a year below 1900 has 1900 added.
std::string NormalizeDate(std::string_view date);

// -1, 0 or +1: whether mail a sorts before, with or after mail b, the key
// order multiplied by direction; blank dates come last either way.
int CompareMailDates(const MailEntry& a, const MailEntry& b, SortDirection direction);

// Sorts the rows in place by date (not stably). Each key is built once.
void SortMailsByDate(std::vector<MailEntry*>& entries, SortDirection direction);
