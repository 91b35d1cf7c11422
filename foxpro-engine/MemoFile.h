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
  // Bytes [offset, offset + n) of the file from a read-ahead window (memos mostly follow each
  // other in record order, so one read serves many); nullptr when n is larger than the window.
  const std::uint8_t* fetch(std::uint64_t offset, std::size_t n) const;
  File file_;
  Kind kind_;
  std::uint32_t blockSize_ = 512;
  std::uint64_t size_ = 0;
  mutable std::vector<std::uint8_t> window_;
  mutable std::uint64_t windowStart_ = 0;
  mutable std::size_t windowLength_ = 0;
};

}  // namespace fox
