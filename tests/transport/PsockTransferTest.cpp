// TPowersock's data transfer against a scripted loopback server: lines,
// replies, writes, stream sends, cancel, dead connections, and NthField.

#include "transport/Psock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>

#include "tests/support/RaisedMessage.h"
#include "tests/transport/PsockServer.h"

namespace {

class PsockTransferTest : public ::testing::Test {
 protected:
  std::unique_ptr<TPowersock> ConnectTo(PsockServer& server) {
    auto sock = std::make_unique<TPowersock>(nullptr);
    sock->Host = "127.0.0.1";
    sock->Port = server.Port();
    sock->Connect();
    return sock;
  }

  std::string ReadLine(TPowersock& sock) {
    std::string line;
    sock.ReadLn(line);
    return line;
  }
};

TEST_F(PsockTransferTest, LineSplitAcrossChunksIsReturnedWhenItsLineFeedArrives) {
  std::promise<void> firstPartArrived;
  PsockServer server([&](PsockServer::Peer& peer) {
    peer.Send("220 first ");
    firstPartArrived.get_future().wait();
    peer.Send("half\r\n");
  });
  auto sock = ConnectTo(server);
  int chunks = 0;
  sock->OnDataAvailable = [&](TObject*) {
    if (++chunks == 1) firstPartArrived.set_value();
  };
  EXPECT_EQ(ReadLine(*sock), "220 first half\r\n");
  EXPECT_EQ(chunks, 2);
}

TEST_F(PsockTransferTest, TwoLinesInOneChunkAreReadOneAfterTheOther) {
  PsockServer server([](PsockServer::Peer& peer) { peer.Send("one\r\ntwo\n"); });
  auto sock = ConnectTo(server);
  EXPECT_EQ(ReadLine(*sock), "one\r\n");
  EXPECT_EQ(std::string(sock->InStream->Memory(), sock->InStream->Size()), "two\n");
  EXPECT_EQ(sock->InStream->Position(), sock->InStream->Size());
  EXPECT_EQ(ReadLine(*sock), "two\n");
  EXPECT_EQ(sock->InStream->Size(), 0);
}

TEST_F(PsockTransferTest, LineThatArrivedBeforeTheCloseIsReturnedFirst) {
  PsockServer server([](PsockServer::Peer& peer) {
    peer.Send("221 bye\r\n");
    peer.Close();
  });
  auto sock = ConnectTo(server);
  ASSERT_TRUE(PumpUntil([&] { return !sock->Connected; }));
  EXPECT_EQ(ReadLine(*sock), "221 bye\r\n");
  EXPECT_EQ(RaisedMessage<EAbortError>([&] { ReadLine(*sock); }), "Socket readln aborted");
}

TEST_F(PsockTransferTest, ReadLnWaitEndsWhenThePeerClosesWithoutALine) {
  PsockServer server([](PsockServer::Peer& peer) {
    peer.Send("partial");
    peer.Close();
  });
  auto sock = ConnectTo(server);
  EXPECT_EQ(RaisedMessage<EAbortError>([&] { ReadLine(*sock); }), "Socket readln aborted");
  EXPECT_FALSE(sock->Canceled);
}

TEST_F(PsockTransferTest, WriteOnADeadConnectionRaises) {
  PsockServer server([](PsockServer::Peer& peer) { peer.Close(); });
  auto sock = ConnectTo(server);
  ASSERT_TRUE(PumpUntil([&] { return !sock->Connected; }));
  EXPECT_EQ(RaisedMessage<EAbortError>([&] { sock->Writeln("QUIT"); }), "Socket send aborted");
  TMemoryStream body;
  body.Write("x", 1);
  EXPECT_EQ(RaisedMessage<EAbortError>([&] { sock->SendStream(body); }), "Socket send aborted");
  EXPECT_FALSE(sock->Streaming);
}

TEST_F(PsockTransferTest, WriteOnAResetConnectionRaises) {
  PsockServer server([](PsockServer::Peer& peer) {
    peer.ReadLine();
    peer.Reset();
  });
  auto sock = ConnectTo(server);
  sock->Writeln("first");
  ASSERT_TRUE(PumpUntil([&] { return sock->ConnectionLost; }));
  EXPECT_EQ(RaisedMessage<EAbortError>([&] { sock->Writeln("second"); }), "Socket send aborted");
}

TEST_F(PsockTransferTest, LineLongerThan64KiBRaises) {
  PsockServer server([](PsockServer::Peer& peer) { peer.Send(std::string(kMaxLineLength + 10, 'x')); });
  auto sock = ConnectTo(server);
  EXPECT_EQ((RaisedMessageNotAs<ESockError, EAbortError>([&] { ReadLine(*sock); })), "Line too long");
}

TEST_F(PsockTransferTest, LineOfExactly64KiBIsRead) {
  const std::string line = std::string(kMaxLineLength - 1, 'x') + "\n";
  PsockServer server([&](PsockServer::Peer& peer) { peer.Send(line + "next\n"); });
  auto sock = ConnectTo(server);
  EXPECT_EQ(ReadLine(*sock), line);
}

TEST_F(PsockTransferTest, WriteStringSendsLongTextWholeUpToItsFirstNul) {
  const std::string text(20000, 'h');
  PsockServer server([&](PsockServer::Peer& peer) {
    peer.ReadBytes(text.size());
    peer.Send("done\n");
  });
  auto sock = ConnectTo(server);
  sock->WriteString(text + std::string(1, '\0') + "after the terminator");
  ReadLine(*sock);
  EXPECT_EQ(server.Received(), text);
}

TEST_F(PsockTransferTest, WriteOfNothingReturnsAtOnce) {
  TPowersock sock(nullptr);
  sock.Write("", 0);
  sock.WriteString("");
  TMemoryStream empty;
  sock.SendStream(empty);
  EXPECT_EQ(sock.BytesToSend, 0);
}

TEST_F(PsockTransferTest, WriteWithAnExplicitLengthSendsEmbeddedNuls) {
  const std::string bytes("a\0b\n", 4);
  PsockServer server([](PsockServer::Peer& peer) {
    peer.ReadLine();
    peer.Send("ok\n");
  });
  auto sock = ConnectTo(server);
  sock->Write(bytes.data(), 4);
  ReadLine(*sock);
  EXPECT_EQ(server.Received(), bytes);
}

TEST_F(PsockTransferTest, LargeStreamIsSentWholeAndInOrderThroughPartialSends) {
  std::string body(8 * 1024 * 1024, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + (i * 7919) % 26);
  PsockServer server([&](PsockServer::Peer& peer) {
    peer.ReadBytes(body.size());
    peer.Send("250 stored\r\n");
  });
  auto sock = ConnectTo(server);
  TMemoryStream stream;
  stream.Write(body.data(), static_cast<int64_t>(body.size()));
  int packets = 0;
  sock->OnPacketSent = [&](TObject*) { ++packets; };
  sock->SendStream(stream);
  EXPECT_EQ(ReadLine(*sock), "250 stored\r\n");
  EXPECT_TRUE(server.Received() == body);
  EXPECT_EQ(sock->BytesSent, static_cast<int32_t>(body.size()));
  EXPECT_EQ(sock->BytesToSend, static_cast<int32_t>(body.size()));
  EXPECT_GE(packets, static_cast<int>(body.size() / ChunkSize));
  EXPECT_FALSE(sock->Streaming);
}

// A memory stream that counts every byte written into it.
class CountingStream : public TMemoryStream {
 public:
  explicit CountingStream(std::int64_t& written) : m_written(written) {}
  int64_t Write(const void* buffer, int64_t count) override {
    m_written += count;
    return TMemoryStream::Write(buffer, count);
  }

