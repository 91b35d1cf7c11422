// Reading from MySQL: every column type with the ADO type code it reports and the typed value it
// reads as; static record sets read as the server sends them, whose count is exact before the
// first row and stays that of the snapshot while another connection changes the table, anything
// else done on the same connection meanwhile working as on a stored result.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>

#include "ScratchDatabase.h"

namespace {

using namespace ado;

const std::string kLongBytes = [] {
  std::string s;
  for (int i = 0; i < 70000; ++i) s += static_cast<char>(i * 7);
  return s;
}();

std::string hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) out += {"0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15]};
  return out;
}

// Each type with the extreme (or telling) value of the first row, as SQL and as read.
struct Column {
  const char* name;
  const char* definition;
  DataTypeEnum type;
  std::string literal;
  Variant value;
};

const std::vector<Column> kColumns = {
    {"ti", "TINYINT", adTinyInt, "-128", -128},
    {"tu", "TINYINT UNSIGNED", adUnsignedTinyInt, "255", 255u},
    {"si", "SMALLINT", adSmallInt, "-32768", -32768},
    {"su", "SMALLINT UNSIGNED", adUnsignedSmallInt, "65535", 65535u},
    {"y", "YEAR", adUnsignedSmallInt, "2155", 2155u},
    {"mi", "MEDIUMINT", adInteger, "-8388608", -8388608},
    {"mu", "MEDIUMINT UNSIGNED", adUnsignedInt, "16777215", 16777215u},
    {"i", "INT", adInteger, "-2147483648", -2147483648LL},
    {"iu", "INT UNSIGNED", adUnsignedInt, "4294967295", 4294967295u},
    {"bi", "BIGINT", adBigInt, "-9223372036854775808", std::numeric_limits<long long>::min()},
    {"bu", "BIGINT UNSIGNED", adUnsignedBigInt, "18446744073709551615", 18446744073709551615ULL},
    {"f", "FLOAT", adSingle, "1.1", 1.1},  // as MySQL shows the single-precision value
    {"d", "DOUBLE", adDouble, "0.1", 0.1},
    {"de", "DECIMAL(65,30)", adNumeric, "'-12345678901234567890123456789012345.123456789012345678901234567891'",
     Decimal{"-12345678901234567890123456789012345.123456789012345678901234567891"}},
    {"da", "DATE", adDBDate, "'2024-02-29'", Date{2024, 2, 29}},
    {"tm", "TIME(6)", adDBTime, "'-838:59:59'", Time{838, 59, 59, 0, true}},
    {"dt", "DATETIME(6)", adDBTimeStamp, "'9999-12-31 23:59:59.999999'",
     DateTime{{9999, 12, 31}, {23, 59, 59, 999999}}},
    {"ts", "TIMESTAMP(3) NULL", adDBTimeStamp, "'2038-01-19 03:14:07.999'",
     DateTime{{2038, 1, 19}, {3, 14, 7, 999000}}},
    {"ch", "CHAR(10)", adChar, "'abc'", "abc"},
    {"en", "ENUM('x','y')", adChar, "'y'", "y"},
    {"st", "SET('a','b')", adChar, "'a,b'", "a,b"},
    {"vc", "VARCHAR(20)", adVarChar, "'Ünïcödé € 😀'", "Ünïcödé € 😀"},
    {"tx", "TEXT", adLongVarChar, "'line1\\nline2 ✓ 中文'", "line1\nline2 ✓ 中文"},
    {"mt", "MEDIUMTEXT", adLongVarChar, "''", ""},
    {"js", "JSON", adLongVarChar, "'{\"k\": [1, 2]}'", "{\"k\": [1, 2]}"},
    {"bn", "BINARY(4)", adBinary, "x'00FF0001'", Bytes{0x00, 0xFF, 0x00, 0x01}},
    {"vb", "VARBINARY(8)", adVarBinary, "x'FF00'", Bytes{0xFF, 0x00}},
    {"bl", "BLOB", adLongVarBinary, "x'00FF00FF'", Bytes{0x00, 0xFF, 0x00, 0xFF}},
    {"lb", "LONGBLOB", adLongVarBinary, "x'" + hex(kLongBytes) + "'", Bytes(kLongBytes.begin(), kLongBytes.end())},
    {"b1", "BIT(1)", adBoolean, "1", true},
    {"b9", "BIT(9)", adBinary, "b'100000001'", Bytes{0x01, 0x01}},
    {"g", "GEOMETRY", adLongVarBinary, "ST_GeomFromText('POINT(1 2)')", Variant()},  // bytes: see ValueMatrix
};

