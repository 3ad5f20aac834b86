#pragma once
// Unit Psock: the TCP client connection TPowersock over an asynchronous
// WinSock socket, its hidden-window timer TThreadTimer, the socket exceptions
// and error texts, and the field cutter NthField.
//
// Everything runs on the GUI thread. Operations that look blocking (Connect,
// Write, ReadLn, SendStream, Transaction) wait by sleeping 2 ms and pumping
// the application's messages until a flag that a message handler, the timer
// or Cancel changes; socket events, look-up completions and timer ticks arrive
// as messages to hidden windows.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Classes.h"
#include "platform/base/Exception.h"
#include "platform/messages/Messages.h"
#include "platform/winsock/WinSock.h"

// Socket, look-up, connect and accept failures, and the texts of WinSock errors.
class ESockError : public Exception {
 public:
  using Exception::Exception;
};

// A wait ended by Cancel, or by the connection dying under it.
class EAbortError : public ESockError {
 public:
  using ESockError::ESockError;
};

// One row of the WinSock error texts; a text has at most 51 characters.
struct TSocketErrorText {
  std::uint32_t Code;
  const char* Text;
};
// 51 rows in ascending code order but the last, the fallback row with code 0
// that the look-up never reaches.
extern const std::array<TSocketErrorText, 51> SocketErrorTexts;

// The private messages of the socket window.
constexpr UINT WM_SOCKETEVENT = WM_USER + 101;     // WinSock notification
constexpr UINT WM_HOSTLOOKUPDONE = WM_USER + 102;  // host look-up completed
constexpr UINT WM_SOCKETWRITE = WM_USER + 103;     // run the write pump (lParam: the component)
constexpr UINT WM_SOCKETREAD = WM_USER + 104;      // run the read pump again (lParam: the component)

// One recv or send moves at most this many bytes.
constexpr int ChunkSize = 16383;
// A received line (up to its LF) longer than this raises ESockError.
constexpr std::int64_t kMaxLineLength = 64 * 1024;

using THandlerEvent = std::function<void(bool& Handled)>;
using TOnHostResolved = std::function<void(TComponent* Sender)>;
using TOnStatus = std::function<void(TComponent* Sender, const std::string& Status)>;
using TSocketErrorEvent = std::function<void(TObject* Sender, std::uint16_t Error, const std::string& Text)>;

// A THandlerEvent's one chance to fix a failed step: false when no handler is
// set or it was asked before; otherwise asks it, sets asked, and returns
// whether it set Handled.
bool RetryGranted(const THandlerEvent& handler, bool& asked);

// The fields of a field list cut at delimiter: index 1 is the text before the
// first delimiter. Empty for an empty text, an empty field, index 0 and an
// index past the last field.
std::string NthField(const std::string& text, char delimiter, int index);

// A periodic window timer on a hidden window of its own (no thread, despite
// its name). It runs while Enabled, Interval is not 0 and OnTimer is set.
class TThreadTimer : public TComponent {
 public:
  explicit TThreadTimer(TComponent* AOwner);
  ~TThreadTimer() override;
  std::string ClassName() const override { return "TThreadTimer"; }

  bool Enabled() const { return m_enabled; }
  // Re-arms only when the value changes.
  void SetEnabled(bool value);
  UINT Interval() const { return m_interval; }
  // Milliseconds; re-arms (restarting the period) only when the value changes.
  void SetInterval(UINT value);
  const TNotifyEvent& OnTimer() const { return m_onTimer; }
  // Always re-arms.
  void SetOnTimer(TNotifyEvent handler);

  // Fires OnTimer (Sender: the timer) when set.
  virtual void Timer();
  // The timer window's messages once the timer is attached to it.
  void WndProc(TMessage& message);

  HWND TimerWindow = nullptr;

 private:
  static HWND AllocateTimerWindow(TThreadTimer* timer);
  // Kills window timer 1 and sets it again when the timer should run; raises
  // Exception "No Timer" when the system refuses it.
  void UpdateTimer();

  UINT m_interval = 1000;
  TNotifyEvent m_onTimer;
  bool m_enabled = true;
};

