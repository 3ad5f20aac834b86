// TPowersock's connection: host look-up, connect, time-out, cancel, close,
// destruction, status reports and the socket window's messages.

#include "transport/Psock.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/RaisedMessage.h"
#include "tests/transport/PsockServer.h"

namespace {

std::string AddressText(const sockaddr_in& address) { return inet_ntoa(address.sin_addr); }

class PsockConnectTest : public ::testing::Test {
 protected:
  std::unique_ptr<TPowersock> MakeSock(const std::string& host, int port) {
    auto sock = std::make_unique<TPowersock>(nullptr);
    sock->Host = host;
    sock->Port = port;
    return sock;
  }
};

TEST_F(PsockConnectTest, ConnectsToDottedAddressWithoutLookUp) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("127.0.0.1", server.Port());
  int connects = 0, resolved = 0;
  sock->OnConnect = [&](TObject*) { ++connects; };
  sock->OnHostResolved = [&](TComponent*) { ++resolved; };
  sock->Connect();
  EXPECT_TRUE(sock->Connected);
  EXPECT_EQ(connects, 1);
  EXPECT_EQ(resolved, 0);
}

TEST_F(PsockConnectTest, ResolvesHostNameThenConnects) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("localhost", server.Port());
  int resolved = 0;
  sock->OnHostResolved = [&](TComponent* sender) {
    EXPECT_EQ(sender, sock.get());
    ++resolved;
  };
  sock->Connect();
  EXPECT_TRUE(sock->Connected);
  EXPECT_EQ(resolved, 1);
  EXPECT_EQ(AddressText(sock->RemoteAddress), "127.0.0.1");
}

TEST_F(PsockConnectTest, ConnectWhileConnectedRaisesAndKeepsConnection) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("127.0.0.1", server.Port());
  sock->Connect();
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Already connected");
  EXPECT_TRUE(sock->Connected);
}

TEST_F(PsockConnectTest, RefusedConnectFiresConnectionFailedThenRaises) {
  auto sock = MakeSock("127.0.0.1", RefusedPort());
  int failures = 0;
  sock->OnConnectionFailed = [&](TObject*) { ++failures; };
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Connection Failed");
  EXPECT_EQ(failures, 1);
  EXPECT_FALSE(sock->Connected);
  EXPECT_FALSE(sock->NoError);
}

TEST_F(PsockConnectTest, ConnectAfterRefusalSucceedsOnTheSameComponent) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("127.0.0.1", RefusedPort());
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Connection Failed");
  sock->Port = server.Port();
  sock->Disconnect();
  sock->Connect();
  EXPECT_TRUE(sock->Connected);
}

TEST_F(PsockConnectTest, TimeOutEndsUnansweredConnect) {
  UnansweredPort silent;
  auto sock = MakeSock("127.0.0.1", silent.Port());
  sock->TimeOut = 100;
  int failures = 0;
  sock->OnConnectionFailed = [&](TObject*) { ++failures; };
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Connection Timed out");
  EXPECT_TRUE(sock->TimedOut);
  EXPECT_EQ(failures, 1);
}

TEST_F(PsockConnectTest, CancelEndsUnansweredConnect) {
  UnansweredPort silent;
  auto sock = MakeSock("127.0.0.1", silent.Port());
  RunSoon([&] { sock->Cancel(); });
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Connection Canceled");
  EXPECT_TRUE(sock->Canceled);
}

TEST_F(PsockConnectTest, NegativeTimeOutRaisesRangeError) {
  UnansweredPort silent;
  auto sock = MakeSock("127.0.0.1", silent.Port());
  sock->TimeOut = -1;
  EXPECT_THROW(sock->Connect(), ERangeError);
}

TEST_F(PsockConnectTest, DisconnectFiresOnDisconnectAndLeavesAFreshSocket) {
  PsockServer first([](PsockServer::Peer&) {});
  PsockServer second([](PsockServer::Peer&) {});
  auto sock = MakeSock("127.0.0.1", first.Port());
  int disconnects = 0;
  sock->OnDisconnect = [&](TObject*) { ++disconnects; };
  sock->Connect();
  sock->Disconnect();
  EXPECT_FALSE(sock->Connected);
  EXPECT_EQ(disconnects, 1);
  EXPECT_NE(sock->SocketHandle, 0xFFFF);
  sock->Port = second.Port();
  sock->Connect();
  EXPECT_TRUE(sock->Connected);
}

