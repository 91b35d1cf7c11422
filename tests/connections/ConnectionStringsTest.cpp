#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "connections/ConnectionStrings.h"
#include "platform/Providers.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionString.h"
#include "platform/ado/Error.h"

TEST(ConnectionStringTest, MySqlKeepsItsOrderAndEveryValueAsTypedFoxProUsesTheSelectedSourceOnly) {
  const std::string driver = "DRIVER={MySQL ODBC 3.51 Driver};";
  ConnectionSettings s{"C:\\data\\sales.dbc", "C:\\data", "1", "db1", "123", "u", "", "d"};
  EXPECT_EQ(MySqlConnectionString(s, false), driver + "SERVER=db1;PORT=123;USER=u;DATABASE=d;PASSWORD=;");
  EXPECT_EQ(MySqlConnectionString(s, true), driver + "SERVER=db1;PORT=123;USER=u;DATABASE=d;PASSWORD=;OPTION=133121;");
  EXPECT_EQ(MySqlConnectionString({"", "", "1", " h ", "abc", "a b", "p w", "dé"}, false),
            driver + "SERVER= h ;PORT=abc;USER=a b;DATABASE=dé;PASSWORD=p w;");
  EXPECT_EQ(FoxProConnectionString(s),
            "Provider=vfpoledb.1;Data Source=C:\\data\\sales.dbc;Collating Sequence=machine;");
  s.FoxproOption = "2";
  EXPECT_EQ(FoxProConnectionString(s), "Provider=vfpoledb.1;Data Source=C:\\data;Collating Sequence=general;");
}

// A ";" or braces in a field reach the provider as typed, and never select another server, port
// or folder; a NUL, which cannot be carried, is an error naming the field.
TEST(ConnectionStringTest, EveryFieldArrivesWholeOrIsRefusedByName) {
  for (const QString hostile : {"data;2024", "127.0.0.1;PORT=1", "{pw}", "a}b;{c", "{"}) {
    const ConnectionSettings s{hostile, hostile, "1", hostile, hostile, hostile, hostile, hostile};
    const auto mysql = ado::ConnectionString::parse(MySqlConnectionString(s, true));
    for (const char* key : {"SERVER", "PORT", "USER", "DATABASE", "PASSWORD"})
      EXPECT_EQ(mysql.value(key), hostile.toStdString()) << key;
    EXPECT_EQ(mysql.value("OPTION"), "133121");
    EXPECT_EQ(ado::ConnectionString::parse(FoxProConnectionString(s)).value("Data Source"), hostile.toStdString());
  }

  // The folder "data;2024" beside "data": its own table is listed, not the other folder's.
  QTemporaryDir temp;
  const std::filesystem::path root = temp.path().toStdString();
  for (const auto& [folder, table] : {std::pair{"data;2024", "wanted.dbf"}, std::pair{"data", "other.dbf"}}) {
    std::filesystem::create_directories(root / folder);
    std::filesystem::copy_file(TAVREL_FIXTURES_DIR "/dbfread/memotest.dbf", root / folder / table);
  }
  ado::registerStandardProviders();
  ado::Connection foxpro;
  foxpro.Open(
      FoxProConnectionString({"", QString::fromStdString((root / "data;2024").string()), "2", "", "", "", "", ""}));
  ado::Recordset tables = foxpro.OpenSchema(ado::adSchemaTables);
  ASSERT_FALSE(tables.Eof());
  EXPECT_EQ(tables.Fields()["TABLE_NAME"].Value().asText(), "wanted");
  tables.MoveNext();
  EXPECT_TRUE(tables.Eof());

  const QString withNul = QStringLiteral("db1") + QChar(u'\0') + "evil";
  const std::pair<ConnectionSettings, std::string> refused[] = {
      {{"", "", "1", withNul, "", "", "", ""}, "Server"},
      {{"", "", "1", "db1", "", "", withNul, ""}, "Password"},
      {{withNul, "", "1", "", "", "", "", ""}, "DBC File"},
  };
  for (const auto& [settings, field] : refused) {
    try {
      settings.DBCFile.isEmpty() ? MySqlConnectionString(settings, false) : FoxProConnectionString(settings);
      ADD_FAILURE() << field;
    } catch (const ado::Error& e) {
      EXPECT_NE(e.Description().find("The " + field + " field"), std::string::npos) << e.Description();
    }
  }
}
