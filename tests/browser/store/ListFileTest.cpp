#include "browser/store/ListFile.h"

#include <gtest/gtest.h>

#include "browser/store/StoreMessages.h"
#include "platform/files/Files.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/Sandbox.h"

namespace {

class ListFileTest : public SandboxTest {
 protected:
  DrawerFiles Drawer() {
    const BookPlace book{platform::ProgramPath(PostPetDir()), platform::ProgramPath(ExeDir()), true,
                         10};
    return *GetDrawerFiles(book, 0, "受信簿");
  }
  DrawerListing Read(const DrawerBuilder& builder) {
    builder.Write(Drawer().listPath, Drawer().mailPath);
    return ReadDrawer(Drawer());
  }
};

TEST_F(ListFileTest, MissingOrEmptyListFileIsAnEmptyDrawerWithoutMessage) {
  for (bool exists : {false, true}) {
    if (exists) WriteBytes(Drawer().listPath, "");
    const DrawerListing listing = ReadDrawer(Drawer());
    EXPECT_FALSE(listing.hasMails);
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_EQ(listing.message, nullptr);
  }
}

TEST_F(ListFileTest, ListsAtMostTenThousandTenRows) {
  DrawerBuilder builder;
  for (int i = 0; i < 10012; ++i) builder.AddNumberedMail(i, 8);
  const DrawerListing listing = Read(builder);
  ASSERT_EQ(listing.entries.size(), 10010u);
  EXPECT_EQ(listing.entries.back()->Text(MailField::Subject), "mail 10009");
}

TEST_F(ListFileTest, BodyLengthRunsToTheNextMailAndTheLastKeepsItsOwn) {
  DrawerBuilder builder;
  for (int i = 0; i < 3; ++i) builder.AddNumberedMail(i, 100).bodyLength = 7;
  const DrawerListing listing = Read(builder);
  const auto& records = builder.Records();
  EXPECT_EQ(listing.entries[0]->bodyLength, records[1].mailStart - records[0].bodyStart);
  EXPECT_EQ(listing.entries[1]->bodyLength, records[2].mailStart - records[1].bodyStart);
  EXPECT_EQ(listing.entries[2]->bodyLength, 7u);
}

TEST_F(ListFileTest, BodyLengthIsKeptWhenTheNextMailStartsBeforeTheBody) {
  DrawerBuilder builder;
  builder.AddNumberedMail(0, 100);
  builder.AddNumberedMail(1, 100);
  std::swap(builder.Records()[0], builder.Records()[1]);
  EXPECT_EQ(Read(builder).entries[0]->bodyLength, 100u);
}

struct Recovery {
  std::string header;
  std::string from;
  std::string date;
};

class HeaderRecoveryTest : public ListFileTest, public ::testing::WithParamInterface<Recovery> {};

TEST_P(HeaderRecoveryTest, EmptyFromAndDateAreTakenFromTheHeader) {
  DrawerBuilder builder;
  builder.AddMail(GetParam().header, "body", {});
  const DrawerListing listing = Read(builder);
  const MailEntry& row = *listing.entries.at(0);
  EXPECT_EQ(row.Text(MailField::From), GetParam().from);
  EXPECT_EQ(row.Text(MailField::Date), GetParam().date);
  EXPECT_EQ(row.recordSize, GetLe32(builder.ListBytes(), 4) + GetParam().from.size() +
                                GetParam().date.size());
  EXPECT_EQ(listing.message, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    ListFileTest, HeaderRecoveryTest,
    ::testing::Values(
        Recovery{"Reply-To: r@x.jp\r\nFrom: 花子 <f@x.jp>\r\nDate: d1\r\n\r\n", "花子 <f@x.jp>", "d1"},
        Recovery{"Subject: s\r\nReply-To: r@x.jp\r\n\r\n", "r@x.jp", ""},
        Recovery{"Subject: s\r\nFrom: last@x.jp", "last@x.jp", ""},  // no line end
        Recovery{"from: lower@x.jp\r\ndate: d\r\n\r\n", "", ""},       // labels are case-sensitive
        Recovery{"From: " + std::string(300, 'x') + "\r\nDate: " + std::string(200, 'd') + "\n",
                 std::string(127, 'x'), std::string(127, 'd')}));

TEST_F(ListFileTest, StoredFromAndDateAreKept) {
  DrawerBuilder builder;
  RecordSpec fields;
  fields.from = "a@x.jp";
  builder.AddMail("From: b@x.jp\r\nDate: Wed, 8 Dec 1999 09:00:00 +0900\r\n\r\n", "b", fields);
  const DrawerListing listing = Read(builder);
  EXPECT_EQ(listing.entries[0]->Text(MailField::From), "a@x.jp");
  EXPECT_EQ(listing.entries[0]->Text(MailField::Date), "Wed, 8 Dec 1999 09:00:00 +0900");
  EXPECT_EQ(listing.entries[0]->Shown(MailField::From).size(), 6u);
}

TEST_F(ListFileTest, MissingMailFileIsReportedOnceAndLeavesTheFieldsEmpty) {
  DrawerBuilder builder;
  for (int i = 0; i < 3; ++i) builder.AddMail("From: x\r\n\r\n", "body", {});
  WriteBytes(Drawer().listPath, builder.ListBytes());
  const DrawerListing listing = ReadDrawer(Drawer());
  ASSERT_EQ(listing.entries.size(), 3u);
  EXPECT_STREQ(listing.message, kCannotOpenMailFile);
  EXPECT_EQ(listing.entries[2]->Text(MailField::From), "");
}

TEST_F(ListFileTest, RecordCutShortAtTheEndIsLeftOutAndTheOthersAreListed) {
  DrawerBuilder builder;
  for (int i = 0; i < 3; ++i) builder.AddNumberedMail(i);
  const std::string list = builder.ListBytes();
  WriteBytes(Drawer().mailPath, builder.MailBytes());
  for (size_t cut : {size_t{20}, list.size() - 6}) {
    WriteBytes(Drawer().listPath, list.substr(0, cut));
    const DrawerListing listing = ReadDrawer(Drawer());
    EXPECT_TRUE(listing.hasMails);
    EXPECT_EQ(listing.entries.size(), cut < 100 ? 0u : 2u);
  }
}

// The list is far bigger than the room the child has to read it into.
TEST_F(ListFileTest, RunningOutOfMemoryListsNothingAndSaysSo) {
  DrawerBuilder builder;
  RecordSpec fields;
  fields.subject = std::string(20000, 's');
  for (int i = 0; i < 2000; ++i) builder.AddMail("H\r\n\r\n", "b", fields);
  builder.Write(Drawer().listPath, Drawer().mailPath);
  const int outcome = RunWithMemoryHeadroom(4 << 20, [&] {
    const DrawerListing listing = ReadDrawer(Drawer());
    return listing.message == kOutOfMemory && listing.entries.empty() ? 0 : 1;
  });
  EXPECT_EQ(outcome, 0);
}

}  // namespace
