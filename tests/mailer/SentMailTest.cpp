#include "mailer/SentMail.h"

#include <gtest/gtest.h>

namespace {

TEST(SentMailTest, EmptyNameGivesAnEmptyFromLine) {
  EXPECT_EQ(SentMailText("a@b, c@d", "", "", "").header,
            "X-Priority: 1\nTo: a@b, c@d\nFrom: \nSubject: \nCC: \n\n");
}

TEST(SentMailTest, LongAndPercentFieldsAreNeverCutOrFormatted) {
  const std::string to(5000, 't');
  SentMail mail = SentMailText(to, "%s%n", "表%d", "");
  EXPECT_EQ(mail.header, "X-Priority: 1\nTo: " + to + "\nFrom: %s%n\nSubject: 表%d\nCC: \n\n");
}

TEST(SentMailTest, IdTakesTheFirstSevenOctalDigits) {
  // Eleven octal digits, differing only in the last four.
  EXPECT_EQ(FilingId(012345670123), "4535625330.1234567");
  EXPECT_EQ(FilingId(012345677777), FilingId(012345670123));
  EXPECT_EQ(FilingId(8), "4535625330.0000010");
}

}  // namespace
