#include <gtest/gtest.h>

#include "platform/ado/ConnectionString.h"
#include "platform/ado/Error.h"

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

TEST(ConnectionString, BracesCarryAnyValueAndMalformedOnesAreErrors) {
  EXPECT_EQ(ConnectionString::quote("/home/me/My Data"), "/home/me/My Data");  // plain stays byte for byte
  EXPECT_EQ(ConnectionString::quote("a;b}c"), "{a;b}}c}");
  EXPECT_EQ(ConnectionString::quote("{x"), "{{x}");
  auto cs = ConnectionString::parse("PASSWORD={a;b}}c}  ;USER={};DATABASE= {d};");
  EXPECT_EQ(cs.value("PASSWORD"), "a;b}c");
  EXPECT_EQ(cs.get("USER"), "");
  EXPECT_EQ(cs.value("DATABASE"), " {d}");  // a brace after a blank is plain text
  for (const char* malformed : {"PASSWORD={abc", "PASSWORD={a}b;", "PASSWORD={a}}"}) {
    try {
      ConnectionString::parse(malformed);
      ADD_FAILURE() << malformed;
    } catch (const ado::Error& e) {
      EXPECT_NE(e.Description().find("PASSWORD value"), std::string::npos) << e.Description();
    }
  }
}
