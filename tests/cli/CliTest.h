#pragma once
// The command-line tests' one fixture: a scratch database on the throwaway MariaDB, a folder of
// free tables, and a home whose saved settings name both (the password in a file beside them),
// with tavrel run on them as a scheduled job runs it (RunTavrel.h).
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <initializer_list>

#include "RunTavrel.h"
#include "connections/ConnectionStrings.h"
#include "platform/ado/Connection.h"
#include "tests/foxpro/ProviderSupport.h"
#include "tests/mysql/ScratchDatabase.h"

namespace clitest {

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ado::registerStandardProviders();
    TAVREL_REQUIRE_SERVER(server_);
    database_ = "tavrel_cli_" + std::to_string(getpid());
    mysqltest::recreateDatabase(server_, database_);
    std::filesystem::create_directories(home_.path() / ".config");
    std::ofstream(home_.path() / ".config/Ombrix.ini")
        << "[Tavrel]\nFoxproOption=2\nFreeTableFolder=" << folder_.path().string() << "\nMySQLServer=" << server_.host
        << "\nMySQLPort=" << server_.port << "\nMySQLUser=" << server_.user << "\nMySQLDatabase=" << database_ << "\n";
    std::ofstream(passwordFile()) << server_.password << "\n";
  }
  void TearDown() override {
    if (!database_.empty()) mysqltest::dropDatabase(server_, database_);
  }

  std::string passwordFile() const { return home_ / "password"; }

  // Runs tavrel with the password file; nothing it prints holds the password.
  Outcome tavrel(std::vector<std::string> args) {
    args.insert(args.end(), {"--password-file", passwordFile()});
    Outcome run = program_(args);
    EXPECT_EQ((run.out + run.err).find(server_.password), std::string::npos);
    return run;
  }

  // The statements run on the scratch database; the last one's rows, cells joined by "|".
  std::vector<std::string> sql(std::initializer_list<std::string> statements) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, database_));
    return rowsOf(cn, statements);
  }
  std::vector<std::string> sql(const std::string& statement) { return sql({statement}); }

  // The same on the folder of free tables.
  std::vector<std::string> foxpro(std::initializer_list<std::string> statements) {
    ConnectionSettings s;
    s.FoxproOption = "2";
    s.FreeTableFolder = QString::fromStdString(folder_.path().string());
    ado::Connection cn;
    cn.Open(FoxProConnectionString(s));
    return rowsOf(cn, statements);
  }
  std::vector<std::string> foxpro(const std::string& statement) { return foxpro({statement}); }

  static inline testdb::Server server_;
  std::string database_;
  provider_test::TempFolder home_, folder_;
  Program program_{home_.path()};

 private:
  static std::vector<std::string> rowsOf(ado::Connection& cn, std::initializer_list<std::string> statements) {
    std::vector<std::string> rows;
    for (const std::string& statement : statements) {
      rows.clear();
      for (ado::Recordset rs = cn.Execute(statement); rs.State() == ado::adStateOpen && !rs.Eof(); rs.MoveNext()) {
        std::string row;
        for (int i = 0; i < rs.Fields().Count(); ++i)
          row += (i ? "|" : "") + (rs.Fields()[i].Value().isNull() ? "NULL" : rs.Fields()[i].Value().toText());
        rows.push_back(row);
      }
    }
    return rows;
  }
};

}  // namespace clitest
