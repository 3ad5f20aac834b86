// The header list: lookup and replacement of "Name: value" lines by name.

#include <gtest/gtest.h>

#include "transport/ZnExtstr.h"

namespace {

TExStringList Headers(std::initializer_list<const char*> lines) {
  TExStringList list;
  for (const char* line : lines) list.Add(line);
  return list;
}

TEST(IndexOfHeaderTest, FindsTheNameWhateverItsCase) {
  TExStringList list = Headers({"From: a<b@c>", "Subject: hello", "X-Mailer: m"});
  EXPECT_EQ(list.IndexOfHeader("subject"), 1);
  EXPECT_EQ(list.IndexOfHeader("X-MAILER"), 2);
}

TEST(IndexOfHeaderTest, ComparesTheWholeNameBeforeTheFirstColonOnly) {
  TExStringList list = Headers({"no colon here", "Subjects: x", "Reply-To: a:b", "Subject: y"});
  EXPECT_EQ(list.IndexOfHeader("Subject"), 3);
  EXPECT_EQ(list.IndexOfHeader("a"), -1);
  EXPECT_EQ(list.IndexOfHeader("no colon here"), -1);
}

TEST(IndexOfHeaderTest, GivesMinusOneForAnEmptyOrSortedListWithoutTheName) {
  EXPECT_EQ(TExStringList().IndexOfHeader("To"), -1);
  TExStringList sorted = Headers({"Date: d", "From: f", "Subject: s", "To: t"});
  sorted.SetSorted(true);
  EXPECT_EQ(sorted.IndexOfHeader("Reply-To"), -1);
}

TEST(IndexOfHeaderTest, BisectsASortedList) {
  TExStringList list = Headers({"To: t", "Cc: c", "Subject: s", "Date: d", "From: f"});
  list.SetSorted(true);  // Cc, Date, From, Subject, To
  EXPECT_EQ(list.IndexOfHeader("cc"), 0);
  EXPECT_EQ(list.IndexOfHeader("From"), 2);
  EXPECT_EQ(list.IndexOfHeader("to"), 4);
}

TEST(SetHeaderTest, ReplacesAPresentHeaderInPlace) {
  TExStringList list = Headers({"From: f", "Subject: old", "To: t"});
  list.SetHeader("subject", "new");
  EXPECT_EQ(list.Text(), "From: f\r\nsubject: new\r\nTo: t\r\n");
}

TEST(SetHeaderTest, AppendsAnAbsentHeader) {
  TExStringList list = Headers({"From: f"});
  list.SetHeader("X-Mailer", "Quillet-Mailer");
  EXPECT_EQ(list.Text(), "From: f\r\nX-Mailer: Quillet-Mailer\r\n");
}

TEST(SetHeaderTest, RemovesTheHeaderForAnEmptyValue) {
  TExStringList list = Headers({"From: f", "Subject: s", "To: t"});
  list.SetHeader("Subject", "");
  list.SetHeader("Date", "");
  EXPECT_EQ(list.Text(), "From: f\r\nTo: t\r\n");
}

TEST(SetHeaderTest, KeepsASortedListInOrder) {
  TExStringList list = Headers({"From: f", "To: t"});
  list.SetSorted(true);
  list.SetHeader("To", "a");
  list.SetHeader("Date", "d");
  EXPECT_EQ(list.Text(), "Date: d\r\nFrom: f\r\nTo: a\r\n");
}

}  // namespace
