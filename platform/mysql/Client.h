#pragma once
// A connected MariaDB Connector/C handle and the error conventions of the provider.
#include <mysql.h>

#include <memory>
#include <string_view>

#include "ConnectionOptions.h"

namespace mysql {

// Every failure carries the server's or client library's number and message.
[[noreturn]] void throwError(MYSQL* handle);
[[noreturn]] void throwError(MYSQL_STMT* statement);

// A prepared statement, closed when its owner goes.
struct StatementCloser {
  void operator()(MYSQL_STMT* statement) const { mysql_stmt_close(statement); }
};
using Statement = std::unique_ptr<MYSQL_STMT, StatementCloser>;

// Client-side errors (2000–2999: lost connection, server gone, out of sync…): after one of them
// nothing more can be sent on the connection with a known outcome.
bool isClientError(unsigned number);

// Ends a transaction the provider began itself, whatever the session's completion_type says: a
// plain COMMIT could open the next transaction (CHAIN) or end the connection (RELEASE).
inline constexpr const char* kCommit = "COMMIT AND NO CHAIN NO RELEASE";
inline constexpr const char* kRollback = "ROLLBACK AND NO CHAIN NO RELEASE";

class Client {
 public:
  static constexpr unsigned kConnectTimeoutSeconds = 15;

  // Connects with utf8mb4 and STRICT_ALL_TABLES added to the server's sql_mode; throws ado::Error on
  // any failure.
  explicit Client(const ConnectionOptions& options);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  MYSQL* handle() const { return handle_; }
  void query(std::string_view sql);
  // True when autocommit is on and no transaction is open, from the last reply's status.
  bool autocommitIdle() const;
  // For a call of the non-blocking API (…_start/…_cont) that reported `status` (MYSQL_WAIT_…):
  // waits until the connection is ready for it and returns what is ready.
  int waitFor(int status) const;

 private:
  MYSQL* handle_ = nullptr;
};

}  // namespace mysql
