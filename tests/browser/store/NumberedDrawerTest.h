#pragma once
// A store test on one drawer of numbered mails (PostPetBuilder's
// AddNumberedMail), with the checks the drawer-changing tests share: which
// mails the drawer holds, each with exactly the text it was given.

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "browser/store/DrawerRewrite.h"
#include "browser/store/MailFile.h"
#include "tests/support/PostPetBuilder.h"
#include "tests/support/StoreSandbox.h"

// The records from pos to the end of listBytes; none when the bytes end inside a record.
inline std::optional<std::vector<MailEntry>> ReadRecordsToEnd(std::string_view listBytes, size_t pos) {
  std::vector<MailEntry> records;
  while (pos < listBytes.size())
    if (!ParseListRecord(listBytes, pos, records.emplace_back())) return std::nullopt;
  return records;
}

class NumberedDrawerTest : public StoreSandboxTest {
 protected:
  DrawerFiles Drawer(int row = 1, const char* name = "黄色の引出し") const {
    return DrawerOf(true, row, name);
  }
  // Writes mails 0 to count - 1 into drawer.
  DrawerBuilder Numbered(int count, size_t bodyBytes = 64) { return Numbered(Drawer(), 0, count, bodyBytes); }
  DrawerBuilder Numbered(const DrawerFiles& drawer, int first, int count, size_t bodyBytes = 64) {
    m_bodyBytes = bodyBytes;
    DrawerBuilder builder;
    for (int i = first; i < first + count; ++i) builder.AddNumberedMail(i, bodyBytes);
    builder.Write(drawer.listPath, drawer.mailPath);
    return builder;
  }
  bool AppendNumbered(int n) { return AppendNumbered(Drawer(), n); }
  bool AppendNumbered(const DrawerFiles& drawer, int n) {
    DrawerBuilder one;
    one.AddNumberedMail(n, m_bodyBytes);
    const std::string record = one.ListBytes();
    MailEntry entry;
    size_t pos = 0;
    return ParseListRecord(record, pos, entry) && AppendMail(drawer, entry, one.MailBytes()).Ok();
  }
  // Appends mail n as PostPet does: to the end of both files, without the store.
  void AppendAsAnotherProgram(const DrawerFiles& drawer, int n) {
    const std::string mails = ReadBytes(drawer.mailPath);
    DrawerBuilder one;
    RecordFields& record = one.AddNumberedMail(n, m_bodyBytes);
    record.bodyStart += mails.size();
    record.mailStart = mails.size();
    WriteBytes(drawer.mailPath, mails + one.MailBytes());
    WriteBytes(drawer.listPath, ReadBytes(drawer.listPath) + one.ListBytes());
  }
  // The numbers of every mail of the drawer, in order, after opening it; each
  // mail's text must be the one AddNumberedMail made for its number.
  std::vector<int> MailNumbers() { return MailNumbers(Drawer()); }
  std::vector<int> MailNumbers(const DrawerFiles& drawer) {
    ReadDrawer(drawer);  // finishes an interrupted rewrite or append
    const std::string list = ReadBytes(drawer.listPath);
    const std::optional<std::vector<MailEntry>> records = ReadRecordsToEnd(list, 0);
    EXPECT_TRUE(records);
    std::vector<int> numbers;
    if (!records) return numbers;
    for (const MailEntry& entry : *records) {
      numbers.push_back(NumberOf(entry));
      ExpectText(drawer, entry);
    }
    return numbers;
  }
  // The same as the reader lists them, with the body lengths it corrects.
  std::vector<int> ListedNumbers(const DrawerFiles& drawer) {
    const DrawerListing listing = ReadDrawer(drawer);
    std::vector<int> numbers;
    for (const MailEntry* entry : listing.entries) {
      numbers.push_back(NumberOf(*entry));
      ExpectText(drawer, *entry);
    }
    return numbers;
  }
  // The same as a reader of the raw files sees them that walks the records
  // from the start, as PostPet does, with their stored lengths and without
  // the store; the walk must end at the ListFile's end.
  std::vector<int> RawNumbers(const DrawerFiles& drawer) {
    const std::string list = ReadBytes(drawer.listPath);
    const std::string mails = ReadBytes(drawer.mailPath);
    std::vector<int> numbers;
    size_t walked = 0;
    for (const RecordFields& record : DecodeRecords(list)) {
      walked += EncodeRecord(record).size();
      const int n = record.subject.starts_with("mail ") ? std::atoi(record.subject.c_str() + 5) : -1;
      numbers.push_back(n);
      const size_t length = record.bodyStart - record.mailStart + record.bodyLength;
      EXPECT_TRUE(record.mailStart <= mails.size() &&
                  mails.substr(record.mailStart, length) == NumberedHeader(n) + NumberedBody(n, m_bodyBytes))
          << n;
    }
    EXPECT_EQ(walked, list.size());
    return numbers;
  }
  // Every mail of the drawers once they are opened, as the store lists them
  // (each with its own text), which a raw walk must find the same.
  std::multiset<int> EveryMail(const std::vector<DrawerFiles>& drawers) {
    std::multiset<int> listed, raw;
    for (const DrawerFiles& drawer : drawers) {
      for (int n : ListedNumbers(drawer)) listed.insert(n);
      for (int n : RawNumbers(drawer)) raw.insert(n);
    }
    EXPECT_EQ(listed, raw);
    return listed;
  }
  // The ListFile holds whole records only, as a kill must leave it.
  static bool EndsOnARecord(const DrawerFiles& drawer) {
    const std::string list = ReadBytes(drawer.listPath);
    size_t walked = 0;
    for (const RecordFields& record : DecodeRecords(list)) walked += EncodeRecord(record).size();
    return walked == list.size();
  }
  size_t FilesInFolder() const {
    const auto entries = std::filesystem::directory_iterator(platform::NativePath(Drawer().folder));
    return std::distance(begin(entries), end(entries));
  }
  void ExpectUntouched(const DrawerBuilder& builder, const DrawerFiles& drawer) {
    EXPECT_TRUE(ReadBytes(drawer.listPath) == builder.ListBytes());
    EXPECT_TRUE(ReadBytes(drawer.mailPath) == builder.MailBytes());
  }
  void ExpectUntouched(const DrawerBuilder& builder) {
    ExpectUntouched(builder, Drawer());
    EXPECT_EQ(FilesInFolder(), 2u);
  }

  size_t m_bodyBytes = 64;

 private:
  static int NumberOf(const MailEntry& entry) {
    return std::stoi(std::string(entry.Text(MailField::Subject).substr(5)));
  }
  void ExpectText(const DrawerFiles& drawer, const MailEntry& entry) {
    const int n = NumberOf(entry);
    const MailText text = ReadMailText(drawer.mailPath, entry.mailStart, entry.MailLength());
    EXPECT_TRUE(text.bytes == NumberedHeader(n) + NumberedBody(n, m_bodyBytes)) << n;
  }
};

inline std::vector<int> Range(int from, int to) {
  std::vector<int> numbers(to - from);
  std::iota(numbers.begin(), numbers.end(), from);
  return numbers;
}
