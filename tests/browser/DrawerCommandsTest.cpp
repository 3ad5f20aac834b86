// Own drawers: new, rename, delete and sort with the name dialog, and what
// the drawer-name file holds afterwards.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "browser/Dname.h"
#include "browser/store/DrawerNameFile.h"
#include "platform/files/Files.h"
#include "platform/forms/StdCtrls.h"
#include "tests/browser/MainFormFixture.h"
#include "tests/support/NoAccessOverride.h"

namespace {

// Answers the name dialog: types name and presses OK, then Cancel when the
// dialog is still open (refused names keep it open).
std::function<void(TForm&)> TypeName(const std::string& name) {
  return [name](TForm& form) {
    auto& dialog = static_cast<TDNameDlg&>(form);
    dialog.DrawerName->SetText(name);
    dialog.OkBtn->Click();
    if (dialog.ModalResult() == mrNone) dialog.CancelBtn->Click();
  };
}

std::function<void(TForm&)> PressCancel() {
  return [](TForm& form) { static_cast<TDNameDlg&>(form).CancelBtn->Click(); };
}

// Runs command in a process of its own, as another Dorvane window would; true when it succeeded.
bool InOtherWindow(const std::function<bool()>& command) {
  const pid_t child = fork();
  if (child == 0) _exit(command() ? 0 : 1);
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

class DrawerCommandsTest : public MainFormTest {
 protected:
  std::string NameFile() const { return ReadBytes(Program() + "\\dorvndwl.cfg"); }
};

TEST_F(DrawerCommandsTest, ANewDrawerIsAppendedLastWithoutFilesAndNotOpened) {
  Start();
  driver->FormAnswers.push_back(TypeName("仕事"));
  form->NewDrawer->Click();
  EXPECT_EQ(DrawerRows().back(), "仕事");
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  EXPECT_EQ(NameFile(), "ひみつ日記\r\nペットメール\r\n仕事\r\n");
  EXPECT_FALSE(PathExists(ListPath(true, "仕事")));
  OpenDrawer("仕事");
  EXPECT_EQ(form->MailList->Items->Count(), 0);
}

TEST_F(DrawerCommandsTest, TheNameDialogOpensOnTheProposedName) {
  Start();
  std::string proposed;
  driver->FormAnswers.push_back([&](TForm& f) {
    proposed = static_cast<TDNameDlg&>(f).DrawerName->Text();
    if (const char* folder = std::getenv("MARROWKIT_SCREENS_DIR"))
      SaveScreenshot(f, std::string(folder) + "/dorvane-drawer-name.png");
    static_cast<TDNameDlg&>(f).CancelBtn->Click();
  });
  form->NewDrawer->Click();
  EXPECT_EQ(proposed, "新しい引出し");
  EXPECT_EQ(DrawerRows().size(), 12u);
  EXPECT_FALSE(PathExists(Program() + "\\dorvndwl.cfg"));
}

TEST_F(DrawerCommandsTest, EnterInTheNameDialogPressesOk) {
  Start();
  driver->FormAnswers.push_back([](TForm& f) {
    auto& dialog = static_cast<TDNameDlg&>(f);
    dialog.DrawerName->SetText("家族");
    PressKey(*dialog.DrawerName, VK_RETURN);
  });
  form->DwMenuNew->Click();
  EXPECT_EQ(DrawerRows().back(), "家族");
}

// The real error box takes Enter and Escape itself; the dialog stays open with its text.
TEST_F(DrawerCommandsTest, EnterOrEscapeInTheErrorBoxCloseOnlyTheBox) {
  Start();
  driver->MessageBoxKeys = {VK_RETURN, VK_ESCAPE};
  driver->FormAnswers.push_back([](TForm& f) {
    auto& dialog = static_cast<TDNameDlg&>(f);
    dialog.DrawerName->SetText("ペットメール");
    for (int box = 0; box < 2; ++box) PressKey(*dialog.DrawerName, VK_RETURN);
    EXPECT_EQ(dialog.ModalResult(), mrNone);
    EXPECT_EQ(dialog.DrawerName->Text(), "ペットメール");
  });
  form->NewDrawer->Click();
  EXPECT_EQ(driver->MessageBoxes.size(), 2u);
}

struct RefusedName {
  std::string name;
  const char* message;
};

class RefusedNameTest : public DrawerCommandsTest,
                        public ::testing::WithParamInterface<RefusedName> {};

TEST_P(RefusedNameTest, IsRefusedWithItsMessageAndTheDialogStaysOpen) {
  Start();
  driver->FormAnswers.push_back(TypeName(GetParam().name));
  form->NewDrawer->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{GetParam().message});
  EXPECT_EQ(driver->MessageBoxes.at(0).Caption, "エラー");
  EXPECT_EQ(DrawerRows().size(), 12u);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusedNameTest,
    ::testing::Values(RefusedName{"", "名前を設定してください"},
                      RefusedName{"ペットメール", "存在する引出し名です"},
                      RefusedName{"受信簿", "存在する引出し名です"},
                      RefusedName{"黄色の引出し", "存在する引出し名です"},
                      RefusedName{"a/b", "引出し名に使えない文字が含まれています"},
                      RefusedName{"..", "引出し名に使えない文字が含まれています"},
                      RefusedName{"a\\b", "引出し名に使えない文字が含まれています"},
                      RefusedName{std::string(239, 'n'), "引出し名が長すぎます"},
                      RefusedName{std::string(236, 'n') + "/", "引出し名に使えない文字が含まれています"}));

// Another Dorvane, in a process of its own, adds a drawer and later deletes
// it: this window's new drawer keeps the other's row, and its rename of the
// row the other deleted is refused, showing the rows as they now are.
TEST_F(DrawerCommandsTest, TwoWindowsChangeTheDrawerNamesWithoutLosingEachOthersRows) {
  Start();
  const DrawerNameFile names{Program() + "\\dorvndwl.cfg", Program(), {"ひみつ日記", "ペットメール"}};
  ASSERT_TRUE(InOtherWindow([&] { return AddOwnDrawer(names, "xa").result.Ok(); }));
  driver->FormAnswers.push_back(TypeName("xb"));
  form->NewDrawer->Click();
  EXPECT_EQ(NameFile(), "ひみつ日記\r\nペットメール\r\nxa\r\nxb\r\n");
  OpenDrawer("xa");
  ASSERT_TRUE(InOtherWindow([&] { return DeleteOwnDrawer(names, "xa", nullptr).result.Ok(); }));
  driver->FormAnswers.push_back(TypeName("xc"));
  form->DwMenuRnm->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"引出しが他のプログラムで変更されました。もう一度操作してください"});
  EXPECT_EQ(NameFile(), "ひみつ日記\r\nペットメール\r\nxb\r\n");
  const std::vector<std::string> rows = DrawerRows();
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 10, rows.end()),
            (std::vector<std::string>{"ひみつ日記", "ペットメール", "xb"}));
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);  // the book is open in place of the deleted drawer
}

