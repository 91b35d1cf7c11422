// Rows per second of the FoxPro → MySQL copy's row pattern (per row: one reused keyset record set
// opened on "select * from T where tempid0=k", AddNew, six fields set, Update, Close), once with
// one INSERT and one query per call and once with the provider's grouping.
// Needs a server: TAVREL_TEST_MYSQL_* as scripts/testdb.sh exports them. Usage: bench_mysql_insert [rows]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchServer.h"
#include "platform/Providers.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Error.h"
#include "platform/mysql/MySqlProvider.h"

namespace {

using bench::connectionString;
using bench::env;

double copyRows(const std::string& database, long rows) {
  ado::Connection cn;
  cn.Open(connectionString(database) + "OPTION=133121;");
  cn.Execute("DROP TABLE IF EXISTS bench");
  cn.Execute(
      "CREATE TABLE `bench`( `tempid0` INTEGER UNSIGNED NOT NULL,`name` TEXT,`ok` BIT,`amount` DOUBLE,"
      "`small` SMALLINT,`note` TEXT );");
  auto start = std::chrono::steady_clock::now();
  ado::Recordset rs;  // one record set, opened and closed once per row
  for (long k = 0; k < rows; ++k) {
    rs.Open("select * from bench where tempid0=" + std::to_string(k), cn, ado::adOpenKeyset, ado::adLockOptimistic);
    rs.AddNew();
    rs.Fields()[0].SetValue(k);
    rs.Fields()[1].SetValue("customer " + std::to_string(k));
    rs.Fields()[2].SetValue(k % 2 == 0);
    rs.Fields()[3].SetValue(ado::Decimal{std::to_string(k) + ".25"});
    rs.Fields()[4].SetValue(static_cast<int>(k % 30000));
    rs.Fields()[5].SetValue(k % 7 == 0 ? ado::Variant() : ado::Variant("a note of some forty characters or so..."));
    rs.Update();
    if (rs.State() == ado::adStateOpen) rs.Close();
  }
  cn.Execute("DO 0");  // any statement: every row is stored before it runs
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cn.Execute("ALTER TABLE bench DROP COLUMN `tempid0`");
  ado::Recordset count = cn.Execute("SELECT COUNT(*) FROM bench");
  if (count.Fields()[0].Value().toText() != std::to_string(rows)) throw ado::Error(0, "rows missing after the copy");
  cn.Execute("DROP TABLE bench");
  return rows / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (env("TAVREL_TEST_MYSQL_HOST").empty()) {
    std::fprintf(stderr, "no server: eval \"$(scripts/testdb.sh start)\" first, or use bench/run.sh\n");
    return 2;
  }
  long rows = argc > 1 ? std::atol(argv[1]) : 10000;
  ado::registerStandardProviders();
  try {
    std::string database = env("TAVREL_TEST_MYSQL_DATABASE");
    mysql::setInsertGrouping(false);
    double single = copyRows(database, rows);
    mysql::setInsertGrouping(true);
    double grouped = copyRows(database, rows);
    std::printf(
        "mysql insert, per-row pattern, %ld rows: one INSERT per call %.0f rows/s; grouped %.0f rows/s (x%.1f)\n", rows,
        single, grouped, grouped / single);
  } catch (const ado::Error& e) {
    std::fprintf(stderr, "error %ld: %s\n", e.Number(), e.Description().c_str());
    return 1;
  }
}
