// Reading the MySQL connection strings the program builds, and the one query shape whose
// layout the provider remembers. No server needed.
#include <gtest/gtest.h>

#include "platform/ado/Error.h"
#include "platform/mysql/ConnectionOptions.h"
#include "platform/mysql/QueryShape.h"

namespace {

using mysql::ConnectionOptions;

ConnectionOptions parse(const std::string& text) { return ConnectionOptions::parse(ado::ConnectionString::parse(text)); }

TEST(MySqlConnectionOptions, ReadsTheStringsTheProgramBuilds) {
  ConnectionOptions o = parse("DRIVER={MySQL ODBC 3.51 Driver};SERVER=db1;PORT=123;USER=u;DATABASE=d;PASSWORD=;");
  EXPECT_EQ(o.server, "db1");
  EXPECT_EQ(o.port, 123u);
  EXPECT_EQ(o.user, "u");
  EXPECT_EQ(o.database, "d");
  EXPECT_EQ(o.password, "");
  EXPECT_FALSE(o.compressed());

  ConnectionOptions withOptions =
      parse("DRIVER={MySQL ODBC 3.51 Driver};SERVER=db1;PORT=123;USER=u;DATABASE=d;PASSWORD=pw;OPTION=133121;");
  EXPECT_EQ(withOptions.password, "pw");
  EXPECT_EQ(withOptions.option, 133121u);
  EXPECT_TRUE(withOptions.compressed());  // 133121 = 1 + 2048 + 131072
  EXPECT_FALSE(parse("DRIVER={MySQL ODBC 3.51 Driver};OPTION=131073;").compressed());

  ConnectionOptions empty = parse("DRIVER={MySQL ODBC 3.51 Driver};SERVER=;PORT=;USER=;DATABASE=;PASSWORD=;");
  EXPECT_EQ(empty.server, "");
  EXPECT_EQ(empty.port, 3306u);
  EXPECT_EQ(empty.database, "");
}

TEST(MySqlConnectionOptions, KeepsValuesExactlyAsWritten) {
  ConnectionOptions o = parse("DRIVER={MySQL ODBC 3.51 Driver};SERVER= my host ;PORT= 3307 ;USER=a b;"
                              "DATABASE=sales 2024;PASSWORD= p w ;");
  EXPECT_EQ(o.server, " my host ");
  EXPECT_EQ(o.port, 3307u);  // a number with blanks around it is still a number
  EXPECT_EQ(o.user, "a b");
  EXPECT_EQ(o.database, "sales 2024");
  EXPECT_EQ(o.password, " p w ");
  EXPECT_EQ(parse("driver={MySQL ODBC 3.51 Driver};server=x;port=1;").server, "x");  // keys in any case
}

TEST(MySqlConnectionOptions, RejectsAPortOrOptionThatIsNotANumber) {
  for (const char* port : {"abc", "12a", "-1", "65536", "3306.5", "99999999999999999999"}) {
    try {
      parse(std::string("DRIVER={MySQL ODBC 3.51 Driver};SERVER=x;PORT=") + port + ";");
      ADD_FAILURE() << port;
    } catch (const ado::Error& e) {
      EXPECT_NE(e.Description().find("PORT"), std::string::npos) << e.Description();
      EXPECT_NE(e.Description().find(port), std::string::npos) << e.Description();
    }
  }
  EXPECT_THROW(parse("DRIVER={MySQL ODBC 3.51 Driver};OPTION=fast;"), ado::Error);
}

TEST(MySqlQueryShape, RecognisesOnlyTheSingleTableLookupByNumber) {
  using mysql::queryShape;
  EXPECT_EQ(queryShape("select * from t where tempid0=17"), "select * from t where tempid0=?");
  EXPECT_EQ(queryShape("select * from t where tempid0=18"), queryShape("select * from t where tempid0=0"));
  EXPECT_EQ(queryShape("SELECT * FROM `my table` WHERE `k` = -5 ;"), "SELECT * FROM `my table` WHERE `k` = ? ;");
  EXPECT_EQ(queryShape("select * from `a``b` where c=1"), "select * from `a``b` where c=?");
  EXPECT_NE(queryShape("select * from t where c=1"), queryShape("select * from u where c=1"));
  for (const char* other : {"select * from t", "select a from t where c=1", "select * from t where c=1.5",
                            "select * from t where c=1 or 1=1", "select * from t where c='1'",
                            "select * from t where c=1; drop table t", "select * from db.t where c=1",
                            "select * from t where c=1abc", "select * from `t where c=1", "selectx * from t where c=1"})
    EXPECT_FALSE(queryShape(other).has_value()) << other;
}

}  // namespace
