// Grouped inserts must not change what the caller sees. Every scenario runs twice — with one
// INSERT per call (grouping off) and with grouping on — and must meet the same expectations:
// the rows stored, the error and its number, and what later statements and reads see.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "ScratchDatabase.h"
#include "platform/mysql/MySqlProvider.h"

namespace {

using namespace ado;

class MySqlGrouping : public mysqltest::ScratchDatabaseTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    ScratchDatabaseTest::SetUp();
    mysql::setInsertGrouping(GetParam());
  }
  void TearDown() override { mysql::setInsertGrouping(true); }

  // A table name of this test and mode.
  std::string table(const std::string& base) const { return base + (GetParam() ? "_grouped" : "_single"); }

  // The copy from FoxPro: one row per call, then the temporary column dropped; it stops at the
  // first error, which it returns.
  static std::optional<Error> copy(Connection& cn, const std::string& t, const std::vector<std::vector<Variant>>& rows) {
    try {
      for (std::size_t k = 0; k < rows.size(); ++k) {
        std::vector<Variant> values{Variant(static_cast<long>(k))};
        values.insert(values.end(), rows[k].begin(), rows[k].end());
        addRow(cn, t, "tempid0", static_cast<long>(k), values);
      }
      cn.Execute("ALTER TABLE " + t + " DROP COLUMN `tempid0`");
    } catch (const Error& e) {
      return e;
    }
    return std::nullopt;
  }

  static std::vector<std::vector<Variant>> numbered(int count) {
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < count; ++i) rows.push_back({Variant(std::to_string(i)), Variant(i * 0.5)});
    return rows;
  }

  static void create(Connection& cn, const std::string& t) {
    cn.Execute("CREATE TABLE `" + t + "`( `tempid0` INTEGER UNSIGNED NOT NULL,`name` TEXT,`v` FLOAT );");
  }
};

INSTANTIATE_TEST_SUITE_P(, MySqlGrouping, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Grouped" : "OneByOne"; });

TEST_P(MySqlGrouping, ABadRowInTheMiddleIsThatRowsErrorWithEveryRowBeforeItStored) {
  Connection cn;
  open(cn, true);
  cn.Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");
  auto statusCount = [&](const char* name) {
    return std::stol(rows(cn, std::string("SHOW SESSION STATUS LIKE '") + name + "'").at(0).substr(std::strlen(name) + 1));
  };
  for (const char* engine : {"InnoDB", "MyISAM"}) {
    std::string t = table(std::string("bad_") + engine);
    long executesBefore = statusCount("Com_stmt_execute"), selectsBefore = statusCount("Com_select");
    cn.Execute("CREATE TABLE " + t + " (`tempid0` INTEGER UNSIGNED NOT NULL, name TEXT, v FLOAT) ENGINE=" + engine);
    auto rows = numbered(1500);
    rows[1234][1] = Variant("not a number");
    std::optional<Error> e = copy(cn, t, rows);
    ASSERT_TRUE(e.has_value()) << engine;
    EXPECT_EQ(e->Number(), 1366);
    EXPECT_NE(e->Description().find("'not a number' for column"), std::string::npos) << e->Description();
    EXPECT_NE(e->Description().find("at row 1"), std::string::npos) << e->Description();
    // Rows 0 … 1233 stored in order, nothing after; the temporary column was never dropped.
    EXPECT_EQ(scalar("SELECT CONCAT(COUNT(*), ' ', MIN(tempid0), ' ', MAX(tempid0), ' ', COUNT(DISTINCT tempid0), ' ',"
                     " SUM(name = tempid0)) FROM " + t),
              "1234 0 1233 1234 1234")
        << engine;
    // How it was done: grouped, InnoDB rows went in batches (the failing one replayed row by
    // row) and the record sets were opened without a query; MyISAM rows always one by one.
    long executes = statusCount("Com_stmt_execute") - executesBefore, selects = statusCount("Com_select") - selectsBefore;
    if (GetParam() && std::string(engine) == "InnoDB") {
      EXPECT_LT(executes, 300);
      EXPECT_LT(selects, 10);
    } else {
      EXPECT_GE(executes, 1235);
      EXPECT_GE(selects, GetParam() ? 0 : 1235);
    }
  }
}

TEST_P(MySqlGrouping, ADuplicateKeyAndAWarningBehaveAsOneInsertPerRow) {
  Connection cn;
  open(cn, true);
  std::string t = table("dup");
  cn.Execute("CREATE TABLE " + t + " (`tempid0` INTEGER UNSIGNED NOT NULL, name VARCHAR(3), v FLOAT, UNIQUE (name))");
  cn.Execute("SET SESSION sql_mode = ''");  // lenient: too long a text is cut with a warning, not refused
  auto rows = numbered(300);
  rows[5][0] = Variant("too long");
  rows[250][0] = Variant("7");
  std::optional<Error> e = copy(cn, t, rows);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->Number(), 1062);
  EXPECT_NE(e->Description().find("Duplicate entry '7'"), std::string::npos) << e->Description();
  EXPECT_EQ(scalar("SELECT CONCAT(COUNT(*), ' ', MAX(tempid0)) FROM " + t), "250 249");
  EXPECT_EQ(scalar("SELECT name FROM " + t + " WHERE tempid0 = 5"), "too");
}

