// How long the main window's load takes to fill its two lists from big catalogues: a MySQL
// database with N tables and a folder of N free tables (10,000 by default), through the real
// Form_Load of a real Form2, offscreen, run as the program runs it (inside a command). Each list
// is timed alone (the other side empty), then both together, then showing the filled window.
// Usage: main_window_lists FOLDER [N]; the server is the one TAVREL_TEST_MYSQL_* name.

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchServer.h"
#include "Measure.h"
#include "connections/Form1.h"
#include "mainwindow/Form2.h"
#include "platform/Providers.h"
#include "platform/ado/Connection.h"
#include "shell/Command.h"
#include "shell/TableList.h"
#include "tests/support/MainWindowSteps.h"

namespace {

namespace fs = std::filesystem;

using bench::connectionString;
using bench::env;

// A database with `tables` tables, kept between runs (creating them takes most of the time).
void makeDatabase(const std::string& name, long tables) {
  ado::Connection admin;
  admin.Open(connectionString(env("TAVREL_TEST_MYSQL_DATABASE")));
  admin.Execute("CREATE DATABASE IF NOT EXISTS `" + name + "`");
  ado::Connection cn;
  cn.SetCursorLocation(ado::adUseClient);
  cn.Open(connectionString(name));
  if (cn.Execute("SHOW TABLES").RecordCount() == tables) return;
  cn.Close();
  admin.Execute("DROP DATABASE `" + name + "`");
  admin.Execute("CREATE DATABASE `" + name + "`");
  cn.Open(connectionString(name));
  for (long i = 0; i < tables; ++i) cn.Execute("CREATE TABLE `Table " + std::to_string(i) + "` (id INT) ENGINE=MyISAM");
}

// A folder of `tables` copies of a small free table.
fs::path makeFolder(const fs::path& folder, long tables) {
  fs::create_directories(folder);
  const fs::path table = fs::path(TAVREL_SOURCE_DIR) / "tests/fixtures/foxpro/dbffile/vfp9_30.dbf";
  for (long i = 0; i < tables; ++i) {
    const fs::path copy = folder / ("Table " + std::to_string(i) + ".dbf");
    if (!fs::exists(copy)) fs::copy_file(table, copy);
  }
  return folder;
}

using bench::cpuSeconds;

template <typename Work>
void measure(const char* what, Work&& work) {
  const auto wall = std::chrono::steady_clock::now();
  const double cpu = cpuSeconds();
  const std::string result = work();
  std::printf("%-40s %6.3f s (cpu %6.3f s)  %s\n", what,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(), cpuSeconds() - cpu,
              result.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || env("TAVREL_TEST_MYSQL_HOST").empty()) {
    std::fprintf(stderr, "usage: main_window_lists FOLDER [N] (with TAVREL_TEST_MYSQL_* set)\n");
    return 2;
  }
  const fs::path work = argv[1];
  const long n = argc > 2 ? std::stol(argv[2]) : 10000;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir config;  // the fields store what is typed: not into the user's settings
  setenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()).constData(), 1);
  QApplication application(argc, argv);
  ado::registerStandardProviders();

  const std::string many = "tavrel_bench_lists", none = "tavrel_bench_lists_empty";
  makeDatabase(many, n);
  makeDatabase(none, 0);
  const fs::path manyTables = makeFolder(work / "many", n), noTables = makeFolder(work / "empty", 0);

  Form1 setup([](Form1&) { return std::unique_ptr<MainWindow>(); });
  steps::EnterMySqlLogin(setup, {env("TAVREL_TEST_MYSQL_HOST"), env("TAVREL_TEST_MYSQL_PORT"),
                                 env("TAVREL_TEST_MYSQL_USER"), env("TAVREL_TEST_MYSQL_PASSWORD"), none});
  steps::ChooseFoxProSource(setup, noTables);
  Form2 window(setup);
  auto* List1 = window.findChild<TableList*>("List1");
  auto* List2 = window.findChild<TableList*>("List2");

  auto load = [&](const fs::path& folder, const std::string& database) {
    return [&, folder, database] {
      setup.findChild<QLineEdit*>("Text2")->setText(QString::fromStdString(folder.string()));
      setup.findChild<QLineEdit*>("Text7")->setText(QString::fromStdString(database));
      shell::RunCommand(&setup, [&] { window.Form_Load(); });
      return "List1 " + std::to_string(List1->ListCount()) + ", List2 " + std::to_string(List2->ListCount());
    };
  };
  std::printf("%ld tables on each side\n", n);
  measure("FoxPro list (Form_Load, MySQL empty)", load(manyTables, none));
  measure("MySQL list (Form_Load, FoxPro empty)", load(noTables, many));
  measure("both lists (Form_Load)", load(manyTables, many));
  measure("showing the filled window", [&] {
    window.show();
    QApplication::processEvents();
    return std::string();
  });
  return 0;
}