 private:
  std::int64_t& m_written;
};

// Every chunk the socket takes leaves a rest queued; moving that rest after
// each chunk would copy the queue over and over.
TEST_F(PsockTransferTest, QueuedBytesAreMovedALinearNumberOfTimes) {
  const std::string body(8 * 1024 * 1024, 'q');
  PsockServer server([&](PsockServer::Peer& peer) {
    peer.ReadBytes(body.size());
    peer.Send("250 stored\r\n");
  });
  auto sock = ConnectTo(server);
  std::int64_t written = 0;
  sock->OutStream = std::make_unique<CountingStream>(written);
  sock->SpareOutStream = std::make_unique<CountingStream>(written);
  TMemoryStream stream;
  stream.Write(body.data(), static_cast<int64_t>(body.size()));
  sock->SendStream(stream);
  EXPECT_EQ(ReadLine(*sock), "250 stored\r\n");
  EXPECT_GE(written, static_cast<std::int64_t>(body.size()));
  EXPECT_LE(written, 3 * static_cast<std::int64_t>(body.size()));
}

class PsockCancelTest : public PsockTransferTest {};

TEST_F(PsockCancelTest, CancelDuringReadLnRaisesAndLaterWritesSendNothing) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = ConnectTo(server);
  RunSoon([&] { sock->Cancel(); });
  EXPECT_EQ(RaisedMessage<EAbortError>([&] { ReadLine(*sock); }), "Socket readln aborted");
  EXPECT_TRUE(sock->Canceled);
  sock->Writeln("not sent");
  EXPECT_TRUE(sock->Canceled);
  EXPECT_EQ(sock->OutStream->Size(), 0);
}

