// The SMTP dialogue of TZnSMTP, as whole transcripts against a scripted
// server on loopback, and one delivery to a real SMTP server (aiosmtpd).

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/files/Files.h"
#include "tests/support/RaisedMessage.h"
#include "tests/support/Sandbox.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/SmtpSink.h"
#include "tests/transport/PsockServer.h"
#include "tests/transport/TimeOutClock.h"
#include "transport/Znsmtp.h"

namespace {

const std::string kHeaderBlock =
    "From: Ann <a@example.com>\r\n"
    "To: Bob <b@example.com>\r\n"
    "Subject: hi\r\n"
    "Mime-Version: 1.0\r\n"
    "Content-Type: text/plain;                        charset=us-ascii\r\n"
    "\r\n\r\n";

// The replies of a server that accepts everything, with the greeting first.
std::vector<std::string> Accepting() {
  return {"220 ready",        "250 hello",    "250 reset",  "250 sender ok",
          "250 recipient ok", "354 go ahead", "250 queued", "221 bye"};
}

std::vector<std::string> Replacing(std::vector<std::string> script, size_t index,
                                   std::string reply) {
  script[index] = std::move(reply);
  return script;
}

class SmtpDialogueTest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> replies) {
    server = std::make_unique<ScriptedServer>(std::move(replies));
    smtp.ClearParameters();  // a failed send of an earlier row leaves its recipients
    smtp.PostMessage.Body.Clear();
    smtp.Host = "127.0.0.1";
    smtp.Port = server->Port();
    smtp.UserID = "me";
    smtp.PostMessage.FromName = "Ann ";
    smtp.PostMessage.FromAddress = "a@example.com";
    smtp.PostMessage.ToAddress.Add("Bob <b@example.com>");
    smtp.PostMessage.Subject = "hi";
    smtp.PostMessage.Body.Add("line");
  }

  std::unique_ptr<ScriptedServer> server;
  TZnSMTP smtp{nullptr};
};

TEST_F(SmtpDialogueTest, SendsTheWholeDialogueWithTheStuffedBodyAndTheFinalDot) {
  Start(Accepting());
  smtp.PostMessage.Body.Add(".");
  smtp.PostMessage.Body.Add("..x");
  int connected = 0, succeeded = 0;
  smtp.OnConnect = [&](TObject* sender) { connected += sender == &smtp; };
  smtp.OnSuccess = [&](TObject*) { ++succeeded; };
  smtp.Connect();
  smtp.SendMail();
  smtp.Disconnect();
  EXPECT_EQ(server->Transcript(),
            "HELO me\r\nRSET\r\nMAIL FROM:<a@example.com>\r\nRCPT TO:<b@example.com>\r\nDATA\r\n" +
                kHeaderBlock + "line\r\n..\r\n...x\r\n.\r\nQUIT\r\n");
  EXPECT_EQ(connected, 1);
  EXPECT_EQ(succeeded, 1);
  EXPECT_FALSE(smtp.Connected);
}

TEST_F(SmtpDialogueTest, ClearsRecipientsButKeepsTheBodyAfterSuccess) {
  std::vector<std::string> script = Accepting();
  script.insert(script.begin() + 4, "250 recipient ok");
  Start(script);
  smtp.PostMessage.ToCarbonCopy.Add("c@example.com");
  smtp.Connect();
  smtp.SendMail();
  EXPECT_EQ(smtp.PostMessage.ToAddress.Count() + smtp.PostMessage.ToCarbonCopy.Count(), 0);
  EXPECT_EQ(smtp.PostMessage.Body.Text(), "line\r\n");
  EXPECT_EQ(smtp.PostMessage.FromAddress, "a@example.com");
}

TEST_F(SmtpDialogueTest, RefusedGreetingRaisesItsLineAfterQuit) {
  Start({"554 go away", "221 bye"});
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.Connect(); }), "554 go away\r\n");
  EXPECT_EQ(server->Transcript(), "QUIT\r\n");
  EXPECT_FALSE(smtp.Connected);
}

TEST_F(SmtpDialogueTest, ReadsAMultiLineGreetingAsOne) {
  Start({"220-first\r\n220 second", "250 hello", "221 bye"});
  smtp.Connect();
  smtp.Disconnect();
  EXPECT_EQ(server->Transcript(), "HELO me\r\nQUIT\r\n");
}

TEST_F(SmtpDialogueTest, RefusedHeloWithoutHandlerFailsAuthenticationAfterQuit) {
  for (const char* refusal : {"300 not quite", "501 who?"}) {
    Start({"220 ready", refusal, "221 bye"});
    EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.Connect(); }), "Authentication failed") << refusal;
    EXPECT_EQ(server->Transcript(), "HELO me\r\nQUIT\r\n") << refusal;
  }
}

