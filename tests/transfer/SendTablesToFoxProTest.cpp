// "Send Table(s) to FoxPro" clicked on the main window: the questions it asks, the names and
// files it makes, the order it goes in, a container the tables join, a refused field name and the
// window's events while it copies.
#include <QTimer>
#include <fstream>

#include "CopyTest.h"
#include "shell/Command.h"
#include "shell/Pointer.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;
using ui::Answer;
using Kind = ui::ScriptedDialogs::Kind;

class SendToFoxPro : public CopyTest {
 protected:
  // A table `name` (id, v) with rows 1…n holding "v1"…
  static void table(const std::string& name, int n) {
    sql("CREATE TABLE `" + name + "` (id INT PRIMARY KEY, v VARCHAR(20))");
    std::string values;
    for (int i = 1; i <= n; ++i)
      values += (i > 1 ? "," : "") + ("(" + std::to_string(i) + ",'v" + std::to_string(i) + "')");
    if (n > 0) sql("INSERT INTO `" + name + "` VALUES " + values);
  }
  static Rows expected(int n) {
    Rows rows;
    for (int i = 1; i <= n; ++i) rows.push_back({std::to_string(i), "v" + std::to_string(i)});
    return rows;
  }
  void expectIdle() {
    EXPECT_EQ(shell::MousePointer(window), shell::kPointerDefault);
    EXPECT_EQ(ProgressBar1->value(), 0);
    EXPECT_FALSE(shell::IsCommandRunning());
  }
};

// Nothing picked: a message. The question comes when the FoxPro list shows the name in any letter
// case, and names the MySQL table; Yes replaces the table the name finds, in its own file.
TEST_F(SendToFoxPro, NothingPickedThenOverwriteQuestionNoYesAndLetterCase) {
  table("Customers", 3);
  ado::Connection foxpro;
  foxpro.Open(FoxProConnectionString(setup->connectionSettings()));
  foxpro.Execute("CREATE TABLE 'customers'([old] M)");
  foxpro.Close();
  fillLists();
  ASSERT_EQ(entries(List2), std::vector<std::string>{"customers"});
  List1->SetSelected(0, true);  // selected, but no current entry
  send();
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{"Please select a table"});
  dialogs().shown.clear();
  List1->SetSelected(0, false);
  pick({"Customers"});

  dialogs().replies = {Answer::No};
  send();
  ASSERT_EQ(dialogs().shown.size(), 1u);
  EXPECT_EQ(dialogs().shown[0].text, "Would you like to overwrite Customers?");
  EXPECT_EQ(dialogs().shown[0].title, "Overwrite?");
  EXPECT_EQ(entries(List2), std::vector<std::string>{"customers"});
  EXPECT_EQ(rows(readBack(folder() + "/customers.DBF"), "dbf"), Rows{});

  dialogs().replies = {Answer::Yes};
  send();
  EXPECT_EQ(entries(List2), std::vector<std::string>{"customers"});
  EXPECT_EQ(rows(readBack(folder() + "/customers.DBF"), "dbf"), expected(3));
  EXPECT_FALSE(std::filesystem::exists(folder() + "/Customers.DBF"));

  // The FoxPro list holding "Customers" for a table gone from the folder since: asked, Yes
  // copies, and the entry that matched only without regard to case stays beside the new one.
  for (const auto& file : std::filesystem::directory_iterator(folder())) std::filesystem::remove(file);
  List2->Clear();
  List2->AddItem("Customers");
  dialogs().replies = {Answer::Yes};
  send();
  EXPECT_EQ(questions().back(), "Would you like to overwrite Customers?");
  EXPECT_EQ(questions().size(), 3u);
  std::vector<std::string> both = entries(List2);
  std::sort(both.begin(), both.end());
  EXPECT_EQ(both, (std::vector<std::string>{"Customers", "customers"}));
  EXPECT_EQ(rows(readBack(folder() + "/Customers.DBF"), "dbf"), expected(3));
  expectIdle();
}

