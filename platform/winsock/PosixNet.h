#pragma once
// The POSIX side of the WinSock stand-in, behind plain integer types so that
// the WinSock declarations and the system's socket headers never meet in one
// translation unit. Addresses and ports are in network byte order. Every call
// that fails returns -1 and leaves the failure as a WSAE* code in wsaError.

#include <cstdint>
#include <string>
#include <vector>

namespace posixnet {

// Stream sockets, opened or accepted, come with Nagle's algorithm off.
int OpenTcpSocket(int& wsaError);
int Bind(int fd, std::uint32_t address, std::uint16_t port, int& wsaError);
int Listen(int fd, int backlog, int& wsaError);
// Returns the accepted descriptor and the peer's address and port.
int Accept(int fd, std::uint32_t& address, std::uint16_t& port, int& wsaError);
int Connect(int fd, std::uint32_t address, std::uint16_t port, int& wsaError);

struct IoFlags {
  bool outOfBand = false;
  bool peek = false;
};
// Never raises SIGPIPE.
int Send(int fd, const char* buffer, int length, IoFlags flags, int& wsaError);
int Recv(int fd, char* buffer, int length, IoFlags flags, int& wsaError);
int Shutdown(int fd, int how, int& wsaError);  // 0 receive, 1 send, 2 both
int Close(int fd, int& wsaError);

int SetLinger(int fd, bool on, int seconds, int& wsaError);
int GetLinger(int fd, bool& on, int& seconds, int& wsaError);
// The pending error of the socket (a finished non-blocking connect) as a
// WSAE* code, 0 for none.
int PendingError(int fd, int& wsaError);
// 1 when TCP_NODELAY is on, 0 when off.
int NoDelay(int fd, int& wsaError);
int SetNonBlocking(int fd, bool nonBlocking, int& wsaError);
int BytesReadable(int fd, int& wsaError);
int LocalName(int fd, std::uint32_t& address, std::uint16_t& port, int& wsaError);
int PeerName(int fd, std::uint32_t& address, std::uint16_t& port, int& wsaError);

// What a readable connected socket holds, without taking anything.
enum class ReadState { Data, OrderlyClose, Failed, Nothing };
ReadState PeekReadState(int fd, int& wsaError);

// Dotted IPv4 text in any of the forms inet_aton accepts; false otherwise.
bool ParseDottedAddress(const char* text, std::uint32_t& address);
std::string FormatDottedAddress(std::uint32_t address);

// A blocking IPv4 look-up; wsaError is a WSA name-resolution code or 0.
struct HostAddresses {
  std::string officialName;
  std::vector<std::uint32_t> addresses;
  int wsaError = 0;
};
HostAddresses ResolveIPv4(const std::string& name);

}  // namespace posixnet
