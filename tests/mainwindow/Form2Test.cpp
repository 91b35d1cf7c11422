#include <QProgressBar>
#include <QScreen>

#include "tests/support/MainWindowTest.h"
#include "shell/Command.h"
#include "shell/FormLook.h"
#include "tests/container/Fixtures.h"

using Form2Test = MainWindowTest;

TEST_F(Form2Test, ACentredWindowWhoseSetupButtonGoesBackToTheSetupWindow) {
  openOn(temp.path(), database_);
  EXPECT_TRUE(window->isVisible() && !setup->isVisible());
  EXPECT_EQ(window->windowTitle(), "Tavrel");
  EXPECT_EQ(window->frameGeometry().center(), window->screen()->geometry().center());
  auto* bar = window->findChild<QProgressBar*>("ProgressBar1");
  EXPECT_TRUE(bar->value() == 0 && bar->palette().color(QPalette::Base) == QColor(Qt::white));
  EXPECT_FALSE(window->findChild<ButtonCheckBox*>("Check7")->isEnabled());
  auto* button = window->findChild<ButtonCheckBox*>("Check2");
  EXPECT_EQ(button->geometry(), TwipsRect(120, 4920, 7095, 375));
  EXPECT_TRUE(button->shortcut().isEmpty());  // "&&" shows one ampersand and is no access key

  QTest::mouseMove(button);
  EXPECT_EQ(pointer(), shell::kPointerCustom);
  QTest::mouseMove(window, QPoint(10, 10));
  EXPECT_EQ(pointer(), shell::kPointerDefault);

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(setup->isVisible() && !window->isVisible());
  window->show();
  window->close();
  EXPECT_EQ(programEnds, 1);
}

TEST_F(Form2Test, SortedListsSelectAllDeselectAllAndRefillsFromTheNewSettingsWithoutCurrentEntry) {
  createTables({"`Orders`", "`customers`", "`expense details`", "`Zeta`"});
  sql("CREATE VIEW `alpha_view` AS SELECT 1 AS one");
  addFreeTables(temp.path() / "free", {"Orders.dbf", "customers.DBF", "expense details.dbf", "zeta.dbf"});
  std::ofstream(temp.path() / "free" / "notes.txt") << "not a table";
  openOn(temp.path() / "free", database_);
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
