#pragma once
// The WinSock 1.1 subset the transport uses, with WinSock's contract kept on
// POSIX sockets: socket handles, WSAGetLastError codes, asynchronous
// selection of socket events to a window and asynchronous host look-up.
//
// These are the WinSock names and layouts; a translation unit that includes
// this header must not include the system's socket headers.

#include <cstdint>

#include "platform/messages/Messages.h"
#include "platform/winsock/WinSockErrors.h"

// The same types as the C library's own u_* names (u_long is wider here than
// WinSock's 32 bits; every address field is 32-bit regardless).
using u_char = unsigned char;
using u_short = unsigned short;
using u_int = unsigned int;
using u_long = unsigned long;
using WORD = std::uint16_t;
using SOCKET = u_int;
using HANDLE = void*;

constexpr SOCKET INVALID_SOCKET = ~0u;
constexpr int SOCKET_ERROR = -1;

constexpr int AF_INET = 2;
constexpr int SOCK_STREAM = 1;
constexpr int IPPROTO_TCP = 6;
constexpr u_long INADDR_ANY = 0x00000000u;
constexpr u_long INADDR_NONE = 0xFFFFFFFFu;

constexpr int SOL_SOCKET = 0xFFFF;
constexpr int SO_LINGER = 0x0080;
constexpr int SO_ERROR = 0x1007;
constexpr int TCP_NODELAY = 0x0001;
constexpr long FIONBIO = static_cast<long>(0x8004667Eu);
constexpr long FIONREAD = 0x4004667F;
constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;
constexpr int MSG_OOB = 0x1;
constexpr int MSG_PEEK = 0x2;
constexpr int SOMAXCONN = 5;

constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_OOB = 0x04;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;

constexpr int MAXGETHOSTSTRUCT = 1024;
constexpr int WSADESCRIPTION_LEN = 256;
constexpr int WSASYS_STATUS_LEN = 128;

struct in_addr {
  std::uint32_t s_addr;  // network byte order
};

struct sockaddr {
  u_short sa_family;
  char sa_data[14];
};

struct sockaddr_in {
  short sin_family;
  u_short sin_port;  // network byte order
  in_addr sin_addr;
  char sin_zero[8];
};

struct linger {
  u_short l_onoff;
  u_short l_linger;  // seconds
};

// A host entry as WSAAsyncGetHostByName lays it out in the caller's buffer:
// every pointer points into that same buffer.
struct hostent {
  char* h_name;
  char** h_aliases;
  short h_addrtype;
  short h_length;
  char** h_addr_list;
};

struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};

// The lParam of a socket notification and of a look-up completion.
constexpr LPARAM WSAMAKESELECTREPLY(int event, int error) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(error & 0xFFFF) << 16) | (event & 0xFFFF));
}
constexpr int WSAGETSELECTEVENT(LPARAM lParam) { return LoWord(lParam); }
constexpr int WSAGETSELECTERROR(LPARAM lParam) { return HiWord(lParam); }
constexpr LPARAM WSAMAKEASYNCREPLY(int bufferLength, int error) { return WSAMAKESELECTREPLY(bufferLength, error); }
constexpr int WSAGETASYNCBUFLEN(LPARAM lParam) { return LoWord(lParam); }
constexpr int WSAGETASYNCERROR(LPARAM lParam) { return HiWord(lParam); }

// Start-up and clean-up are counted; every call but the address helpers
// fails with WSANOTINITIALISED while the count is 0. WSAStartup accepts
// versions from 1.1 and answers 1.1.
int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();
// The calling thread's last error (a WSAE* code), as set by the failed call.
int WSAGetLastError();
void WSASetLastError(int error);

// Every call returns SOCKET_ERROR (or INVALID_SOCKET) on failure and sets the
// thread's last error. A new socket is blocking until WSAAsyncSelect or
// ioctlsocket(FIONBIO) makes it non-blocking.
SOCKET socket(int family, int type, int protocol);
int bind(SOCKET s, const sockaddr* address, int addressLength);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* address, int* addressLength);
int connect(SOCKET s, const sockaddr* address, int addressLength);
int send(SOCKET s, const char* buffer, int length, int flags);
int recv(SOCKET s, char* buffer, int length, int flags);
int shutdown(SOCKET s, int how);
int closesocket(SOCKET s);
// SOL_SOCKET with SO_LINGER (a linger record) is the option WinSock programs
// here set; SO_ERROR and IPPROTO_TCP's TCP_NODELAY (an int) can be read.
// Stream sockets are made with TCP_NODELAY on: the programs write whole
// commands, so holding small segments back only adds latency.
int setsockopt(SOCKET s, int level, int option, const char* value, int valueLength);
int getsockopt(SOCKET s, int level, int option, char* value, int* valueLength);
// FIONBIO (non-zero: non-blocking) and FIONREAD (bytes readable now).
int ioctlsocket(SOCKET s, long command, u_long* argument);
int getsockname(SOCKET s, sockaddr* address, int* addressLength);
int getpeername(SOCKET s, sockaddr* address, int* addressLength);

// Dotted IPv4 text (each part decimal, octal with 0 or hex with 0x, as
// WinSock) -> address in network byte order; INADDR_NONE when it is not one.
u_long inet_addr(const char* text);
// Address -> dotted text in a per-thread buffer valid until the next call.
char* inet_ntoa(in_addr address);
u_short htons(u_short value);
u_short ntohs(u_short value);
u_long htonl(u_long value);
u_long ntohl(u_long value);

// Registers the socket for the events in mask: each is posted to window as
// msg (wParam the socket, lParam WSAMAKESELECTREPLY(event, error)), with
// WinSock's re-enabling rules: after FD_READ no further FD_READ until recv is
// called; FD_WRITE once a connect completes and again after a send that
// failed with WSAEWOULDBLOCK, when the socket can take data (and at once when
// an already connected socket is registered); FD_ACCEPT again
// after accept; FD_CONNECT carries the connect's error; FD_CLOSE once, after
// the data received before an orderly close has been read, or with
// WSAECONNRESET on an abortive close. Makes the socket non-blocking. A mask
// of 0 (or msg 0) switches the notifications off; events already queued under
// an earlier registration are dropped.
int WSAAsyncSelect(SOCKET s, HWND window, UINT msg, long mask);

// Looks the name up without blocking the calling thread. On completion the
// host entry is laid out in buffer (which must stay valid until completion or
// WSACancelAsyncRequest) and msg is posted to window with wParam the task
// handle and lParam WSAMAKEASYNCREPLY(bytes needed, error). Returns the task
// handle, or 0 with the last error set.
HANDLE WSAAsyncGetHostByName(HWND window, UINT msg, const char* name, char* buffer, int bufferLength);
// Withdraws a look-up: its buffer is not written and nothing is posted.
// SOCKET_ERROR with WSAEINVAL when the task is unknown or already completed.
int WSACancelAsyncRequest(HANDLE task);

namespace platform {
// For end-to-end tests only: a connect to 127.0.0.1 on port from goes to
// port to instead (to 0 removes the redirection). The programs never call it.
void RedirectPortForTesting(u_short from, u_short to);
}  // namespace platform
