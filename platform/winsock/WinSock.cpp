// The WinSock 1.1 calls over POSIX sockets. A SOCKET is the descriptor; the
// table holds what WinSock remembers per socket (blocking mode, connection
// phase, asynchronous selection).

#include "platform/winsock/WinSock.h"

#include <atomic>
#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/winsock/PosixNet.h"
#include "platform/winsock/SocketTable.h"

using winsock::AsyncSelection;
using winsock::Phase;
using winsock::SocketState;
using winsock::TakeEntry;

namespace {

thread_local int t_lastError = 0;
std::atomic<int> g_startupCount{0};

struct Table {
  std::mutex mutex;
  std::map<SOCKET, std::shared_ptr<SocketState>> sockets;
};

Table& Sockets() {
  static Table table;
  return table;
}

std::shared_ptr<SocketState> Find(SOCKET s) {
  std::lock_guard lock(Sockets().mutex);
  auto found = Sockets().sockets.find(s);
  return found == Sockets().sockets.end() ? nullptr : found->second;
}

SOCKET Add(int fd, Phase phase) {
  auto state = std::make_shared<SocketState>();
  state->fd = fd;
  state->phase = phase;
  std::lock_guard lock(Sockets().mutex);
  Sockets().sockets[static_cast<SOCKET>(fd)] = state;
  return static_cast<SOCKET>(fd);
}

std::shared_ptr<SocketState> Take(SOCKET s) {
  return TakeEntry(Sockets().mutex, Sockets().sockets, s);
}

int Failed(int error) {
  t_lastError = error;
  return SOCKET_ERROR;
}

// A refusal inside a call on one socket.
int Refuse(int& error, int code) {
  error = code;
  return -1;
}

SOCKET FailedSocket(int error) {
  t_lastError = error;
  return INVALID_SOCKET;
}

// The common shape of a call on one socket: unknown sockets fail with
// WSAENOTSOCK, failures of the call set the thread's last error.
template <typename Call>
int OnSocket(SOCKET s, Call call) {
  auto state = Find(s);
  if (!state) return Failed(WSAENOTSOCK);
  int error = 0;
  int result = call(*state, error);
  return result < 0 ? Failed(error) : result;
}

struct PortRedirections {
  std::mutex mutex;
  std::map<u_short, u_short> ports;  // host byte order
};

PortRedirections& Redirections() {
  static PortRedirections redirections;
  return redirections;
}

// The port a connect really goes to, in network byte order.
std::uint16_t RedirectedPort(std::uint32_t ip, std::uint16_t port) {
  if ((ntohl(ip) >> 24) != 127) return port;
  std::lock_guard lock(Redirections().mutex);
  auto found = Redirections().ports.find(ntohs(port));
  return found == Redirections().ports.end() ? port : htons(found->second);
}

bool ReadAddress(const sockaddr* address, int length, std::uint32_t& ip, std::uint16_t& port, int& error) {
  if (!address || length < static_cast<int>(sizeof(sockaddr_in))) {
    error = WSAEFAULT;
    return false;
  }
  sockaddr_in in;
  std::memcpy(&in, address, sizeof in);
  if (in.sin_family != AF_INET) {
    error = WSAEAFNOSUPPORT;
    return false;
  }
  ip = in.sin_addr.s_addr;
  port = in.sin_port;
  return true;
}

int WriteAddress(std::uint32_t ip, std::uint16_t port, sockaddr* address, int* length, int& error) {
  if (!address || !length || *length < static_cast<int>(sizeof(sockaddr_in))) return Refuse(error, WSAEFAULT);
  sockaddr_in in{};
  in.sin_family = AF_INET;
  in.sin_port = port;
  in.sin_addr.s_addr = ip;
  std::memcpy(address, &in, sizeof in);
  *length = sizeof in;
  return 0;
}

// getsockname and getpeername: one of the socket's two addresses.
using NameQuery = int (*)(int fd, std::uint32_t& ip, std::uint16_t& port, int& wsaError);
int QueryName(SOCKET s, NameQuery query, sockaddr* address, int* addressLength) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    std::uint32_t ip;
    std::uint16_t port;
    if (query(state.fd, ip, port, error) < 0) return -1;
    return WriteAddress(ip, port, address, addressLength, error);
  });
}

void CopyText(char* field, size_t size, const char* text) {
  std::strncpy(field, text, size - 1);
  field[size - 1] = '\0';
}

}  // namespace