TEST_F(PsockCancelTest, CanceledReadLnTakesNothingFromTheStream) {
  PsockServer server([](PsockServer::Peer& peer) { peer.Send("ready\n"); });
  auto sock = ConnectTo(server);
  ASSERT_TRUE(PumpUntil([&] { return sock->InStream->Size() == 6; }));
  sock->Cancel();
  EXPECT_EQ(RaisedMessage<EAbortError>([&] { ReadLine(*sock); }), "Socket readln aborted");
  EXPECT_EQ(sock->InStream->Size(), 6);
}

TEST_F(PsockCancelTest, CancelDuringSendStreamRaisesAndClearsTheFlag) {
  std::promise<void> release;
  PsockServer server([&](PsockServer::Peer&) { release.get_future().wait(); });
  auto sock = ConnectTo(server);
  TMemoryStream stream;
  stream.SetSize(4 * 1024 * 1024);
  RunSoon([&] { sock->Cancel(); });
  EXPECT_EQ(RaisedMessage<EAbortError>([&] { sock->SendStream(stream); }), "Socket send aborted");
  EXPECT_FALSE(sock->Canceled);
  EXPECT_LT(sock->BytesSent, sock->BytesToSend);
  release.set_value();
}

TEST_F(PsockCancelTest, ReadPumpRunsTheCancelHandler) {
  PsockServer server([](PsockServer::Peer& peer) { peer.Send("late line\n"); });
  auto sock = ConnectTo(server);
  int cancelHandled = 0;
  sock->OnReadCanceled = [&](TObject*) { ++cancelHandled; };
  sock->Cancel();
  ASSERT_TRUE(PumpUntil([&] { return cancelHandled > 0; }));
  EXPECT_EQ(cancelHandled, 1);
}

class PsockTransactionTest : public PsockTransferTest,
                             public ::testing::WithParamInterface<std::pair<std::string, int>> {};

TEST_P(PsockTransactionTest, TakesReplyNumberFromTheLeadingDigits) {
  const auto& [reply, number] = GetParam();
  PsockServer server([&](PsockServer::Peer& peer) {
    peer.ReadLine();
    peer.Send(reply);
  });
  auto sock = ConnectTo(server);
  std::vector<std::string> levelOne;
  sock->ReportLevel = 1;
  sock->OnStatus = [&](TComponent*, const std::string& status) { levelOne.push_back(status); };
  std::string got;
  EXPECT_EQ(sock->Transaction("HELO marrowkit", got), reply);
  EXPECT_EQ(got, reply);
  EXPECT_EQ(sock->LastReply, reply);
  EXPECT_EQ(sock->ReplyNumber, number);
  EXPECT_EQ(levelOne, std::vector<std::string>{reply});
  EXPECT_EQ(server.Received(), "HELO marrowkit\r\n");
}

INSTANTIATE_TEST_SUITE_P(Replies, PsockTransactionTest,
                         ::testing::Values(std::pair<std::string, int>{"250 OK\r\n", 250},
                                           std::pair<std::string, int>{"OK 250\r\n", 0},
                                           std::pair<std::string, int>{"\r\n", 0},
                                           std::pair<std::string, int>{"354-more\n", 354},
                                           std::pair<std::string, int>{"32767\r\n", 32767},
                                           std::pair<std::string, int>{"0000000000250\r\n", 0}));

TEST_F(PsockTransferTest, ReplyNumberBeyondSixteenBitsRaisesRangeError) {
  PsockServer server([](PsockServer::Peer& peer) {
    peer.ReadLine();
    peer.Send("32768 too big\r\n");
  });
  auto sock = ConnectTo(server);
  std::string reply;
  EXPECT_THROW(sock->Transaction("NOOP", reply), ERangeError);
}

struct FieldCase {
  std::string text;
  char delimiter;
  int index;
  std::string field;
};

class NthFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(NthFieldTest, CutsTheField) {
  const FieldCase& c = GetParam();
  EXPECT_EQ(NthField(c.text, c.delimiter, c.index), c.field);
}

INSTANTIATE_TEST_SUITE_P(Fields, NthFieldTest,
                         ::testing::Values(FieldCase{"Taro <taro@example.jp>", '<', 2, "taro@example.jp>"},
                                           FieldCase{"taro@example.jp>", '>', 1, "taro@example.jp"},
                                           FieldCase{"a:b:c", ':', 2, "b"},
                                           FieldCase{"a:b:c", ':', 3, "c"},
                                           FieldCase{"a:", ':', 2, ""},
                                           FieldCase{"a::c", ':', 2, ""},
                                           FieldCase{"a:b", ':', 5, ""},
                                           FieldCase{"a:b", ':', 0, ""},
                                           FieldCase{"", ':', 1, ""},
                                           FieldCase{"whole", ':', 1, "whole"}));

}  // namespace
