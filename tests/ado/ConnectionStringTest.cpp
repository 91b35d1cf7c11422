#include <gtest/gtest.h>

#include "platform/ado/ConnectionString.h"

using ado::ConnectionString;

TEST(ConnectionString, KeepsValuesExactlyAndTheFirstOfRepeatedKeys) {
  auto cs = ConnectionString::parse(
      "Provider=vfpoledb.1;Data Source=/home/me/My Data/sales.dbc;Collating Sequence=machine;DATA SOURCE=other");
  EXPECT_EQ(cs.value("data source"), "/home/me/My Data/sales.dbc");
  EXPECT_EQ(cs.value("Collating Sequence"), "machine");
  EXPECT_FALSE(cs.has("SERVER"));
  auto mysql = ConnectionString::parse("DRIVER={MySQL ODBC 3.51 Driver};SERVER= db1 ;PASSWORD=;OPTION=a=b;");
  EXPECT_EQ(mysql.value("DRIVER"), "MySQL ODBC 3.51 Driver");
  EXPECT_EQ(mysql.value("SERVER"), " db1 ");
  EXPECT_EQ(mysql.get("PASSWORD"), "");
  EXPECT_EQ(mysql.value("OPTION"), "a=b");
  // As with a driver manager: "PASSWORD=a;b;" is the password "a"; "b" is a stray word.
  auto cut = ConnectionString::parse("USER=u;PASSWORD=a;b;DATABASE=d;");
  EXPECT_EQ(cut.value("PASSWORD"), "a");
  EXPECT_EQ(cut.value("DATABASE"), "d");
  EXPECT_TRUE(ConnectionString::parse(";;=x;").pairs().empty());
}
