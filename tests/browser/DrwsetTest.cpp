// The rule editor, opened from the main window's menu: every rule of the file
// shown and written back, new, edit, delete and the friend-book import, and
// a failed save that keeps the old file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "browser/Drwset.h"
#include "browser/Setdname.h"
#include "platform/files/FaultInjection.h"
#include "platform/files/Files.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/Grids.h"
#include "platform/forms/StdCtrls.h"
#include "platform/strings/StringList.h"
#include "tests/browser/MainFormFixture.h"

namespace {

using EditorAnswer = std::function<void(TDrwSetDlg&)>;

class DrwSetDlgTest : public MainFormTest {
 protected:
  std::string RulePath(const char* name) const { return Program() + "\\" + name; }
  void WriteRules(const char* name, const std::string& bytes) const { WriteBytes(RulePath(name), bytes); }
  std::string Rules(const char* name) const { return ReadBytes(RulePath(name)); }

  // Opens the editor with the menu item and answers it; the answers queued
  // before are for the dialogs it opens.
  void RunEditor(TMenuItem* item, EditorAnswer answer) {
    driver->FormAnswers.push_front([answer](TForm& f) { answer(dynamic_cast<TDrwSetDlg&>(f)); });
    item->Click();
  }
  // The next rule dialog: the key and drawer shown go to seen, then OK with
  // key and drawer (an empty drawer name keeps the proposal).
  void AnswerRule(const std::string& key, const std::string& drawer, std::vector<SortRule>* seen = nullptr) {
    driver->FormAnswers.push_back([=](TForm& f) {
      auto& dialog = dynamic_cast<TSetDNameDlg&>(f);
      if (seen) seen->push_back({dialog.Address->Text(), dialog.DrawerName->Text()});
      if (!drawer.empty()) {
        dialog.Address->SetText(key);
        dialog.DrawerName->SetText(drawer);
      }
      dialog.OKBtn->Click();
    });
  }
  static std::vector<SortRule> Shown(const TDrwSetDlg& d) {
    std::vector<SortRule> rows;
    for (int row = 1; row < d.DataList->RowCount(); ++row)
      rows.push_back({d.DataList->Cells(0, row), d.DataList->Cells(1, row)});
    return rows;
  }
  void SaveShot(TForm& shown, const std::string& name) {
    const char* screens = std::getenv("MARROWKIT_SCREENS_DIR");
    EXPECT_TRUE(SaveScreenshot(shown, (screens ? std::string(screens) : Root()) + "/" + name));
  }
};

TEST_F(DrwSetDlgTest, AFileOfManyRulesComesBackByteIdenticalFromOk) {
  std::string bytes;
  for (int n = 0; n < 2500; ++n) bytes += "user" + std::to_string(n) + "@example.jp 引出し" + std::to_string(n % 7) + "\r\n";
  WriteRules("dorvnadw.cfg", bytes);
  Start();
  int rows = 0;
  RunEditor(form->AddressCfg, [&](TDrwSetDlg& d) {
    rows = d.DataList->RowCount();
    EXPECT_EQ(d.DataList->Cells(0, 0), "アドレス");
    EXPECT_EQ(d.DataList->Cells(0, 2500), "user2499@example.jp");
    d.OkBtn->Click();
  });
  EXPECT_EQ(rows, 2501);
  EXPECT_EQ(Rules("dorvnadw.cfg"), bytes);
}

TEST_F(DrwSetDlgTest, BlanksAndEmptyKeysComeBackAndASortingRunMatchesThem) {
  std::filesystem::create_directories(platform::NativePath(Program() + "\\受信フォルダ"));
  DrawerBuilder mails;
  for (const char* subject : {"[news] 今週の予定", ""}) {
    RecordFields fields;
    fields.from = "a@example.jp";
    fields.subject = subject;
    mails.AddMail("From: a@example.jp\r\nSubject: " + std::string(subject) + "\r\n\r\n", "body\r\n", fields);
  }
  WriteDrawer(true, "", mails);
  Start();
  AnswerRule("[news] 今週*", "ニュース");
  AnswerRule("", "件名なし");
  RunEditor(form->SubjectCfg, [](TDrwSetDlg& d) {
    EXPECT_EQ(d.DataList->Cells(0, 0), "Ｓｕｂｊｅｃｔ");
    EXPECT_FALSE(d.InportFile->Enabled());
    d.NewData->Click();
    d.NewData->Click();
    d.OkBtn->Click();
  });
  std::vector<SortRule> reopened;
  RunEditor(form->SubjectCfg, [&](TDrwSetDlg& d) { reopened = Shown(d); });
  const std::vector<SortRule> expected{{"[news] 今週*", "ニュース"}, {"", "件名なし"}};
  EXPECT_EQ(reopened, expected);
  driver->ModalForms.clear();
  form->AutoSeparate->Click();
  EXPECT_EQ(driver->ModalForms, std::vector<std::string>{});
  EXPECT_EQ(SubjectsIn(true, "ニュース"), std::vector<std::string>{"[news] 今週の予定"});
  EXPECT_EQ(SubjectsIn(true, "件名なし"), std::vector<std::string>{""});
}

TEST_F(DrwSetDlgTest, NewWithAKnownKeyInAnotherCaseUpdatesThatRowAndATitleTextIsNoKey) {
  WriteRules("dorvnadw.cfg", "Taro@Example.jp 友達\r\n");
  Start();
  AnswerRule("taro@EXAMPLE.JP", "仕事");
  AnswerRule("アドレス", "題名");
  std::vector<SortRule> rows;
  RunEditor(form->AddressCfg, [&](TDrwSetDlg& d) {
    d.NewData->Click();
    d.NewData->Click();
    rows = Shown(d);
    d.OkBtn->Click();
  });
  const std::vector<SortRule> expected{{"Taro@Example.jp", "仕事"}, {"アドレス", "題名"}};
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(Rules("dorvnadw.cfg"), "Taro@Example.jp 仕事\r\nアドレス 題名\r\n");
}

TEST_F(DrwSetDlgTest, TheFriendBookProposesOneRuleForEachNewAddressWithAUsableDrawerName) {
  WriteRules("dorvnadw.cfg", "known@example.jp 友達\r\n");
  WriteBytes(PostPet() + "\\おともだち帳",
             EncodeFriendRecord(1, "モモ", "山田", "yamada@example.jp", 3) +
                 EncodeFriendRecord(2, "x", "y", "KNOWN@example.jp", 1) +
                 EncodeFriendRecord(3, "b/c\\d", "..", "evil@example.jp", 0) +
                 EncodeFriendRecord(4, "", "佐藤", "Yamada@Example.jp", 0) +
                 EncodeFriendRecord(5, "ソ", "表", "so@example.jp", 0));
  Start();
  std::vector<SortRule> proposed;
  AnswerRule("", "", &proposed);
  // A typed name the path rule refuses keeps the small dialog open.
  driver->FormAnswers.push_back([&](TForm& f) {
    auto& dialog = dynamic_cast<TSetDNameDlg&>(f);
    proposed.push_back({dialog.Address->Text(), dialog.DrawerName->Text()});
    dialog.DrawerName->SetText("仕事/急ぎ");
    dialog.OKBtn->Click();
    EXPECT_EQ(dialog.ModalResult(), mrNone);
    dialog.DrawerName->SetText("危険");
    dialog.OKBtn->Click();
  });
  AnswerRule("", "", &proposed);
  RunEditor(form->AddressCfg, [](TDrwSetDlg& d) {
    d.InportFile->Click();
    EXPECT_EQ(d.DataList->RowCount(), 5);
    EXPECT_EQ(d.rowsUsed, 5);
    d.OkBtn->Click();
  });
  const std::vector<SortRule> expected{{"yamada@example.jp", "山田とモモ"},
                                       {"evil@example.jp", "..とb_c_d"},
                                       {"so@example.jp", "表とソ"}};
  EXPECT_EQ(proposed, expected);
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"引出し名に使えない文字が含まれています"});
  EXPECT_EQ(Rules("dorvnadw.cfg"),
            "known@example.jp 友達\r\nyamada@example.jp 山田とモモ\r\nevil@example.jp 危険\r\n"
            "so@example.jp 表とソ\r\n");
}