TEST_P(MySqlGrouping, StatementsReadsAndOtherConnectionsSeeEveryRowAddedBefore) {
  Connection cn;
  open(cn, true);
  std::string t = table("seen");
  create(cn, t);
  for (int k = 0; k < 10; ++k) addRow(cn, t, "tempid0", k, {k, std::to_string(k), k});
  Connection other;
  open(other);
  EXPECT_EQ(scalar(other, "SELECT COUNT(*) FROM " + t), "10");  // another connection of the program

  for (int k = 10; k < 20; ++k) addRow(cn, t, "tempid0", k, {k, std::to_string(k), k});
  cn.Execute("UPDATE " + t + " SET v = v + 100");  // a statement
  EXPECT_EQ(scalar(cn, "SELECT COUNT(*) FROM " + t + " WHERE v >= 100"), "20");

  for (int k = 20; k < 30; ++k) addRow(cn, t, "tempid0", k, {k, std::to_string(k), k});
  Recordset all;  // a read through a record set
  all.Open("SELECT * FROM `" + t + "`", cn, adOpenStatic, adLockOptimistic);
  EXPECT_EQ(all.RecordCount(), 30);
  all.Close();

  // A lookup of the copy's shape read back: its rows are those of the moment it is read.
  addRow(cn, t, "tempid0", 30, {30, "thirty", 30});
  Recordset lookup;
  lookup.Open("select * from " + t + " where tempid0=30", cn, adOpenKeyset, adLockOptimistic);
  EXPECT_EQ(lookup.RecordCount(), 1);
  ASSERT_FALSE(lookup.Eof());
  EXPECT_EQ(lookup.Fields()[1].Value(), Variant("thirty"));
  lookup.Close();
  lookup.Open("select * from " + t + " where tempid0=31", cn, adOpenKeyset, adLockOptimistic);
  EXPECT_TRUE(lookup.Eof());
  EXPECT_EQ(lookup.RecordCount(), 0);
  lookup.AddNew();
  lookup.Fields()[0].SetValue(31);
  lookup.Update();
  EXPECT_EQ(lookup.RecordCount(), 1);
  lookup.Close();
  EXPECT_EQ(scalar(other, "SELECT COUNT(*) FROM " + t), "32");
}

TEST_P(MySqlGrouping, ARecordSetShowsTheTableAsAnotherConnectionLastChangedIt) {
  Connection cn, other;
  open(cn, true);
  open(other);
  std::string t = table("layout");
  create(cn, t);
  addRow(cn, t, "tempid0", 0, {0, "a", 0});
  addRow(cn, t, "tempid0", 1, {1, "b", 1});
  other.Execute("ALTER TABLE " + t + " ADD COLUMN extra INT DEFAULT 7 AFTER tempid0");
  Recordset rs;
  rs.Open("select * from " + t + " where tempid0=2", cn, adOpenKeyset, adLockOptimistic);
  ASSERT_EQ(rs.Fields().Count(), 4);
  EXPECT_EQ(rs.Fields()[1].Name(), "extra");
  rs.AddNew();
  rs.Fields()[0].SetValue(2);
  rs.Fields()[2].SetValue("c");
  rs.Update();
  rs.Close();
  EXPECT_EQ(rows(other, "SELECT * FROM " + t), (std::vector<std::string>{"0|7|a|0", "1|7|b|1", "2|7|c|NULL"}));
}

