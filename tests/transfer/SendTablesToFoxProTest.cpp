// "Send Table(s) to FoxPro" clicked on the main window: the questions it asks, the names and
// files it makes, the order it goes in, a refused field name and the window while it copies.
#include <QTimer>
#include <fstream>

#include "CopyTest.h"
#include "shell/Command.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;
using ui::Answer;

class SendToFoxPro : public CopyTest {
 protected:
  // A table `name` (id, v) with rows 1…n holding "v1"…
  static void table(const std::string& name, int n) {
    sql("CREATE TABLE `" + name + "` (id INT PRIMARY KEY, v VARCHAR(20))");
    if (n > 0) sql("INSERT INTO `" + name + "` SELECT seq, CONCAT('v', seq) FROM seq_1_to_" + std::to_string(n));
  }
  static Rows expected(int n) {
    Rows rows;
    for (int i = 1; i <= n; ++i) rows.push_back({std::to_string(i), "v" + std::to_string(i)});
    return rows;
  }
  void expectIdle() {
    EXPECT_TRUE(idle());
    EXPECT_FALSE(shell::IsCommandRunning());
  }
};

// Nothing picked: a message. The question comes when the FoxPro list shows the name in any letter
// case, and names the MySQL table; Yes replaces the table the name finds, in its own file.
TEST_F(SendToFoxPro, NothingPickedThenOverwriteQuestionNoYesAndLetterCase) {
  table("Customers", 3);
  foxpro(folder(), {"CREATE TABLE 'customers'([old] M)"});
  fillLists();
  ASSERT_EQ(entries(List2), Names{"customers"});
  List1->SetSelected(0, true);  // selected, but no current entry
  send();
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{"Please select a table"});
  dialogs().shown.clear();
  List1->SetSelected(0, false);
  pick({"Customers"});
  for (const auto& [answer, kept] : {std::pair{Answer::No, Rows{}}, std::pair{Answer::Yes, expected(3)}}) {
    dialogs().replies = {answer};
    send();
    EXPECT_EQ(dialogs().shown.back().text, "Would you like to overwrite Customers?");
    EXPECT_EQ(dialogs().shown.back().title, "Overwrite?");
    EXPECT_EQ(entries(List2), Names{"customers"});
    EXPECT_EQ(rows(readBack(folder() + "/customers.DBF"), "dbf"), kept);
  }
  EXPECT_EQ(dialogs().shown.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(folder() + "/Customers.DBF"));

  // The FoxPro list holding "Customers" for a table gone from the folder since: asked, Yes
  // copies, and the entry that matched only without regard to case stays beside the new one.
  for (const auto& file : std::filesystem::directory_iterator(folder())) std::filesystem::remove(file);
  List2->Clear();
  List2->AddItem("Customers");
  dialogs().replies = {Answer::Yes};
  send();
  EXPECT_EQ(questions(), std::vector<QString>(3, "Would you like to overwrite Customers?"));
  Names both = entries(List2);
  std::ranges::sort(both);
  EXPECT_EQ(both, (Names{"Customers", "customers"}));
  EXPECT_EQ(rows(readBack(folder() + "/Customers.DBF"), "dbf"), expected(3));
  expectIdle();
}

