// Opening MySQL connections from the program's connection strings, what a connection answers
// (statements, SHOW TABLES;, the tables schema), and how every way of failing to connect is
// reported: an ado::Error with the server's or client's number and message, without delay.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "ScratchDatabase.h"
#include "platform/mysql/Client.h"

namespace {

using namespace ado;
using Clock = std::chrono::steady_clock;

class MySqlConnect : public mysqltest::ScratchDatabaseTest {
 protected:
  // Opens the string; returns the error and how long the attempt took.
  static Error openFails(const std::string& cs, double& seconds) {
    auto start = Clock::now();
    try {
      Connection cn;
      cn.Open(cs);
    } catch (const Error& e) {
      seconds = std::chrono::duration<double>(Clock::now() - start).count();
      return e;
    }
    ADD_FAILURE() << "opened: " << cs;
    return Error(0, "");
  }

  static std::string stringFor(const std::string& host, const std::string& port, const std::string& password,
                               const std::string& database) {
    return "DRIVER={MySQL ODBC 3.51 Driver};SERVER=" + host + ";PORT=" + port + ";USER=" + server_.user +
           ";DATABASE=" + database + ";PASSWORD=" + password + ";";
  }
};

// A port on this machine where nothing listens: bound once to learn a free number, then released.
int closedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

// Accepts connections on 127.0.0.1 and never says a word, like a hung server.
class SilentServer {
 public:
  SilentServer() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 4);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~SilentServer() { close(listener_); }
  int port() const { return port_; }

 private:
  int listener_;
  int port_;
};

TEST_F(MySqlConnect, OpensWithThePlainStringAndTheDriverOptions) {
  Connection plain;
  open(plain);
  EXPECT_EQ(plain.State(), adStateOpen);
  EXPECT_EQ(scalar(plain, "SELECT DATABASE()"), database_);
  EXPECT_EQ(scalar(plain, "SELECT @@character_set_client"), "utf8mb4");
  EXPECT_EQ(scalar(plain, "SELECT @@character_set_results"), "utf8mb4");
  ado::Recordset status = plain.Execute("SHOW SESSION STATUS LIKE 'Compression'");
  EXPECT_EQ(status.Fields()[1].Value().toText(), "OFF");

  Connection compressed;
  open(compressed, true);  // OPTION=133121 holds 2048: the compressed protocol
  status = compressed.Execute("SHOW SESSION STATUS LIKE 'Compression'");
  EXPECT_EQ(status.Fields()[1].Value().toText(), "ON");
  EXPECT_EQ(scalar(compressed, "SELECT REPEAT('ab', 100000)").size(), 200000u);

  plain.Close();
  EXPECT_EQ(plain.State(), adStateClosed);
  EXPECT_THROW(plain.Execute("SELECT 1"), Error);
}

TEST_F(MySqlConnect, LocalhostGoesThroughTheLocalSocket) {
  // As with the mysql client, the socket's path comes from MYSQL_UNIX_PORT; the port is unused.
  ASSERT_FALSE(server_.socket.empty());
  setenv("MYSQL_UNIX_PORT", server_.socket.c_str(), 1);
  Connection cn;
  cn.Open(stringFor("localhost", "", server_.password, database_));
  unsetenv("MYSQL_UNIX_PORT");
  EXPECT_EQ(scalar(cn, "SELECT USER()"), server_.user + "@localhost");
  Connection tcp;
  open(tcp);
  EXPECT_EQ(scalar(tcp, "SELECT USER()"), server_.user + "@127.0.0.1");
}

TEST_F(MySqlConnect, EveryFailureToConnectIsAnErrorWithItsNumberAndMessage) {
  double seconds = 0;
  struct Case {
    std::string name, connectionString;
    long number;
    std::string inMessage;
  };
  std::string port = std::to_string(closedPort());
  const Case cases[] = {
      {"unknown host", stringFor("no such host", server_.port, server_.password, database_), 2005, "no such host"},
      {"closed port", stringFor("127.0.0.1", port, server_.password, database_), 2002, "127.0.0.1"},
      {"wrong password", stringFor(server_.host, server_.port, "wrong", database_), 1045, "Access denied"},
      {"missing database", stringFor(server_.host, server_.port, server_.password, "no_such_db"), 1049, "no_such_db"},
      {"port not a number", stringFor(server_.host, "33o6", server_.password, database_),
       errors::kWrongArgument, "PORT"},
  };
  for (const Case& c : cases) {
    Error e = openFails(c.connectionString, seconds);
    EXPECT_EQ(e.Number(), c.number) << c.name << ": " << e.Description();
    EXPECT_NE(e.Description().find(c.inMessage), std::string::npos) << c.name << ": " << e.Description();
    EXPECT_LT(seconds, 5.0) << c.name;  // refused at once, not after the connect timeout
  }
}

TEST_F(MySqlConnect, AServerThatNeverAnswersIsGivenUpAfterTheConnectTimeout) {
  SilentServer silent;
  double seconds = 0;
  Error e = openFails(stringFor("127.0.0.1", std::to_string(silent.port()), "", ""), seconds);
  EXPECT_EQ(e.Number(), 2013) << e.Description();
  EXPECT_GE(seconds, mysql::Client::kConnectTimeoutSeconds - 1.0);
  EXPECT_LT(seconds, mysql::Client::kConnectTimeoutSeconds + 5.0);
}

TEST_F(MySqlConnect, StatementsAndCataloguesAnswerAsTheProgramReadsThem) {
  Connection cn;
  cn.SetCursorLocation(adUseClient);
  open(cn);
  EXPECT_EQ(cn.Execute("CREATE TABLE `b t`(x INT)").State(), adStateClosed);
  cn.Execute("CREATE TABLE a_t(x INT)");
  cn.Execute("CREATE VIEW c_v AS SELECT x FROM a_t");

  Recordset tables = cn.Execute("SHOW TABLES;");
  ASSERT_EQ(tables.RecordCount(), 3);
  std::vector<std::string> names;
  for (long i = 0; i < tables.RecordCount(); ++i, tables.MoveNext()) names.push_back(tables.Fields()[0].Value().asText());
  EXPECT_EQ(names, (std::vector<std::string>{"a_t", "b t", "c_v"}));
  EXPECT_TRUE(tables.Eof());

  Recordset schema = cn.OpenSchema(adSchemaTables);
  std::vector<std::string> rows;
  for (; !schema.Eof(); schema.MoveNext())
    rows.push_back(schema.Fields()["TABLE_TYPE"].Value().asText() + " " + schema.Fields()["TABLE_NAME"].Value().asText());
  EXPECT_EQ(rows, (std::vector<std::string>{"TABLE a_t", "TABLE b t", "VIEW c_v"}));

  cn.Execute("RENAME TABLE `b t` TO `B2`");
  try {
    cn.Execute("DROP TABLE `b t`");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1051);
    EXPECT_NE(e.Description().find("b t"), std::string::npos);
  }
  try {
    cn.Execute("SELEC 1");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 1064);
  }
  cn.Execute("DROP VIEW c_v");
  cn.Execute("DROP TABLE a_t, B2");
  EXPECT_EQ(cn.Execute("SHOW TABLES;").RecordCount(), 0);
}

}  // namespace
