#include "browser/store/FriendBook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/files/Files.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/Sandbox.h"

namespace {

class FriendBookTest : public SandboxTest {
 protected:
  std::string Path() { return FriendBookPath(platform::ProgramPath(PostPetDir())); }
  void Write(std::string_view bytes) { WriteBytes(Path(), bytes); }
  std::string TwoFriends() {
    return EncodeFriendRecord(1, "クマ", "花子", "hanako@example.jp", 12) +
           EncodeFriendRecord(-3, "", std::string(255, 'o'), "taro@example.jp", 0xFFFFFFFF);
  }
};

TEST_F(FriendBookTest, BothReadersReadEveryRecordWhole) {
  Write(TwoFriends());
  for (const FriendBook& book : {ReadFriendBookForRules(Path()), ReadFriendBookForPicker(Path())}) {
    ASSERT_TRUE(book.opened);
    ASSERT_EQ(book.records.size(), 2u);
    EXPECT_EQ(book.records[0].petKind, 1);
    EXPECT_EQ(book.records[0].petName, "クマ");
    EXPECT_EQ(book.records[0].ownerName, "花子");
    EXPECT_EQ(book.records[0].address, "hanako@example.jp");
    EXPECT_EQ(book.records[0].count, 12u);
    EXPECT_EQ(book.records[1].petKind, -3);
    EXPECT_EQ(book.records[1].petName, "");
    EXPECT_EQ(book.records[1].ownerName.size(), 255u);
    EXPECT_EQ(book.records[1].address, "taro@example.jp");
    EXPECT_EQ(book.records[1].count, 0xFFFFFFFFu);
    EXPECT_FALSE(book.truncated);
  }
}

TEST_F(FriendBookTest, MissingBookIsNotOpenedAndAnEmptyOneHasNoRecords) {
  EXPECT_FALSE(ReadFriendBookForRules(Path()).opened);
  EXPECT_FALSE(ReadFriendBookForPicker(Path()).opened);
  Write("");
  for (const FriendBook& book : {ReadFriendBookForRules(Path()), ReadFriendBookForPicker(Path())}) {
    EXPECT_TRUE(book.opened);
    EXPECT_TRUE(book.records.empty());
    EXPECT_FALSE(book.truncated);
  }
}

TEST_F(FriendBookTest, RecordCutShortEndsTheWalkAfterTheWholeOnes) {
  const std::string whole = TwoFriends();
  for (size_t cut : {size_t{2}, size_t{6}, size_t{12}, size_t{20}}) {
    Write(whole + EncodeFriendRecord(3, "カメ", "次郎", "jiro@example.jp", 5).substr(0, cut));
    for (const FriendBook& book :
         {ReadFriendBookForRules(Path()), ReadFriendBookForPicker(Path())}) {
      EXPECT_EQ(book.records.size(), 2u) << cut;
      EXPECT_TRUE(book.truncated) << cut;
    }
  }
}

// Both readers on a book cut at every byte: the records wholly before the cut
// are read as written, and the cut is reported unless it falls between records.
TEST_F(FriendBookTest, BookCutAnywhereKeepsTheWholeRecordsBeforeTheCut) {
  const std::string first = EncodeFriendRecord(1, "クマ", "花子", "hanako@example.jp", 12);
  const std::string whole = first + EncodeFriendRecord(9, "", "", "", 0) + first;
  const size_t ends[] = {first.size(), first.size() + 11, whole.size()};
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    Write(whole.substr(0, cut));
    const size_t complete = std::upper_bound(std::begin(ends), std::end(ends), cut) - std::begin(ends);
    const bool between = cut == 0 || std::find(std::begin(ends), std::end(ends), cut) != std::end(ends);
    for (const FriendBook& book : {ReadFriendBookForRules(Path()), ReadFriendBookForPicker(Path())}) {
      ASSERT_EQ(book.records.size(), complete) << cut;
      EXPECT_EQ(book.truncated, !between) << cut;
      if (complete > 0) {
        EXPECT_EQ(book.records[0].address, "hanako@example.jp");
      }
    }
  }
}

TEST_F(FriendBookTest, RandomBytesNeverCrash) {
  constexpr size_t kSmallestRecord = 11;  // a kind, three empty texts, a count
  std::mt19937 random(3);
  for (int round = 0; round < 100; ++round) {
    std::string noise(random() % 1024, '\0');
    for (char& byte : noise) byte = static_cast<char>(random());
    Write(noise);
    for (const FriendBook& book : {ReadFriendBookForRules(Path()), ReadFriendBookForPicker(Path())})
      EXPECT_LE(book.records.size(), noise.size() / kSmallestRecord);
  }
}

TEST(PetKindNameTest, KindsOutsideTheTableShowAsUnknown) {
  EXPECT_EQ(PetKindName(0), "ポストマン");
  EXPECT_EQ(PetKindName(9), "イヌ");
  EXPECT_EQ(PetKindName(5), "?");
  EXPECT_EQ(PetKindName(10), "?");
  EXPECT_EQ(PetKindName(-1), "?");
}

}  // namespace
