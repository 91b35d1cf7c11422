// Opening MySQL connections from the program's connection strings, what a connection answers
// (statements, SHOW TABLES;, the tables schema), and how every way of failing to connect is
// reported: an ado::Error with the server's or client's number and message, without delay and
// without the password; TLS whenever the server offers it, and the password never in clear text
// without it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>

#include "ScratchDatabase.h"
#include "platform/mysql/Client.h"

namespace {

using namespace ado;

class MySqlConnect : public mysqltest::ScratchDatabaseTest {
 protected:
  static constexpr const char* kWrongPassword = "Not-The-Password-7f3a";

  // Opens the string; returns the error and how long the attempt took.
  static Error openFails(const std::string& cs, double& seconds) {
    const auto start = std::chrono::steady_clock::now();
    const std::optional<Error> e = failure([&] { Connection().Open(cs); });
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(e.has_value()) << "opened: " << cs;
    return e.value_or(Error(0, ""));
  }

  static std::string stringFor(const std::string& host, const std::string& port, const std::string& password,
                               const std::string& database) {
    return "DRIVER={MySQL ODBC 3.51 Driver};SERVER=" + host + ";PORT=" + port + ";USER=" + server_.user +
           ";DATABASE=" + database + ";PASSWORD=" + password + ";";
  }
};

// A socket on 127.0.0.1 and a free port: listening, it accepts connections and never says a
// word, like a hung server; closed at once, it leaves a port where nothing listens.
struct LoopbackPort {
  explicit LoopbackPort(bool listening) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(socket_, reinterpret_cast<sockaddr*>(&a), len);
    if (listening) listen(socket_, 4);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &len);
    port = std::to_string(ntohs(a.sin_port));
    if (!listening) close(socket_);
  }
  ~LoopbackPort() { close(socket_); }
  int socket_ = socket(AF_INET, SOCK_STREAM, 0);
  std::string port;
};

// A server on the listening socket that offers no TLS and asks for the password in clear text, in
// its greeting or by switching plugins after the client's first answer; every byte it got.
std::string clearTextServer(int listening, const std::string& plugin, const std::string& data, bool inGreeting) {
  std::string received;
  pollfd p{listening, POLLIN, 0};
  if (poll(&p, 1, 10000) != 1) return received;
  const int client = accept(listening, nullptr, nullptr);
  auto sendPacket = [&](char sequence, const std::string& payload) {
    const std::size_t n = payload.size();
    const std::string packet = std::string{char(n & 0xff), char(n >> 8 & 0xff), char(n >> 16 & 0xff), sequence};
    ::send(client, (packet + payload).data(), packet.size() + n, MSG_NOSIGNAL);
  };
  auto receivePacket = [&] {  // false once the client is gone or silent for 5 s
    pollfd c{client, POLLIN, 0};
    char buffer[4096];
    const ssize_t n = poll(&c, 1, 5000) == 1 ? recv(client, buffer, sizeof buffer, 0) : 0;
    if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
    return n > 0;
  };
  // Protocol 41, secure connection and plugin authentication; no CLIENT_SSL.
  const std::uint32_t capabilities = 0x1 | 0x4 | 0x8 | 0x200 | 0x2000 | 0x8000 | 0x80000;
  std::string greeting =
      std::string("\x0a") + "8.0.99-listener" + '\0' + std::string("\1\0\0\0", 4) + "abcdefgh" + '\0';
  greeting += {char(capabilities & 0xff), char(capabilities >> 8 & 0xff), 33, 2, 0};
  greeting += {char(capabilities >> 16 & 0xff), char(capabilities >> 24 & 0xff), 21};
  greeting += std::string(10, '\0') + "ijklmnopqrst" + '\0';
  greeting += (inGreeting ? plugin : "mysql_native_password") + '\0';
  sendPacket(0, greeting);
  if (!inGreeting && receivePacket()) sendPacket(2, "\xfe" + plugin + '\0' + data);
  while (receivePacket()) {
  }
  close(client);
  return received;
}

TEST_F(MySqlConnect, ThePasswordNeverGoesInClearTextOverAConnectionWithoutTls) {
  const std::string secret = "Clear-Text-Secret-51e2";
  const std::tuple<const char*, std::string, bool> cases[] = {{"mysql_clear_password", std::string(21, 'x'), true},
                                                              {"mysql_clear_password", std::string(21, 'x'), false},
                                                              {"dialog", "\x04Password: ", false}};
  for (const auto& [plugin, data, inGreeting] : cases) {
    LoopbackPort port(true);
    auto received = std::async(std::launch::async, clearTextServer, port.socket_, plugin, data, inGreeting);
    double seconds = 0;
    Error e = openFails(stringFor("127.0.0.1", port.port, secret, ""), seconds);
    const std::string got = received.get();
    EXPECT_EQ(e.Number(), 5010) << plugin << ": " << e.Description();
    EXPECT_NE(e.Description().find("no TLS: the password was not sent"), std::string::npos) << e.Description();
    EXPECT_EQ(got.find(secret), std::string::npos) << plugin;
    EXPECT_EQ(got.empty(), inGreeting) << plugin;  // the first answer, without the password
  }
}

