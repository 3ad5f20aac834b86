// The three importers through the main window: files chosen in the open
// dialog, mails appended to the open drawer, every record checked against
// the input with the builder's own reader, and every way an import stops.

#include <filesystem>

#include "browser/Headend.h"
#include "platform/files/Files.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/StdCtrls.h"
#include "tests/browser/MainFormFixture.h"

namespace {

// What one imported mail must hold: its text and its five values.
struct Expected {
  std::string header, body, from, to, cc, subject, date;
};

int OpenDescriptors() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) count += !entry.is_directory();
  return count;
}

std::string ExportFile(const std::string& to, const std::string& subject, const std::string& body) {
  return "To: " + to + "\r\nFrom: 差出人 <f@example.jp>\r\nSubject: " + subject +
         "\r\nDate: Tue, 7 Dec 1999\r\nCc: \r\n----\r\n\r\n" + body;
}

Expected ExportMail(const std::string& to, const std::string& subject, const std::string& bodyLines) {
  return {"To: " + to + "\r\nFrom: 差出人 <f@example.jp>\r\nSubject: " + subject +
              "\r\nDate: Tue, 7 Dec 1999\r\nCc: \r\n",
          bodyLines, "差出人 <f@example.jp>", to, "", subject, "Tue, 7 Dec 1999"};
}

}  // namespace

class ImportCommandsTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    WriteDrawerNameFile("dorvndwl.cfg", {"取込"});
    Start();
    OpenDrawer("取込");
  }

  // An input file in the sandbox; its path as the program holds it.
  std::string Input(const std::string& name, const std::string& bytes) {
    const std::string path = platform::ProgramPath(TempDir()) + "\\" + name;
    WriteBytes(path, bytes);
    return path;
  }
  void Choose(const std::vector<std::string>& files) {
    driver->OpenDialogAnswers.push_back([files](TOpenDialog& dialog) {
      dialog.Files = files;
      dialog.FileName = files.front();
      return true;
    });
  }
  void AnswerHeaderEnd(const std::string& text) {
    driver->FormAnswers.push_back([text](TForm& f) {
      auto& dialog = dynamic_cast<THeadEndDlg&>(f);
      dialog.HEString->SetCaption(text);
      dialog.OkBtn->Click();
    });
  }
  std::string History() const { return ReadBytes(Program() + "\\dorvnhe.cfg"); }

  // The drawer holds exactly these mails, in order, each record whole and
  // pointing at its text, the records chained from offset 0.
  void ExpectDrawer(const std::vector<Expected>& mails) const {
    const std::vector<RecordFields> records = DecodeRecords(ReadBytes(ListPath(true, "取込")));
    const std::string mailFile = ReadBytes(MailPath(true, "取込"));
    ASSERT_EQ(records.size(), mails.size());
    uint32_t next = 0;
    for (size_t i = 0; i < mails.size(); ++i) {
      const RecordFields& r = records[i];
      const Expected& m = mails[i];
      EXPECT_EQ(r.head, "SsS1");
      EXPECT_EQ(r.recordSize, r.from.size() + r.to.size() + r.cc.size() + r.subject.size() + r.date.size() + 42);
      EXPECT_EQ(r.mailStart, next) << i;
      EXPECT_EQ(r.bodyStart - r.mailStart, m.header.size()) << i;
      EXPECT_EQ(r.bodyLength, m.body.size()) << i;
      EXPECT_EQ(mailFile.substr(r.mailStart, m.header.size() + m.body.size()), m.header + m.body) << i;
      EXPECT_EQ((std::vector{r.from, r.to, r.cc, r.subject, r.date}),
                (std::vector{m.from, m.to, m.cc, m.subject, m.date})) << i;
      EXPECT_EQ(r.reserved, 65u);
      EXPECT_EQ(r.status, 0u);
      EXPECT_EQ(r.id, "4535625330.3333333");
      EXPECT_EQ(r.attachCount, 0u);
      EXPECT_EQ(r.trailer, "EeE1");
      next = r.bodyStart + r.bodyLength;
    }
    EXPECT_EQ(mailFile.size(), next);
  }
};

