#include "ContainerLock.h"

#include <thread>

#include "foxpro-engine/Errors.h"

namespace fox::dbc {

namespace {
constexpr std::chrono::milliseconds kPoll{20};
}

ContainerLock::ContainerLock(const std::filesystem::path& dbc, std::chrono::milliseconds wait) {
  auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    File file(dbc, File::Mode::Read);
    if (file.tryLockExclusive()) {
      if (file.isAt(dbc)) {
        file_ = std::move(file);
        return;
      }
      continue;  // the file was replaced while we waited: lock the new one
    }
    if (std::chrono::steady_clock::now() >= deadline) throw errors::fileInUse(dbc);
    std::this_thread::sleep_for(kPoll);
  }
}

}  // namespace fox::dbc