int WSAStartup(WORD versionRequested, WSADATA* data) {
  const int major = versionRequested & 0xFF;
  const int minor = (versionRequested >> 8) & 0xFF;
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  if (!data) return WSAEFAULT;
  *data = WSADATA{};
  data->wVersion = 0x0101;
  data->wHighVersion = 0x0202;
  CopyText(data->szDescription, sizeof data->szDescription, "WinSock 2.0");
  CopyText(data->szSystemStatus, sizeof data->szSystemStatus, "Running");
  data->iMaxSockets = 32767;
  data->iMaxUdpDg = 65467;
  ++g_startupCount;
  return 0;
}

int WSACleanup() {
  int count = g_startupCount.load();
  while (count > 0 && !g_startupCount.compare_exchange_weak(count, count - 1)) {
  }
  return count > 0 ? 0 : Failed(WSANOTINITIALISED);
}

int WSAGetLastError() { return t_lastError; }
void WSASetLastError(int error) { t_lastError = error; }

namespace winsock {
bool Started() { return g_startupCount.load() > 0; }
}  // namespace winsock

SOCKET socket(int family, int type, int protocol) {
  if (!winsock::Started()) return FailedSocket(WSANOTINITIALISED);
  if (family != AF_INET) return FailedSocket(WSAEAFNOSUPPORT);
  if (type != SOCK_STREAM) return FailedSocket(WSAESOCKTNOSUPPORT);
  if (protocol != 0 && protocol != IPPROTO_TCP) return FailedSocket(WSAEPROTONOSUPPORT);
  int error = 0;
  int fd = posixnet::OpenTcpSocket(error);
  if (fd < 0) return FailedSocket(error);
  return Add(fd, Phase::Idle);
}

int bind(SOCKET s, const sockaddr* address, int addressLength) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    std::uint32_t ip;
    std::uint16_t port;
    if (!ReadAddress(address, addressLength, ip, port, error)) return -1;
    return posixnet::Bind(state.fd, ip, port, error);
  });
}

int listen(SOCKET s, int backlog) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    if (posixnet::Listen(state.fd, backlog, error) < 0) return -1;
    state.phase = Phase::Listening;
    if (state.selection) state.selection->ListenStarted();
    return 0;
  });
}

SOCKET accept(SOCKET s, sockaddr* address, int* addressLength) {
  auto listening = Find(s);
  if (!listening) return FailedSocket(WSAENOTSOCK);
  if (listening->phase != Phase::Listening) return FailedSocket(WSAEINVAL);
  int error = 0;
  std::uint32_t ip;
  std::uint16_t port;
  int fd = posixnet::Accept(listening->fd, ip, port, error);
  if (listening->selection) listening->selection->AcceptCalled();
  if (fd < 0) return FailedSocket(error);
  SOCKET accepted = Add(fd, Phase::Connected);
  if (address && WriteAddress(ip, port, address, addressLength, error) < 0) {
    closesocket(accepted);
    return FailedSocket(error);
  }
  return accepted;
}

int connect(SOCKET s, const sockaddr* address, int addressLength) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    std::uint32_t ip;
    std::uint16_t port;
    if (!ReadAddress(address, addressLength, ip, port, error)) return -1;
    int result = posixnet::Connect(state.fd, ip, RedirectedPort(ip, port), error);
    if (!state.nonBlocking) {
      if (result == 0) state.phase = Phase::Connected;
      return result;
    }
    if (result < 0 && error != WSAEWOULDBLOCK) return -1;
    // A non-blocking connect always reports WSAEWOULDBLOCK and finishes with FD_CONNECT.
    state.phase = Phase::Connecting;
    if (state.selection) state.selection->ConnectStarted();
    error = WSAEWOULDBLOCK;
    return -1;
  });
}

int send(SOCKET s, const char* buffer, int length, int flags) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    int result = posixnet::Send(state.fd, buffer, length, {(flags & MSG_OOB) != 0, false}, error);
    if (result < 0 && error == WSAEWOULDBLOCK && state.selection) state.selection->SendWouldBlock();
    return result;
  });
}

int recv(SOCKET s, char* buffer, int length, int flags) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    int result = posixnet::Recv(state.fd, buffer, length, {(flags & MSG_OOB) != 0, (flags & MSG_PEEK) != 0}, error);
    if (state.selection) state.selection->ReceiveCalled();
    return result;
  });
}

int shutdown(SOCKET s, int how) {
  return OnSocket(s, [&](SocketState& state, int& error) { return posixnet::Shutdown(state.fd, how, error); });
}

int closesocket(SOCKET s) {
  auto state = Take(s);
  if (!state) return Failed(WSAENOTSOCK);
  winsock::SetSelection(*state, nullptr);
  int error = 0;
  return posixnet::Close(state->fd, error) < 0 ? Failed(error) : 0;
}

