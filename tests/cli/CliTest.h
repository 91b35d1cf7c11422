#pragma once
// build/tavrel run as cron runs it: no display, no terminal (stdin from /dev/null, stdout and
// stderr to files), the C locale, and nothing of the test's environment but what cron gives
// (HOME, LOGNAME, SHELL, PATH) and the sanitizers' options. CliTest runs it on a scratch database
// of the throwaway MariaDB and a folder of free tables, named by the saved settings of a home
// (the password in a file beside them).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "tests/foxpro/ProviderSupport.h"
#include "tests/mysql/ScratchDatabase.h"

namespace clitest {

namespace fs = std::filesystem;
using testfiles::headerNumber;
using testfiles::readFile;

struct Outcome {
  int status = -1;  // the exit status; 128 + N when signal N ended the program
  std::string out, err;
  // stderr's last line, without its line end.
  std::string lastError() const {
    std::string text = err;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
  }
};

class Program {
 public:
  // `home` holds .config/Ombrix.ini, the saved settings the run reads.
  explicit Program(fs::path home) : home_(std::move(home)), output_(home_ / "run") { fs::create_directories(output_); }

  // Starts tavrel with `args`, stdout to `stdoutTo` when given; finish() waits for it.
  pid_t start(const std::vector<std::string>& args, const std::string& stdoutTo = {}) {
    std::vector<std::string> argv = {TAVREL_BUILD_DIR "/tavrel"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = {"HOME=" + home_.string(), "LOGNAME=tavrel", "SHELL=/bin/sh", "PATH=/usr/bin:/bin"};
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
      if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    env.insert(env.end(), environment.begin(), environment.end());
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    const std::string out = stdoutTo.empty() ? (output_ / "out").string() : stdoutTo, err = (output_ / "err").string();
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0].c_str(), &files, nullptr, pointers(argv).data(), pointers(env).data());
    posix_spawn_file_actions_destroy(&files);
    EXPECT_EQ(failed, 0);
    return pid;
  }

  Outcome finish(pid_t pid) {
    int raw = 0;
    waitpid(pid, &raw, 0);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), readFile(output_ / "out"),
            readFile(output_ / "err")};
  }

  Outcome operator()(const std::vector<std::string>& args) { return finish(start(args)); }

  // More of the environment for the runs to come ("LANG=ja_JP.UTF-8").
  std::vector<std::string> environment;

 private:
  static std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> all;
    for (std::string& text : texts) all.push_back(text.data());
    all.push_back(nullptr);
    return all;
  }

  fs::path home_, output_;
};

// The folder's files with their sizes and change times, to show that nothing was written.
inline std::vector<std::string> folderState(const fs::path& folder) {
  std::vector<std::string> state;
  for (const auto& e : fs::directory_iterator(folder)) {
    struct stat st {};
    ::stat(e.path().c_str(), &st);
    state.push_back(e.path().filename().string() + " " + std::to_string(st.st_size) + " " +
                    std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
  }
  std::sort(state.begin(), state.end());
  return state;
}

// Overwrites bytes of a .dbf's record `n` (from 1) from `offset` on; offset 0 is the deletion mark.
inline void patchRecord(const fs::path& dbf, int n, int offset, const std::string& bytes) {
  const std::uint32_t at = headerNumber(dbf, 8, 2) + (n - 1) * headerNumber(dbf, 10, 2) + offset;
  std::fstream(dbf, std::ios::in | std::ios::out | std::ios::binary).seekp(at) << bytes;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ado::registerStandardProviders();
    TAVREL_REQUIRE_SERVER(server_);
    database_ = "tavrel_cli_" + std::to_string(getpid());
    mysqltest::recreateDatabase(server_, database_);
    fs::create_directories(home_.path() / ".config");
    std::ofstream(home_.path() / ".config/Ombrix.ini")
        << "[Tavrel]\nFoxproOption=2\nFreeTableFolder=" << folder_.path().string() << "\nMySQLServer=" << server_.host
        << "\nMySQLPort=" << server_.port << "\nMySQLUser=" << server_.user << "\nMySQLDatabase=" << database_ << "\n";
    std::ofstream(passwordFile()) << server_.password << "\n";
  }
  void TearDown() override {
    if (!database_.empty()) mysqltest::dropDatabase(server_, database_);
  }

  std::string passwordFile() const { return home_ / "password"; }

  // Runs tavrel with the password file; nothing it prints holds the password.
  Outcome tavrel(std::vector<std::string> args) {
    args.insert(args.end(), {"--password-file", passwordFile()});
    Outcome run = program_(args);
    EXPECT_EQ((run.out + run.err).find(server_.password), std::string::npos);
    return run;
  }

  // The statements run on the scratch database; the last one's rows, cells joined by "|".
  std::vector<std::string> sql(const std::vector<std::string>& statements) {
    ado::Connection cn;
    cn.Open(testdb::connectionString(server_, database_));
    return rowsOf(cn, statements);
  }

  // The same on the folder of free tables.
  std::vector<std::string> foxpro(const std::vector<std::string>& statements) {
    return rowsOf(*provider_test::open(folder_.path()), statements);
  }

  static inline testdb::Server server_;
  std::string database_;
  provider_test::TempFolder home_, folder_;
  Program program_{home_.path()};

 private:
  static std::vector<std::string> rowsOf(ado::Connection& cn, const std::vector<std::string>& statements) {
    std::vector<std::string> rows;
    for (const std::string& statement : statements) {
      rows.clear();
      for (ado::Recordset rs = cn.Execute(statement); rs.State() == ado::adStateOpen && !rs.Eof(); rs.MoveNext()) {
        std::string row;
        for (int i = 0; i < rs.Fields().Count(); ++i)
          row += (i ? "|" : "") + (rs.Fields()[i].Value().isNull() ? "NULL" : rs.Fields()[i].Value().toText());
        rows.push_back(row);
      }
    }
    return rows;
  }
};

}  // namespace clitest