TEST_F(SmtpDialogueTest, HandlerGetsOneMoreHeloAndIsNotAskedTwice) {
  Start({"220 ready", "501 who?", "501 still no", "221 bye"});
  int asked = 0;
  smtp.OnAuthenticationFailed = [&](bool& handled) {
    ++asked;
    handled = true;
  };
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.Connect(); }), "Authentication failed");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(server->Transcript(), "HELO me\r\nHELO me\r\nQUIT\r\n");
}

TEST_F(SmtpDialogueTest, RepeatsHeloOn299AtMostTenTimes) {
  std::vector<std::string> script{"220 ready"};
  script.insert(script.end(), 11, "299 again");
  script.push_back("221 bye");
  Start(script);
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.Connect(); }), "Authentication failed");
  std::string expected;
  for (int i = 0; i < 11; ++i) expected += "HELO me\r\n";
  EXPECT_EQ(server->Transcript(), expected + "QUIT\r\n");
}

TEST_F(SmtpDialogueTest, ConnectsWhenA299IsFollowedByAcceptance) {
  Start({"220 ready", "299 again", "250 hello", "221 bye"});
  smtp.Connect();
  smtp.Disconnect();
  EXPECT_EQ(server->Transcript(), "HELO me\r\nHELO me\r\nQUIT\r\n");
}

TEST_F(SmtpDialogueTest, RefusedRecipientFiresTheEventAndTheSendGoesOn) {
  Start({"220 ready", "250 hello", "250 reset", "250 sender ok", "550 no such user",
         "450 mailbox busy", "300 odd but accepted", "354 go ahead", "250 queued", "221 bye"});
  smtp.PostMessage.ToAddress.Add("Cy <c@example.com>");
  smtp.PostMessage.ToBlindCarbonCopy.Add("d@example.com");
  std::vector<std::string> refused;
  smtp.OnRecipientNotFound = [&](const std::string& entry) { refused.push_back(entry); };
  smtp.Connect();
  smtp.SendMail();
  smtp.Disconnect();
  EXPECT_EQ(refused, (std::vector<std::string>{"Bob <b@example.com>", "Cy <c@example.com>"}));
  EXPECT_NE(server->Transcript().find("RCPT TO:<d@example.com>\r\nDATA\r\n"), std::string::npos);
}

TEST_F(SmtpDialogueTest, MultiLineRepliesNeverAnswerTheNextCommand) {
  Start({"220 ready", "250-hello\r\n250-SIZE 1000\r\n250 HELP", "250-reset\r\n250 done",
         "250 sender ok", "550-no\r\n550 such user", "250 ok", "354 go ahead",
         "250-queued\r\n250 as 1", "221 bye"});
  smtp.PostMessage.ToCarbonCopy.Add("c@example.com");
  std::vector<std::string> refused;
  smtp.OnRecipientNotFound = [&](const std::string& entry) { refused.push_back(entry); };
  smtp.Connect();
  smtp.SendMail();
  smtp.Disconnect();
  EXPECT_EQ(refused.size(), 1u);
  EXPECT_EQ(server->Transcript().substr(server->Transcript().size() - 11), "\r\n.\r\nQUIT\r\n");
}

TEST_F(SmtpDialogueTest, NoAcceptedRecipientStopsBeforeDataAndKeepsTheLink) {
  Start({"220 ready", "250 hello", "250 reset", "250 sender ok", "550 unknown", "221 bye"});
  int succeeded = 0;
  smtp.OnSuccess = [&](TObject*) { ++succeeded; };
  smtp.Connect();
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.SendMail(); }), "550 unknown\r\n");
  EXPECT_TRUE(smtp.Connected);
  EXPECT_EQ(smtp.PostMessage.ToAddress.Count(), 1);
  EXPECT_EQ(succeeded, 0);
  smtp.Disconnect();
  EXPECT_EQ(server->Transcript(),
            "HELO me\r\nRSET\r\nMAIL FROM:<a@example.com>\r\nRCPT "
            "TO:<b@example.com>\r\nQUIT\r\n");
}

TEST_F(SmtpDialogueTest, RefusedSenderRaisesItsReply) {
  Start(Replacing(Accepting(), 3, "553 sender rejected"));
  smtp.Connect();
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.SendMail(); }), "553 sender rejected\r\n");
}