// This window still lists drawer xa, which another window has deleted, when
// one of its commands would write into it.
class StaleDrawerTest;
struct StaleWrite {
  const char* command;
  void (StaleDrawerTest::*run)();
};

void PrintTo(const StaleWrite& write, std::ostream* out) { *out << write.command; }

class StaleDrawerTest : public DrawerCommandsTest, public ::testing::WithParamInterface<StaleWrite> {
 protected:
  void SetUp() override {
    DrawerCommandsTest::SetUp();
    WriteDrawerNameFile("dorvndwl.cfg", {"ひみつ日記", "ペットメール", "xa"});
    WriteNumbered(true, "", 1, 3);
    Start();
  }
  void DeleteXaInOtherWindow() {
    const DrawerFiles xa = *GetDrawerFiles({PostPet(), Program(), true, FixedDrawerCount(true)}, RowOf("xa"), "xa");
    ASSERT_TRUE(InOtherWindow([&] { return DeleteOwnDrawer(xa.ownRow->nameFile, "xa", &xa).result.Ok(); }));
  }
 public:
  void DropFirstMailOnXa() {
    SelectMails({0});
    DragMail(0, RowOf("xa"));
  }
  void SortBookIntoXa() {
    WriteBytes(Program() + "\\dorvnadw.cfg", "sender1@example.jp xa\r\nsender2@example.jp xa\r\nsender3@example.jp xa\r\n");
    form->AutoSeparate->Click();
  }
  void ImportIntoXa() {
    OpenDrawer("xa");
    const std::string input = platform::ProgramPath(TempDir()) + "\\in.ppm";
    WriteBytes(input, NumberedHeader(7) + NumberedBody(7, 64));
    driver->OpenDialogAnswers.push_back([input](TOpenDialog& dialog) {
      dialog.FileName = input;
      return true;
    });
    form->DwMenuPPM->Click();
  }
};

