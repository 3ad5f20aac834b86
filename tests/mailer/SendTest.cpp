// Sending from the compose window: against a scripted server for the ways a
// send can end, and against a real SMTP server for the whole road of a mail.

#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "browser/store/ListFile.h"
#include "mailer/MailClientRegistration.h"
#include "mailer/Main.h"
#include "platform/files/Files.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/winsock/WinSock.h"
#include "tests/mailer/QuilletFixture.h"
#include "tests/support/LoopbackListener.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/SmtpSink.h"
#include "tests/transport/EncodedWords.h"
#include "tests/transport/TimeOutClock.h"
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

// The raw header named name (folded lines included) of a received mail.
std::string RawHeader(const std::string& mail, const std::string& name) {
  const size_t start = mail.find("\r\n" + name + ": ") + 2;
  size_t end = start;
  do end = mail.find("\r\n", end) + 2;
  while (mail[end] == ' ' || mail[end] == '\t');
  return mail.substr(start, end - start);
}

bool HoldsEightBitByte(const std::string& bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
}

std::string Unsendable(const std::string& address) {
  return address + " には送信できません\nアドレスに使えるのは半角の英数字と記号だけで、254文字までです";
}

class SendTest : public QuilletFixture {
 protected:
  void TearDown() override {
    platform::RedirectPortForTesting(25, 0);
    QuilletFixture::TearDown();
  }
  // The window, set up to send to a server on port.
  std::unique_ptr<TMainForm> Compose(int port, const std::string& argument,
                                     const std::string& from = "taro@example.jp") {
    platform::RedirectPortForTesting(25, static_cast<uint16_t>(port));
    WriteNative(ExeDir() + "/qult.cfg", "127.0.0.1\r\nquillet.test\r\n" + from + "\r\n");
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
  ScriptedServer refusing({"220 t", "250 h", "250 r", "250 m", "250 r", "354 go", "554 no thanks", "221 bye"});
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
  EXPECT_NE(RawHeader(accepting.Message(), "Message-ID"), RawHeader(refusing.Message(), "Message-ID"));
  const std::string transcript = accepting.Transcript();
  EXPECT_EQ(transcript.find("first@x"), std::string::npos);
  EXPECT_NE(transcript.find("RCPT TO:<second@x>"), std::string::npos);
}

TEST_F(SendTest, DuringTheSendTheFieldsAndCommandsRestAndExitCanBeDeclined) {
  MakeSendBook();
  ScriptedServer server(With(kAcceptingSession, "221 bye"));
  auto form = Compose(server.Port(), "mailto:a@b?body=x");
  form->Show();
  int sendStarts = 0;
  form->ZnSMTP->OnSendStart = [&](TObject*) {
    ++sendStarts;
    EXPECT_FALSE(form->Send->Enabled() || form->MailSave->Enabled() || form->PupSend->Enabled());
    EXPECT_TRUE(form->ToAddress->ReadOnly() && form->Subject->ReadOnly() && form->MailText->ReadOnly());
    EXPECT_EQ(form->StatusBar->SimpleText(), "送信中...");
    form->Send->Click();
    form->MailSave->Click();
    for (TMenuItem* command : {form->ExecEdtor, form->PupExecEdtor, form->OpenAddBook, form->PupOpenAddBook,
                               form->EnvSet, form->SMTPOpt, form->IESet})
      command->Click();
    PressKey(*form->MailText, 'E', ssCtrl);
    PressKey(*form->MailText, 'I', ssCtrl);
    driver.MessageBoxAnswers.push_back(IDCANCEL);  // do not stop the send
    form->Exit->Click();
    EXPECT_TRUE(form->Visible());
  };
  AnswerFolder(PPPath());
  form->Send->Click();
  EXPECT_EQ(sendStarts, 1);
  ASSERT_EQ(driver.MessageBoxes.size(), 2u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "送信中です。送信を中止しますか");
  EXPECT_EQ(driver.MessageBoxes[0].Caption, "確認");
  EXPECT_EQ(driver.MessageBoxes[1].Text, "送信完了");
  EXPECT_EQ(driver.ModalForms, std::vector<std::string>{"DstPPFDlg"});  // one filing only
  DrawerListing listing = ReadListFile(ReadNative(SendListPath()), nullptr);
  EXPECT_EQ(listing.entries.size(), 1u);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->StatusBar->SimpleText(), "");
  EXPECT_FALSE(form->MailText->ReadOnly());
  EXPECT_FALSE(std::filesystem::exists(platform::NativePath(DesktopEntryPath())));  // no registration
}