TEST_P(MySqlGrouping, ClosingOrDroppingTheConnectionStoresWhatWasAdded) {
  std::string t = table("closed");
  {
    Connection cn;
    open(cn, true);
    create(cn, t);
    for (int k = 0; k < 25; ++k) addRow(cn, t, "tempid0", k, {k, "a", k});
    cn.Close();
  }
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM " + t), "25");
  {
    Connection cn;
    open(cn, true);
    for (int k = 25; k < 50; ++k) addRow(cn, t, "tempid0", k, {k, "b", k});
  }  // released without Close, as after a failure elsewhere
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM " + t), "50");

  // A refused row met at Close is Close's error; the rows before it are stored.
  Connection cn;
  open(cn, true);
  cn.Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");
  try {
    for (int k = 50; k < 60; ++k) addRow(cn, t, "tempid0", k, {k, "c", k == 55 ? Variant("x") : Variant(k)});
    cn.Close();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1366);
  }
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM " + t), "55");
}

TEST_P(MySqlGrouping, ARowNearThePacketLimitAfterSmallerOnesIsStored) {
  Connection cn;
  open(cn, true);
  std::string t = table("packet");
  cn.Execute("CREATE TABLE " + t + " (`tempid0` INTEGER UNSIGNED NOT NULL, body LONGTEXT)");
  std::size_t packet = std::stoul(scalar(cn, "SELECT @@max_allowed_packet"));
  const std::size_t sizes[] = {500000, packet - 100000, 1};
  for (int k = 0; k < 3; ++k) addRow(cn, t, "tempid0", k, {k, std::string(sizes[k], 'a')});
  cn.Close();
  EXPECT_EQ(scalar("SELECT GROUP_CONCAT(LENGTH(body) ORDER BY tempid0) FROM " + t),
            std::to_string(sizes[0]) + "," + std::to_string(sizes[1]) + ",1");
}

TEST_P(MySqlGrouping, TheCallersTransactionIsLeftToTheCaller) {
  Connection cn;
  open(cn, true);
  std::string t = table("txn");
  create(cn, t);
  cn.Execute("START TRANSACTION");
  for (int k = 0; k < 20; ++k) addRow(cn, t, "tempid0", k, {k, "x", k});
  cn.Execute("ROLLBACK");
  EXPECT_EQ(scalar(cn, "SELECT COUNT(*) FROM " + t), "0");
  cn.Execute("SET autocommit = 0");
  for (int k = 0; k < 20; ++k) addRow(cn, t, "tempid0", k, {k, "x", k});
  cn.Execute("COMMIT");
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM " + t), "20");
}

TEST_P(MySqlGrouping, AutoIncrementValuesAreThoseOfOneInsertPerRow) {
  Connection cn;
  open(cn, true);
  cn.Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");
  std::string t = table("auto");
  cn.Execute("CREATE TABLE " + t + " (`tempid0` INT NOT NULL, v FLOAT, id INT AUTO_INCREMENT PRIMARY KEY)");
  for (int k = 0; k < 10; ++k) {
    try {
      addRow(cn, t, "tempid0", k, {k, k == 4 ? Variant("x") : Variant(k)});
    } catch (const Error&) {
    }
  }
  cn.Execute("DELETE FROM " + t + " WHERE tempid0 = 3");  // flushes, whatever the mode
  EXPECT_EQ(rows(cn, "SELECT GROUP_CONCAT(id ORDER BY id) FROM " + t), (std::vector<std::string>{"1,2,3,5,6,7,8,9"}));
}

