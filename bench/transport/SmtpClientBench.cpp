// Sending mail over loopback with TZnSMTP beside Debian's msmtp sending the
// same bytes to the same server, in one run: one message with a 20 MB
// attachment (base64), and 100 small messages each in a connection of its
// own. The fast sink keeps the server's cost out of the figures; aiosmtpd is
// there for reference.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "bench/transport/FastSmtpSink.h"
#include "bench/transport/PeakMemory.h"
#include "platform/files/Files.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SmtpSink.h"
#include "transport/Znsmtp.h"

namespace {

constexpr std::int64_t kAttachmentBytes = 20 << 20;  // 20 MiB
constexpr int kSmallMessages = 100;
constexpr int kSmallBodyLines = 32;  // 62 characters and CR LF each: 2 KiB
const std::string kFrom = "ann@example.com";
const std::string kTo = "bob@example.com";


void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string RandomBytes(std::int64_t count) {
  std::mt19937_64 generator(20261208u);
  std::string bytes(static_cast<size_t>(count), '\0');
  for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
    const std::uint64_t word = generator();
    std::memcpy(&bytes[i], &word, 8);
  }
  return bytes;
}

void FillHeader(TPostMessage& message, const std::string& subject) {
  message.FromName = "Ann ";
  message.FromAddress = kFrom;
  message.ToAddress.Add("Bob <" + kTo + ">");
  message.Subject = subject;
  message.LocalProgram = "Quillet";
}

void FillLargeMessage(TPostMessage& message, const std::string& attachmentNativePath) {
  FillHeader(message, "the archive");
  message.Body.Add("The archive is attached.");
  message.Attachments.Add(platform::ProgramPath(attachmentNativePath));
}

// No body line begins with ".", so msmtp's own dot-stuffing of the message
// file puts the very bytes on the wire that TZnSMTP sends.
void FillSmallMessage(TPostMessage& message) {
  FillHeader(message, "a short note");
  for (int i = 0; i < kSmallBodyLines; ++i) {
    std::string line = "Line " + std::to_string(i) + " of a short note, written out to width ";
    message.Body.Add(line + std::string(62 - line.size(), 'x'));
  }
}

// The message as TZnSMTP puts it on the wire after DATA, without the final ".".
std::string WireMessage(TZnSMTP& smtp) {
  smtp.BuildMessage();
  return smtp.FinalHeader.Text() + "\r\n\r\n" +
         std::string(smtp.bodyStream.Memory(), static_cast<size_t>(smtp.bodyStream.Size()));
}

// The attachment and the message files for msmtp, made once for the whole run.
class Inputs {
 public:
  static const Inputs& Get() {
    static const Inputs inputs;
    return inputs;
  }
  std::string Attachment() const { return m_folder.Path("archive.bin"); }
  std::string LargeMessageFile() const { return m_folder.Path("large.eml"); }
  std::string SmallMessageFile() const { return m_folder.Path("small.eml"); }
  std::string Folder(const std::string& name) const { return m_folder.Path(name); }

 private:
  Inputs() {
    WriteFile(Attachment(), RandomBytes(kAttachmentBytes));
    TZnSMTP large{nullptr};
    FillLargeMessage(large.PostMessage, Attachment());
    WriteFile(LargeMessageFile(), WireMessage(large));
    TZnSMTP small{nullptr};
    FillSmallMessage(small.PostMessage);
    WriteFile(SmallMessageFile(), WireMessage(small));
  }
  ScratchFolder m_folder;
};

enum class Server { Fast, Aiosmtpd };

// The server a benchmark sends to, started for that benchmark alone.
class Sink {
 public:
  explicit Sink(Server kind) {
    if (kind == Server::Fast) {
      m_fast = std::make_unique<FastSmtpSink>();
      return;
    }
    m_folder = Inputs::Get().Folder("aiosmtpd-" + std::to_string(++s_started));
    std::filesystem::create_directory(m_folder);
    m_aiosmtpd = std::make_unique<SmtpSink>(m_folder);
  }
  ~Sink() {
    m_aiosmtpd.reset();
    if (!m_folder.empty()) std::filesystem::remove_all(m_folder);
  }
  int Port() const { return m_fast ? m_fast->Port() : m_aiosmtpd->Port(); }
  // Bytes of the last message on the wire after DATA; 0 for aiosmtpd, which does not say.
  std::int64_t LastMessageBytes() const { return m_fast ? m_fast->LastMessageBytes() : 0; }
  std::int64_t Delivered() const {
    if (m_fast) return m_fast->Messages();
    std::int64_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder))
      count += entry.path().extension() == ".eml";
    return count;
  }

 private:
  static inline int s_started = 0;
  std::unique_ptr<FastSmtpSink> m_fast;
  std::string m_folder;  // aiosmtpd only: where it saves each message
  std::unique_ptr<SmtpSink> m_aiosmtpd;
};

// One whole session as Quillet runs it: greeting and HELO, the message, QUIT.
void SendWithZnSmtp(TZnSMTP& smtp, int port) {
  smtp.Host = "127.0.0.1";
  smtp.Port = port;
  smtp.UserID = "bench.example.com";
  smtp.Connect();
  smtp.SendMail();
  smtp.Disconnect();
}

// msmtp from the command line only (no configuration file), adding no header
// of its own, so that it sends the message file as it stands.
bool SendWithMsmtp(int port, const std::string& messageFile) {
  return RunProgram(
             {"msmtp", "--host=127.0.0.1", "--port=" + std::to_string(port), "--from=" + kFrom,
              "--auth=off", "--tls=off", "--domain=bench.example.com", "--set-from-header=off",
              "--set-date-header=off", "--set-msgid-header=off", kTo},
             messageFile, "") == 0;
}

