#include <gtest/gtest.h>

#include "connections/ConnectionStrings.h"

TEST(ConnectionStringTest, MySqlKeepsItsOrderAndEveryValueAsTyped) {
  const ConnectionSettings plain{"", "", "1", "db1", "123", "u", "", "d"};
  const std::string expected = "DRIVER={MySQL ODBC 3.51 Driver};SERVER=db1;PORT=123;USER=u;DATABASE=d;PASSWORD=;";
  EXPECT_EQ(MySqlConnectionString(plain, false), expected);
  EXPECT_EQ(MySqlConnectionString(plain, true), expected + "OPTION=133121;");
  EXPECT_EQ(MySqlConnectionString({"", "", "1", " h ", "abc", "a b", "p;w", "dé"}, false),
            "DRIVER={MySQL ODBC 3.51 Driver};SERVER= h ;PORT=abc;USER=a b;DATABASE=dé;PASSWORD=p;w;");
  EXPECT_EQ(MySqlConnectionString({}, false),
            "DRIVER={MySQL ODBC 3.51 Driver};SERVER=;PORT=;USER=;DATABASE=;PASSWORD=;");
}

TEST(ConnectionStringTest, FoxProUsesTheSelectedSourceOnly) {
  ConnectionSettings s{"C:\\data\\sales.dbc", "C:\\data", "1", "", "", "", "", ""};
  EXPECT_EQ(FoxProConnectionString(s),
            "Provider=vfpoledb.1;Data Source=C:\\data\\sales.dbc;Collating Sequence=machine;");
  s.FoxproOption = "2";
  EXPECT_EQ(FoxProConnectionString(s), "Provider=vfpoledb.1;Data Source=C:\\data;Collating Sequence=general;");
}
