// Every fixture table sent to MySQL through the main window: the free tables of every fixture
// folder and the tables of the three containers (long field names as column names), then every
// cell compared by copy_check.py with the table as python3-dbfread reads it.
#include <QTemporaryDir>
#include <fstream>

#include "tests/support/MainWindowTest.h"

namespace {

using FixtureCopy = MainWindowTest;

std::string run(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  status = ::pclose(pipe);
  return out;
}

TEST_F(FixtureCopy, EveryTableArrivesCellForCell) {
  const char* sources[] = {"dbf-gem",
                           "dbfdatareader",
                           "dbffile",
                           "dbfread",
                           "go-dbase/table",
                           "go-foxpro-dbf",
                           "php-xbase",
                           "northwind/northwind.dbc",
                           "dbf-gem/foxprodb/FOXPRO-DB-TEST.DBC",
                           "go-dbase/database/EXPENSES.DBC"};
  std::string jobs;
  int tables = 0;
  for (const std::string source : sources) {
    SCOPED_TRACE(source);
    mysqltest::recreateDatabase(server_, database_);
    steps::ChooseFoxProSource(*setup, TAVREL_FIXTURES_DIR "/" + source);
    fillLists();
    Names names = entries(List2);
    if (source == "dbf-gem") {
      // Two fields of one name: MySQL has no table for it.
      sendToMySql({"dbase_03"});
      EXPECT_EQ(dialogs().messages(),
                std::vector<QString>{"Run-time error '1060':\n\nDuplicate column name 'point_id'\n\nTable dbase_03."});
      std::erase(names, "dbase_03");
      dialogs().shown.clear();
    }
    sendToMySql(names);
    EXPECT_TRUE(dialogs().messages().empty()) << dialogs().messages().front().toStdString();
    EXPECT_TRUE(idle());
    // The next source's copy replaces these tables: check them now.
    QTemporaryDir folder;
    std::string list = "[";
    for (const std::string& name : names) {
      list += std::string(list.size() > 1 ? "," : "") + "{\"source\":\"" + source + "\",\"table\":\"" + name + "\"}";
      ++tables;
    }
    const std::string file = folder.path().toStdString() + "/jobs.json";
    std::ofstream(file) << list << "]";
    int status = 0;
    std::string out = run("TAVREL_FIXTURES_DIR='" TAVREL_FIXTURES_DIR "' /usr/bin/python3 '" TAVREL_SOURCE_DIR
                          "/tests/transfer/copy_check.py' " +
                              database_ + " " + file,
                          status);
    EXPECT_EQ(status, 0) << out;
    if (status == 0 && !out.empty()) std::cerr << source << ": " << out;
  }
  EXPECT_EQ(tables, 45);  // the manifest's 49 tables but the three containers' own files and dbase_03
}

}  // namespace
