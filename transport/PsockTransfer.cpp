// TPowersock's data transfer: queueing and sending, reading lines, the
// command-and-reply step, the two pumps, and NthField.

#include <cstring>

#include "transport/Psock.h"
#include "transport/RangeCheck.h"

namespace {

// Raises a flag for a scope and lowers it however the scope ends.
class FlagRaised {
 public:
  explicit FlagRaised(bool& flag) : m_flag(flag) { m_flag = true; }
  ~FlagRaised() { m_flag = false; }

 private:
  bool& m_flag;
};

// The most bytes one Write carries (its length is 16-bit).
constexpr size_t kMaxWriteLength = 0xFFFF;

}  // namespace

std::int16_t TPowersock::ReplyNumberOf(const std::string& line) {
  std::int64_t value = 0;
  size_t digits = 0;
  while (digits < line.size() && digits < 10 && line[digits] >= '0' && line[digits] <= '9')
    value = value * 10 + (line[digits++] - '0');
  return RangeChecked<std::int16_t>(value);
}

void TPowersock::Write(const char* characters, std::uint16_t length) {
  ReportStatus(4, "Sending Buffer");
  if (Canceled) return;
  const auto count = length != 0 ? length : RangeChecked<std::uint16_t>(std::strlen(characters));
  if (count == 0) return;
  QueueAndWaitSent(characters, count);
}

void TPowersock::WriteString(const std::string& text) {
  ReportStatus(8, "Write");
  WriteBuffer.assign(text.c_str());
  // Sent whole, in pieces a Write can carry: a long header block is never cut.
  for (size_t offset = 0; offset < WriteBuffer.size(); offset += kMaxWriteLength) {
    const size_t piece = std::min(kMaxWriteLength, WriteBuffer.size() - offset);
    Write(WriteBuffer.data() + offset, static_cast<std::uint16_t>(piece));
  }
}

void TPowersock::Writeln(const std::string& text) {
  ReportStatus(8, "Writeln");
  WriteString(text + "\r\n");
}

void TPowersock::ReadLn(std::string& line) {
  ReportStatus(8, "ReadLn");
  while (!HasCompleteLine()) {
    if (InStream->Size() >= kMaxLineLength) throw ESockError("Line too long");
    if (LinkDown()) throw EAbortError("Socket readln aborted");
    Pump();
    if (Canceled) break;
  }
  if (Canceled) throw EAbortError("Socket readln aborted");
  line = TakeLine();
}

std::string TPowersock::Transaction(const std::string& command, std::string& reply) {
  ReportStatus(8, "Transaction");
  ReplyNumber = 0;
  Writeln(command);
  std::string line;
  ReadLn(line);
  LastReply = line;
  if (!LastReply.empty()) {
    ReportStatus(1, LastReply);
    ReplyNumber = ReplyNumberOf(LastReply);
  }
  reply = LastReply;
  return reply;
}

void TPowersock::SendStream(TStream& stream) {
  {
    FlagRaised streaming(Streaming);
    ReportStatus(8, "SendStream");
    if (!Canceled) QueueStreamAndWait(stream);
  }
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket send aborted");
  }
}

void TPowersock::QueueStreamAndWait(TStream& stream) {
  stream.SetPosition(0);
  ReportStatus(8, "SendFile");
  BytesSent = 0;
  BytesToSend = RangeChecked<std::int32_t>(stream.Size());
  if (stream.Size() == 0) return;
  if (LinkDown()) throw EAbortError("Socket send aborted");
  OutStream->SetPosition(OutStream->Size());
  OutStream->CopyFrom(stream, 0);
  WaitSent();
}

void TPowersock::QueueAndWaitSent(const char* bytes, std::int64_t count) {
  if (LinkDown()) throw EAbortError("Socket send aborted");
  OutStream->SetPosition(OutStream->Size());
  OutStream->Write(bytes, count);
  WaitSent();
  if (Canceled) {
    Canceled = false;
    throw EAbortError("Socket send aborted");
  }
}

void TPowersock::WaitSent() {
  Sent = false;
  ::PostMessage(SocketWindow, WM_SOCKETWRITE, 0, reinterpret_cast<LPARAM>(this));
  PumpUntil([this] { return Sent || Canceled || LinkDown(); });
  if (!Sent && !Canceled) throw EAbortError("Socket send aborted");
}

