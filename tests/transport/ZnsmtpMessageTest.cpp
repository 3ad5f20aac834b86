// The message builder of the SMTP client: the header block and the body as
// they go on the wire, read back by Python's email package where layout matters.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/files/Files.h"
#include "tests/support/Sandbox.h"
#include "tests/support/SmtpSink.h"
#include "tests/transport/EncodedWords.h"
#include "transport/Znsmtp.h"

namespace {

// テスト in ISO-2022-JP, as the mailer converts it.
const std::string kJisTest = "\x1b$B%F%9%H\x1b(B";

class MessageBuilderTest : public SandboxTest {
 protected:
  MessageBuilderTest() {
    smtp.PostMessage.FromAddress = "a@example.com";
    smtp.PostMessage.ToAddress.Add("b@example.com");
  }

  std::string Body() const {
    return std::string(smtp.bodyStream.Memory(), static_cast<size_t>(smtp.bodyStream.Size()));
  }

  // The message as a receiver stores it: header block, then the body with
  // the dot-stuffing undone.
  std::string Received() const {
    std::string message = smtp.FinalHeader.Text() + "\r\n\r\n";
    std::string body = Body();
    for (size_t start = 0; start < body.size();) {
      size_t end = body.find("\r\n", start) + 2;
      size_t skip = body[start] == '.' ? 1 : 0;
      message += body.substr(start + skip, end - start - skip);
      start = end;
    }
    return message;
  }

  // A file in the sandbox; returns its path as the programs hold it.
  std::string Attachment(const std::string& name, const std::string& bytes) {
    std::string path = platform::ProgramPath(Root()) + "\\" + name;
    auto file = platform::OpenFile(path, "wb");
    EXPECT_TRUE(file && file->Write(bytes) && file->Close()) << path;
    return path;
  }

