// marrowkit-demo: builds a small PostPet folder with Japanese mails so that
// Dorvane and Quillet can be tried without PostPet.
//
//   marrowkit-demo [--if-unset] [folder]
//
// The folder defaults to "demo-postpet" in the program folder. With
// --if-unset nothing happens when PPPATH is already set. PPPATH is pointed at
// the folder afterwards. Mails are only added to drawers that are empty, so
// running it twice does not duplicate them.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "browser/store/DrawerPaths.h"
#include "browser/store/DrawerRewrite.h"
#include "browser/store/ListRecord.h"
#include "browser/store/SettingsKey.h"
#include "platform/base/Format.h"
#include "platform/files/Files.h"

namespace {

struct DemoMail {
  const char* from;
  const char* to;
  const char* subject;
  const char* date;
  const char* body;
};

struct DemoDrawer {
  bool isReceiveBook;
  int row;
  const char* name;
  std::vector<DemoMail> mails;
};

const std::vector<DemoDrawer>& DemoDrawers() {
  static const std::vector<DemoDrawer> drawers{
      {true, 0, "", {
          {"hanako@example.jp", "taro@example.jp", "お花見のご案内",
           "Sat, 01 Apr 2000 09:12:30 +0900",
           "太郎さん\r\n\r\n今週の土曜日、公園でお花見をします。\r\nお弁当を持って来てください。\r\n\r\n花子\r\n"},
          {"momo@example.ne.jp", "taro@example.jp", "モモからのおたより",
           "Sun, 02 Apr 2000 18:40:05 +0900",
           "こんにちは。\r\nきょうはおさんぽに行きました。\r\nまたあそびに来てね。\r\n"},
          {"info@example.co.jp", "taro@example.jp", "【お知らせ】会員情報の更新について",
           "Mon, 03 Apr 2000 10:00:00 +0900",
           "いつもご利用ありがとうございます。\r\n会員情報の更新をお願いいたします。\r\n"},
          {"jiro@example.jp", "taro@example.jp", "Re: 来週の打ち合わせ",
           "Tue, 04 Apr 2000 21:15:44 +0900",
           "了解です。\r\n火曜日の午後二時でお願いします。\r\n\r\n> 来週の打ち合わせはいつにしましょうか。\r\n"},
          {"sakura@example.ne.jp", "taro@example.jp", "写真を送ります",
           "Wed, 05 Apr 2000 07:30:12 +0900",
           "この前の旅行の写真です。\r\n表紙の写真がよく撮れました。\r\n"},
      }},
      {true, 1, "黄色の引出し", {
          {"hanako@example.jp", "taro@example.jp", "旅行の予定表",
           "Thu, 16 Mar 2000 12:00:00 +0900", "京都二泊三日の予定表です。\r\n一日目：清水寺\r\n"},
          {"hanako@example.jp", "taro@example.jp", "おみやげリスト",
           "Fri, 17 Mar 2000 22:05:00 +0900", "八つ橋、お茶、ソフトクリーム。\r\n"},
      }},
      {true, 10, "ひみつ日記", {
          {"taro@example.jp", "taro@example.jp", "四月一日の日記",
           "Sat, 01 Apr 2000 23:59:00 +0900", "きょうは晴れ。桜がきれいだった。\r\n"},
      }},
      {false, 0, "", {
          {"taro@example.jp", "hanako@example.jp", "Re: お花見のご案内",
           "Sat, 01 Apr 2000 12:34:56 +0900", "花子さん\r\n\r\n喜んで参加します。\r\n\r\n太郎\r\n"},
          {"taro@example.jp", "jiro@example.jp", "来週の打ち合わせ",
           "Mon, 03 Apr 2000 19:20:00 +0900", "来週の打ち合わせはいつにしましょうか。\r\n"},
      }},
  };
  return drawers;
}

std::string HeaderOf(const DemoMail& mail) {
  return Format("From: %s\r\nTo: %s\r\nSubject: %s\r\nDate: %s\r\n\r\n", mail.from, mail.to,
                mail.subject, mail.date);
}

MailEntry EntryOf(const DemoMail& mail, int number) {
  MailEntry entry;
  const std::string header = HeaderOf(mail);
  entry.bodyStart = static_cast<uint32_t>(header.size());
  entry.bodyLength = static_cast<uint32_t>(std::string_view(mail.body).size());
  entry.reserved = 65;
  entry.SetText(MailField::From, mail.from);
  entry.SetText(MailField::To, mail.to);
  entry.SetText(MailField::Subject, mail.subject);
  entry.SetText(MailField::Date, mail.date);
  entry.SetText(MailField::Id, Format("4535625330.%07d", number));
  return entry;
}

// Fills one drawer when it has no mails yet. False when its files cannot be written.
bool FillDrawer(const BookPlace& book, const DemoDrawer& drawer, int& number) {
  std::optional<DrawerFiles> files = GetDrawerFiles(book, drawer.row, drawer.name);
  if (!files) return false;
  platform::CreateDir(files->folder);
  if (platform::FileSize(files->listPath) > 0) return true;
  return AppendMails(*files, [&](const AppendOne& append) {
           for (const DemoMail& mail : drawer.mails) {
             const StoreResult appended = append(EntryOf(mail, ++number), HeaderOf(mail) + mail.body);
             if (!appended.Ok()) return appended;
           }
           return StoreResult{};
         }).Ok();
}

bool BuildDemoFolder(const std::string& ppPath, const std::string& exeDir) {
  platform::CreateDir(ppPath);
  int number = 0;
  for (const DemoDrawer& drawer : DemoDrawers()) {
    const BookPlace book{ppPath, exeDir, drawer.isReceiveBook, FixedDrawerCount(drawer.isReceiveBook)};
    if (!FillDrawer(book, drawer, number)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool ifUnset = false;
  std::string ppPath;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--if-unset") {
      ifUnset = true;
    } else if (arg.starts_with("-")) {
      std::fprintf(stderr, "usage: marrowkit-demo [--if-unset] [folder]\n");
      return 2;
    } else {
      ppPath = platform::ProgramPath(arg);
    }
  }
  if (ifUnset && !SettingsKey().Read(Setting::PostPetFolder).empty()) return 0;
  const std::string exeDir = platform::ExeDir();
  if (ppPath.empty()) ppPath = exeDir + "\\demo-postpet";
  if (!BuildDemoFolder(ppPath, exeDir)) {
    std::fprintf(stderr, "marrowkit-demo: cannot write the demo PostPet folder %s\n",
                 platform::NativePath(ppPath).c_str());
    return 1;
  }
  SettingsKey().Write(Setting::PostPetFolder, platform::DesktopPath(ppPath));
  std::printf("PostPet folder: %s\n", platform::NativePath(ppPath).c_str());
  return 0;
}
