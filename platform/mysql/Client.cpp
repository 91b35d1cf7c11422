#include "Client.h"

#include <dlfcn.h>
#include <errmsg.h>
#include <fcntl.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "MySqlProvider.h"
#include "platform/ado/Waiting.h"

namespace mysql {

namespace {

constexpr const char* kStrictSession =
    "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), 'STRICT_ALL_TABLES')";

// The authentication plugins a connection may use. The first list holds every plugin of the
// client library that does not send the password as typed; the clear-text ones
// (mysql_clear_password, and dialog, which answers PAM's password question) are added only once
// the connection is encrypted. The library compares a plugin's name with the list by substring.
constexpr const char* kPluginsWithoutClearText =
    "mysql_native_password,caching_sha2_password,sha256_password,client_ed25519,auth_gssapi_client,parsec,"
    "mysql_old_password";
constexpr const char* kEveryPlugin =
    "mysql_native_password,caching_sha2_password,sha256_password,client_ed25519,auth_gssapi_client,parsec,"
    "mysql_old_password,mysql_clear_password,dialog";

// How long one wait on the socket lasts before the wait hook runs again.
constexpr int kSliceMilliseconds = 25;

std::chrono::milliseconds silenceLimit = Client::kSilenceLimit;

std::string spoken(std::chrono::milliseconds span) {
  const long long ms = span.count();
  if (ms % 60000 == 0) return std::to_string(ms / 60000) + (ms == 60000 ? " minute" : " minutes");
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  return std::to_string(ms) + " milliseconds";
}

// OpenSSL keeps the errors of a failed call in a queue per thread, which the client library does
// not empty; the next TLS call on any connection would take its "try again later" for that old
// failure and report the connection lost.
void clearTlsErrorsOfThisThread() {
  using Clear = void (*)();
  // The library's own TLS library, when it is OpenSSL; nothing to clear otherwise.
  static const Clear clear = reinterpret_cast<Clear>(dlsym(RTLD_DEFAULT, "ERR_clear_error"));
  if (clear) clear();
}

// The library leaves the socket in blocking mode after connecting, and over TLS its non-blocking
// calls then read with a blocking SSL_read. Once connected, reads and writes that find nothing to
// do must return at once instead; the library's blocking calls wait for the socket themselves
// either way. (Not while connecting: the library then waits for each step of the TLS handshake
// with its connect timeout taken as milliseconds.)
void keepNonBlocking(MYSQL* handle) {
  const int fd = mysql_get_socket(handle);
  if (fd < 0) return;
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0 && !(flags & O_NONBLOCK)) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

void setSilenceLimit(std::chrono::milliseconds limit) { silenceLimit = limit; }

void throwError(MYSQL* handle) { throw ado::Error(mysql_errno(handle), mysql_error(handle)); }

void throwError(MYSQL_STMT* statement) { throw ado::Error(mysql_stmt_errno(statement), mysql_stmt_error(statement)); }

bool isClientError(unsigned number) { return number >= 2000 && number < 3000; }

Client::Client(const ConnectionOptions& o) {
  handle_ = mysql_init(nullptr);
  // The client library's own words for 2008 would make Debian's lintian take the program for
  // one with the client library built in.
  if (!handle_) throw ado::Error(2008, "Out of memory for a MySQL connection");
  unsigned timeout = kConnectTimeoutSeconds;
  mysql_optionsv(handle_, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  mysql_optionsv(handle_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  // Strict for every table, whatever the server's own modes are: a value a column cannot hold
  // (cut text, a number out of range, an impossible date) is refused rather than changed.
  mysql_optionsv(handle_, MYSQL_INIT_COMMAND, kStrictSession);
  // Every wait is the client's own (waitFor), so the window goes on while the server is slow.
  mysql_optionsv(handle_, MYSQL_OPT_NONBLOCK, 0);
  // Read no option files: the connection string is the whole configuration.
  if (o.compressed()) mysql_optionsv(handle_, MYSQL_OPT_COMPRESS, nullptr);
  // TLS whenever the server offers it, plain text with a server that has none (the mysql client's
  // "preferred" mode: this option does not refuse a server without TLS). The certificate is not
  // verified: the settings have no place for one.
  my_bool tls = 1, verifyCertificate = 0;
  mysql_optionsv(handle_, MYSQL_OPT_SSL_ENFORCE, &tls);
  mysql_optionsv(handle_, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verifyCertificate);
  mysql_optionsv(handle_, MARIADB_OPT_RESTRICTED_AUTH, kPluginsWithoutClearText);
  // LOAD DATA LOCAL INFILE of rows in memory (startLoad); the handler never reads a file.
  unsigned localInfile = 1;
  mysql_optionsv(handle_, MYSQL_OPT_LOCAL_INFILE, &localInfile);
  mysql_set_local_infile_handler(handle_, openLocal, readLocal, endLocal, localError, &local_);

  // "localhost" and an empty server name go through the local socket, as the mysql client does,
  // which also takes the socket's path from MYSQL_UNIX_PORT when it is set.
  const char* host = o.server.empty() ? nullptr : o.server.c_str();
  const char* database = o.database.empty() ? nullptr : o.database.c_str();
  const char* socket = std::getenv("MYSQL_UNIX_PORT");
  if (socket && !*socket) socket = nullptr;
  where_ = o.server.empty() || o.server == "localhost" ? "on the local socket"
                                                       : "at " + o.server + ":" + std::to_string(o.port);
  MYSQL* connected = nullptr;
  bool encrypted = false;
  try {
    clearTlsErrorsOfThisThread();
    int status = mysql_real_connect_start(&connected, handle_, host, o.user.c_str(), o.password.c_str(), database,
                                          o.port, socket, 0);
    while (status) {
      const int ready = waitFor(status);
      // Once the TLS handshake has begun the connection is encrypted or fails; it never goes on in
      // clear text. A plugin the server asks for from then on may have the password as typed.
      if (!encrypted && mysql_get_ssl_cipher(handle_)) {
        encrypted = true;
        mysql_optionsv(handle_, MARIADB_OPT_RESTRICTED_AUTH, kEveryPlugin);
      }
      status = mysql_real_connect_cont(&connected, handle_, ready);
    }
  } catch (...) {
    mysql_close(handle_);
    throw;
  }
  if (!connected) {
    std::string message = mysql_error(handle_);
    const unsigned number = mysql_errno(handle_);
    // The library's own text may name the plugin wrongly (it points into a reused buffer).
    if (number == CR_PLUGIN_NOT_ALLOWED && !encrypted)
      message = "The MySQL server " + where_ +
                " asks for the password in a form allowed only over an encrypted connection"
                " (mysql_clear_password and dialog send it as typed), and it offers no TLS: the password was not sent.";
    mysql_close(handle_);
    handle_ = nullptr;
    throw ado::Error(number, message);
  }
  keepNonBlocking(handle_);
}

Client::~Client() {
  if (!handle_) return;
  clearTlsErrorsOfThisThread();
  mysql_close(handle_);
}

void StatementCloser::operator()(MYSQL_STMT* statement) const {
  clearTlsErrorsOfThisThread();
  mysql_stmt_close(statement);
}

void Client::throwIfCut() const {
  if (cut_) throw *cut_;
}

void Client::cut(const ado::Error& reason) {
  if (cut_) return;
  cut_ = reason;
  mariadb_cancel(handle_);  // every read and write on the connection fails from now on
}

template <typename Result, typename Start, typename Handle>
Result Client::run(Start start, int (*cont)(Result*, Handle*, int), Handle* handle) {
  throwIfCut();
  Result result{};
  clearTlsErrorsOfThisThread();
  for (int status = start(&result); status;) status = cont(&result, handle, waitFor(status));
  return result;
}

int Client::realQuery(std::string_view sql) {
  return run<int>([&](int* r) { return mysql_real_query_start(r, handle_, sql.data(), sql.size()); },
                  mysql_real_query_cont, handle_);
}

MYSQL_RES* Client::storeResult() {
  return run<MYSQL_RES*>([&](MYSQL_RES** r) { return mysql_store_result_start(r, handle_); }, mysql_store_result_cont,
                         handle_);
}

int Client::nextResult() {
  return run<int>([&](int* r) { return mysql_next_result_start(r, handle_); }, mysql_next_result_cont, handle_);
}

MYSQL_ROW Client::fetchRow(MYSQL_RES* result) {
  return run<MYSQL_ROW>([&](MYSQL_ROW* r) { return mysql_fetch_row_start(r, result); }, mysql_fetch_row_cont, result);
}

void Client::freeResult(MYSQL_RES* result) {
  // A result read as the server sends it reads the rest of its rows before it goes; on a cut
  // connection the rest is left where it is.
  if (!cut_) {
    try {
      clearTlsErrorsOfThisThread();
      for (int status = mysql_free_result_start(result); status;)
        status = mysql_free_result_cont(result, waitFor(status));
      return;
    } catch (...) {
      result->handle = nullptr;
      mysql_free_result(result);
      throw;
    }
  }
  result->handle = nullptr;
  mysql_free_result(result);
}

int Client::prepare(MYSQL_STMT* statement, std::string_view sql) {
  return run<int>([&](int* r) { return mysql_stmt_prepare_start(r, statement, sql.data(), sql.size()); },
                  mysql_stmt_prepare_cont, statement);
}

int Client::execute(MYSQL_STMT* statement) {
  return run<int>([&](int* r) { return mysql_stmt_execute_start(r, statement); }, mysql_stmt_execute_cont, statement);
}

int Client::startExecute(MYSQL_STMT* statement, int& failed) {
  throwIfCut();
  clearTlsErrorsOfThisThread();
  return mysql_stmt_execute_start(&failed, statement);
}

int Client::continueExecute(MYSQL_STMT* statement, int& failed, int status) {
  return mysql_stmt_execute_cont(&failed, statement, waitFor(status));
}

int Client::startLoad(std::string_view sql, std::string_view rows, std::size_t piece, int& failed) {
  throwIfCut();
  clearTlsErrorsOfThisThread();
  local_ = {rows, std::max<std::size_t>(1, piece), true, false};
  struct Close {
    LocalRows& rows;
    ~Close() { rows = {}; }
  } close{local_};
  // Until the rows are sent; then the server's answer is what is waited for.
  int status = mysql_real_query_start(&failed, handle_, sql.data(), sql.size());
  while (status && (!local_.sent || (status & MYSQL_WAIT_WRITE)))
    status = mysql_real_query_cont(&failed, handle_, waitFor(status));
  return status;
}

int Client::continueQuery(int& failed, int status) { return mysql_real_query_cont(&failed, handle_, waitFor(status)); }

int Client::openLocal(void** state, const char*, void* rows) {
  *state = rows;
  return static_cast<LocalRows*>(rows)->open ? 0 : 1;
}

int Client::readLocal(void* state, char* buffer, unsigned size) {
  LocalRows& rows = *static_cast<LocalRows*>(state);
  const std::size_t n = std::min({std::size_t{size}, rows.piece, rows.bytes.size()});
  std::copy_n(rows.bytes.data(), n, buffer);
  rows.bytes.remove_prefix(n);
  return static_cast<int>(n);
}

void Client::endLocal(void* state) {
  if (auto* rows = static_cast<LocalRows*>(state)) rows->sent = true;
}

int Client::localError(void*, char* message, unsigned size) {
  std::snprintf(message, size, "%s", "The server asked for a local file that was not offered.");
  return CR_UNKNOWN_ERROR;
}

void Client::query(std::string_view sql) {
  if (realQuery(sql) != 0) throwError(handle_);
}

bool Client::autocommitIdle() const {
  unsigned status = 0;
  mariadb_get_infov(handle_, MARIADB_CONNECTION_SERVER_STATUS, &status);
  return (status & SERVER_STATUS_AUTOCOMMIT) && !(status & SERVER_STATUS_IN_TRANS);
}

int Client::waitFor(int status) {
  throwIfCut();
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const Clock::time_point silent = start + silenceLimit;
  // The library's own deadline (the connect timeout), when it has one.
  const Clock::time_point due = (status & MYSQL_WAIT_TIMEOUT)
                                    ? start + std::chrono::milliseconds(mysql_get_timeout_value_ms(handle_))
                                    : Clock::time_point::max();
  pollfd p{};
  p.fd = mysql_get_socket(handle_);
  if (status & MYSQL_WAIT_READ) p.events |= POLLIN;
  if (status & MYSQL_WAIT_WRITE) p.events |= POLLOUT;
  if (status & MYSQL_WAIT_EXCEPT) p.events |= POLLPRI;
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(std::min(silent, due) - Clock::now()).count();
    const int n = poll(&p, 1, static_cast<int>(std::clamp<long long>(left, 0, kSliceMilliseconds)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      clearTlsErrorsOfThisThread();
      return status;  // the call itself then meets and reports the failure
    }
    if (n > 0) {
      int ready = 0;
      if (p.revents & (POLLIN | POLLHUP | POLLERR)) ready |= MYSQL_WAIT_READ;
      if (p.revents & (POLLOUT | POLLHUP | POLLERR)) ready |= MYSQL_WAIT_WRITE;
      if (p.revents & POLLPRI) ready |= MYSQL_WAIT_EXCEPT;
      clearTlsErrorsOfThisThread();  // the hook may have run other connections' calls meanwhile
      return ready;
    }
    const Clock::time_point now = Clock::now();
    if (now >= due) return MYSQL_WAIT_TIMEOUT;
    if (now >= silent) {
      cut(ado::Error(CR_SERVER_LOST, "The MySQL server " + where_ + " sent nothing for " + spoken(silenceLimit) +
                                         "; the connection was given up."));
      throwIfCut();
    }
    try {
      ado::WhileWaiting();
    } catch (...) {
      cut(ado::Error(CR_SERVER_LOST,
                     "The connection to the MySQL server " + where_ + " was closed while it waited for the server."));
      throw;
    }
  }
}

}  // namespace mysql
