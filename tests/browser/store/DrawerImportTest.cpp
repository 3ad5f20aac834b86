// An import as one store call: each mail of the stream is in the drawer
// before the next is asked for.

#include "browser/store/DrawerImport.h"

#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

// Numbered mails as a cutter gives them, noting before each how long the drawer's MailFile is.
struct NumberedMails : MailStream {
  NumberedMails(const DrawerFiles& drawer, int count) : drawer(drawer), count(count) {}
  std::optional<MailToAppend> Next() override {
    lengthsSeen.push_back(platform::FileSize(drawer.mailPath));
    if (next == count) return std::nullopt;
    const std::string header = NumberedHeader(next);
    MailToAppend mail{{}, header + NumberedBody(next, 64)};
    mail.record.SetText(MailField::Subject, "mail " + std::to_string(next++));
    mail.record.bodyStart = static_cast<uint32_t>(header.size());
    mail.record.bodyLength = static_cast<uint32_t>(mail.text.size() - header.size());
    return mail;
  }
  DrawerFiles drawer;
  int count;
  int next = 0;
  std::vector<int64_t> lengthsSeen;
};

class DrawerImportTest : public NumberedDrawerTest {};

TEST_F(DrawerImportTest, EachMailIsInTheDrawerBeforeTheNextIsCut) {
  Numbered(1);
  const int64_t length = static_cast<int64_t>(NumberedHeader(0).size() + NumberedBody(0, 64).size());
  NumberedMails mails(Drawer(), 3);
  EXPECT_TRUE(ImportMails(Drawer(), mails).Ok());
  EXPECT_EQ(mails.lengthsSeen, (std::vector<int64_t>{length, 2 * length, 3 * length, 4 * length}));
  EXPECT_EQ(MailNumbers(), (std::vector<int>{0, 0, 1, 2}));
}

}  // namespace
