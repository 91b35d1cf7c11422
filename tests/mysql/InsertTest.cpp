// Rows added through AddNew/Update: into the columns the FoxPro → MySQL copy creates, with values
// of every kind converted by the server, and refusals. (Unassigned fields taking their defaults:
// the lookup after an ALTER in BatchingTest.)
#include <gtest/gtest.h>

#include "ScratchDatabase.h"

namespace {

using namespace ado;

class MySqlInsert : public mysqltest::ScratchDatabaseTest {};

TEST_F(MySqlInsert, TheCopyFromFoxProStoresEveryKindOfValueInItsColumns) {
  Connection cn;
  cn.SetCursorLocation(adUseServer);
  open(cn, true);
  cn.Execute(
      "CREATE TABLE `people`( `tempid0` INTEGER UNSIGNED NOT NULL,`name` TEXT,`ok` BIT,`amount` FLOAT,"
      "`small` SMALLINT,`total` DOUBLE,`photo` LONGBLOB );");
  const std::vector<std::vector<Variant>> source = {
      {Variant("O'Brien \"quoted\" \\ ✓ 😀"), Variant(true), Variant(Decimal{"12.5"}), Variant(-7), Variant(0.1),
       Variant(Bytes{0x00, 0xFF, 0x27, 0x5C})},
      {Variant(""), Variant(false), Variant("2.25"), Variant("42"), Variant(Decimal{"123456789.125"}),
       Variant(Bytes{})},
      {Variant(), Variant(), Variant(), Variant(), Variant(), Variant()},
      {Variant(Date{2024, 2, 29}), Variant(1), Variant(3u), Variant(true), Variant(1e300), Variant("text as bytes")},
      {Variant(DateTime{{2024, 1, 2}, {3, 4, 5, 500000}}), Variant(0), Variant(1e-3), Variant(32767.0),
       Variant(Time{25, 0, 0, 0, true}), Variant(Bytes{'a'})},
      {Variant(Bytes{'u', 't', 'f', 0xE2, 0x9C, 0x93}), Variant(Decimal{"1"}), Variant(-1.5), Variant(Decimal{"-3"}),
       Variant(9007199254740993ull), Variant(Date{0, 0, 0})},
  };
  for (std::size_t k = 0; k < source.size(); ++k) {
    std::vector<Variant> values{Variant(static_cast<long>(k))};
    values.insert(values.end(), source[k].begin(), source[k].end());
    addRow(cn, "people", "tempid0", static_cast<long>(k), values);
  }
  cn.Execute("ALTER TABLE people DROP COLUMN `tempid0`");
  EXPECT_EQ(rows(cn, "SELECT name, ok+0, amount, small, total, HEX(photo) FROM people"),
            (std::vector<std::string>{
                "O'Brien \"quoted\" \\ ✓ 😀|1|12.5|-7|0.1|00FF275C",
                "|0|2.25|42|123456789.125|",
                "NULL|NULL|NULL|NULL|NULL|NULL",
                "2024-02-29|1|3|1|1e+300|74657874206173206279746573",
                "2024-01-02 03:04:05.500000|0|0.001|32767|-250000|61",
                "utf✓|1|-1.5|-3|9007199254740992|303030302D30302D3030",
            }));
}

TEST_F(MySqlInsert, AValueTheColumnRefusesIsAnErrorAndEarlierRowsStay) {
  Connection cn;
  open(cn);
  cn.Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");
  cn.Execute("CREATE TABLE r (`tempid0` INTEGER UNSIGNED NOT NULL, v FLOAT, s SMALLINT, t TEXT)");
  addRow(cn, "r", "tempid0", 0, {0, "1.5", 1, Date{2024, 2, 29}});
  struct Refusal {
    std::vector<Variant> values;
    long number;
    const char* inMessage;
  };
  const Refusal refusals[] = {
      {{1, "abc", 1}, 1366, "`v`"},          // text that is no number, into FLOAT
      {{1, 1, 40000}, 1264, "'s'"},          // out of SMALLINT's range
      {{Variant(), 1, 1}, 1048, "tempid0"},  // null into NOT NULL
      {{-1, 1, 1}, 1264, "tempid0"},         // negative into UNSIGNED
      // Dates and times no MySQL value can hold: bound as they are, they were stored as others
      // (the year 70000 as 4464) without a word, also as text.
      {{1, 1, 1, Date{70000, 1, 1}}, errors::kWrongArgument, "70000-01-01"},
      {{1, 1, 1, Time{1, 60, 0}}, errors::kWrongArgument, "01:60:00"},
      {{1, 1, 1, Time{839, 0, 0}}, errors::kWrongArgument, "839:00:00"},
      {{1, 1, 1, DateTime{{2024, 1, 1}, {24, 0, 0}}}, errors::kWrongArgument, "2024-01-01 24:00:00"},
  };
  for (const Refusal& r : refusals) {
    const std::optional<Error> e = failure([&] {
      addRow(cn, "r", "tempid0", 1, r.values);
      scalar(cn, "SELECT 1");  // a grouped row's error comes out by the next statement at the latest
    });
    ASSERT_TRUE(e.has_value()) << r.inMessage << " stored";
    EXPECT_EQ(e->Number(), r.number) << e->Description();
    EXPECT_NE(e->Description().find(r.inMessage), std::string::npos) << e->Description();
  }
  addRow(cn, "r", "tempid0", 2, {2, 2.5, 2});
  // The outermost values MySQL can hold are taken.
  addRow(cn, "r", "tempid0", 3, {3, 1, 1, Time{838, 59, 59, 0, true}});
  addRow(cn, "r", "tempid0", 4, {4, 1, 1, DateTime{{9999, 12, 31}, {23, 59, 59, 999999}}});
  EXPECT_EQ(rows(cn, "SELECT * FROM r"),
            (std::vector<std::string>{"0|1.5|1|2024-02-29", "2|2.5|2|NULL", "3|1|1|-838:59:59",
                                      "4|1|1|9999-12-31 23:59:59.999999"}));
}

TEST_F(MySqlInsert, OnlyUpdatableRecordsetsOverOneTableTakeRows) {
  Connection cn;
  open(cn);
  cn.Execute("CREATE TABLE a (x INT)");
  cn.Execute("CREATE TABLE b (y INT)");
  auto refuses = [&](Recordset rs) {
    rs.AddNew();
    rs.Fields()[0].SetValue(1);
    EXPECT_THROW(rs.Update(), Error);
  };
  refuses(cn.Execute("SELECT * FROM a"));  // what Execute returns is read-only
  const std::pair<const char*, LockTypeEnum> opened[] = {{"SELECT * FROM a", adLockReadOnly},
                                                         {"SELECT * FROM a, b", adLockOptimistic},
                                                         {"SELECT x + 1 FROM a", adLockOptimistic}};
  for (const auto& [query, lock] : opened) {
    Recordset rs;
    rs.Open(query, cn, adOpenKeyset, lock);
    refuses(rs);
  }
  EXPECT_EQ(scalar(cn, "SELECT COUNT(*) FROM a"), "0");
}

}  // namespace
