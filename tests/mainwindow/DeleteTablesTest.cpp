#include "tests/support/MainWindowTest.h"
#include "tests/container/ContainerIndexCheck.h"
#include "tests/container/Fixtures.h"

using DeleteTablesTest = MainWindowTest;
namespace fs = provider_test::fs;
using Statements = std::vector<std::string>;

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

TEST_F(DeleteTablesTest, InAContainerTheTableLeavesTheContainerWhichStillReadsAndIndexesRight) {
  for (const auto& fixture : fixtures::containers()) {
    SCOPED_TRACE(fixture.folder);
    const fs::path dbc = temp.copyFixture(fixture.folder) / fixture.dbc;
    openOn(dbc, database_);
    Names left = entries(List2);
    const std::string dropped = left.at(1);
    left.erase(left.begin() + 1);
    click(List2, {dropped});
    pressMain("Check5");
    EXPECT_EQ(entries(List2), left);
    window->Form_Load();
    EXPECT_EQ(entries(List2), left);
    auto db = provider_test::open(dbc);
    for (const std::string& table : left) db->Execute("SELECT * FROM [" + table + "]");
    EXPECT_EQ(provider_test::errorNumber([&] { db->Execute("SELECT * FROM [" + dropped + "]"); }), 1);
    expectIndexMatchesRecords(dbc);
  }
}
