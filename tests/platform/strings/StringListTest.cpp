// The class library's string list: loading and saving whole files, the two
// exceptions the programs let through, and the case-insensitive search/sort.

#include "platform/strings/StringList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/Exception.h"
#include "platform/files/FaultInjection.h"
#include "platform/files/Files.h"
#include "platform/text/ShiftJis.h"
#include "tests/support/NativeFiles.h"
#include "tests/support/RaisedMessage.h"
#include "tests/support/Sandbox.h"

namespace {

using platform::SjisFromUtf8;

std::vector<std::string> Items(const TStringList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
  return items;
}

TStringList ListOf(const std::vector<std::string>& utf8Items) {
  TStringList list;
  for (const std::string& item : utf8Items) list.Add(SjisFromUtf8(item));
  return list;
}

std::vector<std::string> Sjis(const std::vector<std::string>& utf8Items) {
  std::vector<std::string> items;
  for (const std::string& item : utf8Items) items.push_back(SjisFromUtf8(item));
  return items;
}

struct SplitCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

class StringListSplitTest : public SandboxTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(StringListSplitTest, LoadsTheLinesOfAFile) {
  WriteNativeFile(PostPetDir() + "/list.txt", GetParam().bytes);
  TStringList list;
  list.LoadFromFile(platform::ProgramPath(PostPetDir()) + "\\list.txt");
  EXPECT_EQ(Items(list), GetParam().lines);
}

TEST_P(StringListSplitTest, SplitsTextTheSameWay) {
  TStringList list;
  list.SetText(GetParam().bytes);
  EXPECT_EQ(Items(list), GetParam().lines);
}

using Lines = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Table, StringListSplitTest,
    ::testing::Values(SplitCase{"EmptyFile", "", Lines{}},
                      SplitCase{"CrLf", "a\r\nb\r\n", Lines{"a", "b"}},
                      SplitCase{"LoneLf", "a\nb\n", Lines{"a", "b"}},
                      SplitCase{"LoneCr", "a\rb\r", Lines{"a", "b"}},
                      SplitCase{"MixedLineEnds", "a\r\nb\nc\rd", Lines{"a", "b", "c", "d"}},
                      SplitCase{"LastLineWithoutEnd", "a\r\nlast", Lines{"a", "last"}},
                      SplitCase{"EmptyLinesKept", "\r\n\r\na\r\n\r\n", Lines{"", "", "a", ""}},
                      SplitCase{"LfThenCrIsTwoLineEnds", "a\n\rb", Lines{"a", "", "b"}},
                      SplitCase{"CrCrLfIsTwoLineEnds", "a\r\r\nb", Lines{"a", "", "b"}},
                      SplitCase{"StopsAtFirstNul", std::string("a\r\nb\0c\r\nd", 10), Lines{"a", "b"}},
                      SplitCase{"NulFirst", std::string("\0a\r\n", 4), Lines{}},
                      SplitCase{"FiveCTrailBytesStay", "\x83\x5C\r\n\x95\x5C\\", Lines{"\x83\x5C", "\x95\x5C\\"}},
                      SplitCase{"InvalidShiftJisKept", "\x82\r\n\xFF\x85\x40", Lines{"\x82", "\xFF\x85\x40"}}),
    [](const auto& info) { return std::string(info.param.name); });

class StringListFileTest : public SandboxTest {
 protected:
  std::string ProgramPath(const std::string& name) const {
    return platform::ProgramPath(PostPetDir()) + "\\" + SjisFromUtf8(name);
  }
  std::string NativePath(const std::string& name) const { return PostPetDir() + "/" + name; }
};

TEST_F(StringListFileTest, MissingFileRaisesOpenErrorNamingThePath) {
  const std::string path = ProgramPath("ソ表の引出し名.txt");  // both end in 0x5C
  TStringList list;
  EXPECT_EQ(RaisedMessage<EFOpenError>([&] { list.LoadFromFile(path); }),
            SjisFromUtf8("ファイル ") + platform::ProgramPath(NativePath("ソ表の引出し名.txt")) + SjisFromUtf8(" は開けません"));
}

TEST_F(StringListFileTest, FailedLoadKeepsTheItems) {
  TStringList list = ListOf({"kept"});
  EXPECT_THROW(list.LoadFromFile(ProgramPath("missing")), EFOpenError);
  EXPECT_EQ(Items(list), Lines{"kept"});
}

TEST_F(StringListFileTest, SavesEveryItemWithCrLf) {
  ListOf({"受信", "", "ソ表", "last"}).SaveToFile(ProgramPath("names.txt"));
  EXPECT_EQ(ReadNativeFile(NativePath("names.txt")), SjisFromUtf8("受信\r\n\r\nソ表\r\nlast\r\n"));
}

TEST_F(StringListFileTest, SaveReplacesALongerFileWhole) {
  WriteNativeFile(NativePath("names.txt"), "one\r\ntwo\r\nthree\r\nfour\r\n");
  ListOf({"x"}).SaveToFile(ProgramPath("names.txt"));
  EXPECT_EQ(ReadNativeFile(NativePath("names.txt")), "x\r\n");
}

TEST_F(StringListFileTest, SavedListLoadsBackUnchanged) {
  const TStringList saved = ListOf({"Inbox", "", "ﾊﾝｶｸ", "表示"});
  saved.SaveToFile(ProgramPath("names.txt"));
  TStringList loaded;
  loaded.LoadFromFile(ProgramPath("names.txt"));
  EXPECT_EQ(Items(loaded), Items(saved));
}

