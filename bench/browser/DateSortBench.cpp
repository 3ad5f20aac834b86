// Sorting a full drawer of 10010 mails by date: the keys and the sort alone
// beside GNU sort of the same keys, and the sort with its rewrite beside the
// store's rewrite of the same drawer in its loaded order.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

#include "browser/DateSort.h"
#include "browser/store/DrawerRewrite.h"
#include "browser/store/ListFile.h"
#include "platform/files/Files.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/ScratchFolder.h"

namespace {

constexpr int kRows = 10010;
constexpr size_t kBodyBytes = 5000;  // about 50 MB of mail text in all

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Header dates in random order; one in ten in Quillet's own form, one in a
// hundred blank.
std::string RandomDate(std::mt19937& random) {
  char date[64];
  const int form = static_cast<int>(random() % 100);
  if (form == 0) return "   ";
  const int year = 1997 + static_cast<int>(random() % 10), day = 1 + static_cast<int>(random() % 28);
  const int month = static_cast<int>(random() % 12), hour = static_cast<int>(random() % 24);
  const int minute = static_cast<int>(random() % 60), second = static_cast<int>(random() % 60);
  if (form < 10)
    std::snprintf(date, sizeof date, "%s, %02d %sember %d %02d:%02d:%02d", kDays[day % 7], day, kMonths[month], year,
                  hour, minute, second);
  else
    std::snprintf(date, sizeof date, "%s, %d %s %d %02d:%02d:%02d +0900", kDays[day % 7], day, kMonths[month],
                  year % 100, hour, minute, second);
  return date;
}

class DatedDrawer {
 public:
  DatedDrawer() {
    const BookPlace book{platform::ProgramPath(m_folder.Root()), platform::ProgramPath(m_folder.Root()), true, 10};
    m_drawer = *GetDrawerFiles(book, 0, FixedDrawerNames(true)[0]);
    std::mt19937 random(20);
    DrawerBuilder builder;
    for (int i = 0; i < kRows; ++i) builder.AddNumberedMail(i, kBodyBytes).date = RandomDate(random);
    builder.Write(m_drawer.listPath, m_drawer.mailPath);
  }
  const DrawerFiles& Drawer() const { return m_drawer; }
  std::string KeysFile() const { return m_folder.Path("keys.txt"); }

 private:
  ScratchFolder m_folder;
  DrawerFiles m_drawer;
};

const DatedDrawer& TheDrawer() {
  static DatedDrawer drawer;
  return drawer;
}

std::vector<const MailEntry*> InRowOrder(const std::vector<MailEntry*>& entries) {
  return {entries.begin(), entries.end()};
}

void BM_DateKeysAndSort(benchmark::State& state) {
  const DrawerListing listing = ReadDrawer(TheDrawer().Drawer());
  for (auto _ : state) {
    std::vector<MailEntry*> entries = listing.entries;
    SortMailsByDate(entries, kDateUp);
    benchmark::DoNotOptimize(entries.data());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_DateKeysAndSort)->Unit(benchmark::kMillisecond);

// GNU sort of the same keys, one per line, bytewise as the keys compare.
void BM_GnuSortOfKeys(benchmark::State& state) {
  const DrawerListing listing = ReadDrawer(TheDrawer().Drawer());
  std::string keys;
  for (const MailEntry* entry : listing.entries) keys += NormalizeDate(entry->Text(MailField::Date)) + "\n";
  WriteBytes(platform::ProgramPath(TheDrawer().KeysFile()), keys);
  const std::string command = "LC_ALL=C sort '" + TheDrawer().KeysFile() + "' > /dev/null";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_GnuSortOfKeys)->Unit(benchmark::kMillisecond);

void BM_RewriteDrawerInItsOrder(benchmark::State& state) {
  const DrawerFiles& drawer = TheDrawer().Drawer();
  for (auto _ : state) {
    state.PauseTiming();
    const DrawerListing listing = ReadDrawer(drawer);
    state.ResumeTiming();
    if (!RewriteDrawer(drawer, listing, InRowOrder(listing.entries)).Ok()) state.SkipWithError("rewrite failed");
  }
  state.SetBytesProcessed(state.iterations() * platform::FileSize(drawer.mailPath));
}
BENCHMARK(BM_RewriteDrawerInItsOrder)->Unit(benchmark::kMillisecond)->Iterations(6);

// Each pass turns the order round, so that every rewrite moves every mail.
void BM_SortByDateAndRewrite(benchmark::State& state) {
  const DrawerFiles& drawer = TheDrawer().Drawer();
  SortDirection direction = kDateUp;
  for (auto _ : state) {
    state.PauseTiming();
    DrawerListing listing = ReadDrawer(drawer);
    state.ResumeTiming();
    SortMailsByDate(listing.entries, direction);
    if (!RewriteDrawer(drawer, listing, InRowOrder(listing.entries)).Ok()) state.SkipWithError("rewrite failed");
    direction = direction == kDateUp ? kDateDown : kDateUp;
  }
  state.SetBytesProcessed(state.iterations() * platform::FileSize(drawer.mailPath));
}
BENCHMARK(BM_SortByDateAndRewrite)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace

BENCHMARK_MAIN();
