#include "ContainerLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "foxpro-engine/Error.h"

namespace fox::dbc {

namespace {
constexpr std::chrono::milliseconds kPoll{20};
}

ContainerLock::ContainerLock(const std::filesystem::path& dbc, std::chrono::milliseconds wait) {
  auto deadline = std::chrono::steady_clock::now() + wait;
  const std::string name = dbc.filename().string();
  for (;;) {
    int fd = ::open(dbc.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) throw Error(fox::err::FileNotFound, "File '" + name + "' does not exist.");
      throw Error(fox::err::AccessDenied, "File access is denied: '" + name + "'.");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      struct stat locked {}, current {};
      if (::fstat(fd, &locked) == 0 && ::stat(dbc.c_str(), &current) == 0 && locked.st_ino == current.st_ino &&
          locked.st_dev == current.st_dev) {
        fd_ = fd;
        return;
      }
      ::close(fd);  // the file was replaced while we waited: lock the new one
      continue;
    }
    int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)
      throw Error(fox::err::FileInUse, "File '" + name + "' is in use.");
    std::this_thread::sleep_for(kPoll);
  }
}

ContainerLock::~ContainerLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace fox::dbc
