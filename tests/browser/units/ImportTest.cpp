// Reading an input file's lines in pieces, and cutting mails out of the
// three import formats.

#include "browser/Import.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/base/Exception.h"
#include "platform/strings/StringList.h"
#include "platform/files/Files.h"
#include "tests/support/NativeFiles.h"
#include "tests/support/ScratchFolder.h"

namespace {

// The lines of a file holding bytes, read as the importers read them.
std::unique_ptr<InputLines> Lines(std::string_view bytes, size_t pieceBytes = InputLines::kPieceBytes) {
  static const ScratchFolder folder;
  WriteNativeFile(folder.Path("input"), std::string(bytes));
  return std::make_unique<InputLines>(platform::ProgramPath(folder.Path("input")), pieceBytes);
}

// The mails a multi-mail file gives, cut to the end.
std::vector<ImportedMail> CutAll(std::string_view bytes) {
  const std::unique_ptr<InputLines> lines = Lines(bytes);
  MultiMailCutter cutter(*lines);
  std::vector<ImportedMail> mails;
  while (!cutter.AtEnd()) mails.push_back(cutter.Next());
  return mails;
}

std::string Header(const ImportedMail& mail) { return mail.text.substr(0, mail.headerLength); }
std::string Body(const ImportedMail& mail) { return mail.text.substr(mail.headerLength); }

}  // namespace

// Whatever size the pieces are read in, a line end split between two pieces
// is one line end, and NUL is a byte of its line.
TEST(InputLinesTest, GivesTheSameLinesForEveryPieceSize) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\nb\rc\n\nd", {"a", "b", "c", "", "d"}},
      {"\r\r\n\n\r", {"", "", "", ""}},
      {std::string("x\0y\r\n\0\n", 7), {std::string("x\0y", 3), std::string(1, '\0')}},
  };
  for (const auto& [bytes, expected] : cases) {
    for (size_t pieceBytes : {size_t{1}, size_t{2}, size_t{3}, InputLines::kPieceBytes}) {
      const std::unique_ptr<InputLines> reader = Lines(bytes, pieceBytes);
      std::vector<std::string> lines;
      for (; !reader->AtEnd(); reader->Advance()) lines.emplace_back(reader->Line());
      EXPECT_EQ(lines, expected) << testing::PrintToString(bytes) << " in pieces of " << pieceBytes;
      EXPECT_EQ(reader->Index(), expected.size());
    }
  }
}

// The file is read as far as it reached when it was opened: what is appended
// while it is read (an import into the file itself) is not, and a file that
// ends before that (cut while read) is a read error, not its end.
TEST(InputLinesTest, ReadsAsFarAsTheFileReachedWhenOpened) {
  static const ScratchFolder folder;
  const std::string path = folder.Path("changing");
  WriteNativeFile(path, "a\nb\n");
  InputLines grown(platform::ProgramPath(path), 2);
  WriteNativeFile(path, "a\nb\nmore\nlines\n");
  std::vector<std::string> read;
  for (; !grown.AtEnd(); grown.Advance()) read.emplace_back(grown.Line());
  EXPECT_EQ(read, (std::vector<std::string>{"a", "b"}));
  const std::string line(20000, 'x');  // past what the stream buffers ahead
  WriteNativeFile(path, line + "\n" + line + "\n");
  InputLines cut(platform::ProgramPath(path), 2);
  std::filesystem::resize_file(path, line.size() + 10);
  try {
    while (!cut.AtEnd()) cut.Advance();
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message, "ファイル " + platform::ProgramPath(path) + " は開けません");
  }
}

