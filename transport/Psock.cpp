// TPowersock: construction, connection, host look-up, closing, time-out,
// status reports and the socket window.

#include "transport/Psock.h"

#include <cstring>

#include "transport/PsockWindow.h"
#include "transport/RangeCheck.h"

int SocketInstanceCount = 0;

bool RetryGranted(const THandlerEvent& handler, bool& asked) {
  if (asked || !handler) return false;
  asked = true;
  bool handled = false;
  handler(handled);
  return handled;
}

namespace {

constexpr const char* kSocketWindowClass = "PsockWindowClass";
constexpr std::uint16_t kNoSocket = 0xFFFF;
constexpr long kAllEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
// A host name is used through a 128-byte buffer with its terminator.
constexpr size_t kMaxHostNameLength = 127;

LRESULT SocketWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* component = reinterpret_cast<TPowersock*>(GetWindowLongPtr(window, 0));
  if (!component) return DefWindowProc(window, msg, wParam, lParam);
  if (msg < WM_SOCKETEVENT || msg > WM_SOCKETREAD) return DefWindowProc(window, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  component->DispatchSocketMessage(message);
  return 0;
}

std::string VersionText(WORD version) {
  return std::to_string(version >> 8) + "." + std::to_string(version & 0xFF);
}

}  // namespace

TPowersock::TPowersock(TComponent* AOwner) : TComponent(AOwner) {
  ReportStatus(8, "Create");
  SocketWindow = AllocateSocketWindow(this);
  ProxyHost.clear();
  WriteBuffer.reserve(16385);
  Timer = std::make_unique<TThreadTimer>(this);
  Timer->SetEnabled(false);
  Timer->SetOnTimer([this](TObject* sender) { TimerTriggered(sender); });
  InStream = std::make_unique<TMemoryStream>();
  SpareInStream = std::make_unique<TMemoryStream>();
  OutStream = std::make_unique<TMemoryStream>();
  SpareOutStream = std::make_unique<TMemoryStream>();
  try {
    // Without its window the component could never hear from its socket.
    if (!SocketWindow) throw ESockError("Initializaton of windows sockets failed");
    InitSocket();
  } catch (...) {
    DestroyWindow(SocketWindow);
    throw;
  }
}

TPowersock::~TPowersock() {
  TComponent::Destroying();
  ReportStatus(8, "Destroy");
  try {
    Abort();
    Cancel();
  } catch (...) {
    // Destruction goes on whatever the hooks raise.
  }
  WithdrawLookup();
  Timer.reset();
  DestroyWindow(SocketWindow);
  SocketWindow = nullptr;
  Destroying = true;
  if (InState(csDesigning)) return;
  try {
    CloseSocket();
  } catch (...) {
    // A socket that cannot be closed is left to the process's end.
  }
  if (--SocketInstanceCount == 0) WSACleanup();
}

void TPowersock::InitSocket() {
  ReportStatus(8, "Initializing Winsock");
  if (InState(csDesigning)) return;
  if (++SocketInstanceCount == 1) StartWinsock();
  try {
    OpenSocket(Linger::Abortive);
  } catch (...) {
    if (--SocketInstanceCount == 0) WSACleanup();
    throw ESockError("Initializaton of windows sockets failed");
  }
}

void TPowersock::StartWinsock() {
  WSAStartup(0x0101, &WinsockData);
  WinsockInfo.push_back("Version= " + VersionText(WinsockData.wVersion));
  WinsockInfo.push_back("High Version= " + VersionText(WinsockData.wHighVersion));
  WinsockInfo.push_back(std::string("Description= ") + WinsockData.szDescription);
  WinsockInfo.push_back(std::string("System= ") + WinsockData.szSystemStatus);
  WinsockInfo.push_back("Max Sockets= " + std::to_string(WinsockData.iMaxSockets));
  WinsockInfo.push_back("Max Udp pack size= " + std::to_string(WinsockData.iMaxUdpDg));
}

void TPowersock::OpenSocket(Linger linger) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    std::string text;
    CheckError(WSAEWOULDBLOCK, text);
    throw ESockError(text);
  }
  if (s > 0xFFFF) {
    closesocket(s);
    throw ERangeError(kRangeErrorText);
  }
  SocketHandle = static_cast<std::uint16_t>(s);
  if (linger == Linger::Abortive) {
    // Linger on with 0 seconds: closing resets the connection at once.
    ::linger option{1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
  }
  if (WSAAsyncSelect(s, SocketWindow, WM_SOCKETEVENT, kAllEvents) == SOCKET_ERROR) {
    std::string text;
    CheckError(WSAEWOULDBLOCK, text);
    throw ESockError(text);
  }
}

