#pragma once
// The MySQL server a benchmark runs against: the one TAVREL_TEST_MYSQL_* name (scripts/testdb.sh
// exports them).
#include <cstdlib>
#include <string>

namespace bench {

inline std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The plain connection string the program builds, for a database on that server.
inline std::string connectionString(const std::string& database) {
  return "DRIVER={MySQL ODBC 3.51 Driver};SERVER=" + env("TAVREL_TEST_MYSQL_HOST") +
         ";PORT=" + env("TAVREL_TEST_MYSQL_PORT") + ";USER=" + env("TAVREL_TEST_MYSQL_USER") + ";DATABASE=" + database +
         ";PASSWORD=" + env("TAVREL_TEST_MYSQL_PASSWORD") + ";";
}

}  // namespace bench
