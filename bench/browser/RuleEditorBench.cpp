// The rule editor on large files: opening and saving 20,000 rules, and a
// friend book of 5,000 new addresses imported into 2,000 rules with every
// rule dialog answered, each beside a plain Python walk of the same files.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "browser/Drwset.h"
#include "browser/Setdname.h"
#include "platform/files/Files.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/Grids.h"
#include "platform/forms/StdCtrls.h"
#include "platform/strings/StringList.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/ScratchFolder.h"

namespace {

constexpr int kManyRules = 20000;
constexpr int kGridRules = 2000;
constexpr int kFriends = 5000;

std::string RuleBytes(int count) {
  std::string bytes;
  for (int n = 0; n < count; ++n)
    bytes += "user" + std::to_string(n) + "@example.jp 引出し" + std::to_string(n % 50) + "\r\n";
  return bytes;
}

class RuleFiles {
 public:
  RuleFiles() {
    WriteBytes(Program("many.cfg"), RuleBytes(kManyRules));
    WriteBytes(Program("grid.cfg"), RuleBytes(kGridRules));
    std::string book;
    for (int n = 0; n < kFriends; ++n)
      book += EncodeFriendRecord(n % 10, "ペット" + std::to_string(n), "飼い主", "friend" + std::to_string(n) + "@example.jp", n);
    WriteBytes(Program("おともだち帳"), book);
  }
  std::string Program(const std::string& name) const { return platform::ProgramPath(m_folder.Path(name)); }
  std::string Native(const std::string& name) const { return platform::NativePath(Program(name)); }

 private:
  ScratchFolder m_folder;
};

const RuleFiles& TheFiles() {
  static RuleFiles files;
  return files;
}

// Shows the editor on path; answer runs while it is shown.
void RunEditor(TestModalDriver& driver, const std::string& path, std::function<void(TDrwSetDlg&)> answer) {
  TStringList names;
  names.Add("受信簿");
  TDrwSetDlg dialog(nullptr);
  dialog.cfgPath = path;
  dialog.addrBookPath = TheFiles().Program("おともだち帳");
  dialog.drawerNames = &names;
  driver.FormAnswers.push_back([answer](TForm& f) { answer(dynamic_cast<TDrwSetDlg&>(f)); });
  dialog.ShowModal();
}

void BM_OpenAndSaveRules(benchmark::State& state) {
  const std::string path = TheFiles().Program("many.cfg");
  TestModalDriver driver;
  for (auto _ : state) {
    RunEditor(driver, path, [&](TDrwSetDlg& d) {
      if (d.DataList->RowCount() != kManyRules + 1) state.SkipWithError("rules not shown");
      d.OkBtn->Click();
    });
  }
  state.SetItemsProcessed(state.iterations() * kManyRules);
}
BENCHMARK(BM_OpenAndSaveRules)->Arg(kManyRules)->Unit(benchmark::kMillisecond);

void BM_ImportFriendBook(benchmark::State& state) {
  const std::string path = TheFiles().Program("grid.cfg");
  const std::string pristine = RuleBytes(kGridRules);
  TestModalDriver driver;
  for (auto _ : state) {
    state.PauseTiming();
    WriteBytes(path, pristine);
    state.ResumeTiming();
    RunEditor(driver, path, [&](TDrwSetDlg& d) {
      for (int n = 0; n < kFriends; ++n)
        driver.FormAnswers.push_back([](TForm& f) { dynamic_cast<TSetDNameDlg&>(f).OKBtn->Click(); });
      d.InportFile->Click();
      if (d.DataList->RowCount() != kGridRules + kFriends + 1) state.SkipWithError("friends not imported");
      d.OkBtn->Click();
    });
  }
  state.SetItemsProcessed(state.iterations() * kFriends);
}
BENCHMARK(BM_ImportFriendBook)->Arg(kFriends)->Unit(benchmark::kMillisecond);

// The script's own measure of its walk, without the interpreter's start.
void RunPython(benchmark::State& state, const std::string& arguments) {
  const std::string command = "/usr/bin/python3 '" MARROWKIT_RULE_WALK "' " + arguments;
  for (auto _ : state) {
    FILE* out = popen(command.c_str(), "r");
    double seconds = 0;
    if (!out || std::fscanf(out, "%lf", &seconds) != 1) state.SkipWithError("python walk failed");
    if (out) pclose(out);
    state.SetIterationTime(seconds);
  }
}

void BM_PythonOpenAndSaveRules(benchmark::State& state) {
  const RuleFiles& files = TheFiles();
  RunPython(state, "rules '" + files.Native("many.cfg") + "' '" + files.Native("py.cfg") + "'");
  state.SetItemsProcessed(state.iterations() * kManyRules);
}
BENCHMARK(BM_PythonOpenAndSaveRules)->Arg(kManyRules)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PythonImportFriendBook(benchmark::State& state) {
  const RuleFiles& files = TheFiles();
  RunPython(state, "import '" + files.Native("grid.cfg") + "' '" + files.Native("おともだち帳") + "' '" +
                       files.Native("py.cfg") + "'");
  state.SetItemsProcessed(state.iterations() * kFriends);
}
BENCHMARK(BM_PythonImportFriendBook)->Arg(kFriends)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
