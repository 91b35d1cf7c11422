#pragma once
// The copy to FoxPro driven as a user drives it: the main window offscreen on a Setup
// Connections window whose fields name the throwaway MariaDB (a scratch database of the suite)
// and a FoxPro target (a fresh folder, or a copy of a fixture container); the lists filled from
// both databases; "Send Table(s) to FoxPro" clicked. Tables are read back with python3-dbfread
// and python3-dbf (read_dbf.py).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <unistd.h>

#include "../support/GuiTest.h"
#include "../mysql/ScratchDatabase.h"
#include "../support/TestDatabase.h"
#include "connections/ConnectionStrings.h"
#include "connections/Form1.h"
#include "mainwindow/Form2.h"
#include "platform/ado/Connection.h"
#include "shell/ButtonCheckBox.h"
#include "shell/TableList.h"

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
    setup = std::make_unique<Form1>([](Form1&) { return std::unique_ptr<MainWindow>(); });
    const std::pair<const char*, std::string> login[] = {{"Text3", server_.host},     {"Text4", server_.port},
                                                         {"Text5", server_.user},     {"Text6", server_.password},
                                                         {"Text7", database_}};
    for (const auto& [field, value] : login) setup->findChild<QLineEdit*>(field)->setText(QString::fromStdString(value));
    useFolder(folder());
    window = std::make_unique<Form2>(*setup);
    window->show();
    List1 = window->findChild<TableList*>("List1");
    List2 = window->findChild<TableList*>("List2");
    ProgressBar1 = window->findChild<QProgressBar*>("ProgressBar1");
  }

  // The FoxPro side: the free table folder, or a copy of a fixture container (its folder is the
  // test's folder).
  void useFolder(const std::string& path) {
    setup->findChild<QLineEdit*>("Text2")->setText(QString::fromStdString(path));
    setup->findChild<QRadioButton*>("Option2")->setChecked(true);
  }
  std::string useContainerCopy(const std::string& fixtureFolder, const std::string& dbcName) {
    std::filesystem::copy(std::string(TAVREL_FIXTURES_DIR "/") + fixtureFolder, folder(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    std::string dbc = folder() + "/" + dbcName;
    setup->findChild<QLineEdit*>("Text1")->setText(QString::fromStdString(dbc));
    setup->findChild<QRadioButton*>("Option1")->setChecked(true);
    return dbc;
  }
  std::string folder() const { return target_.path().toStdString(); }

  static void sql(const std::string& statement) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, database_));
    cn.Execute(statement);
  }

  // Both lists as the main window's load fills them.
  void fillLists() { window->Form_Load(); }
  // The tables the FoxPro source lists (OpenSchema), views left out.
  std::vector<std::string> foxproTables() {
    ado::Connection foxpro;
    foxpro.Open(FoxProConnectionString(setup->connectionSettings()));
    std::vector<std::string> names;
    for (ado::Recordset rs = foxpro.OpenSchema(ado::adSchemaTables); !rs.Eof(); rs.MoveNext())
      if (rs.Fields()["TABLE_TYPE"].Value().toText() == "TABLE") names.push_back(rs.Fields()["TABLE_NAME"].Value().toText());
    return names;
  }
  // Selects the MySQL entries with these names (the last one clicked is the current one).
  void pick(std::initializer_list<const char*> names) {
    for (const char* name : names)
      for (int i = 0; i < List1->ListCount(); ++i)
        if (List1->List(i) == name) {
          List1->SetSelected(i, true);
          List1->SetListIndex(i);
        }
  }
  void send() { QTest::mouseClick(window->findChild<ButtonCheckBox*>("Check3"), Qt::LeftButton); }

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
        out.back().push_back(v.isNull() ? "NULL"
                             : v.isObject() ? "0x" + v.toObject()["hex"].toString().toStdString()
                                            : v.toString().toStdString());
    }
    return out;
  }

  std::unique_ptr<Form1> setup;
  std::unique_ptr<Form2> window;
  TableList* List1 = nullptr;
  TableList* List2 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  static inline testdb::Server server_;
  static inline std::string database_;

 private:
  QTemporaryDir target_;
};
