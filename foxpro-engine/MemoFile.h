#pragma once
// Reading memo files: Visual FoxPro / FoxPro 2.x .fpt (any block size) and dBASE .dbt
// (dBASE III: text ended by 0x1A; dBASE IV: blocks with a length header). Internal.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "File.h"

namespace fox {

class MemoReader {
 public:
  enum class Kind { Fpt, Dbt };
  // Throws fox::Error 41 when the file is not a memo file of that kind (or 1/1705 when it cannot be opened).
  MemoReader(const std::filesystem::path& path, Kind kind);

  Kind kind() const { return kind_; }
  std::uint32_t blockSize() const { return blockSize_; }
  // Appends the data of the memo starting at `block` to `out`. Throws fox::Error 41 when the
  // block lies outside the file or its length runs past the end.
  void read(std::uint32_t block, std::string& out, std::uint32_t* signature = nullptr) const;

 private:
  [[noreturn]] void invalid(const std::string& why) const;
  // Reads through a window of the file: walking a table reads its memos in file order, so this
  // costs one system call per window instead of two per memo.
  std::size_t readCached(std::uint64_t offset, void* buffer, std::size_t n) const;

  File file_;
  mutable std::vector<std::uint8_t> window_;
  mutable std::uint64_t windowStart_ = 0;
  Kind kind_;
  std::uint32_t blockSize_ = 512;
  std::uint64_t size_ = 0;
};

}  // namespace fox
