#pragma once
// The class library's date and time text: a process-wide table of day and
// month names that a program may replace (Quillet sets English names), and
// FormatDateTime with the class library's pattern letters.

#include <array>
#include <ctime>
#include <string>

// Local date and time to the second.
struct TDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int dayOfWeek = 6;  // 0 Sunday .. 6 Saturday
};

TDateTime Now();
TDateTime DateTimeFromTime(std::time_t time);  // local time

// Index 0 is Sunday for the day names and January for the month names.
// Texts are Shift-JIS; the defaults are the Japanese system's names.
extern std::array<std::string, 7> ShortDayNames;
extern std::array<std::string, 7> LongDayNames;
extern std::array<std::string, 12> ShortMonthNames;
extern std::array<std::string, 12> LongMonthNames;
extern std::string LongTimeFormat;  // the system's long time format, "H:mm:ss"

// Pattern letters: d dd ddd dddd, m mm mmm mmmm (minutes right after an
// h or hh), yy yyyy, h hh, n nn, s ss, and text in double or single quotes.
// Any other character is copied.
std::string FormatDateTime(const std::string& pattern, const TDateTime& time);
// The time of day in LongTimeFormat.
std::string TimeToStr(const TDateTime& time);
