// Sending from the compose window: against a scripted server for the ways a
// send can end, and against a real SMTP server for the whole road of a mail.

#include <gtest/gtest.h>
#include <iconv.h>

#include <filesystem>
#include <regex>

#include "browser/store/ListFile.h"
#include "mailer/Main.h"
#include "platform/files/Files.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winsock/WinSock.h"
#include "tests/mailer/QuilletFixture.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/SmtpSink.h"
#include "transport/Znsmtp.h"

namespace {

const std::vector<std::string> kAcceptingSession = {
    "220 test ESMTP", "250 hello", "250 reset", "250 sender ok", "250 rcpt ok",
    "354 go ahead",   "250 queued"};

// iconv, the reference converter, reads the received text back.
std::string SjisFromJis(const std::string& jis) {
  iconv_t cd = iconv_open("SHIFT_JIS", "ISO-2022-JP");
  std::string in = jis, out(jis.size() * 2 + 16, '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return "<not ISO-2022-JP>";
  out.resize(out.size() - outLeft);
  return out;
}

class SendTest : public QuilletFixture {
 protected:
  void TearDown() override {
    platform::RedirectPortForTesting(25, 0);
    QuilletFixture::TearDown();
  }
  // The window, set up to send to a server on port.
  std::unique_ptr<TMainForm> Compose(int port, const std::string& argument) {
    platform::RedirectPortForTesting(25, static_cast<uint16_t>(port));
    WriteNative(ExeDir() + "/qult.cfg", "127.0.0.1\r\nquillet.test\r\ntaro@example.jp\r\n");
    return Open(argument);
  }
  static std::vector<std::string> With(std::vector<std::string> replies, const std::string& last) {
    replies.push_back(last);
    return replies;
  }
};

TEST_F(SendTest, AcceptedMailIsReportedFiledAndTheWindowCleared) {
  MakeSendBook();
  ScriptedServer server(With(kAcceptingSession, "221 bye"));
  auto form = Compose(server.Port(), "mailto:hanako@example.jp?subject=hi&body=line 1\r\n.hidden");
  AnswerFolder(PPPath());
  form->Send->Click();

  const std::string transcript = server.Transcript();
  EXPECT_NE(transcript.find("HELO quillet.test\r\n"), std::string::npos);
  EXPECT_NE(transcript.find("MAIL FROM:<taro@example.jp>\r\nRCPT TO:<hanako@example.jp>\r\n"),
            std::string::npos);
  EXPECT_NE(transcript.find("\r\n\r\nline 1\r\n..hidden\r\n.\r\nQUIT\r\n"), std::string::npos);
  EXPECT_NE(transcript.find("X-Mailer: Quillet-Mailer\r\n"), std::string::npos);
  EXPECT_NE(transcript.find("From: () <taro@example.jp>\r\n"), std::string::npos);  // no NAME set
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "送信完了");
  EXPECT_TRUE(std::filesystem::exists(SendListPath()));
  EXPECT_EQ(form->MailText->Text(), "");
  EXPECT_FALSE(form->Send->Enabled());
  EXPECT_FALSE(form->MailSave->Enabled());
}

TEST_F(SendTest, FailedQuitAfterTheMessageWasAcceptedStillCountsAsSent) {
  MakeSendBook();
  for (const std::string& quitReply : {std::string(ScriptedServer::kClose), std::string("500 no")}) {
    ScriptedServer server(With(kAcceptingSession, quitReply));
    auto form = Compose(server.Port(), "mailto:a@b?body=x");
    driver.MessageBoxes.clear();
    driver.ModalForms.clear();
    AnswerFolder(PPPath());
    form->Send->Click();
    ASSERT_EQ(driver.MessageBoxes.size(), 1u) << quitReply;
    EXPECT_EQ(driver.MessageBoxes[0].Text, "送信完了");
    EXPECT_EQ(driver.ModalForms, std::vector<std::string>{"DstPPFDlg"});
    EXPECT_EQ(form->MailText->Text(), "");
  }
}

TEST_F(SendTest, CancelledFilingAfterASendStillClearsTheWindow) {
  ScriptedServer server(With(kAcceptingSession, "221 bye"));
  auto form = Compose(server.Port(), "mailto:a@b?subject=s&body=x");
  form->Send->Click();  // the driver cancels the folder question
  EXPECT_EQ(driver.ModalForms, std::vector<std::string>{"DstPPFDlg"});
  EXPECT_EQ(form->ToAddress->Text(), "");
  EXPECT_EQ(form->MailText->Text(), "");
  EXPECT_FALSE(form->Send->Enabled());
  EXPECT_FALSE(form->MailSave->Enabled());
}

TEST_F(SendTest, RefusedMessageKeepsTheTextAndTheNextSendStartsClean) {
  ScriptedServer refusing(With({"220 t", "250 h", "250 r", "250 m", "250 r", "354 go"}, "554 no thanks"));
  auto form = Compose(refusing.Port(), "mailto:first@x?body=first body");
  form->Send->Click();
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "554 no thanks\r\n");
  EXPECT_EQ(form->MailText->Text(), "first body");
  EXPECT_TRUE(form->Send->Enabled());
  EXPECT_TRUE(driver.ModalForms.empty());  // neither reported as sent nor filed

  ScriptedServer accepting(With(kAcceptingSession, "221 bye"));
  platform::RedirectPortForTesting(25, static_cast<uint16_t>(accepting.Port()));
  form->ToAddress->SetText("second@x");
  form->Send->Click();
  EXPECT_EQ(accepting.Message().find("first body\r\nfirst body"), std::string::npos);
  const std::string transcript = accepting.Transcript();
  EXPECT_EQ(transcript.find("first@x"), std::string::npos);
  EXPECT_NE(transcript.find("RCPT TO:<second@x>"), std::string::npos);
}

