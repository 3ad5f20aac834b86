#pragma once
// An SMTP server on 127.0.0.1 that costs the client as little as possible, so
// that a benchmark measures the client: it answers every command at once
// ("354" for DATA, "221" for QUIT, "250" otherwise) and reads a message up to
// its final "." in large blocks, counting the bytes and keeping none. One
// session at a time on its own thread; a session ends when the client says
// QUIT, closes, or stays silent for a few seconds.

#include <atomic>
#include <cstdint>
#include <thread>

class FastSmtpSink {
 public:
  // Listens on a free loopback port; throws std::runtime_error when it cannot.
  FastSmtpSink();
  // Stops accepting and waits for the thread (at most one silence period).
  ~FastSmtpSink();
  FastSmtpSink(const FastSmtpSink&) = delete;
  FastSmtpSink& operator=(const FastSmtpSink&) = delete;

  int Port() const { return m_port; }
  // Messages accepted since the start.
  std::int64_t Messages() const { return m_messages; }
  // Bytes of the last message accepted, from after DATA's reply to the final "." line included.
  std::int64_t LastMessageBytes() const { return m_lastMessageBytes; }

 private:
  void Serve();

  int m_listener = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<std::int64_t> m_messages{0};
  std::atomic<std::int64_t> m_lastMessageBytes{0};
  std::thread m_thread;
};
