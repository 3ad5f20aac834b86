// Moving mails by drag and drop and deleting them: what the drawers' files
// hold afterwards and what the window shows.

#include <QImage>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <tuple>

#include "browser/store/DrawerRewrite.h"
#include "browser/store/StoreResult.h"
#include "platform/files/Files.h"
#include "platform/forms/Memo.h"
#include "tests/browser/MainFormFixture.h"

namespace {

using Subjects = std::vector<std::string>;

}  // namespace

class MoveMailTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    WriteNumbered(true, "", 1, 5);
    WriteNumbered(true, "黄色の引出し", 10, 1);
    Start();
  }
  int Yellow() const { return RowOf("黄色の引出し"); }
  // The open-drawer picture shows a dark opening that the closed one lacks.
  int DarkPixelsOfRow(int row) {
    const std::string path = TempDir() + "/drawers.png";
    EXPECT_TRUE(SaveScreenshot(*form->DrawerList, path));
    const QImage image(QString::fromStdString(path));
    const TRect rect = form->DrawerList->ItemRect(row);
    int dark = 0;
    for (int y = rect.Top; y < rect.Bottom + 2 && y < image.height(); ++y)
      for (int x = 0; x < 36; ++x) dark += qGray(image.pixel(x, y)) < 40;
    return dark;
  }
};

TEST_F(MoveMailTest, OneMailMovesToTheEndOfTheTargetWhichOpensWithItShown) {
  SelectMails({1});
  DragMail(1, Yellow());
  EXPECT_EQ(SubjectsIn(true, ""), (Subjects{"mail 1", "mail 3", "mail 4", "mail 5"}));
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), (Subjects{"mail 10", "mail 2"}));
  EXPECT_EQ(form->DrawerList->ItemIndex(), Yellow());
  EXPECT_EQ(form->MailList->ItemIndex(), 1);
  EXPECT_EQ(form->MailSubject->Caption(), "mail 2");
  EXPECT_EQ(form->FromAdd->Caption(), "sender2@example.jp");
  EXPECT_EQ(form->MailText->Text().substr(0, 14), "body of mail 2");
  EXPECT_TRUE(driver->MessageBoxes.empty());
}

TEST_F(MoveMailTest, AMovedRecordIsWrittenInTheFullForm) {
  SelectMails({0});
  DragMail(0, Yellow());
  const std::string list = ReadBytes(ListPath(true, "黄色の引出し"));
  EXPECT_EQ(list.substr(list.rfind("SsS"), 4), "SsS1");
  EXPECT_EQ(list.substr(list.size() - 4), "EeE1");
}

TEST_F(MoveMailTest, ThreeSelectedMailsKeepTheirOrderAtTheEndOfTheTarget) {
  SelectMails({0, 2, 4});
  DragMail(2, Yellow());
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), (Subjects{"mail 10", "mail 1", "mail 3", "mail 5"}));
  EXPECT_EQ(SubjectsIn(true, ""), (Subjects{"mail 2", "mail 4"}));
  EXPECT_EQ(form->MailSubject->Caption(), "mail 5");
}

TEST_F(MoveMailTest, AMoveIntoAnOwnDrawerCreatesItsFiles) {
  SelectMails({4});
  DragMail(4, RowOf("ひみつ日記"));
  EXPECT_EQ(SubjectsIn(true, "ひみつ日記"), Subjects{"mail 5"});
}

TEST_F(MoveMailTest, DroppingOnTheOpenDrawerDoesNothing) {
  const std::string before = ReadBytes(ListPath(true, ""));
  DragMail(1, 0);
  EXPECT_EQ(ReadBytes(ListPath(true, "")), before);
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
}

TEST_F(MoveMailTest, APressBelowTheLastRowStartsNoMove) {
  OpenDrawer("黄色の引出し");
  DragMail(-1, 0);
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), Subjects{"mail 10"});
  EXPECT_EQ(SubjectsIn(true, "").size(), 5u);
}

TEST_F(MoveMailTest, AnotherDrawerOpenedBetweenPressAndDropMovesNothing) {
  const TPoint press = MailRowPoint(1);
  form->MailListMouseDown(form->MailList, mbLeft, 0, press.x, press.y);
  OpenDrawer("紫の引出し");
  const TPoint drop = DrawerRowPoint(Yellow());
  form->DrawerListDragDrop(form->DrawerList, form->MailList, drop.x, drop.y);
  form->MailListEndDrag(form->MailList, form->DrawerList, drop.x, drop.y);
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), Subjects{"mail 10"});
  EXPECT_EQ(SubjectsIn(true, "").size(), 5u);
  // The drawer opened meanwhile stays open and untouched.
  EXPECT_EQ(form->DrawerList->ItemIndex(), RowOf("紫の引出し"));
  EXPECT_FALSE(PathExists(ListPath(true, "紫の引出し")));
}