TEST_P(StaleDrawerTest, IsRefusedChangesNothingAndShowsTheRowsAsTheyAre) {
  DeleteXaInOtherWindow();
  (this->*GetParam().run)();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{kDrawerChanged});
  EXPECT_EQ(SubjectsIn(true, ""), (std::vector<std::string>{"mail 1", "mail 2", "mail 3"}));
  EXPECT_FALSE(PathExists(ListPath(true, "xa")) || PathExists(MailPath(true, "xa")));
  const std::vector<std::string> rows = DrawerRows();
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 10, rows.end()), (std::vector<std::string>{"ひみつ日記", "ペットメール"}));
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  EXPECT_EQ(form->MailList->Items->Count(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, StaleDrawerTest,
    ::testing::Values(StaleWrite{"Drop", &StaleDrawerTest::DropFirstMailOnXa},
                      StaleWrite{"Sort", &StaleDrawerTest::SortBookIntoXa},
                      StaleWrite{"Import", &StaleDrawerTest::ImportIntoXa}),
    [](const ::testing::TestParamInfo<StaleWrite>& info) { return std::string(info.param.command); });

TEST_F(DrawerCommandsTest, NamesDifferingOnlyInLetterCaseAreOneName) {
  WriteDrawerNameFile("dorvndwl.cfg", {"Work"});
  Start();
  driver->FormAnswers.push_back(TypeName("WORK"));
  form->NewDrawer->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"存在する引出し名です"});
}

TEST_F(DrawerCommandsTest, BlanksAndNamesWithSoOrHyoAreAccepted) {
  Start();
  driver->FormAnswers.push_back(TypeName("   "));
  driver->FormAnswers.push_back(TypeName("ソフト表"));
  form->NewDrawer->Click();
  form->NewDrawer->Click();
  EXPECT_TRUE(driver->MessageBoxes.empty());
  EXPECT_EQ(NameFile(), "ひみつ日記\r\nペットメール\r\n   \r\nソフト表\r\n");
}

TEST_F(DrawerCommandsTest, ARenamedDrawerMovesToTheEndAndIsOpenWithItsMails) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事", "家族"});
  WriteNumbered(true, "仕事", 1, 2);
  Start();
  OpenDrawer("仕事");
  driver->FormAnswers.push_back(TypeName("昔の仕事"));
  form->DwMenuRnm->Click();
  EXPECT_EQ(DrawerRows().back(), "昔の仕事");
  EXPECT_EQ(RowOf("仕事"), -1);
  EXPECT_EQ(form->DrawerList->ItemIndex(), 11);
  EXPECT_EQ(form->MailList->Items->Count(), 2);
  EXPECT_FALSE(PathExists(ListPath(true, "仕事")));
  EXPECT_FALSE(PathExists(MailPath(true, "仕事")));
  EXPECT_EQ(NameFile(), "家族\r\n昔の仕事\r\n");
}

// A right press opens the pop-up over a row without choosing it, so the
// pop-up's items follow and act on the drawer that is open.
TEST_F(DrawerCommandsTest, ThePopUpAfterARightPressOnAnotherRowRenamesTheOpenDrawer) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事", "家族"});
  WriteNumbered(true, "仕事", 1, 2);
  Start();
  OpenDrawer("仕事");
  MousePress(*form->DrawerList, mbRight, DrawerRowPoint(RowOf("家族")));
  MouseRelease(*form->DrawerList, mbRight, DrawerRowPoint(RowOf("家族")));
  EXPECT_EQ(form->DrawerList->ItemIndex(), RowOf("仕事"));
  form->DwMenu->OnPopup(form->DwMenu);
  ASSERT_TRUE(form->DwMenuRnm->Enabled());
  driver->FormAnswers.push_back(TypeName("昔の仕事"));
  form->DwMenuRnm->Click();
  EXPECT_EQ(NameFile(), "家族\r\n昔の仕事\r\n");
  EXPECT_EQ(form->MailList->Items->Count(), 2);
}

