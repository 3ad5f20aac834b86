#pragma once
// The sorting run's questions, answered by its two dialogs: TSelectDlg for a
// mail that matches an address and a Subject rule, TSetASDlg for a mail no
// rule matches. Each dialog is made for one mail, owned by the main window,
// and destroyed before the next; repaints run between mails.

#include "browser/SortRun.h"

class TMainForm;

class SortDialogs : public SortQuestions {
 public:
  enum class Book { Receive, Send };
  SortDialogs(TMainForm& form, Book book) : m_form(form), m_book(book) {}

  bool PreferSubjectRule(const MailEntry& mail, const SortRule& addressRule,
                         const SortRule& subjectRule) override;
  LearnedRule AskForRule(const MailEntry& mail, std::string_view address) override;
  void DrawerAdded(std::string_view name) override;
  void BetweenMails() override;

 private:
  TMainForm& m_form;
  Book m_book;
};