TEST_F(MoveMailTest, TwoRowsOfOneNameNeverMoveAMailOntoItself) {
  form.reset();
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事", "仕事"});
  WriteNumbered(true, "仕事", 20, 2);
  Start();
  OpenDrawer("仕事");
  SelectMails({0});
  DragMail(0, 11);
  EXPECT_EQ(SubjectsIn(true, "仕事"), (Subjects{"mail 20", "mail 21"}));
}

TEST_F(MoveMailTest, AMailWhoseTextIsGoneIsNotAppendedAndTheSourceStays) {
  WriteBytes(MailPath(true, ""), ReadBytes(MailPath(true, "")).substr(0, 10));
  const std::string sourceList = ReadBytes(ListPath(true, ""));
  SelectMails({3});
  DragMail(3, Yellow());
  EXPECT_EQ(LastMessages(), Subjects{"メールファイルが開けません"});
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), Subjects{"mail 10"});
  EXPECT_EQ(ReadBytes(ListPath(true, "")), sourceList);
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  EXPECT_EQ(form->MailList->Items->Count(), 5);
}

// Every mail is checked before the first one is appended.
TEST_F(MoveMailTest, AMoveWithOneUnreadableMailAppendsNothingAndShowsTheSourceWhole) {
  DrawerBuilder mails;
  for (int n = 1; n <= 5; ++n) mails.AddNumberedMail(n);
  RecordFields& lost = mails.Records().back();
  lost.mailStart = lost.bodyStart = 1000000;
  WriteDrawer(true, "", mails);
  OpenDrawer("黄色の引出し");
  OpenDrawer("受信簿");
  const std::string sourceList = ReadBytes(ListPath(true, ""));
  SelectMails({0, 4});
  DragMail(0, Yellow());
  EXPECT_EQ(LastMessages(), Subjects{"メールファイルが開けません"});
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), Subjects{"mail 10"});
  EXPECT_EQ(ReadBytes(ListPath(true, "")), sourceList);
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
  // The rows emptied for the move are read again, not left empty slots.
  form->MailList->SetItemIndex(0);
  form->MailListClick(form->MailList);
  EXPECT_EQ(form->MailSubject->Caption(), "mail 1");
  EXPECT_EQ(driver->MessageBoxes.size(), 1u);
}

TEST_F(MoveMailTest, MailsFiledMeanwhileByQuilletStayInTheSource) {
  // Quillet appends to the drawer after Dorvane read it.
  DrawerBuilder all;
  for (int n = 1; n <= 6; ++n) all.AddNumberedMail(n);
  WriteDrawer(true, "", all);
  SelectMails({0});
  DragMail(0, Yellow());
  EXPECT_EQ(SubjectsIn(true, ""), (Subjects{"mail 2", "mail 3", "mail 4", "mail 5", "mail 6"}));
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), (Subjects{"mail 10", "mail 1"}));
}

TEST_F(MoveMailTest, ADragEndingWithoutADropClearsTheDropMark) {
  const int closed = DarkPixelsOfRow(Yellow());
  const TPoint press = MailRowPoint(1);
  form->MailListMouseDown(form->MailList, mbLeft, 0, press.x, press.y);
  const TPoint over = DrawerRowPoint(Yellow());
  bool accept = false;
  form->DrawerListDragOver(form->DrawerList, form->MailList, over.x, over.y, dsDragMove, accept);
  EXPECT_TRUE(accept);
  EXPECT_GT(DarkPixelsOfRow(Yellow()), closed);
  form->MailListEndDrag(form->MailList, nullptr, 0, 0);
  EXPECT_EQ(DarkPixelsOfRow(Yellow()), closed);
  EXPECT_EQ(SubjectsIn(true, "").size(), 5u);
}

TEST_F(MoveMailTest, ARealDragWithTheMouseMovesTheMail) {
  SelectMails({2});
  DragTo(*form->MailList, MailRowPoint(2), *form->DrawerList, DrawerRowPoint(Yellow()));
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), (Subjects{"mail 10", "mail 3"}));
  EXPECT_EQ(form->DrawerList->ItemIndex(), Yellow());
}

