#pragma once
// Where things sit in a compound index (.cdx, .dcx). Integers little-endian unless marked BE.
//
// A tag header, 1024 bytes (the one at offset 0 is the tag directory's):
//   offset size  meaning
//   0      4     offset of the root node
//   4      4     head of the free-page list (0: none)
//   8      4     BE update counter (the directory's only; tag headers hold 0)
//   12     2     key length
//   14     1     index options (kOption… in CompoundIndex.h)
//   15     1     signature (5: VFP 9's binary tag)
//   494    8     collation name, NUL padded; all zero is MACHINE
//   502    2     0 ascending, 1 descending
//   504    2     offset of the FOR expression in the pool
//   506    2     length of the FOR expression, its NUL included
//   508    2     offset of the key expression in the pool
//   510    2     length of the key expression, its NUL included
//   512    512   expression pool: key expression, NUL, FOR expression, NUL
//
// A node, one 512-byte page:
//   0      2     attributes: 0x01 root, 0x02 leaf
//   2      2     number of keys
//   4      4     left sibling on the same level, or 0xFFFFFFFF
//   8      4     right sibling on the same level, or 0xFFFFFFFF
// An interior node then holds, from 12, one entry per child: the key (key length bytes), the
// BE record number of the child's last key, the BE offset of the child.
// A leaf then holds:
//   12     2     free bytes between the entries and the packed keys
//   14     4     record-number mask
//   18     1     duplicate-count mask
//   19     1     trailing-count mask
//   20     1     bits of the record number
//   21     1     bits of the duplicate count
//   22     1     bits of the trailing count
//   23     1     bytes per entry
//   24     n·w   the entries, in key order; the keys' new bytes are packed from the end of the page down
#include <cstddef>
#include <cstdint>

namespace fox::cdx::layout {

inline constexpr std::size_t kRoot = 0;
inline constexpr std::size_t kUpdateCounter = 8;
inline constexpr std::size_t kKeyLength = 12;
inline constexpr std::size_t kOptions = 14;
inline constexpr std::size_t kSignature = 15;
inline constexpr std::size_t kCollation = 494;
inline constexpr std::size_t kCollationSize = 8;
inline constexpr std::size_t kDescending = 502;
inline constexpr std::size_t kForAt = 504;
inline constexpr std::size_t kForLength = 506;
inline constexpr std::size_t kKeyAt = 508;
inline constexpr std::size_t kKeyExpressionLength = 510;
inline constexpr std::size_t kExpressionPool = 512;

// The tag directory's keys: tag names, blank padded.
inline constexpr std::uint16_t kTagNameLength = 10;

inline constexpr std::size_t kAttributes = 0;
inline constexpr std::uint16_t kRootNode = 0x01;  // attribute bits
inline constexpr std::uint16_t kLeafNode = 0x02;
inline constexpr std::size_t kKeyCount = 2;
inline constexpr std::size_t kLeft = 4;
inline constexpr std::size_t kRight = 8;
inline constexpr std::size_t kInteriorEntries = 12;
inline constexpr std::size_t kEntryRecord = 0;  // after the key
inline constexpr std::size_t kEntryChild = 4;   // after the key
inline constexpr std::size_t kEntryTail = 8;    // the bytes an interior entry adds to its key

inline constexpr std::size_t kFreeBytes = 12;
inline constexpr std::size_t kRecordMask = 14;
inline constexpr std::size_t kDuplicateMask = 18;
inline constexpr std::size_t kTrailMask = 19;
inline constexpr std::size_t kRecordBits = 20;
inline constexpr std::size_t kDuplicateBits = 21;
inline constexpr std::size_t kTrailBits = 22;
inline constexpr std::size_t kEntryWidth = 23;
inline constexpr std::size_t kLeafEntries = 24;

}  // namespace fox::cdx::layout
