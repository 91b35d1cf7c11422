#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace fox {

// Field flags (descriptor byte 18).
inline constexpr std::uint8_t kFlagSystem = 0x01;
inline constexpr std::uint8_t kFlagNullable = 0x02;
inline constexpr std::uint8_t kFlagBinary = 0x04;
inline constexpr std::uint8_t kFlagAutoIncrement = 0x0C;

// One field of a table as its descriptor gives it. For tables other than Visual FoxPro's the
// flags are 0 (byte 18 means other things there), and the length of a Clipper-style character
// field longer than 255 is the full length.
struct Field {
  std::string name;          // as stored in the header (up to 10 characters for VFP tables)
  char type = 'C';           // C V Q N F I B Y D T L M G W P …
  std::uint32_t offset = 0;  // byte offset within the record; the deletion flag is byte 0
  std::uint16_t length = 0;  // bytes in the record
  std::uint8_t decimals = 0;
  std::uint8_t flags = 0;
  int nullBit = -1;                    // bit in _NullFlags that marks NULL, or -1
  int varLengthBit = -1;               // bit in _NullFlags that marks a short V/Q value, or -1
  std::int32_t autoIncrementNext = 0;  // autoincrementing I fields: the next value, and the step
  std::uint8_t autoIncrementStep = 0;

  bool nullable() const { return (flags & kFlagNullable) != 0; }
  bool autoIncrement() const { return (flags & kFlagAutoIncrement) == kFlagAutoIncrement; }
  // Stored bytes are not code-page translated (binary C/V/M, and Q, W, G always).
  bool binary() const;
};

// A column of a table to be created: what CREATE TABLE declares.
struct ColumnSpec {
  std::string name;
  char type = 'C';
  int length = 0;    // C, V, Q, N, F: the declared width; ignored for fixed-size types
  int decimals = 0;  // N, F, B
  bool nullable = false;
  bool binary = false;  // NOCPTRANS: C, V, M stored without translation
};

// What is wrong with the width and decimals a column of `type` (upper case) declares, or nothing:
// C, V, Q are 1 to 254 wide; N, F 1 to 20 wide with decimals 0, or 1 to width − 2; B has 0 to 18
// decimals. Other types have a fixed size, whatever is declared.
std::optional<std::string> widthProblem(char type, long width, long decimals);

}  // namespace fox
