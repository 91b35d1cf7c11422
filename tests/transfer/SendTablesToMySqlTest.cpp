// "Send Table(s) to MySQL" pressed in the main window: free tables written for each case into a
// folder of the test's own, copied into the throwaway MariaDB.
#include <QFile>
#include <cmath>

#include "tests/support/MainWindowTest.h"
#include "foxpro-engine/TableWriter.h"
#include "transfer/SendTablesToMySql.h"

namespace {

using fox::ColumnSpec;
using fox::Value;

class SendTablesToMySql : public MainWindowTest {
 protected:
  void table(const std::string& name, const std::vector<ColumnSpec>& columns,
             const std::vector<std::vector<Value>>& rows, int codePage = 1252) {
    auto writer =
        fox::TableWriter::create(folder() + "/" + name + ".dbf", columns, {.codePage = codePage, .backlink = {}});
    for (const auto& row : rows) writer->append(row);
    writer->close();
  }
  // Rows k = 0 … count - 1 of (k, "row k", k / 4); row `refused` holds NaN in its B field, which
  // FoxPro's own writers never store but a file can hold.
  void numbered(const std::string& name, int count, int refused = -1) {
    constexpr double kMarker = -1234.5;
    std::vector<std::vector<Value>> rows;
    for (int k = 0; k < count; ++k)
      rows.push_back({std::int32_t(k), "row " + std::to_string(k), k == refused ? kMarker : k / 4.0});
    table(name, {{"ID", 'I'}, {"NAME", 'C', 10}, {"V", 'B', 0, 2}}, rows);
    if (refused < 0) return;
    QFile file(QString::fromStdString(folder() + "/" + name + ".dbf"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const double nan = std::nan("");
    bytes.replace(QByteArray(reinterpret_cast<const char*>(&kMarker), 8),
                  QByteArray(reinterpret_cast<const char*>(&nan), 8));
    file.seek(0);
    file.write(bytes);
  }
  // One message since the last check: it starts with the first part, holds the middle ones and
  // ends with the last.
  void expectMessage(const std::vector<std::string>& parts) {
    ASSERT_EQ(dialogs().messages().size(), 1u);
    const std::string message = dialogs().messages().front().toStdString();
    dialogs().shown.clear();
    EXPECT_TRUE(message.starts_with(parts.front()) && message.ends_with(parts.back())) << message;
    for (const std::string& part : parts) EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
  }
};

TEST_F(SendTablesToMySql, CopiesBottomToTopWithTheOverwriteQuestionAndTheProgressBar) {
  // TEMPID1 before TEMPID0: with tempid0 taken, the search for a free name starts again from the
  // first field.
  table("clash", {{"TEMPID1", 'N', 5, 1}, {"NOTE", 'M'}, {"TEMPID0", 'C', 3}},
        {{fox::Number{"1.5"}, "x", "a"},
         {fox::Number{"-2"}, "", "b  "},
         {fox::Number{"0"}, "last", ""},
         {fox::Number{"7.0"}, "z", " c"}});
  table("empty", {{"WHEN", 'D'}, {"OK", 'L'}}, {});
  numbered("kept", 3);
  numbered("orders", 2);
  numbered("replaced", 5);
  sql("CREATE TABLE kept (old INT)");
  sql("INSERT INTO kept VALUES (42)");
  sql("CREATE TABLE replaced (old INT)");
  sql("CREATE TABLE Orders (old INT)");
  numbered("ghost", 2);
  fillLists();
  sql("CREATE TABLE ghost (old INT)");  // after the load: not listed
  sql("INSERT INTO ghost VALUES (7)");
  List2->SetSelected(0, true);  // selected, but no entry is the current one
  pressMain("Check4");
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{"Please select a table to send."});
  EXPECT_EQ(dialogs().shown.front().title, "Tavrel");
  dialogs().shown.clear();
  std::vector<int> progress;
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int v) { progress.push_back(v); });
  dialogs().replies = {ui::Answer::Yes, ui::Answer::Yes, ui::Answer::No};  // replaced, orders, kept
  sendToMySql({"clash", "empty", "kept", "orders", "replaced"});

