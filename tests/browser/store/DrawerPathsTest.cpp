#include "browser/store/DrawerPaths.h"

#include <gtest/gtest.h>

#include "platform/files/Files.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/Sandbox.h"

namespace {

BookPlace Book(bool isReceiveBook) {
  return {"C:\\pp", "D:\\dorvane", isReceiveBook, FixedDrawerCount(isReceiveBook)};
}

TEST(DrawerPathsTest, BookRowsUseTheBooksOwnFileNames) {
  const DrawerFiles receive = *GetDrawerFiles(Book(true), 0, "受信簿");
  EXPECT_EQ(receive.folder, "C:\\pp\\受信フォルダ");
  EXPECT_EQ(receive.listPath, "C:\\pp\\受信フォルダ\\受信リスト.ppl");
  EXPECT_EQ(receive.mailPath, "C:\\pp\\受信フォルダ\\受信メール.ppm");
  const DrawerFiles send = *GetDrawerFiles(Book(false), 0, "送信簿");
  EXPECT_EQ(send.listPath, "C:\\pp\\送信フォルダ\\送信リスト.ppl");
  EXPECT_EQ(send.mailPath, "C:\\pp\\送信フォルダ\\送信メール.ppm");
}

TEST(DrawerPathsTest, ColouredDrawersLieInThePostPetFolderAndOwnDrawersBesideTheProgram) {
  const DrawerFiles pink = *GetDrawerFiles(Book(false), 3, "ピンクの引出し");
  EXPECT_EQ(pink.listPath, "C:\\pp\\送信フォルダ\\ピンクの引出しリスト.ppl");
  EXPECT_EQ(pink.mailPath, "C:\\pp\\送信フォルダ\\ピンクの引出し.ppm");
  const DrawerFiles own = *GetDrawerFiles(Book(false), 4, "仕事");
  EXPECT_EQ(own.folder, "D:\\dorvane\\送信フォルダ");
  EXPECT_EQ(own.listPath, "D:\\dorvane\\送信フォルダ\\仕事リスト.ppl");
  EXPECT_EQ(own.mailPath, "D:\\dorvane\\送信フォルダ\\仕事.ppm");
  EXPECT_EQ(GetDrawerFiles(Book(true), 9, "橙色の引出し")->folder, "C:\\pp\\受信フォルダ");
  EXPECT_EQ(GetDrawerFiles(Book(true), 10, "ひみつ日記")->folder, "D:\\dorvane\\受信フォルダ");
  // The journal names a drawer by its file name: ソ and 表 end in 0x5C.
  EXPECT_EQ(FileNameOf(GetDrawerFiles(Book(true), 10, "ソフト表")->listPath), "ソフト表リスト.ppl");
  EXPECT_EQ(FileNameOf(GetDrawerFiles(Book(true), 10, "ソ")->folder), "受信フォルダ");
}

TEST(DrawerPathsTest, NoPostPetFolderGivesNoPathForPostPetsRowsOnly) {
  BookPlace book = Book(true);
  book.ppPath.clear();
  EXPECT_FALSE(GetDrawerFiles(book, 0, "受信簿"));
  EXPECT_FALSE(GetDrawerFiles(book, 5, "水色の引出し"));
  EXPECT_TRUE(GetDrawerFiles(book, 10, "ひみつ日記"));
  EXPECT_FALSE(GetDrawerFiles(book, -1, ""));
}

class RefusedDrawerName : public ::testing::TestWithParam<std::string> {};

TEST_P(RefusedDrawerName, GetsNoPath) {
  EXPECT_FALSE(IsValidDrawerName(GetParam()));
  EXPECT_FALSE(GetDrawerFiles(Book(true), 10, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(DrawerPathsTest, RefusedDrawerName,
                         ::testing::Values("..", ".", "a\\b", "..\\..\\etc", "a/b", "/", "tab\tname",
                                           "bell\x07", "del\x7F", std::string("\x81/x"),
                                           std::string(239, 'n'), std::string(500, 'n')));

class AcceptedDrawerName : public ::testing::TestWithParam<std::string> {};

TEST_P(AcceptedDrawerName, GetsItsPath) {
  EXPECT_TRUE(IsValidDrawerName(GetParam()));
  EXPECT_EQ(GetDrawerFiles(Book(true), 10, GetParam())->mailPath,
            "D:\\dorvane\\受信フォルダ\\" + GetParam() + ".ppm");
}

// ソ and 表 end in the byte 0x5C; full-width ＼ and ／ are no separators.
INSTANTIATE_TEST_SUITE_P(DrawerPathsTest, AcceptedDrawerName,
                         ::testing::Values("ソフト", "表計算", "＼／", "   ", "a.b", "...",
                                           "新しい引出し", std::string(238, 'n')));

using OwnBookFoldersTest = SandboxTest;

TEST_F(OwnBookFoldersTest, TheMissingOneIsMadeAndTheOneThatExistsKeepsItsDrawers) {
  const std::string program = platform::ProgramPath(ExeDir());
  ASSERT_TRUE(platform::CreateDir(program + "\\送信フォルダ"));
  WriteBytes(program + "\\送信フォルダ\\控え.ppm", "mail");
  CreateOwnBookFolders(program);
  EXPECT_TRUE(platform::DirectoryExists(program + "\\受信フォルダ"));
  EXPECT_EQ(ReadBytes(program + "\\送信フォルダ\\控え.ppm"), "mail");
}

TEST_F(OwnBookFoldersTest, AProgramFolderThatCannotHoldThemIsNoError) {
  const std::string missing = platform::ProgramPath(ExeDir()) + "\\gone";
  EXPECT_NO_THROW(CreateOwnBookFolders(missing));
  EXPECT_FALSE(platform::PathExists(missing));
}

}  // namespace