void TPowersock::Connect() {
  ReportStatus(8, "Connecting");
  Canceled = false;
  if (Connected) throw ESockError("Already connected");
  // Nothing of an earlier connection passes for this one's.
  ConnectionLost = false;
  InStream->Clear();
  ResolveWithRetry();
  RemoteAddress.sin_family = AF_INET;
  RemoteAddress.sin_port = htons(ProxyHost.empty() ? static_cast<u_short>(Port & 0xFFFF) : ProxyPort);
  try {
    ConnectSocket();
  } catch (...) {
    // A socket whose connect failed cannot connect again (Linux answers
    // ECONNABORTED): the next attempt gets a fresh one.
    ReplaceSocket();
    throw;
  }
}

void TPowersock::ConnectSocket() {
  LookupDone = false;
  NoError = true;
  if (connect(SocketHandle, reinterpret_cast<const sockaddr*>(&RemoteAddress), 16) == SOCKET_ERROR) {
    std::string text;
    CheckError(WSAEWOULDBLOCK, text);
  }
  StartTimer();
  Pump();
  PumpUntil([this] { return Connected || TimedOut || Canceled || !NoError; });
  StopTimer();
  if (!TimedOut && !Canceled && NoError) return;
  if (OnConnectionFailed) OnConnectionFailed(this);
  if (TimedOut) throw ESockError("Connection Timed out");
  if (Canceled) throw ESockError("Connection Canceled");
  throw ESockError("Connection Failed");
}

void TPowersock::ReplaceSocket() {
  Connected = false;
  if (SocketHandle != kNoSocket) closesocket(SocketHandle);
  SocketHandle = kNoSocket;
  OpenReplacementSocket();
}

void TPowersock::ResolveWithRetry() {
  bool retried = false;
  for (;;) {
    try {
      ResolveHost();
    } catch (const ESockError& error) {
      if (error.Message == "Host Lookup Timed Out" || error.Message == "Host Lookup Canceled") throw;
    }
    if (RemoteAddress.sin_addr.s_addr != 0) return;
    if (!RetryGranted(OnInvalidHost, retried)) throw ESockError("Null Remote Address");
  }
}

void TPowersock::ResolveHost() {
  ReportStatus(8, "Resolve Host");
  const std::string name = (ProxyHost.empty() ? Host : ProxyHost).c_str();
  // A failed look-up must never leave the previous host's address behind.
  RemoteAddress.sin_addr.s_addr = 0;
  if (name.size() > kMaxHostNameLength) throw ESockError("Host Lookup Failed");
  const u_long address = inet_addr(name.c_str());
  if (address != INADDR_NONE) {
    RemoteAddress.sin_addr.s_addr = static_cast<std::uint32_t>(address);
    return;
  }
  StartTimer();
  LookupDone = false;
  m_lookupTask = WSAAsyncGetHostByName(SocketWindow, WM_HOSTLOOKUPDONE, name.c_str(), HostEntryBuffer.data(),
                                       MAXGETHOSTSTRUCT);
  if (!m_lookupTask) {
    // A request refused at once fails now instead of waiting for nothing.
    LookupDone = true;
    NoError = false;
  }
  Pump();
  PumpUntil([this] { return LookupDone || TimedOut || Canceled; });
  StopTimer();
  // An abandoned look-up is withdrawn, so it never writes the buffer later.
  WithdrawLookup();
  if (TimedOut) throw ESockError("Host Lookup Timed Out");
  if (Canceled) throw ESockError("Host Lookup Canceled");
  if (!NoError || !TakeFirstAddress()) throw ESockError("Host Lookup Failed");
  if (OnHostResolved) OnHostResolved(this);
}

bool TPowersock::TakeFirstAddress() {
  hostent entry;
  std::memcpy(&entry, HostEntryBuffer.data(), sizeof entry);
  if (!entry.h_addr_list) return false;
  char* first;
  std::memcpy(&first, entry.h_addr_list, sizeof first);
  if (!first) return false;
  std::memcpy(&RemoteAddress.sin_addr.s_addr, first, 4);
  return true;
}

void TPowersock::WithdrawLookup() {
  if (m_lookupTask) WSACancelAsyncRequest(m_lookupTask);
  m_lookupTask = nullptr;
}

void TPowersock::Disconnect() {
  ReportStatus(8, "Disconnecting");
  CloseSocket();
}

void TPowersock::CloseSocket() {
  ReportStatus(4, "Request Close Socket");
  Connected = false;
  if (SocketHandle == kNoSocket) return;
  if (closesocket(SocketHandle) == SOCKET_ERROR) {
    std::string text;
    CheckError(WSAEWOULDBLOCK, text);
    return;
  }
  SocketHandle = kNoSocket;
  // Bytes queued for the closed connection must never reach the next one.
  OutStream->Clear();
  m_outStart = 0;
  if (OnDisconnect && !InState(csDestroying)) OnDisconnect(this);
  if (Destroying) return;
  OpenReplacementSocket();
}

