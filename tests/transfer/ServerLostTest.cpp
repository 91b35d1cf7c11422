// The server lost in the middle of a copy, on a throwaway server of this test's own
// (scripts/testdb.sh with a folder of its own): killed as in a crash and started again while
// "Send Table(s) to MySQL" is halfway, the copy stops with the connection's error, soon, and every
// row the server had acknowledged is there after the restart; stopped (SIGSTOP), it freezes
// neither the window nor the command.
#include <QTimer>
#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <thread>

#include "tests/support/MainWindowTest.h"
#include "foxpro-engine/TableWriter.h"
#include "platform/mysql/Client.h"
#include "platform/mysql/MySqlProvider.h"

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// scripts/testdb.sh with its state in `folder`; true when it succeeded.
bool testdb(const std::string& folder, const std::string& action) {
  std::string printed;
  return testfiles::run("TAVREL_TESTDB_DIR='" + folder + "' '" TAVREL_SOURCE_DIR "/scripts/testdb.sh' " + action,
                        printed) == 0;
}

constexpr const char* kStopped = "Table big, copy stopped; the rows the server had acknowledged are stored.";

class ServerLost : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (IsSkipped()) return;
    state_ = folder() + "/server";
    ASSERT_TRUE(testdb(state_, "start")) << "the second test server did not start";
    own_ = server_;
    std::ifstream(state_ + "/port") >> own_.port;
    steps::EnterMySqlLogin(*setup, {own_.host, own_.port, own_.user, own_.password, own_.database});
  }
  void TearDown() override {
    if (!state_.empty()) testdb(state_, "stop");
    MainWindowTest::TearDown();
  }
  std::string ownScalar(const std::string& query) { return scalar(query, own_.database, own_); }
  // The free table "big" of 20,000 rows in the test's folder, as the FoxPro side.
  void useBigFoxProTable() {
    auto table = fox::TableWriter::create(folder() + "/big.dbf", {{"ID", 'I'}, {"NAME", 'C', 20}});
    for (int k = 0; k < kRows; ++k) table->append({std::int32_t(k), "name " + std::to_string(k)});
    table->close();
    steps::ChooseFoxProSource(*setup, folder());
  }
  // The one message the copy ended with: one of the connection's errors, then `ending`.
  std::string expectStopped(std::initializer_list<const char*> numbers) {
    EXPECT_EQ(dialogs().messages().size(), 1u);
    const std::string message = dialogs().messages().empty() ? "" : dialogs().messages()[0].toStdString();
    EXPECT_TRUE(std::ranges::any_of(numbers, [&](const char* n) {
      return message.starts_with(std::string("Run-time error '") + n + "'");
    })) << message;
    EXPECT_TRUE(message.ends_with(kStopped)) << message;
    EXPECT_TRUE(idle());
    return message;
  }

  static constexpr int kRows = 20000;
  std::string state_;
  testdb::Server own_;
};

TEST_F(ServerLost, ACrashAndRestartMidwayIsAClearErrorAndKeepsEveryAcknowledgedRow) {
  useBigFoxProTable();
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
  const auto start = Clock::now();
  sendToMySql({"big"});
  EXPECT_LT(secondsSince(start), 30);  // the restart takes a few seconds; nothing waits for a timeout
  // Lost connection, server gone, or (over TLS) the encrypted stream cut off.
  expectStopped({"2013", "2006", "2026"});
  EXPECT_TRUE(entries(List1).empty());
  // A gapless run from row 0, every acknowledged row among it, none past the point of the crash.
  const long stored = std::stol(ownScalar("SELECT COUNT(*) FROM big"));
  EXPECT_GE(stored, acknowledged);
  EXPECT_GT(acknowledged, 0);
  EXPECT_LT(stored, kRows * 3 / 4);
  EXPECT_EQ(ownScalar("SELECT CONCAT_WS(' ', IFNULL(MAX(tempid0), -1) + 1, COUNT(DISTINCT tempid0), SUM(id = tempid0))"
                      " FROM big"),
            std::to_string(stored) + " " + std::to_string(stored) + " " + std::to_string(stored));
}

TEST_F(ServerLost, AStoppedServerFreezesNeitherTheWindowNorTheCommand) {
  pid_t server = 0;
  std::ifstream(state_ + "/mariadb.pid") >> server;
  ASSERT_GT(server, 0);
  // Stops the server at the first progress of `percent`, until the end of the step or 30 s at
  // most: a wait that never ends fails the test instead of hanging it.
  std::jthread watchdog;
  std::promise<void> resume;  // destroyed first: the watchdog wakes
  auto stopAt = [&](int percent) {
    return QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&, percent](int v) {
      if (v != percent || watchdog.joinable()) return;
      ::kill(server, SIGSTOP);
      watchdog = std::jthread([&, future = resume.get_future()] {
        future.wait_for(std::chrono::seconds(30));
        ::kill(server, SIGCONT);
      });
    });
  };
  auto resumeServer = [&] {
    resume.set_value();
    watchdog = {};
    resume = {};
  };

  // Reading rows ("Send Table(s) to FoxPro"): stopped halfway, the window still handles its
  // events, and closing it ends the command.
  sql("CREATE TABLE wide AS SELECT seq AS id, REPEAT('x', 1000) AS pad FROM seq_1_to_20000", own_.database, own_);
  std::filesystem::create_directory(folder() + "/out");
  steps::ChooseFoxProSource(*setup, folder() + "/out");
  fillLists();
  bool timerFired = false;
  auto stop = stopAt(50);
  QObject::connect(ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
    if (v != 50 || timerFired) return;
    QTimer::singleShot(300, [&] {
      timerFired = true;
      window->close();
    });
  });
  List1->SetSelected(0, true);
  List1->SetListIndex(0);
  auto start = Clock::now();
  send();
  EXPECT_LT(secondsSince(start), 10);
  EXPECT_TRUE(timerFired);
  EXPECT_EQ(programEnds, 1);
  EXPECT_TRUE(dialogs().messages().empty());
  EXPECT_TRUE(idle());
  QObject::disconnect(stop);
  resumeServer();

  // The inserts of "Send Table(s) to MySQL": a connection on which nothing arrives for the
  // silence limit ends the copy with an error that says so.
  mysql::setSilenceLimit(std::chrono::seconds(2));
  struct LimitRestored {
    ~LimitRestored() { mysql::setSilenceLimit(mysql::Client::kSilenceLimit); }
  } restored;
  useBigFoxProTable();
  window->show();
  fillLists();
  stopAt(50);
  start = Clock::now();
  sendToMySql({"big"});
  const double waited = secondsSince(start);
  EXPECT_GE(waited, 2);
  EXPECT_LT(waited, 10);
  const std::string message = expectStopped({"2013"});
  EXPECT_NE(message.find("sent nothing for 2 seconds"), std::string::npos) << message;
  resumeServer();
}

}  // namespace