TEST_F(SendToFoxPro, NamesOldFilesEmptyTablesAndTheOrderOfTheWalk) {
  sql("CREATE TABLE odd (`2019` INT, `Order Date` DATE, `in/out` VARCHAR(3))");
  sql("INSERT INTO odd VALUES (7, '2026-12-06', 'in')");
  table("empty", 0);
  table("items", 4);
  table("zeta", 2);
  // Two listed tables, and a file of that name that holds no table.
  ado::Connection foxpro;
  foxpro.Open(FoxProConnectionString(setup->connectionSettings()));
  foxpro.Execute("CREATE TABLE 'zeta'([x] M)");
  foxpro.Execute("CREATE TABLE 'empty'([x] M)");
  foxpro.Close();
  fillLists();
  List2->AddItem("unrelated");
  std::ofstream(folder() + "/items.DBF") << "not a table";
  pick({"empty", "items", "odd", "zeta"});
  std::vector<int> progress;
  bool hourglass = true;
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
    progress.push_back(v);
    hourglass = hourglass && shell::MousePointer(window) == shell::kPointerHourglass;
  });

  dialogs().replies = {Answer::Yes, QString("y2019"), Answer::Yes, Answer::Yes};
  send();
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
  // Bottom to top: zeta asked first, then odd's field name, then items and empty.
  ASSERT_EQ(dialogs().shown.size(), 4u);
  EXPECT_EQ(dialogs().shown[0].text, "Would you like to overwrite zeta?");
  EXPECT_EQ(dialogs().shown[1].kind, Kind::Input);
  EXPECT_EQ(dialogs().shown[1].text, "Please change field name so it is not strictly numeric");
  EXPECT_EQ(dialogs().shown[1].initial, "2019");
  EXPECT_EQ(dialogs().shown[2].text, "Would you like to overwrite items?");
  EXPECT_EQ(dialogs().shown[3].text, "Would you like to overwrite empty?");
  EXPECT_EQ(entries(List2), (std::vector<std::string>{"empty", "items", "odd", "unrelated", "zeta"}));
  // zeta 50, 100, 0; odd 100, 0; items 25 … 100, 0; empty nothing.
  EXPECT_EQ(progress, (std::vector<int>{50, 100, 0, 100, 0, 25, 50, 75, 100, 0}));
  EXPECT_TRUE(hourglass);

  EXPECT_EQ(rows(readBack(folder() + "/items.DBF"), "dbfread"), expected(4));
  EXPECT_EQ(rows(readBack(folder() + "/empty.DBF"), "dbf"), Rows{});
  QJsonObject odd = readBack(folder() + "/odd.DBF");
  EXPECT_EQ(rows(odd, "dbf"), (Rows{{"7", "2026-12-06", "in"}}));
  ado::Connection check;
  check.Open(FoxProConnectionString(setup->connectionSettings()));
  ado::Recordset rs = check.Execute("SELECT * FROM odd");
  EXPECT_EQ(rs.Fields()[0].Name() + " " + rs.Fields()[1].Name() + " " + rs.Fields()[2].Name(),
            "y2019 order_date in_out");
  rs.Close();
  check.Close();

  // Cancel gives the column [], and an answer with blanks keeps them: the provider refuses both,
  // and the table Yes was meant to replace stays as it was.
  for (const QString& answer : {QString(), QString("y 2019")}) {
    dialogs().shown.clear();
    dialogs().replies = {Answer::Yes, answer};
    steps::Click(*window, "Check11");  // Deselect All
    pick({"odd"});
    send();
    ASSERT_EQ(dialogs().messages().size(), 1u) << answer.toStdString();
    EXPECT_TRUE(dialogs().messages()[0].startsWith("Run-time error '3001'")) << dialogs().messages()[0].toStdString();
    EXPECT_EQ(rows(readBack(folder() + "/odd.DBF"), "dbf"), (Rows{{"7", "2026-12-06", "in"}}));
    EXPECT_EQ(entries(List2), (std::vector<std::string>{"empty", "items", "odd", "unrelated", "zeta"}));
    expectIdle();
  }
}

TEST_F(SendToFoxPro, TablesJoinAContainerAndYesReplacesAMember) {
  const std::string dbc = useContainerCopy("northwind", "northwind.dbc");
  table("Customers", 2);
  sql("CREATE TABLE `Order Notes` (id INT PRIMARY KEY, `long column name here` TEXT)");
  sql("INSERT INTO `Order Notes` VALUES (1, 'first'), (2, 'second')");
  fillLists();
  const int before = List2->ListCount();
  pick({"Customers", "Order Notes"});
  dialogs().replies = {Answer::Yes};
  send();
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
  EXPECT_EQ(questions(), std::vector<QString>{"Would you like to overwrite Customers?"});
  // The entry "Customers" matched only without regard to case: it stays beside the new entry
  // "customers". "Order Notes" joined as order_notes and is listed as the container lists it.
  EXPECT_EQ(List2->ListCount(), before + 2);
  const std::vector<std::string> listed = entries(List2);
  for (const char* name : {"Customers", "customers", "order_notes"})
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;

  const std::vector<std::string> tables = foxproTables();
  EXPECT_EQ(std::count(tables.begin(), tables.end(), "Customers"), 1);
  EXPECT_EQ(std::count(tables.begin(), tables.end(), "order_notes"), 1);
  ado::Connection foxpro;
  foxpro.Open(FoxProConnectionString(setup->connectionSettings()));
  ado::Recordset rs = foxpro.Execute("SELECT * FROM order_notes");
  EXPECT_EQ(rs.Fields()[1].Name() + " " + rs.Fields()[1].Value().toText(), "long_column_name_here first");
  rs.Close();
  EXPECT_EQ(rows(readBack(folder() + "/customers.dbf"), "dbfread"), expected(2));
}

// The rows of a table are in its file, for any program to read, once the window shows the table
// copied (the progress bar back at 0), not only when the command ends.
TEST_F(SendToFoxPro, ATableShownCopiedHasEveryRowInItsFile) {
  table("a", 100);
  fillLists();
  pick({"a"});
  long countAtEnd = -1;
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
    if (v == 0 && countAtEnd < 0) countAtEnd = recordCount(folder() + "/a.DBF");
  });
  send();
  EXPECT_EQ(countAtEnd, 100);
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
}

TEST_F(SendToFoxPro, OtherCommandsWaitAndClosingTheWindowEndsTheCopyCleanly) {
  table("big", 20000);
  fillLists();
  pick({"big"});
  // Half way, the Setup button is clicked (a posted event, let through by the copy's pump):
  // the busy rule ignores it. Later the window is closed.
  bool clicked = false, closed = false;
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
    if (v >= 20 && !clicked) {
      clicked = true;
      QTimer::singleShot(0, [&] { steps::Click(*window, "Check2"); });
    }
    if (v >= 50 && !closed) {
      closed = true;
      QTimer::singleShot(0, [&] { window->close(); });
    }
  });
  send();
  EXPECT_TRUE(clicked && closed);
  EXPECT_FALSE(setup->isVisible());
  EXPECT_EQ(programEnds, 1);
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
  EXPECT_TRUE(entries(List2).empty());
  Rows got = rows(readBack(folder() + "/big.DBF"), "dbf");
  EXPECT_GE(got.size(), 9999u);  // the close was posted as row 10,000 began
  EXPECT_LT(got.size(), 20000u);
  EXPECT_EQ(got, expected(static_cast<int>(got.size())));
  expectIdle();
}

}  // namespace
