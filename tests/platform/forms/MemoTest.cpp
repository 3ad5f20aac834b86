// Multi-line text: raw text and lines, change events, selection and search.

#include <gtest/gtest.h>

#include "platform/files/Files.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsTesting.h"
#include "platform/strings/StringList.h"
#include "tests/support/Sandbox.h"

namespace {

class MemoTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    memo = Create<TMemo>(&form);
    memo->SetBounds(0, 0, 200, 100);
    memo->OnChange = [this](TObject*) { ++changes; };
    rich = Create<TRichEdit>(&form);
    rich->SetReadOnly(true);
  }
  TForm form{nullptr};
  TMemo* memo = nullptr;
  TRichEdit* rich = nullptr;
  int changes = 0;
};

TEST_F(MemoTest, RawTextKeepsItsLineEndsAndLinesCountAsTheClassLibraryDoes) {
  memo->SetText("z\r\n\r\n");
  EXPECT_EQ(memo->Text(), "z\r\n\r\n");
  EXPECT_EQ(memo->Lines->Count(), 2);
  EXPECT_EQ(memo->Lines->Text(), "z\r\n\r\n");
  memo->SetText("a\nb\rc");
  EXPECT_EQ(memo->Text(), "a\r\nb\r\nc");
  EXPECT_EQ(memo->Lines->Count(), 3);
  EXPECT_EQ(memo->Lines->Strings(2), "c");
}

TEST_F(MemoTest, ChangeRunsOnlyWhenTheTextChanges) {
  memo->SetText("abc");
  memo->SetText("abc");
  EXPECT_EQ(changes, 1);
  memo->Lines->Add("d");
  EXPECT_EQ(changes, 2);
  memo->Clear();
  memo->Clear();
  EXPECT_EQ(changes, 3);
}

TEST_F(MemoTest, LinesEditTheText) {
  memo->Lines->Add("one");
  memo->Lines->Add("three");
  memo->Lines->Insert(1, "two");
  EXPECT_EQ(memo->Text(), "one\r\ntwo\r\nthree\r\n");
  memo->Lines->Delete(0);
  memo->Lines->Put(1, "3");
  EXPECT_EQ(memo->Lines->ToStringList().Text(), "two\r\n3\r\n");
  memo->SetText("x\r\ny");
  memo->Lines->Delete(1);
  EXPECT_EQ(memo->Text(), "x");
  EXPECT_THROW(memo->Lines->Delete(1), EStringListError);
}

TEST_F(MemoTest, LinesLoadAndSaveFilesWithTheStringListRules) {
  std::string path = platform::ProgramPath(Root()) + "\\lines.txt";
  memo->SetText("first\r\nsecond");
  memo->Lines->SaveToFile(path);
  memo->Clear();
  memo->Lines->LoadFromFile(path);
  EXPECT_EQ(memo->Text(), "first\r\nsecond\r\n");
  EXPECT_THROW(memo->Lines->LoadFromFile(path + "-missing"), EFOpenError);
}

TEST_F(MemoTest, SelectionGivesTheSelectedText) {
  rich->SetText("hello\r\nworld");
  rich->SetSelStart(3);
  rich->SetSelLength(5);
  EXPECT_EQ(rich->SelStart(), 3);
  EXPECT_EQ(rich->SelLength(), 5);
  EXPECT_EQ(rich->SelText(), "lo\r\nwo");
  EXPECT_EQ(rich->GetTextLen(), 11);
  rich->SetSelStart(100);
  EXPECT_EQ(rich->SelStart(), 11);
}

TEST_F(MemoTest, FindTextHonoursCaseWholeWordAndRange) {
  rich->SetText("Find the cat. A category, CAT\r\ncat");
  int all = rich->GetTextLen();
  EXPECT_EQ(rich->FindText("cat", 0, all, 0), 9);
  EXPECT_EQ(rich->FindText("CAT", 10, all - 10, stMatchCase), 26);
  EXPECT_EQ(rich->FindText("cat", 10, all - 10, stWholeWord), 26);
  EXPECT_EQ(rich->FindText("cat", 10, all - 10, stWholeWord | stMatchCase), 30);
  EXPECT_EQ(rich->FindText("cat", 0, 11, 0), -1);
  EXPECT_EQ(rich->FindText("dog", 0, all, 0), -1);
  EXPECT_EQ(rich->FindText("", 0, all, 0), -1);
}

TEST_F(MemoTest, FindTextFindsJapaneseAcrossShiftJis) {
  rich->SetText("\x82\xa0\x82\xa2\x83\x5c\x95\x5c");  // あいソ表
  EXPECT_EQ(rich->FindText("\x95\x5c", 0, rich->GetTextLen(), 0), 3);
}

}  // namespace
