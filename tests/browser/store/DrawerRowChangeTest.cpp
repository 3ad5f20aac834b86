// New, rename and delete of an own drawer stopped at every step, by a power
// cut (only what was synced survives) or a kill (everything written stays):
// once the next command has run, every row of the DrawerNameFile has its
// files, no file is left that no row names, and every mail is there once.

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>

#include "browser/store/DrawerNameFile.h"
#include "browser/store/DrawerRowChange.h"
#include "platform/files/FaultInjection.h"
#include "tests/browser/store/NumberedDrawerTest.h"

namespace {

class DrawerRowChangeTest : public NumberedDrawerTest {
 protected:
  DrawerNameFile Names() const {
    const std::string program = platform::ProgramPath(ExeDir());
    return {program + "\\dorvndwl.cfg", program, {"ひみつ日記", "ペットメール"}};
  }
  DrawerFiles Own(const std::string& name) const { return DrawerOf(true, 10, name); }
  size_t OwnFiles() const {
    const auto entries = std::filesystem::directory_iterator(platform::NativePath(Own("仕事").folder));
    return std::distance(begin(entries), end(entries));
  }
  std::vector<std::string> SavedNames() const { return ReadDrawerNameFile(Names().path).names; }
  void WriteBook() {
    std::filesystem::remove_all(platform::NativePath(Own("仕事").folder));
    platform::DeleteFile(Names().path);
    ASSERT_TRUE(SaveDrawerNameFile(Names().path, {"仕事", "家族"}).Ok());
    Numbered(Own("仕事"), 0, 3);
  }
  // The mails of every listed row; a file of the own folder that no row
  // names fails the test.
  std::multiset<int> MailsOfTheRows(const std::string& at) {
    std::set<std::string> named;
    std::multiset<int> mails;
    for (const std::string& name : SavedNames()) {
      const DrawerFiles files = Own(name);
      named.insert({platform::NativePath(files.listPath), platform::NativePath(files.mailPath)});
      if (DrawerHoldsMails(files))
        for (int n : MailNumbers(files)) mails.insert(n);
    }
    for (const auto& entry : std::filesystem::directory_iterator(platform::NativePath(Own("仕事").folder)))
      EXPECT_TRUE(named.contains(entry.path().string())) << entry.path() << " after " << at;
    return mails;
  }

