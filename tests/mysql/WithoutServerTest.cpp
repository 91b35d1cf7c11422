// What needs no server: reading the MySQL connection strings the program builds, the one query
// shape whose layout the provider remembers, and the text of rows for LOAD DATA, where every byte
// value, next to every other, comes out as the server's escaping reads it back.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ado/Error.h"
#include "platform/mysql/ConnectionOptions.h"
#include "platform/mysql/LoadText.h"
#include "platform/mysql/QueryShape.h"

namespace {

using mysql::ConnectionOptions;

ConnectionOptions parse(const std::string& rest) {
  return ConnectionOptions::parse(ado::ConnectionString::parse("DRIVER={MySQL ODBC 3.51 Driver};" + rest));
}

TEST(MySqlConnectionOptions, ReadsThePortAndTheCompressionBitAndRefusesWhatIsNoNumber) {
  ConnectionOptions o = parse("SERVER= my host ;PORT= 3307 ;USER=a b;DATABASE=d;PASSWORD= p w ;OPTION=133121;");
  EXPECT_EQ(o.server, " my host ");
  EXPECT_EQ(o.password, " p w ");
  EXPECT_EQ(o.port, 3307u);     // a number with blanks around it is still a number
  EXPECT_TRUE(o.compressed());  // 133121 = 1 + 2048 + 131072
  EXPECT_FALSE(parse("OPTION=131073;").compressed());
  for (const char* local : {"", "localhost", "127.0.0.1", "127.1.2.3", "::1"})  // no network to save
    EXPECT_FALSE(parse(std::string("SERVER=") + local + ";OPTION=133121;").compressed()) << local;
  EXPECT_EQ(parse("SERVER=;PORT=;USER=;DATABASE=;PASSWORD=;").port, 3306u);
  // A port or option that is not a number is refused.
  for (const char* port : {"abc", "12a", "-1", "65536", "3306.5", "99999999999999999999"}) {
    try {
      parse(std::string("SERVER=x;PORT=") + port + ";");
      ADD_FAILURE() << port;
    } catch (const ado::Error& e) {
      EXPECT_NE(e.Description().find(std::string("PORT value \"") + port + "\""), std::string::npos) << e.Description();
    }
  }
  EXPECT_THROW(parse("OPTION=fast;"), ado::Error);
}

TEST(MySqlQueryShape, RecognisesOnlyTheSingleTableLookupByNumber) {
  using mysql::queryShape;
  EXPECT_EQ(queryShape("select * from t where tempid0=17"), "select * from t where tempid0=?");
  EXPECT_EQ(queryShape("SELECT * FROM `my table` WHERE `k` = -5 ;"), "SELECT * FROM `my table` WHERE `k` = ? ;");
  EXPECT_EQ(queryShape("select * from `a``b` where c=1"), "select * from `a``b` where c=?");
  for (const char* other : {"select * from t", "select a from t where c=1", "select * from t where c=1.5",
                            "select * from t where c=1 or 1=1", "select * from t where c='1'",
                            "select * from t where c=1; drop table t", "select * from db.t where c=1",
                            "select * from t where c=1abc", "select * from `t where c=1", "selectx * from t where c=1"})
    EXPECT_FALSE(queryShape(other).has_value()) << other;
  // A run of texts, each shaped as if read alone.
  mysql::QueryShapes shapes;
  for (const char* sql :
       {"select * from t where c=17", "select * from t where c=-123456",
        "select * from t where c=", "select * from t where c=1", "select * from t where c=1 or 1=1",
        "select * from t where c=1abc", "select * from t where c=1.5", "select * from t where c=--1",
        "select * from u where c=2", "select * from `t` where `c` = 3 ;", "select * from `t` where `c` = 30 ;"})
    EXPECT_EQ(shapes.of(sql), queryShape(sql)) << sql;
}

using ado::Variant;

// Each byte as LOAD DATA reads it under its default escape: tab, line feed, backslash and NUL
// escaped, every other byte as it is.
std::string escapedByByte(const std::string& text) {
  std::string out;
  for (char c : text) {
    const char* escape = c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\\' ? "\\\\" : c == '\0' ? "\\0" : nullptr;
    out += escape ? std::string(escape) : std::string(1, c);
  }
  return out;
}

TEST(LoadText, EveryByteNextToEveryOtherIsEscapedAsItselfAlone) {
  std::string pairs;  // every byte before and after every byte, starting and ending the text
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) pairs += {char(a), char(b)};
  const std::string expected = escapedByByte(pairs);
  const ado::Bytes bytes(pairs.begin(), pairs.end());
  std::string row;
  mysql::appendLoadRow(row, {Variant(pairs), Variant(), Variant(bytes), Variant("")});
  const std::string want = expected + "\t\\N\t" + expected + "\t\n";
  EXPECT_TRUE(row == want) << "first difference at byte "
                           << std::mismatch(row.begin(), row.end(), want.begin(), want.end()).first - row.begin();
}

}  // namespace