void TPowersock::WriteFromStream() {
  if (PumpBusy) return;
  FlagRaised busy(PumpBusy);
  ReportStatus(8, "WriteFromStream");
  const std::int64_t queued = OutStream->Size() - m_outStart;
  if (queued == 0 || Canceled) return;
  const int count = static_cast<int>(std::min<std::int64_t>(queued, ChunkSize));
  const int sent = send(SocketHandle, OutStream->Memory() + m_outStart, count, 0);
  if (sent == SOCKET_ERROR) {
    // The bytes stay queued; WinSock's next FD_WRITE runs the pump again.
    LastError = WSAGetLastError();
    if (LastError != WSAEWOULDBLOCK) LoseConnection();
    return;
  }
  if (sent < queued) {
    m_outStart += sent;
    CompactOutStream();
    PumpBusy = false;
    ::PostMessage(SocketWindow, WM_SOCKETWRITE, 0, reinterpret_cast<LPARAM>(this));
  } else {
    OutStream->Clear();
    m_outStart = 0;
    Sent = true;
  }
  BytesSent += sent;
  // A timed send measures from its last progress (each block has its bound).
  if (sent > 0 && Timer->Enabled()) RestartTimerPeriod();
  if (Streaming && OnPacketSent) OnPacketSent(this);
}

void TPowersock::ReadToStream() {
  if (Canceled) {
    WSAAsyncSelect(SocketHandle, SocketWindow, 0, 0);
    if (OnReadCanceled) OnReadCanceled(this);
  }
  if (PumpBusy) return;
  bool received = false;
  {
    FlagRaised busy(PumpBusy);
    ReportStatus(8, "ReadToStream");
    received = ReceiveChunk();
  }
  if (received && OnDataAvailable) OnDataAvailable(this);
}

bool TPowersock::ReceiveChunk() {
  char chunk[ChunkSize];
  InStream->SetPosition(InStream->Size());
  const int count = recv(SocketHandle, chunk, ChunkSize, 0);
  if (count == SOCKET_ERROR) {
    LastError = WSAGetLastError();
    if (LastError != WSAEWOULDBLOCK) LoseConnection();
    if (OnError) {
      std::string text;
      const auto code = RangeChecked<std::uint16_t>(LastError);
      ErrorText(code, text);
      OnError(this, code, text);
    }
    return false;
  }
  InStream->Write(chunk, count);
  if (Streaming) {
    BytesReceived += count;
    if (OnPacketReceived) OnPacketReceived(this);
  }
  // A full chunk means more may be waiting: read it in a later message.
  if (count == ChunkSize) ::PostMessage(SocketWindow, WM_SOCKETREAD, 0, reinterpret_cast<LPARAM>(this));
  return true;
}

bool TPowersock::LinkDown() const { return ConnectionLost || !Connected; }

void TPowersock::LoseConnection() { ConnectionLost = true; }

bool TPowersock::HasCompleteLine() const {
  const auto searched = static_cast<size_t>(std::min<std::int64_t>(InStream->Size(), kMaxLineLength));
  return searched > 0 && std::memchr(InStream->Memory(), '\n', searched) != nullptr;
}

std::string TPowersock::TakeLine() {
  const char* bytes = InStream->Memory();
  const size_t size = static_cast<size_t>(InStream->Size());
  const size_t length = static_cast<const char*>(std::memchr(bytes, '\n', size)) - bytes + 1;
  std::string line(bytes, length);
  if (length == size) {
    InStream->Clear();
    return line;
  }
  SpareInStream->Clear();
  SpareInStream->Write(bytes + length, static_cast<std::int64_t>(size - length));
  InStream->Clear();
  std::swap(InStream, SpareInStream);
  return line;
}

void TPowersock::CompactOutStream() {
  const std::int64_t unsent = OutStream->Size() - m_outStart;
  if (m_outStart < unsent) return;
  SpareOutStream->Clear();
  SpareOutStream->Write(OutStream->Memory() + m_outStart, unsent);
  SpareOutStream->SetPosition(0);
  OutStream->Clear();
  std::swap(OutStream, SpareOutStream);
  m_outStart = 0;
}

std::string NthField(const std::string& text, char delimiter, int index) {
  std::string field;
  int delimiters = 0;
  for (char c : text) {
    if (c == delimiter) {
      if (++delimiters == index) break;
    } else if (delimiters == index - 1) {
      field += c;
    }
  }
  return field;
}