// The TCP client connection. Failures are raised as ESockError / EAbortError
// (and the class library's Exception for "Not Connected" and "No Timer");
// exceptions inside socket-window messages are discarded.
class TPowersock : public TComponent {
 public:
  // Raises ESockError "Initializaton of windows sockets failed" when no
  // socket can be made.
  explicit TPowersock(TComponent* AOwner);
  // Runs Abort and Cancel, then closes the socket without OnDisconnect. A
  // derived class whose Abort does more calls its own Abort first in its
  // destructor: C++ does not dispatch to the override from here.
  ~TPowersock() override;
  std::string ClassName() const override { return "TPowersock"; }

  // Resolves Host (or ProxyHost) and connects to Port; returns connected or
  // raises ESockError. Clears Canceled first; unless already connected, also
  // ConnectionLost and any bytes left in InStream by an earlier connection.
  // A failed connect leaves a fresh socket, so the next Connect can succeed.
  virtual void Connect();
  // Closes the socket (CloseSocket).
  virtual void Disconnect();
  // Sends command + CR LF and reads one reply line into LastReply (CR LF
  // kept), setting ReplyNumber from its leading digits (0 when none).
  virtual std::string Transaction(const std::string& command, std::string& reply);
  // Called by the time-out and by the destructor; nothing here.
  virtual void Abort();
  // Waits until an FD_ACCEPT announced a pending connection (or Cancel) and
  // accepts it; returns its handle.
  virtual std::uint16_t Accept();

  // Returns when Connected; otherwise asks OnConnectionRequired once and
  // raises Exception "Not Connected" unless it connected.
  void RequireConnection();
  // The number of a reply line: its leading decimal digits, looking at no
  // more than its first 10 characters; 0 when it has none. Raises ERangeError
  // when it does not fit 16 bits.
  static std::int16_t ReplyNumberOf(const std::string& line);
  // Makes the running wait end with its cancel failure.
  void Cancel();
  // Fills RemoteAddress with the address of Host (or ProxyHost).
  void ResolveHost();
  // Closes the socket and, unless destroying, makes a fresh one.
  void CloseSocket();
  void ReportStatus(std::uint8_t level, const std::string& text);
  // Arms the time-out with TimeOut.
  void StartTimer();
  // Arms the time-out with milliseconds (0: none), restarting its period;
  // while it runs, every send that moves bytes restarts it again.
  void StartTimerFor(int milliseconds);
  void StopTimer();
  void TimerTriggered(TObject* Sender);
  void InitSocket();
  // The text of a WinSock error code: "" for 0, "<code>:<text>", or
  // "Unknown Error No. <code>".
  void ErrorText(std::uint16_t code, std::string& text);
  // After a failed socket call: returns with "" when WSAGetLastError is the
  // tolerated code, else fires OnError and raises ESockError with the text.
  void CheckError(std::uint16_t tolerated, std::string& text);

  // Queues length bytes (0: up to the terminator) and waits until the socket
  // took them. Returns at once, sending nothing, while Canceled is set.
  // Raises EAbortError "Socket send aborted" on Cancel during the wait or
  // when the connection is dead.
  void Write(const char* characters, std::uint16_t length);
  // Sends text up to its first NUL, whole.
  void WriteString(const std::string& text);
  // Sends text + CR LF.
  void Writeln(const std::string& text);
  // Waits for one line and takes it, LF (and any CR before it) included.
  // Raises EAbortError "Socket readln aborted" on Cancel or when the
  // connection died with no complete line left, and ESockError "Line too
  // long" when no LF comes within kMaxLineLength bytes.
  void ReadLn(std::string& line);
  // Sends the whole stream from its beginning; OnPacketSent fires per chunk.
  // Raises EAbortError "Socket send aborted" on Cancel or a dead connection.
  void SendStream(TStream& stream);

  // The pumps, run from the socket window's messages.
  void WriteFromStream();
  void ReadToStream();
  // Handles one of the four private messages of the socket window.
  void DispatchSocketMessage(TMessage& message);

