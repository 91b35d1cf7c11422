#pragma once
// The main window as the user reaches it, offscreen: per test a scratch database on the throwaway
// MariaDB and a temporary folder as the FoxPro side, entered in the Setup Connections window; OK
// pressed (both probes, then the main window's load); entries clicked and buttons pressed.
#include <QProgressBar>
#include <algorithm>
#include <unistd.h>

#include "SetupWindowTest.h"
#include "connections/ConnectionStrings.h"
#include "mainwindow/Form2.h"
#include "shell/Pointer.h"
#include "shell/TableList.h"
#include "tests/foxpro/ProviderSupport.h"
#include "tests/mysql/ScratchDatabase.h"

using Names = std::vector<std::string>;

class MainWindowTest : public SetupWindowTest {
 protected:
  void SetUp() override {
    SetupWindowTest::SetUp();
    TAVREL_REQUIRE_SERVER(server_);
    database_ = std::string("tavrel_") + ::testing::UnitTest::GetInstance()->current_test_suite()->name() + "_" +
                std::to_string(getpid());
    mysqltest::recreateDatabase(server_, database_);
    create([](Form1& setup) { return std::make_unique<Form2>(setup); })->Form_Load();
    steps::EnterMySqlLogin(*setup, {server_.host, server_.port, server_.user, server_.password, database_});
    steps::ChooseFoxProSource(*setup, temp.path());
  }
  void TearDown() override {
    if (database_.empty()) return;
    mysql->onOpen = foxpro->onOpen = nullptr;  // they may refer to a test's locals
    dialogs().whileShown = nullptr;
    setup.reset();
    for (const std::string& db : databases_) mysqltest::dropDatabase(server_, db);
    mysqltest::dropDatabase(server_, database_);
    database_.clear();
  }

  // Another empty scratch database, dropped with the test's own.
  std::string otherDatabase(const std::string& suffix, const std::string& charset = "utf8mb4") {
    databases_.push_back(database_ + suffix);
    sql("CREATE OR REPLACE DATABASE `" + databases_.back() + "` CHARACTER SET " + charset);
    return databases_.back();
  }

  std::string folder() const { return temp.path().string(); }
  // The FoxPro side: a copy of a fixture container in the test's folder.
  std::string useContainerCopy(const std::string& fixtureFolder, const std::string& dbcName) {
    std::filesystem::copy(std::string(TAVREL_FIXTURES_DIR "/") + fixtureFolder, folder(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    steps::ChooseFoxProSource(*setup, folder() + "/" + dbcName);
    return folder() + "/" + dbcName;
  }
  // Free tables: copies of one small fixture table under the file names given.
  void addFreeTables(const std::filesystem::path& in, std::initializer_list<const char*> files) {
    std::filesystem::create_directories(in);
    for (const char* file : files) std::filesystem::copy_file(fixture("dbffile/vfp9_30.dbf").toStdString(), in / file);
  }

  // OK on the Setup Connections window (back to it first from a main window open): the main window
  // opens and its load fills both lists.
  void fillLists() {
    if (window && window->isVisible()) pressMain("Check2");
    window = steps::PressOk(*setup);
    ASSERT_NE(window, nullptr) << lastMessage().toStdString();
    List1 = window->findChild<TableList*>("List1");
    List2 = window->findChild<TableList*>("List2");
    ProgressBar1 = window->findChild<QProgressBar*>("ProgressBar1");
  }
  void openOn(const std::filesystem::path& source, const std::string& db) {
    steps::ChooseFoxProSource(*setup, source);
    paste("Text7", QString::fromStdString(db));
    fillLists();
  }

  void pressMain(const char* button) { steps::Click(*window, button); }
  // Clicks on each entry in turn: it becomes the current one and its selection toggles.
  void click(TableList* list, const Names& names) { ASSERT_TRUE(steps::ClickEntries(*list, names)); }
  void pick(const Names& names) { click(List1, names); }
  void send() { pressMain("Check3"); }
  // Deselect All, then the entries clicked, then "Send Table(s) to MySQL".
  void sendToMySql(const Names& names) {
    pressMain("Check9");
    click(List2, names);
    pressMain("Check4");
  }

  static Names entries(const TableList* list, bool selectedOnly = false) {
    Names out;
    for (int i = 0; i < list->ListCount(); ++i)
      if (!selectedOnly || list->Selected(i)) out.push_back(list->List(i).toStdString());
    return out;
  }
  QString lastMessage() { return dialogs().messages().empty() ? QString() : dialogs().messages().back(); }
  int pointer() { return shell::MousePointer(window); }
  bool idle() { return pointer() == shell::kPointerDefault && ProgressBar1->value() == 0; }

  static void sql(const std::string& statement, const std::string& db = database_,
                  const testdb::Server& server = server_) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server, db));
    cn.Execute(statement);
  }
  // The texts of the first column of a query, null as "NULL".
  static Names column(const std::string& query, const std::string& db = database_,
                      const testdb::Server& server = server_) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server, db));
    Names out;
    for (ado::Recordset rs = cn.Execute(query); !rs.Eof(); rs.MoveNext()) {
      const ado::Variant& v = rs.Fields()[0].Value();
      out.push_back(v.isNull() ? "NULL" : v.toText());
    }
    return out;
  }
  static std::string scalar(const std::string& query, const std::string& db = database_,
                            const testdb::Server& server = server_) {
    Names values = column(query, db, server);
    return values.empty() ? std::string() : values.front();
  }
  void createTables(std::initializer_list<const char*> quotedNames) {
    for (const char* name : quotedNames) sql(std::string("CREATE TABLE ") + name + " (id INT)");
  }
  // The MySQL tables in the order the list shows them.
  static Names mysqlTables() {
    Names names = column("SHOW TABLES");
    std::ranges::sort(names, [](const std::string& a, const std::string& b) {
      return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
    });
    return names;
  }
  // A connection on the FoxPro source the Setup Connections window names.
  std::unique_ptr<ado::Connection> chosenFoxPro() {
    auto cn = std::make_unique<ado::Connection>();
    cn->Open(FoxProConnectionString(setup->connectionSettings()));
    return cn;
  }
  // The tables the FoxPro source lists (OpenSchema), views left out.
  Names foxproTables() {
    Names names;
    auto cn = chosenFoxPro();
    for (ado::Recordset rs = cn->OpenSchema(ado::adSchemaTables); !rs.Eof(); rs.MoveNext())
      if (rs.Fields()["TABLE_TYPE"].Value().toText() == "TABLE")
        names.push_back(rs.Fields()["TABLE_NAME"].Value().toText());
    return names;
  }

  static inline testdb::Server server_;
  static inline std::string database_;
  provider_test::TempFolder temp;
  Form2* window = nullptr;  // owned by setup, opened by fillLists()
  TableList *List1 = nullptr, *List2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;

 private:
  Names databases_;
};