int setsockopt(SOCKET s, int level, int option, const char* value, int valueLength) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    if (level != SOL_SOCKET || option != SO_LINGER) {
      return Refuse(error, WSAENOPROTOOPT);
    }
    if (!value || valueLength < static_cast<int>(sizeof(linger))) {
      return Refuse(error, WSAEFAULT);
    }
    linger setting;
    std::memcpy(&setting, value, sizeof setting);
    return posixnet::SetLinger(state.fd, setting.l_onoff != 0, setting.l_linger, error);
  });
}

int getsockopt(SOCKET s, int level, int option, char* value, int* valueLength) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    const bool noDelay = level == IPPROTO_TCP && option == TCP_NODELAY;
    if (!noDelay && (level != SOL_SOCKET || (option != SO_LINGER && option != SO_ERROR))) {
      return Refuse(error, WSAENOPROTOOPT);
    }
    if (!value || !valueLength) {
      return Refuse(error, WSAEFAULT);
    }
    if (noDelay || option == SO_ERROR) {
      if (*valueLength < static_cast<int>(sizeof(int))) return Refuse(error, WSAEFAULT);
      int result = noDelay ? posixnet::NoDelay(state.fd, error) : posixnet::PendingError(state.fd, error);
      if (result < 0) return -1;
      std::memcpy(value, &result, sizeof result);
      *valueLength = sizeof result;
      return 0;
    }
    if (*valueLength < static_cast<int>(sizeof(linger))) return Refuse(error, WSAEFAULT);
    bool on;
    int seconds;
    if (posixnet::GetLinger(state.fd, on, seconds, error) < 0) return -1;
    linger setting{static_cast<u_short>(on ? 1 : 0), static_cast<u_short>(seconds)};
    std::memcpy(value, &setting, sizeof setting);
    *valueLength = sizeof setting;
    return 0;
  });
}

int ioctlsocket(SOCKET s, long command, u_long* argument) {
  return OnSocket(s, [&](SocketState& state, int& error) {
    if (!argument) return Refuse(error, WSAEFAULT);
    if (command == FIONREAD) {
      int count = posixnet::BytesReadable(state.fd, error);
      if (count < 0) return -1;
      *argument = static_cast<u_long>(count);
      return 0;
    }
    if (command != FIONBIO) return Refuse(error, WSAEINVAL);
    const bool nonBlocking = *argument != 0;
    // WinSock refuses blocking mode while events are selected to a window.
    if (!nonBlocking && state.selection) return Refuse(error, WSAEINVAL);
    if (posixnet::SetNonBlocking(state.fd, nonBlocking, error) < 0) return -1;
    state.nonBlocking = nonBlocking;
    return 0;
  });
}

int getsockname(SOCKET s, sockaddr* address, int* addressLength) {
  return QueryName(s, posixnet::LocalName, address, addressLength);
}

int getpeername(SOCKET s, sockaddr* address, int* addressLength) {
  return QueryName(s, posixnet::PeerName, address, addressLength);
}

u_long inet_addr(const char* text) {
  std::uint32_t address;
  return posixnet::ParseDottedAddress(text, address) ? address : INADDR_NONE;
}

char* inet_ntoa(in_addr address) {
  thread_local char text[16];
  CopyText(text, sizeof text, posixnet::FormatDottedAddress(address.s_addr).c_str());
  return text;
}

u_short htons(u_short value) {
  if constexpr (std::endian::native == std::endian::big) return value;
  return static_cast<u_short>((value << 8) | (value >> 8));
}
u_short ntohs(u_short value) { return htons(value); }
u_long htonl(u_long value) {
  if constexpr (std::endian::native == std::endian::big) return value;
  return __builtin_bswap32(value);
}
u_long ntohl(u_long value) { return htonl(value); }

int WSAAsyncSelect(SOCKET s, HWND window, UINT msg, long mask) {
  if (!winsock::Started()) return Failed(WSANOTINITIALISED);
  return OnSocket(s, [&](SocketState& state, int& error) {
    if (posixnet::SetNonBlocking(state.fd, true, error) < 0) return -1;
    state.nonBlocking = true;
    // The old registration goes first, so two never watch the socket at once.
    winsock::SetSelection(state, nullptr);
    if (msg != 0 && mask != 0) winsock::SetSelection(state, new AsyncSelection(s, state, window, msg, mask));
    return 0;
  });
}

void platform::RedirectPortForTesting(u_short from, u_short to) {
  std::lock_guard lock(Redirections().mutex);
  if (to == 0)
    Redirections().ports.erase(from);
  else
    Redirections().ports[from] = to;
}
