#include "browser/SortRun.h"

#include <algorithm>

#include "browser/MailAddress.h"
#include "browser/SortRules.h"
#include "browser/store/DrawerNameFile.h"
#include "browser/store/DrawerRewrite.h"
#include "browser/store/ListFile.h"
#include "platform/text/ShiftJis.h"

namespace {

std::string BookFolderName(bool isReceiveBook) { return isReceiveBook ? "受信フォルダ" : "送信フォルダ"; }


// The rule tables of one run: the files' rules, then the ones learned. The
// send book has no Subject rules: its table has no file and stays empty.
struct RuleTable {
  std::string path;
  std::vector<SortRule> rules;

  RuleTable() = default;
  explicit RuleTable(std::string filePath) : path(std::move(filePath)), rules(ReadSortRuleFile(path)) {}
  void Learn(SortRule rule) {
    // Past the file's limit a rule serves this run only.
    if (rules.size() < kMaxStoredRules) (void)AppendSortRule(path, rule);
    rules.push_back(std::move(rule));
  }
};

class SortRun {
 public:
  SortRun(SortBook& book, SortQuestions& questions)
      : m_book(book),
        m_questions(questions),
        m_addressRules(RulePath(book.place.isReceiveBook ? kAddressRuleFileName : kSendRuleFileName)),
        m_subjectRules(book.place.isReceiveBook ? RuleTable(RulePath(kSubjectRuleFileName)) : RuleTable()) {}

  Destination Place(const MailEntry& mail, std::string_view header) {
    m_questions.BetweenMails();
    const std::optional<std::string> name = TargetName(mail, header);
    if (!name) return Destination::Stay();
    const std::optional<int> row = RowOf(*name);
    if (!row) return Destination::StopWith(m_saveFailure);
    if (*row == m_book.openRow) return Destination::Stay();
    std::optional<DrawerFiles> files = GetDrawerFiles(m_book.place, *row, m_book.rows[*row]);
    if (!files) return Destination::StopWith({StoreFailure::CannotOpenMailFile});
    return Destination::To(std::move(*files));
  }

 private:
  std::string RulePath(const char* fileName) const { return m_book.place.exeDir + "\\" + fileName; }

  std::optional<std::string> TargetName(const MailEntry& mail, std::string_view header) {
    if (!m_book.place.isReceiveBook) return AddressTarget(mail, mail.Text(MailField::To));
    if (std::optional<std::string> marked = MarkerDrawer(header)) return marked;
    const std::string address = ExtractAddress(mail.Text(MailField::From));
    const SortRule* byAddress = FindAddressRule(m_addressRules.rules, address);
    const SortRule* bySubject = FindSubjectRule(m_subjectRules.rules, mail.Text(MailField::Subject));
    if (bySubject && byAddress) {
      return m_questions.PreferSubjectRule(mail, *byAddress, *bySubject) ? bySubject->drawer
                                                                        : byAddress->drawer;
    }
    if (bySubject) return bySubject->drawer;
    if (byAddress) return byAddress->drawer;
    return Learn(mail, address);
  }

  std::optional<std::string> AddressTarget(const MailEntry& mail, std::string_view to) {
    if (const SortRule* rule = FindAddressRule(m_addressRules.rules, to)) return rule->drawer;
    return Learn(mail, to);
  }

  // A dialog closed without a usable name learns nothing: the mail stays.
  std::optional<std::string> Learn(const MailEntry& mail, std::string_view address) {
    LearnedRule learned = m_questions.AskForRule(mail, address);
    if (learned.drawer.empty() || !IsValidDrawerName(learned.drawer)) return std::nullopt;
    if (learned.kind == LearnedRule::Kind::Subject && m_book.place.isReceiveBook)
      m_subjectRules.Learn({std::move(learned.subjectKey), learned.drawer});
    else
      m_addressRules.Learn({std::string(address), learned.drawer});
    return learned.drawer;
  }

  // The row named name (ignoring case), added as a new own drawer when none
  // is; none when the name cannot be added to the book's DrawerNameFile.
  std::optional<int> RowOf(const std::string& name) {
    const auto found = std::find_if(m_book.rows.begin(), m_book.rows.end(), [&](const std::string& row) {
      return platform::SameTextIgnoreCase(row, name);
    });
    if (found != m_book.rows.end()) return static_cast<int>(found - m_book.rows.begin());
    const NamesChanged added = AddOwnDrawer(DrawerNameFileOf(m_book.place), name);
    if (!added.result.Ok()) {
      m_saveFailure = added.result;
      return std::nullopt;
    }
    m_book.rows.push_back(name);
    m_questions.DrawerAdded(name);
    return static_cast<int>(m_book.rows.size()) - 1;
  }

  SortBook& m_book;
  SortQuestions& m_questions;
  RuleTable m_addressRules;
  RuleTable m_subjectRules;
  StoreResult m_saveFailure;
};

// A copy must not replace the file of another row of the book.
bool CopiesHitAnotherRow(const SortBook& book, const DrawerFiles& copies) {
  for (int row = 0; row < static_cast<int>(book.rows.size()); ++row) {
    if (row == book.openRow) continue;
    const std::optional<DrawerFiles> files = GetDrawerFiles(book.place, row, book.rows[row]);
    if (!files) continue;
    for (const std::string& path : {files->listPath, files->mailPath}) {
      if (path == copies.listPath || path == copies.mailPath) return true;
    }
  }
  return false;
}

}  // namespace

DrawerFiles SortCopiesOf(const BookPlace& place, const DrawerFiles& drawer) {
  const std::string folder = place.exeDir + "\\" + BookFolderName(place.isReceiveBook);
  return {folder, folder + "\\copy" + FileNameOf(drawer.listPath), folder + "\\copy" + FileNameOf(drawer.mailPath), {},
          true, std::nullopt};
}

StoreResult SortDrawer(SortBook& book, const DrawerListing& loaded, SortQuestions& questions) {
  const std::optional<DrawerFiles> drawer = GetDrawerFiles(book.place, book.openRow, book.rows[book.openRow]);
  if (!drawer) return {StoreFailure::CannotOpenListFile};
  const DrawerFiles copies = SortCopiesOf(book.place, *drawer);
  if (CopiesHitAnotherRow(book, copies)) return {StoreFailure::BackupFailed};
  SortRun run(book, questions);
  return DistributeMails(*drawer, loaded, &copies,
                         [&run](const MailEntry& mail, std::string_view header) { return run.Place(mail, header); });
}
