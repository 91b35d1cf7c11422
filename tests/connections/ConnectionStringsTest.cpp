#include <QDir>

#include "SetupWindowTest.h"
#include "connections/ConnectionStrings.h"

namespace {
ConnectionSettings mysqlSettings(QString server, QString port, QString user, QString password, QString database) {
  return {"", "", "1", server, port, user, password, database};
}
}  // namespace

TEST(ConnectionStringTest, MySqlKeepsItsOrderAndEveryValueAsTyped) {
  const auto plain = mysqlSettings("db1", "123", "u", "", "d");
  EXPECT_EQ(MySqlConnectionString(plain, false),
            "DRIVER={MySQL ODBC 3.51 Driver};SERVER=db1;PORT=123;USER=u;DATABASE=d;PASSWORD=;");
  EXPECT_EQ(MySqlConnectionString(plain, true),
            "DRIVER={MySQL ODBC 3.51 Driver};SERVER=db1;PORT=123;USER=u;DATABASE=d;PASSWORD=;OPTION=133121;");
  EXPECT_EQ(MySqlConnectionString(mysqlSettings(" h ", "abc", "a b", "p;w", "dé"), false),
            "DRIVER={MySQL ODBC 3.51 Driver};SERVER= h ;PORT=abc;USER=a b;DATABASE=dé;PASSWORD=p;w;");
  EXPECT_EQ(MySqlConnectionString(ConnectionSettings{}, false),
            "DRIVER={MySQL ODBC 3.51 Driver};SERVER=;PORT=;USER=;DATABASE=;PASSWORD=;");
}

TEST(ConnectionStringTest, FoxProUsesTheSelectedSourceOnly) {
  ConnectionSettings s{"C:\\data\\sales.dbc", "C:\\data", "1", "", "", "", "", ""};
  EXPECT_EQ(FoxProConnectionString(s), "Provider=vfpoledb.1;Data Source=C:\\data\\sales.dbc;Collating Sequence=machine;");
  s.FoxproOption = "2";
  EXPECT_EQ(FoxProConnectionString(s), "Provider=vfpoledb.1;Data Source=C:\\data;Collating Sequence=general;");
  s.FreeTableFolder = "/srv/free tables/";
  EXPECT_EQ(FoxProConnectionString(s), "Provider=vfpoledb.1;Data Source=/srv/free tables/;Collating Sequence=general;");
}

using ProbeTest = SetupWindowTest;

TEST_F(ProbeTest, FoxProProbeOpensOnlyWhatExistsAndLeavesNothingOpen) {
  QDir(configFolder()).mkdir("folder.dbc");
  ConnectionSettings s;
  s.FoxproOption = "1";
  for (const char* good : {"northwind/northwind.dbc", "go-dbase/database/EXPENSES.DBC"}) {
    s.DBCFile = fixture(good);
    EXPECT_TRUE(TestFoxProConnection(s)) << good;
  }
  for (const QString& bad : {fixture("northwind/missing.dbc"), configFolder() + "/folder.dbc", QString()}) {
    s.DBCFile = bad;
    EXPECT_FALSE(TestFoxProConnection(s)) << bad.toStdString();
  }
  s.FoxproOption = "2";
  s.FreeTableFolder = fixture("northwind");
  EXPECT_TRUE(TestFoxProConnection(s));
  s.FreeTableFolder = fixture("no-such-folder");
  EXPECT_FALSE(TestFoxProConnection(s));
  EXPECT_EQ(foxpro->attempts, 7);
  EXPECT_EQ(*foxpro->open, 0);
}

TEST_F(ProbeTest, MySqlProbeSucceedsOnlyWithTheRightLogin) {
  testdb::Server server;
  TAVREL_REQUIRE_SERVER(server);
  const auto good = mysqlSettings(QString::fromStdString(server.host), QString::fromStdString(server.port),
                                  QString::fromStdString(server.user), QString::fromStdString(server.password),
                                  QString::fromStdString(server.database));
  EXPECT_TRUE(TestMySqlConnection(good));
  auto wrong = good;
  wrong.MySQLPassword += "x";
  EXPECT_FALSE(TestMySqlConnection(wrong));
  EXPECT_EQ(mysql->attempts, 2);
  EXPECT_EQ(*mysql->open, 0);
}