TEST(PostPetExportTest, TakesValuesByPositionAndSkipsTheTwoLinesAfterThem) {
  const ImportedMail mail =
      CutPostPetExport(*Lines("To:xa@b\nFrom: f@g\rSubject: s\r\nDate: d\nCc: c\nskip5\nskip6\nbody\n"));
  EXPECT_EQ(mail.to, "a@b");  // the byte after the label is skipped whatever it is
  EXPECT_EQ(mail.from, "f@g");
  EXPECT_EQ(mail.subject, "s");
  EXPECT_EQ(mail.date, "d");
  EXPECT_EQ(mail.cc, "c");
  EXPECT_EQ(Header(mail), "To:xa@b\r\nFrom: f@g\r\nSubject: s\r\nDate: d\r\nCc: c\r\n");
  EXPECT_EQ(Body(mail), "body\r\n");
}

TEST(PostPetExportTest, FiveLinesGiveAnEmptyBodyAndFourTheRangeError) {
  EXPECT_EQ(Body(CutPostPetExport(*Lines("a\nb\nc\nd\ne\nf\n"))), "");
  try {
    CutPostPetExport(*Lines("To: a\nFrom: b\nSubject: c\nDate: d\n"));
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message, "リストのインデックスが範囲を超えています (4)");
  }
}

TEST(SingleMailTest, TheFirstLineEqualToTheHeaderEndIgnoringCaseEndsTheHeader) {
  const std::string file = "TO: upper\nSubject: one\nSubject: two\nEND \nend\nbody\nend\n";
  const std::optional<ImportedMail> mail = CutSingleMail(*Lines(file), "END");
  ASSERT_TRUE(mail);
  EXPECT_EQ(Header(*mail), "TO: upper\r\nSubject: one\r\nSubject: two\r\nEND \r\nend\r\n");
  EXPECT_EQ(Body(*mail), "body\r\nend\r\n");
  EXPECT_EQ(mail->to, "");  // labels compare case-sensitively
  EXPECT_EQ(mail->subject, "two");
  EXPECT_FALSE(CutSingleMail(*Lines(file), "none"));
}

TEST(SingleMailTest, AHeaderEndOnTheFirstLineLeavesTheRestAsBody) {
  const std::optional<ImportedMail> mail = CutSingleMail(*Lines("--------\nFrom: x\n"), "--------");
  ASSERT_TRUE(mail);
  EXPECT_EQ(Header(*mail), "--------\r\n");
  EXPECT_EQ(Body(*mail), "From: x\r\n");
}

TEST(SingleMailTest, ShortLabelLinesGiveEmptyValuesAndLongLinesStayWhole) {
  const std::string longLine = "Subject: " + std::string(100000, 's');
  const std::optional<ImportedMail> mail =
      CutSingleMail(*Lines("Cc:\nTo:\nFrom:\n" + longLine + "\n--\n" + std::string(70000, 'b')), "--");
  ASSERT_TRUE(mail);
  EXPECT_EQ(mail->cc, "");
  EXPECT_EQ(mail->to, "");
  EXPECT_EQ(mail->from, "");
  EXPECT_EQ(mail->subject, std::string(100000, 's'));
  EXPECT_EQ(Body(*mail), std::string(70000, 'b') + "\r\n");
}

// One case of the multi-mail format: the file, and each mail's header and body.
struct MultiCase {
  const char* name;
  const char* file;
  std::vector<std::pair<std::string, std::string>> mails;
};

class MultiMailTest : public testing::TestWithParam<MultiCase> {};

