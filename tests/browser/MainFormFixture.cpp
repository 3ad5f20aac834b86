#include "tests/browser/MainFormFixture.h"

#include "browser/store/SettingsKey.h"
#include "platform/files/Files.h"
#include "platform/forms/Memo.h"
#include "platform/strings/StringList.h"

void MainFormTest::SetUp() {
  SandboxTest::SetUp();
  driver = std::make_unique<TestModalDriver>();
  SettingsKey().Write(Setting::PostPetFolder, PostPet());
}

void MainFormTest::TearDown() {
  form.reset();
  driver.reset();
  SandboxTest::TearDown();
}

std::string MainFormTest::PostPet() const { return platform::ProgramPath(PostPetDir()); }

std::string MainFormTest::Program() const { return platform::ProgramPath(ExeDir()); }

namespace {

bool IsPostPetDrawer(bool receiveBook, const std::string& drawer) {
  const std::vector<std::string> fixed = FixedDrawerNames(receiveBook);
  return drawer.empty() || std::find(fixed.begin(), fixed.end(), drawer) != fixed.end();
}

std::string BookFolderUnder(const std::string& base, bool receiveBook) {
  return base + (receiveBook ? "\\受信フォルダ" : "\\送信フォルダ");
}

}  // namespace

std::string MainFormTest::ListPath(bool receiveBook, const std::string& drawer) const {
  const std::string folder = BookFolderUnder(IsPostPetDrawer(receiveBook, drawer) ? PostPet() : Program(),
                                        receiveBook);
  if (drawer.empty()) return folder + (receiveBook ? "\\受信リスト.ppl" : "\\送信リスト.ppl");
  return folder + "\\" + drawer + "リスト.ppl";
}

std::string MainFormTest::MailPath(bool receiveBook, const std::string& drawer) const {
  const std::string folder = BookFolderUnder(IsPostPetDrawer(receiveBook, drawer) ? PostPet() : Program(),
                                        receiveBook);
  if (drawer.empty()) return folder + (receiveBook ? "\\受信メール.ppm" : "\\送信メール.ppm");
  return folder + "\\" + drawer + ".ppm";
}

void MainFormTest::WriteDrawer(bool receiveBook, const std::string& drawer,
                               const DrawerBuilder& mails) const {
  mails.Write(ListPath(receiveBook, drawer), MailPath(receiveBook, drawer));
}

void MainFormTest::WriteNumbered(bool receiveBook, const std::string& drawer, int first,
                                 int count) const {
  DrawerBuilder mails;
  for (int n = first; n < first + count; ++n) mails.AddNumberedMail(n);
  WriteDrawer(receiveBook, drawer, mails);
}

std::vector<MainFormTest::StoredMail> MainFormTest::MailsIn(bool receiveBook,
                                                           const std::string& drawer) const {
  // Each record: head, five words, then From, To, Cc, Subject as NUL-ended strings.
  const std::string bytes = ReadBytes(ListPath(receiveBook, drawer));
  const std::string mail = ReadBytes(MailPath(receiveBook, drawer));
  std::vector<StoredMail> mails;
  size_t pos = 0;
  while (pos + 24 <= bytes.size()) {
    const bool shortForm = bytes.compare(pos, 4, "SsS0") == 0;
    const uint32_t mailStart = GetLe32(bytes, pos + 8);
    const uint32_t bodyEnd = GetLe32(bytes, pos + 12) + GetLe32(bytes, pos + 16);
    size_t field = pos + 24;
    std::string texts[5];
    for (std::string& text : texts) {
      const size_t end = bytes.find('\0', field);
      text = bytes.substr(field, end - field);
      field = end + 1;
    }
    mails.push_back({texts[3], mailStart < mail.size() ? mail.substr(mailStart, bodyEnd - mailStart) : ""});
    size_t next = field + 1;  // status
    if (!shortForm) {
      next += 1 + static_cast<unsigned char>(bytes[next]);  // id
      int names = static_cast<unsigned char>(bytes[next++]);
      while (names-- > 0) next = bytes.find('\0', next) + 1;
    }
    pos = next + 4;  // trailer
  }
  return mails;
}

std::vector<std::string> MainFormTest::SubjectsIn(bool receiveBook, const std::string& drawer) const {
  std::vector<std::string> subjects;
  for (const StoredMail& mail : MailsIn(receiveBook, drawer)) subjects.push_back(mail.subject);
  return subjects;
}

void MainFormTest::WriteDrawerNameFile(const std::string& file,
                                       const std::vector<std::string>& names) const {
  std::string text;
  for (const std::string& name : names) text += name + "\r\n";
  WriteBytes(Program() + "\\" + file, text);
}

TMainForm& MainFormTest::Start() {
  form = std::make_unique<TMainForm>(nullptr);
  form->Show();
  return *form;
}

int MainFormTest::RowOf(const std::string& drawer) const {
  return form->DrawerList->Items->IndexOf(drawer);
}

void MainFormTest::OpenDrawer(const std::string& drawer) {
  form->DrawerList->SetItemIndex(RowOf(drawer));
  form->DrawerListClick(form->DrawerList);
}

std::vector<std::string> MainFormTest::DrawerRows() const {
  return form->DrawerList->Items->ToVector();
}

std::vector<std::string> MainFormTest::LastMessages() const {
  std::vector<std::string> texts;
  for (const auto& call : driver->MessageBoxes) texts.push_back(call.Text);
  return texts;
}

void MainFormTest::SelectMails(const std::vector<int>& rows) {
  form->MailList->ClearSelection();
  for (int row : rows) form->MailList->SetSelected(row, true);
}

TPoint MainFormTest::MailRowPoint(int row) const {
  const TRect rect = form->MailList->ItemRect(row);
  return TPoint{rect.Left + 5, rect.Top + rect.Height() / 2};
}

TPoint MainFormTest::DrawerRowPoint(int row) const {
  const TRect rect = form->DrawerList->ItemRect(row);
  return TPoint{rect.Left + 5, rect.Top + rect.Height() / 2};
}

// The class library's order of events: press, drag-over, drop, end of drag.
void MainFormTest::DragMail(int from, int to) {
  const TPoint press = from >= 0 ? MailRowPoint(from) : TPoint{5, form->MailList->ClientHeight() - 2};
  form->MailListMouseDown(form->MailList, mbLeft, 0, press.x, press.y);
  const TPoint drop = DrawerRowPoint(to);
  bool accept = false;
  form->DrawerListDragOver(form->DrawerList, form->MailList, drop.x, drop.y, dsDragMove, accept);
  if (accept) form->DrawerListDragDrop(form->DrawerList, form->MailList, drop.x, drop.y);
  form->MailListEndDrag(form->MailList, accept ? form->DrawerList : nullptr, drop.x, drop.y);
}