TEST_F(DrawerCommandsTest, ARightPressOnAnOwnRowOffersNoRenameForAFixedOpenDrawer) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事"});
  Start();
  OpenDrawer("黒の引出し");
  MousePress(*form->DrawerList, mbRight, DrawerRowPoint(RowOf("仕事")));
  form->DwMenu->OnPopup(form->DwMenu);
  EXPECT_FALSE(form->DwMenuRnm->Enabled());
  EXPECT_FALSE(form->DwMenuDel->Enabled());
}

// An own drawer may carry the name of one of PostPet's drawers.
TEST_F(DrawerCommandsTest, RenamingAnOwnDrawerNamedLikeAFixedRowLeavesTheFixedRowsAlone) {
  WriteDrawerNameFile("dorvndwl.cfg", {"黄色の引出し", "家族"});
  DrawerBuilder mails;
  mails.AddNumberedMail(1);
  mails.Write(Program() + "\\受信フォルダ\\黄色の引出しリスト.ppl",
              Program() + "\\受信フォルダ\\黄色の引出し.ppm");
  Start();
  form->DrawerList->SetItemIndex(10);
  form->DrawerListClick(form->DrawerList);
  driver->FormAnswers.push_back(TypeName("昔の黄色"));
  form->DwMenuRnm->Click();
  const std::vector<std::string> rows = DrawerRows();
  EXPECT_EQ(rows[1], "黄色の引出し");
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 10, rows.end()),
            (std::vector<std::string>{"家族", "昔の黄色"}));
  EXPECT_EQ(form->DrawerList->ItemIndex(), 11);
  EXPECT_EQ(form->MailList->Items->Count(), 1);
}

TEST_F(DrawerCommandsTest, SortingKeepsAnOwnDrawerNamedLikeAFixedRowOpen) {
  WriteDrawerNameFile("dorvndwl.cfg", {"b", "黄色の引出し", "a"});
  Start();
  form->DrawerList->SetItemIndex(11);
  form->DrawerListClick(form->DrawerList);
  form->DsUp->Click();
  EXPECT_EQ(form->DrawerList->ItemIndex(), 12);
}

TEST_F(DrawerCommandsTest, RenamingToTheSameNameIsRefused) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事"});
  Start();
  OpenDrawer("仕事");
  driver->FormAnswers.push_back(TypeName("仕事"));
  form->DwMenuRnm->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"存在する引出し名です"});
  EXPECT_EQ(form->DrawerList->ItemIndex(), 10);
}

TEST_F(DrawerCommandsTest, ADrawerWithoutFilesCannotBeRenamed) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事", "家族"});
  Start();
  OpenDrawer("仕事");
  driver->FormAnswers.push_back(TypeName("昔の仕事"));
  form->DwMenuRnm->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"コピー失敗"});
  EXPECT_EQ(DrawerRows().back(), "家族");
  EXPECT_EQ(form->DrawerList->ItemIndex(), RowOf("仕事"));
  EXPECT_EQ(NameFile(), "仕事\r\n家族\r\n");
}

TEST_F(DrawerCommandsTest, AFailedListCopyLeavesNoHalfCopyBehind) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事"});
  WriteNumbered(true, "仕事", 1, 1);
  platform::DeleteFile(ListPath(true, "仕事"));
  Start();
  OpenDrawer("仕事");
  driver->FormAnswers.push_back(TypeName("昔の仕事"));
  form->DwMenuRnm->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"コピー失敗"});
  EXPECT_FALSE(PathExists(MailPath(true, "昔の仕事")));
  EXPECT_TRUE(PathExists(MailPath(true, "仕事")));
}

TEST_F(DrawerCommandsTest, CancelledRenameKeepsTheDrawerOpen) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事"});
  WriteNumbered(true, "仕事", 1, 2);
  Start();
  OpenDrawer("仕事");
  driver->FormAnswers.push_back(PressCancel());
  form->DwMenuRnm->Click();
  EXPECT_EQ(form->DrawerList->ItemIndex(), 10);
  EXPECT_EQ(form->MailList->Items->Count(), 2);
}

