#include "platform/base/SysUtils.h"

#include <cctype>
#include <cstdio>

// The Japanese system's names in Shift-JIS bytes: 日 月 火 水 木 金 土 and
// "1月" .. "12月" (月 is 0x8C 0x8E).
std::array<std::string, 7> ShortDayNames = {"\x93\xfa", "\x8c\x8e", "\x89\xce", "\x90\x85",
                                            "\x96\xd8", "\x8b\xe0", "\x93\x79"};
std::array<std::string, 7> LongDayNames = {
    "\x93\xfa\x97\x6a\x93\xfa", "\x8c\x8e\x97\x6a\x93\xfa", "\x89\xce\x97\x6a\x93\xfa",
    "\x90\x85\x97\x6a\x93\xfa", "\x96\xd8\x97\x6a\x93\xfa", "\x8b\xe0\x97\x6a\x93\xfa",
    "\x93\x79\x97\x6a\x93\xfa"};
std::array<std::string, 12> ShortMonthNames = {
    "1\x8c\x8e", "2\x8c\x8e", "3\x8c\x8e", "4\x8c\x8e",  "5\x8c\x8e",  "6\x8c\x8e",
    "7\x8c\x8e", "8\x8c\x8e", "9\x8c\x8e", "10\x8c\x8e", "11\x8c\x8e", "12\x8c\x8e"};
std::array<std::string, 12> LongMonthNames = ShortMonthNames;
std::string LongTimeFormat = "H:mm:ss";

TDateTime DateTimeFromTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  TDateTime result;
  result.year = local.tm_year + 1900;
  result.month = local.tm_mon + 1;
  result.day = local.tm_mday;
  result.hour = local.tm_hour;
  result.minute = local.tm_min;
  result.second = local.tm_sec;
  result.dayOfWeek = local.tm_wday;
  return result;
}

TDateTime Now() { return DateTimeFromTime(std::time(nullptr)); }

namespace {

std::string Number(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", digits, value);
  return text;
}

size_t RunLength(const std::string& pattern, size_t at) {
  size_t end = at;
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[at])));
  while (end < pattern.size() &&
         std::tolower(static_cast<unsigned char>(pattern[end])) == letter)
    ++end;
  return end - at;
}

std::string DayText(const TDateTime& time, size_t count) {
  if (count == 1) return std::to_string(time.day);
  if (count == 2) return Number(time.day, 2);
  if (count == 3) return ShortDayNames[time.dayOfWeek];
  return LongDayNames[time.dayOfWeek];
}

std::string MonthText(const TDateTime& time, size_t count) {
  if (count == 1) return std::to_string(time.month);
  if (count == 2) return Number(time.month, 2);
  if (count == 3) return ShortMonthNames[time.month - 1];
  return LongMonthNames[time.month - 1];
}

std::string MinuteText(const TDateTime& time, size_t count) {
  return count == 1 ? std::to_string(time.minute) : Number(time.minute, 2);
}

std::string NumberText(int value, size_t count) {
  return count == 1 ? std::to_string(value) : Number(value, 2);
}

}  // namespace

std::string FormatDateTime(const std::string& pattern, const TDateTime& time) {
  std::string text;
  bool afterHour = false;
  for (size_t at = 0; at < pattern.size();) {
    const char c = pattern[at];
    if (c == '"' || c == '\'') {
      const size_t close = pattern.find(c, at + 1);
      const size_t end = close == std::string::npos ? pattern.size() : close;
      text.append(pattern, at + 1, end - at - 1);
      at = end + 1;
      continue;
    }
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t count = std::string("dmyhns").find(letter) == std::string::npos ? 1 : RunLength(pattern, at);
    switch (letter) {
      case 'd': text += DayText(time, count); break;
      case 'm': text += afterHour && count <= 2 ? MinuteText(time, count) : MonthText(time, count); break;
      case 'y': text += count <= 2 ? Number(time.year % 100, 2) : Number(time.year, 4); break;
      case 'h': text += NumberText(time.hour, count); break;
      case 'n': text += MinuteText(time, count); break;
      case 's': text += NumberText(time.second, count); break;
      default: text += c; break;
    }
    if (letter == 'h') afterHour = true;
    else if (std::isalpha(static_cast<unsigned char>(letter))) afterHour = false;
    at += count;
  }
  return text;
}

std::string TimeToStr(const TDateTime& time) { return FormatDateTime(LongTimeFormat, time); }
