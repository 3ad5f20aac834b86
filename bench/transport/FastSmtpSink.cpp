#include "bench/transport/FastSmtpSink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/LoopbackListener.h"

namespace {

constexpr int kSilenceMs = 5000;    // a session with a client this quiet is over
constexpr int kAcceptPollMs = 100;  // how often the accepting loop looks at the stop flag
constexpr size_t kBlockBytes = 1 << 20;
constexpr std::string_view kEndOfData = "\r\n.\r\n";

// One client connection: buffered reading of lines and of a message's data.
class Session {
 public:
  explicit Session(int fd) : m_fd(fd), m_buffer(kBlockBytes) {}

  // Answers commands until QUIT, a close or silence; counts accepted messages.
  void Run(std::atomic<std::int64_t>& messages, std::atomic<std::int64_t>& lastBytes) {
    Reply("220 fast sink ready");
    for (std::string line; ReadLine(line);) {
      const std::string verb = Verb(line);
      if (verb == "QUIT") return Reply("221 bye");
      if (verb != "DATA") {
        Reply("250 ok");
        continue;
      }
      Reply("354 go ahead");
      std::int64_t bytes = 0;
      if (!DiscardMessage(bytes)) return;
      lastBytes = bytes;
      ++messages;
      Reply("250 accepted");
    }
  }

 private:
  static std::string_view Tail(std::string_view text, size_t count) {
    return text.substr(text.size() - std::min(count, text.size()));
  }

  static std::string Verb(const std::string& line) {
    std::string verb = line.substr(0, 4);
    for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return verb;
  }

  void Reply(const std::string& text) {
    const std::string line = text + "\r\n";
    send(m_fd, line.data(), line.size(), MSG_NOSIGNAL);
  }

  std::string_view Buffered() const { return {m_buffer.data() + m_start, m_end - m_start}; }

  // Waits for more bytes after those buffered; false on close, error or silence.
  bool Fill() {
    if (m_start > 0) {
      std::memmove(m_buffer.data(), m_buffer.data() + m_start, m_end - m_start);
      m_end -= m_start;
      m_start = 0;
    }
    if (m_end == m_buffer.size()) return false;
    pollfd ready{m_fd, POLLIN, 0};
    if (poll(&ready, 1, kSilenceMs) <= 0) return false;
    const ssize_t n = recv(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end, 0);
    if (n <= 0) return false;
    m_end += static_cast<size_t>(n);
    return true;
  }

  bool ReadLine(std::string& line) {
    while (Buffered().find('\n') == std::string_view::npos)
      if (!Fill()) return false;
    const size_t length = Buffered().find('\n') + 1;
    line.assign(Buffered().substr(0, length));
    m_start += length;
    return true;
  }

  // Reads up to and including the line ".", keeping only the last four bytes
  // seen so that a terminator split across two blocks is still found. The
  // DATA line's own CR LF counts before the first line.
  bool DiscardMessage(std::int64_t& bytes) {
    std::string carry = "\r\n";
    bytes = 0;
    for (;;) {
      if (Buffered().empty() && !Fill()) return false;
      const std::string_view data = Buffered();
      const size_t end = EndOfData(carry, data);
      if (end != std::string_view::npos) {
        bytes += static_cast<std::int64_t>(end);
        m_start += end;
        return true;
      }
      bytes += static_cast<std::int64_t>(data.size());
      carry = Tail(carry + std::string(Tail(data, 4)), 4);
      m_start = m_end;
    }
  }

  // The length of data up to the end of the terminator, or npos.
  static size_t EndOfData(const std::string& carry, std::string_view data) {
    const std::string joint = carry + std::string(data.substr(0, 4));
    const size_t split = joint.find(kEndOfData);
    if (split != std::string::npos) return split + kEndOfData.size() - carry.size();
    const size_t inside = data.find(kEndOfData);
    return inside == std::string_view::npos ? inside : inside + kEndOfData.size();
  }

  int m_fd;
  std::vector<char> m_buffer;
  size_t m_start = 0;
  size_t m_end = 0;
};

}  // namespace

FastSmtpSink::FastSmtpSink() {
  std::uint16_t port = 0;
  m_listener = ListenOnLoopback(4, port, "fast SMTP sink");
  m_port = port;
  m_thread = std::thread([this] { Serve(); });
}

FastSmtpSink::~FastSmtpSink() {
  m_stop = true;
  m_thread.join();
  close(m_listener);
}

void FastSmtpSink::Serve() {
  while (!m_stop) {
    pollfd ready{m_listener, POLLIN, 0};
    if (poll(&ready, 1, kAcceptPollMs) <= 0) continue;
    const int fd = accept(m_listener, nullptr, nullptr);
    if (fd < 0) continue;
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Session(fd).Run(m_messages, m_lastMessageBytes);
    close(fd);
  }
}