TEST_F(SmtpDialogueTest, RefusedFinalDotFiresFailureAndRaises) {
  Start(Replacing(Accepting(), 6, "552 too big"));
  int failures = 0, succeeded = 0;
  smtp.OnFailure = [&](TObject*) { ++failures; };
  smtp.OnSuccess = [&](TObject*) { ++succeeded; };
  smtp.Connect();
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.SendMail(); }), "552 too big\r\n");
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(succeeded, 0);
  EXPECT_FALSE(smtp.busy);
}

TEST_F(SmtpDialogueTest, QuitReplyAbove339RaisesAndClosesAllTheSame) {
  Start({"220 ready", "250 hello", "350 not quite"});
  smtp.Connect();
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.Disconnect(); }), "350 not quite\r\n");
  EXPECT_FALSE(smtp.Connected);
}

TEST_F(SmtpDialogueTest, DroppedConnectionRaisesAndClosingSendsNoQuit) {
  Start({"220 ready", "250 hello", "250 reset", ScriptedServer::kClose});
  smtp.Connect();
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.SendMail(); }), "Socket readln aborted");
  smtp.Disconnect();
  EXPECT_EQ(server->Transcript(), "HELO me\r\nRSET\r\nMAIL FROM:<a@example.com>\r\n");
  EXPECT_FALSE(smtp.Connected);
}

TEST_F(SmtpDialogueTest, ServerClosingMidReplyEndsTheConnectWithoutQuit) {
  Start({"220 ready", std::string(ScriptedServer::kClose) + "250 hel"});
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.Connect(); }), "Socket readln aborted");
  EXPECT_EQ(server->Transcript(), "HELO me\r\n");
  EXPECT_FALSE(smtp.Connected);
}

// The time-out reaches the component through Abort; here the abort comes at
// the start of the wait for the greeting, so the test needs no clock.
TEST_F(SmtpDialogueTest, SilentServerIsLeftWithoutQuitWhenTheWaitIsAborted) {
  Start({ScriptedServer::kSilence});
  smtp.ReportLevel = 8;
  smtp.OnStatus = [&](TComponent*, const std::string& status) {
    if (status == "ReadLn") smtp.Abort();
  };
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.Connect(); }), "Socket readln aborted");
  EXPECT_FALSE(smtp.Connected);
  EXPECT_FALSE(smtp.busy);
  EXPECT_EQ(server->Transcript(), "");
}

TEST_F(SmtpDialogueTest, LineBreaksCannotInjectCommands) {
  Start(Accepting());
  smtp.UserID = "me\r\nQUIT";
  smtp.PostMessage.FromAddress = "a@example.com>\r\nRCPT TO:<evil@example.com";
  smtp.PostMessage.ToAddress.Clear();
  smtp.PostMessage.ToAddress.Add("b@example.com\nDATA");
  smtp.Connect();
  smtp.SendMail();
  smtp.Disconnect();
  std::string transcript = server->Transcript();
  EXPECT_EQ(transcript.substr(0, transcript.find("DATA\r\n")),
            "HELO me QUIT\r\nRSET\r\nMAIL FROM:<a@example.com> RCPT TO:<evil@example.com>\r\n"
            "RCPT TO:<b@example.com DATA>\r\n");
}

TEST_F(SmtpDialogueTest, SendMailWhileBusyReturnsWithoutSending) {
  Start(Accepting());
  int nestedStarts = 0;
  smtp.OnSendStart = [&](TObject*) {
    ++nestedStarts;
    smtp.SendMail();
  };
  smtp.Connect();
  smtp.SendMail();
  smtp.Disconnect();
  EXPECT_EQ(nestedStarts, 1);
  std::string transcript = server->Transcript();
  EXPECT_EQ(transcript.find("RSET"), transcript.rfind("RSET"));
}

TEST_F(SmtpDialogueTest, IncompleteHeaderAsksTheHandlerWithItsKind) {
  Start(Accepting());
  smtp.Connect();
  std::vector<int> kinds;
  smtp.OnHeaderIncomplete = [&](bool&, int hiType) { kinds.push_back(hiType); };
  smtp.PostMessage.ToAddress.Clear();
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.SendMail(); }), "Incomplete Header");
  smtp.PostMessage.FromAddress = "";
  smtp.PostMessage.ToAddress.Add("b@example.com");
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.SendMail(); }), "Incomplete Header");
  smtp.PostMessage.FromAddress = "a@example.com";
  smtp.PostMessage.ToAddress.SetString(0, "Bob <>");  // names nobody to send to
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.SendMail(); }), "Incomplete Header");
  EXPECT_EQ(kinds, (std::vector<int>{2, 1, 2}));
  smtp.Disconnect();
  EXPECT_EQ(server->Transcript(), "HELO me\r\nQUIT\r\n");
}

