// Names a careless or hostile user can give tables and columns, made by the tests, through the
// real commands on the main window: each stays a name, reaches exactly its own table inside the
// chosen folder, and nothing around that folder changes (every file there compared byte for
// byte before and after).
#include <fstream>

#include "CopyTest.h"

namespace {

namespace fs = std::filesystem;
using ui::Answer;
using Files = testfiles::Snapshot;

// Table names with path separators, dots, quotes, brackets, a semicolon, a blank, a tab and a
// letter beyond ASCII.
const std::vector<std::string> kHostile = {"../../escape", "..\\..\\escape", ".",    "..",    "a]b",
                                           "[x",           "it's",           "q\"t", "se;mi", "two words",
                                           "tab\tname",    "Ärger"};

class HostileNames : public CopyTest {
 protected:
  // Every file under `base` and outside `chosen`, with its bytes.
  static Files around(const fs::path& base, const fs::path& chosen) {
    Files files = testfiles::snapshot(base);
    std::erase_if(files,
                  [&](const auto& file) { return file.first.starts_with(fs::relative(chosen, base).string() + "/"); });
    return files;
  }

  // A MySQL table `name` (v TEXT) with one row.
  static void mysqlTable(const std::string& name, const std::string& row) {
    sql("CREATE TABLE " + MySqlName(name) + " (v TEXT)");
    sql("INSERT INTO " + MySqlName(name) + " VALUES ('" + row + "')");
  }

