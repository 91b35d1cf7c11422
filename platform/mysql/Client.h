#pragma once
// A connected MariaDB Connector/C handle and the error conventions of the provider.
#include <mysql.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

#include "ConnectionOptions.h"
#include "platform/ado/Error.h"

namespace mysql {

// Every failure carries the server's or client library's number and message.
[[noreturn]] void throwError(MYSQL* handle);
[[noreturn]] void throwError(MYSQL_STMT* statement);

// A prepared statement, closed when its owner goes.
struct StatementCloser {
  void operator()(MYSQL_STMT* statement) const;
};
using Statement = std::unique_ptr<MYSQL_STMT, StatementCloser>;

// Client-side errors (2000–2999: lost connection, server gone, out of sync…): after one of them
// nothing more can be sent on the connection with a known outcome.
bool isClientError(unsigned number);

// Ends a transaction the provider began itself, whatever the session's completion_type says: a
// plain COMMIT could open the next transaction (CHAIN) or end the connection (RELEASE).
inline constexpr const char* kCommit = "COMMIT AND NO CHAIN NO RELEASE";
inline constexpr const char* kRollback = "ROLLBACK AND NO CHAIN NO RELEASE";
// Ends it and begins the next one at once.
inline constexpr const char* kCommitAndChain = "COMMIT AND CHAIN NO RELEASE";

// Every call that waits on the server goes through the library's non-blocking API, and the wait
// is the client's own: while nothing arrives, the data-access layer's wait hook runs (the
// window's pump), and a connection on which nothing arrives for the silence limit is given up.
// When the hook throws, or the limit passes, the connection is cut at once (nothing more is sent
// or awaited on it) and every later call on it throws the same error; the handle is closed when
// the client goes.
class Client {
 public:
  static constexpr unsigned kConnectTimeoutSeconds = 15;
  // Long enough for the slowest statement the program sends in earnest (the ALTER TABLE that ends
  // a copy of a large table, counting the rows of one), short enough that a server that stopped
  // answering does not hold a command for good.
  static constexpr std::chrono::seconds kSilenceLimit{600};

  // Connects with utf8mb4 and STRICT_ALL_TABLES added to the server's sql_mode; throws ado::Error on
  // any failure. The password is never sent in clear text over a connection without TLS: the
  // mysql_clear_password and dialog (PAM) plugins are refused unless the connection is encrypted.
  explicit Client(const ConnectionOptions& options);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  MYSQL* handle() const { return handle_; }

  // The library's calls of the same names; they throw only what the wait met (the connection cut),
  // and report the statement's own failure as the library does.
  int realQuery(std::string_view sql);
  MYSQL_RES* storeResult();
  int nextResult();
  MYSQL_ROW fetchRow(MYSQL_RES* result);
  void freeResult(MYSQL_RES* result);
  int prepare(MYSQL_STMT* statement, std::string_view sql);
  int execute(MYSQL_STMT* statement);
  // An execute whose answer is taken later (mysql_stmt_execute_start and _cont): the start, then
  // each step after waiting for what the last one reported.
  int startExecute(MYSQL_STMT* statement, int& failed);
  int continueExecute(MYSQL_STMT* statement, int& failed, int status);
  // A LOAD DATA LOCAL INFILE whose answer is taken later: sends `sql` and, when the server asks for
  // the file, `rows` (which need live only until this returns) in packets of at most `piece` bytes,
  // so that none passes the server's max_allowed_packet, which would drop the connection; returns
  // what the query waits for, for continueQuery. Whatever file the server names, it gets only these
  // rows; a request at any other time is refused.
  int startLoad(std::string_view sql, std::string_view rows, std::size_t piece, int& failed);
  int continueQuery(int& failed, int status);

  // Runs a statement; throws its failure.
  void query(std::string_view sql);
  // True when autocommit is on and no transaction is open, from the last reply's status.
  bool autocommitIdle() const;
  // For a call of the non-blocking API (…_start/…_cont) that reported `status` (MYSQL_WAIT_…):
  // waits until the connection is ready for it and returns what is ready, for the next _cont.
  int waitFor(int status);
  // Cuts the connection: nothing more goes over it, and every later call throws `reason`.
  void cut(const ado::Error& reason);

 private:
  // Runs a call of the non-blocking API (its _start as `start`, its _cont as `cont`) to its end.
  template <typename Result, typename Start, typename Handle>
  Result run(Start start, int (*cont)(Result*, Handle*, int), Handle* handle);
  void throwIfCut() const;

  // What the server gets when it asks for a local file: nothing unless a load is under way.
  struct LocalRows {
    std::string_view bytes;
    std::size_t piece = 0;  // the most bytes handed to the library at a time
    bool open = false;      // a load is under way
    bool sent = false;      // every byte went to the library
  };
  static int openLocal(void** state, const char* file, void* rows);
  static int readLocal(void* state, char* buffer, unsigned size);
  static void endLocal(void* state);
  static int localError(void* state, char* message, unsigned size);

  MYSQL* handle_ = nullptr;
  LocalRows local_;
  std::string where_;  // "host:port" or the socket, for the messages
  std::optional<ado::Error> cut_;
};

}  // namespace mysql
