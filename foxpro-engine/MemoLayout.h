#pragma once
// Where things sit in a memo file (.fpt, the container's .dct, and dBASE's .dbt), internal to
// the engine. A record's memo field holds the number of the block its memo starts at.
//
// The .fpt header, block 0 (integers big-endian), 512 bytes whatever the block size:
//   offset size  meaning
//   0      4     next free block
//   4      2     unused
//   6      2     block size in bytes
//   8      504   unused (zeros)
// A memo in an .fpt, from the start of its block:
//   0      4     signature: 0 picture, 1 text, 2 object
//   4      4     length of the data in bytes
//   8      n     the data, the rest of the last block unused
//
// The .dbt header (integers little-endian):
//   0      4     next free block
//   20     2     block size (dBASE IV; dBASE III leaves it 0 and uses 512)
// A dBASE IV memo, from the start of its block:
//   0      4     0xFF 0xFF 0x08 0x00
//   4      4     length, the 8 bytes of this header included
//   8      n     the data
// A dBASE III memo is text from the start of its block to the first 0x1A.
#include <cstddef>
#include <cstdint>

namespace fox::layout {

inline constexpr std::size_t kMemoHeaderSize = 512;
inline constexpr std::size_t kMemoNextBlock = 0;
inline constexpr std::size_t kMemoBlockSize = 6;
inline constexpr std::size_t kMemoHeadSize = 8;  // what a reader needs of the header: next block, block size

inline constexpr std::size_t kMemoSignature = 0;
inline constexpr std::size_t kMemoLength = 4;
inline constexpr std::size_t kMemoData = 8;  // also the size of the block header

inline constexpr std::size_t kDbtNextBlock = 0;
inline constexpr std::size_t kDbtBlockSize = 20;
inline constexpr std::size_t kDbtDefaultBlockSize = 512;
inline constexpr std::size_t kDbtMemoLength = 4;
inline constexpr std::size_t kDbtMemoData = 8;

}  // namespace fox::layout
