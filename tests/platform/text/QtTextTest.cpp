// The Qt edge: controls show and return Shift-JIS text through these.

#include "platform/text/QtText.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

TEST(QtTextTest, ShowsShiftJisAsUnicode) {
  EXPECT_EQ(platform::ToQString("\x83\x5C\x95\x5C abc"), QString::fromUtf8("ソ表 abc"));
}

TEST(QtTextTest, ReturnsUnicodeAsShiftJis) {
  EXPECT_EQ(platform::FromQString(QString::fromUtf8("受信 ｱ")), "\x8E\xF3\x90\x4D \xB1");
}

TEST(QtTextTest, KeepsInvalidBytesThroughAControl) {
  const std::string bytes = "a\x82\x85\x5C\xFD";
  EXPECT_EQ(platform::FromQString(platform::ToQString(bytes)), bytes);
}

TEST(QtTextTest, TurnsALoneSurrogateIntoQuestionMark) {
  const QString text = QString(QChar(u'x')) + QChar(char16_t(0xD800));
  EXPECT_EQ(platform::FromQString(text), "x?");
}

}  // namespace
