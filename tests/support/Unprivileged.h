#pragma once
// File permissions do not stop root, and test machines often run as root. To test what a user
// meets on an unreadable file or a read-only folder, the check runs in a child process that,
// when this process is root, first becomes the user "nobody". The files it touches must be
// reachable by that user (make their folders world-searchable).
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace unprivileged {

inline constexpr uid_t kNobody = 65534;

// Runs `check` in a child process as an ordinary user; true when it returned true there.
inline bool holds(const std::function<bool()>& check) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(2);
    bool ok = false;
    try {
      ok = check();
    } catch (...) {
    }
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace unprivileged