TEST_F(PsockConnectTest, PeerCloseDisconnectsAndMarksConnectionLost) {
  PsockServer server([](PsockServer::Peer& peer) { peer.Close(); });
  auto sock = MakeSock("127.0.0.1", server.Port());
  int disconnects = 0;
  sock->OnDisconnect = [&](TObject*) { ++disconnects; };
  sock->Connect();
  ASSERT_TRUE(PumpUntil([&] { return !sock->Connected; }));
  EXPECT_EQ(disconnects, 1);
  EXPECT_TRUE(sock->ConnectionLost);
  EXPECT_FALSE(sock->Canceled);
}

TEST_F(PsockConnectTest, PeerResetDisconnectsToo) {
  PsockServer server([](PsockServer::Peer& peer) {
    peer.ReadLine();
    peer.Reset();
  });
  auto sock = MakeSock("127.0.0.1", server.Port());
  sock->Connect();
  sock->Writeln("reset me");
  ASSERT_TRUE(PumpUntil([&] { return !sock->Connected; }));
  EXPECT_TRUE(sock->ConnectionLost);
}

TEST_F(PsockConnectTest, DestroyingConnectedComponentFiresNoDisconnectAndCleansUp) {
  PsockServer server([](PsockServer::Peer&) {});
  int disconnects = 0;
  {
    auto sock = MakeSock("127.0.0.1", server.Port());
    sock->OnDisconnect = [&](TObject*) { ++disconnects; };
    sock->Connect();
    EXPECT_EQ(SocketInstanceCount, 1);
  }
  EXPECT_EQ(disconnects, 0);
  EXPECT_EQ(SocketInstanceCount, 0);
}

TEST_F(PsockConnectTest, FirstInstanceDescribesWinsock) {
  auto first = MakeSock("", 0);
  auto second = MakeSock("", 0);
  ASSERT_EQ(first->WinsockInfo.size(), 6u);
  EXPECT_EQ(first->WinsockInfo[0], "Version= 1.1");
  EXPECT_EQ(first->WinsockInfo[1].rfind("High Version= ", 0), 0u);
  EXPECT_EQ(first->WinsockInfo[5].rfind("Max Udp pack size= ", 0), 0u);
  EXPECT_TRUE(second->WinsockInfo.empty());
  EXPECT_EQ(SocketInstanceCount, 2);
}

class PsockInvalidHostTest : public PsockConnectTest {};

TEST_F(PsockInvalidHostTest, FailedLookUpWithoutHandlerGivesNullRemoteAddress) {
  auto sock = MakeSock("no-such-host.invalid", 25);
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Null Remote Address");
}

// An unknown name and the address 0.0.0.0 alike: a handler that claims to
// have fixed the host gets one more look-up, and is not asked again.
TEST_F(PsockInvalidHostTest, HandlerIsAskedOnceAndSecondLookUpFails) {
  for (const char* host : {"no-such-host.invalid", "0.0.0.0"}) {
    auto sock = MakeSock(host, 25);
    int asked = 0;
    sock->OnInvalidHost = [&](bool& handled) {
      ++asked;
      handled = true;
    };
    EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Null Remote Address") << host;
    EXPECT_EQ(asked, 1) << host;
  }
}

TEST_F(PsockInvalidHostTest, HandlerThatFixesTheHostConnects) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("no-such-host.invalid", server.Port());
  sock->OnInvalidHost = [&](bool& handled) {
    sock->Host = "127.0.0.1";
    handled = true;
  };
  sock->Connect();
  EXPECT_TRUE(sock->Connected);
}

TEST_F(PsockInvalidHostTest, HostNameOver127CharactersTakesTheInvalidHostPath) {
  auto sock = MakeSock(std::string(128, 'a'), 25);
  int asked = 0;
  sock->OnInvalidHost = [&](bool& handled) { ++asked; };
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Null Remote Address");
  EXPECT_EQ(asked, 1);
}

TEST_F(PsockInvalidHostTest, FailedLookUpClearsThePreviousAddress) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("127.0.0.1", server.Port());
  sock->Connect();
  sock->Disconnect();
  sock->Host = "no-such-host.invalid";
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Null Remote Address");
  EXPECT_EQ(sock->RemoteAddress.sin_addr.s_addr, 0u);
  EXPECT_FALSE(sock->Connected);
}

