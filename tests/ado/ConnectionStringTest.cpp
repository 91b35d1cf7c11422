#include <gtest/gtest.h>

#include "platform/ado/ConnectionString.h"

using ado::ConnectionString;

TEST(ConnectionString, ReadsTheMySqlStringAsTheSystemBuildsIt) {
  auto cs = ConnectionString::parse(
      "DRIVER={MySQL ODBC 3.51 Driver};SERVER=db1;PORT=123;USER=u;DATABASE=d;PASSWORD=;OPTION=133121;");
  EXPECT_EQ(cs.value("DRIVER"), "MySQL ODBC 3.51 Driver");
  EXPECT_EQ(cs.value("server"), "db1");
  EXPECT_EQ(cs.value("PORT"), "123");
  EXPECT_EQ(cs.value("USER"), "u");
  EXPECT_EQ(cs.value("DATABASE"), "d");
  ASSERT_TRUE(cs.get("PASSWORD").has_value());
  EXPECT_EQ(*cs.get("PASSWORD"), "");
  EXPECT_EQ(cs.value("OPTION"), "133121");
  EXPECT_FALSE(cs.has("SOCKET"));
}

TEST(ConnectionString, KeepsValuesExactlyAndTheFirstOfRepeatedKeys) {
  auto cs = ConnectionString::parse(
      "Provider=vfpoledb.1;Data Source=/home/me/My Data/sales.dbc;Collating Sequence=machine;DATA SOURCE=other");
  EXPECT_EQ(cs.value("Provider"), "vfpoledb.1");
  EXPECT_EQ(cs.value("data source"), "/home/me/My Data/sales.dbc");
  EXPECT_EQ(cs.value("Collating Sequence"), "machine");
  auto spaced = ConnectionString::parse("SERVER= db1 ;PASSWORD=a=b");
  EXPECT_EQ(spaced.value("SERVER"), " db1 ");
  EXPECT_EQ(spaced.value("PASSWORD"), "a=b");
}

TEST(ConnectionString, ASemicolonEndsAValue) {
  // As with a driver manager: "PASSWORD=a;b;" is the password "a"; "b" is a stray word.
  auto cs = ConnectionString::parse("USER=u;PASSWORD=a;b;DATABASE=d;");
  EXPECT_EQ(cs.value("PASSWORD"), "a");
  EXPECT_EQ(cs.value("DATABASE"), "d");
  EXPECT_TRUE(ConnectionString::parse("").pairs().empty());
  EXPECT_TRUE(ConnectionString::parse(";;=x;").pairs().empty());
}