TEST_F(DrwSetDlgTest, AMissingFriendBookSaysSoAndImportsNothing) {
  Start();
  RunEditor(form->AddressCfg, [](TDrwSetDlg& d) {
    d.InportFile->Click();
    EXPECT_EQ(d.rowsUsed, 1);
    d.OkBtn->Click();
  });
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"おともだち帳が開けません"});
  EXPECT_EQ(Rules("dorvnadw.cfg"), "");
}

TEST_F(DrwSetDlgTest, AFailedSaveSaysSoKeepsTheDialogOpenAndTheOldFile) {
  WriteRules("dorvnsad.cfg", "hanako@example.jp 花子\r\n");
  Start();
  form->MBoxChange->Click();
  AnswerRule("ichiro@example.jp", "一郎");
  TModalResult afterOk = mrOk;
  RunEditor(form->AddressCfg, [&](TDrwSetDlg& d) {
    d.NewData->Click();
    platform::FaultInjection faults;
    faults.FailSync();
    d.OkBtn->Click();
    afterOk = d.ModalResult();
  });
  EXPECT_EQ(afterOk, mrNone);
  EXPECT_EQ(LastMessages(), std::vector<std::string>{"設定ファイル書込み失敗"});
  EXPECT_EQ(Rules("dorvnsad.cfg"), "hanako@example.jp 花子\r\n");
}

