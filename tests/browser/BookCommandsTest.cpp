// The backup command and the date sort of the mail list, through the window.

#include <filesystem>
#include <regex>

#include "platform/files/Files.h"
#include "platform/forms/ListBox.h"
#include "tests/browser/MainFormFixture.h"

namespace {

using BookCommandsTest = MainFormTest;

TEST_F(BookCommandsTest, EachBookIsBackedUpIntoAFolderOfItsLetterAndTheTime) {
  Start();
  form->MLBoxBkup->Click();
  form->MBoxChange->Click();
  form->MLBoxBkup->Click();
  std::string folders;
  for (const auto& entry : std::filesystem::directory_iterator(PostPetDir()))
    folders += entry.path().filename().string() + " ";
  EXPECT_TRUE(std::regex_search(folders, std::regex("R[01]\\d[0-3]\\d[0-2]\\d[0-5]\\d[0-5]\\d ")));
  EXPECT_TRUE(std::regex_search(folders, std::regex("S\\d{10} ")));
  EXPECT_TRUE(LastMessages().empty());
}

TEST_F(BookCommandsTest, DateSortWritesBothOrdersAndKeepsEveryMailText) {
  WriteDrawerNameFile("dorvndwl.cfg", {"仕事"});
  DrawerBuilder mails;
  for (const auto& [subject, date] : {std::pair{"3", "Tue, 07 December 1999 17:01:02"}, {"blank", "   "},
                                      {"1", "Sat, 1 Jan 00 00:00:00 +0000"}, {"4", "Sat, 1 Jan 2000 09:00:00"},
                                      {"2", "Tue, 7 Dec 1999 08:30:00 +0900"}}) {
    RecordFields fields;
    fields.subject = subject;
    fields.date = date;
    mails.AddMail(std::string("Subject: ") + subject + "\r\n\r\n", std::string("body ") + subject, fields);
  }
  WriteDrawer(true, "仕事", mails);
  Start();
  OpenDrawer("仕事");
  form->MlSortDateUp->Click();
  EXPECT_EQ(SubjectsIn(true, "仕事"), (std::vector<std::string>{"1", "2", "3", "4", "blank"}));
  form->MlSortDateDown->Click();
  EXPECT_EQ(SubjectsIn(true, "仕事"), (std::vector<std::string>{"4", "3", "2", "1", "blank"}));
  for (const StoredMail& mail : MailsIn(true, "仕事"))
    EXPECT_EQ(mail.text, "Subject: " + mail.subject + "\r\n\r\nbody " + mail.subject);
  OpenDrawer("受信簿");
  OpenDrawer("仕事");  // the order lasts: it is the files'
  EXPECT_NE(form->MailList->Items->Strings(0).find("Sat, 1 Jan 2000"), std::string::npos);
  EXPECT_EQ(form->MailList->ItemIndex(), 4);
}

}  // namespace