TEST_F(MoveMailTest, AShiftPressExtendsTheSelectionAndDragsItWhole) {
  MouseClick(*form->MailList, MailRowPoint(1));
  MousePress(*form->MailList, mbLeft, MailRowPoint(3), ssShift);
  MouseMoveTo(*form->MailList, MailRowPoint(3), ssLeft);
  MouseMoveTo(*form->DrawerList, DrawerRowPoint(Yellow()), ssLeft);
  MouseRelease(*form->DrawerList, mbLeft, DrawerRowPoint(Yellow()));
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), (Subjects{"mail 10", "mail 2", "mail 3", "mail 4"}));
  EXPECT_EQ(SubjectsIn(true, ""), (Subjects{"mail 1", "mail 5"}));
}

// A press near a row's lower edge whose first move already lies in the next
// row drags the pressed mail alone.
TEST_F(MoveMailTest, ThePressAndMoveThatStartADragMoveOnlyThePressedMail) {
  const TRect row = form->MailList->ItemRect(1);
  MousePress(*form->MailList, mbLeft, TPoint{5, row.Bottom - 2});
  MouseMoveTo(*form->MailList, TPoint{5, row.Bottom + 1}, ssLeft);
  MouseMoveTo(*form->DrawerList, DrawerRowPoint(Yellow()), ssLeft);
  MouseRelease(*form->DrawerList, mbLeft, DrawerRowPoint(Yellow()));
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), (Subjects{"mail 10", "mail 2"}));
  EXPECT_EQ(SubjectsIn(true, ""), (Subjects{"mail 1", "mail 3", "mail 4", "mail 5"}));
}

using DeleteMailTest = MoveMailTest;

TEST_F(DeleteMailTest, OkOkCancelDeletesTheFirstTwoOnly) {
  form->MailList->SetFocus();
  SelectMails({0, 2, 3});
  driver->MessageBoxAnswers = {IDOK, IDOK, IDCANCEL};
  form->Delete->Click();
  EXPECT_EQ(LastMessages(), (Subjects{"Subject\"mail 1\"を削除します。\nよろしいですか",
                                      "Subject\"mail 3\"を削除します。\nよろしいですか",
                                      "Subject\"mail 4\"を削除します。\nよろしいですか"}));
  EXPECT_EQ(SubjectsIn(true, ""), (Subjects{"mail 2", "mail 4", "mail 5"}));
  EXPECT_EQ(form->MailList->Items->Count(), 3);
  EXPECT_EQ(form->DrawerList->ItemIndex(), 0);
}

TEST_F(DeleteMailTest, DeletingEveryMailLeavesEmptyFiles) {
  SelectMails({0, 1, 2, 3, 4});
  form->MlMenuDel->Click();
  EXPECT_EQ(ReadBytes(ListPath(true, "")), "");
  EXPECT_EQ(ReadBytes(MailPath(true, "")), "");
  EXPECT_EQ(form->MailList->Items->Count(), 0);
  EXPECT_EQ(form->MailText->Text(), "");
}

// The pop-up's right press leaves the selection and the shown mail, which
// its delete then acts on.
TEST_F(DeleteMailTest, ARightPressOnAnotherRowKeepsTheShownMailForThePopUp) {
  MousePress(*form->MailList, mbRight, MailRowPoint(1));
  MouseRelease(*form->MailList, mbRight, MailRowPoint(1));
  EXPECT_EQ(form->MailList->ItemIndex(), 4);
  EXPECT_EQ(form->MailList->SelCount(), 1);
  EXPECT_EQ(form->MailSubject->Caption(), "mail 5");
  driver->MessageBoxAnswers = {IDOK};
  form->MlMenuDel->Click();
  EXPECT_EQ(LastMessages(), Subjects{"Subject\"mail 5\"を削除します。\nよろしいですか"});
  EXPECT_EQ(SubjectsIn(true, ""), (Subjects{"mail 1", "mail 2", "mail 3", "mail 4"}));
}

TEST_F(DeleteMailTest, ThePopUpDeletesMailsWhileTheDrawerListHasTheFocus) {
  form->DrawerList->SetFocus();
  SelectMails({4});
  form->MlMenuDel->Click();
  EXPECT_EQ(SubjectsIn(true, "").size(), 4u);
  EXPECT_EQ(DrawerRows().size(), 12u);
}

TEST_F(DeleteMailTest, TheDrawerPopUpDeletesTheDrawerWhileTheMailListHasTheFocus) {
  form.reset();
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事"});
  WriteNumbered(true, "仕事", 20, 2);
  Start();
  OpenDrawer("仕事");
  form->MailList->SetFocus();
  form->DwMenuDel->Click();
  EXPECT_EQ(RowOf("仕事"), -1);
  EXPECT_FALSE(PathExists(ListPath(true, "仕事")));
}

