#pragma once
// Where things sit in a table file (.dbf, and the container's .dbc), internal to the engine.
//
// The table header, 32 bytes at offset 0 (integers little-endian):
//   offset size  meaning
//   0      1     version: 0x03 dBase III, 0x30/0x31/0x32 Visual FoxPro (plain/autoincrement/varchar)
//   1      3     date of the last update: year % 100, month, day
//   4      4     record count
//   8      2     header length: where the first record starts
//   10     2     record length, the deletion flag included
//   28     1     table flags: 0x01 has a .cdx, 0x02 has a memo file, 0x04 is a container
//   29     1     code page mark
// Then one 32-byte field descriptor per field, the list ended by 0x0D; Visual FoxPro follows
// the end mark with 263 bytes for the path of the container (the back-link).
//
// A field descriptor, 32 bytes:
//   offset size  meaning
//   0      11    name, ASCII, padded with 0
//   11     1     type letter ('0' for Visual FoxPro's hidden _NullFlags)
//   12     4     displacement of the field in the record
//   16     1     length
//   17     1     decimals (Clipper: the high byte of a long character field's length)
//   18     1     Visual FoxPro field flags (system, nullable, binary, autoincrement)
//   19     4     autoincrement: next value
//   23     1     autoincrement: step
#include <cstddef>
#include <cstdint>

namespace fox::layout {

inline constexpr std::size_t kTableHeaderSize = 32;
inline constexpr std::size_t kVersion = 0;
inline constexpr std::size_t kUpdateDate = 1;  // three bytes: year % 100, month, day
inline constexpr std::size_t kRecordCount = 4;
inline constexpr std::size_t kHeaderLength = 8;
inline constexpr std::size_t kRecordLength = 10;
inline constexpr std::size_t kTableFlags = 28;
inline constexpr std::size_t kCodePageMark = 29;

inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr std::size_t kFieldName = 0;
inline constexpr std::size_t kFieldNameSize = 11;
inline constexpr std::size_t kFieldType = 11;
inline constexpr std::size_t kFieldDisplacement = 12;
inline constexpr std::size_t kFieldLength = 16;
inline constexpr std::size_t kFieldDecimals = 17;
inline constexpr std::size_t kFieldFlags = 18;
inline constexpr std::size_t kAutoIncrementNext = 19;
inline constexpr std::size_t kAutoIncrementStep = 23;

inline constexpr std::uint8_t kFieldListEnd = 0x0D;

// dBase 7 (recognised only to be refused): 68 header bytes, 48-byte field descriptors.
inline constexpr std::size_t kDBase7HeaderSize = 68;
inline constexpr std::size_t kDBase7DescriptorSize = 48;

// The file offset of the descriptor of field `i` (0-based).
inline constexpr std::size_t descriptorAt(std::size_t i) { return kTableHeaderSize + kDescriptorSize * i; }

}  // namespace fox::layout
