// Quillet's friend-book picker: the book of the chosen PostPet folder as a
// grid, a double click that puts the address into To, and To kept as typed
// when nothing is picked.

#include <gtest/gtest.h>

#include <functional>

#include "mailer/Addform.h"
#include "mailer/Dstppf.h"
#include "platform/forms/Grids.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "tests/mailer/QuilletFixture.h"
#include "tests/support/PostPetBuilder.h"

namespace {

class AddFormDlgTest : public QuilletFixture {
 protected:
  void SetUp() override {
    QuilletFixture::SetUp();
    form = Open("");
    form->Show();
    form->ToAddress->SetText("typed@example.jp");
  }
  void WriteBook(const std::string& bytes) const { WriteBytes(PPPath() + "\\おともだち帳", bytes); }
  // Picks the folder, then answers the picker after its real activation.
  void RunPicker(std::function<void(TAddFormDlg&)> answer) {
    AnswerFolder(PPPath());
    driver.FormAnswers.push_back([answer](TForm& shown) {
      Application->ProcessMessages();
      answer(dynamic_cast<TAddFormDlg&>(shown));
    });
    form->OpenAddBook->Click();
  }
  static std::vector<std::string> Row(const TAddFormDlg& d, int row) {
    std::vector<std::string> cells;
    for (int col = 0; col < 5; ++col) cells.push_back(d.FriendGrid->Cells(col, row));
    return cells;
  }

  std::unique_ptr<TMainForm> form;
};

TEST_F(AddFormDlgTest, ListsTheBookOnceAndADoubleClickPutsTheAddressIntoTo) {
  const std::string cut = EncodeFriendRecord(3, "カメ", "鈴木", "suzuki@example.jp", 1);
  WriteBook(EncodeFriendRecord(8, "ペン", "山田", "yamada@example.jp", 12) +
            EncodeFriendRecord(12, "ポチ", "佐藤", "sato@example.jp", 0) + cut.substr(0, cut.size() - 3));
  std::vector<std::vector<std::string>> rows;
  RunPicker([&](TAddFormDlg& d) {
    d.FormActivate(&d);  // activated again, as after a message box
    for (int row = 0; row < d.FriendGrid->RowCount(); ++row) rows.push_back(Row(d, row));
    MouseDoubleClick(*d.FriendGrid, TPoint{10, 50});
  });
  const std::vector<std::vector<std::string>> expected{
      {"ペット", "ペットの名前", "飼い主の名前", "メールアドレス", "回数"},
      {"ペンギン", "ペン", "山田", "yamada@example.jp", "12"},
      {"?", "ポチ", "佐藤", "sato@example.jp", "0"}};
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(form->ToAddress->Text(), "sato@example.jp");
}

TEST_F(AddFormDlgTest, ClosingWithoutAPickKeepsToAsTyped) {
  WriteBook(EncodeFriendRecord(0, "ポスト", "山田", "yamada@example.jp", 1));
  RunPicker([](TAddFormDlg&) {});
  EXPECT_EQ(form->ToAddress->Text(), "typed@example.jp");
}

TEST_F(AddFormDlgTest, CancelInTheFolderChooserEndsTheCommand) {
  WriteBook(EncodeFriendRecord(0, "ポスト", "山田", "yamada@example.jp", 1));
  form->PupOpenAddBook->Click();
  EXPECT_EQ(driver.ModalForms, std::vector<std::string>{"DstPPFDlg"});
  EXPECT_EQ(form->ToAddress->Text(), "typed@example.jp");
}

TEST_F(AddFormDlgTest, AMissingBookSaysSoOnceAndShowsABlankGrid) {
  std::string title = "x";
  RunPicker([&](TAddFormDlg& d) {
    d.FormActivate(&d);
    title = d.FriendGrid->Cells(0, 0);
    MouseDoubleClick(*d.FriendGrid, TPoint{10, 30});
  });
  ASSERT_EQ(driver.MessageBoxes.size(), 1u);
  EXPECT_EQ(driver.MessageBoxes[0].Text, "おともだち帳が開けません");
  EXPECT_EQ(title, "");
  EXPECT_EQ(form->ToAddress->Text(), "typed@example.jp");
}

// The picture, looked at: the header in the light 3D colour, Japanese names.
TEST_F(AddFormDlgTest, Screenshot) {
  WriteBook(EncodeFriendRecord(1, "モモ", "山田花子", "hanako@example.jp", 24) +
            EncodeFriendRecord(9, "ポチ", "佐藤一郎", "ichiro@example.jp", 3));
  RunPicker([&](TAddFormDlg& d) { EXPECT_TRUE(SaveScreenshot(d, ScreenshotPath("addform.png"))); });
}

}  // namespace