TEST_F(DrwSetDlgTest, DeleteAsksFirstAndTheLastRuleGoneWritesAnEmptyFile) {
  WriteRules("dorvnadw.cfg", "a@example.jp A\r\nb@example.jp B\r\n");
  Start();
  driver->MessageBoxAnswers = {IDCANCEL, IDOK, IDOK, IDOK};
  std::vector<SortRule> afterCancel, afterFirst;
  RunEditor(form->AddressCfg, [&](TDrwSetDlg& d) {
    d.DataList->SetRow(1);
    d.Delete->Click();
    afterCancel = Shown(d);
    d.Delete->Click();
    afterFirst = Shown(d);
    d.Delete->Click();
    d.Delete->Click();  // no rule left: nothing changes
    EXPECT_EQ(d.DataList->RowCount(), 2);
    d.OkBtn->Click();
  });
  EXPECT_EQ(afterCancel.size(), 2u);
  EXPECT_EQ(afterFirst, (std::vector<SortRule>{{"b@example.jp", "B"}}));
  EXPECT_EQ(driver->MessageBoxes[0].Caption, "確認");
  EXPECT_EQ(Rules("dorvnadw.cfg"), "");
}

// 削除 on the empty grid leaves the titles alone: the rules go below them.
TEST_F(DrwSetDlgTest, OnAnEmptyGridDeleteChangesNothingAndEditMakesTheFirstRule) {
  Start();
  driver->MessageBoxAnswers = {IDOK};
  AnswerRule("first@example.jp", "最初");
  AnswerRule("second@example.jp", "二番");
  RunEditor(form->AddressCfg, [](TDrwSetDlg& d) {
    d.Delete->Click();
    d.EditData->Click();
    d.NewData->Click();
    d.OkBtn->Click();
  });
  EXPECT_EQ(Rules("dorvnadw.cfg"), "first@example.jp 最初\r\nsecond@example.jp 二番\r\n");
  AnswerRule("third@example.jp", "三番");
  RunEditor(form->AddressCfg, [](TDrwSetDlg& d) { d.NewData->Click(); });
  EXPECT_EQ(Rules("dorvnadw.cfg"), "first@example.jp 最初\r\nsecond@example.jp 二番\r\n");
}

TEST_F(DrwSetDlgTest, TheDrawerListOffersTheDrawerRowsAndTheNamesMet) {
  WriteRules("dorvnadw.cfg", "a@example.jp 旅行\r\nb@example.jp 受信簿\r\n");
  Start();
  std::vector<std::string> offered;
  RunEditor(form->AddressCfg, [&](TDrwSetDlg& d) {
    driver->FormAnswers.push_back([&](TForm& f) {
      offered = dynamic_cast<TSetDNameDlg&>(f).DrawerName->Items->ToVector();
    });
    d.EditData->Click();
  });
  ASSERT_EQ(offered.size(), 13u);  // the book, nine coloured drawers, ひみつ日記, ペットメール, 旅行
  EXPECT_EQ(offered.front(), "受信簿");
  EXPECT_EQ(offered.back(), "旅行");
}

// The pictures, looked at: titles, rows, buttons, and the small dialog.
TEST_F(DrwSetDlgTest, Screenshots) {
  WriteRules("dorvnadw.cfg", "yamada@example.jp 山田とモモ\r\nsato@example.jp 佐藤\r\n");
  WriteRules("dorvnsdw.cfg", "[news]* ニュース\r\n");
  Start();
  RunEditor(form->AddressCfg, [&](TDrwSetDlg& d) {
    SaveShot(d, "drwset-address.png");
    driver->FormAnswers.push_back([&](TForm& f) { SaveShot(f, "setdname.png"); });
    d.EditData->Click();
  });
  RunEditor(form->SubjectCfg, [&](TDrwSetDlg& d) { SaveShot(d, "drwset-subject.png"); });
}

}  // namespace
