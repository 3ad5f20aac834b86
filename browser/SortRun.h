#pragma once
// One run of automatic sorting (仕分け) over the open drawer: the rules are
// loaded and every mail's drawer chosen; then one store call copies the
// drawer's files aside and moves every mail to the drawer its rule names,
// keeping the open drawer whole until its mails are safe elsewhere. Shows
// nothing itself: the questions go to a SortQuestions the window answers
// with its dialogs.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/SortRuleFile.h"
#include "browser/store/DrawerPaths.h"
#include "browser/store/StoreResult.h"

class DrawerListing;
class MailEntry;

// A rule the user gave for a mail no rule matched.
struct LearnedRule {
  enum class Kind { Address, Subject };
  Kind kind = Kind::Address;
  std::string subjectKey;  // Subject: the pattern as the user left it
  std::string drawer;      // "" when the dialog was closed without a name
};

class SortQuestions {
 public:
  virtual ~SortQuestions() = default;
  // A mail matches an address and a Subject rule: true takes the Subject rule's drawer.
  virtual bool PreferSubjectRule(const MailEntry& mail, const SortRule& addressRule,
                                 const SortRule& subjectRule) = 0;
  // A mail no rule matches; address is its extracted From address (receive
  // book) or its whole To field (send book).
  virtual LearnedRule AskForRule(const MailEntry& mail, std::string_view address) = 0;
  // The run added a drawer row; the list shows it now.
  virtual void DrawerAdded(std::string_view name) = 0;
  // Before each mail: the window repaints; the user cannot act.
  virtual void BetweenMails() = 0;
};

// The book as the run sees it. rows are the drawer list's texts and grow by
// the drawers the run creates, which are added to the book's DrawerNameFile.
struct SortBook {
  BookPlace place;
  std::vector<std::string> rows;
  int openRow = -1;
};

// Sorts the mails of loaded (the open row's drawer as loaded). The message
// of the stop, or success. "バックアップ失敗" with no mail moved when the
// copies would replace a file of another row (then before any question), or
// cannot be written (the rules and drawers the answers gave stay).
StoreResult SortDrawer(SortBook& book, const DrawerListing& loaded, SortQuestions& questions);

// The folder and file names of the copies a run leaves of the open drawer.
DrawerFiles SortCopiesOf(const BookPlace& place, const DrawerFiles& drawer);