TEST_F(PsockInvalidHostTest, CanceledLookUpIsPassedOnWithoutAskingTheHandler) {
  auto sock = MakeSock("localhost", 25);
  int asked = 0;
  sock->OnInvalidHost = [&](bool&) { ++asked; };
  RunSoon([&] { sock->Cancel(); });
  EXPECT_EQ(RaisedMessage<ESockError>([&] { sock->Connect(); }), "Host Lookup Canceled");
  EXPECT_EQ(asked, 0);
}

class PsockMessageTest : public PsockConnectTest {};

TEST_F(PsockMessageTest, ConnectNotificationWithErrorChangesNothing) {
  auto sock = MakeSock("", 0);
  int connects = 0;
  sock->OnConnect = [&](TObject*) { ++connects; };
  PostMessage(sock->SocketWindow, WM_SOCKETEVENT, sock->SocketHandle,
              WSAMAKESELECTREPLY(FD_CONNECT, WSAECONNREFUSED));
  ProcessMessages();
  EXPECT_FALSE(sock->Connected);
  EXPECT_FALSE(sock->NoError);
  EXPECT_EQ(connects, 0);
}

TEST_F(PsockMessageTest, LookUpCompletionNeverChangesTheConnectionState) {
  auto sock = MakeSock("", 0);
  int disconnects = 0;
  sock->OnDisconnect = [&](TObject*) { ++disconnects; };
  PostMessage(sock->SocketWindow, WM_HOSTLOOKUPDONE, 0, WSAMAKEASYNCREPLY(8, 0));
  ProcessMessages();
  EXPECT_FALSE(sock->Connected);
  EXPECT_EQ(disconnects, 0);
}

TEST_F(PsockMessageTest, ExceptionFromAHandlerInsideASocketMessageIsDiscarded) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("127.0.0.1", server.Port());
  sock->OnConnect = [](TObject*) { throw Exception("handler failed"); };
  sock->Connect();
  EXPECT_TRUE(sock->Connected);
}

// A component made after another one's destruction may get its window's
// handle back: what was posted to the old one must not reach it.
TEST_F(PsockMessageTest, MessageForADestroyedComponentIsDropped) {
  auto sock = MakeSock("", 0);
  HWND window = sock->SocketWindow;
  const std::uint16_t handle = sock->SocketHandle;
  PostMessage(window, WM_SOCKETEVENT, handle, WSAMAKESELECTREPLY(FD_CONNECT, 0));
  PostMessage(window, WM_SOCKETREAD, 0, reinterpret_cast<LPARAM>(sock.get()));
  sock.reset();
  auto next = MakeSock("", 0);
  int connects = 0;
  next->OnConnect = [&](TObject*) { ++connects; };
  ProcessMessages();
  EXPECT_FALSE(IsWindow(window) && window != next->SocketWindow);
  EXPECT_FALSE(next->Connected);
  EXPECT_EQ(connects, 0);
}

// A completion that answers no look-up of ours (a stale or forged one) is
// passed over; the look-up waited for still decides.
TEST_F(PsockMessageTest, OnlyTheLookUpCompletionOfThePendingTaskCounts) {
  auto sock = MakeSock("localhost", 0);
  sock->ReportLevel = 8;
  sock->OnStatus = [&](TComponent*, const std::string& status) {
    if (status == "Timer On")
      PostMessage(sock->SocketWindow, WM_HOSTLOOKUPDONE, 0x7777, WSAMAKEASYNCREPLY(0, WSAHOST_NOT_FOUND));
  };
  sock->ResolveHost();
  EXPECT_EQ(AddressText(sock->RemoteAddress), "127.0.0.1");
  EXPECT_TRUE(sock->NoError);
}

TEST_F(PsockMessageTest, DestructionReportsNothingToTheStatusHandler) {
  std::vector<std::string> statuses;
  {
    auto sock = MakeSock("", 0);
    sock->ReportLevel = 16;
    sock->OnStatus = [&](TComponent*, const std::string& status) { statuses.push_back(status); };
  }
  EXPECT_TRUE(statuses.empty());  // "Destroy" comes while the component is destroying
}

class PsockRequireConnectionTest : public PsockConnectTest {};

TEST_F(PsockRequireConnectionTest, WithoutHandlerRaisesNotConnected) {
  auto sock = MakeSock("", 0);
  EXPECT_EQ((RaisedMessageNotAs<Exception, ESockError>([&] { sock->RequireConnection(); })),
            "Not Connected");
}

TEST_F(PsockRequireConnectionTest, HandlerIsAskedOnceAndMayConnect) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("127.0.0.1", server.Port());
  int asked = 0;
  sock->OnConnectionRequired = [&](bool& handled) {
    ++asked;
    sock->Connect();
    handled = true;
  };
  sock->RequireConnection();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(sock->Connected);
}

