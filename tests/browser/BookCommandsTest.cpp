// The backup command and the date sort of the mail list, through the window.

#include <filesystem>
#include <regex>

#include "platform/files/Files.h"
#include "platform/forms/ListBox.h"
#include "tests/browser/MainFormFixture.h"

namespace {

class BackupCommandTest : public MainFormTest {
 protected:
  // The names of the folders in the PostPet folder, but its two book folders.
  std::vector<std::string> BackupFolders() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PostPetDir())) {
      const std::string name = platform::ProgramPath(entry.path().filename().string());
      if (name != "受信フォルダ" && name != "送信フォルダ") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(BackupCommandTest, EachBookGoesIntoAFolderOfItsLetterAndTheTime) {
  WriteNumbered(true, "", 1, 2);
  WriteNumbered(false, "", 1, 1);
  Start();
  form->MLBoxBkup->Click();
  form->MBoxChange->Click();
  form->MLBoxBkup->Click();
  const std::vector<std::string> folders = BackupFolders();
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_TRUE(std::regex_match(folders[0], std::regex("R[01][0-9][0-3][0-9][0-2][0-9][0-5][0-9][0-5][0-9]")));
  EXPECT_TRUE(std::regex_match(folders[1], std::regex("S[0-9]{10}")));
  EXPECT_EQ(ReadBytes(PostPet() + "\\" + folders[1] + "\\送信メール.ppm"), ReadBytes(MailPath(false, "")));
  EXPECT_TRUE(LastMessages().empty());
}

TEST_F(BackupCommandTest, AFailureIsShownOnce) {
  Start();
  std::filesystem::remove_all(PostPetDir());
  form->MLBoxBkup->Click();
  EXPECT_EQ(LastMessages(), (std::vector<std::string>{"バックアップ失敗"}));
}

class DateSortCommandTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    WriteDrawerNameFile("dorvndwl.cfg", {"仕事"});
  }
  // A drawer of mails in mixed date forms, each Subject naming its date's order.
  void WriteMixedDrawer() {
    DrawerBuilder mails;
    const std::pair<const char*, const char*> dated[] = {
        {"3", "Tue, 07 December 1999 17:01:02"},  // Quillet's own form
        {"blank", "   "},
        {"1", "Sat, 1 Jan 00 00:00:00 +0000"},
        {"4", "Sat, 1 Jan 2000 09:00:00 +0900"},
        {"2", "Tue, 7 Dec 1999 08:30:00 +0900"},
    };
    for (const auto& [subject, date] : dated) {
      RecordFields fields;
      fields.from = "a@example.jp";
      fields.subject = subject;
      fields.date = date;
      mails.AddMail(std::string("Subject: ") + subject + "\r\n\r\n", std::string("body of ") + subject + "\r\n",
                    fields);
    }
    WriteDrawer(true, "仕事", mails);
  }
  std::map<std::string, std::string> TextsBySubject() const {
    std::map<std::string, std::string> texts;
    for (const StoredMail& mail : MailsIn(true, "仕事")) texts[mail.subject] = mail.text;
    return texts;
  }
};

TEST_F(DateSortCommandTest, BothDirectionsOrderTheFilesAndKeepEveryMailText) {
  WriteMixedDrawer();
  const auto texts = TextsBySubject();
  Start();
  OpenDrawer("仕事");
  form->MlSortDateUp->Click();
  EXPECT_EQ(SubjectsIn(true, "仕事"), (std::vector<std::string>{"1", "2", "3", "4", "blank"}));
  EXPECT_EQ(form->MailList->ItemIndex(), 4);
  form->MlSortDateDown->Click();
  EXPECT_EQ(SubjectsIn(true, "仕事"), (std::vector<std::string>{"4", "3", "2", "1", "blank"}));
  EXPECT_EQ(TextsBySubject(), texts);
  // Another drawer and back: the order is the files'.
  OpenDrawer("受信簿");
  OpenDrawer("仕事");
  EXPECT_EQ(form->MailList->Items->Strings(0).substr(0, 12), "a@example.jp");
  EXPECT_EQ(form->MailList->Items->Count(), 5);
  EXPECT_NE(form->MailList->Items->Strings(0).find("Sat, 1 Jan 2000"), std::string::npos);
  EXPECT_TRUE(LastMessages().empty());
}

TEST_F(DateSortCommandTest, SortingADrawerWithoutMailsLeavesItsTwoFilesEmpty) {
  Start();
  OpenDrawer("仕事");
  form->MlSortDateUp->Click();
  EXPECT_TRUE(platform::FileExists(ListPath(true, "仕事")));
  EXPECT_EQ(platform::FileSize(ListPath(true, "仕事")), 0);
  EXPECT_EQ(platform::FileSize(MailPath(true, "仕事")), 0);
  EXPECT_EQ(form->MailList->Items->Count(), 0);
}

}  // namespace
