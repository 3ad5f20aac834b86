// POSIX sockets for the WinSock stand-in, with errno turned into WinSock's codes.

#include "platform/winsock/PosixNet.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/winsock/WinSockErrors.h"

namespace posixnet {
namespace {

int WsaFromErrno(int error) {
  switch (error) {
    case EINTR: return WSAEINTR;
    case EBADF: return WSAENOTSOCK;
    case EACCES: case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEWOULDBLOCK;  // WinSock's answer to a non-blocking connect
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: return WSAECONNRESET;
    case EPIPE: return WSAECONNRESET;
    case ENOBUFS: case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETOOMANYREFS: return WSAETOOMANYREFS;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENOTEMPTY: return WSAENOTEMPTY;
    case EUSERS: return WSAEUSERS;
    case EDQUOT: return WSAEDQUOT;
    case ESTALE: return WSAESTALE;
    case EREMOTE: return WSAEREMOTE;
    default: return WSAEINVAL;
  }
}

int Fail(int& wsaError) {
  wsaError = WsaFromErrno(errno);
  return -1;
}

int Checked(int result, int& wsaError) { return result < 0 ? Fail(wsaError) : result; }

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = port;
  result.sin_addr.s_addr = address;
  return result;
}

int NameOf(int (*query)(int, sockaddr*, socklen_t*), int fd, std::uint32_t& address,
           std::uint16_t& port, int& wsaError) {
  sockaddr_in name{};
  socklen_t length = sizeof name;
  if (query(fd, reinterpret_cast<sockaddr*>(&name), &length) < 0) return Fail(wsaError);
  address = name.sin_addr.s_addr;
  port = name.sin_port;
  return 0;
}

int MessageFlags(IoFlags flags) {
  return MSG_NOSIGNAL | (flags.outOfBand ? MSG_OOB : 0) | (flags.peek ? MSG_PEEK : 0);
}

int WsaFromLookupError(int error) {
  switch (error) {
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_NODATA: case EAI_ADDRFAMILY: return WSANO_DATA;
    default: return WSANO_RECOVERY;
  }
}

// The programs write whole lines and commands; coalescing them only waits
// for the peer's delayed acknowledgement. Closes fd when that fails.
int WithoutDelay(int fd, int& wsaError) {
  if (fd < 0) return Fail(wsaError);
  const int on = 1;
  if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0) return fd;
  Fail(wsaError);
  ::close(fd);
  return -1;
}

}  // namespace

int OpenTcpSocket(int& wsaError) {
  return WithoutDelay(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP), wsaError);
}

int Bind(int fd, std::uint32_t address, std::uint16_t port, int& wsaError) {
  sockaddr_in name = MakeAddress(address, port);
  return Checked(::bind(fd, reinterpret_cast<sockaddr*>(&name), sizeof name), wsaError);
}

int Listen(int fd, int backlog, int& wsaError) { return Checked(::listen(fd, backlog), wsaError); }

int Accept(int fd, std::uint32_t& address, std::uint16_t& port, int& wsaError) {
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  int accepted = WithoutDelay(::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC), wsaError);
  if (accepted < 0) return -1;
  address = peer.sin_addr.s_addr;
  port = peer.sin_port;
  return accepted;
}

int Connect(int fd, std::uint32_t address, std::uint16_t port, int& wsaError) {
  sockaddr_in name = MakeAddress(address, port);
  return Checked(::connect(fd, reinterpret_cast<sockaddr*>(&name), sizeof name), wsaError);
}

int Send(int fd, const char* buffer, int length, IoFlags flags, int& wsaError) {
  return Checked(static_cast<int>(::send(fd, buffer, length, MessageFlags(flags))), wsaError);
}

int Recv(int fd, char* buffer, int length, IoFlags flags, int& wsaError) {
  return Checked(static_cast<int>(::recv(fd, buffer, length, MessageFlags(flags))), wsaError);
}

int Shutdown(int fd, int how, int& wsaError) {
  static const int kHow[] = {SHUT_RD, SHUT_WR, SHUT_RDWR};
  if (how < 0 || how > 2) {
    wsaError = WSAEINVAL;
    return -1;
  }
  return Checked(::shutdown(fd, kHow[how]), wsaError);
}

int Close(int fd, int& wsaError) { return Checked(::close(fd), wsaError); }

int SetLinger(int fd, bool on, int seconds, int& wsaError) {
  ::linger value{on ? 1 : 0, seconds};
  return Checked(::setsockopt(fd, SOL_SOCKET, SO_LINGER, &value, sizeof value), wsaError);
}

int NoDelay(int fd, int& wsaError) {
  int on = 0;
  socklen_t length = sizeof on;
  if (::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, &length) < 0) return Fail(wsaError);
  return on != 0 ? 1 : 0;
}

int GetLinger(int fd, bool& on, int& seconds, int& wsaError) {
  ::linger value{};
  socklen_t length = sizeof value;
  if (::getsockopt(fd, SOL_SOCKET, SO_LINGER, &value, &length) < 0) return Fail(wsaError);
  on = value.l_onoff != 0;
  seconds = value.l_linger;
  return 0;
}

int PendingError(int fd, int& wsaError) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0) return Fail(wsaError);
  return error == 0 ? 0 : WsaFromErrno(error);
}

int SetNonBlocking(int fd, bool nonBlocking, int& wsaError) {
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return Fail(wsaError);
  flags = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return Checked(::fcntl(fd, F_SETFL, flags), wsaError);
}

int BytesReadable(int fd, int& wsaError) {
  int count = 0;
  if (::ioctl(fd, FIONREAD, &count) < 0) return Fail(wsaError);
  return count;
}

int LocalName(int fd, std::uint32_t& address, std::uint16_t& port, int& wsaError) {
  return NameOf(::getsockname, fd, address, port, wsaError);
}

int PeerName(int fd, std::uint32_t& address, std::uint16_t& port, int& wsaError) {
  return NameOf(::getpeername, fd, address, port, wsaError);
}

ReadState PeekReadState(int fd, int& wsaError) {
  char byte;
  ssize_t got = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (got > 0) return ReadState::Data;
  if (got == 0) return ReadState::OrderlyClose;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return ReadState::Nothing;
  wsaError = WsaFromErrno(errno);
  return ReadState::Failed;
}

bool ParseDottedAddress(const char* text, std::uint32_t& address) {
  in_addr parsed{};
  if (!text || ::inet_aton(text, &parsed) == 0) return false;
  address = parsed.s_addr;
  return true;
}

std::string FormatDottedAddress(std::uint32_t address) {
  in_addr value{};
  value.s_addr = address;
  char text[INET_ADDRSTRLEN];
  return ::inet_ntop(AF_INET, &value, text, sizeof text) ? text : "";
}

HostAddresses ResolveIPv4(const std::string& name) {
  HostAddresses result;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  int error = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (error != 0) {
    result.wsaError = WsaFromLookupError(error);
    return result;
  }
  result.officialName = found->ai_canonname ? found->ai_canonname : name;
  for (addrinfo* entry = found; entry; entry = entry->ai_next) {
    std::uint32_t address = reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
    bool seen = false;
    for (std::uint32_t known : result.addresses) seen = seen || known == address;
    if (!seen) result.addresses.push_back(address);
  }
  ::freeaddrinfo(found);
  if (result.addresses.empty()) result.wsaError = WSANO_DATA;
  return result;
}

}  // namespace posixnet