  TZnSMTP smtp{nullptr};
};

TEST_F(MessageBuilderTest, WritesOnlyTheFourLinesForAPlainMessage) {
  smtp.BuildMessage();
  EXPECT_EQ(smtp.FinalHeader.Text(),
            "From: <a@example.com>\r\n"
            "To: b@example.com\r\n"
            "Mime-Version: 1.0\r\n"
            "Content-Type: text/plain;                        charset=us-ascii\r\n");
}

TEST_F(MessageBuilderTest, WritesEverySetHeaderInItsOrder) {
  smtp.PostMessage.FromName = "Ann ";
  smtp.PostMessage.ToAddress.Add("Cy <c@example.com>");
  smtp.PostMessage.ToCarbonCopy.Add("d@example.com");
  smtp.PostMessage.ToBlindCarbonCopy.Add("hidden@example.com");
  smtp.PostMessage.Subject = "hello";
  smtp.PostMessage.LocalProgram = "Quillet-Mailer";
  smtp.PostMessage.ReplyTo = "r@example.com";
  smtp.PostMessage.Date = "Tue, 8 Dec 2026 23:00:00 +0900";
  smtp.BuildMessage();
  EXPECT_EQ(smtp.FinalHeader.Text(),
            "From: Ann <a@example.com>\r\n"
            "To: b@example.com, Cy <c@example.com>\r\n"
            "CC: d@example.com\r\n"
            "Subject: hello\r\n"
            "X-Mailer: Quillet-Mailer\r\n"
            "Reply-To: r@example.com\r\n"
            "Date: Tue, 8 Dec 2026 23:00:00 +0900\r\n"
            "Mime-Version: 1.0\r\n"
            "Content-Type: text/plain;                        charset=us-ascii\r\n");
}

TEST_F(MessageBuilderTest, StuffsLinesThatBeginWithADot) {
  for (const char* line : {".", "..", ".x", "", "a.b"}) smtp.PostMessage.Body.Add(line);
  smtp.BuildMessage();
  EXPECT_EQ(Body(), "..\r\n...\r\n..x\r\n\r\na.b\r\n");
}

TEST_F(MessageBuilderTest, SplitsABodyLineAtALoneCrOrLfBeforeStuffing) {
  smtp.PostMessage.Body.Add("a\n.\rb\r\n.c");
  smtp.BuildMessage();
  EXPECT_EQ(Body(), "a\r\n..\r\nb\r\n..c\r\n");
}

// A NUL goes out as a blank too, and what follows it stays.
TEST_F(MessageBuilderTest, SendsALineBreakInsideAHeaderValueAsABlank) {
  smtp.PostMessage.Subject = "hi\r\nBcc: victim@example.com" + std::string(1, '\0') + "kept";
  smtp.PostMessage.ToAddress.Add("c@example.com\nX-Evil: 1");
  smtp.PostMessage.FromAddress = "a@example.com>\rX: y";
  smtp.BuildMessage();
  EXPECT_EQ(smtp.FinalHeader.Text(),
            "From: <a@example.com> X: y>\r\n"
            "To: b@example.com, \"c@example.com X-Evil\": 1\r\n"
            "Subject: hi Bcc: victim@example.com kept\r\n"
            "Mime-Version: 1.0\r\n"
            "Content-Type: text/plain;                        charset=us-ascii\r\n");
}

TEST_F(MessageBuilderTest, EncodesIso2022JpHeaderTextAsEncodedWords) {
  smtp.PostMessage.FromName = "(" + kJisTest + ") ";
  smtp.PostMessage.Subject = "Re: " + kJisTest;
  smtp.PostMessage.Body.Add(kJisTest);
  smtp.BuildMessage();
  ParsedMail mail = ParseMail(Received());
  EXPECT_EQ(mail.Header("Subject"), "Re: テスト");
  EXPECT_EQ(mail.Header("From"), "(テスト) <a@example.com>");
  ASSERT_EQ(mail.parts.size(), 1u);
  EXPECT_EQ(mail.parts[0].charset, "iso-2022-jp");
  // The header block is followed by CR LF CR LF, so the body begins with an empty line.
  EXPECT_EQ(mail.parts[0].payload, "\r\n" + kJisTest + "\r\n");
}

TEST_F(MessageBuilderTest, SplitsALongSubjectIntoEncodedWordsOf75CharactersAtMost) {
  std::string jis = "\x1b$B";
  std::string expected;
  for (int i = 0; i < 30; ++i) {
    jis += "%F%9%H";
    expected += "テスト";
  }
  smtp.PostMessage.Subject = jis + "\x1b(B";
  smtp.BuildMessage();
  std::string line = smtp.FinalHeader[smtp.FinalHeader.IndexOfHeader("Subject")];
  for (size_t start = line.find("=?"); start != std::string::npos;
       start = line.find("=?", start + 1))
    EXPECT_LE(line.find("?=", start + 16) + 2 - start, 75u);
  // Each word stands alone: a reader may decode it by itself.
  for (const std::string& payload : EncodedWordPayloads(line))
    EXPECT_EQ(payload.substr(payload.size() - 3), "\x1b(B") << payload;
  EXPECT_EQ(ParseMail(Received()).Header("Subject"), expected);
}

// A run a continuation line holds (77 characters after its blank) stays as
// it is; one more, or a first run "Subject: " leaves no room for, and the
// Subject goes out in encoded-words. Every line fits and reads back.
TEST_F(MessageBuilderTest, FoldsOrEncodesASubjectAtTheLineLimit) {
  const std::pair<std::string, bool> cases[] = {
      {"Re. " + std::string(77, 'x'), false}, {"Re. " + std::string(78, 'x'), true},
      {"Re. " + std::string(79, 'x'), true},  {"Re. " + std::string(500, 'x'), true},
      {std::string(69, 'x'), false},          {std::string(70, 'x'), true},
  };
  for (const auto& [subject, encoded] : cases) {
    smtp.PostMessage.Subject = subject;
    smtp.BuildMessage();
    const std::string header = smtp.FinalHeader.Text();
    for (size_t start = 0, end; (end = header.find("\r\n", start)) != std::string::npos; start = end + 2)
      EXPECT_LE(end - start, 78u) << subject.size();
    EXPECT_EQ(header.find("=?US-ASCII?B?") != std::string::npos, encoded) << subject.size();
    EXPECT_EQ(ParseMail(Received()).Header("Subject"), subject);
  }
}

TEST_F(MessageBuilderTest, LaysOutAMultipartMessageWithABase64Attachment) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 31);
  smtp.PostMessage.Attachments.Add(Attachment("data.bin", bytes));
  smtp.PostMessage.Body.Add("see attached");
  smtp.PostMessage.Body.Add(".");
  smtp.BuildMessage();

  // The time of day in ASCII digits, whatever the locale writes.
  EXPECT_TRUE(std::regex_match(smtp.boundary, std::regex("={20}54535[0-9]{1,2}:[0-9]{2}:[0-9]{2}={4}")))
      << smtp.boundary;
  EXPECT_EQ(Body().substr(0, 2 + smtp.boundary.size()), "--" + smtp.boundary);
  EXPECT_EQ(Body().substr(Body().size() - smtp.boundary.size() - 6),
            "--" + smtp.boundary + "--\r\n");

  ParsedMail mail = ParseMail(Received());
  EXPECT_EQ(mail.contentType, "multipart/mixed");
  EXPECT_EQ(mail.boundary, smtp.boundary);
  ASSERT_EQ(mail.parts.size(), 2u);
  EXPECT_EQ(mail.parts[0].contentType, "text/plain");
  EXPECT_EQ(mail.parts[0].charset, "us-ascii");
  // The line end before a boundary belongs to the boundary.
  EXPECT_EQ(mail.parts[0].payload, "see attached\r\n.");
  EXPECT_EQ(mail.parts[1].contentType, "application/octet-stream");
  EXPECT_EQ(mail.parts[1].fileName, "data.bin");
  EXPECT_EQ(mail.parts[1].transferEncoding, "base64");
  EXPECT_EQ(mail.parts[1].payload, bytes);
}

