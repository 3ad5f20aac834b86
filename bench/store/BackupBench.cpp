// Backing up a 500 MB receive book, beside cp of the same files into a new
// folder. The book is built once in a scratch folder, outside the timed
// loop, and removed with it at the end; each pass's copies are removed
// while the clock is stopped.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "browser/store/BookBackup.h"
#include "platform/files/Files.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/ScratchFolder.h"

namespace {

constexpr size_t kMailFileBytes = 48u << 20;  // ten MailFiles: about 500 MB with the ListFiles
constexpr size_t kListFileBytes = 2u << 20;
const char* const kDrawers[] = {"受信", "黄色の引出し", "紫の引出し", "ピンクの引出し", "緑色の引出し",
                                "黒の引出し", "赤の引出し", "橙色の引出し", "水色の引出し", "茶色の引出し"};

// A receive book whose ten drawers all hold files.
class BigBook {
 public:
  BigBook() {
    std::string mail(kMailFileBytes, '\0');
    for (size_t i = 0; i < mail.size(); ++i) mail[i] = static_cast<char>('A' + (i * 7 + i / 4096) % 58);
    const std::string list = mail.substr(0, kListFileBytes);
    for (const std::string drawer : kDrawers) {
      const bool book = drawer == "受信";
      WriteBytes(Folder() + "\\" + (book ? "受信メール.ppm" : drawer + ".ppm"), mail);
      WriteBytes(Folder() + "\\" + (book ? "受信リスト.ppl" : drawer + "リスト.ppl"), list);
    }
  }
  std::string PostPet() const { return platform::ProgramPath(m_folder.Root()); }
  std::string Folder() const { return PostPet() + "\\受信フォルダ"; }
  int64_t Bytes() const {
    int64_t bytes = 0;
    for (const auto& file : std::filesystem::directory_iterator(platform::NativePath(Folder())))
      bytes += static_cast<int64_t>(file.file_size());
    return bytes;
  }
  std::string Native(const std::string& asciiName) const { return m_folder.Path(asciiName); }

 private:
  ScratchFolder m_folder;
};

void BM_BackupBook(benchmark::State& state) {
  const BigBook book;
  for (auto _ : state) {
    if (!BackupBook(book.PostPet(), true, "1207173005").Ok()) state.SkipWithError("backup failed");
    state.PauseTiming();
    std::filesystem::remove_all(book.Native("R1207173005"));
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * book.Bytes());
}
BENCHMARK(BM_BackupBook)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CpBookFiles(benchmark::State& state) {
  const BigBook book;
  const std::string command = "mkdir '" + book.Native("R1207173005") + "' && cp '" + platform::NativePath(book.Folder()) +
                              "'/* '" + book.Native("R1207173005") + "'";
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::system(command.c_str()));
    state.PauseTiming();
    std::filesystem::remove_all(book.Native("R1207173005"));
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * book.Bytes());
}
BENCHMARK(BM_CpBookFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
