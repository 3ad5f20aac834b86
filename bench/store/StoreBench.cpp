// Opening and rewriting a full drawer, each beside the floor set by the
// plain file operations underneath it.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "browser/store/DrawerRewrite.h"
#include "browser/store/ListFile.h"
#include "browser/store/MailFile.h"
#include "platform/files/Files.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/ScratchFolder.h"

namespace {

constexpr int kRows = 10010;
constexpr size_t kBodyBytes = 5000;  // about 50 MB of mail text in all

// A receive book with one full drawer, built once for every benchmark.
class FullDrawer {
 public:
  FullDrawer() {
    const BookPlace book{platform::ProgramPath(m_folder.Root()), platform::ProgramPath(m_folder.Root()), true, 10};
    m_drawer = *GetDrawerFiles(book, 0, FixedDrawerNames(true)[0]);
    m_target = *GetDrawerFiles(book, 1, FixedDrawerNames(true)[1]);
    DrawerBuilder builder;
    for (int i = 0; i < kRows; ++i) builder.AddNumberedMail(i, kBodyBytes);
    builder.Write(m_drawer.listPath, m_drawer.mailPath);
  }
  const DrawerFiles& Drawer() const { return m_drawer; }
  const DrawerFiles& Target() const { return m_target; }
  std::string Native(const std::string& path) const { return platform::NativePath(path); }

 private:
  ScratchFolder m_folder;
  DrawerFiles m_drawer;
  DrawerFiles m_target;  // 黄色の引出し, empty until mails are moved there
};

const FullDrawer& TheDrawer() {
  static FullDrawer drawer;
  return drawer;
}

// Bytes the allocator hands out, large blocks mapped on their own included.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_ReadListFileBytes(benchmark::State& state) {
  const DrawerFiles& drawer = TheDrawer().Drawer();
  for (auto _ : state) {
    const std::unique_ptr<platform::Stream> file = platform::OpenFile(drawer.listPath, "rb");
    const std::string bytes = ReadFileRange(*file, 0, UINT64_MAX);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * platform::FileSize(drawer.listPath));
}
BENCHMARK(BM_ReadListFileBytes)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_OpenDrawer(benchmark::State& state) {
  const DrawerFiles& drawer = TheDrawer().Drawer();
  for (auto _ : state) {
    DrawerListing listing = ReadDrawer(drawer);
    benchmark::DoNotOptimize(listing.entries.data());
  }
  state.SetBytesProcessed(state.iterations() * platform::FileSize(drawer.listPath));
  const size_t before = HeapInUse();
  DrawerListing held = ReadDrawer(drawer);
  state.counters["rows"] = static_cast<double>(held.entries.size());
  state.counters["row_memory_MB"] = static_cast<double>(HeapInUse() - before) / 1e6;
}
BENCHMARK(BM_OpenDrawer)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_CopyAndSyncDrawerFiles(benchmark::State& state) {
  const FullDrawer& full = TheDrawer();
  const std::string mail = full.Native(full.Drawer().mailPath);
  const std::string list = full.Native(full.Drawer().listPath);
  const std::string command = "cp '" + mail + "' '" + mail + ".copy' && cp '" + list + "' '" + list +
                              ".copy' && sync '" + mail + ".copy' '" + list + ".copy'";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
  std::filesystem::remove(mail + ".copy");
  std::filesystem::remove(list + ".copy");
  state.SetBytesProcessed(state.iterations() * (std::filesystem::file_size(mail)));
}
BENCHMARK(BM_CopyAndSyncDrawerFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

// Each pass leaves out the drawer's first mail, as deleting a mail does.
void BM_RewriteDrawer(benchmark::State& state) {
  const DrawerFiles& drawer = TheDrawer().Drawer();
  for (auto _ : state) {
    state.PauseTiming();
    const DrawerListing listing = ReadDrawer(drawer);
    std::vector<const MailEntry*> keep;
    for (size_t i = 1; i < listing.entries.size(); ++i) keep.push_back(listing.entries[i]);
    state.ResumeTiming();
    const StoreResult result = RewriteDrawer(drawer, listing, keep);
    if (!result.Ok()) state.SkipWithError("rewrite failed");
  }
  state.SetBytesProcessed(state.iterations() * platform::FileSize(drawer.mailPath));
}
BENCHMARK(BM_RewriteDrawer)->Arg(kRows)->Unit(benchmark::kMillisecond)->Iterations(5);

// 100 mails spread over the full drawer moved to 黄色の引出し: the checks,
// the appends and the rewrite of the source. Each pass starts from the same
// drawer, restored outside the timing.
void BM_MoveMails(benchmark::State& state) {
  const DrawerFiles& source = TheDrawer().Drawer();
  const DrawerFiles& target = TheDrawer().Target();
  const std::string pristineList = source.listPath + ".pristine";
  const std::string pristineMail = source.mailPath + ".pristine";
  platform::CopyFile(source.listPath, pristineList, false);
  platform::CopyFile(source.mailPath, pristineMail, false);
  for (auto _ : state) {
    state.PauseTiming();
    platform::CopyFile(pristineList, source.listPath, false);
    platform::CopyFile(pristineMail, source.mailPath, false);
    platform::DeleteFile(target.listPath);
    platform::DeleteFile(target.mailPath);
    const DrawerListing listing = ReadDrawer(source);
    std::vector<const MailEntry*> moved, keep;
    for (size_t i = 0; i < listing.entries.size(); ++i)
      (i % 97 == 0 && moved.size() < static_cast<size_t>(state.range(0)) ? moved : keep)
          .push_back(listing.entries[i]);
    state.ResumeTiming();
    const StoreResult result = MoveMails(source, listing, moved, keep, target);
    if (!result.Ok()) state.SkipWithError("move failed");
  }
  platform::DeleteFile(pristineList);
  platform::DeleteFile(pristineMail);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MoveMails)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(5);

// Filing one mail into a drawer, as Quillet's filing does: the book's locks,
// its recovery, the journal noting the drawer's lengths, the append, and the
// mail made durable before the call returns.
void BM_FileOneMail(benchmark::State& state) {
  const DrawerFiles& target = TheDrawer().Target();
  DrawerBuilder one;
  one.AddNumberedMail(1, 400);
  const std::string record = one.ListBytes();
  MailEntry entry;
  size_t pos = 0;
  ParseListRecord(record, pos, entry);
  for (auto _ : state) benchmark::DoNotOptimize(AppendMail(target, entry, one.MailBytes()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FileOneMail)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