// Each table's rows are in its file, for any program to read, once the window shows it copied
// (the progress bar back at 0), not only when the command ends.
TEST_F(SendToFoxPro, NamesOldFilesEmptyTablesAndTheOrderOfTheWalk) {
  sql("CREATE TABLE odd (`2019` INT, `Order Date` DATE, `in/out` VARCHAR(3))");
  sql("INSERT INTO odd VALUES (7, '2026-12-06', 'in')");
  table("empty", 0);
  table("items", 4);
  table("zeta", 2);
  // Two listed tables, and a file of that name that holds no table.
  foxpro(folder(), {"CREATE TABLE 'zeta'([x] M)", "CREATE TABLE 'empty'([x] M)"});
  fillLists();
  List2->AddItem("unrelated");
  std::ofstream(folder() + "/items.DBF") << "not a table";
  pick({"empty", "items", "odd", "zeta"});
  std::vector<int> progress;
  long zetaCopied = -1;  // the records in zeta's file when the window shows it copied
  bool hourglass = true;
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
    progress.push_back(v);
    hourglass = hourglass && pointer() == shell::kPointerHourglass;
    if (v == 0 && zetaCopied < 0) zetaCopied = recordCount(folder() + "/zeta.DBF");
  });

  dialogs().replies = {Answer::Yes, QString("y2019"), Answer::Yes, Answer::Yes};
  send();
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
  // Bottom to top: zeta asked first, then odd's field name, then items and empty.
  ASSERT_EQ(dialogs().shown.size(), 4u);
  EXPECT_EQ(dialogs().shown[1].kind, ui::ScriptedDialogs::Kind::Input);
  EXPECT_EQ(dialogs().shown[1].text, "Please change field name so it is not strictly numeric");
  EXPECT_EQ(dialogs().shown[1].initial, "2019");
  EXPECT_EQ(questions(),
            (std::vector<QString>{"Would you like to overwrite zeta?", "Would you like to overwrite items?",
                                  "Would you like to overwrite empty?"}));
  const Names listed = {"empty", "items", "odd", "unrelated", "zeta"};
  EXPECT_EQ(entries(List2), listed);
  // zeta 50, 100, 0; odd 100, 0; items 25 … 100, 0; empty nothing.
  EXPECT_EQ(progress, (std::vector<int>{50, 100, 0, 100, 0, 25, 50, 75, 100, 0}));
  EXPECT_EQ(zetaCopied, 2);
  EXPECT_TRUE(hourglass);

  EXPECT_EQ(rows(readBack(folder() + "/items.DBF"), "dbfread"), expected(4));
  EXPECT_EQ(rows(readBack(folder() + "/empty.DBF"), "dbf"), Rows{});
  const Rows odd = {{"7", "2026-12-06", "in"}};
  EXPECT_EQ(rows(readBack(folder() + "/odd.DBF"), "dbf"), odd);
  auto cn = chosenFoxPro();
  ado::Recordset rs = cn->Execute("SELECT * FROM odd");
  EXPECT_EQ(rs.Fields()[0].Name() + " " + rs.Fields()[1].Name() + " " + rs.Fields()[2].Name(),
            "y2019 order_date in_out");
  rs.Close();
  cn.reset();

  // Cancel gives the column [], and an answer with blanks keeps them: the provider refuses both,
  // and the table Yes was meant to replace stays as it was.
  for (const QString& answer : {QString(), QString("y 2019")}) {
    dialogs().shown.clear();
    dialogs().replies = {Answer::Yes, answer};
    pressMain("Check11");  // Deselect All
    pick({"odd"});
    send();
    ASSERT_EQ(dialogs().messages().size(), 1u) << answer.toStdString();
    EXPECT_TRUE(dialogs().messages()[0].startsWith("Run-time error '3001'")) << dialogs().messages()[0].toStdString();
    EXPECT_EQ(rows(readBack(folder() + "/odd.DBF"), "dbf"), odd);
    EXPECT_EQ(entries(List2), listed);
    expectIdle();
  }
}

// While the copy lets events through, a click on Setup is ignored (no other command starts);
// closing the window ends the copy at its next step, every row before it in the file.
TEST_F(SendToFoxPro, OtherCommandsWaitAndClosingTheWindowEndsTheCopyCleanly) {
  table("big", 20000);
  fillLists();
  pick({"big"});
  bool clickedWhileCopying = false;
  QTimer::singleShot(0, [&] {  // let through by the copy's first pump
    clickedWhileCopying = shell::IsCommandRunning();
    pressMain("Check2");
  });
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
    if (v == 50) QTimer::singleShot(0, [&] { window->close(); });
  });
  send();
  EXPECT_TRUE(clickedWhileCopying);
  EXPECT_FALSE(setup->isVisible());
  EXPECT_EQ(programEnds, 1);
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
  const Rows got = rows(readBack(folder() + "/big.DBF"), "dbf");
  EXPECT_GE(got.size(), 9999u);  // the close was posted as row 10,000 began
  EXPECT_LT(got.size(), 20000u);
  EXPECT_EQ(got, expected(static_cast<int>(got.size())));
  expectIdle();
}

}  // namespace