TEST_F(MessageBuilderTest, LabelsAndStuffsUuencodedAttachments) {
  // 14 bytes make a uuencoded line that begins with its length character ".".
  std::string bytes = "fourteen bytes";
  smtp.EncodeType = uuCode;
  smtp.PostMessage.Attachments.Add(Attachment("u.txt", bytes));
  smtp.BuildMessage();
  EXPECT_NE(Body().find("\r\n\r\n..9F]U<G1E96X@8GET97,\r\n`\r\n"), std::string::npos);
  ParsedMail mail = ParseMail(Received());
  ASSERT_EQ(mail.parts.size(), 2u);
  EXPECT_EQ(mail.parts[1].transferEncoding, "x-uuencode");
  EXPECT_EQ(mail.parts[1].payload, bytes);
}

TEST_F(MessageBuilderTest, NamesTheAttachmentAfterItsLastSeparator) {
  std::string path = Attachment("ソ表.txt", "x");  // both end in byte 0x5C
  smtp.PostMessage.Attachments.Add(path);
  smtp.BuildMessage();
  EXPECT_NE(Body().find("filename=\"ソ表.txt\""), std::string::npos);
  EXPECT_EQ(Body().find(platform::ProgramPath(Root())), std::string::npos);
}

TEST_F(MessageBuilderTest, NamesTheAttachmentAfterASlashToo) {
  std::string path = Attachment("plain.txt", "x");
  smtp.PostMessage.Attachments.Add(platform::NativePath(path));  // the system's "/" form
  smtp.BuildMessage();
  EXPECT_NE(Body().find("filename=\"plain.txt\""), std::string::npos);
  EXPECT_EQ(Body().find("/plain.txt"), std::string::npos);
}

TEST_F(MessageBuilderTest, ReportsAMissingAttachmentAndRaisesTheOpenError) {
  std::vector<std::string> events;
  smtp.OnAttachmentNotFound = [&](const std::string& name) {
    events.push_back("not found " + name);
  };
  smtp.OnEncodeStart = [&](const std::string& name) { events.push_back("start " + name); };
  smtp.PostMessage.Attachments.Add("/no/such/file");
  try {
    smtp.BuildMessage();
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message, "ファイル /no/such/file は開けません");
  }
  EXPECT_EQ(events, std::vector<std::string>{"not found /no/such/file"});
}

TEST_F(MessageBuilderTest, FiresEncodeEventsAroundEachAttachment) {
  std::string first = Attachment("1.bin", "a");
  std::string second = Attachment("2.bin", "b");
  smtp.PostMessage.Attachments.Add(first);
  smtp.PostMessage.Attachments.Add(second);
  std::vector<std::string> events;
  smtp.OnEncodeStart = [&](const std::string& name) { events.push_back("start " + name); };
  smtp.OnEncodeEnd = [&](const std::string& name) { events.push_back("end " + name); };
  smtp.BuildMessage();
  EXPECT_EQ(events, (std::vector<std::string>{"start " + first, "end " + first, "start " + second,
                                              "end " + second}));
  EXPECT_EQ(ParseMail(Received()).parts.size(), 3u);
}

TEST(ExtractAddressTest, CutsTheAddressOutOfAnEntry) {
  EXPECT_EQ(TZnSMTP::ExtractAddress("Bob <bob@example.com>"), "bob@example.com");
  EXPECT_EQ(TZnSMTP::ExtractAddress("To: bob@example.com"), " bob@example.com");
  EXPECT_EQ(TZnSMTP::ExtractAddress("bob@example.com"), "bob@example.com");
  EXPECT_EQ(TZnSMTP::ExtractAddress("a@x, b@y"), "a@x, b@y");
  EXPECT_EQ(TZnSMTP::ExtractAddress("Bob <>"), "");
  // 木下 and 中村 hold "<" as the second byte of a character in ISO-2022-JP.
  EXPECT_EQ(TZnSMTP::ExtractAddress("\x1b$BLZ2<\x1b(B <b@example.com>"), "b@example.com");
  EXPECT_EQ(TZnSMTP::ExtractAddress("\x1b$BCfB<\x1b(B: b@example.com"), " b@example.com");
}

}  // namespace