TEST_F(DrawerCommandsTest, DeletingAnOwnDrawerWithMailsAsksAndRemovesItsFiles) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事", "ひみつ日記"});
  WriteNumbered(true, "仕事", 1, 2);
  Start();
  OpenDrawer("仕事");
  form->DrawerList->SetFocus();
  driver->MessageBoxAnswers.push_back(IDOK);
  form->Delete->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{
                                "引出し\"仕事\"に含まれるメールも削除されます。\nよろしいですか"});
  EXPECT_EQ(driver->MessageBoxes.at(0).Caption, "確認");
  EXPECT_EQ(RowOf("仕事"), -1);
  EXPECT_FALSE(PathExists(ListPath(true, "仕事")));
  EXPECT_FALSE(PathExists(MailPath(true, "仕事")));
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  EXPECT_EQ(NameFile(), "ひみつ日記\r\n");
}

TEST_F(DrawerCommandsTest, DeletingAnEmptyDrawerAsksTheShortQuestionAndCancelKeepsIt) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事"});
  Start();
  OpenDrawer("仕事");
  driver->MessageBoxAnswers.push_back(IDCANCEL);
  form->DwMenuDel->Click();
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"引出し\"仕事\"を削除します。\nよろしいですか"});
  EXPECT_EQ(RowOf("仕事"), 10);
  EXPECT_EQ(NameFile(), "仕事\r\n");
}

TEST_F(DrawerCommandsTest, FixedAndProtectedDrawersAreNeverDeletedOrAskedFor) {
  Start();
  for (const char* drawer : {"黒の引出し", "ひみつ日記", "ペットメール"}) {
    OpenDrawer(drawer);
    form->DwMenuDel->Click();
  }
  EXPECT_TRUE(driver->MessageBoxes.empty());
  EXPECT_EQ(DrawerRows().size(), 12u);
}

// "b" and "B" compare equal (a hand-edited file may hold both): descending
// is still the exact reverse of ascending, not a sort the other way round.
TEST_F(DrawerCommandsTest, SortingKeepsFixedRowsAndTheOpenDrawerOpen) {
  WriteDrawerNameFile("dorvndwl.cfg", {"b", "C", "a", "B"});
  WriteNumbered(true, "C", 1, 3);
  Start();
  OpenDrawer("C");
  form->DsUp->Click();
  std::vector<std::string> rows = DrawerRows();
  EXPECT_EQ(rows[0], "受信簿");
  std::vector<std::string> ascending(rows.begin() + 10, rows.end());
  ASSERT_EQ(ascending.size(), 4u);
  EXPECT_EQ(ascending.front(), "a");
  EXPECT_EQ(ascending.back(), "C");
  EXPECT_EQ(form->DrawerList->ItemIndex(), 13);
  EXPECT_EQ(form->MailList->Items->Count(), 3);
  form->DsDown->Click();
  rows = DrawerRows();
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 10, rows.end()),
            std::vector<std::string>(ascending.rbegin(), ascending.rend()));
  EXPECT_EQ(form->DrawerList->ItemIndex(), 10);
  EXPECT_EQ(form->MailList->Items->Count(), 3);
  EXPECT_EQ(NameFile(), "C\r\n" + ascending[2] + "\r\n" + ascending[1] + "\r\na\r\n");
}

TEST_F(DrawerCommandsTest, TheSendBooksFirstOwnDrawerCanBeDeleted) {
  WriteDrawerNameFile("dorvnsdl.cfg", {"送った写真"});
  Start();
  form->MBoxChange->Click();
  OpenDrawer("送った写真");
  form->DwMenuDel->Click();
  EXPECT_EQ(DrawerRows().size(), 4u);
  EXPECT_EQ(ReadBytes(Program() + "\\dorvnsdl.cfg"), "");
}

