// 仕分け of a full drawer (10010 mails, about 50 MB, 300 senders) by 2000
// address and 2000 Subject rules into 100 drawers, no dialog, beside a plain
// reference that reads the list, reads each mail and appends it with its
// record to its target pair, and beside cp of the drawer's files.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <unordered_map>

#include "browser/SortRun.h"
#include "tests/browser/units/NoQuestions.h"
#include "bench/browser/CpDrawerFiles.h"
#include "browser/store/DrawerNameFile.h"
#include "browser/store/DrawerRewrite.h"
#include "platform/files/Files.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/ScratchFolder.h"

namespace {

constexpr int kRows = 10010;
constexpr int kSenders = 300;
constexpr int kDrawers = 100;
constexpr int kRules = 2000;
constexpr size_t kBodyBytes = 5000;

std::string Sender(int n) { return "sender" + std::to_string(n) + "@example.jp"; }
std::string DrawerName(int n) { return std::string("d").append(std::to_string(n)); }

// The receive book holding one full drawer, kept pristine beside it, and
// the rule files: the senders' rules last, after rules that match no mail.
class SortingBook {
 public:
  SortingBook() {
    std::filesystem::create_directories(m_folder.Root() + "/exe/受信フォルダ");
    m_book.place = {platform::ProgramPath(m_folder.Root()), platform::ProgramPath(m_folder.Root() + "/exe"), true, 10};
    m_book.rows = FixedDrawerNames(true);
    std::vector<std::string> own;
    for (int d = 0; d < kDrawers; ++d) own.push_back(DrawerName(d));
    m_book.rows.insert(m_book.rows.end(), own.begin(), own.end());
    m_book.openRow = 0;
    SaveDrawerNameFile(DrawerNameFileOf(m_book.place).path, own);
    m_drawer = *GetDrawerFiles(m_book.place, 0, "");
    WriteMails();
    WriteRules();
    Restore();
  }
  void Restore() const {
    platform::CopyFile(m_drawer.listPath + ".orig", m_drawer.listPath, false);
    platform::CopyFile(m_drawer.mailPath + ".orig", m_drawer.mailPath, false);
    for (int d = 0; d < kDrawers; ++d) {
      const DrawerFiles target = Target(d);
      platform::DeleteFile(target.listPath);
      platform::DeleteFile(target.mailPath);
    }
  }
  DrawerFiles Target(int d) const { return *GetDrawerFiles(m_book.place, 10 + d, DrawerName(d)); }
  const DrawerFiles& Drawer() const { return m_drawer; }
  SortBook Book() const { return m_book; }

 private:
  void WriteMails() const {
    DrawerBuilder builder;
    for (int i = 0; i < kRows; ++i) {
      RecordFields fields;
      fields.from = "Sender <" + Sender(i % kSenders) + ">";
      fields.to = "me@example.jp";
      fields.subject = "mail " + std::to_string(i) + " about the weekly meeting";
      builder.AddMail("From: " + fields.from + "\r\nSubject: " + fields.subject + "\r\n\r\n",
                      NumberedBody(i, kBodyBytes), fields);
    }
    builder.Write(m_drawer.listPath + ".orig", m_drawer.mailPath + ".orig");
  }
  void WriteRules() const {
    std::string addresses, subjects;
    for (int r = 0; r < kRules - kSenders; ++r) addresses += "nobody" + std::to_string(r) + "@example.jp d0\r\n";
    for (int s = 0; s < kSenders; ++s) addresses += Sender(s) + " " + DrawerName(s % kDrawers) + "\r\n";
    for (int r = 0; r < kRules; ++r) subjects += "*topic" + std::to_string(r) + "* d1\r\n";
    WriteBytes(m_book.place.exeDir + "\\dorvnadw.cfg", addresses);
    WriteBytes(m_book.place.exeDir + "\\dorvnsdw.cfg", subjects);
  }

