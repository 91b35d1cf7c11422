// The server lost in the middle of a copy, on a throwaway server of this test's own
// (scripts/testdb.sh with a folder of its own): killed as in a crash and started again while
// "Send Table(s) to MySQL" is halfway, the copy stops with the connection's error, soon, and every
// row the server had acknowledged is there after the restart; stopped (SIGSTOP), it freezes
// neither the window nor the command.
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include "tests/support/MainWindowTest.h"
#include "foxpro-engine/TableWriter.h"
#include "platform/mysql/Client.h"
#include "platform/mysql/MySqlProvider.h"

namespace {

// scripts/testdb.sh with its state in `folder`; true when it succeeded.
bool testdb(const std::string& folder, const std::string& action) {
  std::string printed;
  return testfiles::run("TAVREL_TESTDB_DIR='" + folder + "' '" TAVREL_SOURCE_DIR "/scripts/testdb.sh' " + action,
                        printed) == 0;
}

class ServerLost : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (IsSkipped()) return;
    state_ = folder() + "/server";
    ASSERT_TRUE(testdb(state_, "start")) << "the second test server did not start";
    own_ = server_;
    std::ifstream(state_ + "/port") >> own_.port;
  }
  void TearDown() override {
    if (!state_.empty()) testdb(state_, "stop");
    MainWindowTest::TearDown();
  }
  void useOwnServer() {
    steps::EnterMySqlLogin(*setup, {own_.host, own_.port, own_.user, own_.password, own_.database});
  }

  std::string count(const std::string& sql) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(own_, own_.database));
    return cn.Execute(sql).Fields()[0].Value().toText();
  }

  // The free table "big" of `rows` rows in the test's folder, as the FoxPro side.
  void useBigFoxProTable(int rows) {
    auto table = fox::TableWriter::create(folder() + "/big.dbf", {{"ID", 'I'}, {"NAME", 'C', 20}});
    for (int k = 0; k < rows; ++k) table->append({std::int32_t(k), "name " + std::to_string(k)});
    table->close();
    steps::ChooseFoxProSource(*setup, folder());
  }

  std::string state_;
  testdb::Server own_;
};

TEST_F(ServerLost, ACrashAndRestartMidwayIsAClearErrorAndKeepsEveryAcknowledgedRow) {
  constexpr int kRows = 20000;
  useBigFoxProTable(kRows);
  useOwnServer();
  fillLists();

  long acknowledged = -1;
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int percent) {
    // Late enough that batches of rows were committed before (a batch is committed when the next
    // one is sent).
    if (percent != 75 || acknowledged >= 0) return;
    // Asked from another process, so that nothing of this one is sent first: the committed rows.
    std::string seen;
    EXPECT_EQ(testfiles::run("mariadb --no-defaults -h " + own_.host + " -P " + own_.port + " -u " + own_.user + " -p" +
                                 own_.password + " -D " + own_.database + " -N -e 'SELECT COUNT(*) FROM big'",
                             seen),
              0);
    acknowledged = std::stol(seen);
    EXPECT_TRUE(testdb(state_, "restart"));
  });
  auto start = std::chrono::steady_clock::now();
  sendToMySql({"big"});
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
  EXPECT_TRUE(entries(List1).empty());
  // A gapless run from row 0, every acknowledged row among it, none past the point of the crash.
  long stored = std::stol(count("SELECT COUNT(*) FROM big"));
  EXPECT_GE(stored, acknowledged);
  EXPECT_GT(acknowledged, 0);
  EXPECT_LT(stored, kRows * 3 / 4);
  EXPECT_EQ(count("SELECT CONCAT_WS(' ', IFNULL(MAX(tempid0), -1) + 1, COUNT(DISTINCT tempid0), SUM(id = tempid0))"
                  " FROM big"),
            std::to_string(stored) + " " + std::to_string(stored) + " " + std::to_string(stored));
}

}  // namespace

TEST_F(ServerLost, AStoppedServerFreezesNeitherTheWindowNorTheCommand) {
  pid_t server = 0;
  std::ifstream(state_ + "/mariadb.pid") >> server;
  ASSERT_GT(server, 0);
  // Stops the server until it goes out of scope, and 30 s at most: a wait that never ends fails
  // the test instead of hanging it.
  struct Stopped {
    explicit Stopped(pid_t pid) {
      ::kill(pid, SIGSTOP);
      watchdog = std::jthread([pid](std::stop_token stop) {
        std::mutex m;
        std::unique_lock lock(m);
        std::condition_variable_any().wait_for(lock, stop, std::chrono::seconds(30), [] { return false; });
        ::kill(pid, SIGCONT);
      });
    }
    std::jthread watchdog;
  };
  std::optional<Stopped> stopped;
  using Clock = std::chrono::steady_clock;
  auto secondsSince = [](Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
  };

  // Reading rows ("Send Table(s) to FoxPro"): stopped halfway, the window still handles its
  // events, and closing it ends the command.
  const std::string rowsOfAKilobyte =
      "CREATE TABLE wide AS SELECT seq AS id, REPEAT('x', 1000) AS pad FROM seq_1_to_20000";
  ado::Connection own;
  own.Open(testdb::connectionString(own_, own_.database));
  own.Execute(rowsOfAKilobyte);
  own.Close();
  std::filesystem::create_directory(folder() + "/out");
  steps::ChooseFoxProSource(*setup, folder() + "/out");
  useOwnServer();
  fillLists();
  bool timerFired = false;
  auto stopHalfway = QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int percent) {
    if (percent != 50 || stopped) return;
    stopped.emplace(server);
    QTimer::singleShot(300, [&] {
      timerFired = true;
      window->close();
    });
  });
  List1->SetSelected(0, true);
  List1->SetListIndex(0);
  Clock::time_point start = Clock::now();
  send();
  EXPECT_LT(secondsSince(start), 10);
  EXPECT_TRUE(timerFired);
  EXPECT_EQ(programEnds, 1);
  EXPECT_TRUE(dialogs().messages().empty());
  EXPECT_TRUE(idle());
  QObject::disconnect(stopHalfway);
  stopped.reset();

  // The inserts of "Send Table(s) to MySQL": a connection on which nothing arrives for the
  // silence limit ends the copy with an error that says so.
  mysql::setSilenceLimit(std::chrono::seconds(2));
  struct LimitRestored {
    ~LimitRestored() { mysql::setSilenceLimit(mysql::Client::kSilenceLimit); }
  } restored;
  useBigFoxProTable(20000);
  window->show();
  fillLists();
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int percent) {
    if (percent == 50 && !stopped) stopped.emplace(server);
  });
  start = Clock::now();
  sendToMySql({"big"});
  const double waited = secondsSince(start);
  EXPECT_GE(waited, 2);
  EXPECT_LT(waited, 10);
  ASSERT_EQ(dialogs().messages().size(), 1u);
  const std::string message = dialogs().messages().front().toStdString();
  EXPECT_TRUE(message.starts_with("Run-time error '2013'")) << message;
  EXPECT_NE(message.find("sent nothing for 2 seconds"), std::string::npos) << message;
  EXPECT_TRUE(message.ends_with("Table big, copy stopped; the rows the server had acknowledged are stored."))
      << message;
  EXPECT_TRUE(idle());
}