TEST_F(StringListFileTest, FailedWriteRaisesCreateErrorAndKeepsTheOldFile) {
  WriteNativeFile(NativePath("names.txt"), "old\r\n");
  platform::FaultInjection faults;
  faults.FailWritesFrom(1);
  EXPECT_THROW(ListOf({"new", "list"}).SaveToFile(ProgramPath("names.txt")), EFCreateError);
  EXPECT_EQ(ReadNativeFile(NativePath("names.txt")), "old\r\n");
}

TEST_F(StringListFileTest, FailedSyncKeepsTheOldFileAndLeavesNoTemporary) {
  WriteNativeFile(NativePath("names.txt"), "old\r\n");
  platform::FaultInjection faults;
  faults.FailSync();
  EXPECT_THROW(ListOf({"new"}).SaveToFile(ProgramPath("names.txt")), EFCreateError);
  EXPECT_EQ(ReadNativeFile(NativePath("names.txt")), "old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(PostPetDir()), {}), 1);
}

TEST_F(StringListFileTest, SaveIntoAMissingFolderNamesThePath) {
  const std::string path = ProgramPath("nowhere\\names.txt");
  EXPECT_EQ(RaisedMessage<EFCreateError>([&] { ListOf({"a"}).SaveToFile(path); }),
            SjisFromUtf8("ファイル ") + platform::ProgramPath(NativePath("nowhere/names.txt")) + SjisFromUtf8(" を作成できません"));
}

std::string RangeMessage(int index) {
  return SjisFromUtf8("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
}

TEST(StringListIndexTest, ReadingPastTheEndNamesTheIndex) {
  const TStringList list = ListOf({"a", "b", "c"});
  EXPECT_EQ(RaisedMessage<EStringListError>([&] { (void)list[3]; }), RangeMessage(3));
  EXPECT_EQ(RaisedMessage<EStringListError>([&] { (void)list.Strings(-1); }), RangeMessage(-1));
}

TEST(StringListIndexTest, ChangingOutsideTheListNamesTheIndex) {
  TStringList list = ListOf({"a"});
  EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Delete(1); }), RangeMessage(1));
  EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.SetString(5, "x"); }), RangeMessage(5));
  EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Insert(2, "x"); }), RangeMessage(2));
  EXPECT_EQ(Items(list), Lines{"a"});
}

TEST(StringListEditTest, InsertAddDeleteKeepOrder) {
  TStringList list = ListOf({"b"});
  list.Insert(0, "a");
  list.Insert(2, "d");
  EXPECT_EQ(list.Add("e"), 3);
  list.Delete(2);
  list.SetString(1, "B");
  EXPECT_EQ(Items(list), (Lines{"a", "B", "e"}));
}

TEST(StringListEditTest, TextEndsEveryItemWithCrLf) {
  EXPECT_EQ(ListOf({"From: a", "", "To: b"}).Text(), "From: a\r\n\r\nTo: b\r\n");
  EXPECT_EQ(TStringList().Text(), "");
}

struct IndexOfCase {
  const char* name;
  const char* sought;
  int expected;
};

class StringListIndexOfTest : public ::testing::TestWithParam<IndexOfCase> {};

TEST_P(StringListIndexOfTest, FindsWholeTextsIgnoringCase) {
  const TStringList names = ListOf({"受信フォルダ", "Inbox", "ＰｏｓｔＰｅｔ", "ソ表", "あ", "inbox"});
  EXPECT_EQ(names.IndexOf(SjisFromUtf8(GetParam().sought)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, StringListIndexOfTest,
                         ::testing::Values(IndexOfCase{"Japanese", "受信フォルダ", 0},
                                           IndexOfCase{"AsciiOtherCase", "INBOX", 1},
                                           IndexOfCase{"FirstOfEqualItems", "inbox", 1},
                                           IndexOfCase{"FullWidthOtherCase", "ｐｏｓｔｐｅｔ", 2},
                                           IndexOfCase{"FiveCTrailBytes", "ソ表", 3},
                                           IndexOfCase{"PartOfAnItem", "受信", -1},
                                           IndexOfCase{"FullWidthIsNotAscii", "PostPet", -1},
                                           IndexOfCase{"KatakanaIsNotHiragana", "ア", -1},
                                           IndexOfCase{"Empty", "", -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StringListSortTest, SortsIgnoringCaseKeepingEqualItemsInOrder) {
  TStringList list = ListOf({"b", "A", "c", "B", "a"});
  list.Sort();
  EXPECT_EQ(Items(list), (Lines{"A", "a", "b", "B", "c"}));
}

TEST(StringListSortTest, SortsJapaneseNamesInSyllabaryOrder) {
  TStringList list = ListOf({"ともだち", "あいさつ", "Zoo", "かぞく"});
  list.Sort();
  EXPECT_EQ(Items(list), Sjis({"Zoo", "あいさつ", "かぞく", "ともだち"}));
}

TEST(StringListSortTest, SortedListAddsInPlaceAndRefusesPlacement) {
  TStringList list = ListOf({"c", "a"});
  list.SetSorted(true);
  EXPECT_EQ(list.Add("B"), 1);
  EXPECT_EQ(Items(list), (Lines{"a", "B", "c"}));
  EXPECT_THROW(list.Insert(0, "z"), EStringListError);
  EXPECT_THROW(list.SetString(0, "z"), EStringListError);
  EXPECT_EQ(Items(list), (Lines{"a", "B", "c"}));
}

TEST(StringListSortTest, AssignCopiesItemsAndSortedState) {
  TStringList source = ListOf({"b", "a"});
  source.SetSorted(true);
  TStringList copy = ListOf({"old"});
  copy.Assign(source);
  EXPECT_TRUE(copy.Sorted());
  EXPECT_EQ(Items(copy), (Lines{"a", "b"}));
}

}  // namespace
