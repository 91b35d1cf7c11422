#pragma once
// The exclusive lock a container is changed under: flock() on the .dbc, so that two Tavrel
// windows, two processes, or any program that honours flock() cannot interleave their changes.
// A change replaces the .dbc by renaming a new file over it, so a lock taken on a file that has
// since been replaced is dropped and taken again on the current one.
#include <chrono>
#include <filesystem>

#include "foxpro-engine/File.h"

namespace fox::dbc {

class ContainerLock {
 public:
  // Waits up to `wait` for the lock, then throws fox::Error 3 ("File 'x.dbc' is in use.").
  ContainerLock(const std::filesystem::path& dbc, std::chrono::milliseconds wait);
  ContainerLock(const ContainerLock&) = delete;
  ContainerLock& operator=(const ContainerLock&) = delete;

 private:
  File file_;  // closing it releases the lock
};

}  // namespace fox::dbc
