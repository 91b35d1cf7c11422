#pragma once
// build/tavrel run as cron runs it: no display, no terminal (stdin from /dev/null, stdout and
// stderr to files), the C locale, and nothing of the test's environment but what cron gives
// (HOME, LOGNAME, SHELL, PATH) and the sanitizers' options.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace clitest {

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
  explicit Program(std::filesystem::path home) : home_(std::move(home)), output_(home_ / "run") {
    std::filesystem::create_directories(output_);
  }

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
    Outcome run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    run.out = read(output_ / "out");
    run.err = read(output_ / "err");
    return run;
  }

  Outcome operator()(const std::vector<std::string>& args) { return finish(start(args)); }

  // More of the environment for the runs to come ("LANG=ja_JP.UTF-8").
  std::vector<std::string> environment;

  static std::string read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

 private:
  static std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> all;
    for (std::string& text : texts) all.push_back(text.data());
    all.push_back(nullptr);
    return all;
  }

  std::filesystem::path home_, output_;
};

}  // namespace clitest
