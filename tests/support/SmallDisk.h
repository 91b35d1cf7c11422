#pragma once
// A real file system with little room, for what a user meets on a nearly full disk: the check
// runs in a child process with a mount namespace of its own (and a user namespace of its own
// when this process is not root), in which a tmpfs of the given size is mounted on a new folder.
#include <sched.h>
#include <sys/mount.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/Files.h"

namespace small_disk {

struct Outcome {
  bool available = false;  // false: this machine lets the test mount no file system
  std::string failure;     // what the check found wrong; empty when it held
};

namespace detail {
inline bool privateMountNamespace() {
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  if (uid == 0) return ::unshare(CLONE_NEWNS) == 0;
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
  std::ofstream("/proc/self/setgroups") << "deny";
  std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
  std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
  return true;
}
}  // namespace detail

// Runs `check` on a folder of a file system `bytes` large; it returns what it found wrong.
inline Outcome run(std::size_t bytes, const std::function<std::string(const std::filesystem::path&)>& check) {
  int report[2];
  if (::pipe(report) != 0) return {};
  const int status = testfiles::inChild([&] {
    ::close(report[0]);
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-small-disk-XXXXXX").string();
    if (!detail::privateMountNamespace() || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        !::mkdtemp(pattern.data()) ||
        ::mount("tavrel-small-disk", pattern.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) != 0)
      return 77;
    std::string failure;
    try {
      failure = check(pattern);
    } catch (const std::exception& e) {
      failure = std::string("threw: ") + e.what();
    }
    ::umount(pattern.c_str());
    ::rmdir(pattern.c_str());
    failure.resize(std::min<std::size_t>(failure.size(), 4096));  // read once this process ends: what a pipe holds
    return ::write(report[1], failure.data(), failure.size()) == ssize_t(failure.size()) ? 0 : 1;
  });
  ::close(report[1]);
  Outcome outcome;
  char buffer[4096];
  for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;) outcome.failure.append(buffer, std::size_t(n));
  ::close(report[0]);
  if (status == -1 || (WIFEXITED(status) && WEXITSTATUS(status) == 77)) return {};
  outcome.available = true;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) outcome.failure += " (the check's process failed)";
  return outcome;
}

}  // namespace small_disk
