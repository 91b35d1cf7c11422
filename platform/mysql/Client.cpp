#include "Client.h"

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/ado/Error.h"

namespace mysql {

namespace {
constexpr const char* kStrictSession =
    "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), 'STRICT_ALL_TABLES')";
}

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
  // The non-blocking calls let rows go to the server while the next ones are prepared; the
  // blocking calls work as before.
  mysql_optionsv(handle_, MYSQL_OPT_NONBLOCK, 0);
  // Read no option files: the connection string is the whole configuration.
  if (o.compressed()) mysql_optionsv(handle_, MYSQL_OPT_COMPRESS, nullptr);
  // TLS whenever the server offers it, plain text with a server that has none (the mysql client's
  // "preferred" mode: this option does not refuse a server without TLS). The certificate is not
  // verified: the settings have no place for one.
  my_bool tls = 1, verifyCertificate = 0;
  mysql_optionsv(handle_, MYSQL_OPT_SSL_ENFORCE, &tls);
  mysql_optionsv(handle_, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verifyCertificate);

  // "localhost" and an empty server name go through the local socket, as the mysql client does,
  // which also takes the socket's path from MYSQL_UNIX_PORT when it is set.
  const char* host = o.server.empty() ? nullptr : o.server.c_str();
  const char* database = o.database.empty() ? nullptr : o.database.c_str();
  const char* socket = std::getenv("MYSQL_UNIX_PORT");
  if (socket && !*socket) socket = nullptr;
  if (!mysql_real_connect(handle_, host, o.user.c_str(), o.password.c_str(), database, o.port, socket, 0)) {
    ado::Error error(mysql_errno(handle_), mysql_error(handle_));
    mysql_close(handle_);
    handle_ = nullptr;
    throw error;
  }
}

Client::~Client() {
  if (handle_) mysql_close(handle_);
}

void Client::query(std::string_view sql) {
  if (mysql_real_query(handle_, sql.data(), sql.size()) != 0) throwError(handle_);
}

bool Client::autocommitIdle() const {
  unsigned status = 0;
  mariadb_get_infov(handle_, MARIADB_CONNECTION_SERVER_STATUS, &status);
  return (status & SERVER_STATUS_AUTOCOMMIT) && !(status & SERVER_STATUS_IN_TRANS);
}

int Client::waitFor(int status) const {
  pollfd p{};
  p.fd = mysql_get_socket(handle_);
  if (status & MYSQL_WAIT_READ) p.events |= POLLIN;
  if (status & MYSQL_WAIT_WRITE) p.events |= POLLOUT;
  if (status & MYSQL_WAIT_EXCEPT) p.events |= POLLPRI;
  int timeout = (status & MYSQL_WAIT_TIMEOUT) ? static_cast<int>(mysql_get_timeout_value_ms(handle_)) : -1;
  int n;
  do {
    n = poll(&p, 1, timeout);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return status;  // the call itself then meets and reports the failure
  if (n == 0) return MYSQL_WAIT_TIMEOUT;
  int ready = 0;
  if (p.revents & (POLLIN | POLLHUP | POLLERR)) ready |= MYSQL_WAIT_READ;
  if (p.revents & (POLLOUT | POLLHUP | POLLERR)) ready |= MYSQL_WAIT_WRITE;
  if (p.revents & POLLPRI) ready |= MYSQL_WAIT_EXCEPT;
  return ready;
}

}  // namespace mysql
