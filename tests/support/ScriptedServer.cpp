#include "tests/support/ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/LoopbackListener.h"

namespace {

constexpr int kIdleMillis = 5000;
constexpr int kNoBound = -1;

void SendAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

std::string Unstuffed(const std::string& data) {
  std::string out;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find("\r\n", start);
    end = end == std::string::npos ? data.size() : end + 2;
    size_t skip = data.compare(start, 1, ".") == 0 ? 1 : 0;
    out.append(data, start + skip, end - start - skip);
    start = end;
  }
  return out;
}

}  // namespace

ScriptedServer::ScriptedServer(std::vector<std::string> replies) : m_replies(std::move(replies)) {
  std::uint16_t port = 0;
  m_listener = ListenOnLoopback(1, port, "scripted server");
  m_port = port;
  m_stop = eventfd(0, EFD_CLOEXEC);
  m_thread = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto written = write(m_stop, &one, sizeof one);
  Finish();
  close(m_stop);
}

std::string ScriptedServer::Transcript() {
  Finish();
  return m_transcript;
}

std::string ScriptedServer::Message() {
  Finish();
  return m_message;
}

void ScriptedServer::Finish() {
  if (m_thread.joinable()) m_thread.join();
  if (m_listener >= 0) close(m_listener);
  m_listener = -1;
}

void ScriptedServer::Serve() {
  if (!WaitReadable(m_listener, kIdleMillis)) return;
  int fd = accept(m_listener, nullptr, nullptr);
  if (fd < 0) return;
  Session(fd);
  close(fd);
}

void ScriptedServer::Session(int fd) {
  bool messageNext = false;
  int idleMillis = kIdleMillis;
  for (size_t i = 0; i < m_replies.size(); ++i) {
    if (i > 0) {
      std::string unit;
      if (!ReadUnit(fd, messageNext, unit, kIdleMillis)) return;
      if (messageNext) m_message = Unstuffed(unit.substr(0, unit.size() - 3));
    }
    const std::string& reply = m_replies[i];
    if (reply == kSilence) {
      idleMillis = kNoBound;
      break;
    }
    if (reply.rfind(kClose, 0) == 0) {
      SendAll(fd, reply.substr(std::string(kClose).size()));
      return;
    }
    SendAll(fd, reply + "\r\n");
    messageNext = reply.rfind("354", 0) == 0;
  }
  // Script done or silent: record whatever else arrives until the client closes.
  std::string rest;
  while (ReadUnit(fd, false, rest, idleMillis)) {
  }
}

// One line (through LF), or with wholeMessage everything through CR LF "." CR LF.
bool ScriptedServer::ReadUnit(int fd, bool wholeMessage, std::string& unit, int idleMillis) {
  const std::string end = wholeMessage ? "\r\n.\r\n" : "\n";
  for (;;) {
    size_t found = m_pending.find(end);
    if (found != std::string::npos) {
      unit = m_pending.substr(0, found + end.size());
      m_pending.erase(0, found + end.size());
      return true;
    }
    char buffer[16384];
    if (!WaitReadable(fd, idleMillis)) return false;
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    m_transcript.append(buffer, static_cast<size_t>(n));
    m_pending.append(buffer, static_cast<size_t>(n));
  }
}

bool ScriptedServer::WaitReadable(int fd, int idleMillis) const {
  pollfd p[2] = {{fd, POLLIN, 0}, {m_stop, POLLIN, 0}};
  return poll(p, 2, idleMillis) > 0 && p[1].revents == 0;
}