TEST_F(SmtpDialogueTest, HandlerThatCompletesTheEnvelopeLetsTheSendGoOn) {
  Start(Accepting());
  smtp.PostMessage.ToAddress.Clear();
  smtp.OnHeaderIncomplete = [&](bool& handled, int) {
    smtp.PostMessage.ToBlindCarbonCopy.Add("late@example.com");
    handled = true;
  };
  smtp.Connect();
  smtp.SendMail();
  smtp.Disconnect();
  EXPECT_NE(server->Transcript().find("RCPT TO:<late@example.com>\r\n"), std::string::npos);
}

TEST_F(SmtpDialogueTest, SendMailWithoutConnectionRaisesNotConnected) {
  smtp.PostMessage.FromAddress = "a@example.com";
  smtp.PostMessage.ToAddress.Add("b@example.com");
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.SendMail(); }), "Not Connected");
}

// Where a reply starts to count as a refusal: the step, the script with the
// reply at index, and the highest number still accepted there.
struct ThresholdCase {
  const char* step;
  size_t index;
  int highestAccepted;
};

class SmtpThresholdTest : public SmtpDialogueTest, public ::testing::WithParamInterface<ThresholdCase> {
 protected:
  // Runs the whole session with reply number at the step; "" when it passed.
  std::string RunWith(int number) {
    Start(Replacing(Accepting(), GetParam().index, std::to_string(number) + " reply"));
    try {
      smtp.Connect();
      smtp.SendMail();
      smtp.Disconnect();
    } catch (const Exception& e) {
      smtp.CloseAfterFailure(TZnSMTP::Link::Dead);
      return e.Message;
    }
    return "";
  }
};

TEST_P(SmtpThresholdTest, RefusesFromTheNumberAboveTheHighestAccepted) {
  const int highest = GetParam().highestAccepted;
  EXPECT_EQ(RunWith(highest), "") << GetParam().step;
  EXPECT_EQ(RunWith(highest + 1), std::to_string(highest + 1) + " reply\r\n") << GetParam().step;
}

INSTANTIATE_TEST_SUITE_P(Steps, SmtpThresholdTest,
                         ::testing::Values(ThresholdCase{"greeting", 0, 399}, ThresholdCase{"RSET", 2, 399},
                                           ThresholdCase{"MAIL", 3, 399}, ThresholdCase{"DATA", 5, 399},
                                           ThresholdCase{"final dot", 6, 399}, ThresholdCase{"QUIT", 7, 339}));

TEST_F(SmtpDialogueTest, FirstFailureWinsOverAFailingQuit) {
  Start({"554 go away", "500 and no QUIT either"});
  EXPECT_EQ(RaisedMessage<Exception>([&] { smtp.Connect(); }), "554 go away\r\n");
  EXPECT_EQ(server->Transcript(), "QUIT\r\n");
}

// The bounds of RFC 5321 section 4.5.3.2: a server that stops answering at
// any step ends the send once its step's time has passed, with a dropped
// connection.
TEST_F(SmtpDialogueTest, EachSilentStepEndsWithItsTimeOut) {
  constexpr int kMinute = 60 * 1000;
  // The step that gets no reply (its index in the script) and its bound.
  for (const auto& [silentAt, bound] : std::vector<std::pair<size_t, int>>{
           {0, 5 * kMinute}, {1, 5 * kMinute}, {3, 5 * kMinute}, {4, 5 * kMinute}, {5, 2 * kMinute}, {6, 10 * kMinute}}) {
    std::vector<std::string> script = Accepting();
    script.resize(silentAt);
    script.push_back(ScriptedServer::kSilence);
    Start(script);
    TimeOutClock clock(smtp);
    clock.PassAtStatus("ReadLn", static_cast<int>(silentAt) + 1, bound);
    EXPECT_EQ(RaisedMessage<ESockError>([&] {
                smtp.Connect();
                smtp.SendMail();
              }),
              "Reply Timed out")
        << silentAt;
    EXPECT_FALSE(smtp.Connected);
    EXPECT_FALSE(smtp.Timer->Enabled());
    smtp.CloseAfterFailure(TZnSMTP::Link::Dead);  // so that a failed row leaves the next one alone
  }
}

