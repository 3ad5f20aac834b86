// Dorvane's importers on large inputs, each beside a floor: a multi-mail
// file of 20,000 mails against Python's mailbox module copying the same
// mails between two mbox files and against cp, the same file ten times as
// large against cp, and 1,000 one-mail files against cat; the multi-mail
// file is also cut alone, without the store's appends. The import's peak
// memory is reported beside the file's size: it must not grow with the file;
// and beside the size of one very large mail imported alone.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "browser/Headend.h"
#include "browser/Import.h"
#include "browser/Main.h"
#include "browser/store/DrawerImport.h"
#include "browser/store/DrawerPaths.h"
#include "browser/store/SettingsKey.h"
#include "platform/files/Files.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/FormsTesting.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "tests/support/ScratchFolder.h"

namespace {

constexpr int kMultiMails = 20000;
constexpr int kLargeMultiMails = 10 * kMultiMails;
constexpr int kOneMailFiles = 1000;
constexpr size_t kBodyLines = 60;  // about 4 KB of mail each

std::string MailHeader(int n) {
  const std::string id = std::to_string(n);
  return "Received: from mx" + id + ".example.jp by mail.example.jp\r\n  id " + id +
         "; Tue, 7 Dec 1999 17:01:02 +0900\r\nFrom: sender" + id + "@example.jp\r\nTo: you@example.jp\r\n"
         "Subject: mail " + id + "\r\nDate: Tue, 7 Dec 1999 17:01:02 +0900\r\nMessage-Id: <" + id +
         "@example.jp>\r\nX-Mailer: bench\r\n";
}

std::string MailBody(int n) {
  std::string body = "\r\n";
  for (size_t line = 0; line < kBodyLines; ++line)
    body += "line " + std::to_string(line) + " of mail " + std::to_string(n) + ": " + std::string(44, 'a' + n % 26) + "\r\n";
  return body;
}

// Linux keeps the process's peak resident size (VmHWM); writing 5 to
// clear_refs sets it back to what the process holds now, so that the next
// reading is the peak of what ran in between.
void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

long PeakResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  return -1;
}

// The scratch folder: the program's folder with one own drawer, TEMP, the
// registry, and the inputs, all written once before anything is timed.
class Inputs {
 public:
  Inputs() {
    for (const char* dir : {"/exe", "/temp", "/registry", "/in"}) std::filesystem::create_directories(m_folder.Root() + dir);
    setenv("TEMP", (m_folder.Root() + "/temp").c_str(), 1);
    setenv("MARROWKIT_REGISTRY_DIR", (m_folder.Root() + "/registry").c_str(), 1);
    platform::SetExeDirForTesting(platform::ProgramPath(m_folder.Root() + "/exe"));
    SettingsKey().Write(Setting::PostPetFolder, platform::ProgramPath(m_folder.Root()));
    std::ofstream(m_folder.Root() + "/exe/dorvndwl.cfg") << "import\r\n";
    WriteMultiMailFiles();
    WriteLargeMultiMailFile();
    WriteOneMailFiles();
  }

  std::string Native(const std::string& name) const { return m_folder.Path(name); }
  std::string Program(const std::string& name) const { return platform::ProgramPath(Native(name)); }
  // The book the own drawer import lies in, as the window holds it.
  BookPlace Book() const {
    return {platform::ProgramPath(m_folder.Root()), Program("exe"), true, FixedDrawerCount(true)};
  }
  // The literals are Shift-JIS here: the file system takes them through NativePath.
  void ClearDrawer() const {
    std::filesystem::remove(platform::NativePath(Program("exe") + "\\受信フォルダ\\import.ppm"));
    std::filesystem::remove(platform::NativePath(Program("exe") + "\\受信フォルダ\\importリスト.ppl"));
  }
  const std::vector<std::string>& OneMailFiles() const { return m_oneMailFiles; }
  // The multi-mail file of count mails.
  static std::string MultiMailFile(int64_t count) { return "in/many-" + std::to_string(count) + ".ppm"; }

