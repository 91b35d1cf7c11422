#include <algorithm>

#include "tests/support/MainWindowTest.h"

using RenameTableTest = MainWindowTest;

TEST_F(RenameTableTest, OneSelectedTableGetsTheTypedNameAsTheServerHoldsIt) {
  createTables({"`alpha`", "`beta`", "`gamma`"});
  openOn(temp.path(), database_);
  const int opened = mysql->attempts;
  std::vector<int> pointers;  // while the messages and the input box are up
  dialogs().whileShown = [&](const auto&) { pointers.push_back(pointer()); };
  pressMain("Check6");
  click(List1, {"alpha", "alpha"});  // current, none selected
  pressMain("Check6");
  click(List1, {"alpha", "beta"});
  pressMain("Check6");
  const QString justOne = "Please select just one table to rename";
  EXPECT_EQ(dialogs().messages(), std::vector<QString>({"Please select a table", justOne, justOne}));
  click(List1, {"beta"});
  dialogs().replies.push_back(QString());  // Cancel
  pressMain("Check6");
  EXPECT_EQ(dialogs().shown.back().text, "Enter new name of alpha:");
  EXPECT_EQ(dialogs().shown.back().initial, "alpha");
  EXPECT_EQ(mysql->attempts, opened);
  EXPECT_TRUE(pointers.size() == 4 && std::count(pointers.begin(), pointers.end(), shell::kPointerHourglass) == 0);
  dialogs().whileShown = nullptr;

  // Typed case, a leading blank and a backtick are kept: this server does not fold names.
  dialogs().replies.push_back(QStringLiteral("New Name"));
  pressMain("Check6");
  click(List1, {"gamma"});
  dialogs().replies.push_back(QStringLiteral(" it`s"));
  pressMain("Check6");
  EXPECT_EQ(mysqlTables(), Names({" it`s", "beta", "New Name"}));
  EXPECT_EQ(entries(List1), mysqlTables());
  EXPECT_TRUE(entries(List1, true).empty());

  // A name that is taken: the server refuses, the list stays as it was.
  click(List1, {"beta"});
  dialogs().replies.push_back(QStringLiteral("New Name"));
  pressMain("Check6");
  EXPECT_TRUE(lastMessage().startsWith("Run-time error '1050':")) << lastMessage().toStdString();
  EXPECT_EQ(entries(List1), Names({" it`s", "beta", "New Name"}));
  EXPECT_EQ(entries(List1, true), Names({"beta"}));
  EXPECT_EQ(pointer(), shell::kPointerDefault);
}