// Each block of the message has its own bound, counted from the last
// progress: a long message the server takes steadily is never cut.
TEST_F(SmtpDialogueTest, MessageTakenSteadilyOutlastsTheBlockTimeOut) {
  Start(Accepting());
  for (int i = 0; i < 300; ++i) smtp.PostMessage.Body.Add(std::string(990, 'x'));  // some 20 blocks
  TimeOutClock clock(smtp);
  smtp.OnPacketSent = [&](TObject*) { clock.Pass(60 * 1000); };  // a minute between blocks
  smtp.Connect();
  smtp.SendMail();
  smtp.Disconnect();
  EXPECT_FALSE(clock.RanOut());
  EXPECT_EQ(server->Message().size(), kHeaderBlock.size() + std::string("line\r\n").size() + 300 * 992);
}

// A server that stops reading in the middle of the message: the block that
// is not taken in time ends the send.
TEST(SmtpBlockTimeOutTest, MessageTheServerStopsTakingEndsWithTheSendTimeOut) {
  std::atomic<bool> released{false};
  PsockServer server([&](PsockServer::Peer& peer) {
    peer.Send("220 ready\r\n");
    for (const char* reply : {"250 hello\r\n", "250 reset\r\n", "250 sender\r\n", "250 rcpt\r\n", "354 go\r\n"}) {
      peer.ReadLine();
      peer.Send(reply);
    }
    while (!released) usleep(5000);
    peer.ReadUntilClosed();
  });
  TZnSMTP smtp(nullptr);
  smtp.Host = "127.0.0.1";
  smtp.Port = server.Port();
  smtp.UserID = "me";
  smtp.PostMessage.FromAddress = "a@example.com";
  smtp.PostMessage.ToAddress.Add("b@example.com");
  const std::string line(990, 'x');
  for (int i = 0; i < 32 * 1024; ++i) smtp.PostMessage.Body.Add(line);  // 32 MB, more than any socket buffer
  smtp.ReplyTimeOuts.Block = 100;
  smtp.Connect();
  EXPECT_EQ(RaisedMessage<ESockError>([&] { smtp.SendMail(); }), "Send Timed out");
  EXPECT_FALSE(smtp.Connected);
  released = true;
}

TEST_F(SmtpDialogueTest, AnAnsweredSessionLeavesNoTimerRunning) {
  Start(Accepting());
  smtp.Connect();
  smtp.SendMail();
  EXPECT_FALSE(smtp.Timer->Enabled());
  smtp.Disconnect();
}

class RealServerTest : public SandboxTest {};

TEST_F(RealServerTest, DeliversAMessageWithBothAttachmentKinds) {
  SmtpSink sink(Root());
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>((i * 7919) >> 3);
  std::string path = platform::ProgramPath(Root()) + "\\attached.bin";
  auto file = platform::OpenFile(path, "wb");
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->Write(bytes));
  ASSERT_TRUE(file->Close());

  TZnSMTP smtp(nullptr);
  smtp.Host = "127.0.0.1";
  smtp.Port = sink.Port();
  smtp.UserID = "me";
  smtp.Connect();
  smtp.PostMessage.FromName = "(\x1b$B%F%9%H\x1b(B) ";
  smtp.PostMessage.FromAddress = "a@example.com";
  smtp.PostMessage.Subject = "\x1b$B%F%9%H\x1b(B";
  smtp.PostMessage.LocalProgram = "Quillet-Mailer";
  for (const char* line : {"first", ".", ".hidden", ""}) smtp.PostMessage.Body.Add(line);
  for (UUMethods method : {uuMime, uuCode}) {
    smtp.EncodeType = method;
    smtp.PostMessage.ToAddress.Add("Bob <b@example.com>");
    smtp.PostMessage.ToBlindCarbonCopy.Add("c@example.com");
    smtp.PostMessage.Attachments.Add(path);
    smtp.SendMail();
  }
  smtp.Disconnect();

  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(sink.Envelope(n),
              (std::vector<std::string>{"a@example.com", "b@example.com", "c@example.com"}));
    ParsedMail mail = ParseMail(sink.Received(n));
    EXPECT_EQ(mail.Header("From"), "(テスト) <a@example.com>");
    EXPECT_EQ(mail.Header("To"), "Bob <b@example.com>");
    EXPECT_EQ(mail.Header("Subject"), "テスト");
    EXPECT_EQ(mail.Header("X-Mailer"), "Quillet-Mailer");
    EXPECT_EQ(mail.Header("Bcc"), "<absent>");
    ASSERT_EQ(mail.parts.size(), 2u);
    EXPECT_EQ(mail.parts[0].payload, "first\r\n.\r\n.hidden\r\n");
    EXPECT_EQ(mail.parts[1].fileName, "attached.bin");
    EXPECT_EQ(mail.parts[1].payload, bytes);
  }
}

}  // namespace