TEST_P(MultiMailTest, CutsAtHeaderLines) {
  const std::vector<ImportedMail> mails = CutAll(GetParam().file);
  ASSERT_EQ(mails.size(), GetParam().mails.size());
  for (size_t i = 0; i < mails.size(); ++i) {
    EXPECT_EQ(Header(mails[i]), GetParam().mails[i].first) << i;
    EXPECT_EQ(Body(mails[i]), GetParam().mails[i].second) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MultiMailTest,
    testing::Values(
        MultiCase{"TwoMails", "Received: a\nFrom: f\n\nbody1\nReceived: b\nSubject: s\n\nbody2\n",
                  {{"Received: a\r\nFrom: f\r\n", "\r\nbody1\r\n"},
                   {"Received: b\r\nSubject: s\r\n", "\r\nbody2\r\n"}}},
        MultiCase{"ReceivedKeepsOneTwoBlankLine", "Received: a\n  by x\n  by y\nbody\n",
                  {{"Received: a\r\n  by x\r\n", "  by y\r\nbody\r\n"}}},
        MultiCase{"OneBlankAfterReceivedEndsTheHeader", "Received: a\n by x\n",
                  {{"Received: a\r\n", " by x\r\n"}}},
        MultiCase{"TwoBlanksAfterSubjectEndTheHeader", "Subject: s\n  more\n    four\n",
                  {{"Subject: s\r\n", "  more\r\n    four\r\n"}}},
        MultiCase{"StatusOnlyWithU", "Status: U\nStatus: RO\nx\n",
                  {{"Status: U\r\n", "Status: RO\r\nx\r\n"}}},
        MultiCase{"QuotedHeaderInBodyStartsAMail", "From: a\n\nX-Q: 1\n\nTo: b\n\n",
                  {{"From: a\r\n", "\r\n"}, {"X-Q: 1\r\n", "\r\n"}, {"To: b\r\n", "\r\n"}}},
        MultiCase{"MessageIDUpperCaseStaysInBody", "Message-ID: 1\n\nMessage-ID: 2\nFrom x\n",
                  {{"Message-ID: 1\r\n", "\r\nMessage-ID: 2\r\nFrom x\r\n"}}},
        MultiCase{"TextBeforeAnyHeader", "plain\nFrom: a\n\n",
                  {{"", "plain\r\n"}, {"From: a\r\n", "\r\n"}}},
        MultiCase{"EmptyFile", "", {}}),
    [](const testing::TestParamInfo<MultiCase>& info) { return info.param.name; });

TEST(MultiMailValuesTest, BothCcLabelsFillCcAndTheLaterWins) {
  const std::vector<ImportedMail> mails = CutAll("Cc: one\nCC: two\nDate: d\nCc:\n\n");
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_EQ(mails[0].cc, "");
  EXPECT_EQ(mails[0].date, "d");
}

TEST(MultiMailValuesTest, AFileEndingInsideAHeaderGivesTheRangeErrorAfterTheMailsBefore) {
  const std::pair<const char*, int> files[] = {{"From: a\n\nbody\nFrom: b\nSubject: c\n", 5},
                                               {"From: a\n\nReceived: r\n", 3}};
  for (const auto& [file, lineCount] : files) {
    const std::unique_ptr<InputLines> lines = Lines(file);
    MultiMailCutter cutter(*lines);
    EXPECT_EQ(cutter.Next().from, "a");
    try {
      cutter.Next();
      FAIL() << file;
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message, "リストのインデックスが範囲を超えています (" + std::to_string(lineCount) + ")");
    }
  }
}

TEST(ImportRecordTest, ValuesAreCutToWhatTheReaderGivesBackAtACharacterBoundary) {
  ImportedMail mail;
  mail.text = "H\r\nbody\r\n";
  mail.headerLength = 3;
  mail.from = std::string(125, 'f') + "漢";   // 127 bytes: the character does not fit in 126
  mail.date = std::string(200, 'd');
  mail.subject = std::string(510, 's') + "字";
  mail.to = std::string(5000, 't');
  mail.cc = "c";
  const MailEntry entry = ImportRecord(mail);
  EXPECT_EQ(entry.Text(MailField::From), std::string(125, 'f'));
  EXPECT_EQ(entry.Text(MailField::Date), std::string(126, 'd'));
  EXPECT_EQ(entry.Text(MailField::Subject), std::string(510, 's'));
  EXPECT_EQ(entry.Text(MailField::To).size(), 4095u);
  EXPECT_EQ(entry.recordSize, 125u + 126 + 510 + 4095 + 1 + 42);
  EXPECT_EQ(entry.bodyStart - entry.mailStart, 3u);
  EXPECT_EQ(entry.bodyLength, 6u);
  EXPECT_EQ(entry.reserved, 65u);
  EXPECT_EQ(entry.Text(MailField::Id), "4535625330.3333333");
}
