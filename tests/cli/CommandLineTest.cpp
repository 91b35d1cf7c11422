// `tavrel VERB …` as a scheduled job runs it (CliTest.h) against the throwaway MariaDB and a
// real folder of free tables: the overwrite answers, a server error, SIGINT during a long copy,
// usage errors, hostile table names, and a password that never shows.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <sstream>
#include <thread>

#include "CliTest.h"

namespace {

using namespace clitest;
using CommandLine = CliTest;

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
    for (const std::string t : {"a", "b", "c"})
      sql({"CREATE OR REPLACE TABLE " + t + " (v VARCHAR(5))", "INSERT INTO " + t + " VALUES ('new')"});
    std::vector<std::string> args = {"copy", "to-foxpro", "a", "b", "c"};
    args.insert(args.end(), c.option.begin(), c.option.end());
    const Outcome run = tavrel(args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(foxpro({"SELECT * FROM c"}), std::vector<std::string>{"new"});
    EXPECT_EQ(foxpro({"SELECT * FROM b"}), c.b);
    if (c.a.empty()) {
      EXPECT_FALSE(fs::exists(folder_ / "a.DBF"));
      EXPECT_NE(run.lastError().find("Would you like to overwrite b?"), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(foxpro({"SELECT * FROM a"}), c.a);
    }
  }
}

// The walk goes z_good, then a_broken, a view the server can no longer read.
TEST_F(CommandLine, ServerErrorEndsTheRunWithItsNumberAndTextAfterEarlierTablesAreComplete) {
  sql({"CREATE TABLE z_good (v INT)", "INSERT INTO z_good SELECT seq FROM seq_1_to_500", "CREATE TABLE gone (v INT)",
       "CREATE VIEW a_broken AS SELECT v FROM gone", "DROP TABLE gone"});
  const Outcome run = tavrel({"copy", "to-foxpro", "--all"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.lastError().rfind("tavrel: error 1356: View '" + database_ + ".a_broken' references invalid", 0), 0u)
      << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find('\t')), "z_good");
  EXPECT_EQ(foxpro({"SELECT * FROM z_good"}).size(), 500u);
  EXPECT_FALSE(fs::exists(folder_ / "a_broken.DBF"));
}

TEST_F(CommandLine, SigintEndsALongCopyWithEveryRowWrittenReadable) {
  constexpr int kRows = 30000;
  sql({"CREATE TABLE big (id INT PRIMARY KEY, v VARCHAR(20))",
       "INSERT INTO big SELECT seq, CONCAT('value ', seq) FROM seq_1_to_" + std::to_string(kRows)});
  const pid_t pid = program_.start({"copy", "to-foxpro", "big", "--password-file", passwordFile()});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  const auto recordCount = [&] { return headerNumber(folder_ / "big.DBF", 4, 4); };
  while (recordCount() < 1000 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::string cmdline = readFile("/proc/" + std::to_string(pid) + "/cmdline");
  EXPECT_NE(cmdline.find("--password-file"), std::string::npos);
  EXPECT_EQ(cmdline.find(server_.password), std::string::npos);
  ::kill(pid, SIGINT);
  const Outcome run = program_.finish(pid);
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_EQ(run.lastError(), "tavrel: interrupted");
  EXPECT_NE(run.err.find("tavrel: stopped while copying big\n"), std::string::npos) << run.err;

  const std::uint32_t written = recordCount();
  EXPECT_GE(written, 1000u);
  EXPECT_LT(written, static_cast<std::uint32_t>(kRows));
  std::string json;
  ASSERT_EQ(testfiles::run("/usr/bin/python3 " TAVREL_SOURCE_DIR "/tests/transfer/read_dbf.py '" +
                               (folder_ / "big.DBF") + "' 1252 2>&1",
                           json),
            0)
      << json.substr(0, 2000);
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
  const std::vector<std::string> before = folderState(folder_.path());
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
  EXPECT_EQ(folderState(folder_.path()), before);
  EXPECT_EQ(sql({"SHOW TABLES"}), std::vector<std::string>{});
}

// Names from arguments reach the same name-to-file and quoting functions as the window's: hostile
// names copied to FoxPro land as files inside the chosen folder; check and verify, of the
// window's copy and of the typed one, find them through the same names, read them in place and
// change no file; deleting what `list` shows empties the folder.
TEST_F(CommandLine, HostileNamesStayInsideTheFolderAndAreReadInPlace) {
  const std::vector<std::string> names = {"../x", "a]b\"c;d", "../up", "a]b`c;d'e\"f"};
  for (const std::string& name : names) {
    std::string quoted = name;
    for (std::size_t at = 0; (at = quoted.find('`', at)) != std::string::npos; at += 2) quoted.insert(at, "`");
    sql({"CREATE TABLE `" + quoted + "` (id INT PRIMARY KEY, v VARCHAR(10))",
         "INSERT INTO `" + quoted + "` VALUES (1, 'one'), (2, NULL)"});
  }
  // tavrel VERB to-foxpro with `options`, on every name.
  const auto onEveryName = [&](std::vector<std::string> args, const std::vector<std::string>& options) {
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), names.begin(), names.end());
    return tavrel(args);
  };
  for (const std::vector<std::string>& typed : {std::vector<std::string>{}, {"--typed"}}) {
    ASSERT_EQ(onEveryName({"copy", "to-foxpro", "--overwrite"}, typed).status, 0);
    if (typed.empty()) {
      std::vector<std::string> files;
      for (const auto& e : fs::directory_iterator(folder_.path())) files.push_back(e.path().filename().string());
      std::sort(files.begin(), files.end());
      EXPECT_EQ(files,
                (std::vector<std::string>{"..%2Fup.DBF", "..%2Fup.FPT", "..%2Fx.DBF", "..%2Fx.FPT", "a]b%22c;d.DBF",
                                          "a]b%22c;d.FPT", "a]b`c;d'e%22f.DBF", "a]b`c;d'e%22f.FPT"}));
    }
    const std::vector<std::string> before = folderState(folder_.path());
    for (const std::string verb : {"check", "verify"}) {
      const Outcome run = onEveryName({verb, "to-foxpro"}, typed);
      EXPECT_EQ(run.status, verb == "verify" ? 0 : 5) << verb << ": " << run.out << run.err;
      for (const std::string& name : names)
        EXPECT_NE(("\n" + run.out).find("\n" + name + ": "), std::string::npos) << run.out;
    }
    EXPECT_EQ(folderState(folder_.path()), before);
  }
  for (const auto& e : fs::directory_iterator(folder_.path().parent_path())) {
    const QString file = QString::fromStdString(e.path().filename().string()).toLower();
    EXPECT_TRUE(file != "x.dbf" && file != "up.dbf") << e.path();
  }
  std::vector<std::string> args = {"delete", "foxpro"};
  std::istringstream listed(tavrel({"list", "foxpro"}).out);
  for (std::string name; std::getline(listed, name);) args.push_back(name);
  EXPECT_EQ(args.size(), 2 + names.size());
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
