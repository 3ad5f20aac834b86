#pragma once
// A scripted SMTP peer on 127.0.0.1 for whole-transcript tests. It accepts one
// connection on a free port, sends the first reply as the greeting, then reads
// one client line at a time and answers each with the next reply; after a
// reply beginning with "354" the whole message up to the line "." counts as
// one client line. Everything the client sends is recorded byte for byte.
// Its thread ends when the client closes or the server is destroyed; a client
// that stops in mid-script (or never comes, or outlives the script) is given
// up after a few idle seconds, so a broken client cannot hang a test. A
// silent server waits for the client instead: no wait of the client ever
// ends because the server grew tired of it.

#include <string>
#include <thread>
#include <vector>

class ScriptedServer {
 public:
  // A reply is sent as given followed by CR LF ("250-a\r\n250 b" is a
  // two-line reply). Special replies: kClose closes the connection instead;
  // kSilence stops answering but keeps the connection, reading, until the
  // client closes it (or the server is destroyed);
  // kClose followed by text sends the text as it stands (no line end) and closes.
  static constexpr const char* kClose = "<close>";
  static constexpr const char* kSilence = "<silence>";

  explicit ScriptedServer(std::vector<std::string> replies);
  // Ends the session, silent or not, and waits for its thread.
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  int Port() const { return m_port; }
  // Waits until the session has ended, then returns every byte the client sent.
  std::string Transcript();
  // The message sent after DATA, with the final "." line removed and the
  // dot-stuffing undone; empty when none arrived.
  std::string Message();

 private:
  void Serve();
  void Session(int fd);
  // False when the client closed, the server is stopping, or idleMillis
  // passed without a byte (-1: no bound).
  bool ReadUnit(int fd, bool wholeMessage, std::string& unit, int idleMillis);
  bool WaitReadable(int fd, int idleMillis) const;
  void Finish();

  std::vector<std::string> m_replies;
  int m_listener = -1;
  int m_stop = -1;  // an eventfd the destructor signals
  int m_port = 0;
  std::string m_transcript;
  std::string m_message;
  std::string m_pending;  // bytes received but not yet taken as a unit
  std::thread m_thread;
};