// A right press leaves the row under it selected without opening it, and
// the pop-up's 削除 deletes that row: the question is about its mails,
// whichever drawer is open.
TEST_F(DrawerCommandsTest, ThePopUpsDeleteAsksAboutTheMailsOfTheDrawerItDeletes) {
  struct Case {
    const char* open;
    const char* deleted;
    const char* question;
  };
  const Case cases[] = {
      {"空", "仕事", "引出し\"仕事\"に含まれるメールも削除されます。\nよろしいですか"},
      {"仕事", "空", "引出し\"空\"を削除します。\nよろしいですか"},
  };
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事", "空"});
  WriteNumbered(true, "仕事", 1, 2);
  for (const Case& c : cases) {
    form.reset();
    Start();
    OpenDrawer(c.open);
    form->DrawerList->SetItemIndex(RowOf(c.deleted));
    form->DwMenu->OnPopup(form->DwMenu);
    ASSERT_TRUE(form->DwMenuDel->Enabled());
    driver->MessageBoxes.clear();
    driver->MessageBoxAnswers.push_back(IDCANCEL);
    form->DwMenuDel->Click();
    EXPECT_EQ(LastMessages(), std::vector<std::string>{c.question}) << c.deleted;
    EXPECT_EQ(SubjectsIn(true, "仕事").size(), 2u);
  }
}

class UnreadableNameFileTest : public DrawerCommandsTest {
 protected:
  std::string Message(const char* file) const {
    return "ファイル " + Program() + "/" + file + " は開けません";
  }
  // Mode 0 is unreadable for any user while the override is lowered (root's too).
  void SetMode(const char* file, mode_t mode) const {
    ASSERT_EQ(chmod((ExeDir() + "/" + file).c_str(), mode), 0);
  }
};

// The file is readable while the window loads it and not when the commands
// run: each command that would rewrite it refuses with its message.
TEST_F(UnreadableNameFileTest, CommandsThatWouldRewriteItRefuseAndLeaveItByteForByte) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事", "趣味"});
  WriteNumbered(true, "仕事", 1, 2);
  Start();
  OpenDrawer("仕事");
  const std::string before = NameFile();
  SetMode("dorvndwl.cfg", 0);
  const std::vector<std::function<void()>> commands = {
      [&] { form->NewDrawer->Click(); },
      [&] { form->DwMenuRnm->Click(); },
      [&] { form->DsUp->Click(); },
      [&] { form->DsDown->Click(); },
      [&] { form->DwMenuDel->Click(); },
  };
  {
    NoAccessOverride noOverride;
    for (size_t i = 0; i < commands.size(); ++i) {
      driver->MessageBoxes.clear();
      driver->FormAnswers = {TypeName("新しい名前")};
      commands[i]();
      EXPECT_EQ(LastMessages(), std::vector<std::string>{Message("dorvndwl.cfg")}) << i;
      EXPECT_TRUE(driver->ModalForms.empty()) << i;
    }
  }
  SetMode("dorvndwl.cfg", 0644);
  EXPECT_EQ(NameFile(), before);
  EXPECT_EQ(DrawerRows().size(), 12u);
  EXPECT_EQ(SubjectsIn(true, "仕事").size(), 2u);
  EXPECT_EQ(form->DrawerList->ItemIndex(), RowOf("仕事"));
}

// Switching to a book whose file cannot be read shows its fixed rows alone,
// none of the other book's mail, and the message; the rows come back once
// the file can be read again.
TEST_F(UnreadableNameFileTest, ABookSwitchShowsTheFixedRowsAndNoMailOfTheOtherBook) {
  WriteNumbered(true, "", 1, 3);
  WriteDrawerNameFile("dorvnsdl.cfg", {"控え"});
  SetMode("dorvnsdl.cfg", 0);
  Start();
  ASSERT_EQ(form->MailSubject->Caption(), "mail 3");
  {
    NoAccessOverride noOverride;
    form->MBoxChange->Click();
    EXPECT_EQ(LastMessages(), std::vector<std::string>{Message("dorvnsdl.cfg")});
    EXPECT_EQ(DrawerRows(), FixedDrawerNames(false));
    EXPECT_EQ(form->MailList->Items->Count(), 0);
    EXPECT_EQ(form->MailSubject->Caption(), "");
    EXPECT_EQ(form->FromAdd->Caption(), "");
    form->DsUp->Click();
  }
  SetMode("dorvnsdl.cfg", 0644);
  EXPECT_EQ(ReadBytes(Program() + "\\dorvnsdl.cfg"), "控え\r\n");
  form->DsUp->Click();  // readable again
  EXPECT_EQ(DrawerRows().back(), "控え");
}
