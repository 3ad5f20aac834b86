#include "browser/store/ListRecord.h"

#include <gtest/gtest.h>

#include <deque>

#include "tests/support/PostPetBuilder.h"

namespace {

class ListRecordTest : public ::testing::Test {
 protected:
  // A row read from the record's bytes, which the test keeps alive.
  MailEntry Parsed(const RecordFields& record) {
    const std::string& bytes = m_bytes.emplace_back(EncodeRecord(record));
    MailEntry entry;
    size_t pos = 0;
    EXPECT_TRUE(ParseListRecord(bytes, pos, entry));
    EXPECT_EQ(pos, bytes.size());
    return entry;
  }
  static RecordFields Filled() {  // 50 header bytes at 100, 30 body bytes
    RecordFields record;
    record.mailStart = 100;
    record.bodyStart = 150;
    record.bodyLength = 30;
    record.from = "a@example.jp";
    record.to = "b@example.jp";
    record.subject = "件名";
    record.date = "Tue, 7 Dec 1999 17:01:02 +0900";
    record.status = 1;
    record.attachNames = {"a.txt", "写真.jpg"};
    return record;
  }

 private:
  std::deque<std::string> m_bytes;
};

TEST_F(ListRecordTest, FullRecordWrittenBackAtItsOwnPlaceIsByteForByteTheSame) {
  const RecordFields record = Filled();
  EXPECT_EQ(EncodeListRecord(Parsed(record), 100, 80), EncodeRecord(record));
}

TEST_F(ListRecordTest, ShortRecordIsListedWithTheFixedIdAndWrittenInFullForm) {
  RecordFields record = Filled();
  record.head = "SsS0";
  record.attachNames.clear();
  const MailEntry entry = Parsed(record);
  EXPECT_EQ(entry.Text(MailField::Id), "4535625330.3333333");
  EXPECT_EQ(entry.recordSize, GetLe32(EncodeRecord(record), 4) + 20);
  record.head = "SsS1";
  record.id = "4535625330.3333333";
  EXPECT_EQ(EncodeListRecord(entry, 100, 80), EncodeRecord(record));
}

TEST_F(ListRecordTest, OverLongFieldsAreShownCutAndKeptWhole) {
  RecordFields record = Filled();
  record.from = std::string(300, 'f');
  record.to = std::string(5000, 't');
  record.subject = std::string(600, 's');
  record.id = std::string(200, 'i');                      // idLength above 127 as a signed byte
  record.attachNames.assign(130, std::string(600, 'n'));  // attachCount above 127
  const MailEntry entry = Parsed(record);
  EXPECT_EQ(entry.Shown(MailField::From).size(), 126u);
  EXPECT_EQ(entry.Shown(MailField::To).size(), 4095u);
  EXPECT_EQ(entry.Shown(MailField::Subject).size(), 511u);
  EXPECT_EQ(entry.Shown(MailField::Id).size(), 127u);
  EXPECT_EQ(entry.ShownAttachName(129).size(), 511u);
  EXPECT_EQ(entry.Text(MailField::To).size(), 5000u);
  EXPECT_EQ(entry.AttachNames().size(), 130u);
}

TEST_F(ListRecordTest, NextRecordIsFoundAfterLongCountsAndNames) {
  RecordFields first = Filled();
  first.id = std::string(250, 'i');
  first.attachNames.assign(200, "x");
  RecordFields second = Filled();
  second.subject = "second";
  const std::string bytes = EncodeRecord(first) + EncodeRecord(second);
  MailEntry entry;
  size_t pos = 0;
  ASSERT_TRUE(ParseListRecord(bytes, pos, entry) && ParseListRecord(bytes, pos, entry));
  EXPECT_EQ(entry.Text(MailField::Subject), "second");
}

TEST_F(ListRecordTest, ShownTextIsNotCutInsideADoubleByteCharacter) {
  RecordFields record = Filled();
  record.subject.clear();
  while (record.subject.size() < 600) record.subject += "表";  // 0x95 0x5C
  EXPECT_EQ(Parsed(record).Shown(MailField::Subject).size(), 510u);
  record.subject = std::string(600, '\x81');  // lead bytes without trail bytes
  EXPECT_LE(Parsed(record).Shown(MailField::Subject).size(), 511u);
}

// A record whose trailer lost a byte is cut short too: appending after it
// would make its missing bytes the next record's.
TEST_F(ListRecordTest, RecordCutShortIsNotReadTrailerIncluded) {
  const std::string bytes = EncodeRecord(Filled());
  MailEntry entry;
  for (size_t cut : {size_t{2}, size_t{10}, size_t{30}, bytes.size() - 6, bytes.size() - 1}) {
    size_t pos = 0;
    EXPECT_FALSE(ParseListRecord(bytes.substr(0, cut), pos, entry)) << cut;
    EXPECT_EQ(pos, 0u);
  }
  size_t pos = 0;
  EXPECT_TRUE(ParseListRecord(bytes, pos, entry));
}

TEST_F(ListRecordTest, WrittenRecordPointsAtItsNewPlaceAndCoversOnlyTheTextThatExists) {
  const MailEntry entry = Parsed(Filled());
  const std::string whole = EncodeListRecord(entry, 7, 80);
  EXPECT_EQ(GetLe32(whole, 8), 7u);
  EXPECT_EQ(GetLe32(whole, 12), 57u);
  EXPECT_EQ(GetLe32(whole, 16), 30u);
  const std::string partBody = EncodeListRecord(entry, 0, 60);
  EXPECT_EQ(GetLe32(partBody, 12), 50u);
  EXPECT_EQ(GetLe32(partBody, 16), 10u);
  const std::string partHeader = EncodeListRecord(entry, 0, 20);
  EXPECT_EQ(GetLe32(partHeader, 12), 20u);
  EXPECT_EQ(GetLe32(partHeader, 16), 0u);
}

TEST_F(ListRecordTest, ChangedRowKeepsItsOtherFieldsAfterItsBytesAreGone) {
  std::string bytes = EncodeRecord(Filled());
  MailEntry entry;
  size_t pos = 0;
  ASSERT_TRUE(ParseListRecord(bytes, pos, entry));
  entry.SetText(MailField::From, std::string("someone@example.jp\0tail", 23));
  bytes.assign(bytes.size(), 'x');
  const std::string written = EncodeListRecord(entry, 100, 80);
  EXPECT_EQ(entry.Text(MailField::From), "someone@example.jp");
  EXPECT_EQ(entry.Text(MailField::Subject), "件名");
  EXPECT_EQ(entry.AttachNames().at(1), "写真.jpg");
  EXPECT_EQ(GetLe32(written, 4), written.size() - 12);
}

TEST_F(ListRecordTest, NewEntryWritesAValidRecord) {
  MailEntry entry;
  entry.SetText(MailField::To, "x");
  entry.SetText(MailField::Id, "4535625330.0000001");
  const std::string bytes = EncodeListRecord(entry, 0, 0);
  RecordFields expected;
  expected.reserved = 0;
  expected.to = "x";
  EXPECT_EQ(bytes, EncodeRecord(expected));
  EXPECT_EQ(GetLe32(bytes, 4), 1u + 42u);
}

}  // namespace