 private:
  // The same mails as a multi-mail file and as an mbox ("From " lines, LF).
  void WriteMultiMailFiles() const {
    std::ofstream multi(Native(MultiMailFile(kMultiMails)), std::ios::binary);
    std::ofstream mbox(Native("in/many.mbox"), std::ios::binary);
    for (int n = 0; n < kMultiMails; ++n) {
      const std::string mail = MailHeader(n) + MailBody(n);
      multi << mail;
      std::string unix = mail;
      std::erase(unix, '\r');
      mbox << "From sender" << n << "@example.jp Tue Dec  7 17:01:02 1999\n" << unix << "\n";
    }
  }
  void WriteLargeMultiMailFile() const {
    std::ofstream multi(Native(MultiMailFile(kLargeMultiMails)), std::ios::binary);
    for (int n = 0; n < kLargeMultiMails; ++n) multi << MailHeader(n) << MailBody(n);
  }
  void WriteOneMailFiles() {
    std::filesystem::create_directories(Native("in/one"));
    for (int n = 0; n < kOneMailFiles; ++n) {
      const std::string name = "in/one/" + std::to_string(100000 + n) + ".txt";
      std::ofstream(Native(name), std::ios::binary) << MailHeader(n) << "--------" << MailBody(n) << MailBody(n);
      m_oneMailFiles.push_back(Program(name));
    }
  }

  ScratchFolder m_folder;
  std::vector<std::string> m_oneMailFiles;
};

const Inputs& TheInputs() {
  static Inputs inputs;
  return inputs;
}

struct ImportWindow {
  ImportWindow() {
    form.DrawerList->SetItemIndex(form.DrawerList->Items->IndexOf("import"));
    form.DrawerListClick(form.DrawerList);
  }
  TestModalDriver driver;
  TMainForm form{nullptr};
};

void ChooseFiles(TestModalDriver& driver, const std::vector<std::string>& files) {
  driver.OpenDialogAnswers.push_back([files](TOpenDialog& dialog) {
    dialog.Files = files;
    dialog.FileName = files.front();
    return true;
  });
}

void AnswerHeaderEnd(TestModalDriver& driver) {
  driver.FormAnswers.push_back([](TForm& f) {
    auto& dialog = dynamic_cast<THeadEndDlg&>(f);
    dialog.HEString->SetCaption("--------");
    dialog.OkBtn->Click();
  });
}

// Timed in real time: the work is the child's.
void RunCommand(benchmark::State& state, const std::string& command) {
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError(command.c_str());
}

// The import, its reload of the drawer included. peak_MB is the highest
// resident size the process reached during any one import.
void BM_ImportMultiMailFile(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  const std::string file = Inputs::MultiMailFile(state.range(0));
  ImportWindow window;
  long peakKilobytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    inputs.ClearDrawer();
    ChooseFiles(window.driver, {inputs.Program(file)});
    ResetPeakResident();
    state.ResumeTiming();
    window.form.MMailFile->Click();
    peakKilobytes = std::max(peakKilobytes, PeakResidentKilobytes());
  }
  if (!window.driver.MessageBoxes.empty()) state.SkipWithError(window.driver.MessageBoxes.front().Text.c_str());
  const auto fileBytes = std::filesystem::file_size(inputs.Native(file));
  state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
  state.counters["peak_MB"] = static_cast<double>(peakKilobytes) / 1e3;
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fileBytes));
}
BENCHMARK(BM_ImportMultiMailFile)->Arg(kMultiMails)->Arg(kLargeMultiMails)->Unit(benchmark::kMillisecond)->Iterations(3);

