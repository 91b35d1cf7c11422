#pragma once
// A scratch database on the throwaway server for one test suite: created in SetUpTestSuite,
// dropped in TearDownTestSuite. Tests reach it through the data-access layer, as the program does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/Providers.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "tests/support/TestDatabase.h"

namespace mysqltest {

class ScratchDatabaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ado::registerStandardProviders();
    if (!testdb::available(server_)) return;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_suite();
    database_ = std::string("tavrel_") + info->name() + "_" + std::to_string(getpid());
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, server_.database));
    cn.Execute("DROP DATABASE IF EXISTS `" + database_ + "`");
    cn.Execute("CREATE DATABASE `" + database_ + "` CHARACTER SET utf8mb4");
  }

  static void TearDownTestSuite() {
    if (database_.empty()) return;
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, server_.database));
    cn.Execute("DROP DATABASE IF EXISTS `" + database_ + "`");
    database_.clear();
  }

  void SetUp() override { TAVREL_REQUIRE_SERVER(server_); }

  // The connection string the program builds, on the scratch database.
  static std::string connectionString(bool withDriverOptions = false) {
    return testdb::connectionString(server_, database_) + (withDriverOptions ? "OPTION=133121;" : "");
  }

  static void open(ado::Connection& cn, bool withDriverOptions = false) {
    cn.Open(connectionString(withDriverOptions));
  }

  // The first column of the first row of a query, as text ("" for none or null).
  static std::string scalar(ado::Connection& cn, const std::string& sql) {
    ado::Recordset rs = cn.Execute(sql);
    if (rs.Eof()) return {};
    return rs.Fields()[0].Value().toText();
  }

  // The same through a connection of its own, so nothing of the caller's connection is involved.
  static std::string scalar(const std::string& sql) {
    ado::Connection cn;
    open(cn);
    return scalar(cn, sql);
  }

  static inline testdb::Server server_;
  static inline std::string database_;
};

}  // namespace mysqltest
