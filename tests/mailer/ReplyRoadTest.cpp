// The reply from end to end: Dorvane's hand-over starts a program beside it,
// whose argument, as it crossed the process boundary, opens Quillet's
// compose window with the recipient, the Subject and the quoted body.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "browser/ReplyHandOver.h"
#include "platform/files/Files.h"
#include "platform/forms/Memo.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"
#include "platform/process/Process.h"
#include "tests/mailer/QuilletFixture.h"

namespace {

class ReplyRoadTest : public QuilletFixture {};

TEST_F(ReplyRoadTest, RecipientSubjectAndQuotedBodyArriveIntact) {
  // Stands in for the program file only: it hands its argument on unchanged.
  const std::string noted = Root() + "/argument";
  WriteNative(ExeDir() + "/quillet",
              "#!/bin/sh\nprintf '%s' \"$1\" > '" + noted + ".part' && mv '" + noted + ".part' '" + noted + "'\n");
  std::filesystem::permissions(ExeDir() + "/quillet", std::filesystem::perms::owner_all);
  const ShownMail mail{{"お世話になります。", "", "ソフト表を送ります & ご確認を"}, "山田 太郎 <yamada@example.jp>",
                       "表計算ソフトの件 \"至急\""};
  ASSERT_EQ(StartReply(mail, platform::ProgramPath(ExeDir())), HandOver::Started);
  for (int wait = 0; wait < 500 && !std::filesystem::exists(noted); ++wait) usleep(10000);
  const std::string argv1 = ReadNative(noted);
  char* argv[] = {const_cast<char*>("quillet"), const_cast<char*>(argv1.c_str())};

  SetProgramArguments(platform::ProgramArguments(2, argv));
  auto form = std::make_unique<TMainForm>(nullptr);
  EXPECT_EQ(form->ToAddress->Text(), "yamada@example.jp");
  EXPECT_EQ(form->Subject->Text(), "Re.表計算ソフトの件 ”至急”");
  EXPECT_EQ(form->MailText->Lines->ToVector(),
            (std::vector<std::string>{">お世話になります。", ">", ">ソフト表を送ります & ご確認を"}));
  EXPECT_TRUE(form->Send->Enabled());
  EXPECT_TRUE(driver.MessageBoxes.empty());
  EXPECT_TRUE(std::filesystem::is_empty(TempDir()));  // Quillet took the file
}

}  // namespace
