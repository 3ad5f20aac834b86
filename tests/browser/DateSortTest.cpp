// The date keys and the date sort, without a window.

#include "browser/DateSort.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

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
    ::testing::Values(
        KeyCase{"Tue, 7 Dec 1999 17:01:02 +0900", "1999/12/07 17:01:02 +0900"},
        // Quillet's own form: a long month name and no zone, which leaves a trailing blank.
        KeyCase{"Tue, 07 December 1999 17:01:02", "1999/12/07 17:01:02 "},
        KeyCase{"Fri, 5 Mar 99 08:00:00 GMT", "1999/03/05 08:00:00 GMT"},
        KeyCase{"Sat, 1 Jan 00 00:00:00 +0000", "1900/01/01 00:00:00 +0000"},
        KeyCase{"Mon, 3 jan 2000 10:00:00 +0900", "2000/12/03 10:00:00 +0900"},
        // The day ends at its first non-digit; the month token follows at once.
        KeyCase{"Wed, 9Feb 2000 01:02:03 +0900 (JST)", "2000/02/09 01:02:03 +0900"},
        KeyCase{"Thu,\t10  Nov\t2005  23:59:59\t-0500", "2005/11/10 23:59:59 -0500"},
        // The scan stops where a field does not fit; the rest is fixed, never left over.
        KeyCase{"7 Dec 1999 17:01:02", "1900/12/00  "},
        KeyCase{"Tue, Dec 7 1999", "1900/12/00  "},
        KeyCase{"Tue, 7 Dec", "1900/12/07  "},
        KeyCase{"Tue, 7 Dec 1999", "1999/12/07  "},
        KeyCase{"", "1900/12/00  "},
        KeyCase{"Sun, 4 Apr 2004 12:00:00 +0900 a very long zone and trailing words",
                "2004/04/04 12:00:00 +0900"},
        KeyCase{"Sun, 99999999999999 Aug 2004 x", "2004/08/1000000000 x "}));

TEST(MonthFromNameTest, TheFirstThreeLettersDecideAndAnythingElseIsDecember) {
  const char* names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov"};
  for (int month = 1; month <= 11; ++month) EXPECT_EQ(MonthFromName(names[month - 1]), month);
  for (const char* other : {"Dec", "December", "jan", "JAN", "Ja", "", "12", "Foo"})
    EXPECT_EQ(MonthFromName(other), 12) << other;
  EXPECT_EQ(MonthFromName("Septembre"), 9);
}

class DateSortTest : public ::testing::Test {
 protected:
  MailEntry& Mail(const std::string& subject, const std::string& date) {
    MailEntry& entry = m_rows.emplace_back();
    entry.SetText(MailField::Subject, subject);
    entry.SetText(MailField::Date, date);
    return entry;
  }
  std::vector<std::string> Sorted(SortDirection direction) {
    std::vector<MailEntry*> entries;
    for (MailEntry& row : m_rows) entries.push_back(&row);
    SortMailsByDate(entries, direction);
    std::vector<std::string> subjects;
    for (const MailEntry* entry : entries) subjects.emplace_back(entry->Text(MailField::Subject));
    return subjects;
  }

 private:
  std::deque<MailEntry> m_rows;  // rows stay where they are as more are added
};

TEST_F(DateSortTest, BlankDatesComeLastInBothDirections) {
  MailEntry& blank = Mail("blank", "   ");
  MailEntry& dated = Mail("dated", "Tue, 7 Dec 1999 17:01:02 +0900");
  MailEntry& empty = Mail("empty", "");
  for (SortDirection direction : {kDateUp, kDateDown}) {
    EXPECT_EQ(CompareMailDates(blank, dated, direction), 1);
    EXPECT_EQ(CompareMailDates(dated, empty, direction), -1);
    EXPECT_EQ(CompareMailDates(blank, empty, direction), 0);
  }
}

TEST_F(DateSortTest, DirectionTurnsTheOrderOfDatedMails) {
  MailEntry& older = Mail("older", "Tue, 7 Dec 1999 17:01:02 +0900");
  MailEntry& newer = Mail("newer", "Wed, 8 Dec 1999 09:00:00 +0900");
  EXPECT_EQ(CompareMailDates(older, newer, kDateUp), -1);
  EXPECT_EQ(CompareMailDates(older, newer, kDateDown), 1);
  EXPECT_EQ(CompareMailDates(older, older, kDateDown), 0);
}

TEST_F(DateSortTest, MixedFormsSortByTheirKeys) {
  Mail("2000", "Sat, 1 Jan 2000 00:00:00 +0900");
  Mail("blank", "   ");
  Mail("1999 own", "Tue, 07 December 1999 17:01:02");
  Mail("1900", "Sat, 1 Jan 00 00:00:00 +0000");
  Mail("1999 rfc", "Tue, 7 Dec 1999 17:01:02 +0900");
  Mail("empty", "");
  Mail("1999 earlier", "Tue, 7 Dec 1999 08:30:00 +0900");
  std::vector<std::string> up = Sorted(kDateUp);
  ASSERT_EQ(up.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(up.begin(), up.begin() + 5),
            (std::vector<std::string>{"1900", "1999 earlier", "1999 own", "1999 rfc", "2000"}));
  std::vector<std::string> down = Sorted(kDateDown);
  EXPECT_EQ(std::vector<std::string>(down.begin(), down.begin() + 5),
            (std::vector<std::string>{"2000", "1999 rfc", "1999 own", "1999 earlier", "1900"}));
  for (const auto& order : {up, down}) {
    EXPECT_TRUE((order[5] == "blank" && order[6] == "empty") || (order[5] == "empty" && order[6] == "blank"));
  }
}

TEST_F(DateSortTest, ManyEqualAndSortedRowsSortWithoutDeepRecursion) {
  for (int i = 0; i < 20000; ++i) Mail(std::to_string(i), i % 2 ? "   " : "Tue, 7 Dec 1999 17:01:02");
  const std::vector<std::string> up = Sorted(kDateUp);
  EXPECT_EQ(up.size(), 20000u);
}

}  // namespace
