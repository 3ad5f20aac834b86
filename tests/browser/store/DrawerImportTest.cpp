// An import as one store call: the mails of a stream are appended as they
// are cut, each in the drawer before the next is asked for.

#include "browser/store/DrawerImport.h"

#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

// Numbered mails as a cutter gives them, noting before each how long the
// drawer's MailFile is.
class NumberedMails : public MailStream {
 public:
  NumberedMails(const DrawerFiles& drawer, int count) : m_drawer(drawer), m_count(count) {}
  std::optional<MailToAppend> Next() override {
    lengthsSeen.push_back(platform::FileSize(m_drawer.mailPath));
    if (m_next == m_count) return std::nullopt;
    MailToAppend mail;
    const std::string header = NumberedHeader(m_next);
    mail.text = header + NumberedBody(m_next, 64);
    mail.record.SetText(MailField::Subject, "mail " + std::to_string(m_next++));
    mail.record.bodyStart = static_cast<uint32_t>(header.size());
    mail.record.bodyLength = static_cast<uint32_t>(mail.text.size() - header.size());
    return mail;
  }
  std::vector<int64_t> lengthsSeen;

 private:
  DrawerFiles m_drawer;
  int m_count;
  int m_next = 0;
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
