#pragma once
// Deterministic faults for the crash tests: one failing operation of the engine's file layer
// (the nth write, sync or rename, as a full disk would fail it), and a real process death at a
// chosen step of a change (the step hook kills the process, so nothing after it runs).
#include <csignal>

#include "foxpro-engine/Error.h"
#include "foxpro-engine/File.h"
#include "tests/support/Files.h"

namespace faults {

// While it lives, the nth operation of kind `operation` fails with error 1105.
class FailNth {
 public:
  FailNth(fox::IoOperation operation, int n) : n_(n) {
    fox::setIoFaultHook([this, operation](fox::IoOperation o, const std::filesystem::path& file) {
      if (o == operation && ++seen_ == n_)
        throw fox::Error(fox::err::WriteError, "Error writing to file " + fox::quoted(file) + ": injected fault.");
    });
  }
  ~FailNth() { fox::setIoFaultHook({}); }
  FailNth(const FailNth&) = delete;
  FailNth& operator=(const FailNth&) = delete;
  // Whether the operation to fail came: false once n is past the operations the work makes.
  bool fired() const { return seen_ >= n_; }

 private:
  int n_, seen_ = 0;
};

// Kills the calling process at once, as kill -9 would.
[[noreturn]] inline void die() {
  ::raise(SIGKILL);
  ::_exit(3);
}

// Runs `work` in a child process; true when the child was killed (by die()), false when `work`
// returned or threw.
inline bool killedDuring(const std::function<void()>& work) {
  const int status = testfiles::inChild([&] {
    work();
    return 0;
  });
  return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

}  // namespace faults
