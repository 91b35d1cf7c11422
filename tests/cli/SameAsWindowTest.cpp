// `tavrel copy … --all` run as cron runs it, on the settings the Setup Connections window saved
// (a new user's), makes the very tables the window's button makes from the same source.
#include "../transfer/CopyTest.h"
#include "CliTest.h"

namespace {

namespace fs = std::filesystem;

class SameAsWindow : public CopyTest {
 protected:
  // The command line, reading the settings the window saved as the user's own.
  clitest::Outcome commandLine(const std::vector<std::string>& args) {
    fs::create_directories(home_.path().toStdString() + "/.config");
    fs::copy_file(configFolder().toStdString() + "/Ombrix.ini", home_.path().toStdString() + "/.config/Ombrix.ini",
                  fs::copy_options::overwrite_existing);
    return clitest::Program(home_.path().toStdString())(args);
  }

  // Every row of every table of a database, and how each table is made.
  std::vector<std::string> dump(const std::string& database) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, database));
    std::vector<std::string> tables, out;
    for (ado::Recordset rs = cn.Execute("SHOW TABLES"); !rs.Eof(); rs.MoveNext())
      tables.push_back(rs.Fields()[0].Value().toText());
    for (const std::string& table : tables) {
      out.push_back(cn.Execute("SHOW CREATE TABLE `" + table + "`").Fields()[1].Value().toText());
      for (ado::Recordset rs = cn.Execute("SELECT * FROM `" + table + "`"); !rs.Eof(); rs.MoveNext()) {
        std::string row;
        for (int i = 0; i < rs.Fields().Count(); ++i) {
          const ado::Variant& v = rs.Fields()[i].Value();
          row += (v.isNull() ? "NULL" : v.toText()) + "|";
        }
        out.push_back(row);
      }
    }
    return out;
  }

  QTemporaryDir home_, elsewhere_;
};

// A .dbf file without the date of its last update (header bytes 1 to 3); other files whole.
std::string content(const fs::path& file) {
  std::string bytes = testfiles::readFile(file);
  if (fox::sameName(file.extension().string(), ".dbf") && bytes.size() > 4) bytes.replace(1, 3, "   ");
  return bytes;
}

TEST_F(SameAsWindow, CopyToFoxPro) {
  sql("CREATE TABLE mixed (id INT, amount DECIMAL(10,2), ratio DOUBLE, name VARCHAR(40), born DATE, seen DATETIME, "
      "at TIME, pic BLOB, note TEXT)");
  sql("INSERT INTO mixed VALUES (1, 12.50, 0.1, 'Müller & Söhne', '1970-01-01', '2024-05-17 13:45:30', '23:59:59', "
      "0x00ff10, 'two\\r\\nlines'), (2, -0.01, -1e300, '€ „…“', NULL, NULL, NULL, '', ''), "
      "(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  fillLists();
  pick({"mixed"});
  send();
  const std::string cron = elsewhere_.path().toStdString();
  const clitest::Outcome run = commandLine({"copy", "to-foxpro", "--all", "--free-folder", cron});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(folder())) {
    files.push_back(e.path().filename().string());
    EXPECT_EQ(content(e.path()), content(cron + "/" + files.back())) << files.back();
  }
  EXPECT_EQ(files.size(), static_cast<std::size_t>(std::distance(fs::directory_iterator(cron), {})));
  EXPECT_FALSE(files.empty());
}

TEST_F(SameAsWindow, CopyToMySql) {
  const std::string source = folder() + "/table";
  fs::copy(TAVREL_FIXTURES_DIR "/go-dbase/table", source);
  steps::ChooseFoxProSource(*setup, source);
  fillLists();
  ASSERT_EQ(List2->ListCount(), 1);
  ASSERT_TRUE(steps::ClickEntries(*List2, {List2->List(0).toStdString()}));
  steps::Click(*window, "Check4");
  const std::string cron = database_ + "_cron";
  mysqltest::recreateDatabase(server_, cron);
  const clitest::Outcome run = commandLine({"copy", "to-mysql", "--all", "--database", cron});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(dump(cron), dump(database_));
  EXPECT_GT(dump(database_).size(), 1u);
  mysqltest::dropDatabase(server_, cron);
}

}  // namespace