  ScratchFolder m_folder;
  SortBook m_book;
  DrawerFiles m_drawer;
};

const SortingBook& TheBook() {
  static SortingBook book;
  return book;
}

void BM_SortDrawer(benchmark::State& state) {
  const SortingBook& book = TheBook();
  NoQuestions questions;
  for (auto _ : state) {
    state.PauseTiming();
    book.Restore();
    SortBook sortBook = book.Book();
    state.ResumeTiming();
    const DrawerListing loaded = ReadDrawer(book.Drawer());
    const StoreResult result = SortDrawer(sortBook, loaded, questions);
    if (!result.Ok() || platform::FileSize(book.Drawer().listPath) != 0) {
      state.SkipWithError("not sorted");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SortDrawer)->Unit(benchmark::kMillisecond)->Iterations(3);

uint32_t Le32(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// The floor: one pass over the list, each mail read with one fread and
// appended with its record, offsets rebased, to its sender's drawer; then
// each target's files synced once, as any distributor that keeps what it
// filed across a power cut must.
void SortPlainly(const SortingBook& book, const std::unordered_map<std::string, int>& drawerOf) {
  std::string list;
  platform::ReadFileContents(book.Drawer().listPath, list);
  File mails(std::fopen(platform::NativePath(book.Drawer().mailPath).c_str(), "rb"));
  std::map<int, std::pair<File, File>> targets;
  std::string text;
  for (size_t pos = 0; pos + 24 <= list.size();) {
    const char* record = list.data() + pos;
    // Head, size word, the size's bytes, trailer.
    const uint32_t size = Le32(record + 4) + 12, mailStart = Le32(record + 8), bodyStart = Le32(record + 12);
    const uint32_t length = bodyStart - mailStart + Le32(record + 16);
    const std::string from(record + 24);
    const std::string address = from.substr(from.find('<') + 1, from.find('>') - from.find('<') - 1);
    const int d = drawerOf.at(address);
    auto& [mailFile, listFile] = targets[d];
    if (!mailFile) {
      mailFile.reset(std::fopen(platform::NativePath(book.Target(d).mailPath).c_str(), "ab"));
      listFile.reset(std::fopen(platform::NativePath(book.Target(d).listPath).c_str(), "ab"));
    }
    text.resize(length);
    std::fseek(mails.get(), mailStart, SEEK_SET);
    benchmark::DoNotOptimize(std::fread(text.data(), 1, length, mails.get()));
    std::string rebased(record, size);
    const uint32_t newStart = static_cast<uint32_t>(std::ftell(mailFile.get()));
    const uint32_t newBody = newStart + (bodyStart - mailStart);
    std::memcpy(rebased.data() + 8, &newStart, 4);
    std::memcpy(rebased.data() + 12, &newBody, 4);
    std::fwrite(text.data(), 1, length, mailFile.get());
    std::fwrite(rebased.data(), 1, size, listFile.get());
    pos += size;
  }
  for (auto& [d, files] : targets) {
    for (FILE* file : {files.first.get(), files.second.get()}) {
      std::fflush(file);
      fsync(fileno(file));
    }
  }
}

void BM_PlainReference(benchmark::State& state) {
  const SortingBook& book = TheBook();
  std::unordered_map<std::string, int> drawerOf;
  for (int s = 0; s < kSenders; ++s) drawerOf[Sender(s)] = s % kDrawers;
  for (auto _ : state) {
    state.PauseTiming();
    book.Restore();
    state.ResumeTiming();
    SortPlainly(book, drawerOf);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_PlainReference)->Unit(benchmark::kMillisecond)->Iterations(3);

// The part of a run that the copies made aside take: both files copied
// through the file layer, which syncs each copy before it replaces the old.
void BM_CopiesAside(benchmark::State& state) {
  const DrawerFiles& drawer = TheBook().Drawer();
  const DrawerFiles copies = SortCopiesOf(TheBook().Book().place, drawer);
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::CopyFile(drawer.listPath, copies.listPath, false));
    benchmark::DoNotOptimize(platform::CopyFile(drawer.mailPath, copies.mailPath, false));
  }
}
BENCHMARK(BM_CopiesAside)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CpDrawerFiles(benchmark::State& state) { TimeCpOfDrawerFiles(state, TheBook().Drawer()); }
BENCHMARK(BM_CpDrawerFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
