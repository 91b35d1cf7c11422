// Every MySQL column type: the ADO type code it reports, the typed value it reads as, and the
// round trip of every value through AddNew/Update into a table of the same structure.
#include <gtest/gtest.h>

#include "ScratchDatabase.h"

namespace {

using namespace ado;

struct Column {
  const char* name;
  const char* definition;
  DataTypeEnum type;
};

const Column kColumns[] = {
    {"ti", "TINYINT", adTinyInt},         {"tu", "TINYINT UNSIGNED", adUnsignedTinyInt},
    {"si", "SMALLINT", adSmallInt},       {"su", "SMALLINT UNSIGNED", adUnsignedSmallInt},
    {"y", "YEAR", adUnsignedSmallInt},    {"mi", "MEDIUMINT", adInteger},
    {"mu", "MEDIUMINT UNSIGNED", adUnsignedInt}, {"i", "INT", adInteger},
    {"iu", "INT UNSIGNED", adUnsignedInt}, {"bi", "BIGINT", adBigInt},
    {"bu", "BIGINT UNSIGNED", adUnsignedBigInt}, {"f", "FLOAT", adSingle},
    {"d", "DOUBLE", adDouble},            {"de", "DECIMAL(65,30)", adNumeric},
    {"da", "DATE", adDBDate},             {"tm", "TIME(6)", adDBTime},
    {"dt", "DATETIME(6)", adDBTimeStamp}, {"ts", "TIMESTAMP(3) NULL", adDBTimeStamp},
    {"ch", "CHAR(10)", adChar},           {"en", "ENUM('x','y')", adChar},
    {"st", "SET('a','b')", adChar},       {"vc", "VARCHAR(20)", adVarChar},
    {"tx", "TEXT", adLongVarChar},        {"mt", "MEDIUMTEXT", adLongVarChar},
    {"js", "JSON", adLongVarChar},        {"bn", "BINARY(4)", adBinary},
    {"vb", "VARBINARY(8)", adVarBinary},  {"bl", "BLOB", adLongVarBinary},
    {"lb", "LONGBLOB", adLongVarBinary},  {"b1", "BIT(1)", adBoolean},
    {"b9", "BIT(9)", adBinary},           {"g", "GEOMETRY", adLongVarBinary},
};

std::string createTable(const std::string& name) {
  std::string sql = "CREATE TABLE `" + name + "` (id INT PRIMARY KEY";
  for (const Column& c : kColumns) sql += std::string(", `") + c.name + "` " + c.definition;
  return sql + ")";
}

const std::string kLongBytes = [] {
  std::string s;
  for (int i = 0; i < 70000; ++i) s += static_cast<char>(i * 7);
  return s;
}();

// Row 1: the extremes of each type; row 2: all null; row 3: empty, zero and fractional values.
void fillSource(Connection& cn) {
  cn.Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");  // zero dates allowed, bad values refused
  cn.Execute(createTable("src"));
  cn.Execute(
      "INSERT INTO src VALUES (1, -128, 255, -32768, 65535, 2155, -8388608, 16777215, -2147483648, 4294967295,"
      " -9223372036854775808, 18446744073709551615, 1.1, 0.1,"
      " '-12345678901234567890123456789012345.123456789012345678901234567891',"
      " '2024-02-29', '-838:59:59', '9999-12-31 23:59:59.999999', '2038-01-19 03:14:07.999', 'abc', 'y', 'a,b',"
      " 'Ünïcödé € 😀', 'line1\\nline2 ✓ 中文', '', '{\"k\": [1, 2]}', x'00FF0001', x'FF00', x'00FF00FF', x'" +
      [] {
        std::string hex;
        const char* digits = "0123456789ABCDEF";
        for (unsigned char c : kLongBytes) hex += {digits[c >> 4], digits[c & 15]};
        return hex;
      }() +
      "', 1, b'100000001', ST_GeomFromText('POINT(1 2)'))");
  std::string nulls = "INSERT INTO src (id) VALUES (2)";
  cn.Execute(nulls);
  cn.Execute(
      "INSERT INTO src VALUES (3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -0.5, 1e300, '0.000000000000000000000000000001',"
      " '0000-00-00', '-00:00:01.5', '0000-00-00 00:00:00', '1970-01-01 00:00:01', '', 'x', '', '', 'x', '', '[]',"
      " x'00000000', x'', x'', x'', 0, b'0', NULL)");
  cn.Execute("INSERT INTO src (id, da, tm, dt) VALUES (4, '2024-00-00', '123:04:05.000001', '2024-00-31 01:02:03.5')");
}

class MySqlTypes : public mysqltest::ScratchDatabaseTest {
 protected:
  static void SetUpTestSuite() {
    ScratchDatabaseTest::SetUpTestSuite();
    if (database_.empty()) return;
    Connection cn;
    open(cn);
    fillSource(cn);
  }
};

TEST_F(MySqlTypes, EachColumnTypeReportsItsAdoCodeAndItsValuesExactly) {
  Connection cn;
  cn.SetCursorLocation(adUseClient);
  open(cn);
  Recordset rs;
  rs.Open("SELECT * FROM `src` ORDER BY id", cn, adOpenStatic, adLockOptimistic);
  ASSERT_EQ(rs.RecordCount(), 4);
  auto f = rs.Fields();
  ASSERT_EQ(f.Count(), 1 + static_cast<int>(std::size(kColumns)));
  for (const Column& c : kColumns) EXPECT_EQ(f[c.name].Type(), c.type) << c.definition;
  EXPECT_EQ(f["vc"].DefinedSize(), 20);
  EXPECT_EQ(f["de"].Precision(), 65);
  EXPECT_EQ(f["de"].NumericScale(), 30);

  EXPECT_EQ(f["ti"].Value(), Variant(-128));
  EXPECT_EQ(f["tu"].Value(), Variant(255u));
  EXPECT_EQ(f["y"].Value(), Variant(2155u));
  EXPECT_EQ(f["bi"].Value(), Variant(std::numeric_limits<long long>::min()));
  EXPECT_EQ(f["bu"].Value(), Variant(std::numeric_limits<unsigned long long>::max()));
  EXPECT_EQ(f["f"].Value(), Variant(1.1));  // as MySQL shows the single-precision value
  EXPECT_EQ(f["d"].Value(), Variant(0.1));
  EXPECT_EQ(f["de"].Value(), Variant(Decimal{"-12345678901234567890123456789012345.123456789012345678901234567891"}));
  EXPECT_EQ(f["da"].Value(), Variant(Date{2024, 2, 29}));
  EXPECT_EQ(f["tm"].Value(), Variant(Time{838, 59, 59, 0, true}));
  EXPECT_EQ(f["tm"].Value().toText(), "-838:59:59");
  EXPECT_EQ(f["dt"].Value(), Variant(DateTime{{9999, 12, 31}, {23, 59, 59, 999999}}));
  EXPECT_EQ(f["ts"].Value(), Variant(DateTime{{2038, 1, 19}, {3, 14, 7, 999000}}));
  EXPECT_EQ(f["ch"].Value(), Variant("abc"));
  EXPECT_EQ(f["st"].Value(), Variant("a,b"));
  EXPECT_EQ(f["vc"].Value(), Variant("Ünïcödé € 😀"));
  EXPECT_EQ(f["tx"].Value(), Variant("line1\nline2 ✓ 中文"));
  EXPECT_EQ(f["mt"].Value(), Variant(""));
  EXPECT_EQ(f["bn"].Value(), Variant(Bytes{0x00, 0xFF, 0x00, 0x01}));
  EXPECT_EQ(f["lb"].Value(), Variant(Bytes(kLongBytes.begin(), kLongBytes.end())));
  EXPECT_EQ(f["b1"].Value(), Variant(true));
  EXPECT_EQ(f["b9"].Value(), Variant(Bytes{0x01, 0x01}));

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
  EXPECT_EQ(f["dt"].Value().toText(), "2024-00-31 01:02:03.5");
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

TEST_F(MySqlTypes, EveryValueRoundTripsThroughAddNewUnchanged) {
  Connection cn;
  cn.SetCursorLocation(adUseClient);
  open(cn);
  cn.Execute("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");
  cn.Execute(createTable("copy"));
  Recordset source;
  source.Open("SELECT * FROM `src`", cn, adOpenStatic, adLockOptimistic);
  ASSERT_EQ(source.RecordCount(), 4);
  int fields = source.Fields().Count();
  for (; !source.Eof(); source.MoveNext()) {
    Recordset target;
    target.Open("select * from copy where id=-1", cn, adOpenKeyset, adLockOptimistic);
    target.AddNew();
    for (int j = 0; j < fields; ++j) target.Fields()[j].SetValue(source.Fields()[j].Value());
    target.Update();
    target.Close();
  }
  EXPECT_EQ(scalar(cn, "SELECT COUNT(*) FROM copy"), "4");
  for (const Column& c : kColumns) {
    std::string col = std::string("`") + c.name + "`";
    EXPECT_EQ(scalar(cn, "SELECT COUNT(*) FROM src JOIN copy USING (id) WHERE NOT (src." + col + " <=> copy." + col +
                             ") OR NOT (CAST(src." + col + " AS BINARY) <=> CAST(copy." + col + " AS BINARY))"),
              "0")
        << c.definition;
  }
}

}  // namespace
