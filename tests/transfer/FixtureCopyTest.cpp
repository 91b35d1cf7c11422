// Every fixture table sent to MySQL through the main window: the free tables of every fixture
// folder and the tables of the three containers (long field names as column names), then every
// cell compared by copy_check.py with the table as python3-dbfread reads it. The database is latin1:
// the copy's text columns are utf8mb4 all the same, and Cyrillic (cp1251.dbf) arrives unchanged.
#include <fstream>

#include "tests/support/MainWindowTest.h"

namespace {

using FixtureCopy = MainWindowTest;

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
    sql("ALTER DATABASE `" + database_ + "` CHARACTER SET latin1");
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
    testfiles::TempFolder folder;
    std::string list = "[";
    for (const std::string& name : names) {
      list += std::string(list.size() > 1 ? "," : "") + "{\"source\":\"" + source + "\",\"table\":\"" + name + "\"}";
      ++tables;
    }
    const std::string file = folder / "jobs.json";
    std::ofstream(file) << list << "]";
    std::string out;
    const int status = testfiles::run("TAVREL_FIXTURES_DIR='" TAVREL_FIXTURES_DIR
                                      "' /usr/bin/python3 '" TAVREL_SOURCE_DIR "/tests/transfer/copy_check.py' " +
                                          database_ + " " + file + " 2>&1",
                                      out);
    EXPECT_EQ(status, 0) << out;
    if (status == 0 && !out.empty()) std::cerr << source << ": " << out;
  }
  EXPECT_EQ(tables, 45);  // the manifest's 49 tables but the three containers' own files and dbase_03
}

}  // namespace