  struct Command {
    const char* name;
    std::function<StoreResult()> run;
    std::vector<std::string> after;  // the names once it is done
    std::multiset<int> mailsAfter;
  };
  std::vector<Command> Commands() {
    const DrawerNameFile names = Names();
    return {
        {"新規", [names] { return AddOwnDrawer(names, "趣味").result; }, {"仕事", "家族", "趣味"}, {0, 1, 2}},
        {"引出し名変更",
         [this, names] { return RenameOwnDrawer(names, "仕事", "改名", Own("仕事"), Own("改名")).result; },
         {"家族", "改名"}, {0, 1, 2}},
        {"引出し削除 with mails",
         [this, names] {
           const DrawerFiles files = Own("仕事");
           return DeleteOwnDrawer(names, "仕事", &files).result;
         },
         {"家族"}, {}},
        {"引出し削除 without mails",
         [this, names] {
           const DrawerFiles files = Own("家族");
           return DeleteOwnDrawer(names, "家族", &files).result;
         },
         {"仕事"}, {0, 1, 2}},
    };
  }
  // What the command left, once the window has read the rows again, and once
  // the old drawer is made anew: the names as before, with the mails, or as
  // after; a command that reported success is done.
  void ExpectAgreed(const Command& command, bool succeeded, const std::string& at) {
    LoadOwnDrawerNames(Names());
    const std::vector<std::string> left = SavedNames();
    const std::vector<std::string> before{"仕事", "家族"};
    const bool done = left == command.after;
    EXPECT_TRUE(done || left == before) << at;
    EXPECT_TRUE(done || !succeeded) << at;
    const std::multiset<int> mails = done ? command.mailsAfter : std::multiset<int>{0, 1, 2};
    EXPECT_EQ(MailsOfTheRows(at), mails) << at;
    ASSERT_TRUE(AddOwnDrawer(Names(), "仕事").result.Ok()) << at;
    EXPECT_EQ(MailsOfTheRows(at + ", the old name made anew"), mails) << at;
  }
};

TEST_F(DrawerRowChangeTest, APowerCutAtAnyStepLeavesTheRowsAndTheirFilesAgreeing) {
  for (const Command& command : Commands()) {
    int step = 1;
    for (bool cut = true; cut; ++step) {
      WriteBook();
      StoreResult result;
      {
        platform::FaultInjection faults;
        faults.CutPowerAt(step);
        result = command.run();
        cut = faults.PowerWasCut();
      }
      ASSERT_NO_FATAL_FAILURE(ExpectAgreed(command, result.Ok(), command.name + (", cut at step " + std::to_string(step))));
    }
    EXPECT_GT(step, 2) << command.name;
  }
}

TEST_F(DrawerRowChangeTest, AKillBeforeAnyStepLeavesTheRowsAndTheirFilesAgreeing) {
  for (const Command& command : Commands()) {
    int step = 1;
    for (bool killed = true; killed; ++step) {
      WriteBook();
      const pid_t child = fork();
      if (child == 0) {
        platform::FaultInjection faults;
        faults.BeforeStep(step, [] { _exit(9); });
        _exit(command.run().Ok() ? 0 : 1);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      killed = WIFEXITED(status) && WEXITSTATUS(status) == 9;
      ASSERT_NO_FATAL_FAILURE(ExpectAgreed(command, !killed && WEXITSTATUS(status) == 0,
                                           command.name + (", killed before step " + std::to_string(step))));
    }
    EXPECT_GT(step, 2) << command.name;
  }
}

// The name file cannot be replaced (its sync fails): the rename and the
// delete change nothing, and the copies made on the way go.
TEST_F(DrawerRowChangeTest, AFailedNameSaveChangesNothing) {
  for (const Command& command : Commands()) {
    if (std::string(command.name) == "新規") continue;
    WriteBook();
    const DrawerBuilder before = Numbered(Own("仕事"), 0, 3);
    const int saveSync = std::string(command.name) == "引出し名変更" ? 4 : 2;  // after the journal and the copies
    StoreResult result;
    {
      platform::FaultInjection faults;
      faults.FailSyncAt(std::string(command.name) == "引出し削除 without mails" ? 1 : saveSync);
      result = command.run();
    }
    EXPECT_EQ(result.failure, StoreFailure::CannotCreateFile) << command.name;
    EXPECT_EQ(SavedNames(), (std::vector<std::string>{"仕事", "家族"})) << command.name;
    ExpectUntouched(before, Own("仕事"));
    EXPECT_EQ(OwnFiles(), 2u) << command.name;
    EXPECT_FALSE(PathExists(Names().path + ".jnl")) << command.name;
  }
}

TEST_F(DrawerRowChangeTest, ARenamedDrawerHoldsTheSameBytesAndADrawerWithoutFilesIsNotRenamed) {
  WriteBook();
  const DrawerBuilder before = Numbered(Own("仕事"), 0, 3);
  const DrawerNameFile names = Names();
  EXPECT_EQ(RenameOwnDrawer(names, "家族", "改名", Own("家族"), Own("改名")).result.failure, StoreFailure::CopyFailed);
  platform::DeleteFile(Own("仕事").listPath);
  EXPECT_EQ(RenameOwnDrawer(names, "仕事", "改名", Own("仕事"), Own("改名")).result.failure, StoreFailure::CopyFailed);
  EXPECT_FALSE(PathExists(Own("改名").mailPath));
  before.Write(Own("仕事").listPath, Own("仕事").mailPath);
  ASSERT_TRUE(RenameOwnDrawer(names, "仕事", "改名", Own("仕事"), Own("改名")).result.Ok());
  ExpectUntouched(before, Own("改名"));
  EXPECT_EQ(SavedNames(), (std::vector<std::string>{"家族", "改名"}));
}

// A committed rewrite the delete finds pending is finished first, so that
// its new pair does not bring the drawer back.
TEST_F(DrawerRowChangeTest, ADeletedDrawerDoesNotComeBackFromAnUnfinishedRewrite) {
  WriteBook();
  const DrawerFiles files = Own("仕事");
  const DrawerListing listing = ReadDrawer(files);
  {
    platform::FaultInjection faults;
    faults.FailRename(1);
    ASSERT_FALSE(RewriteDrawer(files, listing, {listing.entries.begin() + 1, listing.entries.end()}).Ok());
  }
  ASSERT_TRUE(DeleteOwnDrawer(Names(), "仕事", &files).result.Ok());
  EXPECT_TRUE(std::filesystem::is_empty(platform::NativePath(files.folder)));
  EXPECT_FALSE(ReadDrawer(files).hasMails);
}

// Each command reads the file as it stands, whatever the window showed.
TEST_F(DrawerRowChangeTest, TheNameRulesHoldAgainstTheFileAsItStands) {
  struct Row {
    const char* what;
    std::vector<std::string> file;
    std::function<NamesChanged()> run;
    StoreFailure failure;
    std::vector<std::string> shown;  // the names the command returns
  };
  const DrawerNameFile names = Names();
  const Row rows[] = {
      {"a rename onto a name another window added", {"仕事", "家族", "改名"},
       [&] { return RenameOwnDrawer(names, "仕事", "改名", Own("仕事"), Own("改名")); }, StoreFailure::DrawerChanged,
       {"仕事", "家族", "改名"}},
      {"an add of a name there in other letters", {"仕事", "xa"}, [&] { return AddOwnDrawer(names, "XA"); },
       StoreFailure::None, {"仕事", "xa"}},
      {"a delete of a name already gone", {"家族"},
       [&] {
         const DrawerFiles files = Own("仕事");
         return DeleteOwnDrawer(names, "仕事", &files);
       },
       StoreFailure::DrawerChanged, {"家族"}},
      {"an add whose save fails", {"仕事"},
       [&] {
         platform::FaultInjection faults;
         faults.FailSyncAt(1);
         return AddOwnDrawer(names, "趣味");
       },
       StoreFailure::CannotCreateFile, {"仕事"}},
  };
  for (const Row& row : rows) {
    WriteBook();
    const DrawerBuilder other = Numbered(Own("改名"), 10, 2);
    const DrawerBuilder work = Numbered(Own("仕事"), 0, 3);
    ASSERT_TRUE(SaveDrawerNameFile(Names().path, row.file).Ok());
    const NamesChanged changed = row.run();
    EXPECT_EQ(changed.result.failure, row.failure) << row.what;
    EXPECT_EQ(changed.names, row.shown) << row.what;
    EXPECT_EQ(SavedNames(), row.file) << row.what;
    ExpectUntouched(other, Own("改名"));
    ExpectUntouched(work, Own("仕事"));
  }
}

}  // namespace
