#pragma once
// A scratch database on the throwaway server for one test suite: created in SetUpTestSuite,
// dropped in TearDownTestSuite. Tests reach it through the data-access layer, as the program does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Providers.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "tests/support/TestDatabase.h"

namespace mysqltest {

// An empty database of that name on the server (utf8mb4), or none.
inline void recreateDatabase(const testdb::Server& server, const std::string& name) {
  ado::Connection cn;
  cn.Open(testdb::connectionString(server, server.database));
  cn.Execute("DROP DATABASE IF EXISTS `" + name + "`");
  cn.Execute("CREATE DATABASE `" + name + "` CHARACTER SET utf8mb4");
}
inline void dropDatabase(const testdb::Server& server, const std::string& name) {
  ado::Connection cn;
  cn.Open(testdb::connectionString(server, server.database));
  cn.Execute("DROP DATABASE IF EXISTS `" + name + "`");
}

class ScratchDatabaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ado::registerStandardProviders();
    if (!testdb::available(server_)) return;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_suite();
    database_ = std::string("tavrel_") + info->name() + "_" + std::to_string(getpid());
    recreateDatabase(server_, database_);
  }

  static void TearDownTestSuite() {
    if (database_.empty()) return;
    dropDatabase(server_, database_);
    database_.clear();
  }

  void SetUp() override { TAVREL_REQUIRE_SERVER(server_); }

  // The error `work` ends with, or none.
  static std::optional<ado::Error> failure(const std::function<void()>& work) {
    try {
      work();
    } catch (const ado::Error& e) {
      return e;
    }
    return std::nullopt;
  }

  // Opens with the connection string the program builds, on the scratch database.
  static void open(ado::Connection& cn, bool withDriverOptions = false) {
    cn.Open(testdb::connectionString(server_, database_) + (withDriverOptions ? "OPTION=133121;" : ""));
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

  // One row as the FoxPro → MySQL copy adds it: a keyset record set opened on "select * from
  // `table` where `column`=k", AddNew, every field set by position, Update, Close.
  static void addRow(ado::Connection& cn, const std::string& table, const std::string& column, long k,
                     const std::vector<ado::Variant>& values) {
    ado::Recordset rs;
    rs.Open("select * from " + table + " where " + column + "=" + std::to_string(k), cn, ado::adOpenKeyset,
            ado::adLockOptimistic);
    rs.AddNew();
    for (std::size_t j = 0; j < values.size(); ++j) rs.Fields()[static_cast<int>(j)].SetValue(values[j]);
    rs.Update();
    if (rs.State() == ado::adStateOpen) rs.Close();
  }

  // Every row of a query, each as its fields' texts joined by "|" (null as "NULL").
  static std::vector<std::string> rows(ado::Connection& cn, const std::string& sql) {
    std::vector<std::string> out;
    for (ado::Recordset rs = cn.Execute(sql); !rs.Eof(); rs.MoveNext()) {
      std::string line;
      for (int i = 0; i < rs.Fields().Count(); ++i) {
        const ado::Variant& v = rs.Fields()[i].Value();
        line += (i ? "|" : "") + (v.isNull() ? std::string("NULL") : v.toText());
      }
      out.push_back(line);
    }
    return out;
  }

  static inline testdb::Server server_;
  static inline std::string database_;
};

}  // namespace mysqltest