TEST_F(ImportCommandsTest, ThreeExportFilesAreAppendedInOrderAndTheLastIsShown) {
  Choose({Input("1.txt", ExportFile("a@x", "一通目", "本文1\r\n")),
          Input("2.txt", ExportFile("b@x", "二通目", "")),
          Input("3.txt", ExportFile("c@x", "三通目", "行1\n行2\r"))});
  const int descriptors = OpenDescriptors();
  const int windows = VisibleWindowCount();
  form->PPtxtFile->Click();
  ExpectDrawer({ExportMail("a@x", "一通目", "本文1\r\n"), ExportMail("b@x", "二通目", ""),
                ExportMail("c@x", "三通目", "行1\r\n行2\r\n")});
  EXPECT_TRUE(driver->MessageBoxes.empty());
  EXPECT_EQ(form->MailList->Items->Count(), 3);
  EXPECT_EQ(form->MailSubject->Caption(), "三通目");
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(VisibleWindowCount(), windows);
}

TEST_F(ImportCommandsTest, CancelInTheOpenDialogWritesNothing) {
  form->DwMenuPPF->Click();
  form->DwMenuSF->Click();  // the header-end dialog is cancelled first
  form->DwMenuPPM->Click();
  EXPECT_FALSE(PathExists(ListPath(true, "取込")));
  EXPECT_EQ(driver->ModalForms, (std::vector<std::string>{"HeadEndDlg"}));
  EXPECT_EQ(driver->DialogsShown, 2);
  EXPECT_EQ(History(), "");
}

TEST_F(ImportCommandsTest, OneMailFilesEndTheirHeaderAtTheChosenLineAndKeepItsHistory) {
  AnswerHeaderEnd("END");
  Choose({Input("a.txt", "From: a@x\r\nsubject: lower\r\nend\r\nbody a\r\n"),
          Input("b.txt", "Subject: b\nEND\n")});
  form->SMailFile->Click();
  ExpectDrawer({{"From: a@x\r\nsubject: lower\r\nend\r\n", "body a\r\n", "a@x", "", "", "", ""},
                {"Subject: b\r\nEND\r\n", "", "", "", "", "b", ""}});
  EXPECT_EQ(History(), "END\r\n");

  // The next opening offers the history, shows "--------" and adds no text
  // differing only in case; every OK rewrites the file.
  std::vector<std::string> offered;
  std::string shown;
  driver->FormAnswers.push_back([&](TForm& f) {
    auto& dialog = dynamic_cast<THeadEndDlg&>(f);
    offered = dialog.HEString->Items->ToVector();
    shown = dialog.HEString->Caption();
    dialog.HEString->SetCaption("");
    dialog.OkBtn->Click();  // an empty text keeps the dialog open
    EXPECT_EQ(dialog.ModalResult(), mrNone);
    dialog.HEString->SetCaption("end");
    dialog.OkBtn->Click();
  });
  WriteBytes(Program() + "\\dorvnhe.cfg", "END\r\nother");
  Choose({Input("c.txt", "x\r\nEnd\r\n")});
  form->SMailFile->Click();
  EXPECT_EQ(offered, (std::vector<std::string>{"END", "other"}));
  EXPECT_EQ(shown, "--------");
  EXPECT_EQ(History(), "END\r\nother\r\n");
  EXPECT_EQ(form->MailList->Items->Count(), 3);
  EXPECT_TRUE(driver->MessageBoxes.empty());
}

