#pragma once
// The main window on the real providers, offscreen: a scratch database on the throwaway MariaDB
// (a latin1 one beside it), the Setup Connections window's fields holding it and a FoxPro source,
// both lists filled from the two databases, and the commands pressed as a user presses them.
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <unistd.h>

#include "../support/GuiTest.h"
#include "../support/TestDatabase.h"
#include "connections/ConnectionStrings.h"
#include "connections/Form1.h"
#include "mainwindow/Form2.h"
#include "platform/ado/Connection.h"
#include "shell/ButtonCheckBox.h"
#include "shell/Pointer.h"
#include "shell/TableList.h"

class TransferTest : public GuiTest {
 protected:
  static void SetUpTestSuite() {
    ado::registerStandardProviders();
    if (!testdb::available(server_)) return;
    database_ = std::string("tavrel_") + ::testing::UnitTest::GetInstance()->current_test_suite()->name() + "_" +
                std::to_string(getpid());
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, server_.database));
    for (const auto& [name, charset] : {std::pair{database_, "utf8mb4"}, std::pair{database_ + "_latin1", "latin1"}}) {
      cn.Execute("DROP DATABASE IF EXISTS `" + name + "`");
      cn.Execute("CREATE DATABASE `" + name + "` CHARACTER SET " + charset);
    }
  }
  static void TearDownTestSuite() {
    if (database_.empty()) return;
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, server_.database));
    for (const std::string& name : {database_, database_ + "_latin1"})
      cn.Execute("DROP DATABASE IF EXISTS `" + name + "`");
    database_.clear();
  }

  void SetUp() override {
    GuiTest::SetUp();
    TAVREL_REQUIRE_SERVER(server_);
    setup_ = std::make_unique<Form1>([](Form1& form) { return std::make_unique<Form2>(form); });
    window_ = std::make_unique<Form2>(*setup_);
    useMySql(server_, database_);
    window_->show();
  }

  void useMySql(const testdb::Server& s, const std::string& database) {
    const std::pair<const char*, std::string> login[] = {
        {"Text3", s.host}, {"Text4", s.port}, {"Text5", s.user}, {"Text6", s.password}, {"Text7", database}};
    for (const auto& [field, value] : login)
      setup_->findChild<QLineEdit*>(field)->setText(QString::fromStdString(value));
  }
  // A .dbc file or a folder of free tables.
  void useFoxPro(const std::filesystem::path& source) {
    const bool dbc = source.extension() == ".dbc" || source.extension() == ".DBC";
    setup_->findChild<QLineEdit*>(dbc ? "Text1" : "Text2")->setText(QString::fromStdString(source.string()));
    setup_->findChild<QRadioButton*>(dbc ? "Option1" : "Option2")->setChecked(true);
  }

  TableList& mysqlList() { return *window_->findChild<TableList*>("List1"); }
  TableList& foxproList() { return *window_->findChild<TableList*>("List2"); }
  QProgressBar& progressBar() { return *window_->findChild<QProgressBar*>("ProgressBar1"); }
  bool idle() { return shell::MousePointer(window_.get()) == shell::kPointerDefault && progressBar().value() == 0; }

  // Both lists filled by the window's load from the current settings.
  void fillLists() { window_->Form_Load(); }

  // Selects the entries named (and no other), the first of them the current one, and presses
  // "Send Table(s) to MySQL".
  void send(const std::vector<QString>& names) {
    TableList& list = foxproList();
    for (int i = 0; i < list.ListCount(); ++i) list.SetSelected(i, false);
    for (const QString& name : names) {
      auto found = list.findItems(name, Qt::MatchExactly);
      ASSERT_EQ(found.size(), 1) << name.toStdString();
      list.SetSelected(list.row(found[0]), true);
      if (&name == &names.front()) list.SetListIndex(list.row(found[0]));
    }
    QTest::mouseClick(window_->findChild<ButtonCheckBox*>("Check4"), Qt::LeftButton);
  }

  void execute(const std::string& sql, const std::string& database = database_) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, database));
    cn.Execute(sql);
  }
  void dropAllTables(const std::string& database = database_) {
    for (const std::string& t : column("SHOW TABLES", database)) execute("DROP TABLE `" + t + "`", database);
  }

  // The texts of the first column of a query on the scratch database, null as "NULL".
  std::vector<std::string> column(const std::string& sql, const std::string& database = database_) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, database));
    std::vector<std::string> out;
    for (ado::Recordset rs = cn.Execute(sql); !rs.Eof(); rs.MoveNext()) {
      const ado::Variant& v = rs.Fields()[0].Value();
      out.push_back(v.isNull() ? "NULL" : v.toText());
    }
    return out;
  }
  std::string scalar(const std::string& sql, const std::string& database = database_) {
    std::vector<std::string> values = column(sql, database);
    return values.empty() ? std::string() : values.front();
  }
  std::vector<QString> listed(TableList& list) {
    std::vector<QString> names;
    for (int i = 0; i < list.ListCount(); ++i) names.push_back(list.List(i));
    return names;
  }

  static inline testdb::Server server_;
  static inline std::string database_;
  std::unique_ptr<Form1> setup_;
  std::unique_ptr<Form2> window_;
};
