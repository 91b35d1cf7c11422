#pragma once
// The copy to FoxPro driven as a user drives it, offscreen: the Setup Connections window's
// fields name the throwaway MariaDB (a scratch database per test) and a FoxPro target (a fresh
// folder, or a copy of a fixture container); OK opens the main window, whose load fills both
// lists; tables clicked; "Send Table(s) to FoxPro" clicked. Tables are read back with
// python3-dbfread and python3-dbf (read_dbf.py).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProgressBar>
#include <QTemporaryDir>
#include <filesystem>
#include <unistd.h>

#include "../support/GuiTest.h"
#include "../mysql/ScratchDatabase.h"
#include "../support/TestDatabase.h"
#include "../support/MainWindowSteps.h"
#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"

class CopyTest : public GuiTest {
 protected:
  static void TearDownTestSuite() {
    if (database_.empty()) return;
    mysqltest::dropDatabase(server_, database_);
    database_.clear();
  }

  void SetUp() override {
    GuiTest::SetUp();
    TAVREL_REQUIRE_SERVER(server_);
    // A fresh scratch database for every test.
    database_ = "tavrel_copy_" + std::to_string(getpid());
    mysqltest::recreateDatabase(server_, database_);
    setup = steps::SetupWindow();
    steps::EnterMySqlLogin(*setup, login());
    steps::ChooseFoxProSource(*setup, folder());
  }

  static steps::MySqlLogin login() { return {server_.host, server_.port, server_.user, server_.password, database_}; }
  // The FoxPro side: a copy of a fixture container (its folder is the test's folder).
  std::string useContainerCopy(const std::string& fixtureFolder, const std::string& dbcName) {
    std::filesystem::copy(std::string(TAVREL_FIXTURES_DIR "/") + fixtureFolder, folder(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    std::string dbc = folder() + "/" + dbcName;
    steps::ChooseFoxProSource(*setup, dbc);
    return dbc;
  }
  std::string folder() const { return target_.path().toStdString(); }

  static void sql(const std::string& statement) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, database_));
    cn.Execute(statement);
  }

  // OK on the Setup Connections window: the main window opens and its load fills both lists.
  void fillLists() {
    window = steps::PressOk(*setup);
    ASSERT_NE(window, nullptr) << (dialogs().messages().empty() ? "" : dialogs().messages().back().toStdString());
    List1 = window->findChild<TableList*>("List1");
    List2 = window->findChild<TableList*>("List2");
    ProgressBar1 = window->findChild<QProgressBar*>("ProgressBar1");
  }
  // The tables the FoxPro source lists (OpenSchema), views left out.
  std::vector<std::string> foxproTables() {
    ado::Connection foxpro;
    foxpro.Open(FoxProConnectionString(setup->connectionSettings()));
    std::vector<std::string> names;
    for (ado::Recordset rs = foxpro.OpenSchema(ado::adSchemaTables); !rs.Eof(); rs.MoveNext())
      if (rs.Fields()["TABLE_TYPE"].Value().toText() == "TABLE")
        names.push_back(rs.Fields()["TABLE_NAME"].Value().toText());
    return names;
  }
  // Clicks on the MySQL entries with these names (the last one clicked is the current one).
  void pick(const std::vector<std::string>& names) { ASSERT_TRUE(steps::ClickEntries(*List1, names)); }
  void send() { steps::Click(*window, "Check3"); }

  static std::vector<std::string> entries(const TableList* list) {
    std::vector<std::string> names;
    for (int i = 0; i < list->ListCount(); ++i) names.push_back(list->List(i).toStdString());
    return names;
  }

  // A table read by python3-dbfread and python3-dbf: {"version", "dbfread": rows, "dbf": rows or null}.
  static QJsonObject readBack(const std::string& dbf, int codePage = 1252) {
    std::string command = "/usr/bin/python3 '" TAVREL_SOURCE_DIR "/tests/transfer/read_dbf.py' '" + dbf + "' " +
                          std::to_string(codePage) + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    QByteArray out;
    char buf[65536];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) out.append(buf, static_cast<qsizetype>(n));
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << out.left(2000).toStdString();
    return QJsonDocument::fromJson(out).object();
  }
  // The rows of one reader, each value as its text, bytes as "0x" + hex, null as "NULL".
  static std::vector<std::vector<std::string>> rows(const QJsonObject& reading, const char* reader) {
    std::vector<std::vector<std::string>> out;
    for (const QJsonValue& row : reading[reader].toArray()) {
      out.emplace_back();
      for (const QJsonValue& v : row.toArray())
        out.back().push_back(v.isNull()     ? "NULL"
                             : v.isObject() ? "0x" + v.toObject()["hex"].toString().toStdString()
                                            : v.toString().toStdString());
    }
    return out;
  }

  std::unique_ptr<Form1> setup;
  Form2* window = nullptr;  // owned by setup, opened by fillLists()
  TableList* List1 = nullptr;
  TableList* List2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  static inline testdb::Server server_;
  static inline std::string database_;

 private:
  QTemporaryDir target_;
};