  // Published properties and events.
  std::string Host;
  int Port = 0;                // only the low 16 bits are used
  int TimeOut = 0;             // ms bound of the connect and look-up waits; 0: none
  int ReportLevel = 0;         // highest status level passed to OnStatus
  TNotifyEvent OnDisconnect;   // CloseSocket closed the socket
  TNotifyEvent OnConnect;      // the TCP connection is established
  THandlerEvent OnInvalidHost; // no address for the host; Handled: resolve once more
  TOnHostResolved OnHostResolved;
  TOnStatus OnStatus;
  TNotifyEvent OnConnectionFailed;
  THandlerEvent OnConnectionRequired;  // published by TZnSMTP
  TNotifyEvent OnPacketSent;           // published by TZnSMTP

  // Unpublished events.
  TNotifyEvent OnDataAvailable;   // end of a read-pump pass that stored bytes
  TNotifyEvent OnAccept;          // FD_ACCEPT arrived
  TSocketErrorEvent OnError;      // CheckError before it raises; recv failure
  TNotifyEvent OnPacketReceived;  // each received chunk while Streaming
  TNotifyEvent OnReadCanceled;    // the read pump found Canceled set

  // State.
  bool Streaming = false;
  bool PumpBusy = false;
  std::vector<std::string> WinsockInfo;  // six lines, first instance only
  std::int32_t BytesSent = 0;
  bool Canceled = false;
  bool Destroying = false;
  std::int32_t LastError = 0;
  std::string LastStatus;
  std::string WriteBuffer;
  std::string ProxyHost;
  std::uint16_t ProxyPort = 0;
  std::unique_ptr<TThreadTimer> Timer;
  std::unique_ptr<TMemoryStream> OutStream;
  std::unique_ptr<TMemoryStream> SpareOutStream;
  std::unique_ptr<TMemoryStream> SpareInStream;
  bool NoError = true;
  bool TimedOut = false;
  std::int32_t BytesToSend = 0;
  std::int32_t BytesReceived = 0;
  bool LookupDone = false;
  WSADATA WinsockData{};
  sockaddr_in RemoteAddress{};
  std::array<char, MAXGETHOSTSTRUCT> HostEntryBuffer{};
  std::string LastReply;
  std::int16_t ReplyNumber = 0;
  bool Sent = false;
  std::uint16_t SocketHandle = 0xFFFF;  // 0xFFFF: none
  HWND SocketWindow = nullptr;
  std::unique_ptr<TMemoryStream> InStream;
  bool Connected = false;
  // The connection died under an operation (closed by the peer, or a socket
  // error): waits end on it and Write / SendStream raise until Connect.
  bool ConnectionLost = false;

 private:
  enum class Linger { Abortive, Graceful };

  static HWND AllocateSocketWindow(TPowersock* component);
  void StartWinsock();
  void OpenSocket(Linger linger);
  void OpenReplacementSocket();
  void ConnectSocket();
  void ReplaceSocket();
  void RestartTimerPeriod();
  void ResolveWithRetry();
  bool TakeFirstAddress();
  void WithdrawLookup();
  // The wait idiom: one pass sleeps 2 ms and pumps the messages.
  void Pump();
  void PumpUntil(const std::function<bool()>& done);
  void HandleSocketEvent(const TMessage& message);
  void HandleLookupDone(const TMessage& message);
  void DrainSocket();
  bool ReceiveChunk();
  void QueueAndWaitSent(const char* bytes, std::int64_t count);
  void QueueStreamAndWait(TStream& stream);
  // Posts the write pump and waits until the queue is sent, Canceled is set
  // or the connection is down; raises EAbortError for a dead connection.
  void WaitSent();
  bool LinkDown() const;
  void LoseConnection();
  bool HasCompleteLine() const;
  std::string TakeLine();
  void CompactOutStream();

  // Queued bytes before this offset of OutStream have been sent: compaction
  // copies the rest only when the sent part outweighs it, so a large send
  // stays linear.
  std::int64_t m_outStart = 0;
  HANDLE m_lookupTask = nullptr;  // the look-up being waited for
  bool m_acceptPending = false;   // an FD_ACCEPT arrived and was not taken yet
};

// Live TPowersock instances not created at design time; WinSock is started
// when it goes from 0 to 1 and cleaned up when it returns to 0.
extern int SocketInstanceCount;
