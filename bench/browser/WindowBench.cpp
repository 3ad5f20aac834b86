// Dorvane's main window on a full drawer: opening it and moving mails out of
// it, each beside the floor set by the store or by plain file copies.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "browser/Main.h"
#include "bench/browser/CpDrawerFiles.h"
#include "browser/store/DrawerRewrite.h"
#include "browser/store/SettingsKey.h"
#include "platform/files/Files.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/Menus.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/ScratchFolder.h"

namespace {

constexpr int kRows = 10010;
constexpr int kMoved = 100;
constexpr size_t kBodyBytes = 5000;  // about 50 MB of mail text in all

// A PostPet folder whose receive book holds one full drawer, kept pristine
// beside it so that each move starts from the same files.
class FullBook {
 public:
  FullBook() {
    for (const char* dir : {"/exe", "/temp", "/registry"}) std::filesystem::create_directories(m_folder.Root() + dir);
    setenv("TEMP", (m_folder.Root() + "/temp").c_str(), 1);
    setenv("MARROWKIT_REGISTRY_DIR", (m_folder.Root() + "/registry").c_str(), 1);
    platform::SetExeDirForTesting(platform::ProgramPath(m_folder.Root() + "/exe"));
    SettingsKey().Write(Setting::PostPetFolder, platform::ProgramPath(m_folder.Root()));
    const BookPlace book{platform::ProgramPath(m_folder.Root()), "", true, 10};
    m_drawer = *GetDrawerFiles(book, 0, "");
    DrawerBuilder builder;
    for (int i = 0; i < kRows; ++i) builder.AddNumberedMail(i, kBodyBytes);
    builder.Write(m_drawer.listPath + ".orig", m_drawer.mailPath + ".orig");
    Restore();
  }

  void Restore() const {
    platform::CopyFile(m_drawer.listPath + ".orig", m_drawer.listPath, false);
    platform::CopyFile(m_drawer.mailPath + ".orig", m_drawer.mailPath, false);
    platform::DeleteFile(m_folder.Root() + "/受信フォルダ/黄色の引出しリスト.ppl");
    platform::DeleteFile(m_folder.Root() + "/受信フォルダ/黄色の引出し.ppm");
  }
  const DrawerFiles& Drawer() const { return m_drawer; }

 private:
  ScratchFolder m_folder;
  DrawerFiles m_drawer;
};

const FullBook& TheBook() {
  static FullBook book;
  return book;
}

void OpenRow(TMainForm& form, int row) {
  form.DrawerList->SetItemIndex(row);
  form.DrawerListClick(form.DrawerList);
}

void BM_StoreReadDrawer(benchmark::State& state) {
  const DrawerFiles& drawer = TheBook().Drawer();
  for (auto _ : state) {
    DrawerListing listing = ReadDrawer(drawer);
    benchmark::DoNotOptimize(listing.entries.data());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_StoreReadDrawer)->Arg(kRows)->Unit(benchmark::kMillisecond);

// Read, mail list filled and the last mail shown.
void BM_OpenDrawer(benchmark::State& state) {
  TheBook();
  TestModalDriver driver;
  TMainForm form(nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    OpenRow(form, 1);
    state.ResumeTiming();
    OpenRow(form, 0);
    if (form.MailList->Items->Count() != kRows) {
      state.SkipWithError("drawer not listed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_OpenDrawer)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_CpDrawerFiles(benchmark::State& state) { TimeCpOfDrawerFiles(state, TheBook().Drawer()); }
BENCHMARK(BM_CpDrawerFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

// 100 selected mails dragged from the full drawer onto 黄色の引出し: the
// appends, the rewrite of the source and the target opened.
void BM_MoveSelectedMails(benchmark::State& state) {
  const FullBook& book = TheBook();
  TestModalDriver driver;
  TMainForm form(nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    book.Restore();
    OpenRow(form, 1);
    OpenRow(form, 0);
    form.MailList->ClearSelection();
    for (int row = 0; row < kMoved; ++row) form.MailList->SetSelected(row * 97, true);
    form.MailList->SetTopIndex(0);
    const TRect press = form.MailList->ItemRect(0);
    const TRect drop = form.DrawerList->ItemRect(1);
    state.ResumeTiming();
    bool accept = false;
    form.MailListMouseDown(form.MailList, mbLeft, 0, press.Left + 2, press.Top + 2);
    form.DrawerListDragOver(form.DrawerList, form.MailList, drop.Left + 2, drop.Top + 2, dsDragMove, accept);
    form.DrawerListDragDrop(form.DrawerList, form.MailList, drop.Left + 2, drop.Top + 2);
    form.MailListEndDrag(form.MailList, form.DrawerList, drop.Left + 2, drop.Top + 2);
    if (form.MailList->Items->Count() != kMoved) {
      state.SkipWithError("mails not moved");
      break;
    }
  }
}
BENCHMARK(BM_MoveSelectedMails)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
