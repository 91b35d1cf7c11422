// `tavrel VERB …` as a scheduled job runs it (RunTavrel.h) against the throwaway MariaDB and a
// real folder of free tables: the overwrite answers, a server error, SIGINT during a long copy,
// usage errors, and a password that never shows.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <sstream>
#include <thread>

#include "CliTest.h"

namespace {

namespace fs = std::filesystem;
using clitest::Outcome;

class CommandLine : public clitest::CliTest {
 protected:
  // The folder's files with their sizes and change times.
  std::vector<std::string> folderState() {
    std::vector<std::string> state;
    for (const auto& e : fs::directory_iterator(folder_.path())) {
      struct stat st {};
      ::stat(e.path().c_str(), &st);
      state.push_back(e.path().filename().string() + " " + std::to_string(st.st_size) + " " +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
    }
    std::sort(state.begin(), state.end());
    return state;
  }
};

// a, b and c copied, walked c, b, a; the folder holds b already.
TEST_F(CommandLine, OverwriteAnswers) {
  struct Case {
    std::vector<std::string> option;
    int status;
    std::vector<std::string> b, a;  // what the FoxPro tables hold afterwards
  };
  const Case cases[] = {
      {{"--overwrite"}, 0, {"new"}, {"new"}},
      {{"--skip-existing"}, 0, {"old"}, {"new"}},
      {{}, 4, {"old"}, {}},  // no terminal: the question has no answer, c stays done
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option.empty() ? "neither" : c.option[0]);
    for (const fs::path& file : fs::directory_iterator(folder_.path())) fs::remove(file);
    foxpro({"CREATE TABLE b ([v] M)", "INSERT INTO b VALUES ('old')"});
    for (const char* t : {"a", "b", "c"}) {
      sql(std::string("CREATE OR REPLACE TABLE ") + t + " (v VARCHAR(5))");
      sql(std::string("INSERT INTO ") + t + " VALUES ('new')");
    }
    std::vector<std::string> args = {"copy", "to-foxpro", "a", "b", "c"};
    args.insert(args.end(), c.option.begin(), c.option.end());
    const Outcome run = tavrel(args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(foxpro("SELECT * FROM c"), std::vector<std::string>{"new"});
    EXPECT_EQ(foxpro("SELECT * FROM b"), c.b);
    if (c.a.empty()) {
      EXPECT_FALSE(fs::exists(folder_ / "a.DBF"));
      EXPECT_NE(run.lastError().find("Would you like to overwrite b?"), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(foxpro("SELECT * FROM a"), c.a);
    }
  }
}

// The walk goes z_good, then a_broken, a view the server can no longer read.
TEST_F(CommandLine, ServerErrorEndsTheRunWithItsNumberAndTextAfterEarlierTablesAreComplete) {
  sql("CREATE TABLE z_good (v INT)");
  sql("INSERT INTO z_good SELECT seq FROM seq_1_to_500");
  sql("CREATE TABLE gone (v INT)");
  sql("CREATE VIEW a_broken AS SELECT v FROM gone");
  sql("DROP TABLE gone");
  const Outcome run = tavrel({"copy", "to-foxpro", "--all"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lastError().rfind("tavrel: error 1356: View '" + database_ + ".a_broken' references invalid", 0), 0u)
      << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find('\t')), "z_good");
  EXPECT_EQ(foxpro("SELECT * FROM z_good").size(), 500u);
  EXPECT_FALSE(fs::exists(folder_ / "a_broken.DBF"));
}

// The record count in a .dbf header, 0 while the file is not there yet.
std::uint32_t recordCount(const fs::path& dbf) {
  std::ifstream in(dbf, std::ios::binary);
  unsigned char header[8] = {};
  if (!in.read(reinterpret_cast<char*>(header), 8)) return 0;
  return header[4] | header[5] << 8 | header[6] << 16 | static_cast<std::uint32_t>(header[7]) << 24;
}

TEST_F(CommandLine, SigintEndsALongCopyWithEveryRowWrittenReadable) {
  constexpr int kRows = 30000;
  sql("CREATE TABLE big (id INT PRIMARY KEY, v VARCHAR(20))");
  sql("INSERT INTO big SELECT seq, CONCAT('value ', seq) FROM seq_1_to_" + std::to_string(kRows));
  const pid_t pid = program_.start({"copy", "to-foxpro", "big", "--password-file", passwordFile()});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (recordCount(folder_ / "big.DBF") < 1000 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::string cmdline = clitest::Program::read("/proc/" + std::to_string(pid) + "/cmdline");
  EXPECT_NE(cmdline.find("--password-file"), std::string::npos);
  EXPECT_EQ(cmdline.find(server_.password), std::string::npos);
  ::kill(pid, SIGINT);
  const Outcome run = program_.finish(pid);
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_EQ(run.lastError(), "tavrel: interrupted");
  EXPECT_NE(run.err.find("tavrel: stopped while copying big\n"), std::string::npos) << run.err;

  const std::uint32_t written = recordCount(folder_ / "big.DBF");
  EXPECT_GE(written, 1000u);
  EXPECT_LT(written, static_cast<std::uint32_t>(kRows));
  FILE* pipe = ::popen(
      ("/usr/bin/python3 " TAVREL_SOURCE_DIR "/tests/transfer/read_dbf.py '" + (folder_ / "big.DBF") + "' 1252 2>&1")
          .c_str(),
      "r");
  std::string json;
  char buf[65536];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) json.append(buf, n);
  ASSERT_EQ(::pclose(pipe), 0) << json.substr(0, 2000);
  const QJsonObject read = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
  for (const char* reader : {"dbfread", "dbf"}) {
    const QJsonArray rows = read[reader].toArray();
    EXPECT_EQ(rows.size(), written) << reader;
    for (qsizetype i = 0; i < rows.size(); ++i)
      if (rows[i].toArray() != QJsonArray{QString::number(i + 1), QString("value %1").arg(i + 1)}) {
        ADD_FAILURE() << reader << " row " << i + 1;
        break;
      }
  }
}

TEST_F(CommandLine, UsageErrorsTouchNothing) {
  const fs::path fixture = fs::path(TAVREL_FIXTURES_DIR) / "dbffile/vfp9_30.dbf";
  for (const char* name : {"orders.dbf", "ORDERS.dbf"}) fs::copy_file(fixture, folder_ / name);
  const std::vector<std::string> before = folderState();
  const struct {
    std::vector<std::string> args;
    std::string named;  // what the error names
  } cases[] = {
      {{"copy", "to-mysql", "orders", "nosuch"}, "nosuch"},
      {{"copy", "to-mysql", "orders", "Orders"}, "Orders"},
      {{"frobnicate", "orders"}, "frobnicate"},
      {{"copy", "to-mysql", "--frob", "orders"}, "--frob"},
      {{"--frob", "copy", "to-mysql", "orders"}, "--frob"},
  };
  for (const auto& c : cases) {
    const Outcome run = tavrel(c.args);
    EXPECT_EQ(run.status, 2) << c.named << ": " << run.err;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(folderState(), before);
  EXPECT_EQ(sql("SHOW TABLES"), std::vector<std::string>{});
}

// Names from arguments reach the same name-to-file and quoting functions as the window's: hostile
// names copied to FoxPro land as files inside the chosen folder, and deleting what `list` shows
// empties it.
TEST_F(CommandLine, HostileNamesStayInsideTheFolder) {
  const std::vector<std::string> names = {"../x", "a]b\"c;d"};
  for (const std::string& name : names) {
    sql("CREATE TABLE `" + name + "` (v VARCHAR(5))");
    sql("INSERT INTO `" + name + "` VALUES ('new')");
  }
  std::vector<std::string> args = {"copy", "to-foxpro"};
  args.insert(args.end(), names.begin(), names.end());
  EXPECT_EQ(tavrel(args).status, 0);
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(folder_.path())) files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"..%2Fx.DBF", "..%2Fx.FPT", "a]b%22c;d.DBF", "a]b%22c;d.FPT"}));
  EXPECT_FALSE(fs::exists(folder_.path().parent_path() / "x.DBF"));
  const Outcome listed = tavrel({"list", "foxpro"});
  args = {"delete", "foxpro"};
  std::istringstream lines(listed.out);
  for (std::string name; std::getline(lines, name);) args.push_back(name);
  EXPECT_EQ(args.size(), 4u) << listed.out;
  EXPECT_EQ(tavrel(args).status, 0);
  EXPECT_TRUE(fs::is_empty(folder_.path()));
}

TEST_F(CommandLine, ResultsThatCannotBeWrittenFailTheRun) {
  fs::copy_file(fs::path(TAVREL_FIXTURES_DIR) / "dbffile/vfp9_30.dbf", folder_ / "orders.dbf");
  const Outcome run = program_.finish(program_.start({"list", "foxpro"}, "/dev/full"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lastError(), "tavrel: error 28: stdout: No space left on device");
}

TEST_F(CommandLine, AWrongPasswordIsRefusedWithoutShowingIt) {
  const std::string wrong = "wrong-" + server_.password + "-x";
  std::ofstream(passwordFile()) << wrong << "\n";
  const Outcome run = program_({"list", "mysql", "--password-file", passwordFile()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lastError().rfind("tavrel: error 1045: Access denied", 0), 0u) << run.err;
  EXPECT_EQ((run.out + run.err).find(wrong), std::string::npos);
}

}  // namespace