TEST_F(ImportCommandsTest, OnlyTheFirstMultiMailFileIsCutIntoMails) {
  Choose({Input("many.ppm", "Received: r\r\n  by h\r\nFrom: a@x\r\nCC: c\r\n\r\nbody\r\nX-N: 1\r\nSubject: 2\r\n\r\n"),
          Input("other.ppm", "From: never\r\n\r\n")});
  form->MMailFile->Click();
  ExpectDrawer({{"Received: r\r\n  by h\r\nFrom: a@x\r\nCC: c\r\n", "\r\nbody\r\n", "a@x", "", "c", "", ""},
                {"X-N: 1\r\nSubject: 2\r\n", "\r\n", "", "", "", "2", ""}});
  EXPECT_EQ(form->MailSubject->Caption(), "2");
}

// List and mail files hold NUL as any other byte: no line after one is lost,
// and no mail.
TEST_F(ImportCommandsTest, ANulByteIsImportedAsAByteOfItsMail) {
  using namespace std::string_literals;
  const std::string body = "body\0with a NUL\r\nafter it\r\n"s;
  Choose({Input("nul.ppm", "From: a@x\r\n\r\n" + body + "From: b@x\r\n\r\nlast\r\n")});
  form->MMailFile->Click();
  ExpectDrawer({{"From: a@x\r\n", "\r\n" + body, "a@x", "", "", "", ""},
                {"From: b@x\r\n", "\r\nlast\r\n", "b@x", "", "", "", ""}});
  EXPECT_TRUE(driver->MessageBoxes.empty());
}

TEST_F(ImportCommandsTest, OverLongLinesAndShortLabelLinesGiveRecordsThatReadBackWhole) {
  const std::string longFrom(300, 'f');
  const std::string longBody(20000, 'b');
  Choose({Input("long.ppm", "From: " + longFrom + "\nCc:\nTo:\nDate: " + std::string(500, 'd') +
                                "\nSubject: 件名" + std::string(600, 's') + "\n" + longBody + "\n")});
  form->MMailFile->Click();
  const std::string header = "From: " + longFrom + "\r\nCc:\r\nTo:\r\nDate: " + std::string(500, 'd') +
                             "\r\nSubject: 件名" + std::string(600, 's') + "\r\n";
  ExpectDrawer({{header, longBody + "\r\n", std::string(126, 'f'), "", "", "件名" + std::string(507, 's'),
                 std::string(126, 'd')}});
  EXPECT_EQ(form->FromAdd->Caption(), std::string(126, 'f'));
}

// Each way an import stops in the middle: the mails of the files before
// stay, the rest is not read, the window is gone, the drawer is read again.
struct StopCase {
  const char* name;
  TMenuItem* TMainForm::*command;
  std::string firstFile;
  std::string failingFile;  // empty: a file that does not exist
  std::string message;
  Expected kept;
};

class ImportStopTest : public ImportCommandsTest, public testing::WithParamInterface<StopCase> {};

TEST_P(ImportStopTest, KeepsTheMailsBeforeAndReloadsTheDrawer) {
  const StopCase& c = GetParam();
  AnswerHeaderEnd("--");
  const std::string missing = platform::ProgramPath(TempDir()) + "\\missing.txt";
  const std::string failing = c.failingFile.empty() ? missing : Input("2.txt", c.failingFile);
  std::vector<std::string> files = {Input("1.txt", c.firstFile), failing, Input("3.txt", c.firstFile)};
  if (c.command == &TMainForm::MMailFile) files = {failing};
  Choose(files);
  const int descriptors = OpenDescriptors();
  const int windows = VisibleWindowCount();
  (form.get()->*c.command)->Click();
  const std::string shownMissing = platform::ProgramPath(TempDir()) + "/missing.txt";
  const std::string message = c.failingFile.empty() ? "ファイル " + shownMissing + " は開けません" : c.message;
  EXPECT_EQ(LastMessages(), std::vector<std::string>{message});
  ExpectDrawer({c.kept});
  EXPECT_EQ(form->MailList->Items->Count(), 1);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_EQ(VisibleWindowCount(), windows);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImportStopTest,
    testing::Values(
        StopCase{"ExportTooShort", &TMainForm::PPtxtFile, ExportFile("a@x", "s", "b\r\n"), "To: x\r\n\r\n\r\n",
                 "リストのインデックスが範囲を超えています (3)", ExportMail("a@x", "s", "b\r\n")},
        StopCase{"ExportMissing", &TMainForm::PPtxtFile, ExportFile("a@x", "s", ""), "", "",
                 ExportMail("a@x", "s", "")},
        StopCase{"NoHeaderEnd", &TMainForm::SMailFile, "Subject: s\r\n--\r\nb\r\n", "Subject: t\r\n- -\r\n",
                 "ヘッダ終了行がありません", {"Subject: s\r\n--\r\n", "b\r\n", "", "", "", "s", ""}},
        StopCase{"MultiEndsInHeader", &TMainForm::MMailFile, "", "From: a\r\n\r\nb\r\nReceived: r\r\n",
                 "リストのインデックスが範囲を超えています (4)", {"From: a\r\n", "\r\nb\r\n", "a", "", "", "", ""}}),
    [](const testing::TestParamInfo<StopCase>& info) { return info.param.name; });

