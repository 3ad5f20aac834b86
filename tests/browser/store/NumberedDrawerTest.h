#pragma once
// A store test on one drawer of numbered mails (PostPetBuilder's
// AddNumberedMail), with the checks the drawer-changing tests share: which
// mails the drawer holds, each with exactly the text it was given.

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <optional>
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
