// Every MySQL column type: the ADO type code it reports and the typed value it reads as.
#include <gtest/gtest.h>

#include <limits>

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

}  // namespace
