// Filing sent mails into one send book, one after another, as Quillet does
// after each send (the folder question left out).

#include <benchmark/benchmark.h>


#include "mailer/SendBook.h"
#include "mailer/SentMail.h"
#include "platform/files/Files.h"
#include "tests/support/ScratchFolder.h"

namespace {

void BM_FileSentMail(benchmark::State& state) {
  ScratchFolder folder;
  const std::string ppPath = platform::ProgramPath(folder.Root());
  platform::CreateDir(ppPath + "\\送信フォルダ");
  const std::string body = std::string(40, 'x') + "\r\n" + "本文の行です。\r\n\r\n";
  const SentMail mail = SentMailText("hanako@example.jp", "山田", "お元気ですか", body);
  const MailEntry record = SentMailRecord(mail, "hanako@example.jp", "山田", "お元気ですか",
                                          "Tue, 07 December 1999 17:01:02", "4535625330.1234567");
  const std::string text = mail.header + mail.body;
  for (auto _ : state) {
    for (int i = 0; i < state.range(0); ++i)
      benchmark::DoNotOptimize(FileIntoSendBook(ppPath, ppPath, record, text));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * state.range(0) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_FileSentMail)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