TEST_P(MySqlGrouping, AFailureOfRowsSentForAnotherConnectionReachesTheirOwnCaller) {
  Connection writer, reader;
  open(writer, true);
  open(reader);
  writer.Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");
  std::string t = table("cross");
  create(writer, t);
  std::optional<Error> error;
  try {
    for (int k = 0; k < 10; ++k) addRow(writer, t, "tempid0", k, {k, "w", k == 6 ? Variant("bad") : Variant(k)});
  } catch (const Error& e) {
    error = e;
  }
  EXPECT_EQ(scalar(reader, "SELECT COUNT(*) FROM " + t), "6");  // the reader is not the one who failed
  if (!error) {
    try {
      writer.Execute("SELECT 1");
    } catch (const Error& e) {
      error = e;
    }
  }
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->Number(), 1366);
  EXPECT_EQ(scalar(writer, "SELECT COUNT(*) FROM " + t), "6");
}

// What only grouping can meet.
class MySqlGroupedOnly : public mysqltest::ScratchDatabaseTest {};

// A record set opened without a query, on the layout its query shape gave before, whose table
// changed before its first read: the read is an error; the caller's fields stay as given.
TEST_F(MySqlGroupedOnly, ATableChangedBeforeALazyRecordSetIsReadIsAnError) {
  mysql::setInsertGrouping(true);
  Connection cn, other;
  open(cn, true);
  open(other);
  cn.Execute("CREATE TABLE lazy (k INT, a TEXT)");
  addRow(cn, "lazy", "k", 0, {0, "a"});
  Recordset rs;
  rs.Open("select * from lazy where k=1", cn, adOpenKeyset, adLockOptimistic);
  other.Execute("ALTER TABLE lazy ADD COLUMN b TEXT, ADD COLUMN c INT");
  rs.AddNew();
  rs.Fields()[0].SetValue(1);
  try {
    rs.RecordCount();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1412) << e.Description();
  }
  ASSERT_EQ(rs.Fields().Count(), 2);
  rs.Fields()[1].SetValue("b");
  rs.Update();
  rs.Close();
  EXPECT_EQ(rows(other, "SELECT * FROM lazy ORDER BY k"), (std::vector<std::string>{"0|a|NULL|NULL", "1|b|NULL|NULL"}));
}

// Rows are buffered when the connection dies. The error reaches the caller; the table holds a
// gapless prefix of the rows (the batches the server committed), never a part of a batch and
// never a row twice.
TEST_F(MySqlGroupedOnly, AConnectionKilledWithRowsBufferedReportsTheLossAndKeepsAPrefix) {
  mysql::setInsertGrouping(true);
  Connection cn;
  open(cn, true);
  cn.Execute("CREATE TABLE killed (`tempid0` INTEGER UNSIGNED NOT NULL, name TEXT, v FLOAT)");
  std::string id = scalar(cn, "SELECT CONNECTION_ID()");
  for (int k = 0; k < 1500; ++k) addRow(cn, "killed", "tempid0", k, {k, "k", k});
  Connection killer;
  open(killer);
  killer.Execute("KILL CONNECTION " + id);
  try {
    cn.Execute("ALTER TABLE killed DROP COLUMN `tempid0`");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_TRUE(e.Number() == 2006 || e.Number() == 2013) << e.Number() << " " << e.Description();
  }
  EXPECT_THROW(cn.Execute("SELECT 1"), Error);  // the connection stays unusable
  std::vector<std::string> stored =
      rows(killer, "SELECT COUNT(*), MIN(tempid0), MAX(tempid0), COUNT(DISTINCT tempid0) FROM killed");
  ASSERT_EQ(stored.size(), 1u);
  long count = std::stol(stored[0]);
  EXPECT_GE(count, 1000);  // the first full batch was sent before the kill
  EXPECT_EQ(stored[0], std::to_string(count) + "|0|" + std::to_string(count - 1) + "|" + std::to_string(count));
  EXPECT_EQ(scalar(killer, "SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE()"
                           " AND TABLE_NAME = 'killed' AND COLUMN_NAME = 'tempid0'"),
            "1");
}

}  // namespace