enum class Client { ZnSmtp, Msmtp };

// Sends `messages` messages, one connection each; false (with the state marked
// as failed) when one was refused.
bool SendAll(benchmark::State& state, Client client, TZnSMTP& smtp, const Sink& sink,
             const std::string& messageFile, int messages) {
  for (int i = 0; i < messages; ++i) {
    if (client == Client::Msmtp && !SendWithMsmtp(sink.Port(), messageFile)) {
      state.SkipWithError("msmtp failed (is the Debian package msmtp installed?)");
      return false;
    }
    if (client == Client::ZnSmtp) SendWithZnSmtp(smtp, sink.Port());
  }
  return true;
}

// Also reports the size of the message on the wire where the server tells
// it, which shows that both clients sent the same message.
void CheckDelivered(benchmark::State& state, const Sink& sink, std::int64_t expected) {
  if (sink.Delivered() != expected) state.SkipWithError("the server did not receive every message");
  if (const std::int64_t bytes = sink.LastMessageBytes(); bytes > 0)
    state.counters["wire_bytes"] = static_cast<double>(bytes);
}

// The peak resident size of this process image in KiB. VmHWM starts afresh
// at exec, while getrusage's maximum carries the parent's over into a spawned child.
std::int64_t PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
  return -1;
}

// Runs one send in a fresh child process; returns the rise of its peak
// resident size in KiB, or -1 when the child failed.
std::int64_t SendPeakKiB(int port) {
  const std::string output = Inputs::Get().Folder("peak.txt");
  const int status = RunProgram(
      {"/proc/self/exe", kMeasureSendPeakFlag, std::to_string(port), Inputs::Get().Attachment()},
      "", output);
  std::int64_t rise = -1;
  std::ifstream(output) >> rise;
  return status == 0 ? rise : -1;
}

void ReportPeakMemory(benchmark::State& state, const Sink& sink) {
  const std::int64_t rise = SendPeakKiB(sink.Port());
  if (rise < 0) return state.SkipWithError("the peak memory child failed");
  state.counters["peak_MB"] = static_cast<double>(rise) * 1024 / 1e6;
  state.counters["peak_per_attachment"] = static_cast<double>(rise) * 1024 / kAttachmentBytes;
}

// Seconds per item for `items` items done in each iteration.
benchmark::Counter TimePerItem(std::int64_t items) {
  return benchmark::Counter(
      static_cast<double>(items),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// TZnSMTP reads and encodes the attachment inside SendMail, as Quillet's send
// does; msmtp is handed the finished message file.
void BM_SendMessageWith20MBAttachment(benchmark::State& state, Client client, Server server) {
  const Inputs& inputs = Inputs::Get();
  Sink sink(server);
  TZnSMTP smtp{nullptr};
  smtp.ClearParams = false;
  FillLargeMessage(smtp.PostMessage, inputs.Attachment());
  try {
    for (auto _ : state)
      if (!SendAll(state, client, smtp, sink, inputs.LargeMessageFile(), 1)) return;
  } catch (const Exception& e) {
    return state.SkipWithError(e.Message.c_str());
  }
  CheckDelivered(state, sink, state.iterations());
  state.SetBytesProcessed(state.iterations() * kAttachmentBytes);
  if (client == Client::ZnSmtp && server == Server::Fast) ReportPeakMemory(state, sink);
}

void BM_SendSmallMessage(benchmark::State& state, Client client) {
  const Inputs& inputs = Inputs::Get();
  Sink sink(Server::Fast);
  TZnSMTP smtp{nullptr};
  smtp.ClearParams = false;
  FillSmallMessage(smtp.PostMessage);
  const int messages = static_cast<int>(state.range(0));
  try {
    for (auto _ : state)
      if (!SendAll(state, client, smtp, sink, inputs.SmallMessageFile(), messages)) return;
  } catch (const Exception& e) {
    return state.SkipWithError(e.Message.c_str());
  }
  CheckDelivered(state, sink, state.iterations() * messages);
  state.SetItemsProcessed(state.iterations() * messages);
  state.counters["per_message"] = TimePerItem(messages);
}

// The floor under msmtp's figures: starting a program that does nothing.
void BM_StartProcess(benchmark::State& state) {
  for (auto _ : state)
    for (int i = 0; i < state.range(0); ++i)
      if (RunProgram({"true"}, "", "") != 0) return state.SkipWithError("true failed");
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["per_process"] = TimePerItem(state.range(0));
}

BENCHMARK_CAPTURE(BM_SendMessageWith20MBAttachment, TZnSMTP, Client::ZnSmtp, Server::Fast)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SendMessageWith20MBAttachment, msmtp, Client::Msmtp, Server::Fast)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SendMessageWith20MBAttachment, TZnSMTP_to_aiosmtpd, Client::ZnSmtp,
                  Server::Aiosmtpd)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SendMessageWith20MBAttachment, msmtp_to_aiosmtpd, Client::Msmtp,
                  Server::Aiosmtpd)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SendSmallMessage, TZnSMTP, Client::ZnSmtp)
    ->Arg(kSmallMessages)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SendSmallMessage, msmtp, Client::Msmtp)
    ->Arg(kSmallMessages)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartProcess)
    ->Arg(kSmallMessages)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int MeasureSendPeak(int port, const char* attachmentPath) {
  TZnSMTP smtp{nullptr};
  FillLargeMessage(smtp.PostMessage, attachmentPath);
  const std::int64_t before = PeakResidentKiB();
  try {
    SendWithZnSmtp(smtp, port);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message.c_str());
    return 1;
  }
  const std::int64_t after = PeakResidentKiB();
  std::printf("%lld %lld\n", static_cast<long long>(after - before), static_cast<long long>(after));
  return 0;
}