// A server that greets and then says nothing (and never hangs up): closing
// the window stops the wait at once. Answering the question for the unsent
// text with Cancel keeps it.
TEST_F(SendTest, ClosingDuringASilentSendStopsItAndNothingIsFiled) {
  for (int discardAnswer : {IDOK, IDCANCEL}) {
    ScriptedServer server({"220 ready", ScriptedServer::kSilence});
    auto form = Compose(server.Port(), "mailto:a@b?body=keep me");
    form->Show();
    driver.MessageBoxes.clear();
    driver.MessageBoxAnswers = {IDOK, discardAnswer};
    form->ZnSMTP->ReportLevel = 8;
    TimeOutClock clock(*form->ZnSMTP);
    bool closed = false;
    form->ZnSMTP->OnStatus = [&](TComponent*, const std::string& status) {
      if (status != "ReadLn" || closed || !form->ZnSMTP->Connected) return;
      closed = true;
      form->Close();
      clock.PassInNextWait(10 * 60 * 1000);  // what would end a send that closing did not stop
    };
    form->Send->Click();
    EXPECT_FALSE(clock.RanOut());
    ASSERT_EQ(driver.MessageBoxes.size(), 2u) << discardAnswer;
    EXPECT_EQ(driver.MessageBoxes[0].Text, "送信中です。送信を中止しますか");
    EXPECT_EQ(driver.MessageBoxes[1].Text, "送信していないメールを破棄して終了しますか");
    EXPECT_TRUE(driver.ModalForms.empty());
    EXPECT_EQ(form->Visible(), discardAnswer == IDCANCEL);
    EXPECT_EQ(form->MailText->Text(), "keep me");
    EXPECT_TRUE(form->Send->Enabled());
  }
}

// A server that never answers fails the send once its bound has passed: a
// minute for the connect, five for a reply.
TEST_F(SendTest, ServerThatNeverAnswersFailsTheSendWhenItsTimeIsUp) {
  struct Case {
    const char* wait;  // the status that begins it, and which of them
    int occurrence;
    int bound;
    const char* message;
  };
  UnansweredPort unanswered;
  for (const Case& c : {Case{"Timer On", 1, 60 * 1000, "Connection Timed out"},
                        Case{"ReadLn", 2, 5 * 60 * 1000, "Reply Timed out"}}) {
    ScriptedServer greetingOnly({"220 ready", ScriptedServer::kSilence});
    auto form = Compose(c.occurrence == 1 ? unanswered.Port() : greetingOnly.Port(), "mailto:a@b?body=x");
    TimeOutClock clock(*form->ZnSMTP);
    clock.PassAtStatus(c.wait, c.occurrence, c.bound);
    driver.MessageBoxes.clear();
    form->Send->Click();
    ASSERT_EQ(driver.MessageBoxes.size(), 1u) << c.message;
    EXPECT_EQ(driver.MessageBoxes[0].Text, c.message);
    EXPECT_EQ(form->MailText->Text(), "x");
    EXPECT_TRUE(form->Send->Enabled());
    EXPECT_FALSE(form->ZnSMTP->Connected);
  }
}