// The import stops at the mail that does not fit: a shorter one after it,
// which would, is not appended either.
TEST_F(ImportCommandsTest, AnAppendPastTheListFormatsOffsetsIsRefusedAsAnOpenFailure) {
  const Expected shorter = ExportMail("a@x", "s", "");
  const int64_t room = static_cast<int64_t>(shorter.header.size());
  WriteBytes(ListPath(true, "取込"), "");
  WriteBytes(MailPath(true, "取込"), "");
  std::filesystem::resize_file(platform::NativePath(MailPath(true, "取込")), 0xFFFFFFFFu - room);
  Choose({Input("1.txt", ExportFile("a@x", "s", "body\r\n")), Input("2.txt", ExportFile("a@x", "s", ""))});
  form->PPtxtFile->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"ファイルが開けません"});
  EXPECT_EQ(platform::FileSize(MailPath(true, "取込")), 0xFFFFFFFF - room);
  EXPECT_EQ(platform::FileSize(ListPath(true, "取込")), 0);
}

// An import of the open drawer's own MailFile would read what it appends:
// it is refused before anything is read or written.
TEST_F(ImportCommandsTest, TheDrawersOwnMailFileIsNotImportedIntoIt) {
  DrawerBuilder own;
  own.AddNumberedMail(1);
  own.Write(ListPath(true, "取込"), MailPath(true, "取込"));
  Choose({MailPath(true, "取込")});
  form->MMailFile->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"ファイル " + platform::DesktopPath(MailPath(true, "取込")) + " は開けません"});
  EXPECT_TRUE(ReadBytes(ListPath(true, "取込")) == own.ListBytes());
  EXPECT_TRUE(ReadBytes(MailPath(true, "取込")) == own.MailBytes());
}

TEST_F(ImportCommandsTest, TheHeaderEndDialogShowsItsHistory) {
  WriteBytes(Program() + "\\dorvnhe.cfg", "--------\r\n-- \r\n【本文】\r\n");
  std::vector<std::string> offered;
  driver->FormAnswers.push_back([&offered](TForm& f) {
    auto& dialog = dynamic_cast<THeadEndDlg&>(f);
    EXPECT_EQ(HeadEndDlg, &dialog);
    EXPECT_EQ(dialog.Caption(), "ヘッダ終了行指定ダイアログ");
    EXPECT_EQ(dialog.ClientWidth(), 329);
    EXPECT_EQ(dialog.ClientHeight(), 162);
    offered = dialog.HEString->Items->ToVector();
    if (const char* folder = std::getenv("MARROWKIT_SCREENS_DIR"))
      SaveScreenshot(f, std::string(folder) + "/dorvane-header-end.png");
  });
  form->SMailFile->Click();
  EXPECT_EQ(HeadEndDlg, nullptr);
  EXPECT_EQ(offered, (std::vector<std::string>{"--------", "-- ", "【本文】"}));
  EXPECT_EQ(driver->DialogsShown, 0);  // cancelled: no file is asked for
}
