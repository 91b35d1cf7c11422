#pragma once
// The main window as the user reaches it: the Setup Connections window's fields filled in, OK
// pressed, Form2 loaded from a scratch database on the test server and a FoxPro source in a
// temporary folder; its controls driven by mouse clicks.
#include <unistd.h>

#include <QRadioButton>

#include "tests/support/SetupWindowTest.h"
#include "mainwindow/Form2.h"
#include "shell/Pointer.h"
#include "shell/TableList.h"
#include "tests/foxpro/ProviderSupport.h"

class MainWindowTest : public SetupWindowTest {
 protected:
  void SetUp() override {
    SetupWindowTest::SetUp();
    TAVREL_REQUIRE_SERVER(server);
    database = "tavrel_main_" + std::to_string(getpid());
    for (const std::string& db : {database, database + "_empty"})
      run(server.database, "CREATE OR REPLACE DATABASE `" + db + "`");
    create([](Form1& setup) { return std::unique_ptr<MainWindow>(new Form2(setup)); })->Form_Load();
    enterWorkingSettings(server);
  }
  void TearDown() override {
    if (database.empty()) return;
    mysql->onOpen = foxpro->onOpen = nullptr;  // they may refer to a test's locals
    dialogs().whileShown = nullptr;
    form.reset();
    for (const std::string& db : {database, database + "_empty"}) run(server.database, "DROP DATABASE `" + db + "`");
  }

  // Chooses the FoxPro source (a .dbc file or a folder) and the database, then presses OK.
  void openOn(const provider_test::fs::path& source, const std::string& db) {
    steps::ChooseFoxProSource(*form, source);
    paste("Text7", QString::fromStdString(db));
    press("Check2");
    window = static_cast<Form2*>(form->mainWindow());
    List1 = window->findChild<TableList*>("List1");
    List2 = window->findChild<TableList*>("List2");
  }
  void pressMain(const char* button) { QTest::mouseClick(window->findChild<QAbstractButton*>(button), Qt::LeftButton); }
  // Clicks on each entry in turn: it becomes the current one and its selection toggles.
  void click(TableList* list, std::initializer_list<std::string> names) {
    ASSERT_TRUE(steps::ClickEntries(*list, names));
  }
  static QStringList entries(const TableList* list, bool selectedOnly = false) {
    QStringList out;
    for (int i = 0; i < list->ListCount(); ++i)
      if (!selectedOnly || list->Selected(i)) out << list->List(i);
    return out;
  }
  QString lastMessage() { return dialogs().messages().empty() ? QString() : dialogs().messages().back(); }
  int pointer() { return shell::MousePointer(window); }

  void sql(const std::string& statement) { run(database, statement); }
  void createTables(std::initializer_list<const char*> quotedNames) {
    for (const char* name : quotedNames) sql(std::string("CREATE TABLE ") + name + " (id INT)");
  }
  QStringList mysqlTables() {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server, database));
    QStringList names;
    for (ado::Recordset rs = cn.Execute("SHOW TABLES"); !rs.Eof(); rs.MoveNext())
      names << QString::fromStdString(rs.Fields()[0].Value().toText());
    names.sort(Qt::CaseInsensitive);
    return names;
  }
  // Free tables: copies of one small fixture table under the file names given.
  void addFreeTables(const provider_test::fs::path& folder, std::initializer_list<const char*> files) {
    provider_test::fs::create_directories(folder);
    for (const char* file : files)
      provider_test::fs::copy_file(fixture("dbffile/vfp9_30.dbf").toStdString(), folder / file);
  }

  testdb::Server server;
  std::string database;
  provider_test::TempFolder temp;
  Form2* window = nullptr;
  TableList *List1 = nullptr, *List2 = nullptr;

 private:
  void run(const std::string& db, const std::string& statement) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server, db));
    cn.Execute(statement);
  }
};