TEST_F(SendTest, EditsDuringTheSendChangeNeitherTheMailNorItsFiledCopy) {
  MakeSendBook();
  ScriptedServer server(With(kAcceptingSession, "221 bye"));
  auto form = Compose(server.Port(), "mailto:a@b?subject=sent subject&body=sent body");
  form->userName = "Alice";
  form->ZnSMTP->OnSendStart = [&](TObject*) {
    form->userName = "Bob";
    form->ToAddress->SetText("other@b");
    form->Subject->SetText("edited subject");
    form->MailText->SetText("edited body");
  };
  AnswerFolder(PPPath());
  form->Send->Click();
  EXPECT_NE(server.Message().find("Subject: sent subject\r\n"), std::string::npos);
  EXPECT_NE(server.Message().find("\r\n\r\nsent body\r\n"), std::string::npos);
  EXPECT_NE(server.Message().find("From: (Alice) <taro@example.jp>\r\n"), std::string::npos);
  const std::string filed = ReadNative(SendMailPath());
  EXPECT_EQ(filed.substr(filed.find("To: ")), "To: a@b\nFrom: Alice\nSubject: sent subject\nCC: \n\nsent body\r\n\r\n");
  const DrawerListing listing = ReadListFile(ReadNative(SendListPath()), nullptr);
  ASSERT_EQ(listing.entries.size(), 1u);
  EXPECT_EQ(listing.entries[0]->Text(MailField::From), "Alice");  // the record's, too
}

TEST_F(SendTest, SendAfterARefusedConnectDelivers) {
  std::uint16_t refusingPort = 0;
  close(ListenOnLoopback(1, refusingPort, "SendAfterARefusedConnectDelivers"));  // nobody listens there now
  auto form = Compose(refusingPort, "mailto:a@b?body=x");
  form->Send->Click();
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "Connection Failed");
  ScriptedServer server(With(kAcceptingSession, "221 bye"));
  platform::RedirectPortForTesting(25, static_cast<uint16_t>(server.Port()));
  form->Send->Click();
  ASSERT_EQ(driver.MessageBoxes.size(), 2u);
  EXPECT_EQ(driver.MessageBoxes[1].Text, "送信完了");
}

// Names whose ISO-2022-JP form holds "<" (中村, 木下) change nothing: the
// addresses go out, are named and are filed as typed.
TEST_F(SendTest, RefusedRecipientIsNamedAndTheCopyFiledForTheOthers) {
  MakeSendBook();
  for (const auto& [first, second] : std::vector<std::pair<std::string, std::string>>{
           {"Ann <a@x>", "\"Yamada, Taro\" <b@y>"}, {"中村 健二 <a@x>", "木下 花子 <b@y>"}}) {
    ScriptedServer server({"220 t", "250 h", "250 r", "250 m", "250 ok", "550 no such user", "354 go",
                           "250 queued", "221 bye"});
    auto form = Compose(server.Port(), "mailto:" + first + ", " + second + "?body=x");
    driver.MessageBoxes.clear();
    AnswerFolder(PPPath());
    form->Send->Click();
    ASSERT_EQ(driver.MessageBoxes.size(), 2u);
    EXPECT_EQ(driver.MessageBoxes[0].Text, "送信完了");
    EXPECT_EQ(driver.MessageBoxes[1].Text, "b@y に送信できませんでした\n550 no such user");
    EXPECT_EQ(ParseMail(server.Message()).Header("To"), first + ", " + second);
    EXPECT_NE(server.Transcript().find("RCPT TO:<a@x>\r\nRCPT TO:<b@y>\r\n"), std::string::npos);
    DrawerListing listing = ReadListFile(ReadNative(SendListPath()), nullptr);
    ASSERT_FALSE(listing.entries.empty());
    EXPECT_EQ(listing.entries.back()->Text(MailField::To), first);
  }
}

TEST_F(SendTest, EveryRecipientRefusedStopsBeforeDataAndNothingIsFiled) {
  MakeSendBook();
  ScriptedServer server({"220 t", "250 h", "250 r", "250 m", "550 unknown", "551 moved", "221 bye"});
  auto form = Compose(server.Port(), "mailto:a@x,b@y?body=x");
  form->Send->Click();
  EXPECT_EQ(server.Transcript().substr(server.Transcript().find("RCPT")),
            "RCPT TO:<a@x>\r\nRCPT TO:<b@y>\r\nQUIT\r\n");
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text,
            "a@x に送信できませんでした\n550 unknown\nb@y に送信できませんでした\n551 moved");
  EXPECT_TRUE(driver.ModalForms.empty());
  EXPECT_EQ(form->MailText->Text(), "x");
}

