#include "browser/store/ListFile.h"

#include <gtest/gtest.h>

#include <random>

#include "browser/store/DrawerRewrite.h"
#include "browser/store/StoreResult.h"
#include "platform/files/Files.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/StoreSandbox.h"

namespace {

class ListFileTest : public StoreSandboxTest {
 protected:
  DrawerFiles Drawer() { return DrawerOf(true, 0, "受信簿"); }
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
  RecordFields fields;
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
  RecordFields fields;
  fields.subject = std::string(20000, 's');
  for (int i = 0; i < 2000; ++i) builder.AddMail("H\r\n\r\n", "b", fields);
  builder.Write(Drawer().listPath, Drawer().mailPath);
  const int outcome = RunWithMemoryHeadroom(4 << 20, [&] {
    const DrawerListing listing = ReadDrawer(Drawer());
    return listing.message == kOutOfMemory && listing.entries.empty() ? 0 : 1;
  });
  EXPECT_EQ(outcome, 0);
}

// Damaged list files: a list cut anywhere, or with bytes overwritten at
// random, never crashes the reader, and every record that lies wholly before
// the damage is listed as written.
class ListFileDamageTest : public ListFileTest {
 protected:
  void SetUp() override {
    ListFileTest::SetUp();
    RecordFields shortForm;
    shortForm.head = "SsS0";
    shortForm.subject = "short";
    RecordFields manyNames;
    manyNames.subject = "names";
    manyNames.id = std::string(200, 'i');
    manyNames.attachNames.assign(140, "添付.txt");
    RecordFields needsHeader;  // From and Date come from the mail file
    needsHeader.subject = "recovered";
    m_builder.AddNumberedMail(0);
    m_builder.AddMail("From: a@example.jp\r\n\r\n", "short body", shortForm);
    m_builder.AddMail("H\r\n\r\n", "b", manyNames);
    m_builder.AddMail("Date: now\r\nFrom: c@example.jp\r\n\r\n", "b", needsHeader);
    m_builder.AddNumberedMail(4);
    WriteBytes(Drawer().mailPath, m_builder.MailBytes());
    m_mailFile = platform::OpenFile(Drawer().mailPath, "rb");
    size_t end = 0;
    for (const RecordFields& record : m_builder.Records()) {
      end += EncodeRecord(record).size();
      m_ends.push_back(end);
    }
  }

  DrawerListing ReadList(std::string_view listBytes) {
    DrawerListing listing = ReadListFile(std::string(listBytes), m_mailFile.get());
    for (const MailEntry* row : listing.entries) TouchEveryShownField(*row);
    return listing;
  }

  // The records that end, trailer included, at or before offset.
  size_t RecordsBefore(size_t offset) const {
    size_t count = 0;
    while (count < m_ends.size() && m_ends[count] <= offset) ++count;
    return count;
  }

  void ExpectListedAsWritten(const DrawerListing& listing, size_t count) const {
    ASSERT_GE(listing.entries.size(), count);
    const std::vector<RecordFields>& records = m_builder.Records();
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(listing.entries[i]->Text(MailField::Subject), records[i].subject) << i;
      EXPECT_EQ(listing.entries[i]->mailStart, records[i].mailStart) << i;
      EXPECT_EQ(listing.entries[i]->AttachNames().size(), records[i].attachNames.size()) << i;
    }
    if (count > 3) {
      EXPECT_EQ(listing.entries[3]->Text(MailField::From), "c@example.jp");
    }
  }

  static void TouchEveryShownField(const MailEntry& row) {
    for (MailField field : {MailField::From, MailField::To, MailField::Cc, MailField::Subject,
                            MailField::Date, MailField::Id})
      EXPECT_LE(row.Shown(field).size(), 4095u);
    const size_t names = row.AttachNames().size();
    for (size_t i = 0; i < names; ++i) EXPECT_LE(row.ShownAttachName(i).size(), 511u);
  }

  DrawerBuilder m_builder;
  std::unique_ptr<platform::Stream> m_mailFile;
  std::vector<size_t> m_ends;  // where each record ends in the list
};

// The last record has the first one's form, which is cut at every byte: it
// is cut at every byte of its head and fixed words and of its end, and at
// every seventh byte between, since each cut through it reads every record
// before it anew.
TEST_F(ListFileDamageTest, ListCutAnywhereListsTheWholeRecordsBeforeTheCut) {
  constexpr size_t kHeadAndWords = 24, kEnd = 8;
  const std::string list = m_builder.ListBytes();
  const size_t lastStart = m_ends[m_ends.size() - 2];
  for (size_t cut = 1; cut < list.size(); ++cut) {
    if (cut > lastStart + kHeadAndWords && cut + kEnd < list.size() && cut % 7 != 0) continue;
    const DrawerListing listing = ReadList(std::string_view(list).substr(0, cut));
    EXPECT_TRUE(listing.hasMails);
    EXPECT_EQ(listing.entries.size(), RecordsBefore(cut)) << cut;
    ExpectListedAsWritten(listing, RecordsBefore(cut));
  }
}

TEST_F(ListFileDamageTest, OverwrittenBytesNeverCrashAndKeepTheRecordsBeforeThem) {
  const std::string list = m_builder.ListBytes();
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string damaged = list;
    const size_t first = m_ends[0] + random() % (damaged.size() - m_ends[0]);
    for (size_t at = first; at < damaged.size(); at += 1 + random() % 64)
      damaged[at] = static_cast<char>(random());
    damaged.resize(first + random() % (damaged.size() - first + 1));
    ExpectListedAsWritten(ReadList(damaged), RecordsBefore(first));
  }
}

TEST_F(ListFileDamageTest, RandomBytesNeverCrash) {
  constexpr size_t kSmallestRecord = 30;  // a short record with empty strings and no trailer
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    std::string noise(1 + random() % 2048, '\0');
    for (char& byte : noise) byte = static_cast<char>(random() % 4 ? random() : 0);
    if (round % 2) noise.replace(0, 4, round % 4 == 1 ? "SsS0" : "SsS1");
    EXPECT_LE(ReadList(noise).entries.size(), noise.size() / kSmallestRecord + 1);
  }
}

}  // namespace
