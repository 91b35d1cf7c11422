#pragma once
// A private temporary folder per fuzzing process, where each input is written as files.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "foxpro-engine/Error.h"
#include "foxpro-engine/Table.h"

namespace fuzz {

inline const std::filesystem::path& folder() {
  static const std::filesystem::path dir = [] {
    // tmpfs when there is one: rewriting a file per input on a disk file system waits for the disk.
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                           : std::filesystem::temp_directory_path();
    auto d = base / ("tavrel-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    std::atexit([] { std::filesystem::remove_all(folder()); });
    return d;
  }();
  return dir;
}

inline std::filesystem::path put(const std::string& name, const std::uint8_t* data, std::size_t size) {
  auto p = folder() / name;
  std::ofstream(p, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  return p;
}

// Opens the table and reads every record (at most 5,000); fox::Error is the expected outcome
// for damaged input, anything else (a crash, a sanitizer report, another exception) a finding.
inline void readAll(const std::filesystem::path& table) {
  try {
    auto t = fox::Table::open(table);
    std::vector<fox::Value> values;
    std::uint32_t n = std::min<std::uint32_t>(t->recordCount(), 5000);
    for (std::uint32_t i = 0; i < n; ++i) {
      try {
        t->read(i, values);
      } catch (const fox::Error&) {
      }
    }
  } catch (const fox::Error&) {
  }
}

}  // namespace fuzz