// The test server offers TLS with a certificate made when it started, which nobody could have
// verified; the second one has no TLS at all.
TEST_F(MySqlConnect, OpensWithThePlainStringTheDriverOptionsTheLocalSocketAndTlsWhenOffered) {
  Connection plain, withOptions, local, noTls;
  open(plain);
  EXPECT_EQ(scalar(plain,
                   "SELECT CONCAT(DATABASE(), ' ', @@character_set_client, ' ', @@character_set_results, ' ',"
                   " USER())"),
            database_ + " utf8mb4 utf8mb4 " + server_.user + "@127.0.0.1");
  // Strict for every table, the server's own modes kept.
  EXPECT_EQ(scalar(plain,
                   "SELECT CONCAT(FIND_IN_SET('STRICT_ALL_TABLES', @@SESSION.sql_mode) > 0,"
                   " FIND_IN_SET('NO_ENGINE_SUBSTITUTION', @@SESSION.sql_mode) > 0,"
                   " FIND_IN_SET('NO_ENGINE_SUBSTITUTION', @@GLOBAL.sql_mode) > 0)"),
            "111");
  const std::string cipher =
      "SELECT VARIABLE_VALUE FROM information_schema.SESSION_STATUS WHERE VARIABLE_NAME = 'Ssl_cipher'";
  EXPECT_NE(scalar(plain, cipher), "");
  // OPTION=133121 holds 2048, the compressed protocol, which a server on this machine does without.
  open(withOptions, true);
  EXPECT_EQ(withOptions.Execute("SHOW SESSION STATUS LIKE 'Compression'").Fields()[1].Value(), Variant("OFF"));
  EXPECT_EQ(scalar(withOptions, "SELECT REPEAT('ab', 100000)").size(), 200000u);
  // localhost: the local socket, whose path comes from MYSQL_UNIX_PORT as with the mysql client.
  ASSERT_FALSE(server_.socket.empty());
  setenv("MYSQL_UNIX_PORT", server_.socket.c_str(), 1);
  local.Open(stringFor("localhost", "", server_.password, database_));
  unsetenv("MYSQL_UNIX_PORT");
  EXPECT_EQ(scalar(local, "SELECT USER()"), server_.user + "@localhost");

  ASSERT_FALSE(server_.plainPort.empty()) << "TAVREL_TEST_MYSQL_PLAIN_PORT is not set";
  noTls.Open(stringFor(server_.host, server_.plainPort, server_.password, ""));
  EXPECT_EQ(scalar(noTls, "SELECT @@have_ssl"), "DISABLED");
  EXPECT_EQ(scalar(noTls, cipher), "");
  EXPECT_EQ(scalar(noTls, "SELECT CONCAT(USER(), ' ', 6 * 7)"), server_.user + "@127.0.0.1 42");
}

// Refused at once, not after the connect timeout, but by a server that never answers.
TEST_F(MySqlConnect, EveryFailureToConnectIsAnErrorWithItsNumberAndMessage) {
  struct Case {
    std::string name, connectionString;
    long number;
    std::string inMessage;
    double atLeastSeconds = 0, belowSeconds = 5.0;
  };
  LoopbackPort silent(true), closed(false);  // the listener first: the closed port cannot become its port
  const double timeout = mysql::Client::kConnectTimeoutSeconds;
  const Case cases[] = {
      {"unknown host", stringFor("no such host", server_.port, server_.password, database_), 2005, "no such host"},
      {"closed port", stringFor("127.0.0.1", closed.port, server_.password, database_), 2002, "127.0.0.1"},
      {"wrong password", stringFor(server_.host, server_.port, kWrongPassword, database_), 1045, "Access denied"},
      {"missing database", stringFor(server_.host, server_.port, server_.password, "no_such_db"), 1049, "no_such_db"},
      {"port not a number", stringFor(server_.host, "33o6", server_.password, database_), errors::kWrongArgument,
       "PORT"},
      {"silent server", stringFor("127.0.0.1", silent.port, "", ""), 2013, "", timeout - 1.0, timeout + 5.0},
  };
  for (const Case& c : cases) {
    double seconds = 0;
    Error e = openFails(c.connectionString, seconds);
    EXPECT_EQ(e.Number(), c.number) << c.name << ": " << e.Description();
    EXPECT_NE(e.Description().find(c.inMessage), std::string::npos) << c.name << ": " << e.Description();
    EXPECT_GE(seconds, c.atLeastSeconds) << c.name;
    EXPECT_LT(seconds, c.belowSeconds) << c.name;
    for (const std::string& password : {server_.password, std::string(kWrongPassword)})
      EXPECT_EQ(e.Description().find(password), std::string::npos) << c.name << ": " << e.Description();
  }
}

TEST_F(MySqlConnect, StatementsAndCataloguesAnswerAsTheProgramReadsThem) {
  Connection cn;
  cn.SetCursorLocation(adUseClient);
  open(cn);
  EXPECT_EQ(cn.Execute("CREATE TABLE `b t`(x INT)").State(), adStateClosed);
  cn.Execute("CREATE TABLE a_t(x INT)");
  cn.Execute("CREATE VIEW c_v AS SELECT x FROM a_t");
  EXPECT_EQ(cn.Execute("SHOW TABLES;").RecordCount(), 3);
  EXPECT_EQ(rows(cn, "SHOW TABLES;"), (std::vector<std::string>{"a_t", "b t", "c_v"}));
  std::vector<std::string> catalogue;
  for (Recordset schema = cn.OpenSchema(adSchemaTables); !schema.Eof(); schema.MoveNext())
    catalogue.push_back(schema.Fields()["TABLE_TYPE"].Value().asText() + " " +
                        schema.Fields()["TABLE_NAME"].Value().asText());
  EXPECT_EQ(catalogue, (std::vector<std::string>{"TABLE a_t", "TABLE b t", "VIEW c_v"}));
  try {
    cn.Execute("DROP TABLE `no t`");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1051);
    EXPECT_NE(e.Description().find("no t"), std::string::npos);
  }
}

}  // namespace
