#pragma once
#include <string>

#include "platform/ado/ConnectionString.h"

namespace mysql {

// What a MySQL connection string says, as the MySQL ODBC driver reads it:
// SERVER, PORT, USER, DATABASE, PASSWORD and OPTION (a bit set; 2048 asks for the compressed
// protocol, used for servers on other machines; every other bit is accepted and has no effect).
struct ConnectionOptions {
  std::string server;    // empty or "localhost": the local socket, as the MySQL client does
  unsigned port = 3306;  // an empty PORT means the default port
  std::string user;
  std::string password;
  std::string database;  // empty: no default database
  unsigned long option = 0;

  // Compression pays only across a network: to a server on this machine (the local socket, or
  // a loopback address) it costs both sides processor time and saves nothing.
  bool compressed() const { return (option & kCompressedProtocol) != 0 && !onThisMachine(); }
  bool onThisMachine() const;

  static constexpr unsigned long kCompressedProtocol = 2048;

  // Throws ado::Error naming the key when PORT or OPTION is not a number.
  static ConnectionOptions parse(const ado::ConnectionString& cs);
};

}  // namespace mysql