  std::vector<QString> questions;
  for (const auto& shown : dialogs().shown) {
    EXPECT_EQ(shown.title, "Overwrite?");
    questions.push_back(shown.text);
  }
  EXPECT_EQ(questions,
            (std::vector<QString>{"Would you like to overwrite replaced?", "Would you like to overwrite orders?",
                                  "Would you like to overwrite kept?"}));
  EXPECT_EQ(dialogs().unanswered, 0);
  // "Orders" is another table on this server: it stays, and stays listed, beside the new orders.
  EXPECT_EQ(entries(List1), (Names{"clash", "empty", "kept", "orders", "Orders", "replaced"}));
  EXPECT_EQ(column("SELECT * FROM Orders").size(), 0u);
  EXPECT_EQ(column("SELECT CONCAT_WS('|', id, name, v) FROM orders"),
            (std::vector<std::string>{"0|row 0     |0", "1|row 1     |0.25"}));
  EXPECT_EQ(column("SELECT * FROM kept"), std::vector<std::string>{"42"});  // No: untouched
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM replaced"), "5");
  // The source's own tempid0 and tempid1 arrive; the temporary column tempid2 is gone. A C field
  // keeps its trailing blanks.
  EXPECT_EQ(column("SELECT CONCAT('[', tempid0, ']', tempid1, ' ', note) FROM clash"),
            (std::vector<std::string>{"[a  ]1.5 x", "[b  ]-2 ", "[   ]0 last", "[ c ]7 z"}));
  EXPECT_EQ(column("SHOW COLUMNS FROM empty"), (Names{"when", "ok"}));
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM empty"), "0");
  // Per row before it is written, 0 after each table; the empty table sets only 0, which it is.
  EXPECT_EQ(progress, (std::vector<int>{20, 40, 60, 80, 100, 0, 50, 100, 0, 25, 50, 75, 100, 0}));
  EXPECT_TRUE(idle());
  EXPECT_EQ(List2->selectedItems().size(), 5);

  // A table the list does not show is never asked about: the server refuses to create it again.
  sendToMySql({"ghost"});
  expectMessage({"Run-time error '1050':\n\nTable 'ghost' already exists"});
  EXPECT_EQ(column("SELECT * FROM ghost"), std::vector<std::string>{"7"});
  EXPECT_EQ(entries(List1), (Names{"clash", "empty", "kept", "orders", "Orders", "replaced"}));
}

// Bottom to top: t3 is copied, t2 is refused at row 2500 (a B field holding NaN, a double no
// MySQL column can hold), t1 is never reached. A row the server's max_allowed_packet cannot carry
// is refused before it is sent, as a refused value is: the connection stays, the rows before it
// are stored. With every row stored, a failure of the ALTER that drops the temporary column names
// no row: another client reads the new table in an open transaction, so the ALTER waits in vain.
TEST_F(SendTablesToMySql, ARefusalStopsTheCopyNamingTableAndRowAndKeepsTheRowsBefore) {
  const std::string limit = scalar("SELECT @@max_allowed_packet");
  numbered("t1", 10);
  numbered("t2", 3000, 2500);
  numbered("t3", 1200);
  table("huge", {{"ID", 'I'}, {"NOTE", 'M'}}, {{0, "a"}, {1, "b"}, {2, std::string(std::stoul(limit), 'x')}, {3, "d"}});
  numbered("held", 3);
  fillLists();
  sendToMySql({"t1", "t2", "t3"});
  expectMessage({"Run-time error '1264':\n\nOut of range value for column 'v'", "\n\nTable t2, row 2500."});
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM t3"), "1200");
  EXPECT_EQ(scalar("SELECT CONCAT_WS(' ', COUNT(*), MIN(tempid0), MAX(tempid0), SUM(id = tempid0)) FROM t2"),
            "2500 0 2499 2500");
  EXPECT_EQ(column("SHOW TABLES LIKE 't1'").size(), 0u);
  EXPECT_TRUE(idle());

  sendToMySql({"huge"});
  expectMessage({"Run-time error '1153':", "max_allowed_packet is " + limit + " bytes",
                 "in column `note`, is " + limit + " bytes long", "Table huge, row 2."});
  EXPECT_EQ(scalar("SELECT CONCAT_WS(' ', COUNT(*), MAX(tempid0)) FROM huge"), "2 1");
  EXPECT_EQ(entries(List1), Names{"t3"});

  ado::Connection reader;
  reader.Open(testdb::connectionString(server_, database_));
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int percent) {
    if (percent != 100) return;
    reader.Execute("START TRANSACTION");
    reader.Execute("SELECT COUNT(*) FROM held");
  });
  sql("SET GLOBAL lock_wait_timeout = 1");  // read by the command's own new connection
  sendToMySql({"held"});
  sql("SET GLOBAL lock_wait_timeout = DEFAULT");
  reader.Close();
  expectMessage({"Run-time error '1205':", "\n\nTable held."});
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM held"), "3");
  EXPECT_TRUE(idle());
}

}  // namespace
