#include "mailer/MailDate.h"

#include <array>

#include "platform/base/Format.h"
#include "platform/base/SysUtils.h"

namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

}  // namespace

void SetEnglishDateNames() {
  for (size_t i = 0; i < kDays.size(); ++i) ShortDayNames[i] = std::string(kDays[i]) + ",";
  for (size_t i = 0; i < kMonths.size(); ++i) {
    ShortMonthNames[i] = kMonths[i];
    LongMonthNames[i] = kLongMonths[i];
  }
}

std::string Rfc5322Date(std::time_t when) {
  const std::tm local = *std::localtime(&when);
  char zone[8] = "";
  std::strftime(zone, sizeof zone, "%z", &local);  // digits only, locale-free
  return Format("%s, %02d %s %04d %02d:%02d:%02d %s", kDays[local.tm_wday], local.tm_mday,
                kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min,
                local.tm_sec, zone);
}

std::string FilingDateText(std::time_t when) {
  return FormatDateTime("ddd dd mmmm yyyy hh:mm:ss", DateTimeFromTime(when));
}
