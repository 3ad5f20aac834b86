#include "mailer/MailDate.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "platform/base/SysUtils.h"

namespace {

class MailDateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "JST-9", 1);
    tzset();
  }
  void TearDown() override {
    unsetenv("TZ");
    tzset();
  }
  // Tuesday, 7 December 1999, 17:01:02 in Tokyo.
  static constexpr std::time_t kTuesday = 944553662;
};

TEST_F(MailDateTest, FilingDateUsesTheEnglishNamesSetAtStart) {
  SetEnglishDateNames();
  EXPECT_EQ(FilingDateText(kTuesday), "Tue, 07 December 1999 17:01:02");
}

TEST_F(MailDateTest, DateHeaderCarriesTheNumericZone) {
  EXPECT_EQ(Rfc5322Date(kTuesday), "Tue, 07 Dec 1999 17:01:02 +0900");
}

TEST_F(MailDateTest, DateHeaderStaysEnglishWhateverTheNamesOrLocale) {
  ShortDayNames[2] = "火";
  std::setlocale(LC_ALL, "ja_JP.UTF-8");
  EXPECT_EQ(Rfc5322Date(kTuesday), "Tue, 07 Dec 1999 17:01:02 +0900");
  std::setlocale(LC_ALL, "C");
  SetEnglishDateNames();
}

}  // namespace
