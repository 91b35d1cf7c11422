#pragma once
// Where the throwaway MariaDB server of ./test listens (scripts/testdb.sh exports these).
// Without them a MySQL test is skipped, unless TAVREL_REQUIRE_MYSQL is set (as ./test does),
// where it fails: the suite never passes by quietly skipping the real server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace testdb {

struct Server {
  std::string host, port, user, password, database, socket;
  std::string plainPort;  // a second server, without TLS
};

inline const char* env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The server, or nothing when the environment does not name one.
inline bool available(Server& out) {
  out = {env("TAVREL_TEST_MYSQL_HOST"),      env("TAVREL_TEST_MYSQL_PORT"),     env("TAVREL_TEST_MYSQL_USER"),
         env("TAVREL_TEST_MYSQL_PASSWORD"),  env("TAVREL_TEST_MYSQL_DATABASE"), env("TAVREL_TEST_MYSQL_SOCKET"),
         env("TAVREL_TEST_MYSQL_PLAIN_PORT")};
  return !out.host.empty() && !out.port.empty();
}

// Use at the start of a test or SetUp(): GTEST_SKIP/FAIL when there is no server.
#define TAVREL_REQUIRE_SERVER(server)                                                                \
  do {                                                                                               \
    if (!testdb::available(server)) {                                                                \
      if (*testdb::env("TAVREL_REQUIRE_MYSQL")) FAIL() << "TAVREL_TEST_MYSQL_* are not set";         \
      GTEST_SKIP() << "no test MariaDB server (run ./test, or eval \"$(scripts/testdb.sh start)\")"; \
    }                                                                                                \
  } while (0)

// The connection string the system builds for these values (no driver options).
inline std::string connectionString(const Server& s, const std::string& database) {
  return "DRIVER={MySQL ODBC 3.51 Driver};SERVER=" + s.host + ";PORT=" + s.port + ";USER=" + s.user +
         ";DATABASE=" + database + ";PASSWORD=" + s.password + ";";
}

}  // namespace testdb
