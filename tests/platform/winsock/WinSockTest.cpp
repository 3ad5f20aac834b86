// The WinSock stand-in on real loopback sockets: asynchronous notifications
// with WinSock's re-enabling rules, error codes, host look-up and addresses.

#include "platform/winsock/WinSock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kSocketMessage = WM_USER + 50;
constexpr UINT kLookupMessage = WM_USER + 51;

struct Notification {
  SOCKET socket;
  int event;
  int error;
};

struct Inbox {
  std::vector<Notification> events;
  std::vector<LPARAM> lookups;
  std::vector<WPARAM> lookupTasks;

  int Count(int event) const {
    int n = 0;
    for (const auto& e : events) n += e.event == event;
    return n;
  }
  const Notification* Find(int event) const {
    for (const auto& e : events)
      if (e.event == event) return &e;
    return nullptr;
  }
};

LRESULT InboxProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* inbox = reinterpret_cast<Inbox*>(GetWindowLongPtr(window, 0));
  if (!inbox) return DefWindowProc(window, msg, wParam, lParam);
  if (msg == kSocketMessage)
    inbox->events.push_back({static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam)});
  if (msg == kLookupMessage) {
    inbox->lookups.push_back(lParam);
    inbox->lookupTasks.push_back(wParam);
  }
  return 0;
}

bool PumpUntil(const std::function<bool()>& done) {
  for (int pass = 0; pass < 5000 && !done(); ++pass) {
    Sleep(1);
    ProcessMessages();
  }
  return done();
}

// A few passes of the pump, for checking that nothing more arrives.
void PumpAWhile() {
  for (int pass = 0; pass < 20; ++pass) {
    Sleep(1);
    ProcessMessages();
  }
}

sockaddr_in Loopback(u_short port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  return address;
}

const sockaddr* AsAddress(const sockaddr_in& address) { return reinterpret_cast<const sockaddr*>(&address); }

class WinSockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(0x0101, &data), 0);
    WNDCLASS windowClass{0, InboxProc, 0, sizeof(LONG_PTR), HInstance, "WinSockTestWindow"};
    RegisterClass(windowClass);
    window = CreateWindowEx(0, "WinSockTestWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, HInstance, nullptr);
    SetWindowLongPtr(window, 0, reinterpret_cast<LONG_PTR>(&inbox));
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(0);
    ASSERT_EQ(bind(listener, AsAddress(address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }

  void TearDown() override {
    for (SOCKET s : opened) closesocket(s);
    closesocket(listener);
    DestroyWindow(window);
    WSACleanup();
  }

  SOCKET Open() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    opened.push_back(s);
    return s;
  }

  // An asynchronous client connected to the listener, and the server's side.
  SOCKET ConnectAsync(SOCKET& serverSide) {
    SOCKET client = Open();
    WSAAsyncSelect(client, window, kSocketMessage, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE | FD_OOB);
    sockaddr_in address = Loopback(port);
    EXPECT_EQ(connect(client, AsAddress(address), sizeof address), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    serverSide = accept(listener, nullptr, nullptr);
    opened.push_back(serverSide);
    EXPECT_TRUE(PumpUntil([&] { return inbox.Count(FD_WRITE) > 0; }));
    return client;
  }

  void SendAll(SOCKET s, const std::string& bytes) {
    ASSERT_EQ(send(s, bytes.data(), static_cast<int>(bytes.size()), 0), static_cast<int>(bytes.size()));
  }

  Inbox inbox;
  HWND window = nullptr;
  SOCKET listener = INVALID_SOCKET;
  u_short port = 0;
  std::vector<SOCKET> opened;
};

TEST_F(WinSockTest, NonBlockingConnectReportsConnectThenWrite) {
  SOCKET server;
  SOCKET client = ConnectAsync(server);
  ASSERT_GE(inbox.events.size(), 2u);
  EXPECT_EQ(inbox.events[0].event, FD_CONNECT);
  EXPECT_EQ(inbox.events[0].error, 0);
  EXPECT_EQ(inbox.events[0].socket, client);
  EXPECT_EQ(inbox.events[1].event, FD_WRITE);
}

std::chrono::milliseconds TimedSleep(DWORD milliseconds) {
  const auto start = std::chrono::steady_clock::now();
  Sleep(milliseconds);
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

TEST_F(WinSockTest, SleepLastsItsTimeWhileSelectedSocketsAreQuiet) {
  SOCKET server;
  ConnectAsync(server);
  PumpAWhile();
  EXPECT_GE(TimedSleep(30).count(), 30);
}

TEST_F(WinSockTest, SleepEndsWhenASelectedSocketHasData) {
  SOCKET server;
  ConnectAsync(server);
  PumpAWhile();
  SendAll(server, "ready");
  EXPECT_LT(TimedSleep(2000).count(), 1000);
  EXPECT_EQ(inbox.Count(FD_READ), 0);
  ProcessMessages();
  if (inbox.Count(FD_READ) == 0) {
    // The pump that saw the data queued the notification; Sleep does not hold it back.
    EXPECT_LT(TimedSleep(2000).count(), 1000);
    ProcessMessages();
  }
  EXPECT_EQ(inbox.Count(FD_READ), 1);
}

TEST_F(WinSockTest, StreamSocketsHaveNagleOff) {
  SOCKET server;
  SOCKET client = ConnectAsync(server);
  for (SOCKET s : {client, server}) {
    int on = 0;
    int length = sizeof on;
    ASSERT_EQ(getsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&on), &length), 0);
    EXPECT_EQ(length, static_cast<int>(sizeof on));
    EXPECT_NE(on, 0);
  }
}

TEST_F(WinSockTest, RefusedConnectCarriesTheErrorInTheHighWord) {
  SOCKET client = Open();
  WSAAsyncSelect(client, window, kSocketMessage, FD_CONNECT | FD_WRITE);
  closesocket(listener);
  listener = Open();
  sockaddr_in address = Loopback(port);
  connect(client, AsAddress(address), sizeof address);
  ASSERT_TRUE(PumpUntil([&] { return inbox.Count(FD_CONNECT) == 1; }));
  EXPECT_EQ(inbox.Find(FD_CONNECT)->error, WSAECONNREFUSED);
  PumpAWhile();
  EXPECT_EQ(inbox.Count(FD_WRITE), 0);
}

TEST_F(WinSockTest, ReadIsNotifiedOnceUntilRecvIsCalled) {
  SOCKET server;
  SOCKET client = ConnectAsync(server);
  SendAll(server, "first");
  ASSERT_TRUE(PumpUntil([&] { return inbox.Count(FD_READ) == 1; }));
  SendAll(server, "second");
  PumpAWhile();
  EXPECT_EQ(inbox.Count(FD_READ), 1);
  char buffer[4];
  EXPECT_EQ(recv(client, buffer, sizeof buffer, 0), 4);
  EXPECT_TRUE(PumpUntil([&] { return inbox.Count(FD_READ) == 2; }));
}

TEST_F(WinSockTest, OrderlyCloseIsNotifiedAfterTheDataIsRead) {
  SOCKET server;
  SOCKET client = ConnectAsync(server);
  SendAll(server, "bye");
  shutdown(server, SD_SEND);
  ASSERT_TRUE(PumpUntil([&] { return inbox.Count(FD_READ) == 1; }));
  PumpAWhile();
  EXPECT_EQ(inbox.Count(FD_CLOSE), 0);
  char buffer[16];
  EXPECT_EQ(recv(client, buffer, sizeof buffer, 0), 3);
  ASSERT_TRUE(PumpUntil([&] { return inbox.Count(FD_CLOSE) == 1; }));
  EXPECT_EQ(inbox.Find(FD_CLOSE)->error, 0);
  EXPECT_EQ(recv(client, buffer, sizeof buffer, 0), 0);
  PumpAWhile();
  EXPECT_EQ(inbox.Count(FD_CLOSE), 1);
}

TEST_F(WinSockTest, AbortiveCloseIsNotifiedWithConnectionReset) {
  SOCKET server;
  ConnectAsync(server);
  linger option{1, 0};
  setsockopt(server, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
  closesocket(server);
  ASSERT_TRUE(PumpUntil([&] { return inbox.Count(FD_CLOSE) == 1; }));
  EXPECT_EQ(inbox.Find(FD_CLOSE)->error, WSAECONNRESET);
}

TEST_F(WinSockTest, WriteIsNotifiedAgainAfterASendThatWouldBlock) {
  SOCKET server;
  SOCKET client = ConnectAsync(server);
  const std::string chunk(65536, 'w');
  int sent;
  do {
    sent = send(client, chunk.data(), static_cast<int>(chunk.size()), 0);
  } while (sent > 0);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  const int writesBefore = inbox.Count(FD_WRITE);
  u_long blocking = 0;
  ioctlsocket(server, FIONBIO, &blocking);
  std::vector<char> sink(1 << 20);
  EXPECT_TRUE(PumpUntil([&] {
    u_long available = 0;
    ioctlsocket(server, FIONREAD, &available);
    if (available > 0) recv(server, sink.data(), static_cast<int>(sink.size()), 0);
    return inbox.Count(FD_WRITE) > writesBefore;
  }));
}

TEST_F(WinSockTest, ListeningSocketNotifiesAcceptUntilAcceptIsCalled) {
  WSAAsyncSelect(listener, window, kSocketMessage, FD_ACCEPT);
  SOCKET first = Open();
  SOCKET second = Open();
  sockaddr_in address = Loopback(port);
  connect(first, AsAddress(address), sizeof address);
  connect(second, AsAddress(address), sizeof address);
  ASSERT_TRUE(PumpUntil([&] { return inbox.Count(FD_ACCEPT) == 1; }));
  PumpAWhile();
  EXPECT_EQ(inbox.Count(FD_ACCEPT), 1);
  sockaddr_in peer{};
  int length = sizeof peer;
  opened.push_back(accept(listener, reinterpret_cast<sockaddr*>(&peer), &length));
  EXPECT_EQ(std::string(inet_ntoa(peer.sin_addr)), "127.0.0.1");
  EXPECT_TRUE(PumpUntil([&] { return inbox.Count(FD_ACCEPT) == 2; }));
}

TEST_F(WinSockTest, RedirectedLoopbackPortReachesTheListener) {
  platform::RedirectPortForTesting(25, port);
  SOCKET client = Open();
  sockaddr_in address = Loopback(25);
  const int result = connect(client, AsAddress(address), sizeof address);
  platform::RedirectPortForTesting(25, 0);
  EXPECT_EQ(result, 0);
  opened.push_back(accept(listener, nullptr, nullptr));
  EXPECT_NE(opened.back(), INVALID_SOCKET);
}

TEST_F(WinSockTest, SelectingNothingDropsQueuedNotifications) {
  SOCKET server;
  SOCKET client = ConnectAsync(server);
  SendAll(server, "unwanted");
  inbox.events.clear();
  WSAAsyncSelect(client, window, 0, 0);
  PumpAWhile();
  EXPECT_TRUE(inbox.events.empty());
}

TEST_F(WinSockTest, ClosedSocketNeverNotifiesAgain) {
  SOCKET server;
  SOCKET client = ConnectAsync(server);
  SendAll(server, "late");
  closesocket(client);
  opened.erase(opened.begin());
  inbox.events.clear();
  PumpAWhile();
  EXPECT_TRUE(inbox.events.empty());
}

class WinSockErrorTest : public WinSockTest {};

TEST_F(WinSockErrorTest, FailuresSetTheThreadsLastError) {
  SOCKET unconnected = Open();
  char byte;
  EXPECT_EQ(recv(unconnected, &byte, 1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
  EXPECT_EQ(closesocket(static_cast<SOCKET>(9999)), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  EXPECT_EQ(socket(AF_INET + 1, SOCK_STREAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
  EXPECT_EQ(setsockopt(unconnected, SOL_SOCKET, 0x4, nullptr, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
}

TEST_F(WinSockErrorTest, BlockingModeIsRefusedWhileEventsAreSelected) {
  SOCKET s = Open();
  WSAAsyncSelect(s, window, kSocketMessage, FD_READ);
  u_long blocking = 0;
  EXPECT_EQ(ioctlsocket(s, FIONBIO, &blocking), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
}

TEST(WinSockStartupTest, CallsFailUntilStartedAndVersion10IsRefused) {
  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  WSADATA data;
  EXPECT_EQ(WSAStartup(0x0001, &data), WSAVERNOTSUPPORTED);
  ASSERT_EQ(WSAStartup(0x0101, &data), 0);
  EXPECT_EQ(data.wVersion, 0x0101);
  EXPECT_GT(std::strlen(data.szDescription), 0u);
  EXPECT_EQ(WSACleanup(), 0);
}

class HostLookupTest : public WinSockTest {
 protected:
  HANDLE Start(const char* name) {
    return WSAAsyncGetHostByName(window, kLookupMessage, name, buffer, sizeof buffer);
  }
  alignas(8) char buffer[MAXGETHOSTSTRUCT];
};

TEST_F(HostLookupTest, LocalhostIsLaidOutInTheCallersBuffer) {
  HANDLE task = Start("localhost");
  ASSERT_NE(task, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !inbox.lookups.empty(); }));
  EXPECT_EQ(inbox.lookupTasks[0], reinterpret_cast<WPARAM>(task));
  EXPECT_EQ(WSAGETASYNCERROR(inbox.lookups[0]), 0);
  EXPECT_LE(WSAGETASYNCBUFLEN(inbox.lookups[0]), MAXGETHOSTSTRUCT);
  const auto* entry = reinterpret_cast<const hostent*>(buffer);
  EXPECT_EQ(entry->h_addrtype, AF_INET);
  EXPECT_EQ(entry->h_length, 4);
  ASSERT_NE(entry->h_addr_list[0], nullptr);
  in_addr first;
  std::memcpy(&first, entry->h_addr_list[0], 4);
  EXPECT_EQ(std::string(inet_ntoa(first)), "127.0.0.1");
  EXPECT_GE(entry->h_name, buffer);
  EXPECT_LT(entry->h_name, buffer + sizeof buffer);
}

TEST_F(HostLookupTest, UnknownHostCompletesWithHostNotFound) {
  Start("no-such-host.invalid");
  ASSERT_TRUE(PumpUntil([&] { return !inbox.lookups.empty(); }));
  EXPECT_EQ(WSAGETASYNCERROR(inbox.lookups[0]), WSAHOST_NOT_FOUND);
}

TEST_F(HostLookupTest, WithdrawnLookUpNeitherWritesNorPosts) {
  std::memset(buffer, 0x5A, sizeof buffer);
  HANDLE withdrawn = Start("localhost");
  EXPECT_EQ(WSACancelAsyncRequest(withdrawn), 0);
  HANDLE later = WSAAsyncGetHostByName(window, kLookupMessage, "localhost", buffer + 512, 512);
  ASSERT_TRUE(PumpUntil([&] { return !inbox.lookups.empty(); }));
  PumpAWhile();
  ASSERT_EQ(inbox.lookupTasks.size(), 1u);
  EXPECT_EQ(inbox.lookupTasks[0], reinterpret_cast<WPARAM>(later));
  EXPECT_EQ(std::string(buffer, 512), std::string(512, '\x5A'));
  EXPECT_EQ(WSACancelAsyncRequest(withdrawn), SOCKET_ERROR);
}

TEST_F(HostLookupTest, TooSmallBufferReportsTheSizeNeeded) {
  WSAAsyncGetHostByName(window, kLookupMessage, "localhost", buffer, 16);
  ASSERT_TRUE(PumpUntil([&] { return !inbox.lookups.empty(); }));
  EXPECT_EQ(WSAGETASYNCERROR(inbox.lookups[0]), WSAENOBUFS);
  EXPECT_GT(WSAGETASYNCBUFLEN(inbox.lookups[0]), 16);
}

struct AddressCase {
  const char* text;
  u_long address;  // host byte order
};

class InetAddrTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(InetAddrTest, ParsesDottedForms) {
  const u_long parsed = inet_addr(GetParam().text);
  EXPECT_EQ(parsed == INADDR_NONE ? INADDR_NONE : ntohl(parsed), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(Forms, InetAddrTest,
                         ::testing::Values(AddressCase{"127.0.0.1", 0x7F000001}, AddressCase{"10.0.0.1", 0x0A000001},
                                           AddressCase{"0.0.0.0", 0}, AddressCase{"0x7f.1", 0x7F000001},
                                           AddressCase{"010.0.0.1", 0x08000001},
                                           AddressCase{"localhost", INADDR_NONE}, AddressCase{"", INADDR_NONE},
                                           AddressCase{"1.2.3.4.5", INADDR_NONE},
                                           AddressCase{"256.0.0.1", INADDR_NONE}));

TEST(ByteOrderTest, NetworkOrderIsBigEndian) {
  const u_short port = htons(25);
  unsigned char bytes[2];
  std::memcpy(bytes, &port, 2);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[1], 25);
  in_addr address{static_cast<std::uint32_t>(inet_addr("1.2.3.4"))};
  EXPECT_EQ(std::string(inet_ntoa(address)), "1.2.3.4");
}

}  // namespace