// The importer's own share: reading and cutting the file into mails and
// their records, with nothing appended.
void BM_CutMultiMailFile(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  const std::string file = inputs.Program(Inputs::MultiMailFile(state.range(0)));
  for (auto _ : state) {
    MultiMailFile mails(file);
    while (std::optional<MailToAppend> mail = mails.Next()) benchmark::DoNotOptimize(mail->text.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CutMultiMailFile)->Arg(kMultiMails)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PythonMailboxCopy(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  const std::string target = inputs.Native("temp/copy.mbox");
  RunCommand(state, "rm -f '" + target + "' && /usr/bin/python3 '" MARROWKIT_BENCH_DIR "/mbox_copy.py' '" +
                        inputs.Native("in/many.mbox") + "' '" + target + "'");
  std::filesystem::remove(target);
  state.SetItemsProcessed(state.iterations() * kMultiMails);
}
BENCHMARK(BM_PythonMailboxCopy)->UseRealTime()->Arg(kMultiMails)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CpMultiMailFile(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  const std::string file = Inputs::MultiMailFile(state.range(0));
  RunCommand(state, "cp '" + inputs.Native(file) + "' '" + inputs.Native("temp/copy.ppm") + "'");
  std::filesystem::remove(inputs.Native("temp/copy.ppm"));
}
BENCHMARK(BM_CpMultiMailFile)->UseRealTime()->Arg(kMultiMails)->Arg(kLargeMultiMails)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportOneMailFiles(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  ImportWindow window;
  for (auto _ : state) {
    state.PauseTiming();
    inputs.ClearDrawer();
    AnswerHeaderEnd(window.driver);
    ChooseFiles(window.driver, inputs.OneMailFiles());
    state.ResumeTiming();
    window.form.SMailFile->Click();
  }
  if (!window.driver.MessageBoxes.empty()) state.SkipWithError(window.driver.MessageBoxes.front().Text.c_str());
  state.SetItemsProcessed(state.iterations() * kOneMailFiles);
}
BENCHMARK(BM_ImportOneMailFiles)->Arg(kOneMailFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

// One mail of about 870 MB in a one-mail file, written once when first asked for.
const std::string& LargeOneMailFile() {
  static const std::string file = [] {
    const Inputs& inputs = TheInputs();
    const std::string name = "in/one-large.txt";
    std::ofstream out(inputs.Native(name), std::ios::binary);
    out << MailHeader(0) << "--------\r\n";
    const std::string body = MailBody(0);
    for (int64_t written = 0; written < int64_t{870} << 20; written += static_cast<int64_t>(body.size())) out << body;
    return inputs.Program(name);
  }();
  return file;
}

// The import of one very large mail by the store alone, as the window's
// command makes it (the window would then show the mail, which is not the
// import's memory): peak_MB, the highest resident size of the process
// during the import, against the mail's size. The mail must be held once.
void BM_ImportOneLargeMail(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  const std::string& file = LargeOneMailFile();
  const DrawerFiles drawer = *GetDrawerFiles(inputs.Book(), FixedDrawerCount(true), "import");
  platform::ForceDirectories(drawer.folder);
  long peakKilobytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    inputs.ClearDrawer();
    ResetPeakResident();
    state.ResumeTiming();
    OneMailFiles mails({file}, "--------");
    if (!ImportMails(drawer, mails).Ok()) state.SkipWithError("the import failed");
    peakKilobytes = std::max(peakKilobytes, PeakResidentKilobytes());
  }
  state.counters["mail_MB"] = static_cast<double>(platform::FileSize(file)) / 1e6;
  state.counters["peak_MB"] = static_cast<double>(peakKilobytes) / 1e3;
}
BENCHMARK(BM_ImportOneLargeMail)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CatOneMailFiles(benchmark::State& state) {
  const Inputs& inputs = TheInputs();
  RunCommand(state, "cat '" + inputs.Native("in/one") + "'/*.txt > '" + inputs.Native("temp/all.txt") + "'");
  std::filesystem::remove(inputs.Native("temp/all.txt"));
  state.SetItemsProcessed(state.iterations() * kOneMailFiles);
}
BENCHMARK(BM_CatOneMailFiles)->UseRealTime()->Arg(kOneMailFiles)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
