#pragma once
// A real file system with little room, for what a user meets on a nearly full disk: the check
// runs in a child process with a mount namespace of its own (and a user namespace of its own
// when this process is not root), in which a tmpfs of the given size is mounted on a new folder.
#include <sched.h>
#include <sys/mount.h>

#include <fstream>
#include <optional>

#include "tests/support/Files.h"

namespace small_disk {

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

// Runs `check` on a folder of a file system `bytes` large; what it found wrong ("" when it held),
// or nothing when this machine lets the test mount no file system.
inline std::optional<std::string> run(std::size_t bytes,
                                      const std::function<std::string(const std::filesystem::path&)>& check) {
  testfiles::TempFolder folder;
  const std::filesystem::path disk = folder.path() / "disk", report = folder.path() / "report";
  std::filesystem::create_directory(disk);
  const int status = testfiles::inChild([&] {
    if (!privateMountNamespace() || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tavrel-small-disk", disk.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) != 0)
      return 77;
    std::string failure;
    try {
      failure = check(disk);
    } catch (const std::exception& e) {
      failure = std::string("threw: ") + e.what();
    }
    testfiles::writeFile(report, failure);
    return 0;
  });
  if (status == -1 || (WIFEXITED(status) && WEXITSTATUS(status) == 77)) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the check's process failed";
  return testfiles::readFile(report);
}

}  // namespace small_disk
