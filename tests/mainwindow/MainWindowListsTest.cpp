// The main window offscreen on a scratch database and a folder: its lists and the buttons that
// select, refill, delete and rename.
#include <QScreen>
#include <algorithm>

#include "shell/Command.h"
#include "shell/FormLook.h"
#include "tests/container/Fixtures.h"
#include "tests/support/MainWindowTest.h"

namespace {

using Form2Test = MainWindowTest;
using DeleteTablesTest = MainWindowTest;
using RenameTableTest = MainWindowTest;
namespace fs = provider_test::fs;
using Statements = std::vector<std::string>;

TEST_F(Form2Test, SortedListsSelectAllDeselectAllAndRefillsFromTheNewSettingsWithoutCurrentEntry) {
  createTables({"`Orders`", "`customers`", "`expense details`", "`Zeta`"});
  sql("CREATE VIEW `alpha_view` AS SELECT 1 AS one");
  addFreeTables(temp.path() / "free", {"Orders.dbf", "customers.DBF", "expense details.dbf", "zeta.dbf"});
  std::ofstream(temp.path() / "free" / "notes.txt") << "not a table";
  openOn(temp.path() / "free", database_);
  EXPECT_TRUE(window->isVisible() && !setup->isVisible());
  EXPECT_EQ(window->windowTitle(), "Tavrel");
  EXPECT_EQ(window->frameGeometry().center(), window->screen()->geometry().center());
  EXPECT_TRUE(ProgressBar1->value() == 0 && ProgressBar1->palette().color(QPalette::Base) == QColor(Qt::white));
  EXPECT_FALSE(window->findChild<ButtonCheckBox*>("Check7")->isEnabled());
  auto* setupButton = window->findChild<ButtonCheckBox*>("Check2");
  EXPECT_EQ(setupButton->geometry(), TwipsRect(120, 4920, 7095, 375));
  EXPECT_TRUE(setupButton->shortcut().isEmpty());  // "&&" shows one ampersand and is no access key
  // The buttons show the hand, the rest of the window the arrow.
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  QTest::mouseMove(setupButton);
  EXPECT_EQ(pointer(), shell::kPointerCustom);
  QTest::mouseMove(window, QPoint(10, 10));
  EXPECT_EQ(pointer(), shell::kPointerDefault);
  EXPECT_EQ(entries(List1), Names({"alpha_view", "customers", "expense details", "Orders", "Zeta"}));
  EXPECT_EQ(entries(List2), Names({"customers", "expense details", "Orders", "zeta"}));

  // Select All without a current entry makes the first one current; with one, it stays.
  // Deselect All keeps the current entry. Neither touches the other list.
  click(List2, {"zeta"});
  pressMain("Check10");
  EXPECT_TRUE(entries(List1, true) == entries(List1) && List1->ListIndex() == 0);
  EXPECT_EQ(entries(List2, true), Names({"zeta"}));
  pressMain("Check8");
  EXPECT_TRUE(entries(List2, true) == entries(List2) && List2->ListIndex() == 3);
  pressMain("Check11");
  EXPECT_TRUE(entries(List1, true).empty() && List1->ListIndex() == 0);
  EXPECT_EQ(entries(List2, true), entries(List2));
  pressMain("Check9");
  EXPECT_TRUE(entries(List2, true).empty() && List2->ListIndex() == 3);

  // Empty sources: empty lists, on which the four buttons do nothing.
  provider_test::fs::create_directory(temp.path() / "empty");
  openOn(temp.path() / "empty", otherDatabase("_empty"));
  EXPECT_TRUE(entries(List1).empty() && entries(List2).empty());
  for (const char* button : {"Check10", "Check8", "Check11", "Check9"}) pressMain(button);
  EXPECT_TRUE(List1->ListIndex() == -1 && List2->ListIndex() == -1 && dialogs().shown.empty());

  // Each container lists its tables, not its views; a list that takes the focus gets no current entry.
  for (const auto& fixture : fixtures::containers()) {
    SCOPED_TRACE(fixture.folder);
    QStringList tables;
    for (auto& fact : fixtures::pythonFacts("manifest", std::string(fixture.folder) + "/" + fixture.dbc))
      if (fact[0] == "table") tables << QString::fromStdString(fact[1]);
    tables.sort(Qt::CaseInsensitive);
    Names sorted;
    for (const QString& table : tables) sorted.push_back(table.toStdString());
    openOn(temp.copyFixture(fixture.folder) / fixture.dbc, database_);
    EXPECT_EQ(entries(List2), sorted);
    EXPECT_EQ(entries(List1).size(), 5u);
    EXPECT_TRUE(entries(List1, true).empty() && List1->ListIndex() == -1);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    List2->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(List2->hasFocus() && List2->ListIndex() == -1);
  }
  // A refill while the list has the focus.
  pressMain("Check8");
  List2->setFocus(Qt::TabFocusReason);
  window->Form_Load();
  EXPECT_TRUE(List2->hasFocus() && List2->ListIndex() == -1 && entries(List2, true).empty());

  // Setup goes back to the Setup Connections window; closing the main window ends the program.
  pressMain("Check2");
  EXPECT_TRUE(setup->isVisible() && !window->isVisible());
  window->show();
  window->close();
  EXPECT_EQ(programEnds, 1);
}

TEST_F(Form2Test, AFailedLoadLeavesAListItCouldNotReadAsItWas) {
  createTables({"`kept`"});
  addFreeTables(temp.path() / "free", {"first.dbf"});
  openOn(temp.path() / "free", database_);
  click(List1, {"kept"});
  click(List2, {"first"});
  auto load = [&] { return shell::RunCommand(window, [&] { window->Form_Load(); }); };

  // The FoxPro source is gone: the load stops there, before the MySQL list.
  paste("Text2", QString::fromStdString((temp.path() / "gone").string()));
  EXPECT_FALSE(load());
  EXPECT_TRUE(lastMessage().startsWith("Run-time error")) << lastMessage().toStdString();
  EXPECT_EQ(entries(List2, true), Names({"first"}));
  EXPECT_EQ(entries(List1, true), Names({"kept"}));

  // The database is gone: the FoxPro list is read afresh, the MySQL list keeps what it had.
  paste("Text2", QString::fromStdString((temp.path() / "free").string()));
  addFreeTables(temp.path() / "free", {"second.dbf"});
  paste("Text7", QString::fromStdString(database_ + "_gone"));
  EXPECT_FALSE(load());
  EXPECT_TRUE(entries(List2) == Names({"first", "second"}) && entries(List2, true).empty());
  EXPECT_EQ(entries(List1, true), Names({"kept"}));
  EXPECT_EQ(*mysql->open + *foxpro->open, 0);
}

TEST_F(DeleteTablesTest, MySqlSideDropsTheSelectedTablesBottomToTopEachOnItsOwnConnection) {
  createTables({"`a`", "`b c`", "`d`", "`e`", "`kept`", "`we``ird`"});
  openOn(temp.path(), database_);
  const int opened = mysql->attempts;
  std::vector<int> pointers;
  dialogs().whileShown = [&](const auto&) { pointers.push_back(pointer()); };
  pressMain("Check1");             // nothing picked: only the message, nothing opened, no hourglass
  click(List1, {"kept", "kept"});  // a current entry, nothing selected: nothing happens
  pressMain("Check1");
  EXPECT_EQ(dialogs().messages(), std::vector<QString>({"Please select a table"}));
  EXPECT_EQ(mysql->attempts, opened);
  EXPECT_TRUE(pointers.size() == 1 && pointers[0] != shell::kPointerHourglass);
  dialogs().whileShown = nullptr;

  // The current entry ("kept") need not be selected.
  click(List1, {"a", "b c", "we`ird", "kept", "kept"});
  pointers.clear();
  mysql->onOpen = [&] { pointers.push_back(pointer()); };
  mysql->statements->clear();
  pressMain("Check1");
  EXPECT_EQ(*mysql->statements, Statements({"DROP TABLE `we``ird`", "DROP TABLE `b c`", "DROP TABLE `a`"}));
  EXPECT_EQ(pointers, std::vector<int>(3, shell::kPointerHourglass));
  EXPECT_EQ(*mysql->open, 0);
  EXPECT_EQ(entries(List1), Names({"d", "e", "kept"}));
  EXPECT_EQ(mysqlTables(), entries(List1));

  // "e" dropped behind the program's back: "kept" goes, the run stops at "e", "d" is not visited.
  click(List1, {"d", "e", "kept"});
  sql("DROP TABLE `e`");
  pressMain("Check1");
  EXPECT_TRUE(lastMessage().startsWith("Run-time error '1051':")) << lastMessage().toStdString();
  EXPECT_EQ(entries(List1, true), Names({"d", "e"}));
  EXPECT_EQ(entries(List1), entries(List1, true));
  EXPECT_EQ(mysqlTables(), Names({"d"}));
  EXPECT_EQ(pointer(), shell::kPointerDefault);
}

TEST_F(DeleteTablesTest, FoxProSideDropsTheSelectedTablesOfAFolderOnOneConnection) {
  const fs::path folder = temp.path() / "free";
  addFreeTables(folder, {"alpha.dbf", "Beta Gamma.dbf", "delta.dbf", "omega.dbf", "zulu.dbf"});
  openOn(folder, database_);
  int opened = foxpro->attempts;
  std::vector<int> pointers;
  dialogs().whileShown = [&](const auto&) { pointers.push_back(pointer()); };
  pressMain("Check5");  // the connection is opened (and released) before the pick is tested
  EXPECT_EQ(dialogs().messages(), std::vector<QString>({"Please select a table"}));
  EXPECT_EQ(pointers, std::vector<int>({shell::kPointerHourglass}));
  EXPECT_TRUE(foxpro->attempts == ++opened && *foxpro->open == 0);

  click(List2, {"Beta Gamma", "omega", "alpha", "alpha"});
  pressMain("Check5");
  EXPECT_EQ(*foxpro->statements, Statements({"DROP TABLE [omega]", "DROP TABLE [Beta Gamma]"}));
  EXPECT_EQ(foxpro->attempts, ++opened);
  EXPECT_EQ(entries(List2), Names({"alpha", "delta", "zulu"}));
  EXPECT_TRUE(!fs::exists(folder / "omega.dbf") && !fs::exists(folder / "Beta Gamma.dbf"));

  click(List2, {"alpha", "delta", "zulu"});
  fs::remove(folder / "delta.dbf");
  pressMain("Check5");
  EXPECT_TRUE(lastMessage().startsWith("Run-time error '1':")) << lastMessage().toStdString();
  EXPECT_EQ(entries(List2, true), Names({"alpha", "delta"}));
  EXPECT_TRUE(fs::exists(folder / "alpha.dbf") && !fs::exists(folder / "zulu.dbf"));
  EXPECT_EQ(pointer(), shell::kPointerDefault);
}

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

}  // namespace
