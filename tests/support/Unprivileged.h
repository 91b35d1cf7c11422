#pragma once
// File permissions do not stop root, and test machines often run as root. To test what a user
// meets on an unreadable file or a read-only folder, the check runs in a child process that,
// when this process is root, first becomes the user "nobody". The files it touches must be
// reachable by that user (make their folders world-searchable).
#include "tests/support/Files.h"

namespace unprivileged {

inline constexpr uid_t kNobody = 65534;

// Runs `check` in a child process as an ordinary user; true when it returned true there.
inline bool holds(const std::function<bool()>& check) {
  const int status = testfiles::inChild([&] {
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return 2;
    return check() ? 0 : 1;
  });
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace unprivileged