TEST_F(PsockRequireConnectionTest, HandlerThatDoesNotConnectIsNotAskedTwice) {
  auto sock = MakeSock("", 0);
  int asked = 0;
  sock->OnConnectionRequired = [&](bool& handled) {
    ++asked;
    handled = true;
  };
  EXPECT_THROW(sock->RequireConnection(), Exception);
  EXPECT_EQ(asked, 1);
}

class PsockStatusTest : public PsockConnectTest {};

TEST_F(PsockStatusTest, ConnectReportsItsStepsInOrder) {
  PsockServer server([](PsockServer::Peer&) {});
  auto sock = MakeSock("localhost", server.Port());
  std::vector<std::string> statuses;
  sock->OnStatus = [&](TComponent*, const std::string& status) { statuses.push_back(status); };
  sock->ReportLevel = 8;
  sock->Connect();
  // The write pump runs once for the FD_WRITE that follows the connect.
  const std::vector<std::string> expected{"Connecting", "Resolve Host", "Timer On", "Timer Off",
                                          "Timer On", "WriteFromStream", "Timer Off"};
  EXPECT_EQ(statuses, expected);
}

// The status texts one whole session reports with OnStatus at a report level.
std::set<std::string> SessionStatuses(int reportLevel) {
  PsockServer server([](PsockServer::Peer& peer) {
    peer.ReadLine();
    peer.Send("250 ok\r\n");
    peer.ReadBytes(3);
    peer.Send("250 stored\r\n");
  });
  TPowersock sock(nullptr);
  sock.Host = "localhost";
  sock.Port = server.Port();
  sock.ReportLevel = reportLevel;
  std::set<std::string> seen;
  sock.OnStatus = [&](TComponent*, const std::string& status) { seen.insert(status); };
  sock.Connect();
  std::string reply;
  sock.Transaction("NOOP", reply);
  TMemoryStream body;
  body.Write("abc", 3);
  sock.SendStream(body);
  sock.ReadLn(reply);
  std::string text;
  WSASetLastError(WSAEWOULDBLOCK);
  sock.CheckError(WSAEWOULDBLOCK, text);
  sock.ErrorText(WSAECONNREFUSED, text);
  sock.TimeOut = 1;
  sock.StartTimer();
  PumpUntil([&] { return sock.TimedOut; });
  // An accept announced on the connected socket: nothing is pending, so accept fails.
  PostMessage(sock.SocketWindow, WM_SOCKETEVENT, sock.SocketHandle, WSAMAKESELECTREPLY(FD_ACCEPT, 0));
  sock.Accept();
  sock.Cancel();
  sock.Disconnect();
  return seen;
}

struct StatusCase {
  const char* text;
  int level;
};

class StatusLevelTest : public ::testing::TestWithParam<StatusCase> {
 protected:
  static const std::set<std::string>& SeenAt(int reportLevel) {
    static std::map<int, std::set<std::string>> sessions;
    if (!sessions.count(reportLevel)) sessions[reportLevel] = SessionStatuses(reportLevel);
    return sessions[reportLevel];
  }
};

TEST_P(StatusLevelTest, IsReportedFromItsLevelUp) {
  const StatusCase& c = GetParam();
  EXPECT_EQ(SeenAt(c.level).count(c.text), 1u);
  EXPECT_EQ(SeenAt(c.level - 1).count(c.text), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StatusLevelTest,
    ::testing::Values(StatusCase{"250 ok\r\n", 1}, StatusCase{"Sending Buffer", 4},
                      StatusCase{"Request Close Socket", 4}, StatusCase{"Connecting", 8},
                      StatusCase{"Resolve Host", 8}, StatusCase{"Timer On", 8}, StatusCase{"Timer Off", 8},
                      StatusCase{"Transaction", 8}, StatusCase{"Writeln", 8}, StatusCase{"Write", 8},
                      StatusCase{"ReadLn", 8}, StatusCase{"SendStream", 8}, StatusCase{"SendFile", 8},
                      StatusCase{"WriteFromStream", 8}, StatusCase{"ReadToStream", 8}, StatusCase{"Canceling", 8},
                      StatusCase{"Disconnecting", 8}, StatusCase{"Checking Error In Error Manager", 16},
                      StatusCase{"Accepting", 4}, StatusCase{"Looking Up Error Message", 8},
                      StatusCase{"Timer Triggered", 8}));

}  // namespace
