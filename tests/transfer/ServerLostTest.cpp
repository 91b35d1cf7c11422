// The server lost in the middle of "Send Table(s) to MySQL": a throwaway server of this test's own
// (scripts/testdb.sh with a folder of its own) is killed as in a crash and started again while the
// copy is halfway. The copy stops with the connection's error, soon; every row the server had
// acknowledged is there after the restart.
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "TransferTest.h"
#include "foxpro-engine/TableWriter.h"

namespace {

// Runs a shell command; true when it succeeded. `out` gets what it printed.
bool run(const std::string& command, std::string* out = nullptr) {
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[1024];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
    if (out) out->append(buffer, n);
  return ::pclose(pipe) == 0;
}

// scripts/testdb.sh with its state in `folder`.
bool testdb(const std::string& folder, const std::string& action, std::string* out = nullptr) {
  return run("TAVREL_TESTDB_DIR='" + folder + "' '" TAVREL_SOURCE_DIR "/scripts/testdb.sh' " + action, out);
}

class ServerLost : public TransferTest {
 protected:
  void SetUp() override {
    TransferTest::SetUp();
    if (IsSkipped()) return;
    state_ = folder_.path().toStdString() + "/server";
    std::string printed;
    ASSERT_TRUE(testdb(state_, "start", &printed)) << "the second test server did not start";
    std::istringstream exports(printed);
    for (std::string line; std::getline(exports, line);) {
      auto value = [&](const char* name) { return line.substr(std::string("export ").size() + std::strlen(name) + 1); };
      if (line.find("TAVREL_TEST_MYSQL_PORT=") != std::string::npos) own_.port = value("TAVREL_TEST_MYSQL_PORT");
      if (line.find("TAVREL_TEST_MYSQL_DATABASE=") != std::string::npos)
        own_.database = value("TAVREL_TEST_MYSQL_DATABASE");
    }
    own_.host = server_.host;
    own_.user = server_.user;
    own_.password = server_.password;
  }
  void TearDown() override {
    if (!state_.empty()) testdb(state_, "stop");
  }

  std::string count(const std::string& sql) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(own_, own_.database));
    return cn.Execute(sql).Fields()[0].Value().toText();
  }

  QTemporaryDir folder_;
  std::string state_;
  testdb::Server own_;
};

TEST_F(ServerLost, ACrashAndRestartMidwayIsAClearErrorAndKeepsEveryAcknowledgedRow) {
  constexpr int kRows = 20000;
  auto table = fox::TableWriter::create(folder_.path().toStdString() + "/big.dbf", {{"ID", 'I'}, {"NAME", 'C', 20}});
  for (int k = 0; k < kRows; ++k) table->append({std::int32_t(k), "name " + std::to_string(k)});
  table->close();
  useFoxPro(folder_.path().toStdString());
  useMySql(own_, own_.database);
  fillLists();

  long acknowledged = -1;
  QObject::connect(&progressBar(), &QProgressBar::valueChanged, [&](int percent) {
    if (percent != 50 || acknowledged >= 0) return;
    // Asked from another process, so that nothing of this one is sent first: the committed rows.
    std::string seen;
    EXPECT_TRUE(run("mariadb --no-defaults -h " + own_.host + " -P " + own_.port + " -u " + own_.user + " -p" +
                        own_.password + " -D " + own_.database + " -N -e 'SELECT COUNT(*) FROM big'",
                    &seen));
    acknowledged = std::stol(seen);
    EXPECT_TRUE(testdb(state_, "restart"));
  });
  auto start = std::chrono::steady_clock::now();
  send({"big"});
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  ASSERT_EQ(dialogs().messages().size(), 1u);
  const std::string message = dialogs().messages().front().toStdString();
  // Lost connection, server gone, or (over TLS) the encrypted stream cut off.
  EXPECT_TRUE(message.starts_with("Run-time error '2013'") || message.starts_with("Run-time error '2006'") ||
              message.starts_with("Run-time error '2026'"))
      << message;
  EXPECT_TRUE(message.ends_with("Table big, copy stopped; the rows the server had acknowledged are stored."))
      << message;
  EXPECT_LT(seconds, 30);  // the restart takes a few seconds; nothing waits for a timeout
  EXPECT_TRUE(idle());
  EXPECT_TRUE(listed(mysqlList()).empty());
  // A gapless run from row 0, every acknowledged row among it, none past the point of the crash.
  long stored = std::stol(count("SELECT COUNT(*) FROM big"));
  EXPECT_GE(stored, acknowledged);
  EXPECT_GT(acknowledged, 0);
  EXPECT_LT(stored, kRows / 2);
  EXPECT_EQ(count("SELECT CONCAT_WS(' ', IFNULL(MAX(tempid0), -1) + 1, COUNT(DISTINCT tempid0), SUM(id = tempid0))"
                  " FROM big"),
            std::to_string(stored) + " " + std::to_string(stored) + " " + std::to_string(stored));
}

}  // namespace
