#pragma once
// The bytes a copy into FoxPro gives the table's .dbf and .fpt, estimated from the values as the
// engine lays them out: the empty table's files, then each row one record and each non-empty memo
// its block header and data in whole blocks. Exact where the text's bytes are known (ASCII, one
// byte per character in the single-byte code pages, binary byte for byte).
#include <cstdint>

class FoxProFileSizes {
 public:
  FoxProFileSizes(std::uint64_t emptyDbf, std::uint64_t recordLength, std::uint64_t emptyFpt)
      : dbf(emptyDbf), fpt(emptyFpt), recordLength_(recordLength) {}

  void addRecord() { dbf += recordLength_; }
  void addMemo(std::uint64_t bytes) {
    constexpr std::uint64_t kBlockHeader = 8, kBlock = 64;  // the engine's memo block
    if (bytes > 0) fpt += (kBlockHeader + bytes + kBlock - 1) / kBlock * kBlock;
  }

  std::uint64_t dbf, fpt;

 private:
  std::uint64_t recordLength_;
};
