// An import as one store call: the mails of a stream are appended as they
// are cut, and however the stream ends, the mails before its end stay.

#include "browser/store/DrawerImport.h"

#include "platform/base/Exception.h"
#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

// Numbered mails as a cutter gives them, noting before each how long the
// drawer's MailFile is; after count mails it ends as told.
class NumberedMails : public MailStream {
 public:
  enum class End { Normally, WithAStop, WithAThrow };
  NumberedMails(const DrawerFiles& drawer, int count, End end) : m_drawer(drawer), m_count(count), m_end(end) {}

  std::optional<MailToAppend> Next() override {
    lengthsSeen.push_back(platform::FileSize(m_drawer.mailPath));
    if (m_next < m_count) return Numbered(m_next++);
    if (m_end == End::WithAThrow) throw Exception("cut short");
    return std::nullopt;
  }
  StoreResult Ended() const override { return m_end == End::WithAStop ? StoreResult{"stopped"} : StoreResult{}; }

  std::vector<int64_t> lengthsSeen;

 private:
  static MailToAppend Numbered(int n) {
    MailToAppend mail;
    const std::string header = NumberedHeader(n);
    mail.text = header + NumberedBody(n, 64);
    mail.record.SetText(MailField::Subject, "mail " + std::to_string(n));
    mail.record.bodyStart = static_cast<uint32_t>(header.size());
    mail.record.bodyLength = static_cast<uint32_t>(mail.text.size() - header.size());
    return mail;
  }

  DrawerFiles m_drawer;
  int m_count;
  End m_end;
  int m_next = 0;
};

class DrawerImportTest : public NumberedDrawerTest {};

TEST_F(DrawerImportTest, EachMailIsInTheDrawerBeforeTheNextIsCut) {
  Numbered(1);
  const int64_t mailLength = static_cast<int64_t>(NumberedHeader(0).size() + NumberedBody(0, 64).size());
  NumberedMails mails(Drawer(), 3, NumberedMails::End::Normally);
  EXPECT_TRUE(ImportMails(Drawer(), mails).Ok());
  EXPECT_EQ(mails.lengthsSeen, (std::vector<int64_t>{mailLength, 2 * mailLength, 3 * mailLength, 4 * mailLength}));
  EXPECT_EQ(MailNumbers(), (std::vector<int>{0, 0, 1, 2}));
}

TEST_F(DrawerImportTest, AStopOrAThrowKeepsTheMailsBeforeIt) {
  Numbered(0);
  NumberedMails stopping(Drawer(), 2, NumberedMails::End::WithAStop);
  EXPECT_EQ(ImportMails(Drawer(), stopping).message, "stopped");
  NumberedMails throwing(Drawer(), 1, NumberedMails::End::WithAThrow);
  EXPECT_THROW(ImportMails(Drawer(), throwing), Exception);
  NumberedMails after(Drawer(), 1, NumberedMails::End::Normally);  // the lock is free again
  EXPECT_TRUE(ImportMails(Drawer(), after).Ok());
  EXPECT_EQ(MailNumbers(), (std::vector<int>{0, 1, 0, 0}));
}

}  // namespace