// The replacement closes gracefully (no linger option); a failure to make it
// leaves no socket, which the next Connect reports.
void TPowersock::OpenReplacementSocket() {
  try {
    OpenSocket(Linger::Graceful);
  } catch (const Exception&) {
  }
}

void TPowersock::RequireConnection() {
  bool asked = false;
  while (!Connected)
    if (!RetryGranted(OnConnectionRequired, asked)) throw Exception("Not Connected");
}

void TPowersock::Cancel() {
  ReportStatus(8, "Canceling");
  Canceled = true;
}

std::uint16_t TPowersock::Accept() {
  PumpUntil([this] { return m_acceptPending || Canceled; });
  if (Canceled) throw ESockError("Accepting Canceled");
  m_acceptPending = false;
  if (!NoError) throw ESockError("Error creating Data Connection");
  ReportStatus(4, "Accepting");
  sockaddr_in peer{};
  int length = sizeof peer;
  SOCKET accepted = accept(SocketHandle, reinterpret_cast<sockaddr*>(&peer), &length);
  RemoteAddress = peer;
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket send aborted");
  }
  if (accepted == INVALID_SOCKET) return kNoSocket;
  return RangeChecked<std::uint16_t>(accepted);
}

void TPowersock::Abort() {}

void TPowersock::ReportStatus(std::uint8_t level, const std::string& text) {
  if (ReportLevel <= 0 || level > ReportLevel) return;
  LastStatus = text;
  if (OnStatus && !InState(csDestroying)) OnStatus(this, LastStatus);
}

void TPowersock::StartTimer() { StartTimerFor(TimeOut); }

void TPowersock::StartTimerFor(int milliseconds) {
  ReportStatus(8, "Timer On");
  TimedOut = false;
  Timer->SetInterval(RangeChecked<UINT>(milliseconds));
  RestartTimerPeriod();
}

// The timer re-arms only on a change: off and on again starts a new period.
void TPowersock::RestartTimerPeriod() {
  Timer->SetEnabled(false);
  Timer->SetEnabled(true);
}

void TPowersock::StopTimer() {
  ReportStatus(8, "Timer Off");
  Timer->SetEnabled(false);
}

void TPowersock::TimerTriggered(TObject*) {
  ReportStatus(8, "Timer Triggered");
  StopTimer();
  TimedOut = true;
  Abort();
}

void TPowersock::Pump() {
  Sleep(2);
  ProcessMessages();
}

void TPowersock::PumpUntil(const std::function<bool()>& done) {
  while (!done()) Pump();
}

HWND TPowersock::AllocateSocketWindow(TPowersock* component) {
  return AllocateOwnedWindow(kSocketWindowClass, SocketWindowProc, component);
}

void TPowersock::DispatchSocketMessage(TMessage& message) {
  try {
    switch (message.Msg) {
      case WM_SOCKETEVENT: HandleSocketEvent(message); break;
      case WM_HOSTLOOKUPDONE: HandleLookupDone(message); break;
      case WM_SOCKETWRITE: WriteFromStream(); break;
      case WM_SOCKETREAD: ReadToStream(); break;
    }
  } catch (...) {
    // A failure inside a socket message has no caller to go to.
  }
}

void TPowersock::HandleSocketEvent(const TMessage& message) {
  // Only the component's current socket speaks; a replaced one is history.
  if (message.WParam != SocketHandle) return;
  NoError = WSAGETSELECTERROR(message.LParam) == 0;
  switch (WSAGETSELECTEVENT(message.LParam)) {
    case FD_READ: ReadToStream(); break;
    case FD_WRITE: WriteFromStream(); break;
    case FD_ACCEPT:
      Connected = true;
      m_acceptPending = true;
      if (OnAccept) OnAccept(this);
      break;
    case FD_CONNECT:
      if (!NoError) break;
      Connected = true;
      if (OnConnect) OnConnect(this);
      break;
    case FD_CLOSE:
      DrainSocket();
      Connected = false;
      ConnectionLost = true;
      CloseSocket();
      break;
  }
}

void TPowersock::HandleLookupDone(const TMessage& message) {
  // Only the look-up being waited for counts; the completion never touches
  // the connection state.
  if (!m_lookupTask || reinterpret_cast<HANDLE>(message.WParam) != m_lookupTask) return;
  NoError = WSAGETASYNCERROR(message.LParam) == 0;
  LookupDone = true;
  m_lookupTask = nullptr;
}

void TPowersock::DrainSocket() {
  char chunk[ChunkSize];
  int count;
  InStream->SetPosition(InStream->Size());
  do {
    count = recv(SocketHandle, chunk, ChunkSize, 0);
    if (count > 0) InStream->Write(chunk, count);
  } while (count > 0 && !Canceled);
}