using MySqlTypes = mysqltest::ScratchDatabaseTest;

// Row 1: the values above; row 2: all null; row 3: empty, zero and fractional values; row 4:
// dates with zero parts and a TIME past a day.
TEST_F(MySqlTypes, EachColumnTypeReportsItsAdoCodeAndItsValuesExactly) {
  Connection cn;
  cn.SetCursorLocation(adUseClient);
  open(cn);
  cn.Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");  // zero dates allowed, bad values refused
  std::string create = "CREATE TABLE src (id INT PRIMARY KEY", first = "INSERT INTO src VALUES (1";
  for (const Column& c : kColumns) {
    create += std::string(", `") + c.name + "` " + c.definition;
    first += ", " + c.literal;
  }
  cn.Execute(create + ")");
  cn.Execute(first + ")");
  cn.Execute("INSERT INTO src (id) VALUES (2)");
  cn.Execute(
      "INSERT INTO src VALUES (3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -0.5, 1e300, '0.000000000000000000000000000001',"
      " '0000-00-00', '-00:00:01.5', '0000-00-00 00:00:00', '1970-01-01 00:00:01', '', 'x', '', '', 'x', '', '[]',"
      " x'00000000', x'', x'', x'', 0, b'0', NULL)");
  cn.Execute("INSERT INTO src (id, da, tm, dt) VALUES (4, '2024-00-00', '123:04:05.000001', '2024-00-31 01:02:03.5')");
  Recordset rs;
  rs.Open("SELECT * FROM `src` ORDER BY id", cn, adOpenStatic, adLockOptimistic);
  ASSERT_EQ(rs.RecordCount(), 4);
  auto f = rs.Fields();
  ASSERT_EQ(f.Count(), 1 + static_cast<int>(kColumns.size()));
  for (const Column& c : kColumns) {
    EXPECT_EQ(f[c.name].Type(), c.type) << c.definition;
    if (!c.value.isNull()) {
      EXPECT_EQ(f[c.name].Value(), c.value) << c.definition;
    }
  }
  EXPECT_EQ(f["vc"].DefinedSize(), 20);
  EXPECT_EQ(f["de"].Precision(), 65);
  EXPECT_EQ(f["de"].NumericScale(), 30);
  EXPECT_EQ(f["tm"].Value().toText(), "-838:59:59");

  rs.MoveNext();  // all null: null, never an empty text or a zero
  for (int i = 1; i < f.Count(); ++i) EXPECT_TRUE(f[i].Value().isNull()) << f[i].Name();

  rs.MoveNext();
  EXPECT_EQ(f["mt"].Value(), Variant(""));
  EXPECT_EQ(f["de"].Value(), Variant(Decimal{"0.000000000000000000000000000001"}));
  EXPECT_EQ(f["d"].Value(), Variant(1e300));
  EXPECT_EQ(f["tm"].Value(), Variant(Time{0, 0, 1, 500000, true}));
  EXPECT_EQ(f["tm"].Value().toText(), "-00:00:01.5");
  // Zero dates keep their zero parts; their text is MySQL's own.
  EXPECT_EQ(f["da"].Value(), Variant(Date{0, 0, 0}));
  EXPECT_EQ(f["da"].Value().toText(), "0000-00-00");
  EXPECT_EQ(f["dt"].Value().toText(), "0000-00-00 00:00:00");
  EXPECT_EQ(f["b1"].Value(), Variant(false));
  EXPECT_EQ(f["vb"].Value(), Variant(Bytes{}));

  rs.MoveNext();
  EXPECT_EQ(f["da"].Value().toText(), "2024-00-00");
  EXPECT_EQ(f["tm"].Value(), Variant(Time{123, 4, 5, 1}));
  EXPECT_EQ(f["tm"].Value().toText(), "123:04:05.000001");  // the fraction keeps its leading zeros
  EXPECT_EQ(f["dt"].Value().toText(), "2024-00-31 01:02:03.5");
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

using MySqlStream = mysqltest::ScratchDatabaseTest;

TEST_F(MySqlStream, CountsInTheSnapshotAndLetsOtherWorkInterleave) {
  ado::Connection setup;
  open(setup);
  setup.Execute("CREATE TABLE s (id INT PRIMARY KEY, v VARCHAR(10))");
  setup.Execute("CREATE TABLE m (id INT) ENGINE=MyISAM");
  setup.Execute("INSERT INTO s VALUES (1,'a'),(2,'b'),(3,'c'),(4,'d')");
  setup.Execute("INSERT INTO m VALUES (1),(2)");

  ado::Connection cn;
  cn.SetCursorLocation(ado::adUseClient);
  open(cn);
  ado::Recordset rs;
  rs.Open("SELECT * FROM `s`", cn, ado::adOpenStatic, ado::adLockOptimistic);
  EXPECT_EQ(rs.RecordCount(), 4);
  // Another connection changes the table after the count: the read shows the snapshot.
  setup.Execute("INSERT INTO s VALUES (5,'e')");
  setup.Execute("DELETE FROM s WHERE id = 1");
  EXPECT_EQ(rs.Fields()["id"].Value(), ado::Variant(1));
  rs.MoveNext();
  // A statement and a second record set on the same connection while rows are still to come.
  EXPECT_EQ(scalar(cn, "SELECT COUNT(*) FROM s"), "4");
  ado::Recordset other;
  other.Open("SELECT * FROM m", cn, ado::adOpenStatic, ado::adLockReadOnly);
  EXPECT_EQ(other.RecordCount(), 2);
  // A row added through the first record set (it becomes the current row), then the rest.
  std::vector<std::string> ids = {rs.Fields()["id"].Value().toText()};
  rs.AddNew();
  rs.Fields()["id"].SetValue(9);
  rs.Update();
  for (rs.MoveNext(); !rs.Eof(); rs.MoveNext()) ids.push_back(rs.Fields()["id"].Value().toText());
  EXPECT_EQ(ids, (std::vector<std::string>{"2", "3", "4"}));
  for (int walked = 0; !other.Eof(); other.MoveNext()) EXPECT_EQ(other.Fields()[0].Value(), ado::Variant(++walked));
  EXPECT_EQ(rs.RecordCount(), 5);
  EXPECT_EQ(scalar(setup, "SELECT GROUP_CONCAT(id ORDER BY id) FROM s"), "2,3,4,5,9");

  // Closed early, and a transaction of the caller's own: the connection stays usable and the
  // caller's transaction is left to the caller.
  rs.Close();
  rs.Open("SELECT * FROM `s`", cn, ado::adOpenStatic, ado::adLockReadOnly);
  rs.Close();
  cn.Execute("START TRANSACTION");
  cn.Execute("INSERT INTO s VALUES (10, 'x')");
  rs.Open("SELECT * FROM `s`", cn, ado::adOpenStatic, ado::adLockReadOnly);
  EXPECT_EQ(rs.RecordCount(), 6);
  rs.Close();
  cn.Execute("ROLLBACK");
  EXPECT_EQ(scalar(setup, "SELECT COUNT(*) FROM s"), "5");
}

// A reader that pauses longer than the server's net_write_timeout still gets every row.
TEST_F(MySqlStream, AReaderThatPausesKeepsItsRows) {
  ado::Connection setup;
  open(setup);
  setup.Execute("CREATE TABLE wide (id INT PRIMARY KEY, v VARCHAR(200))");
  setup.Execute("INSERT INTO wide SELECT seq, REPEAT('x', 200) FROM seq_1_to_200000");
  const std::string timeout = scalar(setup, "SELECT @@GLOBAL.net_write_timeout");
  setup.Execute("SET GLOBAL net_write_timeout = 1");
  struct Restore {
    ado::Connection& cn;
    std::string value;
    ~Restore() { cn.Execute("SET GLOBAL net_write_timeout = " + value); }
  } restore{setup, timeout};
  ado::Connection cn;
  open(cn);
  ado::Recordset rs;
  rs.Open("SELECT * FROM wide", cn, ado::adOpenStatic, ado::adLockReadOnly);
  ASSERT_EQ(rs.RecordCount(), 200000);
  long rows = 0;
  for (; !rs.Eof(); rs.MoveNext())
    if (++rows == 2) std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_EQ(rows, 200000);
}

}  // namespace
