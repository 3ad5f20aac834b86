#pragma once
// Questions of a sorting run that no one answers: runs whose rules cover
// every mail (the kill test, the benchmark).

#include "browser/SortRun.h"
#include "browser/store/ListRecord.h"

class NoQuestions : public SortQuestions {
 public:
  bool PreferSubjectRule(const MailEntry&, const SortRule&, const SortRule&) override { return false; }
  LearnedRule AskForRule(const MailEntry&, std::string_view) override { return {}; }
  void DrawerAdded(std::string_view) override {}
  void BetweenMails() override {}
};