TEST_F(SendTest, RefusalAfterDataEndsWithQuit) {
  ScriptedServer server(With({"220 t", "250 h", "250 r", "250 m", "250 r", "354 go", "554 no thanks"}, "221 bye"));
  auto form = Compose(server.Port(), "mailto:a@b?body=x");
  form->Send->Click();
  const std::string transcript = server.Transcript();
  EXPECT_EQ(transcript.substr(transcript.size() - 11), "\r\n.\r\nQUIT\r\n");
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

// Japanese text around an address goes out in encoded-words, a name holding
// a reserved character quoted, a From name's "(" inside its comment: nothing
// above 0x7F reaches the wire, and a reader finds each address as typed. An
// entry without an address, or an address SMTP cannot carry, is refused
// before any connection, and nothing is filed.
TEST_F(SendTest, EveryRecipientShapeReadsBackAsTypedOrIsRefusedBeforeTheSend) {
  using A = ParsedMail::Address;
  const A taro{"From", "", "", "taro@example.jp"};
  const std::string tooLong = std::string(244, 'x') + "@example.jp";
  const struct {
    std::string name, to, from, refusal;
    std::vector<A> reads;  // From, then To, as Python's address parser reads them
    int toDefects;
  } cases[] = {
      {"Taro (home", "中村: a@x", "taro@example.jp", "", {taro, {"To", "中村", "", "a@x"}}, 1},  // no ";"
      {"山田(自宅", "木下 <a@x> 様", "taro@example.jp", "", {{"From", "", "(山田(自宅)", "taro@example.jp"}, {"To", "", "木下", "a@x"}}, 1},
      {"", R"(Taro@Home <a@x>, Kimura; Co <b@x>, Ann "A" \ B. <c@x>)", "taro@example.jp", "",
       {taro, {"To", "", "Taro@Home", "a@x"}, {"To", "", "Kimura; Co", "b@x"}, {"To", "", R"(Ann "A" \ B.)", "c@x"}}, 0},
      {"", "日本@example.jp", "taro@example.jp", Unsendable("日本@example.jp"), {}, 0},
      {"", "山田 <やまだ@example.jp>", "taro@example.jp", Unsendable("やまだ@example.jp"), {}, 0},
      {"", "a@b, " + tooLong, "taro@example.jp", Unsendable(tooLong), {}, 0},
      {"", "a@b", "太郎@example.jp", Unsendable("太郎@example.jp"), {}, 0},
      {"", "a@b, Bob <>", "taro@example.jp", "Bob <> にはアドレスがありません", {}, 0},
  };
  std::uint16_t nobodyListens = 0;
  close(ListenOnLoopback(1, nobodyListens, "EveryRecipientShapeReadsBackAsTyped"));
  for (const auto& c : cases) {
    std::vector<std::string> replies = {"220 t", "250 h", "250 r", "250 m"};
    replies.insert(replies.end(), c.reads.size() - (c.reads.empty() ? 0 : 1), "250 ok");
    auto server = std::make_unique<ScriptedServer>(With(With(With(replies, "354 go"), "250 queued"), "221 bye"));
    auto form = Compose(c.refusal.empty() ? server->Port() : nobodyListens, "mailto:" + c.to + "?body=x", c.from);
    form->userName = c.name;
    driver.MessageBoxes.clear();
    form->Send->Click();
    ASSERT_FALSE(driver.MessageBoxes.empty()) << c.to;
    EXPECT_EQ(driver.MessageBoxes[0].Text, c.refusal.empty() ? "送信完了" : c.refusal);
    if (!c.refusal.empty()) continue;
    EXPECT_FALSE(HoldsEightBitByte(server->Transcript())) << c.to;
    EXPECT_EQ(server->Message().find('\x1b'), std::string::npos) << c.to;  // ISO-2022-JP only in encoded-words
    const ParsedMail mail = ParseMail(server->Message());
    EXPECT_EQ(mail.addresses, c.reads) << c.to;
    EXPECT_EQ(mail.defects, (std::map<std::string, int>{{"From", 0}, {"To", c.toDefects}})) << c.to;
  }
  EXPECT_EQ(driver.ModalForms.size(), 3u);  // the folder question of each sent mail, no other
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
  EXPECT_TRUE(std::regex_match(mail.Header("Message-ID"), std::regex(R"(<[0-9a-f]+\.[0-9a-f]{16}@example\.jp>)")));
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

// A paragraph typed without Enter, a Japanese name in To and characters that
// ISO-2022-JP lacks in the Subject, sent to a real server: every wire line
// fits, row 13 goes out as itself and what has no equal as 〓.
TEST_F(SendTest, TextThatReadersCouldNotTakeArrivesReadable) {
  std::filesystem::create_directory(Root() + "/received");
  SmtpSink sink(Root() + "/received");
  std::string paragraph;
  while (paragraph.size() < 2 * 657) paragraph += "日本語の文章です。";
  paragraph += "おわり";
  const std::string subject = "\xfb\xfc橋 \x87\x40 \xfa\x4b \xfa\x41";  // 髙橋 ① Ⅱ ⅱ
  auto form = Compose(sink.Port(), "mailto:花子 <hanako@example.jp>?subject=" + subject);
  form->MailText->SetText(paragraph);
  form->Send->Click();

  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  ASSERT_EQ(driver.MessageBoxes[0].Text, "送信完了");
  const std::string raw = sink.Received(1);
  EXPECT_EQ(EncodedWordBytes(RawHeader(raw, "Subject")),
            "\x1b$B\x22\x2e\x36\x36\x1b(B \x1b$B\x2d\x21\x1b(B \x1b$B\x2d\x36\x1b(B \x1b$B\x22\x2e\x1b(B");
  for (unsigned char c : raw) ASSERT_LE(c, 0x7F);
  // Python knows no row 13: every other header must decode without a defect.
  std::string withoutSubject = raw;
  withoutSubject.erase(raw.find(RawHeader(raw, "Subject")), RawHeader(raw, "Subject").size());
  ParsedMail mail = ParseMail(withoutSubject);
  EXPECT_EQ(mail.Header("To"), "花子 <hanako@example.jp>");
  EXPECT_EQ(mail.Header("From"), "() <taro@example.jp>");
  ASSERT_EQ(mail.parts.size(), 1u);
  const std::string body = SjisFromJis(mail.parts[0].payload);
  const size_t lineEnd = body.find("\r\n", 2);
  EXPECT_EQ(body.substr(0, 2) + body.substr(2, lineEnd - 2) + body.substr(lineEnd + 2), "\r\n" + paragraph + "\r\n");
}

// The mail a server refused with "500 Line too long": a 1,200-character
// Subject, of words, of one run or with a run of blanks (a reply keeps what
// it received), and thirty named recipients. Every header
// line now fits, the mail reaches all thirty, and Python's email reads back
// what was typed.
TEST_F(SendTest, LongHeadersArriveFoldedAndReadBackAsTyped) {
  std::filesystem::create_directory(Root() + "/received");
  SmtpSink sink(Root() + "/received");
  std::string words = "Minutes";
  while (words.size() < 1200) words += " item" + std::to_string(words.size());
  std::string to;
  for (int i = 0; i < 30; ++i)
    to += (i ? ", " : "") + std::string(i % 3 ? i % 3 == 1 ? "木村 花子" : "山下 太郎" : "中村 健二") + " <r" +
          std::to_string(i) + "@example.jp>";
  int sent = 0;
  for (const std::string& subject : {words, std::string(1200, 'x'), "Re. a" + std::string(1200, ' ') + "b"}) {
    auto form = Compose(sink.Port(), "mailto:" + to + "?subject=" + subject + "&body=x");
    form->Send->Click();
    ASSERT_EQ(driver.MessageBoxes.size(), static_cast<size_t>(++sent));
    ASSERT_EQ(driver.MessageBoxes.back().Text, "送信完了");
    EXPECT_EQ(sink.Envelope(sent).size(), 31u);
    const std::string raw = sink.Received(sent);
    for (size_t start = 0, end; (end = raw.find("\r\n", start)) != start; start = end + 2)
      EXPECT_LE(end - start, 78u) << raw.substr(start, end - start);
    ParsedMail mail = ParseMail(raw);
    EXPECT_EQ(mail.Header("Subject"), subject);
    EXPECT_EQ(mail.Header("To"), to);
  }
}

}  // namespace