TEST_F(SendTest, ExitFilingAndSendDuringTheWaitWaitForTheSendToReturn) {
  MakeSendBook();
  ScriptedServer server(With(kAcceptingSession, "221 bye"));
  auto form = Compose(server.Port(), "mailto:a@b?body=x");
  form->Show();
  int sendStarts = 0;
  form->ZnSMTP->OnSendStart = [&](TObject*) {
    ++sendStarts;
    form->Send->Click();
    form->MailSave->Click();
    form->Exit->Click();
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(driver.ModalForms.empty());
  };
  AnswerFolder(PPPath());
  form->Send->Click();
  EXPECT_EQ(sendStarts, 1);
  EXPECT_EQ(driver.ModalForms, std::vector<std::string>{"DstPPFDlg"});  // one filing only
  DrawerListing listing = ReadListFile(ReadNative(SendListPath()), nullptr);
  EXPECT_EQ(listing.entries.size(), 1u);
  EXPECT_FALSE(form->Visible());  // the Exit took effect once the send returned
}

TEST_F(SendTest, FailedFilingAfterASendKeepsTheTextToFileAgain) {
  ScriptedServer server(With(kAcceptingSession, "221 bye"));
  auto form = Compose(server.Port(), "mailto:a@b?body=only copy");
  AnswerFolder(PPPath());  // no 送信フォルダ yet
  form->Send->Click();
  ASSERT_EQ(driver.MessageBoxes.size(), 2u);
  EXPECT_EQ(driver.MessageBoxes[1].Text, "送信メールファイルが開けません");
  EXPECT_EQ(form->ToAddress->Text(), "a@b");
  EXPECT_FALSE(form->Send->Enabled());
  EXPECT_TRUE(form->MailSave->Enabled());

  MakeSendBook();
  AnswerFolder(PPPath());
  form->MailSave->Click();
  EXPECT_NE(ReadNative(SendMailPath()).find("only copy"), std::string::npos);
  EXPECT_FALSE(form->MailSave->Enabled());
}

TEST_F(SendTest, NoServerIsReportedAndTheTextStays) {
  ScriptedServer server({ScriptedServer::kClose});
  auto form = Compose(server.Port(), "mailto:a@b?body=x");
  form->Send->Click();
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_NE(driver.MessageBoxes[0].Text, "送信完了");
  EXPECT_EQ(form->MailText->Text(), "x");
  EXPECT_TRUE(form->Send->Enabled());
}

// The whole road: a real server receives the mail, Python's email package
// reads it back, and the store's reader lists the filed copy.
TEST_F(SendTest, JapaneseMailArrivesWholeAndIsFiled) {
  MakeSendBook();
  std::filesystem::create_directory(Root() + "/received");
  SmtpSink sink(Root() + "/received");
  WriteNative(ExeDir() + "/qults.cfg", "--\r\n山田太郎\r\n");
  auto form = Compose(sink.Port(), "mailto:花子 <hanako@example.jp>?subject=お元気ですか&body=こんにちは。\r\n\r\n半角ｶﾅは空白に");
  form->userName = "山田";
  AnswerFolder(PPPath());
  form->Send->Click();

  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "送信完了");
  EXPECT_EQ(sink.Envelope(1), (std::vector<std::string>{"taro@example.jp", "hanako@example.jp"}));
  ParsedMail mail = ParseMail(sink.Received(1));
  EXPECT_EQ(mail.Header("Subject"), "お元気ですか");
  EXPECT_EQ(mail.Header("From"), "(山田) <taro@example.jp>");
  EXPECT_EQ(mail.Header("X-Mailer"), "Quillet-Mailer");
  EXPECT_TRUE(std::regex_match(mail.Header("Date"),
                               std::regex(R"([A-Z][a-z]{2}, \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d [+-]\d{4})")));
  ASSERT_EQ(mail.parts.size(), 1u);
  EXPECT_EQ(mail.parts[0].charset, "iso-2022-jp");
  // The body as received begins with the empty line that ends the header block.
  EXPECT_EQ(SjisFromJis(mail.parts[0].payload),
            "\r\nこんにちは。\r\n\r\n半角  は空白に\r\n--\r\n山田太郎\r\n");

  DrawerListing listing = ReadListFile(ReadNative(SendListPath()), nullptr);
  ASSERT_EQ(listing.entries.size(), 1u);
  const MailEntry& record = *listing.entries[0];
  const std::string header =
      "X-Priority: 1\nTo: 花子 <hanako@example.jp>\nFrom: 山田\nSubject: お元気ですか\nCC: \n\n";
  const std::string body = "こんにちは。\r\n\r\n半角ｶﾅは空白に\r\n\r\n";
  EXPECT_EQ(record.mailStart, 0u);
  EXPECT_EQ(record.bodyStart, header.size());
  EXPECT_EQ(record.bodyLength, body.size());
  EXPECT_EQ(record.status, 1);
  EXPECT_EQ(record.Text(MailField::From), "山田");
  EXPECT_EQ(record.recordSize, 4 + 24 + 12 + record.Text(MailField::Date).size() + 42);
  EXPECT_TRUE(std::regex_match(std::string(record.Text(MailField::Id)), std::regex(R"(4535625330\.[0-7]{7})")));
  EXPECT_EQ(ReadNative(SendMailPath()), header + body);
}

}  // namespace
