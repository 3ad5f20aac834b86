#include "platform/base/SysUtils.h"

#include <gtest/gtest.h>

namespace {

TDateTime Tuesday7December1999() {
  TDateTime time;
  time.year = 1999, time.month = 12, time.day = 7;
  time.hour = 17, time.minute = 1, time.second = 2;
  time.dayOfWeek = 2;
  return time;
}

class EnglishNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = {ShortDayNames, LongMonthNames};
    ShortDayNames = {"Sun,", "Mon,", "Tue,", "Wed,", "Thu,", "Fri,", "Sat,"};
    LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                      "July",    "August",   "September", "October", "November", "December"};
  }
  void TearDown() override {
    ShortDayNames = saved.first;
    LongMonthNames = saved.second;
  }
  std::pair<std::array<std::string, 7>, std::array<std::string, 12>> saved;
};

}  // namespace

TEST_F(EnglishNamesTest, FilingDatePattern) {
  EXPECT_EQ(FormatDateTime("ddd dd mmmm yyyy hh:mm:ss", Tuesday7December1999()),
            "Tue, 07 December 1999 17:01:02");
}

TEST(FormatDateTimeTest, MinutesAfterHourMonthsOtherwise) {
  EXPECT_EQ(FormatDateTime("mmddhhmmss", Tuesday7December1999()), "1207170102");
  EXPECT_EQ(FormatDateTime("yyyy/m/d h:nn", Tuesday7December1999()), "1999/12/7 17:01");
}

TEST(FormatDateTimeTest, QuotedTextIsCopied) {
  EXPECT_EQ(FormatDateTime("\"day\" d 'at' h", Tuesday7December1999()), "day 7 at 17");
}

TEST(FormatDateTimeTest, TimeToStrIsAscii) {
  EXPECT_EQ(TimeToStr(Tuesday7December1999()), "17:01:02");
}