  // The FoxPro list, lower-cased and sorted: copies list a plain name lower-cased, the refill as
  // the source has it.
  std::vector<std::string> foxproEntries() {
    std::vector<std::string> names;
    for (const std::string& name : entries(List2))
      names.push_back(QString::fromStdString(name).toLower().toStdString());
    std::sort(names.begin(), names.end());
    return names;
  }
  // The FoxPro list shows what a refill reads from the source.
  void expectListedAsRefilled() {
    const std::vector<std::string> shown = foxproEntries();
    window->Form_Load();
    EXPECT_EQ(shown, foxproEntries());
  }
};

// Item: a MySQL table name used as a path. ../../escape from base/a/b/free, or from the folder of
// base/a/b/db/EXPENSES.DBC, stays in that folder. Each name is sent twice (Yes to every question
// the second time) and read back, then all are deleted from the FoxPro list.
TEST_F(HostileNames, MySqlNamesMakeFilesInsideTheChosenFolder) {
  const fs::path base = temp.path() / "base", free = base / "a/b/free", db = base / "a/b/db";
  fs::create_directories(free);
  fs::copy(TAVREL_FIXTURES_DIR "/go-dbase/database", db, fs::copy_options::recursive);
  for (const char* extension : {".DBF", ".FPT", ".cdx", ".cpg"})
    testfiles::writeFile(base / "a" / ("escape" + std::string(extension)), "decoy");
  for (std::size_t i = 0; i < kHostile.size(); ++i) mysqlTable(kHostile[i], "row " + std::to_string(i));
  for (const auto& [source, chosen] : {std::pair{free, free}, std::pair{db / "EXPENSES.DBC", db}}) {
    SCOPED_TRACE(source);
    dialogs().shown.clear();
    steps::ChooseFoxProSource(*setup, source);
    const Files before = around(base, chosen);
    fillLists();
    const int fixtureTables = List2->ListCount();
    pick(kHostile);
    send();
    EXPECT_TRUE(questions().empty());
    dialogs().replies.assign(kHostile.size(), Answer::Yes);
    send();
    EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
    EXPECT_EQ(questions().size(), kHostile.size());
    EXPECT_EQ(List2->ListCount(), fixtureTables + static_cast<int>(kHostile.size()));
    // Listed lower-cased beyond ASCII too, where no container maps the name to another.
    EXPECT_EQ(List2->findItems(source == free ? "ärger" : "__rger", Qt::MatchExactly).size(), 1);
    expectListedAsRefilled();
    for (std::size_t i = 0; i < kHostile.size(); ++i)
      EXPECT_EQ(foxproValue(kHostile[i]), "row " + std::to_string(i)) << kHostile[i];
    for (const QString& question : questions())  // a name the list shows, in some letter case
      EXPECT_FALSE(List2->findItems(question.mid(28).chopped(1), Qt::MatchFixedString).empty())
          << question.toStdString();

    pressMain("Check8");  // Select All
    pressMain("Check5");  // Delete Table(s)
    EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
    EXPECT_EQ(List2->ListCount(), 0);
    expectListedAsRefilled();
    EXPECT_EQ(around(base, chosen), before);
  }
  EXPECT_EQ(testfiles::snapshot(free), Files{});
}

// Item: names from the FoxPro list that read as paths. A free table file literally named
// ..\outside\victim.dbf, and a container member named ../outside/victim, are read from the
// chosen folder, never from base/a/b/outside; names holding " and ] are sent too.
TEST_F(HostileNames, FoxProNamesThatReadAsPathsAreTablesOfTheChosenFolder) {
  const fs::path base = temp.path() / "base", free = base / "a/b/free", db = base / "a/b/db";
  for (const fs::path& folder : {free, db, base / "a/b/outside"}) fs::create_directories(folder);
  fs::copy(TAVREL_FIXTURES_DIR "/go-dbase/database", db, fs::copy_options::recursive);
  foxpro(base / "a/b/outside", {"CREATE TABLE [victim]([v] C(8))", "INSERT INTO [victim] VALUES('outside')"});
  foxpro(free,
         {"CREATE TABLE [victim]([v] C(8))", "INSERT INTO [victim] VALUES('inside')", "CREATE TABLE [qt]([v] C(8))",
          "INSERT INTO [qt] VALUES('quote')", "CREATE TABLE [a]]b]([v] C(8))", "INSERT INTO [a]]b] VALUES('bracket')"});
  fs::rename(free / "victim.DBF", free / "..\\outside\\victim.dbf");
  fs::rename(free / "qt.DBF", free / "q\"t.dbf");
  // The member victim_in renamed in the container's catalogue (its 128-byte name field).
  foxpro(db / "EXPENSES.DBC", {"CREATE TABLE [victim_in]([v] C(8))", "INSERT INTO [victim_in] VALUES('member')"});
  std::string dbc = testfiles::readFile(db / "EXPENSES.DBC");
  const std::size_t at = dbc.find("victim_in        ");
  ASSERT_NE(at, std::string::npos);
  dbc.replace(at, 17, "../outside/victim");
  testfiles::writeFile(db / "EXPENSES.DBC", dbc);

  for (const auto& [source, names] : std::vector<std::pair<fs::path, std::vector<std::string>>>{
           {free, {"..\\outside\\victim", "q\"t", "a]b"}}, {db / "EXPENSES.DBC", {"../outside/victim"}}}) {
    SCOPED_TRACE(source);
    const Files before = around(base, source.has_extension() ? db : free);
    steps::ChooseFoxProSource(*setup, source);
    if (!window) fillLists();
    window->Form_Load();
    ASSERT_TRUE(steps::ClickEntries(*List2, names));
    pressMain("Check4");  // Send Table(s) to MySQL
    EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
    EXPECT_EQ(around(base, source.has_extension() ? db : free), before);
  }
  EXPECT_EQ(scalar("SELECT RTRIM(v) FROM `..\\outside\\victim`"), "inside");
  EXPECT_EQ(scalar("SELECT RTRIM(v) FROM `q\"t`"), "quote");
  EXPECT_EQ(scalar("SELECT RTRIM(v) FROM `a]b`"), "bracket");
  EXPECT_EQ(scalar("SELECT RTRIM(v) FROM `../outside/victim`"), "member");
}

// Item: a container member replaced without the question. The member expense_details lives in
// "expense details.dbf": a copy of the MySQL table "expense details" asks about it by name.
TEST_F(HostileNames, AContainerMemberInTheFileOfTheNameIsAskedAbout) {
  const std::string dbc = useContainerCopy("go-dbase/database", "EXPENSES.DBC");
  mysqlTable("expense details", "mine");
  fillLists();
  pick({"expense details"});
  const Files before = testfiles::snapshot(folder());
  dialogs().replies = {Answer::No};
  send();
  EXPECT_EQ(questions(), std::vector<QString>{"Would you like to overwrite expense_details?"});
  EXPECT_EQ(testfiles::snapshot(folder()), before);
  dialogs().replies = {Answer::Yes};
  send();
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
  EXPECT_EQ(foxproValue("expense_details"), "mine");
  EXPECT_EQ(std::ranges::count(foxproTables(), "expense_details"), 1);
  expectListedAsRefilled();
}

// Item: case twins. orders.DBF and ORDERS.dbf are two tables: each command takes the one its
// name gives exactly, with its own memo, and leaves the other's files as they were.
TEST_F(HostileNames, CaseTwinsAreEachTheirOwnTable) {
  const fs::path free = folder();
  foxpro(free, {"CREATE TABLE [orders]([v] M)", "INSERT INTO [orders] VALUES('lower')", "CREATE TABLE [twin]([v] M)",
                "INSERT INTO [twin] VALUES('upper')"});
  fs::rename(free / "twin.DBF", free / "ORDERS.dbf");
  fs::rename(free / "twin.FPT", free / "ORDERS.fpt");
  mysqlTable("ORDERS", "new");
  fillLists();
  const Files lower = {{"orders.DBF", testfiles::readFile(free / "orders.DBF")},
                       {"orders.FPT", testfiles::readFile(free / "orders.FPT")}};

  pick({"ORDERS"});
  dialogs().replies = {Answer::Yes};
  send();  // to FoxPro: replaces ORDERS.dbf
  ASSERT_TRUE(steps::ClickEntries(*List2, {"orders"}));
  dialogs().replies = {Answer::Yes};
  pressMain("Check4");  // to MySQL: orders beside ORDERS
  EXPECT_EQ(questions(),
            (std::vector<QString>{"Would you like to overwrite ORDERS?", "Would you like to overwrite orders?"}));
  EXPECT_EQ(scalar("SELECT v FROM `orders`"), "lower");
  EXPECT_EQ(foxproValue("ORDERS"), "new");
  Files now = testfiles::snapshot(free);
  EXPECT_EQ((Files{{"orders.DBF", now["orders.DBF"]}, {"orders.FPT", now["orders.FPT"]}}), lower);

  pressMain("Check5");  // Delete Table(s): orders, still selected
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
  now = testfiles::snapshot(free);
  EXPECT_EQ(now.count("orders.DBF") + now.count("orders.FPT"), 0u);
  EXPECT_EQ(now.count("ORDERS.dbf") + now.count("ORDERS.fpt"), 2u);
  EXPECT_EQ(entries(List2), std::vector<std::string>{"ORDERS"});
  EXPECT_EQ(foxproValue("ORDERS"), "new");
}

// Item: shortened column names. In a free table abcdefghij_2 is cut to a name no other column
// has, so the copy back puts every value under its own column's name.
TEST_F(HostileNames, ShortenedColumnNamesNeverTakeAnotherColumnsName) {
  sql("CREATE TABLE wide (abcdefghij_1 TEXT, abcdefghij_2 TEXT, abcdefghi2 TEXT)");
  sql("INSERT INTO wide VALUES ('one', 'two', 'three')");
  fillLists();
  pick({"wide"});
  send();
  ASSERT_TRUE(steps::ClickEntries(*List2, {"wide"}));
  dialogs().replies = {Answer::Yes};
  pressMain("Check4");  // back into MySQL, over the original
  EXPECT_EQ(dialogs().messages(), std::vector<QString>{});
  EXPECT_EQ(scalar("SELECT CONCAT_WS(',', abcdefghij, abcdefghi3, abcdefghi2) FROM wide"), "one,two,three");
}

// Item: an overwrite that destroys before it knows it can rebuild. A column FoxPro refuses
// (o'k; a]M,[b, which stays one name) leaves the FoxPro table as it was; a FoxPro table that
// cannot be read leaves the MySQL table as it was.
TEST_F(HostileNames, AnOverwriteThatCannotRebuildKeepsTheOldTable) {
  mysqlTable("it's", "first");
  std::ofstream(folder() + "/t.dbf") << "not a table";
  mysqlTable("t", "kept");
  fillLists();
  pick({"it's"});
  send();
  const Files before = testfiles::snapshot(folder());
  for (const std::string column : {"o'k", "a]M,[b"}) {
    SCOPED_TRACE(column);
    sql("ALTER TABLE `it's` ADD COLUMN " + MySqlName(column) + " TEXT");
    window->Form_Load();
    pick({"it's"});
    dialogs().shown.clear();
    dialogs().replies = {Answer::Yes};
    send();
    ASSERT_EQ(dialogs().messages().size(), 1u);
    const std::string message = dialogs().messages()[0].toStdString();
    EXPECT_EQ(message.rfind("Run-time error '3001'", 0), 0u) << message;
    EXPECT_NE(message.find("'" + column + "'"), std::string::npos) << message;
    EXPECT_EQ(testfiles::snapshot(folder()), before);
    expectListedAsRefilled();
    sql("ALTER TABLE `it's` DROP COLUMN " + MySqlName(column));
  }

  ASSERT_TRUE(steps::ClickEntries(*List2, {"t"}));
  dialogs().shown.clear();
  dialogs().replies = {Answer::Yes};
  pressMain("Check4");
  ASSERT_EQ(dialogs().messages().size(), 1u);
  EXPECT_EQ(scalar("SELECT v FROM t"), "kept");
}

}  // namespace
