// The date keys of the date sort, without a window.

#include "browser/DateSort.h"

#include <gtest/gtest.h>

#include "browser/store/ListRecord.h"

namespace {

struct KeyCase {
  const char* date;
  const char* key;
};

class DateKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(DateKeyTest, DateGivesItsKey) { EXPECT_EQ(NormalizeDate(GetParam().date), GetParam().key); }

INSTANTIATE_TEST_SUITE_P(
    Dates, DateKeyTest,
    ::testing::Values(KeyCase{"Tue, 7 Dec 1999 17:01:02 +0900", "1999/12/07 17:01:02 +0900"},
                      KeyCase{"Tue, 07 December 1999 17:01:02", "1999/12/07 17:01:02 "},  // Quillet's own
                      KeyCase{"Sat, 1 Jan 00 00:00:00 +0000 (GMT)", "1900/01/01 00:00:00 +0000"},
                      // Years since 1900, as some mailers wrote the year 2000.
                      KeyCase{"Sat, 1 Jan 100 09:00:00 +0900", "2000/01/01 09:00:00 +0900"},
                      KeyCase{"Mon, 3 jan 2000 10:00:00 +0900", "2000/12/03 10:00:00 +0900"},
                      KeyCase{"Wed,\t9Sept  2000 01:02:03", "2000/09/09 01:02:03 "},
                      // Fields the scan does not reach are fixed, never left from before.
                      KeyCase{"7 Dec 1999 17:01:02", "1900/12/00  "}, KeyCase{"Tue, 7 Nov", "1900/11/07  "},
                      KeyCase{"", "1900/12/00  "},
                      KeyCase{"Sun, 99999999999999 Aug 2004 x", "2004/08/1000000000 x "}));

TEST(DateCompareTest, BlankAndEmptyDatesComeLastInBothDirections) {
  MailEntry blank, empty, dated;
  blank.SetText(MailField::Date, "   ");
  dated.SetText(MailField::Date, "Tue, 7 Dec 1999 17:01:02 +0900");
  for (SortDirection direction : {kDateUp, kDateDown}) {
    EXPECT_EQ(CompareMailDates(blank, dated, direction), 1);
    EXPECT_EQ(CompareMailDates(dated, empty, direction), -1);
    EXPECT_EQ(CompareMailDates(blank, empty, direction), 0);
  }
}

}  // namespace
