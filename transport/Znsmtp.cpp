#include "transport/Znsmtp.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <string_view>

#include "platform/base/Format.h"
#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"
#include "transport/HeaderFields.h"

namespace {

constexpr const char* kAuthenticationFailed = "Authentication failed";
constexpr const char* kIncompleteHeader = "Incomplete Header";
constexpr const char* kReplyTimedOut = "Reply Timed out";
constexpr const char* kSendTimedOut = "Send Timed out";
// A server that keeps answering HELO with 299 would otherwise hold the
// connect forever.
constexpr int kMaxHeloRepeats = 10;

// Marks Connect or SendMail as running for its whole run, and restores the
// mark it found however the run ends (a Connect inside SendMail leaves it set).
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : m_busy(busy), m_wasBusy(busy) { busy = true; }
  ~BusyScope() { m_busy = m_wasBusy; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& m_busy;
  bool m_wasBusy;
};

bool BodyHoldsIso2022Jp(const TStringList& body) {
  for (int i = 0; i < body.Count(); ++i)
    if (body[i].find('\x1b') != std::string::npos) return true;
  return false;
}

// The class library's long time format (h:mm:ss), written in ASCII digits
// whatever the locale, since it becomes part of the MIME boundary.
std::string TimeText() {
  std::time_t now = std::time(nullptr);
  std::tm local = *std::localtime(&now);
  return Format("%d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
}

// The name after the last "\", "/" or drive ":" of a path, walking whole
// characters so that the second byte of a double-byte character (0x5C in ソ)
// is never taken for "\". No local folder reaches the header.
std::string AttachmentFileName(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (platform::IsSjisLeadByte(c))
      ++i;
    else if (c == '\\' || c == '/' || c == ':')
      start = i + 1;
  }
  return OneLine(path.substr(start));
}

bool IsContinuation(const std::string& reply) {
  return (!reply.empty() && reply[0] == ' ') || (reply.size() >= 4 && reply[3] == '-');
}

void Append(TMemoryStream& stream, std::string_view text) {
  stream.Write(text.data(), static_cast<int64_t>(text.size()));
}

// One line as it goes on the wire: a leading "." doubled (RFC 821
// transparency), then CR LF.
void AppendStuffedLine(TMemoryStream& stream, std::string_view line) {
  if (!line.empty() && line[0] == '.') Append(stream, ".");
  Append(stream, line);
  Append(stream, "\r\n");
}

// Text cut into lines at CR LF, a lone CR or a lone LF, each stuffed: a break
// inside a body line must not let a bare "." line end DATA early.
void AppendStuffedLines(TMemoryStream& stream, std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    AppendStuffedLine(stream, text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  AppendStuffedLine(stream, text.substr(start));
}

// An attachment file, read through the encoder's stream interface.
class AttachmentStream : public TStream {
 public:
  explicit AttachmentStream(std::unique_ptr<platform::Stream> file)
      : m_file(std::move(file)), m_size(m_file->Length()) {}
  int64_t Read(void* buffer, int64_t count) override {
    int64_t n = static_cast<int64_t>(m_file->Read(buffer, static_cast<size_t>(count)));
    m_position += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Size() const override { return m_size; }
  int64_t Position() const override { return m_position; }
  void SetPosition(int64_t position) override {
    if (m_file->Seek(position)) m_position = position;
  }

 private:
  std::unique_ptr<platform::Stream> m_file;
  int64_t m_size;
  int64_t m_position = 0;
};

}  // namespace

TZnSMTP::TZnSMTP(TComponent* AOwner) : TPowersock(AOwner) {
  Port = 25;
  OnReadCanceled = [this](TObject* Sender) { CancelHandler(Sender); };
}

TZnSMTP::~TZnSMTP() {
  TComponent::Destroying();
  try {
    Abort();
  } catch (const Exception&) {
    // The socket goes with the base destructor all the same.
  }
}

// ---- Connect ----

void TZnSMTP::Connect() {
  {
    BusyScope scope(busy);
    Greet();
  }
  if (OnConnect) OnConnect(this);
}

void TZnSMTP::Greet() {
  TPowersock::Connect();
  try {
    ReadGreeting();
    Helo();
  } catch (...) {
    CloseAfterFailure(LinkAfter(std::current_exception()));
    throw;
  }
}

void TZnSMTP::ReadGreeting() {
  Timed(ReplyTimeOuts.Greeting, kReplyTimedOut, [this] {
    ReadLn(LastReply);
    ReplyNumber = ReplyNumberOf(LastReply);
    SkipContinuationLines();
  });
  if (ReplyNumber >= 400) throw Exception(LastReply);
}

void TZnSMTP::Helo() {
  bool asked = false;
  int repeats = 0;
  for (;;) {
    int reply = Command("HELO " + UserID, ReplyTimeOuts.Command);
    if (reply < 299) return;
    if (reply == 299) {
      if (++repeats > kMaxHeloRepeats) throw Exception(kAuthenticationFailed);
      continue;
    }
    if (!RetryGranted(OnAuthenticationFailed, asked)) throw Exception(kAuthenticationFailed);
  }
}

// The first failure is the one the caller sees. A server that refused still
// listens and is told QUIT; after a socket failure or a cancel the link is
// dead or abandoned, and waiting for a QUIT reply there could last forever.
void TZnSMTP::CloseAfterFailure(Link link) {
  try {
    if (link == Link::Alive)
      Disconnect();
    else
      DropConnection();
  } catch (const Exception&) {
  }
}

TZnSMTP::Link TZnSMTP::LinkAfter(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const ESockError&) {
    return Link::Dead;
  } catch (...) {
    return Link::Alive;
  }
}

// ---- SendMail ----

void TZnSMTP::SendMail() {
  if (busy) return;
  {
    BusyScope scope(busy);
    Deliver();
  }
  if (OnSuccess) OnSuccess(this);
}

void TZnSMTP::Deliver() {
  BuildMessage();
  RequireConnection();
  CheckHeader();
  if (OnSendStart) OnSendStart(this);
  CommandExpecting("RSET", ReplyTimeOuts.Command, 399);
  CommandExpecting("MAIL FROM:<" + PostMessage.FromAddress + ">", ReplyTimeOuts.Command, 399);
  bool anyAccepted = false;
  for (const TStringList* list :
       {&PostMessage.ToAddress, &PostMessage.ToCarbonCopy, &PostMessage.ToBlindCarbonCopy})
    for (int i = 0; i < list->Count(); ++i) anyAccepted |= Rcpt((*list)[i]);
  // With nobody to deliver to, DATA could only be refused, or worse taken.
  if (!anyAccepted) throw Exception(LastReply);
  CommandExpecting("DATA", ReplyTimeOuts.Data, 399);
  SendContent();
  EndData();
  if (ClearParams) ClearParameters();
}

void TZnSMTP::CheckHeader() {
  for (int attempts = 0; !HeaderComplete(); ++attempts) {
    if (attempts > 0 || !OnHeaderIncomplete) throw Exception(kIncompleteHeader);
    bool handled = false;
    OnHeaderIncomplete(handled, PostMessage.FromAddress.empty() ? 1 : 2);
    if (!handled) throw Exception(kIncompleteHeader);
  }
}

// An entry without an address ("Bob <>") is nobody to send to.
bool TZnSMTP::HeaderComplete() const {
  const TPostMessage& m = PostMessage;
  for (const TStringList* list : {&m.ToAddress, &m.ToCarbonCopy, &m.ToBlindCarbonCopy})
    for (int i = 0; i < list->Count(); ++i)
      if (!ExtractAddress((*list)[i]).empty()) return !m.FromAddress.empty();
  return false;
}

// A refused recipient is reported and the send goes on.
bool TZnSMTP::Rcpt(const std::string& entry) {
  std::string address = ExtractAddress(entry);
  if (address.empty()) return false;
  if (Command("RCPT TO:<" + address + ">", ReplyTimeOuts.Command) <= 300) return true;
  if (OnRecipientNotFound) OnRecipientNotFound(entry);
  return false;
}

void TZnSMTP::SendContent() {
  Timed(ReplyTimeOuts.Block, kSendTimedOut, [this] {
    WriteString(FinalHeader.Text() + "\r\n\r\n");
    SendStream(bodyStream);
  });
}

void TZnSMTP::EndData() {
  if (Command(".", ReplyTimeOuts.DataEnd) <= 399) return;
  if (OnFailure) OnFailure(this);
  throw Exception(LastReply);
}

std::string TZnSMTP::ExtractAddress(const std::string& entry) { return std::string(SplitEntry(entry).address); }

void TZnSMTP::ClearParameters() {
  PostMessage.ToAddress.Clear();
  PostMessage.ToCarbonCopy.Clear();
  PostMessage.ToBlindCarbonCopy.Clear();
  PostMessage.Attachments.Clear();
}

// ---- Disconnect and abort ----

void TZnSMTP::Disconnect() {
  Canceled = false;
  if (!Connected || ConnectionLost) {
    TPowersock::Disconnect();
    return;
  }
  try {
    Quit();
  } catch (...) {
    TPowersock::Disconnect();
    throw;
  }
  TPowersock::Disconnect();
}

void TZnSMTP::Quit() { CommandExpecting("QUIT", ReplyTimeOuts.Command, 339); }

void TZnSMTP::Abort() {
  if (Canceled || !Connected) return;
  if (busy)
    Cancel();
  else
    DropConnection();
}

void TZnSMTP::CancelHandler(TObject*) { DropConnection(); }

void TZnSMTP::DropConnection() {
  TPowersock::Disconnect();
  InStream->Clear();
}

// ---- The dialogue ----

void TZnSMTP::Timed(int milliseconds, const char* timedOutText, const std::function<void()>& step) {
  StartTimerFor(milliseconds);
  try {
    step();
  } catch (const ESockError&) {
    StopTimer();
    if (!TimedOut) throw;
    DropConnection();
    throw ESockError(timedOutText);
  } catch (...) {
    StopTimer();
    throw;
  }
  StopTimer();
}

int TZnSMTP::Command(const std::string& text, int milliseconds) {
  Timed(milliseconds, kReplyTimedOut, [&] {
    std::string reply;
    Transaction(OneLine(text), reply);
    SkipContinuationLines();
  });
  return ReplyNumber;
}

void TZnSMTP::CommandExpecting(const std::string& text, int milliseconds, int highestAccepted) {
  if (Command(text, milliseconds) > highestAccepted) throw Exception(LastReply);
}

// Lines of a multi-line reply ("250-...") are read here, so that they never
// answer the next command; the reply number stays that of the first line.
void TZnSMTP::SkipContinuationLines() {
  while (IsContinuation(LastReply)) ReadLn(LastReply);
}

// ---- The message ----

void TZnSMTP::BuildMessage() {
  BuildHeader();
  BuildBody();
}

void TZnSMTP::BuildHeader() {
  const TPostMessage& m = PostMessage;
  FinalHeader.Clear();
  FinalHeader.Add("From: " + FoldedMailbox("From", m.FromName, m.FromAddress));
  if (m.ToAddress.Count() > 0) FinalHeader.Add("To: " + FoldedRecipients("To", m.ToAddress));
  if (m.ToCarbonCopy.Count() > 0) FinalHeader.Add("CC: " + FoldedRecipients("CC", m.ToCarbonCopy));
  FinalHeader.SetHeader("Subject", FoldedText("Subject", m.Subject));
  FinalHeader.SetHeader("X-Mailer", FoldedText("X-Mailer", m.LocalProgram));
  FinalHeader.SetHeader("Reply-To", FoldedAtBlanks("Reply-To", m.ReplyTo));
  FinalHeader.SetHeader("Date", FoldedAtBlanks("Date", m.Date));
  FinalHeader.SetHeader("Message-ID", FoldedAtBlanks("Message-ID", m.MessageId));
  FinalHeader.Add("Mime-Version: 1.0");
  if (m.Attachments.Count() == 0) {
    FinalHeader.Add("Content-Type: " + TextPartType());
    return;
  }
  boundary = "====================54535" + TimeText() + "====";
  FinalHeader.Add("Content-Type: " + FoldedAtBlanks("Content-Type", "multipart/mixed;" + std::string(19, ' ') +
                                                                         "boundary=\"" + boundary + "\""));
}

void TZnSMTP::BuildBody() {
  const TPostMessage& m = PostMessage;
  bodyStream.Clear();
  bool multipart = m.Attachments.Count() > 0;
  if (multipart)
    Append(bodyStream, "--" + boundary + "\r\nContent-Type: " + TextPartType() + "\r\n\r\n");
  for (int i = 0; i < m.Body.Count(); ++i) AppendStuffedLines(bodyStream, m.Body[i]);
  if (!multipart) return;
  for (int index = 1; index <= m.Attachments.Count(); ++index) AddAttachmentPart(index);
  Append(bodyStream, "--" + boundary + "--\r\n");
}

std::string TZnSMTP::TextPartType() const {
  const char* charset = BodyHoldsIso2022Jp(PostMessage.Body) ? "ISO-2022-JP" : "us-ascii";
  return "text/plain;" + std::string(24, ' ') + "charset=" + charset;
}

void TZnSMTP::AddAttachmentPart(int Index) {
  const std::string entry = PostMessage.Attachments[Index - 1];
  const std::string name = AttachmentFileName(entry);
  // uuencoded data is labelled as what it is, so that no receiver decodes it as base64.
  const char* encoding = EncodeType == uuCode ? "x-uuencode" : "base64";
  Append(bodyStream, "--" + boundary + "\r\n" + "Content-Type: application/octet-stream;" +
                         std::string(10, ' ') + "name=\"" + name + "\"\r\n" +
                         "Content-Transfer-Encoding: " + encoding + "\r\n" +
                         "Content-Disposition: attachment;" + std::string(17, ' ') + "filename=\"" +
                         name + "\"\r\n\r\n");

  std::unique_ptr<platform::Stream> file = platform::OpenFile(entry, "rb");
  if (!file) {
    if (OnAttachmentNotFound) OnAttachmentNotFound(entry);
    throw EFOpenError(Format("ファイル %s は開けません", entry.c_str()));
  }
  AttachmentStream input(std::move(file));
  TMemoryStream encoded;
  TZnUUProcessor encoder(this);
  encoder.Method = EncodeType;
  encoder.inputStream = &input;
  encoder.outputStream = &encoded;
  if (OnEncodeStart) OnEncodeStart(entry);
  encoder.Encode();
  if (OnEncodeEnd) OnEncodeEnd(entry);
  // A uuencoded line can begin with "." (a last line of 14 bytes), so the
  // encoded lines are stuffed like body lines.
  std::string_view text(encoded.Memory(), static_cast<size_t>(encoded.Size()));
  if (text.size() >= 2) AppendStuffedLines(bodyStream, text.substr(0, text.size() - 2));
}