TEST_F(DeleteMailTest, AnEmptySubjectIsAskedForAsWell) {
  form.reset();
  DrawerBuilder mails;
  mails.AddMail("From: a@example.jp\r\n\r\n", "x\r\n").from = "a@example.jp";
  WriteDrawer(true, "", mails);
  Start();
  driver->MessageBoxAnswers = {IDCANCEL};
  form->MlMenuDel->Click();
  EXPECT_EQ(LastMessages(), Subjects{"Subject\"\"を削除します。\nよろしいですか"});
  EXPECT_EQ(SubjectsIn(true, "").size(), 1u);
}

TEST_F(DeleteMailTest, ADrawerChangedMeanwhileIsReloadedAndNothingIsWritten) {
  DrawerBuilder changed;
  for (int n = 1; n <= 5; ++n) changed.AddNumberedMail(n).subject = "changed " + std::to_string(n);
  WriteDrawer(true, "", changed);
  const std::string list = ReadBytes(ListPath(true, ""));
  SelectMails({0});
  form->MlMenuDel->Click();
  EXPECT_EQ(LastMessages().back(), "引出しが他のプログラムで変更されました。もう一度操作してください");
  EXPECT_EQ(ReadBytes(ListPath(true, "")), list);
  EXPECT_EQ(form->MailList->Items->Count(), 5);
  EXPECT_EQ(form->MailSubject->Caption(), "changed 5");
}

// Two Dorvane windows on one PostPet folder: another process moves mails
// while this window's list of the book is stale.
class TwoProcessTest : public MoveMailTest {
 protected:
  // The other process moves the first mail it lists in the book to 紫の引出し.
  void MoveFirstMailInAnotherProcess() {
    const BookPlace book{PostPet(), Program(), true, FixedDrawerCount(true)};
    const DrawerFiles source = *GetDrawerFiles(book, 0, "受信簿");
    const DrawerFiles target = *GetDrawerFiles(book, RowOf("紫の引出し"), "紫の引出し");
    const pid_t child = fork();
    if (child == 0) {
      const DrawerListing listing = ReadDrawer(source);
      const std::vector<const MailEntry*> keep(listing.entries.begin() + 1, listing.entries.end());
      _exit(MoveMails(source, listing, {listing.entries[0]}, keep, target).Ok() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // Mails 1 to 5 and 10, each exactly once in the book's drawers and with its text.
  void ExpectEveryMailOnce() {
    std::map<std::string, int> seen;
    for (const char* drawer : {"", "黄色の引出し", "紫の引出し"}) {
      for (const StoredMail& mail : MailsIn(true, drawer)) {
        const int n = std::stoi(mail.subject.substr(5));
        EXPECT_TRUE(mail.text == NumberedHeader(n) + NumberedBody(n, 64)) << n;
        ++seen[mail.subject];
      }
    }
    const std::map<std::string, int> once{{"mail 1", 1}, {"mail 2", 1}, {"mail 3", 1},
                                          {"mail 4", 1}, {"mail 5", 1}, {"mail 10", 1}};
    EXPECT_EQ(seen, once);
  }
};

// Each refusal stands over the rows as the files hold them now, not over text
// the press read where another mail now lies, nor over the drop mark.
TEST_F(TwoProcessTest, AStaleMoveAndAStaleDeleteAreRefusedAndEveryMailStaysOnce) {
  using Shown = std::tuple<int, std::string, int>;  // rows, the text's start, the target's dark pixels
  std::vector<Shown> underTheBoxes;
  driver->OnMessageBox = [&](const TestModalDriver::MessageBoxCall&) {
    underTheBoxes.emplace_back(form->MailList->Items->Count(), form->MailText->Text().substr(0, 14),
                               DarkPixelsOfRow(Yellow()));
  };
  const int closed = DarkPixelsOfRow(Yellow());
  MoveFirstMailInAnotherProcess();
  SelectMails({2});
  DragMail(2, Yellow());
  EXPECT_EQ(LastMessages(), Subjects{kDrawerChanged});
  EXPECT_EQ(SubjectsIn(true, "黄色の引出し"), Subjects{"mail 10"});
  ExpectEveryMailOnce();
  // The refusal read the book again; the other process makes it stale once more.
  ASSERT_EQ(form->MailList->Items->Count(), 4);
  MoveFirstMailInAnotherProcess();
  driver->MessageBoxes.clear();
  SelectMails({1});
  form->MlMenuDel->Click();
  EXPECT_EQ(LastMessages().back(), kDrawerChanged);
  EXPECT_EQ(SubjectsIn(true, ""), (Subjects{"mail 3", "mail 4", "mail 5"}));
  ExpectEveryMailOnce();
  EXPECT_EQ(underTheBoxes.front(), Shown(4, "body of mail 5", closed));
  EXPECT_EQ(underTheBoxes.back(), Shown(3, "body of mail 5", closed));
}
