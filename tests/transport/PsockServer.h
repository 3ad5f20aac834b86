#pragma once
// A scripted TCP server on 127.0.0.1 for the socket connection's tests. It
// listens on a free port and runs its script on a thread of its own with one
// accepted client, through blocking WinSock calls; it records every byte it
// receives.

#include <algorithm>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/messages/Messages.h"
#include "platform/winsock/WinSock.h"

// 127.0.0.1 at port; 0 lets bind choose a free one.
inline sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  address.sin_port = htons(static_cast<u_short>(port));
  return address;
}

// A TCP socket bound to a free port on 127.0.0.1; address gets that port.
inline SOCKET BindFreeLoopbackPort(sockaddr_in& address) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  address = LoopbackAddress(0);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return s;
}

// Starts WinSock for the caller and listens on a free loopback port with
// backlog; port gets the port.
inline SOCKET ListenOnFreeLoopbackPort(int backlog, int& port) {
  WSADATA data;
  WSAStartup(0x0101, &data);
  sockaddr_in address;
  SOCKET listener = BindFreeLoopbackPort(address);
  listen(listener, backlog);
  port = ntohs(address.sin_port);
  return listener;
}

class PsockServer {
 public:
  // The accepted connection, as the script sees it.
  class Peer {
   public:
    Peer(SOCKET s, PsockServer& server) : m_socket(s), m_server(server) {}

    void Send(const std::string& bytes) {
      size_t done = 0;
      while (done < bytes.size()) {
        int n = send(m_socket, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
      }
    }
    // Reads up to and including the next LF; "" when the client has gone.
    std::string ReadLine() {
      std::string line;
      char byte;
      while (recv(m_socket, &byte, 1, 0) == 1) {
        m_server.Record(std::string(1, byte));
        line += byte;
        if (byte == '\n') return line;
      }
      return "";
    }
    // Reads exactly count bytes, or fewer when the client goes.
    void ReadBytes(size_t count) {
      char chunk[65536];
      while (count > 0) {
        int n = recv(m_socket, chunk, static_cast<int>(std::min(count, sizeof chunk)), 0);
        if (n <= 0) return;
        m_server.Record(std::string(chunk, n));
        count -= static_cast<size_t>(n);
      }
    }
    // Reads everything until the client closes.
    void ReadUntilClosed() {
      char chunk[65536];
      int n;
      while ((n = recv(m_socket, chunk, sizeof chunk, 0)) > 0) m_server.Record(std::string(chunk, n));
    }
    // Closes with a reset instead of an orderly close.
    void Reset() {
      linger option{1, 0};
      setsockopt(m_socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
      Close();
    }
    void Close() {
      if (m_socket != INVALID_SOCKET) closesocket(m_socket);
      m_socket = INVALID_SOCKET;
    }

   private:
    SOCKET m_socket;
    PsockServer& m_server;
  };

  explicit PsockServer(std::function<void(Peer&)> script) {
    m_listener = ListenOnFreeLoopbackPort(1, m_port);
    m_thread = std::thread([this, script = std::move(script)] { Serve(script); });
  }

  ~PsockServer() {
    // Wakes an accept that no client will answer.
    shutdown(m_listener, SD_BOTH);
    m_thread.join();
    closesocket(m_listener);
    WSACleanup();
  }

  int Port() const { return m_port; }

  std::string Received() {
    std::lock_guard lock(m_mutex);
    return m_received;
  }

 private:
  void Serve(const std::function<void(Peer&)>& script) {
    SOCKET client = accept(m_listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    Peer peer(client, *this);
    script(peer);
    peer.ReadUntilClosed();
    peer.Close();
  }

  void Record(const std::string& bytes) {
    std::lock_guard lock(m_mutex);
    m_received += bytes;
  }

  SOCKET m_listener;
  int m_port = 0;
  std::mutex m_mutex;
  std::string m_received;
  std::thread m_thread;
};

// A loopback port whose listener's queue is full: a connect to it is never
// answered, so it ends only by time-out or cancel.
class UnansweredPort {
 public:
  UnansweredPort() {
    m_listener = ListenOnFreeLoopbackPort(0, m_port);
    // The one connection the queue holds, never accepted.
    m_filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = LoopbackAddress(m_port);
    connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  ~UnansweredPort() {
    closesocket(m_filler);
    closesocket(m_listener);
    WSACleanup();
  }
  int Port() const { return m_port; }

 private:
  SOCKET m_listener;
  SOCKET m_filler;
  int m_port = 0;
};

// A loopback port where nothing listens: a connect to it is refused.
inline int RefusedPort() {
  WSADATA data;
  WSAStartup(0x0101, &data);
  sockaddr_in address;
  closesocket(BindFreeLoopbackPort(address));
  WSACleanup();
  return ntohs(address.sin_port);
}

// Runs an action from the GUI thread's message queue: inside the next wait
// of a component, as a user's command would.
inline void RunSoon(std::function<void()> action) {
  static std::deque<std::function<void()>> pending;
  static HWND window = [] {
    WNDPROC procedure = [](HWND w, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (msg != WM_USER || pending.empty()) return DefWindowProc(w, msg, wParam, lParam);
      auto next = std::move(pending.front());
      pending.pop_front();
      next();
      return 0;
    };
    WNDCLASS windowClass{0, procedure, 0, 0, HInstance, "PsockTestSoonWindow"};
    RegisterClass(windowClass);
    return CreateWindowEx(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, HInstance,
                          nullptr);
  }();
  pending.push_back(std::move(action));
  PostMessage(window, WM_USER, 0, 0);
}

// Pumps the GUI thread's messages until done() holds; false when it still
// does not after some 10000 passes, so a failing test ends.
inline bool PumpUntil(const std::function<bool()>& done) {
  for (int pass = 0; pass < 10000 && !done(); ++pass) {
    Sleep(1);
    ProcessMessages();
  }
  return done();
}
