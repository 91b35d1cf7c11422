// kill -9 of a copy at a random row: the table it was writing opens in python3-dbf and dbfread
// with every row readers could see before the kill, in a free folder and in a container that
// still lists and reads.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <random>
#include <thread>

#include "CopyTest.h"

extern char** environ;

namespace {

constexpr int kRows = 30000;

class KillCopy : public CopyTest {
 protected:
  // Runs the copy in a child process and kills it once readers of `big` see at least a random
  // number of rows; returns that number.
  std::uint32_t copyAndKill(const std::string& source) {
    const std::uint32_t target = std::uniform_int_distribution<std::uint32_t>(1, kRows * 2 / 3)(random_);
    std::vector<std::string> args = {TAVREL_BUILD_DIR "/tests/transfer/copy_child", server_.host, server_.port};
    args.insert(args.end(), {server_.user, server_.password, database_, source, "big"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
      ADD_FAILURE() << "copy_child did not start";  // and no kill(0, …) of the whole group
      return 0;
    }
    const std::string dbf = folder() + "/big.DBF";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!liveThrough(dbf, target) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the copy ended before the kill, at " << recordCount(dbf) << " rows";
    return target;
  }

  // Whether record n (from 1) is counted and live. A flush of held records writes them deleted,
  // then the count, then their live flags front to back: the count alone can run ahead of what
  // readers see, record n live means every record up to it stays visible whatever comes next.
  static bool liveThrough(const std::string& dbf, std::uint32_t n) {
    if (recordCount(dbf) < n) return false;
    std::ifstream in(dbf, std::ios::binary);
    in.seekg(testfiles::headerNumber(dbf, 8, 2) + std::streamoff(n - 1) * testfiles::headerNumber(dbf, 10, 2));
    char flag = 0;
    return in.get(flag) && flag == ' ';
  }

  void expectRowsBeforeTheKill(std::uint32_t target) {
    QJsonObject read = readBack(folder() + "/big.DBF");
    for (const char* reader : {"dbfread", "dbf"}) {
      auto got = rows(read, reader);
      EXPECT_GE(got.size(), target) << reader;
      EXPECT_LT(got.size(), static_cast<std::size_t>(kRows)) << reader;
      for (std::size_t i = 0; i < got.size(); ++i)
        if (got[i] != std::vector<std::string>{std::to_string(i + 1), "value " + std::to_string(i + 1)}) {
          ADD_FAILURE() << reader << " row " << i + 1;
          break;
        }
    }
  }

  void SetUp() override {
    CopyTest::SetUp();
    if (IsSkipped()) return;
    sql("CREATE TABLE big (id INT PRIMARY KEY, v VARCHAR(20))");
    sql("INSERT INTO big SELECT seq, CONCAT('value ', seq) FROM seq_1_to_" + std::to_string(kRows));
  }

  std::mt19937 random_{std::random_device{}()};
};

TEST_F(KillCopy, AFreeTableKeepsEveryRowBeforeTheKill) { expectRowsBeforeTheKill(copyAndKill(folder())); }

TEST_F(KillCopy, AContainerStillListsAndReadsItsTables) {
  const std::string dbc = useContainerCopy("northwind", "northwind.dbc");
  const std::uint32_t target = copyAndKill(dbc);
  expectRowsBeforeTheKill(target);
  const Names tables = foxproTables();
  EXPECT_EQ(tables.size(), 14u);
  EXPECT_EQ(std::ranges::count(tables, "big"), 1);
  auto foxpro = chosenFoxPro();
  EXPECT_GE(foxpro->Execute("SELECT * FROM big").RecordCount(), static_cast<long>(target));
  EXPECT_EQ(foxpro->Execute("SELECT * FROM customers").RecordCount(), 91);
}

}  // namespace
